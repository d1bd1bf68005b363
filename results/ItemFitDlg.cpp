#include "results/ItemFitDlg.h"

#include <cstdio>

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "results/SaveTable.h"
#include "stats/ItemFitFormat.h"

namespace {

enum : UINT { kCopyTable = 1, kSaveTable };

const char* const kHeadings[] = {"Item", "S-X\u00B2", "df", "p", "Adjusted p", "RMSEA", "Groups", "Flagged"};
const int kWidths[] = {55, 100, 50, 90, 95, 80, 65, 70};

CString format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

CString optional(const std::optional<double>& value, const char* pattern)
{
    return value ? format(pattern, *value) : CString("\u2014");
}

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
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_ITEM_LIST, OnItemChanged)
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

CItemFitDlg::CItemFitDlg(const ItemFit& fit, int categories, CWnd* parent)
    : CDialog(IDD_ITEM_FIT, parent), m_fit(fit), m_nCategories(categories)
{
    bool first = true;
    for (const ItemFit::Item& item : fit.items)
        for (const ItemFit::Group& group : item.groups) {
            const double middle = 0.5 * (group.firstScore + group.lastScore);
            m_dLowScore = first ? middle : std::min(m_dLowScore, middle);
            m_dHighScore = first ? middle : std::max(m_dHighScore, middle);
            first = false;
        }
}

void CItemFitDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ITEM_LIST, m_list);
}

BOOL CItemFitDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    int flagged = 0;
    for (const ItemFit::Item& item : m_fit.items)
        flagged += item.flagged;
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "S-X\u00B2 of %zu items; %d flagged (adjusted p below 0.05). Score groups merged until every "
                  "category expects at least %g subject%s.",
                  m_fit.items.size(), flagged, m_fit.minExpected, m_fit.minExpected == 1.0 ? "" : "s");
    GetDlgItem(IDC_ITEM_SUMMARY)->SetWindowText(summary);

    for (int c = 0; c < kColumns; ++c)
        m_list.InsertColumn(c, kHeadings[c], c == kFlagged ? LVCFMT_LEFT : LVCFMT_RIGHT, kWidths[c]);
    for (std::size_t k = 0; k < m_fit.items.size(); ++k) {
        const ItemFit::Item& item = m_fit.items[k];
        const int row = m_list.InsertItem(static_cast<int>(k), std::to_string(item.item));
        m_list.SetItemText(row, kSx2, format("%.4f", item.sx2));
        m_list.SetItemText(row, kDf, std::to_string(item.df));
        m_list.SetItemText(row, kP, optional(item.p, "%.4g"));
        m_list.SetItemText(row, kAdjustedP, optional(item.pAdjusted, "%.4g"));
        m_list.SetItemText(row, kRmsea, optional(item.rmsea, "%.4f"));
        m_list.SetItemText(row, kGroups, std::to_string(item.groups.size()));
        m_list.SetItemText(row, kFlagged, item.flagged ? "*" : "");
        m_list.SetItemData(row, k);
    }

    CRect area;
    GetDlgItem(IDC_ITEM_CHART)->GetWindowRect(&area);
    ScreenToClient(&area);
    m_chart.Create(area, this);
    if (m_list.GetItemCount() > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

int CItemFitDlg::compareRows(LPARAM first, LPARAM second, LPARAM dialog)
{
    const auto* self = reinterpret_cast<const CItemFitDlg*>(dialog);
    const ItemFit::Item &a = self->m_fit.items[first], &b = self->m_fit.items[second];
    const auto ka = key(a, self->m_nSortColumn), kb = key(b, self->m_nSortColumn);
    if (ka.first != kb.first)
        return ka.first ? 1 : -1;  // undefined last, either way
    if (ka.second != kb.second)
        return (ka.second < kb.second) != self->m_bDescending ? -1 : 1;
    return a.item < b.item ? -1 : a.item > b.item;
}

void CItemFitDlg::OnColumnClick(NMHDR* header, LRESULT* result)
{
    const int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
    m_bDescending = column == m_nSortColumn && !m_bDescending;
    m_nSortColumn = column;
    m_list.SortItems(compareRows, reinterpret_cast<DWORD_PTR>(this));
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
    const ItemFit::Item& item = m_fit.items[m_list.GetItemData(row)];
    m_nCharted = item.item;
    m_chart.SetCurve(CurveOf(item), m_nCategories - 1, m_dLowScore, m_dHighScore);
}

CString CItemFitDlg::TableText(char separator) const
{
    CString text;
    for (int c = 0; c < kColumns; ++c)
        text += CString(c ? 1 : 0, separator) + kHeadings[c];
    text += '\n';
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        for (int c = 0; c < kColumns; ++c)
            text += CString(c ? 1 : 0, separator) + m_list.GetItemText(row, c);
        text += '\n';
    }
    return text;
}

void CItemFitDlg::OnContextMenu(CWnd* window, CPoint point)
{
    if (!window || window->GetDlgCtrlID() != IDC_ITEM_LIST)
        return;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kCopyTable, "Copy table");
    menu.AppendMenu(MF_STRING, kSaveTable, "Save table as CSV...");
    switch (menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, this)) {
    case kCopyTable:
        AfxSetClipboardText(TableText('\t'));
        break;
    case kSaveTable:
        SaveTableAsCsv(this, "items.csv", FormatItemFitCsv(m_fit));
        break;
    default:
        break;
    }
}
