// Form1 on Win32: creates the controls from the layout table and routes
// their events to the portable handlers.
#pragma once

#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "ui/form.h"
#include "ui/layout.h"
#include "ui/result_list.h"

namespace tavrune {

// List1: a multi-selection list box where a row's mark is its selection.
class ListBoxResultList : public ResultList {
public:
    HWND hwnd = nullptr;

protected:
    int DoCount() const override;
    std::u16string DoText(int i) const override;
    void DoInsert(int i, const std::u16string& text) override;
    void DoRemove(int i) override;
    void DoClear() override;
    bool DoMarked(int i) const override;
    void DoSetMarked(int i, bool marked) override;
    void DoSetCurrent(int i) override;
    void DoBeginUpdate() override;
    void DoEndUpdate() override;

private:
    // What the list shows that an update can move: the scroll bar follows
    // the first two, the rows' place the last two.
    struct View {
        int count;
        int top;
        LONG width;
    };
    View Shown() const;
    // Row `row` looks different once the update ends.
    void Changed(int row);

    bool updating_ = false;
    // WS_VISIBLE taken away for the update, to be given back.
    bool hidden_ = false;
    // What was waiting to be painted when the update began.
    RECT owed_ = {};
    View before_ = {};
    int firstChanged_ = 0;
    int lastChanged_ = 0;
};

class MainWindow {
public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Create(HINSTANCE instance, int show);
    // Keyboard navigation for the message loops; true when handled.
    bool PreTranslate(MSG& msg);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The option buttons' procedure: tells OnCommand when a press is under way.
    static LRESULT CALLBACK OptionProc(HWND option, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Tab, the arrows and Enter as in a dialog; true when the key was used.
    bool NavigateByKey(const MSG& msg);
    // UIS_CLEAR of `cues` (UISF_HIDEFOCUS, UISF_HIDEACCEL) for the window.
    void ShowCues(WORD cues);
    // The cues the user's keyboard settings ask for, at `opening` or after
    // a change.
    void FollowKeyboardSettings(bool opening);

    void OnCreate();
    void OnCommand(int id, int code);
    void OnClose();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    bool OnSetCursor(HWND control);
    void SetControlStates();
    void BlockShutdown(bool block);
    void RestoreFocus();
    // SetFocus, with the focus-born click of an option button ignored.
    void MoveFocus(HWND control);
    void CreateFonts();
    // Fonts, controls and (when not `suggested`) the window's size at `dpi`.
    void ApplyDpi(int dpi, const RECT* suggested);

    int ControlAt(HWND control) const;  // index into kControls, -1 if none
    static bool CanFocus(int control, void* self);
    static bool CanFocusOption(int control, void* self);

    HWND hwnd_ = nullptr;
    HINSTANCE instance_ = nullptr;
    int systemDpi_ = 96;
    int dpi_ = 96;
    HWND controls_[kControlCount] = {};
    HFONT defaultFont_ = nullptr;
    HFONT buttonFont_ = nullptr;
    HFONT labelFont_ = nullptr;
    HWND lastFocus_ = nullptr;
    // The focus was moved to the list because a run locked its control.
    bool focusLent_ = false;
    bool movingFocus_ = false;
    bool pressing_ = false;
    bool quitTaken_ = false;
    WNDPROC buttonProc_ = nullptr;
    bool shutdownBlocked_ = false;
    // High contrast as last read, to repaint only when it is turned on or off.
    bool highContrast_ = false;

    Win32Platform platform_;
    ListBoxResultList list1_;
    Form form_;
};

}  // namespace tavrune
