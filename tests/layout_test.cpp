// The control layout: twips to pixels and stacking against the golden window
// layouts, tab order both ways.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "win32/control_ids.h"

namespace tavrune {
namespace {

TEST(Layout, EachControlWhereTheGoldenWindowHasItFrontToBack) {
    // tests/golden/window<dpi>.txt: "identifier|left top right bottom|font|caption"
    // per control front to back, and "0|" with the client area last.
    for (int dpi : {96, 144}) {
        std::ifstream in(TAVRUNE_GOLDEN_DIR "/window" + std::to_string(dpi) + ".txt");
        int order[kControlCount];
        FrontToBackOrder(order);
        int at = 0;
        for (std::string line; std::getline(in, line); ++at) {
            std::istringstream fields(line.substr(line.find('|') + 1));
            int left, top, right, bottom;
            fields >> left >> top >> right >> bottom;
            Rect r = {0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
            if (at < kControlCount) {
                EXPECT_EQ(ControlId(kControls[order[at]]), std::stoi(line)) << dpi << " dpi, place " << at;
                r = ClientRect(kControls[order[at]], dpi);
            }
            EXPECT_EQ((std::vector<int>{r.left, r.top, r.left + r.width, r.top + r.height}),
                      (std::vector<int>{left, top, right, bottom}))
                << dpi << " dpi: " << line;
        }
        EXPECT_EQ(at, kControlCount + 1) << dpi << " dpi";
    }
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

}  // namespace
}  // namespace tavrune
