// A profile line's fields, mode selection, whole runs in every mode, the
// list as the user sees it at every yield, events that arrive while a run
// yields, and what cannot be done. Each test starts from a new window; expected commands, rows and
// message boxes are the golden files in tests/golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <codecvt>
#include <cstdio>
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

// A golden file that is missing or empty is an error, not a list of nothing
// that every check against it would match.
std::ifstream Open(const std::string& name) {
    std::ifstream in(TAVRUNE_GOLDEN_DIR "/" + name);
    if (in.peek() == EOF) throw std::runtime_error(name + ": missing or empty");
    return in;
}
auto Golden(const std::string& name, int rowsBelow = kAllRows) {
    auto in = Open(name);
    return ReadGoldenCommands<std::u16string>(in, rowsBelow);
}
Texts Lines(const std::string& name) {
    Texts lines;
    auto in = Open(name);
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
Texts Applied(int n) { return {kStandard.begin(), kStandard.begin() + n}; }

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

// A new window: its platform, its list and its form.
struct Window {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    Texts Shown() const { return RowTexts(list); }
};
struct RunTest : ::testing::Test, Window {};

TEST(RunEnd, ClaimsOnlyWhatWasDoneAndSaysWhy) {
    // The option chosen, what is missing, the rows of profile101.txt applied,
    // the list after the run of a list that held an old row, the boxes said.
    // No such option loads nothing: the automatic run clears the list and
    // completes, as does the manual one, which walks its rows, after its
    // warning was cancelled. Without code page 936 no profile can be read;
    // without the rights every command would fail unseen: both change
    // nothing, the list included. A start left waiting could not be made
    // after all: the run does not complete. (With no such option, whether
    // the warning would be answered does not matter.)
    const struct {
        std::int16_t option;
        bool HostPlatform::*lacks;
        int rows;
        Texts shown, said;
    } kCases[] = {
        {-1, &HostPlatform::answerOk, 0, {u"优化完成！"}, {}},
        {3, &HostPlatform::answerOk, 0, {u"优化完成！"}, {}},
        {kOptionManual, &HostPlatform::answerOk, 0, {u"old", u"优化完成！"}, {}},
        {kOptionManual, &HostPlatform::hasCp936, 0, {u"old"}, {kBoxes[kNoCodePage], kBoxes[kNoCodePage]}},
        {kOptionStandard, &HostPlatform::canChangeServices, 0, {u"old"}, {kBoxes[kNoRights]}},
        {kOptionStandard, &HostPlatform::thenStarts, kRows, Applied(kRows), {kBoxes[kNoCmd]}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(&c - kCases);
        Window w;
        w.platform.*c.lacks = false;
        w.form.Option1_Click(c.option);
        w.list.Append(u"old");
        w.form.Command1_Click();
        EXPECT_EQ(w.platform.started, Golden("profile101.txt", c.rows).commands);
        EXPECT_EQ(w.Shown(), c.shown);
        EXPECT_EQ(Said(w.platform.errors), c.said);
    }
}

// Each mode's run, and the events refused while it yields. The three
// profiles hold the standard's services in its order, so each run shows
// standard-list.txt's rows.
struct AutomaticRun : RunTest {
    // The mode, its golden commands, and whether input is waiting during the
    // run (in the advanced one).
    void Check(std::int16_t option, const char* golden, bool input = false) {
        // What the window is told to show: running, and the option.
        std::vector<std::pair<bool, int>> states;
        form.onControlStateChange = [&] { states.emplace_back(form.Running(), form.SelectedOption()); };
        form.Option1_Click(option);
        platform.inputPending = input;
        // At every yield the rows applied so far are shown, captioned, the
        // last of them marked and current, and the list is not frozen; the
        // commands started are those of the rows shown, so each row is on
        // show before the next is applied. The first yield found wrong is
        // said, with the rows shown then.
        platform.onPump = [&] {
            const int n = list.Count();
            // Refused while the run yields, so the checks show that nothing
            // changed: no state is swapped under the run's loop.
            if (platform.pumps == 9) {
                form.Option1_Click(kOptionManual);
                form.Label1_Click();
                form.Command1_Click();
            }
            if (HasFailure()) return;
            SCOPED_TRACE(std::to_string(n) + " rows");
            EXPECT_TRUE(Shown() == Applied(n));
            EXPECT_EQ(list.Current(), n - 1);
            EXPECT_EQ(list.Marked(n - 1), n > 0);
            EXPECT_FALSE(list.Updating());
            EXPECT_EQ(platform.started, Golden(golden, n).commands);
        };
        form.Command1_Click();
        EXPECT_EQ(platform.started, Golden(golden).commands);
        EXPECT_EQ(states, (decltype(states){{false, option}, {true, option}, {false, option}}));
        // Each start, and nothing else, waits until its configure has ended.
        for (std::size_t i = 0; i < platform.started.size(); ++i)
            EXPECT_EQ(platform.waited[i], platform.started[i].find(u" sc start ") != std::u16string::npos)
                << "command " << i;
        // A yield before each row; with input waiting, one after each too,
        // the last row on show before the completion row.
        EXPECT_EQ(platform.pumps, kRows * (1 + input));
        // The completion row marked and current.
        EXPECT_TRUE(list.Marked(kRows));
        EXPECT_EQ(list.Current(), kRows);
        // The About rows after the completion row, which stays.
        form.Label1_Click();
        EXPECT_EQ(Shown(), kStandard);
    }
};
// The mode table: a profile whose services were not the standard's would
// need a list of its own, named here.
TEST_F(AutomaticRun, Standard) { Check(kOptionStandard, "profile101.txt"); }
TEST_F(AutomaticRun, Advanced) { Check(kOptionAdvanced, "profile102.txt", true); }
TEST_F(AutomaticRun, LocalNetwork) { Check(kOptionLocalNetwork, "profile103.txt"); }

TEST_F(RunTest, ManualAppliesTheMarkedRowsTillClosed) {
    // The manual mode chosen, answered OK, the golden rows marked; listed
    // after the warning (the list itself is checked when the mode is chosen
    // again, near the end); row 1 marked too, the last golden row not.
    form.Option1_Click(kOptionManual);
    const auto rows = Golden("manual.txt").rows;
    const auto mark = [&] {
        for (int row : rows) list.ToggleMark(row);
    };
    mark();
    EXPECT_EQ(Said(platform.warnings), Texts{kBoxes[kWarning]});
    EXPECT_EQ(form.State().rowCounter, kRows - 1);
    const auto click = [&] {
        list.ToggleMark(1);
        list.ToggleMark(rows.back());
    };
    click();
    // Clicked again while row 0 is applied, which changes both marks before
    // the run reads the next row's: each row is read when the run reaches it.
    platform.inputPending = true;
    platform.onPump = [&] {
        if (list.Current() == 0 && list.Marked(1)) click();
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("manual.txt").commands);
    EXPECT_EQ(Shown(), kManual);
    // Applied, the last golden row keeps the mark the click gave it back.
    EXPECT_TRUE(list.Marked(rows.back()));
    platform.started.clear();
    // Each marked row shows its caption now, which is not its line's display
    // name; the completion row, last, is replaced. The About rows after it
    // are past the profile: marked, they are no service (read as one, they
    // would index past the profile's lines). The last applied row's key
    // stays.
    form.Command1_Click();
    EXPECT_EQ(Shown(), kManual);
    form.Label1_Click();
    // After the completion row the About rows, the author's second; after
    // the four a new completion row.
    list.ToggleMark(kRows + 2);
    form.Command1_Click();
    EXPECT_EQ(platform.started, Texts{});
    EXPECT_EQ(list.Count(), kRows + 6);
    // A caption is no display name: not applied, so the current row stays.
    EXPECT_FALSE(form.ChangeService(kStandard[0], 0));
    EXPECT_FALSE(form.ChangeService(kNames[0], -1));
    EXPECT_FALSE(form.ChangeService(kNames.back(), kRows));
    // The key the last golden row's start named (an automatic row).
    EXPECT_EQ(u"cmd /d /c  sc start " + form.State().currentServiceKey, Golden("manual.txt").commands.back());
    // Chosen again: the names afresh.
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(Shown(), kNames);
    // Marked again, and the window asked to close once two of them show as
    // applied (the second is current): the run ends at its next yield, and
    // the window runs no more. A manual run, as its rows are not the
    // profile's first; an automatic run is closed below, and seen to end
    // uncompleted.
    mark();
    platform.onPump = [&] {
        if (list.Current() == rows[1]) form.RequestClose();
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("manual.txt", rows[1] + 1).commands);
    const int yields = platform.pumps;
    form.Command1_Click();
    EXPECT_EQ(platform.pumps, yields);
}

TEST_F(RunTest, WithoutCmdOrClosedARunEndsThere) {
    // cmd.exe is missing while row 2 is applied, and back after: rows 0 and 1
    // were applied and say so, row 2 is not captioned, and the run ends there
    // rather than go on unseen, also with cmd.exe back as the run yields to
    // input that waits from then on. The next run applies rows again, and
    // says nothing: the box was said once, for the first. Closed once two
    // rows show as applied (the second is current), it ends at its next
    // yield, uncompleted.
    form.Option1_Click(kOptionStandard);
    platform.onPump = [&] {
        if (platform.errors.size() && list.Current() == 1) form.RequestClose();
        platform.canStart = list.Count() != 2 || platform.inputPending;
        platform.inputPending |= !platform.canStart;
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("profile101.txt", 2).commands);
    EXPECT_EQ(Shown(), Applied(2));
    form.Command1_Click();
    EXPECT_EQ(Said(platform.errors), Texts{kBoxes[kNoCmd]});
    EXPECT_EQ(Shown(), Applied(2));
}

TEST(ProfileText, EachLineHasItsNameTypeAndKey) {
    // "line|name|type|key|". The first "=" and the first "为" win, and what
    // follows them stays; only U+0020 is trimmed; every occurrence of the
    // name and type leaves the key, in one pass; no "为": the type is the
    // whole line, trimmed; no "=": the name is the whole line. The stored
    // rows' own shapes show in the golden command lists.
    for (const auto& row : Lines("fields.txt")) {
        const auto line = row.substr(0, row.find(u'|'));
        const auto name = DisplayName(line), type = StartType(line);
        EXPECT_EQ(line + u"|" + name + u"|" + type + u"|" + ServiceKey(line, name, type) + u"|", row);
    }
}

TEST(ResultList, SetTextKeepsPlaceAndMarkAndTheCurrentRowFollows) {
    MemoryResultList list;
    // Past the end: appended.
    for (const auto text : {u"a", u"b", u"c"}) list.SetText(list.Count() + 1, text);
    list.SetMarked(1, true);
    list.SetText(1, u"B");
    list.SetCurrent(1);
    list.SetText(0, u"A");
    EXPECT_EQ(RowTexts(list), (Texts{u"A", u"B", u"c"}));
    EXPECT_TRUE(list.Marked(1));
    EXPECT_EQ(list.Current(), 1);
    list.Remove(1);
    EXPECT_EQ(list.Current(), -1);
    list.SetCurrent(1);
    list.Clear();
    EXPECT_EQ(list.Current(), -1);
}

TEST(ResultList, TheCurrentRowScrollsWholeIntoViewAsLittleAsItCan) {
    // The row, the top row, the row height and the view height; the top row
    // that shows the row whole.
    const int kCases[][5] = {
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
    for (const auto& [row, top, rowHeight, viewHeight, want] : kCases)
        EXPECT_EQ(TopRowShowing(row, top, rowHeight, viewHeight), want)
            << row << ' ' << top << ' ' << rowHeight << ' ' << viewHeight;
}

}  // namespace
}  // namespace tavrune
