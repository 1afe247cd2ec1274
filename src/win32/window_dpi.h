// The window's DPI and size, found in the way each Windows version allows.
#pragma once

#include <windows.h>

namespace tavrune {

// A fixed frame with a title, system menu and minimize box.
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The DPI of the monitor the window is on: the window's own (Windows 10
// 1607 and later), the monitor's (8.1 and later), or the system's.
int WindowDpi(HWND hwnd, int systemDpi);

// The window's size for a client area of the layout table's size at `dpi`.
SIZE WindowSizeFor(int dpi);

}  // namespace tavrune
