#pragma once

#include "dialogs/ModelInputDlg.h"

// File names of a 3-parameter run; with m_bWithoutC, of a Graded Response
// Model run (the C row out of use).
class CThreeParamDlg : public CModelInputDlg {
public:
    explicit CThreeParamDlg(CWnd* parent = nullptr);

    int m_bWithoutC = 0;
    CString m_strDiscriminationFile;
    CString m_strCFile;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    std::vector<Browse> BrowseButtons() override;
    const char* NodesNote() const override;
    bool NoteOnlyWithoutName() const override { return true; }
    const char* FailedCheck() const override;
};
