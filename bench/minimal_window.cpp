// The start-up baselines: the least a Win32 program with one window of
// Tavrune's size does, built with Tavrune.exe's compiler, flags and static
// runtime. Built twice: with Tavrune's manifest and, as it does, loading
// comctl32 6 (so the ratio is the cost of Tavrune's own window), and bare.
#include <windows.h>
#include <commctrl.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef TAVRUNE_BENCH_MANIFEST
    InitCommonControls();
#endif
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TavruneBenchMinimal";
    if (!RegisterClassExW(&wc)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, 411, 214};  // Tavrune's client area at 96 dpi
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"minimal", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
