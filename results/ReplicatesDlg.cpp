#include "results/ReplicatesDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CReplicatesDlg::CReplicatesDlg(CWnd* parent) : CDialog(IDD_REPLICATES, parent) {}

BOOL CReplicatesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_prompt.empty())
        GetDlgItem(IDC_REPLICATES_PROMPT)->SetWindowText(m_prompt);
    return TRUE;
}

void CReplicatesDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_REPLICATES, m_nReplicates);
    DDV_MinMaxInt(pDX, m_nReplicates, 1, 10000000);
}

std::optional<MonteCarloResult> AskAndSimulate(const SimulateFunction& simulate, CWnd* parent)
{
    CReplicatesDlg ask(parent);
    if (!simulate || ask.DoModal() != IDOK)
        return std::nullopt;
    return simulate(static_cast<std::uint64_t>(ask.m_nReplicates));
}
