#pragma once

#include "framework/Wnd.h"

// Column formats, item states and notifications of list controls.
constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVNI_SELECTED = 0x0002;
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
constexpr UINT LVN_COLUMNCLICK = static_cast<UINT>(-108);
constexpr UINT LVN_GETDISPINFO = static_cast<UINT>(-150);
constexpr UINT LVIF_TEXT = 0x0001;

// What LVN_ITEMCHANGED and LVN_COLUMNCLICK carry.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;     // the row, -1 for a column click
    int iSubItem;  // the column clicked
    UINT uNewState, uOldState, uChanged;
};

// What LVN_GETDISPINFO asks of an owner-data list's owner: the text of
// row iItem, column iSubItem, copied into pszText, at most cchTextMax
// bytes with its terminating zero.
struct LVITEM {
    UINT mask;
    int iItem;
    int iSubItem;
    char* pszText;
    int cchTextMax;
};
struct NMLVDISPINFO {
    NMHDR hdr;
    LVITEM item;
};

// Compares the data of two rows for SortItems: negative, 0 or positive.
using PFNLVCOMPARE = int (*)(LPARAM first, LPARAM second, LPARAM sortData);

// A list control in report view, bound with DDX_Control: rows of texts
// under column headings. A click on a heading and a change of the
// selected row come to the dialog as WM_NOTIFY. A list of LVS_OWNERDATA
// style holds only the number of its rows (SetItemCountEx) and asks their
// texts of the dialog as it draws them (LVN_GETDISPINFO); rows cannot be
// inserted, given data or sorted in it.
class CListCtrl : public CWnd {
public:
    int InsertColumn(int column, const CString& heading, int format = LVCFMT_LEFT, int width = -1);
    int InsertItem(int item, const CString& text);  // returns its index
    BOOL SetItemText(int item, int subItem, const CString& text);
    CString GetItemText(int item, int subItem) const;
    int GetItemCount() const;
    BOOL DeleteAllItems();
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    // Orders the rows by compare on their data; the selection stays with
    // its row.
    BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR sortData);
    // The first row after start with the state (LVNI_SELECTED), or -1.
    int GetNextItem(int start, int flags) const;
    // LVIS_SELECTED in mask selects (state) or deselects the row.
    BOOL SetItemState(int item, UINT state, UINT mask);
    BOOL EnsureVisible(int item, BOOL partialOK);

    // Owner data: the number of rows, which are drawn afresh.
    BOOL SetItemCountEx(int count);
    // Owner data: the rows first to last are drawn afresh.
    BOOL RedrawItems(int first, int last);
    BOOL SetColumnWidth(int column, int width);
    // The width of text in the list's font, in pixels.
    int GetStringWidth(const CString& text) const;
};
