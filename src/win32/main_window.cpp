#include "win32/main_window.h"

#include <string>

#include "win32/control_ids.h"

namespace tavrune {

namespace {

constexpr wchar_t kClassName[] = L"TavruneForm1";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

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
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;

    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
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
                if (ControlAt(GetFocus()) >= 0) lastFocus_ = GetFocus();
                return 0;
            }
            break;
        case WM_SETFOCUS:
            RestoreFocus();
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
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        defaultFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (!defaultFont_) defaultFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    buttonFont_ = CreateFontFrom(kButtonFont, dpi_);
    labelFont_ = CreateFontFrom(kLabelFont, dpi_);
}

void MainWindow::OnCreate() {
    platform_.owner = hwnd_;
    CreateFonts();

    // A child window goes behind its siblings made before it, so creating
    // the controls front to back gives the stacking with no reordering.
    int order[kControlCount];
    FrontToBackOrder(order);
    for (int i : order) {
        const ControlSpec& entry = kControls[i];
        const ControlClass cls = ClassOf(entry.kind);
        const Rect r = ClientRect(entry, dpi_);
        HWND control = CreateWindowExW(cls.exStyle, cls.className, Wide(entry.caption),
                                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style, r.left, r.top, r.width,
                                       r.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(entry))),
                                       instance_, nullptr);
        HFONT font = entry.font.face == nullptr ? defaultFont_
                     : entry.name == ControlName::Label1 ? labelFont_
                                                        : buttonFont_;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        controls_[i] = control;
        if (entry.name == ControlName::List1) list1_.hwnd = control;
    }
    SetControlStates();
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
    HWND focus = GetFocus();
    for (int i = 0; i < kControlCount; ++i) {
        const ControlSpec& entry = kControls[i];
        HWND control = controls_[i];
        if (!control) continue;
        const bool locked = entry.name == ControlName::Command1 || entry.name == ControlName::Option1 ||
                            entry.name == ControlName::Label1;
        if (locked) {
            if (!idle && control == focus) lastFocus_ = control;
            EnableWindow(control, idle ? TRUE : FALSE);
        }
        if (entry.name == ControlName::Option1) {
            const bool selected = entry.index == form_.SelectedOption();
            SendMessageW(control, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    BlockShutdown(!idle);
    // The control that had the focus lost it when it was disabled.
    if (idle && GetForegroundWindow() == hwnd_ && (GetFocus() == nullptr || GetFocus() == hwnd_)) RestoreFocus();
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
        SetFocus(lastFocus_);
    } else if (const int first = NextInTabOrder(-1, false, CanFocus, this); first >= 0) {
        SetFocus(controls_[first]);
    }
}

bool MainWindow::PreTranslate(MSG& msg) {
    // Tab follows the designed tab order, which differs from the stacking.
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    const int next = NextInTabOrder(ControlAt(GetFocus()), backwards, CanFocus, this);
    if (next >= 0) SetFocus(controls_[next]);
    return true;
}

}  // namespace tavrune
