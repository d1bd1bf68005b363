#pragma once

#include "framework/Dialog.h"

// Numbers of subjects, items and response categories of a polytomous run.
class CCategorySizeDlg : public CDialog {
public:
    explicit CCategorySizeDlg(CWnd* parent = nullptr);

    UINT m_nCategories = 0;
    UINT m_nItems = 0;
    UINT m_nSubjects = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
