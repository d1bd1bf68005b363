#pragma once

#include "dialogs/ModelInputDlg.h"

// File names and the common discrimination of a 1-parameter run; of a
// Partial Credit Model run too.
class COneParamDlg : public CModelInputDlg {
public:
    explicit COneParamDlg(CWnd* parent = nullptr);

    double m_dDiscriminationConstant = 0.0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    std::vector<Browse> BrowseButtons() override;
    const char* FailedCheck() const override;
};
