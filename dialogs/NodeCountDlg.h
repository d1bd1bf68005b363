#pragma once

#include "framework/Dialog.h"

// Number of nodes in a nodes file of the user's.
class CNodeCountDlg : public CDialog {
public:
    explicit CNodeCountDlg(CWnd* parent = nullptr);

    int m_nNodes = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
