// What the end-to-end driver, the hook it loads into Tavrune.exe and the sc
// stand-in agree on, named once.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/resource.h"

namespace e2e {

// The registered message the hook obeys, with one of these as its wParam:
//  - kMoveToDpi: a move to a monitor of the DPI LOWORD(lParam) from one of
//    HIWORD(lParam) (the same: no move), as Windows 8.1 to 10 1607 make it;
//    then the window as it is, in layout.txt of the records folder;
//  - kMoveAskingSize: the same move as Windows 10 1703 and later make it for
//    a per-monitor v2 window, which is asked its size at the new DPI first;
//  - kLimitedUser: the user is a limited one from now on;
//  - kSettingOn: keyboard cues always shown (lParam SPI_SETKEYBOARDCUES),
//    the keyboard preferred (SPI_SETKEYBOARDPREF) or high contrast
//    (SPI_SETHIGHCONTRAST) turned on, WM_SETTINGCHANGE carrying the code;
//    kSettingOnUncoded the same, the message carrying 0, as some senders do;
//  - kBoxIcon: sent to a message box, which icon it shows, in kIconProp;
//  - kWindowIcons: which icons the window's title bar, taskbar button and
//    Alt+Tab show, in kBigIconProp and kSmallIconProp;
//  - kCursorName: which cursor the handle in lParam is, in kCursorProp (the
//    system's cursors are shared within a process, not between processes,
//    under Wine).
inline constexpr wchar_t kTestMessage[] = L"TavruneTest";
enum Command : WPARAM {
    kMoveToDpi = 1,
    kMoveAskingSize,
    kLimitedUser,
    kSettingOn,
    kSettingOnUncoded,
    kBoxIcon,
    kWindowIcons,
    kCursorName
};
// After a move to another monitor, Windows suggests a place this far away.
inline constexpr int kMoveX = 16;
inline constexpr int kMoveY = 8;

// What the hook says, in properties of the window or a control: an option
// clicked itself; the focus rectangle is hidden; the window answered
// WM_GETDPISCALEDSIZE with TRUE; it took the place and size WM_DPICHANGED
// suggested; the distinct fonts its controls had before the move, and how
// many of them still exist after it; the processes it has started; its
// start of the held command is held; the last WM_CLOSE or WM_QUIT it took
// from its queue during a run; the icons (an Icon each).
inline constexpr wchar_t kClickedProp[] = L"T.Clicked";
inline constexpr wchar_t kCuesHiddenProp[] = L"T.CuesHidden";
inline constexpr wchar_t kAnsweredProp[] = L"T.Answered";
inline constexpr wchar_t kPlacedProp[] = L"T.Placed";
inline constexpr wchar_t kFontsProp[] = L"T.Fonts";
inline constexpr wchar_t kFontsLeftProp[] = L"T.FontsLeft";
inline constexpr wchar_t kStartsProp[] = L"T.Starts";
inline constexpr wchar_t kHeldProp[] = L"T.Held";
inline constexpr wchar_t kTakenProp[] = L"T.Taken";
inline constexpr wchar_t kIconProp[] = L"T.Icon";
inline constexpr wchar_t kBigIconProp[] = L"T.BigIcon";
inline constexpr wchar_t kSmallIconProp[] = L"T.SmallIcon";
inline constexpr wchar_t kCursorProp[] = L"T.Cursor";

// A property holds its value plus one, so that a value never said (no
// property: null) reads apart from 0.
inline constexpr INT_PTR kUnsaid = -1;
inline void Say(HWND window, const wchar_t* name, INT_PTR value) {
    SetPropW(window, name, reinterpret_cast<HANDLE>(value + 1));
}
inline INT_PTR Said(HWND window, const wchar_t* name) {
    return reinterpret_cast<INT_PTR>(GetPropW(window, name)) - 1;
}

// What `draw` draws in a DC of `width` by `height` pixels, as COLORREFs,
// row by row from the top; empty where it draws nothing.
template <typename Draw>
std::vector<COLORREF> Drawn(int width, int height, Draw draw) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ was = SelectObject(dc, dib);
    std::vector<COLORREF> pixels;
    // A 32-bit DIB holds blue in its low byte, a COLORREF red.
    const bool drawn = bits && draw(dc) && GdiFlush();
    for (int i = 0; drawn && i < width * height; ++i) {
        const DWORD p = static_cast<const DWORD*>(bits)[i];
        pixels.push_back(RGB(GetBValue(p), GetGValue(p), GetRValue(p)));
    }
    SelectObject(dc, was);
    DeleteObject(dib);
    DeleteDC(dc);
    return pixels;
}

// An icon or cursor as the hook finds it, by the identifier of the one it
// matches.
enum Image : INT_PTR {
    kNoImage,
    kOtherImage,
    kProgramIcon,
    kErrorIcon,
    kWarningIcon,
    kArrowCursor,
    kHandCursor
};
inline const char* ImageName(INT_PTR image) {
    const char* const names[] = {"none",        "another",   "IDI_TAVRUNE", "IDI_ERROR",
                                 "IDI_WARNING", "IDC_ARROW", "IDC_HAND"};
    return image >= kNoImage && image <= kHandCursor ? names[image] : "unsaid";
}

// A control by the name the layout table gives it: an option or check box
// with its index, the window as Form1.
inline std::string ControlName(int id) {
    if (id >= IDC_OPTION1 && id <= IDC_OPTION1 + 5)
        return "Option1(" + std::to_string(id - IDC_OPTION1) + ")";
    if (id >= IDC_CHECK1 && id <= IDC_CHECK1 + 1) return "Check1(" + std::to_string(id - IDC_CHECK1) + ")";
    switch (id) {
        case 0: return "Form1";
        case IDC_COMMAND1: return "Command1";
        case IDC_FRAME1: return "Frame1";
        case IDC_LABEL1: return "Label1";
        case IDC_LIST1: return "List1";
        case IDC_FRAME2: return "Frame2";
    }
    return "a window not of Tavrune's";
}

// The environment of the programs under test: the records folder; the key
// whose configure hangs; how long each other configure takes, in ms; set,
// the last input before the start came from the keyboard (unset: the
// mouse); "cues" or "preference", that keyboard setting is on from the
// start (unset: both off); the command line whose start the hook holds
// until the driver sets kReleaseEvent.
inline constexpr wchar_t kRecordsVar[] = L"TAVRUNE_SC_RECORDS";
inline constexpr wchar_t kHangVar[] = L"TAVRUNE_SC_HANG";
inline constexpr wchar_t kConfigMsVar[] = L"TAVRUNE_SC_CONFIG_MS";
inline constexpr wchar_t kLastInputVar[] = L"TAVRUNE_TEST_LAST_INPUT";
inline constexpr wchar_t kKeyboardVar[] = L"TAVRUNE_TEST_KEYBOARD";
inline constexpr wchar_t kHoldVar[] = L"TAVRUNE_TEST_HOLD";
inline constexpr wchar_t kReleaseEvent[] = L"TavruneTestRelease";
// A held start goes on by itself after this long, so that no failed
// scenario leaves the program waiting.
inline constexpr DWORD kHoldMs = 60000;

// How long Tavrune waits at most for a configure before it starts the
// service (the README tells the user), and how long a hung configure lasts.
inline constexpr DWORD kConfigureWaitMs = 10000;
inline constexpr DWORD kHangMs = kConfigureWaitMs + 4000;

}  // namespace e2e
