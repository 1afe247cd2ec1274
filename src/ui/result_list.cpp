#include "ui/result_list.h"

#include <algorithm>

namespace tavrune {

int TopRowShowing(int row, int top, int rowHeight, int viewHeight) {
    if (row < top || rowHeight <= 0) return row;
    const int whole = std::max(1, viewHeight / rowHeight);
    return row < top + whole ? top : row - whole + 1;
}

void ResultList::Remove(int i) {
    if (Exists(i)) DoRemove(i);
}

std::u16string ResultList::Text(int i) const { return Exists(i) ? DoText(i) : std::u16string(); }

void ResultList::SetText(int i, const std::u16string& text) {
    if (!Exists(i)) {
        if (i >= Count()) Append(text);
        return;
    }
    const bool marked = DoMarked(i);
    DoRemove(i);
    DoInsert(i, text);
    if (marked) DoSetMarked(i, true);
}

void ResultList::SetMarked(int i, bool marked) {
    if (Exists(i)) DoSetMarked(i, marked);
}

void ResultList::SetCurrent(int i) {
    if (Exists(i)) DoSetCurrent(i);
}

void MemoryResultList::DoInsert(int i, const std::u16string& text) {
    rows_.insert(rows_.begin() + i, Row{text, false});
    if (current_ >= i) ++current_;
}

void MemoryResultList::DoRemove(int i) {
    rows_.erase(rows_.begin() + i);
    if (current_ == i)
        current_ = -1;
    else if (current_ > i)
        --current_;
}

void MemoryResultList::DoClear() {
    rows_.clear();
    current_ = -1;
}

}  // namespace tavrune
