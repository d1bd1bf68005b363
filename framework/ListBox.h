#pragma once

#include "framework/Wnd.h"

constexpr int LB_ERR = -1;

// A list box control of a dialog, bound with DDX_Control.
class CListBox : public CWnd {
public:
    int AddString(const CString& text);  // appended; returns its index
    int GetCount() const;
    void GetText(int index, CString& text) const;
    int GetCurSel() const;  // LB_ERR when nothing is selected
};
