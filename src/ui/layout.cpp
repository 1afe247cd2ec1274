#include "ui/layout.h"

namespace tavrune {

int TwipsToPixels(int twips, int dpi) {
    const long long product = static_cast<long long>(twips) * dpi;
    return static_cast<int>(product >= 0 ? (product + 720) / 1440 : -((-product + 720) / 1440));
}

static const ControlSpec* ContainerOf(const ControlSpec& control) {
    if (control.container == kInWindow) return nullptr;
    for (const ControlSpec& c : kControls) {
        if (c.name == control.container) return &c;
    }
    return nullptr;
}

Rect ClientRect(const ControlSpec& control, int dpi) {
    int left = control.left;
    int top = control.top;
    if (const ControlSpec* container = ContainerOf(control)) {
        left += container->left;
        top += container->top;
    }
    return {TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(control.width, dpi),
            TwipsToPixels(control.height, dpi)};
}

void FrontToBackOrder(int (&order)[kControlCount]) {
    int n = 0;
    for (int i = 0; i < kControlCount; ++i) {
        if (kControls[i].container != kInWindow) continue;
        for (int j = 0; j < kControlCount; ++j) {
            if (kControls[i].kind == ControlKind::Frame && kControls[j].container == kControls[i].name) {
                order[n++] = j;
            }
        }
        order[n++] = i;
    }
}

int NextInTabOrder(int from, bool backwards, bool (*canFocus)(int, void*), void* context) {
    // Walk the tab orders cyclically, starting next to `from`'s.
    int maxOrder = 0;
    for (const ControlSpec& c : kControls) maxOrder = c.tabOrder > maxOrder ? c.tabOrder : maxOrder;
    const int span = maxOrder + 1;
    int order = (from >= 0 && from < kControlCount) ? kControls[from].tabOrder : (backwards ? 0 : maxOrder);
    for (int step = 0; step < span; ++step) {
        order = (order + (backwards ? span - 1 : 1)) % span;
        for (int i = 0; i < kControlCount; ++i) {
            if (kControls[i].tabOrder == order && canFocus(i, context)) return i;
        }
    }
    return -1;
}

}  // namespace tavrune
