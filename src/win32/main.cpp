#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "win32/main_window.h"

// libstdc++'s default handler prints the exception's demangled name to
// stderr, which a windowed program does not have; it also links in the C++
// demangler, about a third of the program's size.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

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
