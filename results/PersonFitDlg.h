#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "results/ChartWnd.h"
#include "results/PersonRecords.h"
#include "results/StatisticsTable.h"

// The person fit of a run: the histogram of every subject's lz* (lz for
// eap), the answers of the subject selected against what the model
// expects of it, and the list of every subject, sorted by any column at a
// click on its heading, flagged subjects marked. The estimator is chosen
// above; "Simulate p-values..." runs the pass again with each subject's
// answers drawn at its ability. "Save table..." and a right-click on the
// list save every subject's row, in the order shown.
class CPersonFitDlg : public CDialog {
public:
    // givenTheta: the run was on the subjects' estimates (no eap; their
    // estimates listed); names: the items', when a table gives them.
    CPersonFitDlg(std::shared_ptr<const PersonRecords> records, bool givenTheta, std::vector<std::string> names,
                  CWnd* parent = nullptr);

    enum Column {
        kId, kAnswered, kTotal, kTheta, kSe, kGivenTheta, kLz, kLzStar, kP, kSimulatedP,
        kInfit, kOutfit, kInfitT, kOutfitT, kFlagged, kNote
    };

    CListCtrl m_list;
    CChartWnd m_histogram;
    CChartWnd m_response;
    // Set by the owner: a pass of the run as asked, behind its progress
    // and Cancel; null when cancelled or impossible, which the owner says.
    std::function<std::shared_ptr<const PersonRecords>(const PersonRequest&)> m_compute;

    // Where a figure is in the list; -1 when it has no column (the given
    // ability of a run on nodes).
    int ColumnOf(Column column) const;
    // The subject (from 1) whose answers are charted; 0 for none.
    std::int64_t ChartedSubject() const { return m_nCharted; }
    // The pass shown.
    const PersonRecords& Records() const { return *m_pRecords; }
    // The table as shown, columns separated by separator, a line per row.
    CString TableText(char separator) const { return m_table.TableText(separator); }
    // Every subject's row as CSV, in the order shown.
    std::string TableCsv() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
    afx_msg void OnGetDispInfo(NMHDR* header, LRESULT* result);
    afx_msg void OnItemChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnContextMenu(CWnd* window, CPoint point);
    afx_msg void OnEstimator();
    afx_msg void OnSimulate();
    afx_msg void OnSaveTable();
    DECLARE_MESSAGE_MAP()

private:
    CString Cell(const PersonFigures& figures, Column column) const;
    void CreateCharts();
    // The records' summary, histogram and estimator; the list redrawn.
    void ShowSummary();
    void ShowResponse(int row);
    // Runs the pass again as asked; what is shown stays when it cannot.
    void Rerun(const PersonRequest& asked);

    std::shared_ptr<const PersonRecords> m_pRecords;
    const bool m_bGivenTheta;
    const std::vector<std::string> m_names;
    std::vector<Column> m_columns;  // the list's, in order
    StatisticsTable m_table;
    std::int64_t m_nCharted = 0;
};
