// hook.dll: loaded into Tavrune.exe's window thread by the driver
// (SetWindowsHookEx, before the thread first runs) to play there what
// Windows does and Wine does not. Beside each behaviour, its evidence. The
// driver commands it with the message kTestMessage (see shared.h).
#include <windows.h>

#include <algorithm>
#include <codecvt>
#include <fstream>
#include <locale>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "shared.h"
#include "win32/resource.h"

namespace {

using namespace e2e;

bool highContrast = false;
// What the hook says to the driver, in a property of the window or a control.
void Say(HWND window, const wchar_t* name, INT_PTR value) {
    SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}
// Set by the driver in the environment: the last input before the start
// came from the keyboard; keyboard cues always shown, the keyboard
// preferred.
bool lastInputKeyboard = false;
bool keyboardCues = false;
bool keyboardPreferred = false;

// The program's kernel handles. Wine's GetProcessHandleCount answers 0, so
// each handle value is asked about, up to 4096 handles: each question is a
// round trip to the server, and this runs before the window is made.
INT_PTR Handles() {
    INT_PTR n = 0;
    DWORD flags;
    for (ULONG_PTR h = 4; h < 0x4000; h += 4) n += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags);
    return n;
}

// High contrast, which Wine cannot turn on: SPI_GETHIGHCONTRAST reports
// HCF_HIGHCONTRASTON (Microsoft's HIGHCONTRAST page). Keyboard cues
// ("underline keyboard shortcuts") off, as Windows has them unless the user
// turns them on (Raymond Chen, "Who sends the initial WM_UPDATEUISTATE
// message?": the feature "hides keyboard accelerators by default"); Wine
// has them on. The keyboard preference off, unless the user turns it on
// (Microsoft's "Keyboard preference parameter" page).
BOOL WINAPI SpiAsTested(UINT action, UINT param, void* data, UINT ini) {
    const BOOL result = SystemParametersInfoW(action, param, data, ini);
    if (action == SPI_GETKEYBOARDCUES) *static_cast<BOOL*>(data) = keyboardCues;
    if (action == SPI_GETKEYBOARDPREF) *static_cast<BOOL*>(data) = keyboardPreferred;
    if (action == SPI_GETHIGHCONTRAST && highContrast)
        static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
    return result;
}

// A limited user: the service manager's default security gives every
// authenticated user connect, enumerate, query lock status and read, and no
// other right (Microsoft's "Service Security and Access Rights").
SC_HANDLE WINAPI OpenScmAsLimitedUser(const wchar_t* machine, const wchar_t* database, DWORD access) {
    const DWORD granted = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS |
                          GENERIC_READ | STANDARD_RIGHTS_READ;
    if (!(access & ~granted)) return OpenSCManagerW(machine, database, access);
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// Tavrune.exe's calls of `name` in `module` go to `replacement` from now on.
template <typename Function>
void Redirect(const wchar_t* module, const char* name, Function replacement) {
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

// The focus rectangle of a window: shown when a top-level window is made (a
// child takes its parent's: ReactOS win32ss/user/ntuser/window.c,
// IntCreateWindow; Raymond Chen, "Who sends the initial WM_UPDATEUISTATE
// message?", 2013-05-17). UIS_SET hides it, UIS_CLEAR shows it, and
// UIS_INITIALIZE hides it after input from the mouse, shows it after the
// keyboard (Microsoft's WM_CHANGEUISTATE page; ReactOS user32 defwnd.c). A
// top-level window's WM_CHANGEUISTATE becomes its WM_UPDATEUISTATE (the
// same). ReactOS's DefWindowProc then leaves the cues shown when keyboard
// cues are on; Raymond Chen has the caller check that setting, so the
// program must: here UIS_INITIALIZE does not, nor does it heed the
// keyboard preference, which Microsoft's page asks programs to follow.
// Wine keeps no last input.
void ChangeCues(HWND window, WPARAM w) {
    const WORD action = LOWORD(w) != UIS_INITIALIZE ? LOWORD(w) : lastInputKeyboard ? UIS_CLEAR : UIS_SET;
    if (LOWORD(w) == UIS_INITIALIZE || (HIWORD(w) & UISF_HIDEFOCUS))
        Say(window, kCuesHiddenProp, action == UIS_SET);
}

// List1 as Windows may draw it where the evidence leaves room. The program
// must be right either way, and is checked both ways: with this hook in the
// standard run, as Wine's list box in the close runs.
//  - While its redraw flag is clear, nothing changed is drawn, nor after the
//    flag is set again until the program asks (Microsoft's WM_SETREDRAW page:
//    "call RedrawWindow ... to cause the list box to be repainted"). Wine's
//    test_ownerdraw ("pending redraw state", dlls/user32/tests/listbox.c) has
//    Windows draw the changed rows by itself, as Wine's list box does.
//  - LB_SETSEL, which moves the caret to its row, scrolls "if necessary"
//    (Microsoft's LB_SETSEL page), not saying how far: here only until part
//    of the row shows; Wine's list box scrolls until all of it shows.
WNDPROC listProc = nullptr;
LRESULT CALLBACK ListAsOnWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto call = [&](UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(listProc, list, m, w, l); };
    if (message == WM_PAINT && GetPropW(list, L"TavruneFrozen")) {
        ValidateRect(list, nullptr);
        return 0;
    }
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
    if (message == WM_SETREDRAW) SetPropW(list, L"TavruneFrozen", wParam ? nullptr : list);
    return result;
}

// A move to a monitor of another DPI, which Wine never makes: WM_DPICHANGED
// with the new DPI and a suggested rectangle, the window's scaled as a whole
// (Microsoft's WM_DPICHANGED page), here moved as by a drag. With `askSize`,
// as Windows 10 1703 and later do for a per-monitor v2 window, the window is
// sent WM_GETDPISCALEDSIZE first and the size it answers with TRUE is the
// one suggested (Microsoft's WM_GETDPISCALEDSIZE page). kAnsweredProp says
// it answered TRUE, kPlacedProp that the window took the suggested
// rectangle, place and size (which follows the table, not the linear
// suggestion, on a move that does not ask). kFontsLeftProp counts the
// fonts the controls had before that still exist after: Wine's
// GetGuiResources answers 0, and a deleted font's handle is no object.
void MoveToDpi(HWND window, int dpi, int from, bool askSize) {
    std::vector<HGDIOBJ> fonts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        fonts.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
    RECT r;
    GetWindowRect(window, &r);
    SIZE size = {r.right - r.left, r.bottom - r.top};
    const bool answered = askSize && SendMessageW(window, 0x02E4 /* WM_GETDPISCALEDSIZE */, dpi,
                                                  reinterpret_cast<LPARAM>(&size));
    if (!answered) size = {MulDiv(r.right - r.left, dpi, from), MulDiv(r.bottom - r.top, dpi, from)};
    Say(window, kAnsweredProp, answered);
    const RECT to = {r.left + kMoveX, r.top + kMoveY, r.left + kMoveX + size.cx, r.top + kMoveY + size.cy};
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&to));
    GetWindowRect(window, &r);
    Say(window, kPlacedProp, EqualRect(&r, &to));
    Say(window, kFontsLeftProp,
        std::count_if(fonts.begin(), fonts.end(), [](HGDIOBJ f) { return GetObjectType(f); }));
}

