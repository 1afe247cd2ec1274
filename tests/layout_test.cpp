#include <gtest/gtest.h>

#include "ui/layout.h"

namespace tavrune {
namespace {

TEST(Layout, PixelsAt96And144Dpi) {
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 411);
    EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 214);
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 144), 617);  // 616.5 rounds up
    // Options and the label sit inside Frame1, the check boxes inside Frame2.
    const Rect manual = ClientRect(kControls[2], 96);
    EXPECT_EQ(manual.left, (120 + 3600) / 15);
    EXPECT_EQ(manual.top, 240 / 15);
    const Rect backup = ClientRect(kControls[9], 96);
    EXPECT_EQ(backup.left, (4440 + 120) / 15);
    EXPECT_EQ(backup.top, (840 + 720) / 15);
    const Rect list = ClientRect(kControls[7], 96);
    EXPECT_EQ(list.left, 8);
    EXPECT_EQ(list.top, 64);
    EXPECT_EQ(list.width, 401);
    EXPECT_EQ(list.height, 144);
}

bool Focusable(int control, void*) {
    const ControlKind kind = kControls[control].kind;
    return kind != ControlKind::Frame && kind != ControlKind::Label;
}

TEST(Layout, TabOrderSkipsFramesAndLabelAndWraps) {
    std::vector<int> order;
    int at = NextInTabOrder(-1, false, Focusable, nullptr);
    for (int i = 0; i < 8; ++i) {
        order.push_back(kControls[at].tabOrder);
        at = NextInTabOrder(at, false, Focusable, nullptr);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9}));
    EXPECT_EQ(kControls[at].tabOrder, 1);  // wraps round
    EXPECT_EQ(kControls[NextInTabOrder(at, true, Focusable, nullptr)].tabOrder, 9);
    EXPECT_EQ(NextInTabOrder(0, false, [](int, void*) { return false; }, nullptr), -1);
}

TEST(Layout, FramesLieBehindTheirContents) {
    int order[kControlCount];
    FrontToBackOrder(order);
    std::vector<std::pair<ControlName, int>> seen;
    for (int i : order) seen.push_back({kControls[i].name, kControls[i].index});
    using N = ControlName;
    EXPECT_EQ(seen, (std::vector<std::pair<ControlName, int>>{
        {N::Command1, -1}, {N::Option1, 5}, {N::Option1, 2}, {N::Option1, 1}, {N::Option1, 0},
        {N::Label1, -1}, {N::Frame1, -1}, {N::List1, -1}, {N::Check1, 1}, {N::Check1, 0}, {N::Frame2, -1}}));
}

}  // namespace
}  // namespace tavrune
