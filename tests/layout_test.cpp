// The control layout: twips to pixels and stacking against the golden window
// layouts, tab order both ways.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tavrune {
namespace {

// The names of the layout table, in ControlName's order.
const char* const kNames[] = {"Form1",  "Command1", "Frame1", "Option1",
                              "Label1", "List1",    "Frame2", "Check1"};

TEST(Layout, EachControlInPlaceFrontToBack) {
    // tests/golden/window<dpi>.txt: "name|left top right bottom|font|caption"
    // per control front to back, and the client area last as Form1; the
    // fonts and captions are the end-to-end tests' to check. A control out
    // of place shows by its name in the lines that differ.
    for (int dpi : {96, 144}) {
        std::ifstream in(TAVRUNE_GOLDEN_DIR "/window" + std::to_string(dpi) + ".txt");
        std::string want;
        for (std::string line; std::getline(in, line);)
            want += line.substr(0, line.find('|', line.find('|') + 1)) + '\n';
        int order[kControlCount];
        FrontToBackOrder(order);
        std::ostringstream got;
        for (int at : order) {
            // An option or check box with its index.
            const auto& c = kControls[at];
            got << kNames[static_cast<int>(c.name)];
            if (c.index >= 0) got << '(' << c.index << ')';
            const auto r = ClientRect(c, dpi);
            got << '|' << r.left << ' ' << r.top << ' ' << r.left + r.width << ' ' << r.top + r.height
                << '\n';
        }
        got << "Form1|0 0 " << TwipsToPixels(kClientWidthTwips, dpi) << ' '
            << TwipsToPixels(kClientHeightTwips, dpi) << '\n';
        EXPECT_EQ(got.str(), want) << dpi << " dpi";
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
    for (int step = 0, at = -1; step < 18; ++step) {
        at = NextInTabOrder(at, step >= 9, focusable, nullptr);
        order.push_back(kControls[at].tabOrder);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 1, 9, 8, 7, 6, 5, 3, 2, 1, 9}));
    EXPECT_EQ(NextInTabOrder(0, false, none, nullptr), -1);
}

}  // namespace
}  // namespace tavrune
