#pragma once

#include <optional>

#include "framework/Dialog.h"
#include "results/ReplicatesDlg.h"
#include "stats/FitSummary.h"

// The pooled fit statistics of a run, and, when the run can be simulated,
// "Simulate p-values..." to put simulated p-values beside them.
class CFitStatisticsDlg : public CDialog {
public:
    // note: where the frequencies come from, in a sentence.
    CFitStatisticsDlg(const FitSummary& summary, const CString& note, SimulateFunction simulate,
                      CWnd* parent = nullptr);

    CString StatisticsText() const;

protected:
    BOOL OnInitDialog() override;
    afx_msg void OnSimulate();
    DECLARE_MESSAGE_MAP()

private:
    const FitSummary& m_summary;
    CString m_note;
    SimulateFunction m_simulate;
    std::optional<MonteCarloResult> m_simulated;
};
