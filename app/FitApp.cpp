#include "app/FitApp.h"

#include "app/ModelSelectDlg.h"
#include "kernels/VectorPath.h"

BEGIN_MESSAGE_MAP(CFitApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CFitApp::InitInstance()
{
    Enable3dControls();
    // A vector path this processor lacks is never run, nor silently swapped.
    std::string refused;
    if (!UseVectorPathFromEnvironment(refused)) {
        AfxMessageBox(refused, MB_ICONEXCLAMATION);
        return FALSE;
    }
    CModelSelectDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}
