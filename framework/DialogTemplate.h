#pragma once

#include <vector>

// Dialog templates: sizes and positions in dialog units, controls in tab
// order. The application's resources provide them (FindDialogTemplate).

// Window and control styles.
constexpr unsigned WS_CHILD = 0x40000000;
constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned WS_TABSTOP = 0x00010000;
constexpr unsigned WS_GROUP = 0x00020000;
constexpr unsigned WS_VSCROLL = 0x00200000;
constexpr unsigned WS_BORDER = 0x00800000;
constexpr unsigned WS_DISABLED = 0x08000000;
constexpr unsigned WS_MINIMIZEBOX = 0x00020000;  // on dialogs
constexpr unsigned WS_SYSMENU = 0x00080000;
constexpr unsigned WS_CAPTION = 0x00C00000;
constexpr unsigned DS_MODALFRAME = 0x80;
constexpr unsigned ES_AUTOHSCROLL = 0x0080;
constexpr unsigned ES_READONLY = 0x0800;
constexpr unsigned SS_LEFTNOWORDWRAP = 0x000C;
constexpr unsigned LBS_NOTIFY = 0x0001;
constexpr unsigned LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr unsigned LBS_NOSEL = 0x4000;
constexpr unsigned LVS_REPORT = 0x0001;
constexpr unsigned LVS_SINGLESEL = 0x0004;
constexpr unsigned LVS_SHOWSELALWAYS = 0x0008;
// The owner holds the rows and gives their texts as they are drawn
// (LVN_GETDISPINFO); the list holds only their number.
constexpr unsigned LVS_OWNERDATA = 0x1000;

enum class ControlKind {
    DefPushButton,
    PushButton,
    GroupBox,
    LeftText,    // label, left-aligned, wrapping unless SS_LEFTNOWORDWRAP
    CenterText,  // label, centred
    Edit,
    RadioButton,  // automatic; WS_GROUP starts a new group
    CheckBox,     // automatic
    ListBox,
    ListView,  // a table of rows with column headings (LVS_REPORT)
    Progress,  // a progress bar
    Icon,      // text holds the icon resource number
};

struct ControlTemplate {
    int id;  // -1 for none
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;
    unsigned style;
};

struct DialogTemplate {
    int id;
    int cx, cy;
    const char* caption;
    const char* font;  // "MS Sans Serif" or "Courier"
    int pointSize;
    unsigned style;
    std::vector<ControlTemplate> controls;
};
