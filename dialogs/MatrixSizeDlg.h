#pragma once

#include "framework/Dialog.h"

// Numbers of subjects and items of a binary-model run.
class CMatrixSizeDlg : public CDialog {
public:
    explicit CMatrixSizeDlg(CWnd* parent = nullptr);

    UINT m_nItems = 0;
    UINT m_nSubjects = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads, writes back and reads again: the boxes show plain numbers
    // after a success, and the stored values after a failure.
    void OnOK() override;
};
