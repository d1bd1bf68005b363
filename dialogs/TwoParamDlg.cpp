#include "dialogs/TwoParamDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CTwoParamDlg::CTwoParamDlg(CWnd* parent) : CModelInputDlg(IDD_TWO_PARAM, parent) {}

void CTwoParamDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_DISCRIMINATION_FILE, m_strDiscriminationFile);
    DDX_Text(pDX, IDC_DIFFICULTY_FILE, m_strDifficultyFile);
    DDX_Text(pDX, IDC_SCORE_FILE, m_strScoreFile);
    DDX_Text(pDX, IDC_NODES_FILE, m_strNodesFile);
    DDV_MaxChars(pDX, m_strNodesFile, 80);
    DDX_Text(pDX, IDC_ESTIMATES_FILE, m_strEstimatesFile);
}

std::vector<CModelInputDlg::Browse> CTwoParamDlg::BrowseButtons()
{
    return {
        {IDC_BROWSE_DISCRIMINATION, "Choose your input file with discrimination indices", &m_strDiscriminationFile},
        {IDC_BROWSE_DIFFICULTY, "Choose your input file with dificulty indices", &m_strDifficultyFile},
        {IDC_BROWSE_SCORES, "Choose your input file with Items scores", &m_strScoreFile},
        {IDC_BROWSE_NODES, "Choose your input file with the 20 nodes", &m_strNodesFile},
        {IDC_BROWSE_ESTIMATES, "Choose your input file with subject's estimates", &m_strEstimatesFile},
    };
}

const char* CTwoParamDlg::FailedCheck() const
{
    if (m_strDiscriminationFile.empty())
        return "Please, select a file with the discrimination indices";
    if (m_strDifficultyFile.empty())
        return "Please, select a file with the dificulty indices";
    if (m_strScoreFile.empty())
        return "Please, select a file with subjects' scores";
    if (const char* message = NodesFileCheck("Please, select a file with the 20 nodes"))
        return message;
    return EstimatesFileCheck();
}
