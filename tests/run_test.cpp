// A profile line's fields, mode selection, whole runs in every mode, the
// list as the user sees it at every yield, events that arrive while a run
// yields, and what cannot be done. Each test starts from a new window; expected commands, rows and
// message boxes are the golden files in tests/golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <codecvt>
#include <fstream>
#include <locale>
#include <stdexcept>

#include "golden/golden_commands.h"
#include "platform/host/host_platform.h"
#include "profiles/profile_text.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {
namespace {

using Texts = std::vector<std::u16string>;
using Rows = std::vector<int>;

// A golden file that is missing or empty is an error, not a list of nothing
// that every check against it would match.
std::ifstream Open(const std::string& name) {
    std::ifstream in(TAVRUNE_GOLDEN_DIR "/" + name);
    if (in.peek() == std::ifstream::traits_type::eof()) throw std::runtime_error(name + ": missing or empty");
    return in;
}
GoldenCommands<std::u16string> Golden(const std::string& name, int rowsBelow = kAllRows) {
    std::ifstream in = Open(name);
    return ReadGoldenCommands<std::u16string>(in, rowsBelow);
}
Texts Lines(const std::string& name) {
    Texts lines;
    std::ifstream in = Open(name);
    std::wstring_convert<std::codecvt_utf8_utf16<char16_t>, char16_t> utf8;
    for (std::string line; std::getline(in, line);) lines.push_back(utf8.from_bytes(line));
    return lines;
}
// The standard profile's display names, in order, as the manual list shows
// them; the list after a standard run and the About rows; after the manual
// run of manual.txt's rows; the message boxes, each "title|line|line": no
// code page 936, no cmd.exe, no rights, the manual warning.
const Texts kNames = Lines("names.txt");
const Texts kStandard = Lines("standard-list.txt");
const Texts kManual = Lines("manual-list.txt");
const Texts kBoxes = Lines("messages.txt");
enum Box { kNoCodePage, kNoCmd, kNoRights, kWarning };
// The standard profile's rows, a line each in names.txt: no count of rows
// here is written out, so that a profile changes only with its golden files.
const int kRows = static_cast<int>(kNames.size());
// The list with a standard run's first n rows applied; with n = kRows + 1,
// after the run, the completion row too.
Texts Applied(int n) { return Texts(kStandard.begin(), kStandard.begin() + n); }

// The boxes shown, as messages.txt has them.
Texts Said(const std::vector<HostPlatform::Warning>& boxes) {
    Texts said;
    for (const auto& box : boxes) said.push_back(box.title + u"|" + box.text);
    for (auto& box : said) std::replace(box.begin(), box.end(), u'\n', u'|');
    return said;
}
Texts RowTexts(const MemoryResultList& list) {
    Texts texts;
    for (const auto& row : list.Rows()) texts.push_back(row.text);
    return texts;
}
Rows Marks(const MemoryResultList& list) {
    Rows rows;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Marked(i)) rows.push_back(i);
    }
    return rows;
}

// A new window: its platform, its list and its form.
struct Window {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    Texts Shown() const { return RowTexts(list); }
    // The manual mode chosen, answered OK, the golden rows marked.
    Rows ListAndMarkGoldenRows() {
        form.Option1_Click(kOptionManual);
        const Rows rows = Golden("manual.txt").rows;
        for (int row : rows) list.ToggleMark(row);
        return rows;
    }
};
struct RunTest : ::testing::Test, Window {};

TEST(RunOfNothing, AppliesNothingAndCompletes) {
    // Only options that do not exist chosen, so nothing loaded; the manual
    // warning cancelled.
    for (const int option : {-1, 3, 4, 5}) {
        SCOPED_TRACE(option);
        Window w;
        w.platform.answerOk = false;
        w.form.Option1_Click(static_cast<std::int16_t>(option));
        // The automatic run clears the list; the manual one walks its rows.
        if (option != 5) w.list.Append(u"left over");
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.started, Texts{});
        EXPECT_EQ(w.Shown(), Texts{u"优化完成！"});
    }
}

