// Form1's keyboard and focus, as in a dialog: Tab in the designed order,
// the arrows among the options, Enter on the run button, an option that
// never selects itself because it got the focus, and the keyboard cues as
// the dialog manager and the user's settings show them.
#include "win32/control_ids.h"
#include "win32/main_window.h"

namespace tavrune {

bool MainWindow::CanFocus(int control, void* self) {
    const ControlKind kind = kControls[control].kind;
    HWND hwnd = static_cast<MainWindow*>(self)->controls_[control];
    return kind != ControlKind::Frame && kind != ControlKind::Label && hwnd && IsWindowEnabled(hwnd) &&
           IsWindowVisible(hwnd);
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
    // SetFocus can bring a focus move of its own (WM_SETFOCUS of the window
    // restores the focus): the flag holds until the outer move ends.
    const bool moving = movingFocus_;
    movingFocus_ = true;
    SetFocus(control);
    movingFocus_ = moving;
}

bool MainWindow::CanFocusOption(int control, void* self) {
    return kControls[control].kind == ControlKind::OptionButton && CanFocus(control, self);
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    // Alt, alone or with another key, shows every cue from the moment it is
    // pressed, as the dialog manager does (ReactOS's IsDialogMessageW on
    // WM_SYSKEYDOWN with KF_ALTDOWN; Raymond Chen, "Managing the UI state of
    // accelerators and focus rectangles", 2005-05-03). The key goes on to
    // DefWindowProc, whose system menu takes it on release, as anywhere.
    if (msg.message == WM_SYSKEYDOWN && (HIWORD(msg.lParam) & KF_ALTDOWN))
        ShowCues(UISF_HIDEFOCUS | UISF_HIDEACCEL);
    return msg.message == WM_KEYDOWN && NavigateByKey(msg);
}

void MainWindow::ShowCues(WORD cues) {
    // The dialog manager that would do this does not run here.
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
}

void MainWindow::FollowKeyboardSettings(bool opening) {
    // Cues always shown ("underline access keys"), or the keyboard
    // preferred, which asks a program to show what it would otherwise hide;
    // a change of either has both read again (Microsoft's "Keyboard
    // preference parameter" page). With neither, a new window hides the cues
    // when opened with the mouse and shows them when opened with the
    // keyboard (the system knows which came last), as a dialog does; and a
    // setting turned off while the window is open hides nothing already seen.
    BOOL always = FALSE;
    BOOL preferred = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
    SystemParametersInfoW(SPI_GETKEYBOARDPREF, 0, &preferred, 0);
    if (always || preferred) {
        ShowCues(UISF_HIDEFOCUS | UISF_HIDEACCEL);
    } else if (opening) {
        SendMessageW(hwnd_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    }
}

bool MainWindow::NavigateByKey(const MSG& msg) {
    const int focused = ControlAt(GetFocus());
    if (msg.wParam == VK_RETURN) {
        // Enter on the run button clicks it, as in any dialog; a held key
        // does not start run after run. Like the arrows, it shows no cue:
        // the dialog managers of ReactOS and Wine change no UI state for
        // either, and Chen names only Tab and Alt.
        if (focused < 0 || kControls[focused].name != ControlName::Command1) return false;
        if (!(msg.lParam & (1 << 30))) OnCommand(IDC_COMMAND1, BN_CLICKED);
        return true;
    }
    if (msg.wParam == VK_TAB) {
        // Tab follows the designed tab order, which differs from the stacking.
        // It shows the focus rectangle before the focus moves, and only it:
        // the underlines wait for Alt (ReactOS's IsDialogMessageW clears
        // UISF_HIDEFOCUS alone before WM_NEXTDLGCTL; Chen).
        ShowCues(UISF_HIDEFOCUS);
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
