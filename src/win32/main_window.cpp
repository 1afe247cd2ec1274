// Form1 on Win32: the window and its controls, made from the layout table,
// and the routing of their messages to small handlers. Its DPI, keyboard
// and list box live in files of their own.
#include "win32/main_window.h"

#include <string>

#include "win32/control_ids.h"
#include "win32/window_dpi.h"

namespace tavrune {

namespace {

constexpr wchar_t kClassName[] = L"TavruneForm1";
// Newer than the XP headers the program is built against.
constexpr UINT kDpiChanged = 0x02E0;        // WM_DPICHANGED, Windows 8.1 and later
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE, Windows 10 1703 and later
constexpr UINT kSetDontClick = 0x00F8;      // BM_SETDONTCLICK, Vista and later

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton: return {L"BUTTON", BS_PUSHBUTTON, 0};
        case ControlKind::Frame: return {L"BUTTON", BS_GROUPBOX, 0};
        case ControlKind::OptionButton: return {L"BUTTON", BS_RADIOBUTTON, 0};
        case ControlKind::Label: return {L"STATIC", SS_LEFT | SS_NOTIFY, 0};
        case ControlKind::List:
            return {L"LISTBOX", LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
                    WS_EX_CLIENTEDGE};
        // No handler reads them; they toggle like any check box.
        case ControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    }
    return {L"STATIC", 0, 0};
}

COLORREF ColorOf(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A high-contrast theme chooses every colour; the "？" then takes the
// theme's colour for links, which it keeps readable on its background.
bool HighContrast() {
    HIGHCONTRASTW setting = {};
    setting.cbSize = sizeof(setting);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

MainWindow::MainWindow() : form_(platform_, list1_) {
    form_.onControlStateChange = [this] { SetControlStates(); };
    platform_.preTranslate = [this](MSG& msg) { return PreTranslate(msg); };
    platform_.onQuit = [this] {
        quitTaken_ = true;
        form_.RequestClose();
    };
}

MainWindow::~MainWindow() {
    for (HFONT font : {defaultFont_, buttonFont_, labelFont_}) {
        if (font) DeleteObject(font);
    }
}

bool MainWindow::Create(HINSTANCE instance, int show) {
    instance_ = instance;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TAVRUNE));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TAVRUNE), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return false;

    HDC screen = GetDC(nullptr);
    systemDpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (systemDpi_ <= 0) systemDpi_ = 96;

    // Sized for the system DPI; WM_CREATE sizes it again for the monitor it
    // lands on.
    const SIZE size = WindowSizeFor(systemDpi_);
    hwnd_ = CreateWindowExW(0, kClassName, Wide(kWindowTitle), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            size.cx, size.cy, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
    return true;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    return self ? self->HandleMessage(message, wParam, lParam)
                : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnCreate(); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_ACTIVATE:
            // Give the focus back to the control that had it when the window
            // was left (the first in tab order at start).
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (ControlAt(focus) >= 0 && !(focusLent_ && focus == list1_.hwnd)) lastFocus_ = focus;
                return 0;
            }
            break;
        case WM_SETFOCUS: RestoreFocus(); return 0;
        case kGetDpiScaledSize:
            // Windows would scale the whole window, frame and all: while it is
            // dragged across, it takes the table's size at the new DPI instead.
            *reinterpret_cast<SIZE*>(lParam) = WindowSizeFor(LOWORD(wParam));
            return TRUE;
        case kDpiChanged:
            // Dragged to a monitor of another DPI: fonts and controls are
            // made anew for it, at the place Windows offers.
            ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE: {
            // Microsoft's WM_SETTINGCHANGE page asks a window to read again
            // every setting it uses, whatever wParam names, and some senders
            // name none (0): the keyboard settings are followed on each one,
            // a run going on or not, and high contrast is read again. The
            // message comes for many other settings too, so the window is
            // repainted only when what it shows changed: other colours, high
            // contrast turned on or off or its scheme (the "？" reads its
            // colour as it is drawn), or the cues shown.
            bool changed = message == WM_SYSCOLORCHANGE || wParam == SPI_SETHIGHCONTRAST;
            if (message == WM_SETTINGCHANGE) {
                const LRESULT cues = SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0);
                FollowKeyboardSettings(false);
                const bool highContrast = HighContrast();
                changed = changed || highContrast != highContrast_ ||
                          SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) != cues;
                highContrast_ = highContrast;
            }
            if (changed) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            break;
        }
        case WM_SYSCOMMAND:
            // The keyboard opens the system menu (Alt or F10 released): every
            // cue shows, as ReactOS's IsDialogMessageW has it for SC_KEYMENU.
            if ((wParam & 0xFFF0) == SC_KEYMENU) ShowCues(UISF_HIDEFOCUS | UISF_HIDEACCEL);
            break;
        case WM_QUERYENDSESSION:
            // A log-off now would end the program at the run's next yield
            // and leave the profile half applied.
            return form_.Running() ? FALSE : TRUE;
        case WM_CLOSE: OnClose(); return 0;
        // A quit taken during a run is posted again already, with its own
        // exit code, which another quit would replace.
        case WM_DESTROY:
            if (!quitTaken_) PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::OnCreate() {
    platform_.owner = hwnd_;

    // A child window goes behind its siblings made before it, so creating
    // the controls front to back gives the stacking with no reordering.
    int order[kControlCount];
    FrontToBackOrder(order);
    for (int i : order) {
        const ControlSpec& entry = kControls[i];
        const ControlClass cls = ClassOf(entry.kind);
        HWND control = CreateWindowExW(cls.exStyle, cls.className, Wide(entry.caption),
                                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style, 0, 0, 0, 0, hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry))),
                                       instance_, nullptr);
        // Only a real click, Space or an arrow key selects an option, never
        // the focus alone (XP has no such switch; see OnCommand).
        if (entry.kind == ControlKind::OptionButton) {
            SendMessageW(control, kSetDontClick, TRUE, 0);
            buttonProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OptionProc)));
        }
        controls_[i] = control;
        if (entry.name == ControlName::List1) list1_.hwnd = control;
    }
    ApplyDpi(WindowDpi(hwnd_, systemDpi_), nullptr);
    SetControlStates();
    FollowKeyboardSettings(true);
    highContrast_ = HighContrast();
}

