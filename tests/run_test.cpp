// Mode selection, whole runs in every mode, and events that arrive while a
// run yields. Commands are compared with the golden lists in tests/golden.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/host/host_platform.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {
namespace {

// One "row|command line|" a line, written out by hand from the profile table;
// the closing "|" keeps trailing spaces in sight. Rows below `rowsBelow` only.
struct Golden {
    std::vector<int> rows;  // each row once, in file order
    std::vector<std::u16string> commands;
};
Golden ReadGolden(const std::string& name, int rowsBelow = 1 << 30) {
    Golden g;
    std::ifstream in(std::string(TAVRUNE_GOLDEN_DIR) + "/" + name);
    for (std::string line; std::getline(in, line) && std::stoi(line) < rowsBelow;) {
        if (g.rows.empty() || g.rows.back() != std::stoi(line)) g.rows.push_back(std::stoi(line));
        g.commands.emplace_back(line.begin() + static_cast<long>(line.find('|')) + 1, line.end() - 1);  // ASCII
    }
    EXPECT_FALSE(g.commands.empty()) << name;
    return g;
}

struct RunTest : ::testing::Test {
    HostPlatform platform;
    MemoryResultList list;
    Form form{platform, list};

    std::vector<int> MarkedRows() const {
        std::vector<int> rows;
        for (int i = 0; i < list.Count(); ++i) {
            if (list.Marked(i)) rows.push_back(i);
        }
        return rows;
    }
};

TEST_F(RunTest, EachAutomaticModeStartsItsProfilesCommands) {
    const struct {
        std::int16_t option;
        const char* golden;
    } kModes[] = {{kOptionStandard, "profile101.txt"}, {kOptionAdvanced, "profile102.txt"}, {kOptionLocalNetwork, "profile103.txt"}};
    for (const auto& mode : kModes) {
        SCOPED_TRACE(mode.golden);
        list.Append(u"left over");
        form.Option1_Click(mode.option);
        EXPECT_EQ(list.Count(), 0);
        // Pending input earns a second yield after each row.
        platform.inputPending = mode.option != kOptionStandard;
        platform.started.clear();
        platform.pumps = 0;
        form.Command1_Click();

        EXPECT_EQ(platform.started, ReadGolden(mode.golden).commands);
        EXPECT_EQ(platform.pumps, platform.inputPending ? 170 : 85);
        ASSERT_EQ(list.Count(), 86);
        EXPECT_EQ(list.Text(0), u"正在优化 Alerter");
        EXPECT_EQ(list.Text(84), u"正在优化 主动防御");
        EXPECT_EQ(list.Text(85), u"优化完成！");
        EXPECT_EQ(MarkedRows().size(), 86u);
        EXPECT_EQ(list.Current(), 85);
        form.Label1_Click();  // About rows after a run go with the next run
    }
    EXPECT_EQ(list.Count(), 90);
    for (int none : {3, 4, -1}) form.Option1_Click(static_cast<std::int16_t>(none));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(form.SelectedOption(), kOptionLocalNetwork);
}

TEST_F(RunTest, ManualAppliesTheMarkedRowsOnly) {
    form.Option1_Click(kOptionManual);
    ASSERT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(platform.warnings[0].text, u"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）");
    EXPECT_EQ(platform.warnings[0].title, u"Tavrune友情提示");
    ASSERT_EQ(list.Count(), 85);
    EXPECT_EQ(list.Text(84), u"主动防御");

    const Golden golden = ReadGolden("manual.txt");
    for (int row : golden.rows) list.ToggleMark(row);
    platform.inputPending = true;
    form.Command1_Click();
    EXPECT_EQ(platform.started, golden.commands);
    EXPECT_EQ(platform.pumps, 2 * static_cast<int>(golden.rows.size()));
    std::vector<int> marked = golden.rows;
    marked.push_back(85);
    EXPECT_EQ(MarkedRows(), marked);
    EXPECT_EQ(list.Text(0), u"正在优化 Alerter");
    EXPECT_EQ(list.Text(1), u"Application Layer Gateway Service");
    EXPECT_EQ(list.Current(), 85);

    // Again, the same rows marked: each shows its caption now, which is not
    // its line's display name, so nothing is applied and nothing changes.
    const std::vector<MemoryResultList::Row> before = list.Rows();
    platform.started.clear();
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    ASSERT_EQ(list.Count(), 86);
    for (int i = 0; i < 86; ++i) EXPECT_EQ(list.Text(i), before[i].text) << i;
    // Nor does ChangeService act on an index that names no line.
    EXPECT_FALSE(form.ChangeService(u"Alerter", -1) || form.ChangeService(u"主动防御", 85));

    // A close during a manual run ends it before the next marked row.
    form.Option1_Click(kOptionManual);
    list.ToggleMark(3);
    platform.onPump = [&] { form.RequestClose(); };
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(RunTest, ManualRowsThatNameNoProfileLineKeepTheirText) {
    // Cancelled: nothing listed. Then the About rows stand at rows 0 to 3.
    platform.answerOk = false;
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(list.Count(), 0);
    form.Label1_Click();
    list.ToggleMark(1);
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(list.Text(1), u"Author:relvanik");
    EXPECT_EQ(list.Text(4), u"优化完成！");
    EXPECT_EQ(MarkedRows(), (std::vector<int>{1, 4}));

    // Listed, then About rows past the profile's 85 rows.
    platform.answerOk = true;
    form.Option1_Click(kOptionManual);
    form.Label1_Click();
    for (int row : {84, 86}) list.ToggleMark(row);
    form.Command1_Click();
    EXPECT_EQ(platform.started, (std::vector<std::u16string>{u"cmd /d /c  sc config ZhuDongFangYu   start= \"auto\"",
                                                         u"cmd /d /c  sc start ZhuDongFangYu  "}));
    EXPECT_EQ(list.Text(86), u"Author:relvanik");
    // The completion row is last, so the next run replaces it.
    form.Command1_Click();
    EXPECT_EQ(list.Count(), 90);
    EXPECT_EQ(list.Text(89), u"优化完成！");
}

TEST(ResultList, SetTextKeepsPlaceAndMarkAndTheCurrentRowFollows) {
    MemoryResultList list;
    for (const char16_t* text : {u"a", u"b", u"c"}) list.SetText(list.Count() + 1, text);  // past the end: appended
    list.SetMarked(1, true);
    list.SetText(1, u"B");
    list.SetCurrent(1);
    list.SetText(0, u"A");
    EXPECT_EQ(list.Text(1), u"B");
    EXPECT_TRUE(list.Marked(1) && !list.Marked(0));
    EXPECT_EQ(list.Current(), 1);
    list.Remove(1);
    EXPECT_EQ(list.Current(), -1);
    list.SetCurrent(1);
    list.Clear();
    EXPECT_EQ(list.Current(), -1);
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
        EXPECT_EQ(list.Count(), 9) << "a click changed the list during the run";
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, ReadGolden("profile101.txt").commands);
    EXPECT_EQ(list.Count(), 86);
    EXPECT_EQ(states, (std::vector<std::pair<bool, int>>{{false, 0}, {true, 0}, {false, 0}}));

    // A close ends the run at its next yield: rows 0 and 1 were applied, and
    // the run does not claim completion.
    platform.started.clear();
    platform.pumps = 0;
    platform.onPump = [&] {
        if (platform.pumps == 3) form.RequestClose();
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, ReadGolden("profile101.txt", 2).commands);
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
    EXPECT_TRUE(platform.warnings.empty() && platform.started.empty());
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(platform.errors.size(), 2u);
    EXPECT_EQ(platform.errors[1].text, u"系统没有安装简体中文代码页（936），无法读取服务方案，未更改任何服务设置。\n请安装东亚语言支持后再使用。");
    EXPECT_EQ(platform.errors[1].title, u"Tavrune");

    // cmd.exe goes missing at row 2: rows 0 and 1 were applied and say so,
    // row 2 is not captioned and the run ends there.
    platform.hasCp936 = true;
    form.Option1_Click(kOptionStandard);
    platform.onPump = [&] { platform.canStart = platform.pumps < 3; };
    form.Command1_Click();
    EXPECT_EQ(platform.started, ReadGolden("profile101.txt", 2).commands);
    EXPECT_EQ(platform.pumps, 3);
    EXPECT_EQ(list.Count(), 2);
    ASSERT_EQ(platform.errors.size(), 3u);
    EXPECT_EQ(platform.errors[2].text, u"无法启动命令解释器 cmd.exe，优化未完成。\n列表中显示“正在优化”的服务已经更改，其余服务未更改。");
    platform.onPump = nullptr;
    platform.canStart = true;
    form.Command1_Click();
    EXPECT_EQ(list.Text(85), u"优化完成！");
    EXPECT_EQ(platform.errors.size(), 3u);
}

}  // namespace
}  // namespace tavrune
