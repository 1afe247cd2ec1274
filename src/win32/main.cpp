#include <windows.h>
#include <commctrl.h>

#include "win32/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // Loads comctl32 6 so that the manifest's visual styles apply on XP too.
    InitCommonControls();

    tavrune::MainWindow window;
    if (!window.Create(instance, show)) return 1;

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
