#pragma once

#include "framework/Dialog.h"

// The main window: one button per model, About and Quit.
class CModelSelectDlg : public CDialog {
public:
    explicit CModelSelectDlg(CWnd* parent = nullptr);

    HICON m_hIcon;

protected:
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT id, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HICON OnQueryDragIcon();
    afx_msg void OnAboutButton();
    afx_msg void OnThreeParameters();
    afx_msg void OnTwoParameters();
    afx_msg void OnOneParameter();
    afx_msg void OnGradedResponseModel();
    afx_msg void OnPartialCreditModel();

    DECLARE_MESSAGE_MAP()
};
