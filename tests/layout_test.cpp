// The control layout: twips to pixels, stacking, tab order both ways.
#include "ui/layout.h"

#include <gtest/gtest.h>

namespace tavrune {
namespace {

TEST(Layout, PixelsAt96And144Dpi) {
    EXPECT_TRUE(TwipsToPixels(kClientWidthTwips, 96) == 411 &&
                TwipsToPixels(kClientWidthTwips, 144) == 617);  // 616.5 up
    // Check1 index 1 sits inside Frame2: its offset is added before converting.
    const Rect backup = ClientRect(kControls[9], 144);
    EXPECT_TRUE(backup.left == (4440 + 120) / 10 && backup.top == (840 + 720) / 10 &&
                backup.width == 146);  // 145.5 up
}

bool Focusable(int control, void*) {
    const ControlKind kind = kControls[control].kind;
    return kind != ControlKind::Frame && kind != ControlKind::Label;
}

TEST(Layout, TabOrderSkipsFramesAndLabelAndWrapsBothWays) {
    // The tab order of each control reached from nothing, forwards, then
    // backwards.
    std::vector<int> order;
    int at = -1;
    for (int step = 0; step < 18; ++step) {
        at = NextInTabOrder(at, step >= 9, Focusable, nullptr);
        order.push_back(kControls[at].tabOrder);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 1, 9, 8, 7, 6, 5, 3, 2, 1, 9}));
    EXPECT_EQ(NextInTabOrder(
                  0, false, [](int, void*) { return false; }, nullptr),
              -1);
}

TEST(Layout, FramesLieBehindTheirContents) {
    int order[kControlCount];
    FrontToBackOrder(order);
    // Command1, the options 5 2 1 0, Label1, Frame1, List1, Check1 1 and 0, Frame2.
    EXPECT_EQ(std::vector<int>(order, order + kControlCount),
              (std::vector<int>{0, 2, 3, 4, 5, 6, 1, 7, 9, 10, 8}));
}

}  // namespace
}  // namespace tavrune
