#include "win32/main_window.h"

#include <string>

#include "win32/control_ids.h"

namespace tavrune {

namespace {

constexpr wchar_t kClassName[] = L"TavruneForm1";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Newer than the XP headers the program is built against.
constexpr UINT kDpiChanged = 0x02E0;     // WM_DPICHANGED, Windows 8.1 and later
constexpr UINT kSetDontClick = 0x00F8;   // BM_SETDONTCLICK, Vista and later

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
            return {L"LISTBOX", LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE};
        // No handler reads them; they toggle like any check box.
        case ControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    }
    return {L"STATIC", 0, 0};
}

// The DPI of the monitor the window is on (Windows 10 1607 and later), or
// the system's.
int WindowDpi(HWND hwnd, int systemDpi) {
    const auto get = SystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow");
    const int dpi = get ? static_cast<int>(get(hwnd)) : 0;
    return dpi > 0 ? dpi : systemDpi;
}

// The window's size for a client area at `dpi`: the frame is measured at
// that DPI where Windows can (10 1607 and later).
RECT WindowRectFor(int dpi) {
    RECT r = {0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    const auto adjust = SystemFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(L"user32.dll", "AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&r, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi))) AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
    return r;
}

HFONT CreateFontFrom(const FontSpec& design, int dpi) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(design.tenthsOfPoint, dpi, 720);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, Wide(design.face), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

COLORREF ColorOf(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

// --- List1 -----------------------------------------------------------------

int ListBoxResultList::DoCount() const { return static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0)); }

std::u16string ListBoxResultList::DoText(int i) const {
    const LRESULT length = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const LRESULT got = SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void ListBoxResultList::DoInsert(int i, const std::u16string& text) {
    const WPARAM at = i >= DoCount() ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(i);
    SendMessageW(hwnd, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(Wide(text)));
}

void ListBoxResultList::DoRemove(int i) { SendMessageW(hwnd, LB_DELETESTRING, static_cast<WPARAM>(i), 0); }

void ListBoxResultList::DoClear() { SendMessageW(hwnd, LB_RESETCONTENT, 0, 0); }

bool ListBoxResultList::DoMarked(int i) const {
    return SendMessageW(hwnd, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
}

void ListBoxResultList::DoSetMarked(int i, bool marked) {
    SendMessageW(hwnd, LB_SETSEL, marked ? TRUE : FALSE, static_cast<LPARAM>(i));
}

void ListBoxResultList::DoSetCurrent(int i) {
    // FALSE: scroll until the row is wholly in view.
    SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
}

void ListBoxResultList::DoBeginUpdate() { SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0); }

void ListBoxResultList::DoEndUpdate() {
    // The list box redraws its scroll bar itself when redraw is turned back
    // on; repainting the frame as well drew the scroll bar a second time,
    // about half of what the window did per row during a run under Wine.
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    // Painted at the next turn of the message loop.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

// --- Form1 -----------------------------------------------------------------

MainWindow::MainWindow() : form_(platform_, list1_) {
    form_.onControlStateChange = [this] { SetControlStates(); };
    platform_.preTranslate = [this](MSG& msg) { return PreTranslate(msg); };
    platform_.onQuit = [this] { form_.RequestClose(); };
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
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TAVRUNE), IMAGE_ICON,
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
    const RECT frame = WindowRectFor(systemDpi_);
    hwnd_ = CreateWindowExW(0, kClassName, Wide(kWindowTitle), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
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
    return self ? self->HandleMessage(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
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
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case kDpiChanged:
            // Dragged to a monitor of another DPI: fonts and controls are
            // made anew for it, and the window takes the size Windows offers.
            ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_QUERYENDSESSION:
            // A log-off now would end the program at the run's next yield
            // and leave the profile half applied.
            return form_.Running() ? FALSE : TRUE;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::CreateFonts() {
    // The system's message font is given for the system DPI.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi_, systemDpi_);
        defaultFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (!defaultFont_) defaultFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    buttonFont_ = CreateFontFrom(kButtonFont, dpi_);
    labelFont_ = CreateFontFrom(kLabelFont, dpi_);
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
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry))), instance_, nullptr);
        // Only a real click, Space or an arrow key selects an option, never
        // the focus alone (XP has no such switch; see OnCommand).
        if (entry.kind == ControlKind::OptionButton) {
            SendMessageW(control, kSetDontClick, TRUE, 0);
            buttonProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OptionProc)));
        }
        controls_[i] = control;
        if (entry.name == ControlName::List1) list1_.hwnd = control;
    }
    ApplyDpi(WindowDpi(hwnd_, systemDpi_), nullptr);
    SetControlStates();
}

