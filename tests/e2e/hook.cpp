// hook.dll: loaded into Tavrune.exe's window thread by the driver
// (SetWindowsHookEx) to do there what Windows does and Wine does not:
//  - an unchecked option button that gets the focus clicks itself, as XP's
//    do (later Windows can be told not to), and its "TavruneTestClicked" says so;
//  - the window starts with its focus rectangle hidden, as one opened with
//    the mouse while keyboard cues are off (Windows' default), until
//    WM_CHANGEUISTATE shows it; "TavruneTestFocusShown" says it shows (Wine
//    keeps no such state);
//  - the list box draws nothing changed while its redraw flag was clear until
//    the program asks for a repaint (Wine's repaints by itself); LB_SETSEL,
//    which moves the caret to its row, scrolls the row only until part of it
//    shows, and LB_SETCARETINDEX does nothing where the caret is already
//    (Wine's scroll until all of the row shows);
//  - the message "TavruneTest" does, by its wParam:
//    'D' where LOWORD(lParam), a DPI, differs from HIWORD(lParam), what
//        Windows sends on a move to a monitor of that DPI: WM_DPICHANGED with
//        the window's rectangle scaled as a whole and moved by (16, 8); the
//        fonts the move replaced and that still exist are counted in the
//        window's "TavruneTestFontsLeft" (Wine's GetGuiResources answers 0,
//        and fonts are the only GDI objects the program makes). Then the
//        window as it is, in layout.txt of the folder TAVRUNE_SC_RECORDS
//        names, UTF-8, a line per control front to back and last one for the
//        window: identifier (the window's is 0), rectangle in the client area
//        (the client area), font (face, height, weight, character set; "-"
//        for the system's message font at that DPI; none for the window) and
//        caption;
//    'C' high contrast on (lParam 1) or off, which Wine cannot, said as Windows says it;
//    'L' the user is a limited one from now on: the service manager refuses
//        every right beyond those its default security gives every user.
#include <windows.h>

#include <codecvt>
#include <fstream>
#include <locale>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "win32/resource.h"

namespace {

bool highContrast = false;

BOOL WINAPI SystemParametersInfoAsTested(UINT action, UINT param, void* data, UINT ini) {
    if (action != SPI_GETHIGHCONTRAST || !highContrast)
        return SystemParametersInfoW(action, param, data, ini);
    static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
    return TRUE;
}

SC_HANDLE WINAPI OpenSCManagerAsLimitedUser(const wchar_t* machine, const wchar_t* database, DWORD access) {
    if (access & ~(SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS |
                   GENERIC_READ | STANDARD_RIGHTS_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return OpenSCManagerW(machine, database, access);
}

// Tavrune.exe's calls of `name` in `module` go to `replacement` from now on.
void Redirect(const wchar_t* module, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const auto real = reinterpret_cast<ULONG_PTR>(tavrune::SystemFunction<void*>(module, name));
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); d->Name; ++d) {
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t) {
            if (t->u1.Function != real) continue;
            DWORD was;
            VirtualProtect(&t->u1.Function, sizeof(void*), PAGE_READWRITE, &was);
            t->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
        }
    }
}

WNDPROC listProc = nullptr;
LRESULT CALLBACK ListAsOnWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto call = [&](UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(listProc, list, m, w, l); };
    if (message == WM_PAINT && GetPropW(list, L"TavruneTestFrozen")) {
        ValidateRect(list, nullptr);
        return 0;
    }
    if (message == LB_SETCARETINDEX && call(LB_GETCARETINDEX, 0, 0) == LRESULT(wParam)) return LB_OKAY;
    if (message == LB_SETSEL && wParam) {
        RECT row = {};
        RECT view;
        GetClientRect(list, &view);
        call(LB_GETITEMRECT, lParam, reinterpret_cast<LPARAM>(&row));
        const LRESULT top = call(LB_GETTOPINDEX, 0, 0);
        const LRESULT result = call(message, wParam, lParam);
        // The row showed in part already: the list stays where it was.
        if (row.bottom > 0 && row.top < view.bottom) call(LB_SETTOPINDEX, top, 0);
        return result;
    }
    const LRESULT result = call(message, wParam, lParam);
    if (message == WM_SETREDRAW && wParam) ValidateRect(list, nullptr);
    if (message == WM_SETREDRAW) SetPropW(list, L"TavruneTestFrozen", wParam ? nullptr : list);
    return result;
}

