#pragma once

#include "dialogs/ModelInputDlg.h"

// File names of a 2-parameter run.
class CTwoParamDlg : public CModelInputDlg {
public:
    explicit CTwoParamDlg(CWnd* parent = nullptr);

    CString m_strDiscriminationFile;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    std::vector<Browse> BrowseButtons() override;
    const char* FailedCheck() const override;
};
