#include "dialogs/ThreeParamDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CThreeParamDlg::CThreeParamDlg(CWnd* parent) : CModelInputDlg(IDD_THREE_PARAM, parent) {}

void CThreeParamDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_DISCRIMINATION_FILE, m_strDiscriminationFile);
    DDX_Text(pDX, IDC_DIFFICULTY_FILE, m_strDifficultyFile);
    DDX_Text(pDX, IDC_C_FILE, m_strCFile);
    DDX_Text(pDX, IDC_SCORE_FILE, m_strScoreFile);
    DDX_Text(pDX, IDC_NODES_FILE, m_strNodesFile);
    DDX_Text(pDX, IDC_ESTIMATES_FILE, m_strEstimatesFile);
}

BOOL CThreeParamDlg::OnInitDialog()
{
    CModelInputDlg::OnInitDialog();
    if (m_bWithoutC == 1)
        for (int id : {IDC_C_LABEL, IDC_C_FILE, IDC_BROWSE_C})
            GetDlgItem(id)->EnableWindow(FALSE);
    return TRUE;
}

std::vector<CModelInputDlg::Browse> CThreeParamDlg::BrowseButtons()
{
    return {
        {IDC_BROWSE_DISCRIMINATION, "Choose your input file with discrimination indices", &m_strDiscriminationFile},
        {IDC_BROWSE_DIFFICULTY, "Choose your input file with dificulty indices", &m_strDifficultyFile},
        {IDC_BROWSE_C, "Choose your input file with C indices", &m_strCFile},
        {IDC_BROWSE_SCORES, "Choose your input file with Items scores", &m_strScoreFile},
        {IDC_BROWSE_NODES, "Choose your input file with the nodes", &m_strNodesFile},
        {IDC_BROWSE_ESTIMATES, "Choose your input file with subject's estimates", &m_strEstimatesFile},
    };
}

const char* CThreeParamDlg::NodesNote() const
{
    return "Note that a file with nodes data must be expecified following BILOG format output.\n\n"
           " (See file 'nodes20.dat' for an example).";
}

const char* CThreeParamDlg::FailedCheck() const
{
    if (m_strDiscriminationFile.empty())
        return "Please, select a file with the discrimination indices";
    if (m_strDifficultyFile.empty())
        return "Please, select a file with the dificulty indices";
    if (m_bWithoutC != 1 && m_strCFile.empty())
        return "Please, select a file with the 'C' indices";
    if (m_strScoreFile.empty())
        return "Please, select a file with subjects' scores";
    if (const char* message = NodesFileCheck("Please, select a file with the nodes"))
        return message;
    return EstimatesFileCheck();
}