void MoveToDpi(HWND window, int dpi, int from) {
    std::vector<HGDIOBJ> fonts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        fonts.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
    }
    RECT r;
    GetWindowRect(window, &r);
    const RECT to = {r.left + 16, r.top + 8, r.left + 16 + MulDiv(r.right - r.left, dpi, from),
                     r.top + 8 + MulDiv(r.bottom - r.top, dpi, from)};
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&to));
    INT_PTR left = 0;
    for (HGDIOBJ font : fonts) left += GetObjectType(font) == OBJ_FONT;
    SetPropW(window, L"TavruneTestFontsLeft", reinterpret_cast<HANDLE>(left));
}

// The window as it is, in layout.txt (see above).
void WriteLayout(HWND window, int dpi) {
    // The message font is given for the system DPI.
    NONCLIENTMETRICSW metrics = {sizeof metrics};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const LOGFONTW& m = metrics.lfMessageFont;
    HDC screen = GetDC(nullptr);
    wchar_t message[80];
    wsprintfW(message, L"%s %d %ld %d", m.lfFaceName,
              MulDiv(m.lfHeight, dpi, GetDeviceCaps(screen, LOGPIXELSY)), m.lfWeight, m.lfCharSet);
    ReleaseDC(nullptr, screen);
    std::wstring text;
    for (HWND c = GetWindow(window, GW_CHILD);; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        LOGFONTW f = {};
        wchar_t font[80] = {};
        wchar_t caption[200];
        wchar_t line[400];
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        if (!c) GetClientRect(window, &r);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof f, &f);
        if (c) wsprintfW(font, L"%s %ld %ld %d", f.lfFaceName, f.lfHeight, f.lfWeight, f.lfCharSet);
        GetWindowTextW(c ? c : window, caption, 200);
        wsprintfW(line, L"%d|%ld %ld %ld %ld|%s|%s\n", GetDlgCtrlID(c), r.left, r.top, r.right, r.bottom,
                  lstrcmpW(font, message) ? font : L"-", caption);
        text += line;
        if (!c) break;
    }
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TAVRUNE_SC_RECORDS", folder, MAX_PATH);
    std::ofstream((std::wstring(folder) + L"\\layout.txt").c_str(), std::ios::binary)
        << std::wstring_convert<std::codecvt_utf8_utf16<wchar_t>>().to_bytes(text);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT testMessage = RegisterWindowMessageW(L"TavruneTest");
    const int id = GetDlgCtrlID(m->hwnd);
    if (!listProc && id == IDC_LIST1) {
        const auto proc = reinterpret_cast<LONG_PTR>(ListAsOnWindows);
        listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m->hwnd, GWLP_WNDPROC, proc));
    }
    if (code != HC_ACTION) return CallNextHookEx(nullptr, code, wParam, lParam);
    const bool option = id >= IDC_OPTION1 && id <= IDC_OPTION1 + 5;
    if (m->message == WM_SETFOCUS && option && SendMessageW(m->hwnd, BM_GETCHECK, 0, 0) == BST_UNCHECKED) {
        SetPropW(m->hwnd, L"TavruneTestClicked", m->hwnd);
        SendMessageW(GetParent(m->hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(m->hwnd));
    } else if (m->message == WM_CHANGEUISTATE && (HIWORD(m->wParam) & UISF_HIDEFOCUS)) {
        SetPropW(m->hwnd, L"TavruneTestFocusShown", LOWORD(m->wParam) == UIS_CLEAR ? m->hwnd : nullptr);
    } else if (m->message == testMessage && m->wParam == 'D') {
        if (LOWORD(m->lParam) != HIWORD(m->lParam)) MoveToDpi(m->hwnd, LOWORD(m->lParam), HIWORD(m->lParam));
        WriteLayout(m->hwnd, LOWORD(m->lParam));
    } else if (m->message == testMessage && m->wParam == 'C') {
        Redirect(L"user32.dll", "SystemParametersInfoW",
                 reinterpret_cast<void*>(SystemParametersInfoAsTested));
        highContrast = m->lParam != 0;
        SendMessageW(m->hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    } else if (m->message == testMessage && m->wParam == 'L') {
        Redirect(L"advapi32.dll", "OpenSCManagerW", reinterpret_cast<void*>(OpenSCManagerAsLimitedUser));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
