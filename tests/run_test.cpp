#include <gtest/gtest.h>

#include <algorithm>

#include "profiles/profile_text.h"
#include "test_support.h"

namespace tavrune {
namespace {

using RunTest = FormTest;

// What a whole run of profile 101 must start: per row stop before configure
// before start, rows in profile order.
std::vector<std::u16string> ExpectedCommands(HostPlatform& platform, int profile) {
    std::vector<std::u16string> commands;
    for (const auto& line : Split(StripTrailingNuls(platform.DecodeCp936(platform.LoadResource(u"CUSTOM", profile))))) {
        const std::u16string type = StartType(line);
        const std::u16string key = ServiceKey(line, DisplayName(line), type);
        if (type == u"disabled") commands.push_back(u"cmd /c  sc stop " + key);
        commands.push_back(u"cmd /c  sc config " + key + u" start= \"" + type + u"\"");
        if (type == u"auto") commands.push_back(u"cmd /c  sc start " + key);
    }
    return commands;
}

TEST_F(RunTest, StandardRunCaptionsEveryRowAndCompletes) {
    form.Option1_Click(kOptionStandard);
    form.Command1_Click();

    ASSERT_EQ(list.Count(), 86);
    EXPECT_EQ(list.Text(0), Progress(u"Alerter"));
    EXPECT_EQ(list.Text(84), Progress(u"主动防御"));
    EXPECT_EQ(list.Text(85), u"优化完成！");
    EXPECT_EQ(list.Current(), 85);
    EXPECT_EQ(MarkedRows().size(), 86u);
    EXPECT_EQ(platform.started, ExpectedCommands(platform, 101));
    // 42 disabled rows stopped, 85 configured, 18 auto rows started.
    EXPECT_EQ(platform.started.size(), 145u);
    EXPECT_EQ(platform.pumps, 85);  // once before each row, no input pending
    EXPECT_FALSE(form.Running());
}

TEST_F(RunTest, EachProfileStartsItsOwnCommands) {
    for (std::int16_t option : {kOptionStandard, kOptionAdvanced, kOptionLocalNetwork}) {
        const int profile = option == kOptionStandard ? 101 : option == kOptionAdvanced ? 102 : 103;
        platform.started.clear();
        form.Option1_Click(option);
        EXPECT_EQ(list.Count(), 0);
        form.Command1_Click();
        EXPECT_EQ(platform.started, ExpectedCommands(platform, profile)) << profile;
    }
    // Row 49 (RpcSs) is disabled only by the advanced profile.
    form.Option1_Click(kOptionAdvanced);
    platform.started.clear();
    form.Command1_Click();
    EXPECT_EQ(std::count(platform.started.begin(), platform.started.end(), u"cmd /c  sc stop RpcSs"), 1);
}

TEST_F(RunTest, RunningTwiceGivesTheSameList) {
    form.Option1_Click(kOptionStandard);
    form.Command1_Click();
    const auto once = Texts();
    form.Label1_Click();  // About rows after the completion row are cleared too
    form.Command1_Click();
    EXPECT_EQ(Texts(), once);
    EXPECT_EQ(list.Current(), 85);
}

TEST_F(RunTest, NoProfileLoadedOnlyCompletes) {
    list.Append(u"left over");
    form.Command1_Click();
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"优化完成！"}));
    EXPECT_EQ(MarkedRows(), (std::vector<int>{0}));
    EXPECT_EQ(list.Current(), 0);
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(RunTest, InputPendingYieldsAgainAfterEachRow) {
    form.Option1_Click(kOptionStandard);
    platform.inputPending = true;
    form.Command1_Click();
    EXPECT_EQ(platform.pumps, 170);
}

TEST_F(RunTest, ManualAppliesOnlyTheMarkedRows) {
    ListManual();
    ASSERT_EQ(list.Count(), 85);
    list.ToggleMark(0);
    list.ToggleMark(11);
    form.Command1_Click();

    EXPECT_EQ(platform.started, (std::vector<std::u16string>{
        u"cmd /c  sc stop Alerter",
        u"cmd /c  sc config Alerter start= \"disabled\"",
        u"cmd /c  sc config Dhcp start= \"auto\"",
        u"cmd /c  sc start Dhcp",
    }));
    ASSERT_EQ(list.Count(), 86);
    EXPECT_EQ(list.Text(0), Progress(u"Alerter"));
    EXPECT_EQ(list.Text(1), u"Application Layer Gateway Service");
    EXPECT_EQ(list.Text(11), Progress(u"DHCP Client"));
    EXPECT_EQ(list.Text(85), u"优化完成！");
    EXPECT_EQ(MarkedRows(), (std::vector<int>{0, 11, 85}));
    EXPECT_EQ(list.Current(), 85);
    EXPECT_EQ(platform.pumps, 2);
}

TEST_F(RunTest, ManualDoesNotReapplyARecaptionedRow) {
    ListManual();
    list.ToggleMark(0);
    form.Command1_Click();
    platform.started.clear();
    list.ToggleMark(3);
    form.Command1_Click();  // row 0 still marked, but now shows a progress caption

    EXPECT_EQ(platform.started, (std::vector<std::u16string>{
        u"cmd /c  sc stop wuauserv",
        u"cmd /c  sc config wuauserv start= \"disabled\"",
    }));
    EXPECT_EQ(list.Text(0), Progress(u"Alerter"));
    EXPECT_EQ(list.Count(), 86);  // the earlier completion row was replaced
    EXPECT_EQ(list.Text(85), u"优化完成！");
}

