#pragma once

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "results/PairMapWnd.h"
#include "results/ReplicatesDlg.h"
#include "results/StatisticsTable.h"
#include "stats/LocalDependence.h"

// The local dependence of a run: the heat map of every pair's signed V,
// each cell with its pair's figures as a tip, and the list of pairs, sorted
// by any column at a click on its heading; a click on a cell selects its
// pair's row. A right-click on the list copies it or saves it as CSV.
class CLocalDependenceDlg : public CDialog {
public:
    CLocalDependenceDlg(const LocalDependence& dependence, int items, CWnd* parent = nullptr);

    enum Column { kFirst, kSecond, kX2, kDf, kP, kAdjustedP, kSign, kV, kSimulatedP, kFlagged };

    CListCtrl m_list;
    CPairMapWnd m_map;
    // Set by the owner when the run can be simulated: "Simulate p-values..."
    // fills the column of simulated p-values.
    SimulateFunction m_simulate;

    // The table as shown, columns separated by separator, a line per row.
    CString TableText(char separator) const { return m_table.TableText(separator); }
    // The row of the pair selected; -1 for none.
    int SelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
    afx_msg void OnGetDispInfo(NMHDR* header, LRESULT* result);
    afx_msg void OnContextMenu(CWnd* window, CPoint point);
    afx_msg void OnSimulate();
    DECLARE_MESSAGE_MAP()

private:
    void SelectPair(int first, int second);

    const LocalDependence& m_dependence;
    int m_nItems;
    StatisticsTable m_table;
};
