#include "dialogs/OneParamDlg.h"

#include <cmath>

#include "framework/DataExchange.h"
#include "res/resource.h"

COneParamDlg::COneParamDlg(CWnd* parent) : CModelInputDlg(IDD_ONE_PARAM, parent) {}

void COneParamDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_SCORE_FILE, m_strScoreFile);
    DDV_MaxChars(pDX, m_strScoreFile, 80);
    DDX_Text(pDX, IDC_DIFFICULTY_FILE, m_strDifficultyFile);
    DDV_MaxChars(pDX, m_strDifficultyFile, 80);
    DDX_Text(pDX, IDC_DISCRIMINATION_CONSTANT, m_dDiscriminationConstant);
    DDX_Text(pDX, IDC_NODES_FILE, m_strNodesFile);
    DDV_MaxChars(pDX, m_strNodesFile, 80);
    DDX_Text(pDX, IDC_ESTIMATES_FILE, m_strEstimatesFile);
}

std::vector<CModelInputDlg::Browse> COneParamDlg::BrowseButtons()
{
    return {
        {IDC_BROWSE_DIFFICULTY, "Choose your input file with dificulty indices", &m_strDifficultyFile},
        {IDC_BROWSE_SCORES, "Choose your input file with Items scores", &m_strScoreFile},
        {IDC_BROWSE_NODES, "Choose your input file with the 20 nodes", &m_strNodesFile},
        {IDC_BROWSE_ESTIMATES, "Choose your input file with subject's estimates", &m_strEstimatesFile},
    };
}

const char* COneParamDlg::FailedCheck() const
{
    if (m_strDifficultyFile.empty())
        return "Please, select a file with the dificulty indices";
    // The engines take the constant in single precision: check that value.
    const float constant = static_cast<float>(m_dDiscriminationConstant);
    if (constant == 0.0f || !std::isfinite(constant))
        return "Please, select the discrimination constant value";
    if (m_strScoreFile.empty())
        return "Please, select a file with subjects' scores";
    if (const char* message = NodesFileCheck("Please, select a file with the 20 nodes"))
        return message;
    return EstimatesFileCheck();
}
