// Form1's keyboard and focus, as in a dialog: Tab in the designed order,
// the arrows among the options, Enter on the run button, and an option
// that never selects itself because it got the focus.
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
    if (msg.message != WM_KEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    return NavigateByKey(msg);
}

void MainWindow::ShowFocusCues() {
    // The keyboard is in use: as in a dialog, the focus rectangle shows from
    // now on, before the key acts, so that what it moves to or starts is seen
    // with it (the dialog manager that would do this does not run here).
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

bool MainWindow::NavigateByKey(const MSG& msg) {
    const int focused = ControlAt(GetFocus());
    if (msg.wParam == VK_RETURN) {
        // Enter on the run button clicks it, as in any dialog; a held key
        // does not start run after run.
        if (focused < 0 || kControls[focused].name != ControlName::Command1) return false;
        ShowFocusCues();
        if (!(msg.lParam & (1 << 30))) OnCommand(IDC_COMMAND1, BN_CLICKED);
        return true;
    }
    if (msg.wParam == VK_TAB) {
        // Tab follows the designed tab order, which differs from the stacking.
        ShowFocusCues();
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
    ShowFocusCues();
    const int next = NextInTabOrder(focused, back, CanFocusOption, this);
    if (next >= 0) {
        MoveFocus(controls_[next]);
        form_.Option1_Click(static_cast<std::int16_t>(kControls[next].index));
    }
    return true;
}

}  // namespace tavrune
