// The control layout: twips to pixels and stacking against the golden window
// layouts, tab order both ways.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "win32/control_ids.h"

namespace tavrune {
namespace {

TEST(Layout, EachControlWhereTheGoldenWindowHasItFrontToBack) {
    // tests/golden/window<dpi>.txt: "identifier|left top right bottom|font|caption"
    // per control front to back, and "0|" with the client area last; the
    // fonts and captions are the end-to-end tests' to check.
    for (int dpi : {96, 144}) {
        std::ifstream in(TAVRUNE_GOLDEN_DIR "/window" + std::to_string(dpi) + ".txt");
        std::string want;
        for (std::string line; std::getline(in, line);)
            want += line.substr(0, line.find('|', line.find('|') + 1)) + "\n";
        int order[kControlCount];
        FrontToBackOrder(order);
        std::string got;
        for (int at = 0; at <= kControlCount; ++at) {
            Rect r = {0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
            if (at < kControlCount) r = ClientRect(kControls[order[at]], dpi);
            const int id = at < kControlCount ? ControlId(kControls[order[at]]) : 0;
            char line[64];
            std::snprintf(line, sizeof line, "%d|%d %d %d %d\n", id, r.left, r.top, r.left + r.width,
                          r.top + r.height);
            got += line;
        }
        EXPECT_EQ(got, want) << dpi << " dpi";
    }
}

TEST(Layout, TabOrderSkipsFramesAndLabelAndWrapsBothWays) {
    // The tab order of each control reached from nothing, forwards, then
    // backwards; with nothing to focus, nothing.
    const auto focusable = [](int c, void*) {
        return kControls[c].kind != ControlKind::Frame && kControls[c].kind != ControlKind::Label;
    };
    const auto none = [](int, void*) { return false; };
    std::vector<int> order;
    int at = -1;
    for (int step = 0; step < 18; ++step) {
        at = NextInTabOrder(at, step >= 9, focusable, nullptr);
        order.push_back(kControls[at].tabOrder);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 1, 9, 8, 7, 6, 5, 3, 2, 1, 9}));
    EXPECT_EQ(NextInTabOrder(0, false, none, nullptr), -1);
}

}  // namespace
}  // namespace tavrune