int MainWindow::ControlAt(HWND control) const {
    for (int i = 0; i < kControlCount; ++i) {
        if (control && controls_[i] == control) return i;
    }
    return -1;
}

void MainWindow::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;  // STN_CLICKED is the same code
    if (id == IDC_COMMAND1) {
        form_.Command1_Click();
        if (form_.CloseRequested()) DestroyWindow(hwnd_);
    } else if (id >= IDC_OPTION1 && id < IDC_OPTION1 + 6) {
        // On XP an option button that gets the focus while unchecked clicks
        // itself. The focus comes either from this window (MoveFocus) or from
        // the button's own press, whose release brings the real click.
        if (movingFocus_ || pressing_) return;
        form_.Option1_Click(static_cast<std::int16_t>(id - IDC_OPTION1));
    } else if (id == IDC_LABEL1) {
        form_.Label1_Click();
    }
}

void MainWindow::OnClose() {
    // A run in progress owns the stack below this message; it ends at its
    // next yield and the window goes when the run's click handler returns.
    if (form_.Running())
        form_.RequestClose();
    else
        DestroyWindow(hwnd_);
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    const int i = ControlAt(control);
    if (i >= 0 && kControls[i].name == ControlName::Label1) {
        SetTextColor(dc, HighContrast() ? GetSysColor(COLOR_HOTLIGHT) : ColorOf(kControls[i].font.rgb));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

bool MainWindow::OnSetCursor(HWND control) {
    const int i = ControlAt(control);
    if (i < 0 || kControls[i].name != ControlName::Label1 || !IsWindowEnabled(control)) return false;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
    return true;
}

void MainWindow::SetControlStates() {
    const bool idle = !form_.Running();
    for (int i = 0; i < kControlCount; ++i) {
        const ControlSpec& entry = kControls[i];
        HWND control = controls_[i];
        if (!control) continue;
        const bool locked = entry.name == ControlName::Command1 || entry.name == ControlName::Option1 ||
                            entry.name == ControlName::Label1;
        if (locked) {
            // A disabled control loses the focus to nothing, and every key
            // would only beep until the run ends: the list, the one control
            // left live, takes it meanwhile.
            if (!idle && control == GetFocus()) {
                lastFocus_ = control;
                focusLent_ = true;
                MoveFocus(list1_.hwnd);
            }
            EnableWindow(control, idle ? TRUE : FALSE);
        }
        if (entry.name == ControlName::Option1) {
            const bool selected = entry.index == form_.SelectedOption();
            SendMessageW(control, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    BlockShutdown(!idle);
    if (!idle) return;
    // Back to the control that had the focus before the run, unless the
    // user has put it somewhere else since.
    HWND focus = GetFocus();
    if (GetForegroundWindow() == hwnd_ &&
        (focus == nullptr || focus == hwnd_ || (focusLent_ && focus == list1_.hwnd))) {
        RestoreFocus();
    }
    focusLent_ = false;
}

void MainWindow::BlockShutdown(bool block) {
    // Vista and later name the program that holds up a log-off, with this
    // reason; XP has neither function.
    if (block == shutdownBlocked_) return;
    shutdownBlocked_ = block;
    if (!block) {
        if (auto destroy = SystemFunction<BOOL(WINAPI*)(HWND)>(L"user32.dll", "ShutdownBlockReasonDestroy"))
            destroy(hwnd_);
    } else if (auto create =
                   SystemFunction<BOOL(WINAPI*)(HWND, LPCWSTR)>(L"user32.dll", "ShutdownBlockReasonCreate")) {
        create(hwnd_, Wide(kShutdownBlockReason));
    }
}

}  // namespace tavrune
