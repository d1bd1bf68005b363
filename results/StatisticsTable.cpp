#include "results/StatisticsTable.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

#include "results/SaveTable.h"
#include "stats/TextFormat.h"

namespace {

enum : UINT { kCopyTable = 1, kSaveTable };

}  // namespace

StatisticsTable::StatisticsTable(CListCtrl& list, std::vector<Column> columns, Key key)
    : m_list(list), m_columns(std::move(columns)), m_key(std::move(key))
{
}

void StatisticsTable::Fill(std::size_t count, Text text)
{
    m_text = std::move(text);
    m_list.DeleteAllItems();
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_list.InsertColumn(static_cast<int>(c), m_columns[c].heading, m_columns[c].right ? LVCFMT_RIGHT : LVCFMT_LEFT);
    m_order.resize(count);
    std::iota(m_order.begin(), m_order.end(), 0);
    m_list.SetItemCountEx(static_cast<int>(count));
    sizeColumns();
}

CString StatisticsTable::cell(std::size_t record, int column) const
{
    if (!m_columns[static_cast<std::size_t>(column)].late)
        return m_text ? m_text(record, column) : CString();
    return m_late.empty() ? CString() : PValueText(m_late[record]);
}

void StatisticsTable::sizeColumns()
{
    // Every row's text, up to a point: for half a million rows that would
    // cost a second, and the widest text is looked for among the first
    // rows and the records holding each column's least and largest value,
    // where the widest numbers are.
    constexpr std::size_t kFirstRows = 5000;
    const std::size_t count = m_order.size();
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const int column = static_cast<int>(c);
        std::vector<std::size_t> records;
        for (std::size_t record = 0; record < std::min(count, kFirstRows); ++record)
            records.push_back(record);
        std::size_t least = 0, largest = 0;
        double low = 0, high = 0;
        bool any = false;
        for (std::size_t record = 0; record < count; ++record) {
            const auto [undefined, value] = keyOf(record, column);
            if (undefined)
                continue;
            if (!any || value < low)
                std::tie(least, low) = std::pair(record, value);
            if (!any || value > high)
                std::tie(largest, high) = std::pair(record, value);
            any = true;
        }
        if (any) {
            records.push_back(least);
            records.push_back(largest);
        }
        int width = m_list.GetStringWidth(m_columns[c].heading) + 20;  // room for the sort mark
        for (const std::size_t record : records)
            width = std::max(width, m_list.GetStringWidth(cell(record, column)) + 14);
        if (m_columns[c].late)
            width = std::max(width, m_list.GetStringWidth("<0.0001") + 14);
        m_list.SetColumnWidth(column, width);
    }
}

void StatisticsTable::SetLateValues(std::vector<double> values)
{
    m_late = std::move(values);
    m_list.RedrawItems(0, m_list.GetItemCount() - 1);
}

void StatisticsTable::GetDispInfo(NMLVDISPINFO& info) const
{
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0)
        return;
    const int row = info.item.iItem, column = info.item.iSubItem;
    CString text;
    if (row >= 0 && static_cast<std::size_t>(row) < m_order.size() && column >= 0 &&
        static_cast<std::size_t>(column) < m_columns.size())
        text = cell(RecordAt(row), column);
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
    text.copy(info.item.pszText, length);
    info.item.pszText[length] = '\0';
}

std::pair<bool, double> StatisticsTable::keyOf(std::size_t record, int column) const
{
    if (!m_columns[static_cast<std::size_t>(column)].late)
        return m_key(record, column);
    return m_late.empty() ? std::pair<bool, double>(true, 0.0) : std::pair<bool, double>(false, m_late[record]);
}

void StatisticsTable::SortBy(int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= m_columns.size())
        return;
    m_bDescending = column == m_nSortColumn && !m_bDescending;
    m_nSortColumn = column;
    sortRows();
}

void StatisticsTable::Refresh()
{
    sortRows();
    sizeColumns();
}

void StatisticsTable::sortRows()
{
    const int selected = m_list.GetNextItem(-1, LVNI_SELECTED);
    const std::size_t kept = selected >= 0 ? RecordAt(selected) : 0;
    // The keys once, not once a comparison: a std::function call each
    // would be most of the time for half a million records.
    // A value that is not a number stands with the undefined ones: it has
    // no order, and the sort needs one.
    std::vector<std::pair<bool, double>> keys(m_order.size());
    for (std::size_t record = 0; record < keys.size(); ++record) {
        keys[record] = keyOf(record, m_nSortColumn);
        keys[record].first = keys[record].first || std::isnan(keys[record].second);
    }
    std::sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
        if (keys[a].first != keys[b].first)
            return keys[b].first;  // undefined last
        if (!keys[a].first && keys[a].second != keys[b].second)
            return (keys[a].second < keys[b].second) != m_bDescending;
        return a < b;
    });
    m_list.RedrawItems(0, m_list.GetItemCount() - 1);
    // The selection stays with its record.
    if (selected >= 0) {
        const int row = RowOf(kept);
        m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.EnsureVisible(row, FALSE);
    }
}

int StatisticsTable::RowOf(std::size_t record) const
{
    const auto at = std::find(m_order.begin(), m_order.end(), record);
    return at == m_order.end() ? -1 : static_cast<int>(at - m_order.begin());
}

CString StatisticsTable::TableText(char separator) const
{
    CString text;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        text += CString(c ? 1 : 0, separator) + m_columns[c].heading;
    text += '\n';
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            text += CString(c ? 1 : 0, separator) + cell(RecordAt(row), static_cast<int>(c));
        text += '\n';
    }
    return text;
}

void StatisticsTable::ContextMenu(CWnd* owner, CPoint point, const CString& csv, const CString& fileName)
{
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kCopyTable, "Copy table");
    menu.AppendMenu(MF_STRING, kSaveTable, "Save table as CSV...");
    const UINT chosen = menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, owner);
    if (chosen == kCopyTable) {
        AfxSetClipboardText(TableText('\t'));
    } else if (chosen == kSaveTable) {
        SaveTableAsCsv(owner, fileName, csv);
    }
}
