#include "results/FitStatisticsDlg.h"

#include "res/resource.h"
#include "stats/SummaryFormat.h"

BEGIN_MESSAGE_MAP(CFitStatisticsDlg, CDialog)
    ON_BN_CLICKED(IDC_SIMULATE, OnSimulate)
END_MESSAGE_MAP()

CFitStatisticsDlg::CFitStatisticsDlg(const FitSummary& summary, const CString& note, SimulateFunction simulate,
                                     CWnd* parent)
    : CDialog(IDD_FIT_STATISTICS, parent), m_summary(summary), m_note(note), m_simulate(std::move(simulate))
{
}

CString CFitStatisticsDlg::StatisticsText() const
{
    return FormatSummaryStatistics(m_summary, m_simulated ? &*m_simulated : nullptr) + "\n" + m_note;
}

BOOL CFitStatisticsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_FIT_STATISTICS)->SetWindowText(StatisticsText());
    GetDlgItem(IDC_SIMULATE)->EnableWindow(m_simulate != nullptr);
    return TRUE;
}

void CFitStatisticsDlg::OnSimulate()
{
    if (std::optional<MonteCarloResult> simulated = AskAndSimulate(m_simulate, this)) {
        m_simulated = std::move(simulated);
        GetDlgItem(IDC_FIT_STATISTICS)->SetWindowText(StatisticsText());
    }
}
