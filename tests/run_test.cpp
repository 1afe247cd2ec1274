// Mode selection, whole runs in every mode, the list as the user sees it at
// every yield, and events that arrive while a run yields. Expected commands
// and display names are the golden files in tests/golden.
#include <gtest/gtest.h>

#include <codecvt>
#include <fstream>
#include <locale>

#include "golden/golden_commands.h"
#include "platform/host/host_platform.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {
namespace {

using Texts = std::vector<std::u16string>;

GoldenCommands<std::u16string> Golden(const std::string& name, int rowsBelow = 1 << 30) {
    std::ifstream in(TAVRUNE_GOLDEN_DIR "/" + name);
    return ReadGoldenCommands<std::u16string>(in, rowsBelow);
}

// A golden list of rows, a line each.
Texts Lines(const std::string& name) {
    Texts lines;
    std::ifstream in(TAVRUNE_GOLDEN_DIR "/" + name);
    std::wstring_convert<std::codecvt_utf8_utf16<char16_t>, char16_t> utf8;
    for (std::string line; std::getline(in, line);) lines.push_back(utf8.from_bytes(line));
    return lines;
}
// The standard profile's display names, in order, as the manual list shows
// them; the list after a standard run and the About rows; after the manual
// run of manual.txt's rows; the two lines of the error without code page
// 936, then those of the error without cmd.exe.
const Texts kNames = Lines("names.txt");
const Texts kErrors = Lines("messages.txt");
const Texts kStandard = Lines("standard-list.txt");
const Texts kManual = Lines("manual-list.txt");

struct RunTest : ::testing::Test {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    Texts Shown() const {
        Texts texts;
        for (const auto& row : list.Rows()) texts.push_back(row.text);
        return texts;
    }
    std::vector<int> Marked() const {
        std::vector<int> rows;
        for (int i = 0; i < list.Count(); ++i) {
            if (list.Marked(i)) rows.push_back(i);
        }
        return rows;
    }
    // Rows applied before this yield: one yield before each row, and one
    // after it when input is pending.
    int Applied() const { return platform.inputPending ? platform.pumps / 2 : platform.pumps - 1; }
};

TEST_F(RunTest, EachAutomaticModeStartsItsProfilesCommandsAndShowsEachRowAsItGoes) {
    // Nothing loaded yet: nothing applied, and the run completes all the same.
    list.Append(u"left over");
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(Shown(), Texts{u"优化完成！"});
    EXPECT_TRUE(list.Marked(0) && list.Current() == 0);
    const std::pair<std::int16_t, const char*> kModes[] = {{kOptionStandard, "profile101.txt"},
                                                           {kOptionAdvanced, "profile102.txt"},
                                                           {kOptionLocalNetwork, "profile103.txt"}};
    for (const auto& [option, golden] : kModes) {
        SCOPED_TRACE(golden);
        list.Append(u"left over");
        form.Option1_Click(option);
        EXPECT_EQ(list.Count(), 0);
        platform.inputPending = option != kOptionStandard;
        platform.started.clear();
        platform.waited.clear();
        platform.pumps = 0;
        // At every yield the rows applied so far are shown, captioned, the
        // last of them current, and the list is not frozen.
        int wrong = 0;
        platform.onPump = [&] {
            const int n = Applied();
            wrong += Shown() != Texts(kStandard.begin(), kStandard.begin() + n) || list.Current() != n - 1 ||
                     list.Updating();
        };
        form.Command1_Click();
        EXPECT_EQ(platform.started, Golden(golden).commands);
        // Each start, and nothing else, waits until its configure has ended.
        for (std::size_t i = 0; i < platform.started.size(); ++i) {
            EXPECT_EQ(platform.waited[i], platform.started[i].find(u" sc start ") != std::u16string::npos)
                << i;
        }
        EXPECT_EQ(platform.pumps, platform.inputPending ? 170 : 85);
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(Marked().size() == 86 && list.Current() == 85);
        // The About rows after the completion row, which stays.
        form.Label1_Click();
        EXPECT_EQ(Shown(), kStandard);
    }
    for (int none : {3, 4, -1}) form.Option1_Click(static_cast<std::int16_t>(none));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(form.SelectedOption(), kOptionLocalNetwork);
}

TEST_F(RunTest, ManualAppliesTheRowsMarkedWhenTheRunReachesThem) {
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(Shown(), kNames);
    EXPECT_EQ(form.State().rowCounter, 84);

    // Marks changed at the first yield decide: row 1 unmarked, the last
    // golden row marked only then.
    const GoldenCommands<std::u16string> golden = Golden("manual.txt");
    for (int row : golden.rows) list.ToggleMark(row);
    list.ToggleMark(1);
    list.ToggleMark(golden.rows.back());
    platform.inputPending = true;
    int wrong = 0;
    platform.onPump = [&] {
        if (platform.pumps == 1) list.ToggleMark(1);
        if (platform.pumps == 1) list.ToggleMark(golden.rows.back());
        wrong += list.Current() != (Applied() > 0 ? golden.rows[Applied() - 1] : -1);
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, golden.commands);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Shown(), kManual);
    std::vector<int> marked = golden.rows;
    marked.push_back(85);
    EXPECT_EQ(Marked(), marked);
    EXPECT_EQ(list.Current(), 85);