void MainWindow::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    const RECT r = suggested ? *suggested : WindowRectFor(dpi);
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));

    const HFONT old[] = {defaultFont_, buttonFont_, labelFont_};
    defaultFont_ = buttonFont_ = labelFont_ = nullptr;
    CreateFonts();
    for (int i = 0; i < kControlCount; ++i) {
        const ControlSpec& entry = kControls[i];
        const Rect c = ClientRect(entry, dpi);
        MoveWindow(controls_[i], c.left, c.top, c.width, c.height, TRUE);
        HFONT font = entry.font.face == nullptr ? defaultFont_
                     : entry.name == ControlName::Label1 ? labelFont_
                                                        : buttonFont_;
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (HFONT font : old) {
        if (font) DeleteObject(font);
    }
    // What the controls drew at their old places is not all covered again.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

int MainWindow::ControlAt(HWND control) const {
    for (int i = 0; i < kControlCount; ++i) {
        if (control && controls_[i] == control) return i;
    }
    return -1;
}

bool MainWindow::CanFocus(int control, void* self) {
    const ControlKind kind = kControls[control].kind;
    HWND hwnd = static_cast<MainWindow*>(self)->controls_[control];
    return kind != ControlKind::Frame && kind != ControlKind::Label && hwnd && IsWindowEnabled(hwnd) &&
           IsWindowVisible(hwnd);
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
    if (form_.Running()) form_.RequestClose();
    else DestroyWindow(hwnd_);
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    const int i = ControlAt(control);
    if (i >= 0 && kControls[i].name == ControlName::Label1) {
        SetTextColor(dc, ColorOf(kControls[i].font.rgb));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
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
    if (GetForegroundWindow() == hwnd_ && (focus == nullptr || focus == hwnd_ || (focusLent_ && focus == list1_.hwnd))) {
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
        if (auto destroy = SystemFunction<BOOL(WINAPI*)(HWND)>(L"user32.dll", "ShutdownBlockReasonDestroy")) destroy(hwnd_);
    } else if (auto create = SystemFunction<BOOL(WINAPI*)(HWND, LPCWSTR)>(L"user32.dll", "ShutdownBlockReasonCreate")) {
        create(hwnd_, Wide(kShutdownBlockReason));
    }
}

void MainWindow::RestoreFocus() {
    if (lastFocus_ && IsWindowEnabled(lastFocus_)) {
        MoveFocus(lastFocus_);
    } else if (const int first = NextInTabOrder(-1, false, CanFocus, this); first >= 0) {
        MoveFocus(controls_[first]);
    }
}

LRESULT CALLBACK MainWindow::OptionProc(HWND option, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(GetParent(option), GWLP_USERDATA));
    const bool pressing = self->pressing_;
    self->pressing_ = pressing || message == WM_LBUTTONDOWN;
    const LRESULT result = CallWindowProcW(self->buttonProc_, option, message, wParam, lParam);
    self->pressing_ = pressing;
    return result;
}

void MainWindow::MoveFocus(HWND control) {
    movingFocus_ = true;
    SetFocus(control);
    movingFocus_ = false;
}

bool MainWindow::CanFocusOption(int control, void* self) {
    return kControls[control].kind == ControlKind::OptionButton && CanFocus(control, self);
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const int focused = ControlAt(GetFocus());
    if (msg.wParam == VK_TAB) {
        // Tab follows the designed tab order, which differs from the stacking.
        const int next = NextInTabOrder(focused, GetKeyState(VK_SHIFT) < 0, CanFocus, this);
        if (next >= 0) MoveFocus(controls_[next]);
        return true;
    }
    // The arrow keys move among the options, wrapping round, and select the
    // one they reach, as in any group of option buttons.
    const bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP;
    if (focused < 0 || kControls[focused].kind != ControlKind::OptionButton ||
        !(back || msg.wParam == VK_RIGHT || msg.wParam == VK_DOWN)) {
        return false;
    }
    const int next = NextInTabOrder(focused, back, CanFocusOption, this);
    if (next >= 0) {
        MoveFocus(controls_[next]);
        form_.Option1_Click(static_cast<std::int16_t>(kControls[next].index));
    }
    return true;
}

}  // namespace tavrune
