#pragma once

#include "counts/MissingCodes.h"
#include "framework/Dialog.h"

// The codes of answers not given, as the user writes them; OK only with
// codes that read (ParseMissingCodes), empty for none. Whether the model
// takes them is told when a run starts.
class CMissingCodesDlg : public CDialog {
public:
    explicit CMissingCodesDlg(CWnd* parent = nullptr);

    CString m_strCodes;
    MissingCodes m_codes;  // read from m_strCodes on OK

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

// The codes the profile keeps between runs, and keeping them.
MissingCodes ProfileMissingCodes();
bool KeepMissingCodes(const MissingCodes& codes);
