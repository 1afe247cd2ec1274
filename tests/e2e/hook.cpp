// hook.dll: loaded into Tavrune.exe's window thread by the driver
// (SetWindowsHookEx, before the thread first runs). Its three jobs, in this
// order below:
//  - it plays what Windows does and Wine does not, a function a behaviour,
//    each with its evidence and the Wines that need it;
//  - it watches what only the program can tell (the processes it starts,
//    the quit it takes, the icons it shows, its layout) and says it in
//    properties (shared.h);
//  - it obeys the driver's commands (kTestMessage), in DriverCommand.
#include <windows.h>

#include <algorithm>
#include <codecvt>
#include <fstream>
#include <locale>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "shared.h"
#include "win32/resource.h"

namespace {

using namespace e2e;

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

// ---------------------------------------------------------------------------
// What Windows does and Wine does not.

// Set by the driver in the environment: the last input before the start
// came from the keyboard; keyboard cues always shown, the keyboard
// preferred. High contrast, which Wine cannot turn on: SPI_GETHIGHCONTRAST
// then reports HCF_HIGHCONTRASTON (Microsoft's HIGHCONTRAST page). Wine 10
// as Wine 8: SPI_GETHIGHCONTRAST answers dwFlags 0 and SPI_SETHIGHCONTRAST
// is a FIXME (dlls/win32u/sysparams.c).
bool lastInputKeyboard = false;
bool highContrast = false;
bool keyboardCues = false;
bool keyboardPreferred = false;

// The system's settings as the tests play them. Keyboard cues
// ("underline keyboard shortcuts") off, as Windows has them unless the user
// turns them on (Raymond Chen, "Managing the UI state of accelerators and
// focus rectangles", 2005-05-03: since Windows 2000 keyboard cues "are
// hidden by default, and are revealed only when you start using the
// keyboard"); Wine 8 and 10 have them on (bit 0x20 of their default
// UserPreferencesMask, dlls/win32u/sysparams.c). The keyboard preference
// off, unless the user turns it on (Microsoft's "Keyboard preference
// parameter" page).
BOOL WINAPI PlaySettings(UINT action, UINT param, void* data, UINT ini) {
    const BOOL result = SystemParametersInfoW(action, param, data, ini);
    if (action == SPI_GETKEYBOARDCUES) *static_cast<BOOL*>(data) = keyboardCues;
    if (action == SPI_GETKEYBOARDPREF) *static_cast<BOOL*>(data) = keyboardPreferred;
    if (action == SPI_GETHIGHCONTRAST && highContrast)
        static_cast<HIGHCONTRASTW*>(data)->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
    return result;
}

// A setting turned on as the Control Panel does it: SystemParametersInfo
// with SPIF_SENDCHANGE sends WM_SETTINGCHANGE with its uiAction in wParam
// (Microsoft's WM_SETTINGCHANGE page). `coded` false: wParam 0, as the same
// page allows and as Wine's own test_SPI_SETKEYBOARDPREF
// (dlls/user32/tests/sysparams.c) accepts of Windows.
void PlaySettingOn(HWND window, UINT setting, bool coded) {
    (setting == SPI_SETKEYBOARDCUES   ? keyboardCues
     : setting == SPI_SETHIGHCONTRAST ? highContrast
                                      : keyboardPreferred) = true;
    SendMessageW(window, WM_SETTINGCHANGE, coded ? setting : 0, 0);
}

// A limited user: the service manager's default security gives every
// authenticated user connect, enumerate, query lock status and read, and no
// other right (Microsoft's "Service Security and Access Rights"). Wine 8's
// and 10's service manager grant any access asked (programs/services/rpc.c,
// svcctl_OpenSCManagerW).
SC_HANDLE WINAPI PlayLimitedUser(const wchar_t* machine, const wchar_t* database, DWORD access) {
    const DWORD granted = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS |
                          GENERIC_READ | STANDARD_RIGHTS_READ;
    if (!(access & ~granted)) return OpenSCManagerW(machine, database, access);
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// The focus rectangle of a window: shown when a top-level window is made (a
// child takes its parent's: ReactOS win32ss/user/ntuser/window.c,
// IntCreateWindow). UIS_SET hides it, UIS_CLEAR shows it, and
// UIS_INITIALIZE hides it after input from the mouse, shows it after the
// keyboard (Microsoft's WM_CHANGEUISTATE page; ReactOS user32 defwnd.c). A
// top-level window's WM_CHANGEUISTATE becomes its WM_UPDATEUISTATE (the
// same). While keyboard cues are always on, the sources part:
//  - ReactOS's DefWindowProc leaves both messages unheeded, whatever they
//    ask (defwnd.c: "if (AlwaysShowCues) break;"), so a window that hid its
//    cues keeps them hidden after the user turns the setting on: played;
//  - Raymond Chen ("Managing the UI state of accelerators and focus
//    rectangles", 2005-05-03) has the window that sends UIS_INITIALIZE
//    decide from how it was shown, so a program must heed the setting
//    itself before it sends one; ReactOS would show the cues all the same.
//    The stricter is played: UIS_INITIALIZE still hides them after the
//    mouse, setting or not.
// Microsoft's pages say nothing of either. Wine keeps no last input, and
// neither Wine 8 nor 10 handles WM_CHANGEUISTATE, WM_UPDATEUISTATE or
// WM_QUERYUISTATE (win32u, user32).
void PlayCues(HWND window, UINT message, WPARAM w) {
    if (message == WM_CREATE) return Say(window, kCuesHiddenProp, false);
    if (keyboardCues && LOWORD(w) != UIS_INITIALIZE) return;
    const WORD action = LOWORD(w) != UIS_INITIALIZE ? LOWORD(w) : lastInputKeyboard ? UIS_CLEAR : UIS_SET;
    if (LOWORD(w) == UIS_INITIALIZE || (HIWORD(w) & UISF_HIDEFOCUS))
        Say(window, kCuesHiddenProp, action == UIS_SET);
}

// List1 as Windows may draw it where the evidence leaves room. LB_SETSEL,
// which moves the caret to its row, scrolls "if necessary" (Microsoft's
// LB_SETSEL page), not saying how far: here only until part of the row
// shows. Wine's list box scrolls until all of it shows, which would hide a
// program that does not bring the row whole into view itself (Wine 10's
// comctl32 listbox.c as Wine 8's: LISTBOX_SetCaretIndex makes it fully
// visible); played everywhere, as the stricter of the two.
WNDPROC listProc = nullptr;
LRESULT CALLBACK PlayListScroll(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto call = [&](UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(listProc, list, m, w, l); };
    if (message != LB_SETSEL || !wParam) return call(message, wParam, lParam);
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

// An unchecked option button that gets the focus other than by a press of
// the mouse clicks itself: Wine's comctl32 button test lets a BN_CLICKED
// follow the focus "for a radio button" (setfocus_static_seq), and later
// Windows have BM_SETDONTCLICK to stop it (Microsoft's page). During a
// press it does not: the same test has no click between the focus a press
// gives and the press itself (lbuttondown_seq, on a push button), and
// later Wines' comctl32, which clicks on the focus, marks the button
// pressed before it takes the focus and clicks only if it is "!(state &
// (BST_CHECKED | BUTTON_BTNPRESSED))" (button.c, WM_SETFOCUS). Wine 8's
// does not click (seen here); Wine 10's comctl32 and user32 buttons do
// (button.c, WM_SETFOCUS), so there nothing is played: only when the
// button itself did not. kClickedProp says it happened, either way.
WNDPROC optionProc = nullptr;
HWND focusing = nullptr;
bool focusClicked = false;
LRESULT CALLBACK PlayOptionFocusClick(HWND option, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETFOCUS) return CallWindowProcW(optionProc, option, message, wParam, lParam);
    const bool plays =
        SendMessageW(option, BM_GETCHECK, 0, 0) == BST_UNCHECKED && GetKeyState(VK_LBUTTON) >= 0;
    focusing = option;
    focusClicked = false;
    const LRESULT result = CallWindowProcW(optionProc, option, message, wParam, lParam);
    focusing = nullptr;
    if (plays && !focusClicked)
        SendMessageW(GetParent(option), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(option), BN_CLICKED),
                     reinterpret_cast<LPARAM>(option));
    if (plays) Say(option, kClickedProp, 1);
    return result;
}

// A move to a monitor of another DPI, which neither Wine 8 nor 10 makes
// (no sender of WM_DPICHANGED or WM_GETDPISCALEDSIZE in win32u, user32 or
// winex11.drv): WM_DPICHANGED with the new DPI and a suggested rectangle,
// the window's scaled as a whole (Microsoft's WM_DPICHANGED page), here
// moved as by a drag. With `askSize`, as Windows 10 1703 and later do for a
// per-monitor v2 window, the window is sent WM_GETDPISCALEDSIZE first and
// the size it answers with TRUE is the one suggested (Microsoft's
// WM_GETDPISCALEDSIZE page). kAnsweredProp says it answered TRUE,
// kPlacedProp that the window took the suggested rectangle, place and size
// (which follows the table, not the linear suggestion, on a move that does
// not ask). kFontsLeftProp counts the distinct fonts the controls had
// before (a control without one adds a null) that still exist after:
// Wine's GetGuiResources answers 0, and a deleted font's handle is no
// object.
void PlayMoveToDpi(HWND window, int dpi, int from, bool askSize) {
    std::vector<HGDIOBJ> fonts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        fonts.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
    std::sort(fonts.begin(), fonts.end());
    fonts.erase(std::unique(fonts.begin(), fonts.end()), fonts.end());
    Say(window, kFontsProp, static_cast<INT_PTR>(fonts.size()));
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

// ---------------------------------------------------------------------------
// What only the program can tell, watched on the way through its own
// imports or read in its process: the WM_CLOSE or WM_QUIT it takes from its
// queue during a run (kTakenProp), the processes it starts (kStartsProp),
// and the start of the command line kHoldVar names, held until the driver
// sets kReleaseEvent (kHeldProp), so that a scenario meets the run at a
// known row.
std::wstring hold;
LONG starts = 0;
void SayMain(const wchar_t* name, INT_PTR value) { Say(FindWindowW(L"TavruneForm1", nullptr), name, value); }
BOOL WINAPI PeekMessageWatched(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
    const BOOL got = PeekMessageW(msg, window, first, last, remove);
    if (got && (remove & PM_REMOVE) && (msg->message == WM_CLOSE || msg->message == WM_QUIT))
        SayMain(kTakenProp, msg->message);
    return got;
}
BOOL WINAPI CreateProcessWatched(const wchar_t* name, wchar_t* line, SECURITY_ATTRIBUTES* process,
                                 SECURITY_ATTRIBUTES* thread, BOOL inherit, DWORD flags, void* environment,
                                 const wchar_t* folder, STARTUPINFOW* startup, PROCESS_INFORMATION* info) {
    if (!hold.empty() && line && std::wstring(line).find(hold) != std::wstring::npos) {
        SayMain(kHeldProp, 1);
        HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, kReleaseEvent);
        WaitForSingleObject(release, kHoldMs);
        CloseHandle(release);
    }
    const BOOL made =
        CreateProcessW(name, line, process, thread, inherit, flags, environment, folder, startup, info);
    if (made) SayMain(kStartsProp, InterlockedIncrement(&starts));
    return made;
}

// The window as it is, in layout.txt of the records folder, UTF-8: a line
// per control front to back and the last one for the window: name (the
// layout table's), rectangle in the client area (the client area), font
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
        const std::string name = ControlName(GetDlgCtrlID(c));
        wsprintfW(line, L"%hs|%ld %ld %ld %ld|%s|%s\n", name.c_str(), r.left, r.top, r.right, r.bottom,
                  lstrcmpW(font, message) ? font : L"-", caption);
        text += line;
        if (!c) break;
    }
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(kRecordsVar, folder, MAX_PATH);
    std::ofstream((std::wstring(folder) + L"\\layout.txt").c_str(), std::ios::binary)
        << std::wstring_convert<std::codecvt_utf8_utf16<wchar_t>>().to_bytes(text);
}

