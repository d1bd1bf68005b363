#pragma once

#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "results/BackgroundWork.h"

// Shows how far work has got, under the caption given, and ends with OK
// when it is done; Cancel stops the work and ends with Cancel.
class CProgressDlg : public CDialog {
public:
    CProgressDlg(BackgroundWork& work, const CString& caption, CWnd* parent);

    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    afx_msg void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    BackgroundWork& m_work;
    CString m_caption;
};
