#include "app/FitApp.h"

#include "app/ModelSelectDlg.h"

BEGIN_MESSAGE_MAP(CFitApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CFitApp::InitInstance()
{
    Enable3dControls();
    CModelSelectDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}