TEST_F(RunTest, ManualAfterCancelAppliesNothing) {
    platform.answerOk = false;
    form.Option1_Click(kOptionManual);
    form.Command1_Click();
    EXPECT_TRUE(platform.started.empty());
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"优化完成！"}));
}

TEST_F(RunTest, ManualRowsPastTheProfileAreLeftAlone) {
    ListManual();
    form.Label1_Click();  // rows 85..88, after the profile's 85 rows
    for (int row = 83; row < 89; ++row) list.ToggleMark(row);
    form.Command1_Click();

    EXPECT_EQ(platform.started, (std::vector<std::u16string>{
        u"cmd /c  sc config lanmanworkstation  start= \"auto\"",
        u"cmd /c  sc start lanmanworkstation ",
        u"cmd /c  sc config ZhuDongFangYu   start= \"auto\"",
        u"cmd /c  sc start ZhuDongFangYu  ",
    }));
    EXPECT_EQ(list.Text(84), Progress(u"主动防御"));
    EXPECT_EQ(list.Text(86), u"Author:relvanik");
    EXPECT_TRUE(list.Marked(86));
    EXPECT_EQ(list.Text(89), u"优化完成！");
    // A second run: the completion row is last and goes; the About rows stay.
    form.Command1_Click();
    EXPECT_EQ(list.Count(), 90);
}

TEST_F(RunTest, MarksChangedDuringAManualRunDecideForRowsAhead) {
    ListManual();
    list.ToggleMark(0);
    list.ToggleMark(2);
    platform.onPump = [this] {
        if (list.Marked(2) && !list.Marked(5)) {
            list.ToggleMark(2);  // unmark a row not yet reached
            list.ToggleMark(5);  // and mark one further on
        }
    };
    form.Command1_Click();
    EXPECT_EQ(list.Text(2), u"Application Management");
    EXPECT_EQ(list.Text(5), Progress(u"Background Intelligent Transfer Service"));
    EXPECT_EQ(platform.started.back(), u"cmd /c  sc config BITS start= \"disabled\"");
}

TEST_F(RunTest, EventsDuringARunAreRefused) {
    form.Option1_Click(kOptionStandard);
    int fired = 0;
    platform.onPump = [&] {
        if (++fired != 10) return;
        // A click on each control, all arriving while row 9 is due.
        form.Option1_Click(kOptionAdvanced);
        form.Option1_Click(kOptionManual);
        form.Label1_Click();
        form.Command1_Click();
    };
    form.Command1_Click();
    EXPECT_EQ(platform.started, ExpectedCommands(platform, 101));
    EXPECT_EQ(list.Count(), 86);
    EXPECT_EQ(list.Text(85), u"优化完成！");
    EXPECT_EQ(form.SelectedOption(), kOptionStandard);
    EXPECT_TRUE(platform.warnings.empty());
    // Once the run is over the same clicks work again.
    form.Option1_Click(kOptionAdvanced);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(form.SelectedOption(), kOptionAdvanced);
}

TEST_F(RunTest, CloseDuringARunStopsBeforeTheNextRow) {
    form.Option1_Click(kOptionStandard);
    platform.onPump = [&] {
        if (platform.pumps == 3) form.RequestClose();
    };
    form.Command1_Click();
    // Rows 0 and 1 were applied; the close arrived in the yield before row 2.
    EXPECT_EQ(platform.started.size(), 4u);  // stop+config Alerter, stop+config alg
    EXPECT_EQ(platform.started.back(), u"cmd /c  sc config alg start= \"disabled\"");
    EXPECT_EQ(list.Count(), 2);  // and no claim of completion
    EXPECT_FALSE(form.Running());
    form.Command1_Click();  // a closing window starts nothing more
    EXPECT_EQ(platform.started.size(), 4u);
}

TEST_F(RunTest, ControlStatesFollowTheRun) {
    std::vector<bool> seen;
    form.onControlStateChange = [&] { seen.push_back(form.Running()); };
    form.Option1_Click(kOptionStandard);
    form.Command1_Click();
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

}  // namespace
}  // namespace tavrune

namespace tavrune {
namespace {

TEST_F(RunTest, NoCommandInterpreterStopsTheRunAndSaysSo) {
    form.Option1_Click(kOptionStandard);
    platform.canStart = false;
    form.Command1_Click();
    EXPECT_EQ(list.Count(), 1);  // row 0 was tried, nothing after it
    EXPECT_NE(list.Text(list.Count() - 1), u"优化完成！");
    ASSERT_EQ(platform.errors.size(), 1u);
    EXPECT_NE(platform.errors[0].text.find(u"cmd.exe"), std::u16string::npos);
    // Once it can start again, a run completes.
    platform.canStart = true;
    form.Command1_Click();
    EXPECT_EQ(list.Text(85), u"优化完成！");
    EXPECT_EQ(platform.errors.size(), 1u);
}

}  // namespace
}  // namespace tavrune
