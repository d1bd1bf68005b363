#pragma once

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "results/ItemChartWnd.h"
#include "results/ReplicatesDlg.h"
#include "results/StatisticsTable.h"
#include "stats/ItemFit.h"

// The item fit of a run: one row per item (S-X², df, p, adjusted p, RMSEA,
// groups, and a mark on flagged items), sorted by any column at a click on
// its heading, and below it the chart of the item selected. A right-click
// on the table copies it or saves it as CSV.
class CItemFitDlg : public CDialog {
public:
    // categories: K of the items, for the charts' score axis.
    CItemFitDlg(const ItemFit& fit, int categories, CWnd* parent = nullptr);

    enum Column { kItem, kSx2, kDf, kP, kAdjustedP, kRmsea, kGroups, kSimulatedP, kFlagged };

    CListCtrl m_list;
    CItemChartWnd m_chart;
    // Set by the owner when the run can be simulated: "Simulate p-values..."
    // fills the column of simulated p-values.
    SimulateFunction m_simulate;

    // The item (from 1) whose chart shows; 0 for none.
    int ChartedItem() const { return m_nCharted; }
    // The table as shown, columns separated by separator, a line per row.
    CString TableText(char separator) const { return m_table.TableText(separator); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
    afx_msg void OnGetDispInfo(NMHDR* header, LRESULT* result);
    afx_msg void OnItemChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnContextMenu(CWnd* window, CPoint point);
    afx_msg void OnSimulate();
    DECLARE_MESSAGE_MAP()

private:
    void ShowChart(int row);

    const ItemFit& m_fit;
    ItemChartAxes m_axes;  // of every item's chart
    StatisticsTable m_table;
    int m_nCharted = 0;
};
