#include "results/ItemFitDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "stats/FlagLevel.h"
#include "stats/ItemFitFormat.h"
#include "stats/TextFormat.h"

namespace {

const std::vector<StatisticsTable::Column> kTableColumns = {
    {"Item", true},   {"S-X\u00B2", true}, {"df", true},     {"p", true},           {"Adjusted p", true},
    {"RMSEA", true},  {"Groups", true},    {"Simulated p", true, true}, {"Flagged", false}};

// Where an item stands in a column: undefined values after all others.
std::pair<bool, double> key(const ItemFit::Item& item, int column)
{
    const auto of = [](const std::optional<double>& v) { return std::pair<bool, double>(!v, v ? *v : 0.0); };
    switch (column) {
    case CItemFitDlg::kSx2:
        return {false, item.sx2};
    case CItemFitDlg::kDf:
        return {false, item.df};
    case CItemFitDlg::kP:
        return of(item.p);
    case CItemFitDlg::kAdjustedP:
        return of(item.pAdjusted);
    case CItemFitDlg::kRmsea:
        return of(item.rmsea);
    case CItemFitDlg::kGroups:
        return {false, static_cast<double>(item.groups.size())};
    case CItemFitDlg::kFlagged:
        return {false, item.flagged ? 0.0 : 1.0};  // flagged first
    default:
        return {false, item.item};
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CItemFitDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_ITEM_LIST, OnColumnClick)
    ON_NOTIFY(LVN_GETDISPINFO, IDC_ITEM_LIST, OnGetDispInfo)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_ITEM_LIST, OnItemChanged)
    ON_WM_CONTEXTMENU()
    ON_BN_CLICKED(IDC_SIMULATE, OnSimulate)
END_MESSAGE_MAP()

CItemFitDlg::CItemFitDlg(const ItemFit& fit, int categories, CWnd* parent)
    : CDialog(IDD_ITEM_FIT, parent),
      m_fit(fit),
      m_table(m_list, kTableColumns,
              [this](std::size_t record, int column) { return key(m_fit.items[record], column); })
{
    std::vector<ItemCurve> curves;
    for (const ItemFit::Item& item : fit.items)
        curves.push_back(CurveOf(item, m_fit.givenName(item.item)));
    m_axes = ItemChartAxesOf(curves, categories - 1);
}

void CItemFitDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ITEM_LIST, m_list);
}

BOOL CItemFitDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_ITEM_SUMMARY)
        ->SetWindowText(FormatText("S-X\u00B2 of %zu items; %zu flagged (%s). Score groups %s.", m_fit.items.size(),
                                   m_fit.flaggedCount(), FlagRule().c_str(), ItemMergingCondition(m_fit.minExpected).c_str()));

    m_table.Fill(m_fit.items.size(), [this](std::size_t record, int column) -> CString {
        const ItemFit::Item& item = m_fit.items[record];
        switch (column) {
        case kItem:
            return m_fit.nameOf(item.item);
        case kSx2:
            return FigureText(item.sx2);
        case kDf:
            return std::to_string(item.df);
        case kP:
            return PValueText(item.p);
        case kAdjustedP:
            return PValueText(item.pAdjusted);
        case kRmsea:
            return FigureText(item.rmsea);
        case kGroups:
            return std::to_string(item.groups.size());
        default:
            return item.flagged ? "*" : "";
        }
    });
    GetDlgItem(IDC_SIMULATE)->EnableWindow(m_simulate != nullptr);

    CRect area;
    GetDlgItem(IDC_ITEM_CHART)->GetWindowRect(&area);
    ScreenToClient(&area);
    m_chart.Create(area, this);
    if (m_list.GetItemCount() > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

void CItemFitDlg::OnColumnClick(NMHDR* header, LRESULT* result)
{
    m_table.SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    *result = 0;
}

void CItemFitDlg::OnItemChanged(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED))
        ShowChart(change->iItem);
    *result = 0;
}

void CItemFitDlg::ShowChart(int row)
{
    if (row < 0 || row >= m_list.GetItemCount() || !m_chart.IsWindow())
        return;
    const ItemFit::Item& item = m_fit.items[m_table.RecordAt(row)];
    m_nCharted = item.item;
    m_chart.SetCurve(CurveOf(item, m_fit.givenName(item.item)), m_axes);
}

void CItemFitDlg::OnGetDispInfo(NMHDR* header, LRESULT* result)
{
    m_table.GetDispInfo(*reinterpret_cast<NMLVDISPINFO*>(header));
    *result = 0;
}

void CItemFitDlg::OnContextMenu(CWnd* window, CPoint point)
{
    if (window && window->GetDlgCtrlID() == IDC_ITEM_LIST)
        m_table.ContextMenu(this, point, FormatItemFitCsv(m_fit, m_table.LateValues(), &m_table.Order()), "items.csv");
}

void CItemFitDlg::OnSimulate()
{
    const std::optional<MonteCarloResult> simulated = AskAndSimulate(m_simulate, this);
    if (simulated && simulated->itemP.size() == m_fit.items.size())
        m_table.SetLateValues(simulated->itemP);
}
