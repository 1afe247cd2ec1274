// List1 on Win32: a multi-selection list box whose selected rows are the
// marked ones.
#include <algorithm>

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
    Changed(std::min(i, DoCount()));
    SendMessageW(hwnd, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(Wide(text)));
}

void ListBoxResultList::DoRemove(int i) {
    Changed(i);
    SendMessageW(hwnd, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
}

void ListBoxResultList::DoClear() {
    Changed(0);
    SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
}

bool ListBoxResultList::DoMarked(int i) const {
    return SendMessageW(hwnd, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
}

void ListBoxResultList::DoSetMarked(int i, bool marked) {
    Changed(i);
    SendMessageW(hwnd, LB_SETSEL, marked ? TRUE : FALSE, static_cast<LPARAM>(i));
}

void ListBoxResultList::DoSetCurrent(int i) {
    Changed(i);
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

ListBoxResultList::View ListBoxResultList::Shown() const {
    RECT client;
    GetClientRect(hwnd, &client);
    return {DoCount(), static_cast<int>(SendMessageW(hwnd, LB_GETTOPINDEX, 0, 0)), client.right};
}

void ListBoxResultList::Changed(int row) {
    firstChanged_ = std::min(firstChanged_, row);
    lastChanged_ = std::max(lastChanged_, row);
}

void ListBoxResultList::DoBeginUpdate() {
    before_ = Shown();
    // The current row loses its focus rectangle if another becomes current.
    firstChanged_ = lastChanged_ = static_cast<int>(SendMessageW(hwnd, LB_GETCARETINDEX, 0, 0));
    if (!GetUpdateRect(hwnd, &owed_, FALSE)) owed_ = {};
    updating_ = true;
    // Frozen, a list box still draws: Wine's scrolls its rows and moves its
    // focus rectangle on the screen at once (comctl32 listbox.c,
    // LISTBOX_SetTopItem, LISTBOX_DrawFocusRect), and redraws its scroll
    // bar as soon as redraw is back, before the rows are painted. Nothing
    // draws a window without WS_VISIBLE (the same, and ScrollWindowEx and
    // the scroll bar in win32u), and DefWindowProc's WM_SETREDRAW takes the
    // style away until redraw is back, the list staying on the screen as it
    // is (Microsoft's WM_SETREDRAW page; Wine's test_WM_SETREDRAW in
    // user32/tests/msg.c, which Windows passes: the style, no message). It
    // forgets what was waiting to be painted, kept above.
    hidden_ = (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    if (hidden_) DefWindowProcW(hwnd, WM_SETREDRAW, FALSE, 0);
}

void ListBoxResultList::DoEndUpdate() {
    if (!updating_) return;
    updating_ = false;
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    if (hidden_) DefWindowProcW(hwnd, WM_SETREDRAW, TRUE, 0);
    // Back on, the list box asks for its whole client area, erased,
    // whatever changed (LISTBOX_SetRedraw; Windows' as well: Wine's
    // test_ownerdraw in comctl32/tests/listbox.c sees every row drawn again
    // after one added while frozen). Hidden, it asks in vain; one that shows
    // itself first is answered below by a validation. The page's
    // RedrawWindow would ask the same, frame included, for a caller that
    // does not know what changed. This one knows: the rows it touched;
    // every row once rows moved (another top row, the scroll bar shown or
    // hidden); the rows below as well when the count changed; what was
    // waiting, and what the window behind will paint over. No erase: the
    // list box paints every pixel of its client area, and its WM_ERASEBKGND
    // draws nothing unless it is owner-drawn (listbox.c, LISTBOX_Paint,
    // WM_ERASEBKGND); only rows gone leave an area that no row paints.
    const View now = Shown();
    RECT client;
    GetClientRect(hwnd, &client);
    RECT rows = client;
    if (now.top == before_.top && now.width == before_.width) {
        const LONG height = static_cast<LONG>(SendMessageW(hwnd, LB_GETITEMHEIGHT, 0, 0));
        rows.top = std::max<LONG>(0, (firstChanged_ - now.top) * height);
        if (now.count == before_.count)
            rows.bottom = std::min(rows.bottom, (lastChanged_ + 1 - now.top) * height);
    }
    RECT behind = {};
    HWND parent = GetParent(hwnd);
    if (GetUpdateRect(parent, &behind, FALSE))
        MapWindowPoints(parent, hwnd, reinterpret_cast<POINT*>(&behind), 2);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_VALIDATE | RDW_NOERASE);
    // Of the frame only the scroll bar changes, with the count or the top
    // row. The frame is painted at once (with what a window shown again may
    // be owed, as Wine gives it) and alone: painted with rows, Wine's themed
    // list box would first fill them with the theme's background
    // (LISTBOX_NCPaint draws over all of the region it is given).
    RECT strip;
    GetWindowRect(hwnd, &strip);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&strip), 2);
    strip.left = client.right;
    const bool scrolled = (GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL) &&
                          (now.count != before_.count || now.top != before_.top);
    RedrawWindow(hwnd, &strip, nullptr, RDW_ERASENOW | (scrolled ? RDW_INVALIDATE | RDW_FRAME : 0));
    const UINT erase = now.count < before_.count ? RDW_ERASE : 0;
    for (const RECT* area : {&owed_, &behind, &rows}) {
        if (area->top < area->bottom)
            RedrawWindow(hwnd, area, nullptr, RDW_INVALIDATE | (area == &rows ? erase : 0));
    }
}

}  // namespace tavrune
