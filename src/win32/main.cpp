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

namespace {

// The program runs elevated and is often started from a Downloads folder:
// DLLs that the system loads later (comctl32's theme engine, say) must not
// be found there or in the current folder. Both are looked up at run time:
// SetDllDirectoryW is XP SP1 and later, SetDefaultDllDirectories Windows 8
// (7 with KB2533623).
void RestrictDllSearch() {
    using tavrune::SystemFunction;
    if (auto set = SystemFunction<BOOL(WINAPI*)(LPCWSTR)>(L"kernel32.dll", "SetDllDirectoryW")) set(L"");
    if (auto set = SystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories")) {
        set(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    RestrictDllSearch();
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
