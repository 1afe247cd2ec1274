// The control identifier of each entry of the layout table.
#pragma once

#include "ui/layout.h"
#include "win32/resource.h"

namespace tavrune {

inline int ControlId(const ControlSpec& c) {
    switch (c.name) {
        case ControlName::Form1: return 0;
        case ControlName::Command1: return IDC_COMMAND1;
        case ControlName::Frame1: return IDC_FRAME1;
        case ControlName::Option1: return IDC_OPTION1 + c.index;
        case ControlName::Label1: return IDC_LABEL1;
        case ControlName::List1: return IDC_LIST1;
        case ControlName::Frame2: return IDC_FRAME2;
        case ControlName::Check1: return IDC_CHECK1 + c.index;
    }
    return 0;
}

}  // namespace tavrune
