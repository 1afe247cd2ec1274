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
//  - kHighContrast: turned on (lParam 1) or off;
//  - kLimitedUser: the user is a limited one from now on;
//  - kKeyboardSetting: keyboard cues always shown (lParam
//    SPI_SETKEYBOARDCUES) or the keyboard preferred (SPI_SETKEYBOARDPREF)
//    turned on.
inline constexpr wchar_t kTestMessage[] = L"TavruneTest";
enum Command : WPARAM { kMoveToDpi = 1, kMoveAskingSize, kHighContrast, kLimitedUser, kKeyboardSetting };
// After a move to another monitor, Windows suggests a place this far away.
inline constexpr int kMoveX = 16;
inline constexpr int kMoveY = 8;

// What the hook says in window properties: an option clicked itself; the
// focus rectangle is hidden; the window answered WM_GETDPISCALEDSIZE with
// TRUE; it took the place and size WM_DPICHANGED suggested; how many of the
// fonts its controls had before the move still exist after it; how many
// kernel handles the program holds more than at its first message (said
// when a limited user is asked for).
inline constexpr wchar_t kClickedProp[] = L"TavruneClicked";
inline constexpr wchar_t kCuesHiddenProp[] = L"TavruneCuesHidden";
inline constexpr wchar_t kAnsweredProp[] = L"TavruneAnswered";
inline constexpr wchar_t kPlacedProp[] = L"TavrunePlaced";
inline constexpr wchar_t kFontsLeftProp[] = L"TavruneFontsLeft";
inline constexpr wchar_t kHandlesProp[] = L"TavruneHandles";

// The environment of the programs under test: the records folder; the key
// whose configure hangs; set, the last input before the start came from the
// keyboard (unset: the mouse); "cues" or "preference", that keyboard
// setting is on from the start (unset: both off).
inline constexpr wchar_t kRecordsVar[] = L"TAVRUNE_SC_RECORDS";
inline constexpr wchar_t kHangVar[] = L"TAVRUNE_SC_HANG";
inline constexpr wchar_t kLastInputVar[] = L"TAVRUNE_TEST_LAST_INPUT";
inline constexpr wchar_t kKeyboardVar[] = L"TAVRUNE_TEST_KEYBOARD";

// How long Tavrune waits at most for a configure before it starts the
// service (the README tells the user), and how long a hung configure lasts.
inline constexpr DWORD kConfigureWaitMs = 10000;
inline constexpr DWORD kHangMs = kConfigureWaitMs + 4000;

}  // namespace e2e