TEST(AutomaticRun, EachModeStartsItsProfilesCommandsAndShowsEachRowAsItGoes) {
    // The three profiles hold the standard's services in its order, so each
    // run shows standard-list.txt's rows. Each mode's golden commands, and
    // whether input is waiting during the run:
    const struct {
        std::int16_t option;
        const char* golden;
        bool input;
    } kModes[] = {{kOptionStandard, "profile101.txt", false},
                  {kOptionAdvanced, "profile102.txt", true},
                  {kOptionLocalNetwork, "profile103.txt", false}};
    for (const auto& m : kModes) {
        SCOPED_TRACE(m.golden);
        Window w;
        w.form.Option1_Click(m.option);
        w.platform.inputPending = m.input;
        // At every yield the rows applied so far are shown, captioned, the
        // last of them current, and the list is not frozen; the commands
        // started are those of the rows shown, so each row is on show before
        // the next is applied. The first yield found wrong is said, with the
        // rows shown then.
        w.platform.onPump = [&] {
            const int n = w.list.Count();
            if (HasFailure()) return;
            SCOPED_TRACE(std::to_string(n) + " rows shown");
            EXPECT_TRUE(w.Shown() == Applied(n));
            EXPECT_EQ(w.list.Current(), n - 1);
            EXPECT_FALSE(w.list.Updating());
            EXPECT_EQ(w.platform.started.size(), Golden(m.golden, n).commands.size());
        };
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.started, Golden(m.golden).commands);
        // Each start, and nothing else, waits until its configure has ended.
        for (std::size_t i = 0; i < w.platform.started.size(); ++i)
            EXPECT_EQ(w.platform.waited[i], w.platform.started[i].find(u" sc start ") != std::u16string::npos)
                << "command " << i;
        // A yield before each row; with input waiting, one after each too,
        // the last row on show before the completion row.
        EXPECT_EQ(w.platform.pumps, kRows * (1 + m.input));
        // Each row and the completion row marked, the completion row current.
        EXPECT_EQ(Marks(w.list).size(), kRows + 1);
        EXPECT_EQ(w.list.Current(), kRows);
        // The About rows after the completion row, which stays.
        w.form.Label1_Click();
        EXPECT_EQ(w.Shown(), kStandard);
    }
}

TEST_F(RunTest, ManualAppliesTheMarkedRowsThatNameTheirServiceWhenTheRunReachesThem) {
    // Listed after the warning; row 1 marked too, the last golden row not.
    const Rows rows = ListAndMarkGoldenRows();
    EXPECT_EQ(Said(platform.warnings), Texts{kBoxes[kWarning]});
    EXPECT_EQ(Shown(), kNames);
    EXPECT_EQ(form.State().rowCounter, kRows - 1);
    list.ToggleMark(1);
    list.ToggleMark(rows.back());
    // A click waiting while row 0 is applied changes both marks before the
    // run reads the next row's.
    platform.inputPending = true;
    platform.onPump = [&] {
        if (list.Current() != 0 || !list.Marked(1)) return;
        list.ToggleMark(1);
        list.ToggleMark(rows.back());
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("manual.txt").commands);
    EXPECT_EQ(Shown(), kManual);
    Rows marked = rows;
    marked.push_back(kRows);  // the completion row
    EXPECT_EQ(Marks(list), marked);
    platform.started.clear();
    // Each marked row shows its caption now, which is not its line's display
    // name; the completion row, last, is replaced. The About rows after it
    // are past the profile: marked, they keep their text. The last applied
    // row's key stays.
    form.Command1_Click();
    EXPECT_EQ(Shown(), kManual);
    form.Label1_Click();
    // After the completion row the About rows, the author's second; after
    // the four a new completion row.
    const int author = kRows + 2;
    list.ToggleMark(author);
    form.Command1_Click();
    EXPECT_EQ(platform.started, Texts{});
    EXPECT_EQ(list.Text(author), u"Author:relvanik");
    EXPECT_EQ(list.Count(), author + 4);
    // A caption is no display name: not applied, so the current row stays.
    EXPECT_FALSE(form.ChangeService(kStandard[0], 0));
    EXPECT_FALSE(form.ChangeService(u"Alerter", -1));
    EXPECT_FALSE(form.ChangeService(kNames.back(), kRows));
    // The key the last golden row's start named (an automatic row).
    EXPECT_EQ(u"cmd /d /c  sc start " + form.State().currentServiceKey, Golden("manual.txt").commands.back());
    // Chosen again: the names afresh.
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(Shown(), kNames);
}

TEST_F(RunTest, EventsDuringARunAreRefused) {
    // What the window is told to show.
    std::vector<std::pair<bool, int>> states;
    form.onControlStateChange = [&] { states.push_back({form.Running(), form.SelectedOption()}); };
    form.Option1_Click(kOptionStandard);
    int rowsThen = -1;
    platform.onPump = [&] {
        if (list.Count() != 9 || rowsThen >= 0) return;
        form.Option1_Click(kOptionAdvanced);
        form.Option1_Click(kOptionManual);
        form.Label1_Click();
        form.Command1_Click();
        rowsThen = list.Count();
    };
    form.Command1_Click();
    EXPECT_EQ(rowsThen, 9);
    EXPECT_EQ(platform.started, Golden("profile101.txt").commands);
    EXPECT_EQ(Shown(), Applied(kRows + 1));
    EXPECT_EQ(states, (decltype(states){{false, 0}, {true, 0}, {false, 0}}));
}

TEST(CloseDuringARun, EndsItAtItsNextYieldWithoutClaimingCompletion) {
    for (const bool manual : {false, true}) {
        SCOPED_TRACE(manual ? "manual" : "standard");
        Window w;
        w.form.Option1_Click(kOptionStandard);
        // Asked for once two rows show as applied: the second is current.
        const int second = manual ? w.ListAndMarkGoldenRows()[1] : 1;
        w.platform.onPump = [&] {
            if (w.list.Current() == second) w.form.RequestClose();
        };
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.started, Golden(manual ? "manual.txt" : "profile101.txt", second + 1).commands);
        // Nor does the window run again.
        const int yields = w.platform.pumps;
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.pumps, yields);
    }
}

