#pragma once

// The small application framework the windows are written against: the
// names, messages and constants of a classic dialog framework, on Qt.

#include <cstdint>
#include <string>

using UINT = unsigned int;
using BOOL = int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using COLORREF = std::uint32_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using CString = std::string;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

class CIcon;
using HICON = CIcon*;

// Dialog results and standard control identifiers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Messages.
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;

// Mouse message flags, in wParam.
constexpr UINT MK_LBUTTON = 0x0001;

// What WM_NOTIFY carries in lParam, first in every notification.
struct NMHDR {
    void* hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

// Size types of WM_SIZE.
constexpr UINT SIZE_RESTORED = 0;

// Notification codes of WM_COMMAND, in the high word of wParam.
constexpr UINT BN_CLICKED = 0;

// System commands.
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;

// Menu item flags, and how a popup menu is tracked.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_RETURNCMD = 0x0100;

// Message box styles and results.
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
int GetSystemMetrics(int index);

inline constexpr UINT LOWORD(WPARAM w) { return static_cast<UINT>(w & 0xFFFF); }
inline constexpr UINT HIWORD(WPARAM w) { return static_cast<UINT>((w >> 16) & 0xFFFF); }
inline constexpr WPARAM MAKEWPARAM(UINT low, UINT high) { return (WPARAM(high & 0xFFFF) << 16) | (low & 0xFFFF); }
inline constexpr LPARAM MAKELPARAM(UINT low, UINT high) { return static_cast<LPARAM>(MAKEWPARAM(low, high)); }
inline constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16; }

// What the framework throws when a window or drawing object cannot be
// made. Handlers the toolkit calls (paint, timer) end at it quietly.
class CException {
public:
    virtual ~CException() = default;
};
class CResourceException : public CException {};
[[noreturn]] void AfxThrowResourceException();

// Shows text in a message box with an OK button, captioned with the
// application's title; MB_ICONEXCLAMATION adds the warning icon.
int AfxMessageBox(const CString& text, UINT type = MB_OK);

// Puts text on the clipboard; false when there is no clipboard.
BOOL AfxSetClipboardText(const CString& text);

// A string resource, empty when there is none with that identifier.
CString LoadStringResource(UINT id);