// An icon's pixels drawn `size` square: two icons match when they draw the
// same, whatever their handles.
std::vector<COLORREF> Drawn(HICON icon, int size) {
    return e2e::Drawn(size, size, [&](HDC dc) {
        return icon && DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    });
}

// Which icon or cursor `image` is: one of the system's (shared within a
// process: LoadIcon and LoadCursor give their handles), the program's own
// icon drawn at `size`, another or none.
Image ImageOf(HICON image, int size) {
    const HICON shared[] = {LoadIconW(nullptr, IDI_ERROR), LoadIconW(nullptr, IDI_WARNING),
                            LoadCursorW(nullptr, IDC_ARROW), LoadCursorW(nullptr, IDC_HAND)};
    for (int i = 0; i < 4; ++i)
        if (image == shared[i]) return static_cast<Image>(kErrorIcon + i);
    const auto own = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TAVRUNE), IMAGE_ICON, size, size, 0));
    const bool program = image && Drawn(image, size) == Drawn(own, size) && !Drawn(own, size).empty();
    DestroyIcon(own);
    return !image ? kNoImage : program ? kProgramIcon : kOtherImage;
}

// The icons the system shows for the window: the one WM_GETICON gives,
// else its class's, big in Alt+Tab, small in the title bar and taskbar
// (Microsoft's WM_GETICON and WNDCLASSEX pages).
void SayWindowIcons(HWND window) {
    for (const auto& [type, classIcon, size, prop] :
         {std::tuple(ICON_BIG, GCLP_HICON, SM_CXICON, kBigIconProp),
          std::tuple(ICON_SMALL, GCLP_HICONSM, SM_CXSMICON, kSmallIconProp)}) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, type, 0));
        if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, classIcon));
        Say(window, prop, ImageOf(icon, GetSystemMetrics(size)));
    }
}

