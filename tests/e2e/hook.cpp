// hook.dll: loaded into Tavrune.exe's window thread by the driver
// (SetWindowsHookEx) to do there what Windows does and Wine does not:
//  - an unchecked option button that gets the focus clicks itself, as XP's
//    does (later Windows can be told not to); each such click is counted in
//    the button's "TavruneTestClicks" property;
//  - the message "TavruneTestDpi" with a DPI in wParam (the current one in
//    lParam) brings what Windows 10 sends on a move to a monitor of that DPI:
//    WM_GETDPISCALEDSIZE to a per-monitor v2 window, then WM_DPICHANGED with
//    the old window rectangle scaled as a whole, or to the size that window
//    asked for; with any wParam, each control's font (face, height, weight,
//    character set) is then left in its "TavruneTestFont" property, as a
//    global atom;
//  - the message "TavruneTestContrast" turns high contrast on (wParam 1) or
//    off for the program, which Wine cannot, and says so as Windows does;
//  - the list box draws nothing of what changed while its redraw flag was
//    clear until the program asks for a repaint, as Windows documents (Wine's
//    repaints by itself when the flag is set again).
#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace {

bool highContrast = false;

BOOL WINAPI SystemParametersInfoAsTested(UINT action, UINT param, void* data, UINT ini) {
    if (action != SPI_GETHIGHCONTRAST || !highContrast)
        return SystemParametersInfoW(action, param, data, ini);
    static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
    return TRUE;
}

// Tavrune.exe's calls of `name` go to `replacement` from now on.
void Redirect(const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    const auto real = reinterpret_cast<ULONG_PTR>(tavrune::SystemFunction<void*>(L"user32.dll", name));
    for (DWORD was; d->Name; ++d) {
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t) {
            if (t->u1.Function != real) continue;
            VirtualProtect(&t->u1.Function, sizeof(void*), PAGE_READWRITE, &was);
            t->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
        }
    }
}

WNDPROC listProc = nullptr;
LRESULT CALLBACK ListAsOnWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && GetPropW(list, L"TavruneTestFrozen")) return ValidateRect(list, nullptr), 0;
    const LRESULT result = CallWindowProcW(listProc, list, message, wParam, lParam);
    if (message == WM_SETREDRAW && wParam) ValidateRect(list, nullptr);
    if (message == WM_SETREDRAW) SetPropW(list, L"TavruneTestFrozen", wParam ? nullptr : list);
    return result;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT dpiMessage = RegisterWindowMessageW(L"TavruneTestDpi");
    static const UINT contrastMessage = RegisterWindowMessageW(L"TavruneTestContrast");
    wchar_t name[16] = {};
    const LONG type = GetWindowLongW(m->hwnd, GWL_STYLE) & BS_TYPEMASK;
    if (!listProc && GetClassNameW(m->hwnd, name, 16) && lstrcmpiW(name, L"ListBox") == 0) {
        listProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(m->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListAsOnWindows)));
    }
    if (code == HC_ACTION && m->message == WM_SETFOCUS && GetClassNameW(m->hwnd, name, 16) &&
        lstrcmpiW(name, L"Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) &&
        SendMessageW(m->hwnd, BM_GETCHECK, 0, 0) == BST_UNCHECKED) {
        SetPropW(
            m->hwnd, L"TavruneTestClicks",
            reinterpret_cast<HANDLE>(reinterpret_cast<INT_PTR>(GetPropW(m->hwnd, L"TavruneTestClicks")) + 1));
        SendMessageW(GetParent(m->hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m->hwnd), BN_CLICKED),
                     reinterpret_cast<LPARAM>(m->hwnd));
    } else if (code == HC_ACTION && m->message == dpiMessage) {
        if (const int dpi = static_cast<int>(m->wParam)) {
            RECT r;
            GetWindowRect(m->hwnd, &r);
            SIZE size = {MulDiv(r.right - r.left, dpi, static_cast<int>(m->lParam)),
                         MulDiv(r.bottom - r.top, dpi, static_cast<int>(m->lParam))};
            // Only a per-monitor v2 window is asked for its size first.
            const auto context =
                tavrune::SystemFunction<HANDLE(WINAPI*)()>(L"user32.dll", "GetThreadDpiAwarenessContext");
            const auto equal = tavrune::SystemFunction<BOOL(WINAPI*)(HANDLE, HANDLE)>(
                L"user32.dll", "AreDpiAwarenessContextsEqual");
            if (context && equal && equal(context(), reinterpret_cast<HANDLE>(-4))) {
                SendMessageW(m->hwnd, 0x02E4 /* WM_GETDPISCALEDSIZE */, dpi, reinterpret_cast<LPARAM>(&size));
            }
            r.right = r.left + size.cx;
            r.bottom = r.top + size.cy;
            SendMessageW(m->hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&r));
        }
        for (HWND c = GetWindow(m->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
            wchar_t text[LF_FACESIZE + 40];
            wsprintfW(text, L"%s %ld %ld %d", font.lfFaceName, font.lfHeight, font.lfWeight, font.lfCharSet);
            SetPropW(c, L"TavruneTestFont",
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(GlobalAddAtomW(text))));
        }
    } else if (code == HC_ACTION && m->message == contrastMessage) {
        Redirect("SystemParametersInfoW",
                 reinterpret_cast<void*>(SystemParametersInfoAsTested));  // once: then it is gone
        highContrast = m->wParam != 0;
        SendMessageW(m->hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