TEST(RefusedRun, SaysWhyAndClaimsNothing) {
    // What is missing, the mode chosen, the boxes said, the rows applied.
    // Without code page 936 no profile can be read; without the rights
    // every command would fail unseen; a start left waiting could not be
    // made after all.
    const struct {
        bool HostPlatform::*has;
        std::int16_t option;
        Texts said;
        int rows;
    } kCases[] = {{&HostPlatform::hasCp936, kOptionManual, {kBoxes[kNoCodePage], kBoxes[kNoCodePage]}, 0},
                  {&HostPlatform::canChangeServices, kOptionStandard, {kBoxes[kNoRights]}, 0},
                  {&HostPlatform::thenStarts, kOptionStandard, {kBoxes[kNoCmd]}, kRows}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(&c - kCases);
        Window w;
        w.platform.*c.has = false;
        w.form.Option1_Click(c.option);
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.started, Golden("profile101.txt", c.rows).commands);
        EXPECT_EQ(w.Shown(), Applied(c.rows));
        EXPECT_EQ(Said(w.platform.errors), c.said);
    }
}

TEST_F(RunTest, WithoutCmdTheRunEndsAtTheRowThatFailedAndSaysWhatWasApplied) {
    // cmd.exe is missing while row 2 is applied, and back after: rows 0 and 1
    // were applied and say so, row 2 is not captioned, and the run ends there
    // rather than go on unseen, also with cmd.exe back as the run yields to
    // input that waits from then on. The next run completes.
    form.Option1_Click(kOptionStandard);
    bool missed = false;
    platform.onPump = [&] {
        platform.canStart = list.Count() != 2 || missed;
        missed = missed || !platform.canStart;
        platform.inputPending = missed;
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("profile101.txt", 2).commands);
    EXPECT_EQ(Shown(), Applied(2));
    EXPECT_EQ(Said(platform.errors), Texts{kBoxes[kNoCmd]});
    platform.started.clear();
    form.Command1_Click();
    EXPECT_EQ(platform.errors.size(), 1u);
    EXPECT_EQ(platform.started, Golden("profile101.txt").commands);
    EXPECT_EQ(Shown(), Applied(kRows + 1));
}

TEST(ProfileText, EachLineOfFieldsTxtHasItsNameTypeAndKey) {
    // "line|name|type|key|". The first "=" and the first "为" win, and what
    // follows them stays; only U+0020 is trimmed; every occurrence of the
    // name and type leaves the key, in one pass; no "为": the type is the
    // whole line, trimmed; no "=": the name is the whole line. The stored
    // rows' own shapes show in the golden command lists.
    for (const std::u16string& row : Lines("fields.txt")) {
        const std::u16string line = row.substr(0, row.find(u'|'));
        const std::u16string name = DisplayName(line), type = StartType(line);
        EXPECT_EQ(line + u"|" + name + u"|" + type + u"|" + ServiceKey(line, name, type) + u"|", row);
    }
}

TEST(ResultList, SetTextKeepsPlaceAndMarkAndTheCurrentRowFollows) {
    MemoryResultList list;
    // Past the end: appended.
    for (const char16_t* text : {u"a", u"b", u"c"}) list.SetText(list.Count() + 1, text);
    list.SetMarked(1, true);
    list.SetText(1, u"B");
    list.SetCurrent(1);
    list.SetText(0, u"A");
    EXPECT_EQ(RowTexts(list), (Texts{u"A", u"B", u"c"}));
    EXPECT_EQ(Marks(list), Rows{1});
    EXPECT_EQ(list.Current(), 1);
    list.Remove(1);
    EXPECT_EQ(list.Current(), -1);
    list.SetCurrent(1);
    list.Clear();
    EXPECT_EQ(list.Current(), -1);
}

TEST(ResultList, TheCurrentRowIsBroughtWholeIntoViewScrollingAsLittleAsItCan) {
    const struct {
        // want: the top row that shows the row whole.
        int row, top, rowHeight, viewHeight, want;
    } kCases[] = {
        // In view (8 rows fit), cut off at the bottom, far below, above.
        {7, 0, 16, 140, 0},
        {8, 0, 16, 140, 1},
        {40, 0, 16, 140, 33},
        {5, 7, 16, 140, 5},
        // A view lower than a row shows the row's top.
        {5, 5, 16, 10, 5},
        {6, 5, 16, 10, 6},
        // With no row height known, the row goes on top; rows of a pixel.
        {5, 0, 0, 140, 5},
        {5, 0, 1, 140, 0},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(TopRowShowing(c.row, c.top, c.rowHeight, c.viewHeight), c.want)
            << "row " << c.row << ", top " << c.top << ", height " << c.rowHeight << ", view "
            << c.viewHeight;
}

}  // namespace
}  // namespace tavrune
