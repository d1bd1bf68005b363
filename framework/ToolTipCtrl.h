#pragma once

#include "framework/Afx.h"

class CWnd;

// Tips shown when the pointer rests on a control.
class CToolTipCtrl {
public:
    BOOL Create(CWnd* parent);
    // Gives control the tip text, replacing any it had.
    BOOL AddTool(CWnd* control, const CString& text);
    // Changes the tip of a control or window, as a window does whose tip
    // follows the pointer across it.
    void UpdateTipText(const CString& text, CWnd* control);
    // The tip a control has now; empty for none.
    static CString GetToolText(const CWnd* control);

private:
    CWnd* m_pParent = nullptr;
};