    // Again: each marked row shows its caption now, which is not its line's
    // display name, so nothing is applied and the last applied row's key and
    // start type stay.
    platform.started.clear();
    platform.onPump = nullptr;
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(Shown(), kManual);
    EXPECT_FALSE(form.ChangeService(kStandard[0], 0) || form.ChangeService(u"Alerter", -1) ||
                 form.ChangeService(u"主动防御", 85));
    EXPECT_EQ(form.State().currentServiceKey, u"ZhuDongFangYu  ");
    EXPECT_EQ(form.State().currentStartType, u"auto");

    // Chosen again: the names afresh. About rows past the profile's rows
    // name no profile line: marked, they keep their text.
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(Shown(), kNames);
    form.Label1_Click();
    list.ToggleMark(84);
    list.ToggleMark(86);
    form.Command1_Click();
    EXPECT_EQ(platform.started, Texts(golden.commands.end() - 2, golden.commands.end()));  // row 84's
    EXPECT_EQ(list.Text(86), u"Author:relvanik");
    form.Command1_Click();  // the completion row is last, so it is replaced
    EXPECT_TRUE(list.Count() == 90 && list.Text(89) == u"优化完成！");

    // The warning cancelled: nothing is listed, and a run applies nothing.
    platform.answerOk = false;
    form.Option1_Click(kOptionManual);
    platform.started.clear();
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(Shown(), Texts{u"优化完成！"});

