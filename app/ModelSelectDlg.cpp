#include "app/ModelSelectDlg.h"

#include "app/AboutDlg.h"
#include "app/AnalysisRun.h"
#include "app/MissingCodesDlg.h"
#include "framework/DC.h"
#include "framework/WinApp.h"
#include "res/resource.h"

CModelSelectDlg::CModelSelectDlg(CWnd* parent)
    : CDialog(IDD_MODEL_SELECT, parent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME))
{
}

BEGIN_MESSAGE_MAP(CModelSelectDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_ABOUT, OnAboutButton)
    ON_BN_CLICKED(IDC_THREE_PARAMETERS, OnThreeParameters)
    ON_BN_CLICKED(IDC_TWO_PARAMETERS, OnTwoParameters)
    ON_BN_CLICKED(IDC_ONE_PARAMETER, OnOneParameter)
    ON_BN_CLICKED(IDC_GRADED_RESPONSE, OnGradedResponseModel)
    ON_BN_CLICKED(IDC_PARTIAL_CREDIT, OnPartialCreditModel)
END_MESSAGE_MAP()

BOOL CModelSelectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    const CString about = LoadStringResource(IDS_ABOUTBOX);
    if (!about.empty()) {
        CMenu* menu = GetSystemMenu(FALSE);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_MISSING_CODES, LoadStringResource(IDS_MISSING_CODES));
        menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    return TRUE;
}

void CModelSelectDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.DoModal();
    } else if ((id & 0xFFF0) == IDM_MISSING_CODES) {
        CMissingCodesDlg codes(this);
        codes.m_strCodes = ProfileMissingCodes().text();
        if (codes.DoModal() == IDOK && !KeepMissingCodes(codes.m_codes))
            AfxMessageBox("Cannot keep the missing codes in the settings file.", MB_ICONEXCLAMATION);
    } else {
        CDialog::OnSysCommand(id, lParam);
    }
}

void CModelSelectDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, dc.GetSafeHdc(), 0);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HICON CModelSelectDlg::OnQueryDragIcon() { return m_hIcon; }

void CModelSelectDlg::OnAboutButton()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CModelSelectDlg::OnThreeParameters() { RunAnalysis(kThreeParametersRun, this); }
void CModelSelectDlg::OnTwoParameters() { RunAnalysis(kTwoParametersRun, this); }
void CModelSelectDlg::OnOneParameter() { RunAnalysis(kOneParameterRun, this); }
void CModelSelectDlg::OnGradedResponseModel() { RunAnalysis(kGradedResponseRun, this); }
void CModelSelectDlg::OnPartialCreditModel() { RunAnalysis(kPartialCreditRun, this); }
