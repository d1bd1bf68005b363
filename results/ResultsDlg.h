#pragma once

#include "framework/Dialog.h"
#include "framework/ListBox.h"
#include "results/PlotWnd.h"

// Ends every successful run: reads the graph report "OUTG" back and shows
// its frequencies, its chi-square and a graph of the observed and expected
// distributions with the score range under it.
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

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnSysCommand(UINT id, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