// The message box's icon, as its icon control shows it.
void SayBoxIcon(HWND box) {
    HICON shown = nullptr;
    for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr)) != nullptr;)
        if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            shown = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
    Say(box, kIconProp, ImageOf(shown, GetSystemMetrics(SM_CXICON)));
}

// ---------------------------------------------------------------------------
// The driver's commands.
void DriverCommand(HWND window, WPARAM command, LPARAM lParam) {
    switch (command) {
        case kMoveToDpi:
        case kMoveAskingSize:
            if (LOWORD(lParam) != HIWORD(lParam))
                PlayMoveToDpi(window, LOWORD(lParam), HIWORD(lParam), command == kMoveAskingSize);
            return WriteLayout(window, LOWORD(lParam));
        case kLimitedUser: return Redirect(L"advapi32.dll", "OpenSCManagerW", PlayLimitedUser);
        case kSettingOn:
        case kSettingOnUncoded:
            return PlaySettingOn(window, static_cast<UINT>(lParam), command == kSettingOn);
        case kBoxIcon: return SayBoxIcon(window);
        case kWindowIcons: return SayWindowIcons(window);
        case kCursorName:
            return Say(window, kCursorProp,
                       ImageOf(reinterpret_cast<HCURSOR>(lParam), GetSystemMetrics(SM_CXCURSOR)));
    }
}

