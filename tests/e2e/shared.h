// What the end-to-end driver, the hook it loads into Tavrune.exe and the sc
// stand-in agree on, named once.
#pragma once

#include <windows.h>

namespace e2e {

// The registered message the hook obeys, with one of these as its wParam:
//  - kMoveToDpi: a move to a monitor of the DPI LOWORD(lParam) from one of
//    HIWORD(lParam) (the same: no move), as Windows 8.1 to 10 1607 make it;
//    then the window as it is, in layout.txt of the records folder;
//  - kMoveAskingSize: the same move as Windows 10 1703 and later make it for
//    a per-monitor v2 window, which is asked its size at the new DPI first;
//  - kLimitedUser: the user is a limited one from now on;
//  - kBoxIcon: sent to a message box, which icon it shows is said in its
//    kIconProp: IDI_ERROR or IDI_WARNING by number, or 0 for any other;
//  - kSettingOn: keyboard cues always shown (lParam SPI_SETKEYBOARDCUES),
//    the keyboard preferred (SPI_SETKEYBOARDPREF) or high contrast
//    (SPI_SETHIGHCONTRAST) turned on.
inline constexpr wchar_t kTestMessage[] = L"TavruneTest";
enum Command : WPARAM { kMoveToDpi = 1, kMoveAskingSize, kLimitedUser, kBoxIcon, kSettingOn };
// After a move to another monitor, Windows suggests a place this far away.
inline constexpr int kMoveX = 16;
inline constexpr int kMoveY = 8;

// What the hook says in window properties (a property holds the value plus
// one, so that a value never said reads apart from 0): an option clicked
// itself; the focus rectangle is hidden; the window answered
// WM_GETDPISCALEDSIZE with TRUE; it took the place and size WM_DPICHANGED
// suggested; the distinct fonts its controls had before the move, and how
// many of them still exist after it; the processes it has started; its start of the held command is
// held; the last WM_CLOSE or WM_QUIT it took from its queue during a run;
// the box's icon (see kBoxIcon).
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
