// Identifiers and version shared by the resource script and the code.
#pragma once

#define TAVRUNE_VERSION_FIXED 1, 0, 0, 0
#define TAVRUNE_VERSION_TEXT "1.00"

#define IDI_TAVRUNE 1

// Control identifiers: a control array's members add their index.
#define IDC_COMMAND1 1001
#define IDC_FRAME1 1002
#define IDC_LABEL1 1003
#define IDC_LIST1 1004
#define IDC_FRAME2 1005
#define IDC_OPTION1 1100
#define IDC_CHECK1 1200