// Once, at the first message, before the window is made.
bool Prepare() {
    lastInputKeyboard = GetEnvironmentVariableW(kLastInputVar, nullptr, 0) > 0;
    wchar_t keyboard[16] = {};
    GetEnvironmentVariableW(kKeyboardVar, keyboard, 16);
    keyboardCues = !lstrcmpW(keyboard, L"cues");
    keyboardPreferred = !lstrcmpW(keyboard, L"preference");
    wchar_t line[200] = {};
    if (GetEnvironmentVariableW(kHoldVar, line, 200) < 200) hold = line;
    Redirect(L"user32.dll", "SystemParametersInfoW", PlaySettings);
    Redirect(L"user32.dll", "PeekMessageW", PeekMessageWatched);
    Redirect(L"kernel32.dll", "CreateProcessW", CreateProcessWatched);
    return true;
}

// The list and the options get the procedures that play Windows' own.
void Subclass(HWND control) {
    const int id = GetDlgCtrlID(control);
    const auto subclass = [&](WNDPROC proc) {
        return reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    };
    if (!listProc && id == IDC_LIST1) listProc = subclass(PlayListScroll);
    if (id >= IDC_OPTION1 && id <= IDC_OPTION1 + 5 && !GetPropW(control, L"T.Option")) {
        SetPropW(control, L"T.Option", control);
        optionProc = subclass(PlayOptionFocusClick);
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    static const bool prepared = Prepare();
    static const UINT testMessage = RegisterWindowMessageW(kTestMessage);
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    Subclass(m->hwnd);
    if (code != HC_ACTION || !prepared) return CallNextHookEx(nullptr, code, wParam, lParam);
    const bool topLevel = !(GetWindowLongPtrW(m->hwnd, GWL_STYLE) & WS_CHILD);
    if (m->message == WM_COMMAND && HIWORD(m->wParam) == BN_CLICKED && m->lParam &&
        reinterpret_cast<HWND>(m->lParam) == focusing) {
        focusClicked = true;
    } else if ((m->message == WM_CREATE || m->message == WM_CHANGEUISTATE ||
                m->message == WM_UPDATEUISTATE) &&
               topLevel) {
        PlayCues(m->hwnd, m->message, m->wParam);
    } else if (m->message == testMessage) {
        DriverCommand(m->hwnd, m->wParam, m->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