    // A close during a manual run ends it before the next marked row.
    platform.answerOk = true;
    form.Option1_Click(kOptionManual);
    list.ToggleMark(3);
    platform.onPump = [&] { form.RequestClose(); };
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(RunTest, EventsDuringARunAreRefusedAndCloseEndsIt) {
    std::vector<std::pair<bool, int>> states;  // what the window is told to show
    form.onControlStateChange = [&] { states.push_back({form.Running(), form.SelectedOption()}); };
    form.Option1_Click(kOptionStandard);
    platform.onPump = [&] {
        if (platform.pumps != 10) return;
        form.Option1_Click(kOptionAdvanced);
        form.Option1_Click(kOptionManual);
        form.Label1_Click();
        form.Command1_Click();
        EXPECT_EQ(list.Count(), 9);
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("profile101.txt").commands);
    EXPECT_EQ(list.Count(), 86);
    EXPECT_EQ(states, (std::vector<std::pair<bool, int>>{{false, 0}, {true, 0}, {false, 0}}));

    // A close ends the run at its next yield: rows 0 and 1 were applied, and
    // the run does not claim completion; nor does the window run again.
    platform.started.clear();
    platform.pumps = 0;
    platform.onPump = [&] {
        if (platform.pumps == 3) form.RequestClose();
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("profile101.txt", 2).commands);
    EXPECT_EQ(list.Count(), 2);
    form.Command1_Click();
    EXPECT_EQ(platform.pumps, 3);
}

TEST_F(RunTest, WhatCannotBeDoneIsSaidAndNotClaimed) {
    // No code page 936: no profile can be read, so there is no list to show
    // and a run would apply nothing; neither pretends otherwise.
    platform.hasCp936 = false;
    form.Option1_Click(kOptionManual);
    form.Command1_Click();
    EXPECT_TRUE(platform.warnings.empty() && platform.started.empty() && list.Count() == 0);
    ASSERT_EQ(platform.errors.size(), 2u);
    EXPECT_EQ(platform.errors[1].text, kErrors[0] + u"\n" + kErrors[1]);
    EXPECT_EQ(platform.errors[1].title, u"Tavrune");

    // cmd.exe goes missing at row 2: rows 0 and 1 were applied and say so,
    // row 2 is not captioned and the run ends there.
    platform.hasCp936 = true;
    form.Option1_Click(kOptionStandard);
    platform.onPump = [&] { platform.canStart = platform.pumps < 3; };
    form.Command1_Click();
    EXPECT_EQ(platform.started, Golden("profile101.txt", 2).commands);
    EXPECT_TRUE(platform.pumps == 3 && list.Count() == 2);
    ASSERT_EQ(platform.errors.size(), 3u);
    EXPECT_EQ(platform.errors[2].text, kErrors[2] + u"\n" + kErrors[3]);
    platform.onPump = nullptr;
    platform.canStart = true;
    form.Command1_Click();
    EXPECT_TRUE(list.Text(85) == u"优化完成！" && platform.errors.size() == 3u);

    // Without administrator rights every command would fail unseen: nothing
    // is started and the list stays as it was, its completion row included.
    platform.canChangeServices = false;
    platform.started.clear();
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty() && list.Count() == 86);
    EXPECT_EQ(platform.errors.size(), 4u);

    // A start left waiting for its configure could not be started after all:
    // the run does not claim completion.
    platform.canChangeServices = true;
    platform.thenStarts = false;
    form.Command1_Click();
    EXPECT_TRUE(list.Count() == 85 && platform.errors.size() == 5u &&
                platform.errors[4].text == platform.errors[2].text);
}

TEST(ResultList, SetTextKeepsPlaceAndMarkAndTheCurrentRowFollows) {
    MemoryResultList list;
    for (const char16_t* text : {u"a", u"b", u"c"})
        list.SetText(list.Count() + 1, text);  // past the end: appended
    list.SetMarked(1, true);
    list.SetText(1, u"B");
    list.SetCurrent(1);
    list.SetText(0, u"A");
    EXPECT_EQ(list.Text(1), u"B");
    EXPECT_TRUE(list.Marked(1) && !list.Marked(0) && list.Current() == 1);
    list.Remove(1);
    EXPECT_EQ(list.Current(), -1);
    list.SetCurrent(1);
    list.Clear();
    EXPECT_EQ(list.Current(), -1);
}

TEST(ResultList, TheCurrentRowIsBroughtWholeIntoViewScrollingAsLittleAsItCan) {
    // Row, top row, row height, view height, and the top row that shows the
    // row whole: in view (8 rows fit), cut off at the bottom, far below,
    // above the view; a view lower than a row shows the row's top; with no
    // row height known, the row goes on top.
    const int kCases[][5] = {{7, 0, 16, 140, 0}, {8, 0, 16, 140, 1}, {40, 0, 16, 140, 33}, {5, 7, 16, 140, 5},
                             {5, 5, 16, 10, 5},  {6, 5, 16, 10, 6},  {5, 0, 0, 140, 5},    {5, 0, 1, 140, 0}};
    for (const auto& c : kCases)
        EXPECT_EQ(TopRowShowing(c[0], c[1], c[2], c[3]), c[4]) << c[0] << " " << c[1];
}

}  // namespace
}  // namespace tavrune
