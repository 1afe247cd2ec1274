// The window and its controls as data, in twips as they were designed.
// The window code converts each rectangle once, at the real DPI.
#pragma once

#include <cstdint>

namespace tavrune {

enum class ControlKind { PushButton, Frame, OptionButton, Label, List, CheckBox };
enum class ControlName { Form1, Command1, Frame1, Option1, Label1, List1, Frame2, Check1 };

struct FontSpec {
    const char16_t* face;  // nullptr: the window's default font
    int tenthsOfPoint;
    bool bold;
    std::uint32_t rgb;  // 0xRRGGBB text colour
};

struct ControlSpec {
    ControlName name;
    ControlKind kind;
    int index;              // control-array index, -1 for a single control
    ControlName container;  // Form1 (the window), Frame1 or Frame2
    const char16_t* caption;
    int left, top, width, height;  // twips, relative to the container
    int tabOrder;
    FontSpec font;
};

inline constexpr ControlName kInWindow = ControlName::Form1;
inline constexpr FontSpec kDefaultFont = {nullptr, 0, false, 0x000000};
inline constexpr FontSpec kButtonFont = {u"宋体", 90, true, 0x000000};
inline constexpr FontSpec kLabelFont = {u"宋体", 105, true, 0x0000FF};

// In stored order: a control lies in front of every control after it.
inline constexpr ControlSpec kControls[] = {
    {ControlName::Command1, ControlKind::PushButton, -1, kInWindow, u"Tavrune", 4800, 240, 1215, 495, 9,
     kButtonFont},
    {ControlName::Frame1, ControlKind::Frame, -1, kInWindow, u"", 120, 0, 6015, 855, 0, kDefaultFont},
    {ControlName::Option1, ControlKind::OptionButton, 5, ControlName::Frame1, u"手动优化", 3600, 240, 1095,
     495, 6, kDefaultFont},
    {ControlName::Option1, ControlKind::OptionButton, 2, ControlName::Frame1, u"局域网优化", 2280, 240, 1335,
     495, 3, kDefaultFont},
    {ControlName::Option1, ControlKind::OptionButton, 1, ControlName::Frame1, u"高级优化", 1200, 240, 1575,
     495, 2, kDefaultFont},
    {ControlName::Option1, ControlKind::OptionButton, 0, ControlName::Frame1, u"普通优化", 120, 240, 1215,
     495, 1, kDefaultFont},
    {ControlName::Label1, ControlKind::Label, -1, ControlName::Frame1, u"？", 5760, 0, 255, 255, 10,
     kLabelFont},
    {ControlName::List1, ControlKind::List, -1, kInWindow, u"", 120, 960, 6015, 2160, 5, kDefaultFont},
    {ControlName::Frame2, ControlKind::Frame, -1, kInWindow, u"", 4440, 840, 1695, 3975, 4, kDefaultFont},
    {ControlName::Check1, ControlKind::CheckBox, 1, ControlName::Frame2, u"备份上次优化", 120, 720, 1455, 495,
     8, kDefaultFont},
    {ControlName::Check1, ControlKind::CheckBox, 0, ControlName::Frame2, u"恢复上次优化", 120, 240, 1455, 495,
     7, kDefaultFont},
};
inline constexpr int kControlCount = sizeof(kControls) / sizeof(kControls[0]);

inline constexpr char16_t kWindowTitle[] = u"Tavrune - 就是简单！       Osperin版";
inline constexpr int kClientWidthTwips = 6165;
inline constexpr int kClientHeightTwips = 3210;

struct Rect {
    int left, top, width, height;
};

// Twips to pixels at `dpi`, rounded to nearest as MulDiv does.
int TwipsToPixels(int twips, int dpi);

// The control's rectangle in window client coordinates, in pixels. Frames
// are drawn by the window, not as parents, so children are placed by adding
// their container's offset first and converting once.
Rect ClientRect(const ControlSpec& control, int dpi);

// Indexes into kControls from front to back, for a window whose controls
// are all its own children: a frame's contents come just in front of the
// frame, where they would lie if the frame held them.
void FrontToBackOrder(int (&order)[kControlCount]);

// The control that takes the focus after (or, backwards, before) `from` in
// tab order, among those `canFocus` accepts; -1 when none does. Indexes are
// into kControls; `from` may be -1 (nothing focused).
int NextInTabOrder(int from, bool backwards, bool (*canFocus)(int control, void* context), void* context);

}  // namespace tavrune
