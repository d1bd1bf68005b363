#include "results/LocalDependenceDlg.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "stats/FlagLevel.h"
#include "stats/LocalDependenceFormat.h"
#include "stats/TextFormat.h"

namespace {

const std::vector<StatisticsTable::Column> kTableColumns = {
    {"First", true}, {"Second", true}, {"X\u00B2", true}, {"df", true},   {"p", true},
    {"Adjusted p", true}, {"Sign", true}, {"V", true}, {"Simulated p", true, true}, {"Flagged", false}};

std::pair<bool, double> key(const LocalDependence::Pair& pair, int column)
{
    switch (column) {
    case CLocalDependenceDlg::kSecond:
        return {false, pair.second};
    case CLocalDependenceDlg::kX2:
        return {false, pair.x2};
    case CLocalDependenceDlg::kDf:
        return {false, pair.df};
    case CLocalDependenceDlg::kP:
        return {false, pair.p};
    case CLocalDependenceDlg::kAdjustedP:
        return {false, pair.pAdjusted};
    case CLocalDependenceDlg::kSign:
        return {false, pair.sign};
    case CLocalDependenceDlg::kV:
        return {false, pair.v};
    case CLocalDependenceDlg::kFlagged:
        return {false, pair.flagged ? 0.0 : 1.0};  // flagged first
    default:
        return {false, pair.first};
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CLocalDependenceDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_PAIR_LIST, OnColumnClick)
    ON_NOTIFY(LVN_GETDISPINFO, IDC_PAIR_LIST, OnGetDispInfo)
    ON_WM_CONTEXTMENU()
    ON_BN_CLICKED(IDC_SIMULATE, OnSimulate)
END_MESSAGE_MAP()

CLocalDependenceDlg::CLocalDependenceDlg(const LocalDependence& dependence, int items, CWnd* parent)
    : CDialog(IDD_LOCAL_DEPENDENCE, parent),
      m_dependence(dependence),
      m_nItems(items),
      m_table(m_list, kTableColumns,
              [this](std::size_t record, int column) { return key(m_dependence.pairs[record], column); })
{
}

void CLocalDependenceDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PAIR_LIST, m_list);
}

BOOL CLocalDependenceDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_PAIR_SUMMARY)
        ->SetWindowText(FormatText("Local dependence X\u00B2 of %zu pairs of %d items; %zu flagged (%s). The map shows "
                                   "the signed Cram\u00E9r's V; rest the pointer on a cell for its figures.",
                                   m_dependence.pairs.size(), m_nItems, m_dependence.flaggedCount(),
                                   FlagRule().c_str()));

    m_table.Fill(m_dependence.pairs.size(), [this](std::size_t record, int column) -> CString {
        const LocalDependence::Pair& pair = m_dependence.pairs[record];
        // A pair no subject answered together has no figures.
        if (!pair.together && column != kFirst && column != kSecond && column != kDf && column != kFlagged)
            return "";
        switch (column) {
        case kFirst:
            return m_dependence.nameOf(pair.first);
        case kSecond:
            return m_dependence.nameOf(pair.second);
        case kX2:
            return FigureText(pair.x2);
        case kDf:
            return std::to_string(pair.df);
        case kP:
            return PValueText(pair.p);
        case kAdjustedP:
            return PValueText(pair.pAdjusted);
        case kSign:
            return std::to_string(pair.sign);
        case kV:
            return FigureText(pair.v);
        default:
            return pair.flagged ? "*" : "";
        }
    });

    CRect area;
    GetDlgItem(IDC_PAIR_MAP)->GetWindowRect(&area);
    ScreenToClient(&area);
    m_map.Create(area, this);
    m_map.SetPairs(m_dependence, m_nItems);
    m_map.m_onPairClicked = [this](int first, int second) { SelectPair(first, second); };
    GetDlgItem(IDC_SIMULATE)->EnableWindow(m_simulate != nullptr);
    return TRUE;
}

void CLocalDependenceDlg::SelectPair(int first, int second)
{
    const int row = m_table.RowOf(PairPosition(first, second, m_nItems));
    if (row < 0)
        return;
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row, FALSE);
}

void CLocalDependenceDlg::OnColumnClick(NMHDR* header, LRESULT* result)
{
    m_table.SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    *result = 0;
}

void CLocalDependenceDlg::OnGetDispInfo(NMHDR* header, LRESULT* result)
{
    m_table.GetDispInfo(*reinterpret_cast<NMLVDISPINFO*>(header));
    *result = 0;
}

void CLocalDependenceDlg::OnContextMenu(CWnd* window, CPoint point)
{
    if (window && window->GetDlgCtrlID() == IDC_PAIR_LIST)
        m_table.ContextMenu(this, point, FormatPairsCsv(m_dependence, m_table.LateValues(), &m_table.Order()),
                            "pairs.csv");
}

void CLocalDependenceDlg::OnSimulate()
{
    const std::optional<MonteCarloResult> simulated = AskAndSimulate(m_simulate, this);
    if (simulated && simulated->pairP.size() == m_dependence.pairs.size())
        m_table.SetLateValues(simulated->pairP);
}
