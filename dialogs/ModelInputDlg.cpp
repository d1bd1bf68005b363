#include "dialogs/ModelInputDlg.h"

#include "framework/FileDialog.h"
#include "res/resource.h"

CModelInputDlg::CModelInputDlg(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

BEGIN_MESSAGE_MAP(CModelInputDlg, CDialog)
    ON_BN_CLICKED(IDC_NORMAL_METRIC, OnNormalMetric)
    ON_BN_CLICKED(IDC_LOGISTIC_METRIC, OnLogisticMetric)
    ON_BN_CLICKED(IDC_NODES20, On20Nodes)
    ON_BN_CLICKED(IDC_NODES51, On51Nodes)
    ON_BN_CLICKED(IDC_NODES_FILE_OPTION, OnNodesFile)
    ON_BN_CLICKED(IDC_USE_ESTIMATES, OnUseEstimates)
    ON_BN_CLICKED(IDC_BROWSE_DISCRIMINATION, OnBrowseDiscrimination)
    ON_BN_CLICKED(IDC_BROWSE_DIFFICULTY, OnBrowseDifficulty)
    ON_BN_CLICKED(IDC_BROWSE_C, OnBrowseC)
    ON_BN_CLICKED(IDC_BROWSE_SCORES, OnBrowseScores)
    ON_BN_CLICKED(IDC_BROWSE_NODES, OnBrowseNodes)
    ON_BN_CLICKED(IDC_BROWSE_ESTIMATES, OnBrowseEstimates)
END_MESSAGE_MAP()

const char* CModelInputDlg::NodesNote() const
{
    return "Note that a file with nodes data must be expecified following BILOG format output.\n"
           "The number of nodes expected are 20.";
}

const char* CModelInputDlg::NodesFileCheck(const char* message) const
{
    return m_nLatentDist == 1 && m_strNodesFile.empty() ? message : nullptr;
}

const char* CModelInputDlg::EstimatesFileCheck() const
{
    return m_bUseLatentDist == 0 && m_strEstimatesFile.empty() ? "Please, select a file with subjects' estimates"
                                                               : nullptr;
}

BOOL CModelInputDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(IDC_NORMAL_METRIC, IDC_LOGISTIC_METRIC, IDC_NORMAL_METRIC);
    m_nMetric = 0;
    m_bUseLatentDist = 1;
    CheckDlgButton(IDC_NODES20, 1);
    m_nLatentDist = 0;
    EnableNodesFile(FALSE);
    return TRUE;
}

void CModelInputDlg::EnableNodesFile(BOOL enable)
{
    GetDlgItem(IDC_NODES_FILE)->EnableWindow(enable);
    GetDlgItem(IDC_BROWSE_NODES)->EnableWindow(enable);
}

void CModelInputDlg::OnNormalMetric() { m_nMetric = 0; }

void CModelInputDlg::OnLogisticMetric() { m_nMetric = 1; }

void CModelInputDlg::On20Nodes()
{
    m_nLatentDist = 0;
    EnableNodesFile(FALSE);
}

void CModelInputDlg::On51Nodes()
{
    m_nLatentDist = 2;
    EnableNodesFile(FALSE);
}

void CModelInputDlg::OnNodesFile()
{
    // The name as of the last reading of the boxes, not as typed since.
    if (!NoteOnlyWithoutName() || m_strNodesFile.empty())
        AfxMessageBox(NodesNote());
    m_nLatentDist = 1;
    EnableNodesFile(TRUE);
}

void CModelInputDlg::OnUseEstimates()
{
    m_bUseLatentDist = m_bUseLatentDist == 1 ? 0 : 1;
    m_nLatentDist = m_bUseLatentDist == 1 ? 0 : -1;
    const BOOL latent = m_bUseLatentDist == 1;
    for (int id : {IDC_LATENT_GROUP, IDC_NODES_FILE, IDC_BROWSE_NODES, IDC_NODES20, IDC_NODES51, IDC_NODES_FILE_OPTION})
        GetDlgItem(id)->EnableWindow(latent);
    CheckDlgButton(IDC_NODES20, latent);
    CheckDlgButton(IDC_NODES51, 0);
    CheckDlgButton(IDC_NODES_FILE_OPTION, 0);
    for (int id : {IDC_ESTIMATES_LABEL, IDC_ESTIMATES_FILE, IDC_BROWSE_ESTIMATES})
        GetDlgItem(id)->EnableWindow(!latent);
}

void CModelInputDlg::OnBrowseDiscrimination() { BrowseFor(IDC_BROWSE_DISCRIMINATION); }
void CModelInputDlg::OnBrowseDifficulty() { BrowseFor(IDC_BROWSE_DIFFICULTY); }
void CModelInputDlg::OnBrowseC() { BrowseFor(IDC_BROWSE_C); }
void CModelInputDlg::OnBrowseScores() { BrowseFor(IDC_BROWSE_SCORES); }
void CModelInputDlg::OnBrowseNodes() { BrowseFor(IDC_BROWSE_NODES); }
void CModelInputDlg::OnBrowseEstimates() { BrowseFor(IDC_BROWSE_ESTIMATES); }

void CModelInputDlg::BrowseFor(int button)
{
    for (const Browse& browse : BrowseButtons()) {
        if (browse.button != button)
            continue;
        CFileDialog chooser(TRUE, nullptr, nullptr, OFN_HIDEREADONLY,
                            "*.dat|*.dat|Tables (*.csv *.tsv)|*.csv;*.tsv|All files (*)|*||", this);
        chooser.m_title = browse.title;
        if (chooser.DoModal() != IDOK)
            return;
        // A failed reading is shown, and the chosen path still stored.
        UpdateData(TRUE);
        *browse.field = chooser.GetPathName();
        UpdateData(FALSE);
        return;
    }
}

void CModelInputDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (const char* message = FailedCheck()) {
        AfxMessageBox(message);
        return;
    }
    CDialog::OnOK();
}
