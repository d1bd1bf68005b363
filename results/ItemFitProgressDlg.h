#pragma once

#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "results/ItemFitJob.h"

// Shows how far the item fit has got, and ends with OK when it is done;
// Cancel stops the work and ends with Cancel.
class CItemFitProgressDlg : public CDialog {
public:
    CItemFitProgressDlg(ItemFitJob& job, CWnd* parent);

    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    afx_msg void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    ItemFitJob& m_job;
};