// The window as it is, in layout.txt of the records folder, UTF-8: a line
// per control front to back and the last one for the window: identifier
// (the window's is 0), rectangle in the client area (the client area), font
// (face, height, weight, character set; "-" for the system's message font at
// that DPI; none for the window) and caption.
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
    GetEnvironmentVariableW(kRecordsVar, folder, MAX_PATH);
    std::ofstream((std::wstring(folder) + L"\\layout.txt").c_str(), std::ios::binary)
        << std::wstring_convert<std::codecvt_utf8_utf16<wchar_t>>().to_bytes(text);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT testMessage = RegisterWindowMessageW(kTestMessage);
    static const INT_PTR handlesAtStart = Handles();
    // Once, at the first message, before the window is made.
    static const bool prepared = [] {
        lastInputKeyboard = GetEnvironmentVariableW(kLastInputVar, nullptr, 0) > 0;
        wchar_t keyboard[16] = {};
        GetEnvironmentVariableW(kKeyboardVar, keyboard, 16);
        keyboardCues = !lstrcmpW(keyboard, L"cues");
        keyboardPreferred = !lstrcmpW(keyboard, L"preference");
        Redirect(L"user32.dll", "SystemParametersInfoW", SpiAsTested);
        return true;
    }();
    const int id = GetDlgCtrlID(m->hwnd);
    if (!listProc && id == IDC_LIST1) {
        const auto proc = reinterpret_cast<LONG_PTR>(ListAsOnWindows);
        listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m->hwnd, GWLP_WNDPROC, proc));
    }
    if (code != HC_ACTION || !prepared) return CallNextHookEx(nullptr, code, wParam, lParam);
    const bool option = id >= IDC_OPTION1 && id <= IDC_OPTION1 + 5;
    const bool topLevel = !(GetWindowLongPtrW(m->hwnd, GWL_STYLE) & WS_CHILD);
    // An unchecked option button that gets the focus clicks itself, as XP's
    // do: Wine's comctl32 button test (test_button_messages,
    // setfocus_static_seq) lets a BN_CLICKED follow the focus "for a radio
    // button", and later Windows have BM_SETDONTCLICK to stop it (Microsoft's
    // page), which XP ignores. kClickedProp says it happened.
    if (m->message == WM_SETFOCUS && option && SendMessageW(m->hwnd, BM_GETCHECK, 0, 0) == BST_UNCHECKED) {
        Say(m->hwnd, kClickedProp, 1);
        SendMessageW(GetParent(m->hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(m->hwnd));
    } else if ((m->message == WM_CHANGEUISTATE || m->message == WM_UPDATEUISTATE) && topLevel) {
        ChangeCues(m->hwnd, m->wParam);
    } else if (m->message == testMessage && (m->wParam == kMoveToDpi || m->wParam == kMoveAskingSize)) {
        const int dpi = LOWORD(m->lParam);
        if (dpi != HIWORD(m->lParam))
            MoveToDpi(m->hwnd, dpi, HIWORD(m->lParam), m->wParam == kMoveAskingSize);
        WriteLayout(m->hwnd, dpi);
    } else if (m->message == testMessage && m->wParam == kHighContrast) {
        // Windows says which setting changed in WM_SETTINGCHANGE's wParam
        // (Microsoft's WM_SETTINGCHANGE page).
        highContrast = m->lParam != 0;
        SendMessageW(m->hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    } else if (m->message == testMessage && m->wParam == kKeyboardSetting) {
        // Turned on as the Control Panel does it: SystemParametersInfo with
        // SPIF_SENDCHANGE sends WM_SETTINGCHANGE with its uiAction in wParam
        // (Microsoft's WM_SETTINGCHANGE page).
        (m->lParam == SPI_SETKEYBOARDCUES ? keyboardCues : keyboardPreferred) = true;
        SendMessageW(m->hwnd, WM_SETTINGCHANGE, m->lParam, 0);
    } else if (m->message == testMessage && m->wParam == kLimitedUser) {
        Redirect(L"advapi32.dll", "OpenSCManagerW", OpenScmAsLimitedUser);
        Say(m->hwnd, kHandlesProp, Handles() - handlesAtStart);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
