#include "app/MissingCodesDlg.h"

#include <cctype>
#include <string>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

constexpr const char* kSection = "Config";
constexpr const char* kEntry = "MissingCodes";

}  // namespace

CMissingCodesDlg::CMissingCodesDlg(CWnd* parent) : CDialog(IDD_MISSING_CODES, parent) {}

void CMissingCodesDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_MISSING_CODES, m_strCodes);
    if (!pDX->m_bSaveAndValidate)
        return;
    std::string error;
    if (!ParseMissingCodes(m_strCodes, m_codes, error)) {
        pDX->PrepareEditCtrl(IDC_MISSING_CODES);
        error[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(error[0])));
        AfxMessageBox(error + ".", MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

MissingCodes ProfileMissingCodes()
{
    MissingCodes codes;
    std::string error;
    // A profile edited by hand into something unreadable means none.
    if (const CWinApp* app = AfxGetApp())
        ParseMissingCodes(app->GetProfileString(kSection, kEntry), codes, error);
    return codes;
}

bool KeepMissingCodes(const MissingCodes& codes)
{
    CWinApp* app = AfxGetApp();
    return app && app->WriteProfileString(kSection, kEntry, codes.text());
}
