// List1 on Win32: a multi-selection list box whose selected rows are the
// marked ones.
#include "win32/main_window.h"

namespace tavrune {

int ListBoxResultList::DoCount() const { return static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0)); }

std::u16string ListBoxResultList::DoText(int i) const {
    const LRESULT length = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const LRESULT got =
        SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
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
    SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
    // Microsoft's page has this scroll the row until it is fully visible, and
    // current Wine does; older Wine, and list boxes taken from it, do nothing
    // when the caret is there already, as LB_SETSEL has put it in a
    // multi-selection list (Wine's test_LB_SETSEL, which Windows passes).
    // With no integral height the last row shown would then stay cut.
    RECT view, row;
    GetClientRect(hwnd, &view);
    SendMessageW(hwnd, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&row));
    const int top = static_cast<int>(SendMessageW(hwnd, LB_GETTOPINDEX, 0, 0));
    const int showing = TopRowShowing(i, top, row.bottom - row.top, view.bottom);
    if (showing != top) SendMessageW(hwnd, LB_SETTOPINDEX, static_cast<WPARAM>(showing), 0);
}

void ListBoxResultList::DoBeginUpdate() { SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0); }

void ListBoxResultList::DoEndUpdate() {
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    // The frame too, as Microsoft's WM_SETREDRAW page asks of a window with
    // a non-client area (List1 has WS_EX_CLIENTEDGE and its scroll bar):
    // Wine's list box sets its scroll bar again when redraw comes back, but
    // nothing says Windows' does. Painted at the next turn of the message
    // loop.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace tavrune
