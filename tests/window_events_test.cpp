// Mode selection, the About rows and the result list's own rules.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tavrune {
namespace {

using ModeTest = FormTest;

TEST_F(ModeTest, EachOptionLoadsItsProfileAndClearsTheList) {
    const std::pair<std::int16_t, int> options[] = {
        {kOptionStandard, 101}, {kOptionAdvanced, 102}, {kOptionLocalNetwork, 103}, {kOptionManual, 101}};
    platform.answerOk = false;
    for (const auto& [option, profile] : options) {
        list.Append(u"x");
        form.Option1_Click(option);
        EXPECT_EQ(list.Count(), 0) << option;
        EXPECT_EQ(form.SelectedOption(), option);
        EXPECT_EQ(form.State().profileText,
                  StripTrailingNuls(platform.DecodeCp936(platform.LoadResource(u"CUSTOM", profile))));
    }
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(ModeTest, OptionsThatDoNotExistLoadNothing) {
    form.Option1_Click(kOptionAdvanced);
    const std::u16string loaded = form.State().profileText;
    for (std::int16_t index : {std::int16_t{3}, std::int16_t{4}, std::int16_t{6}, std::int16_t{-1}, std::int16_t{32767}}) {
        list.Append(u"x");
        form.Option1_Click(index);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(form.State().profileText, loaded);
        EXPECT_EQ(form.SelectedOption(), kOptionAdvanced);
    }
}

TEST_F(ModeTest, ManualWarnsThenListsTheStandardNames) {
    ListManual();
    ASSERT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(platform.warnings[0].text, u"非电脑专业人员不建议使用手动功能，不要打没把握的仗：）");
    EXPECT_EQ(platform.warnings[0].title, u"Tavrune友情提示");
    ASSERT_EQ(list.Count(), 85);
    EXPECT_EQ(list.Text(0), u"Alerter");
    EXPECT_EQ(list.Text(4), u"自动更新");
    EXPECT_EQ(list.Text(84), u"主动防御");
    EXPECT_TRUE(MarkedRows().empty());
    EXPECT_EQ(form.State().rowCounter, 84);

    // Again: listed afresh, marks and captions gone.
    list.ToggleMark(3);
    form.Command1_Click();
    ListManual();
    EXPECT_EQ(list.Count(), 85);
    EXPECT_EQ(list.Text(3), u"Automatic Updates");
    EXPECT_TRUE(MarkedRows().empty());
}

TEST_F(ModeTest, CancelledWarningKeepsTheManualModeEmpty) {
    platform.answerOk = false;
    form.Option1_Click(kOptionManual);
    EXPECT_EQ(platform.warnings.size(), 1u);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(form.SelectedOption(), kOptionManual);
    EXPECT_FALSE(form.State().profileText.empty());
}

TEST_F(ModeTest, AboutRowsAppendWithoutClearing) {
    form.Option1_Click(kOptionStandard);
    form.Command1_Click();
    for (int i = 0; i < 3; ++i) form.Label1_Click();
    ASSERT_EQ(list.Count(), 86 + 12);
    EXPECT_EQ(list.Text(85), u"优化完成！");
    for (int i = 0; i < 3; ++i) {
        const int at = 86 + 4 * i;
        EXPECT_EQ(list.Text(at), u"");
        EXPECT_EQ(list.Text(at + 1), u"Author:relvanik");
        EXPECT_EQ(list.Text(at + 2), u"Tavrune，就是简单！");
        EXPECT_EQ(list.Text(at + 3).rfind(u"建议：", 0), 0u);
        EXPECT_GT(list.Text(at + 3).size(), 3u);
    }
}

TEST(ResultListRules, EdgesOfTheRowRange) {
    MemoryResultList list;
    EXPECT_EQ(list.Text(-1), u"");
    EXPECT_EQ(list.Text(0), u"");
    list.SetText(0, u"x");  // row Count: appended
    EXPECT_EQ(list.Count(), 1);
    list.SetText(5, u"y");  // past Count: appended, no gap
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(1), u"y");
    list.Remove(7);
    list.Remove(-1);
    list.SetMarked(9, true);
    list.SetCurrent(9);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Current(), -1);
    EXPECT_FALSE(list.Marked(-1));
}

TEST(ResultListRules, SetTextKeepsPositionAndMark) {
    MemoryResultList list;
    for (const char16_t* t : {u"a", u"b", u"c"}) list.Append(t);
    list.SetMarked(1, true);
    list.SetMarked(2, true);
    list.SetMarked(2, false);
    list.SetText(1, u"B");
    list.SetText(2, u"C");
    EXPECT_EQ(list.Text(0), u"a");
    EXPECT_EQ(list.Text(1), u"B");
    EXPECT_EQ(list.Text(2), u"C");
    EXPECT_FALSE(list.Marked(0));
    EXPECT_TRUE(list.Marked(1));
    EXPECT_FALSE(list.Marked(2));
    list.Remove(0);
    EXPECT_EQ(list.Text(0), u"B");
    EXPECT_TRUE(list.Marked(0));
}

}  // namespace
}  // namespace tavrune
