#pragma once

#include <memory>
#include <optional>

#include "analysis/Analysis.h"
#include "fit/ReportFile.h"
#include "framework/Dialog.h"
#include "framework/ListBox.h"
#include "framework/ToolTipCtrl.h"
#include "results/BackgroundWork.h"
#include "results/PersonRecords.h"
#include "results/PlotWnd.h"

// Ends every successful run: reads the graph report "OUTG" back and shows
// its frequencies, its chi-square and a graph of the observed and expected
// distributions with the score range under it. A right-click on the list or
// the graph copies or saves the table, saves the graph, shows the pooled
// fit statistics, which the chi-square box's tip gives in one line,
// opens the item fit, the local dependence or the person fit of the run,
// or saves the whole diagnosis as a report.
class CResultsDlg : public CDialog {
public:
    explicit CResultsDlg(CWnd* parent = nullptr);

    // Set by the run driver: the category count of every run (0 for the
    // binary models); item and score-point counts of polytomous runs.
    int m_nScorePointCount = 0;
    int m_nItemCount = 0;
    int m_nCategoryCount = 0;

    int m_nPlotWidth = 0;
    int m_nPlotStyle = 0;
    int m_nPlotSpeed = 0;
    CListBox m_list;
    float m_fChiSquare = 0.0f;
    int m_nMaxScore = 0;
    int m_nMinScore = 0;
    CPlotWnd m_plot{FALSE};
    // Set by the run driver: the run's analysis, which the item fit and
    // the local dependence are worked out in when the run counted what
    // they need.
    std::shared_ptr<Analysis> m_pRun;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnSysCommand(UINT id, LPARAM lParam);
    afx_msg void OnContextMenu(CWnd* window, CPoint point);

    DECLARE_MESSAGE_MAP()

private:
    void AddAboutToSystemMenu();
    void CreatePlot();
    // The rows of the graph report into the list, the plot and m_table.
    void ShowRows(const GraphReport& report);
    void SetScoreRange(const GraphReport& report);
    void CopyTable();
    void SaveTable();
    void SaveGraph();
    void ShowFitStatistics();
    void ShowItemFit();
    void ShowLocalDependence();
    void ShowPersonFit();
    // The report of the run as HTML or PDF, with the item fit and the
    // pairs where the run counted them, the person fit where it was worked
    // out, and the last simulated p-values.
    void SaveReport();
    // Runs work off the user interface thread, behind a progress bar with
    // Cancel when it takes more than a moment; false when the user
    // cancelled or memory ran out, which a message box says.
    bool RunInBackground(const CString& caption, const BackgroundWork::Work& work);
    // Simulated p-values of the run's test-level statistics, and of its
    // items' or pairs' when asked; nothing when cancelled or impossible.
    std::optional<MonteCarloResult> Simulate(std::uint64_t replicates, bool items, bool pairs);
    // A person fit pass of the run as asked, every subject kept; null when
    // cancelled or impossible, which a message box says.
    std::shared_ptr<const PersonRecords> ComputePersons(const PersonRequest& asked);

    ScoreTable m_table;  // the rows read back, for the statistics and copies
    std::optional<MonteCarloResult> m_lastSimulated;
    std::shared_ptr<const PersonRecords> m_pPersons;  // the last pass's, for the window to open on again
    CToolTipCtrl m_toolTip;
};
