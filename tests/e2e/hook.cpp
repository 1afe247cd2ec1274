// hook.dll: loaded into Tavrune.exe's window thread by the driver
// (SetWindowsHookEx) to do there what Windows does and Wine does not:
//  - an unchecked option button that gets the focus clicks itself, as XP's
//    does (later Windows can be told not to); each such click is counted in
//    the button's "TavruneTestClicks" property;
//  - the message "TavruneTestDpi" with a DPI in wParam brings WM_DPICHANGED
//    with the rectangle Windows would suggest (the frame kept, the client area
//    scaled); with any wParam, each control's font height is then left in its
//    "TavruneTestFont" property.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT dpiMessage = RegisterWindowMessageW(L"TavruneTestDpi");
    wchar_t name[16] = {};
    const LONG type = GetWindowLongW(m->hwnd, GWL_STYLE) & BS_TYPEMASK;
    if (code == HC_ACTION && m->message == WM_SETFOCUS && GetClassNameW(m->hwnd, name, 16) && lstrcmpiW(name, L"Button") == 0 &&
        (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) && SendMessageW(m->hwnd, BM_GETCHECK, 0, 0) == BST_UNCHECKED) {
        SetPropW(m->hwnd, L"TavruneTestClicks", reinterpret_cast<HANDLE>(reinterpret_cast<INT_PTR>(GetPropW(m->hwnd, L"TavruneTestClicks")) + 1));
        SendMessageW(GetParent(m->hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m->hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(m->hwnd));
    } else if (code == HC_ACTION && m->message == dpiMessage) {
        if (const int dpi = static_cast<int>(m->wParam)) {
            RECT r, client;
            GetWindowRect(m->hwnd, &r);
            GetClientRect(m->hwnd, &client);
            r.right += MulDiv(6165, dpi, 1440) - client.right;
            r.bottom += MulDiv(3210, dpi, 1440) - client.bottom;
            SendMessageW(m->hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        }
        for (HWND c = GetWindow(m->hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
            SetPropW(c, L"TavruneTestFont", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(font.lfHeight)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
