#include "results/StatisticsTable.h"

#include "results/SaveTable.h"
#include "stats/TextFormat.h"

namespace {

enum : UINT { kCopyTable = 1, kSaveTable };

}  // namespace

StatisticsTable::StatisticsTable(CListCtrl& list, std::vector<Column> columns, Key key)
    : m_list(list), m_columns(std::move(columns)), m_key(std::move(key))
{
}

void StatisticsTable::Fill(std::size_t count, const Text& text)
{
    m_list.DeleteAllItems();
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_list.InsertColumn(static_cast<int>(c), m_columns[c].heading,
                            m_columns[c].right ? LVCFMT_RIGHT : LVCFMT_LEFT, m_columns[c].width);
    for (std::size_t record = 0; record < count; ++record) {
        const int row = m_list.InsertItem(static_cast<int>(record), text(record, 0));
        for (std::size_t c = 1; c < m_columns.size(); ++c)
            if (!m_columns[c].late)
                m_list.SetItemText(row, static_cast<int>(c), text(record, static_cast<int>(c)));
        m_list.SetItemData(row, record);
    }
}

void StatisticsTable::SetLateValues(std::vector<double> values)
{
    m_late = std::move(values);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].late)
            for (int row = 0; row < m_list.GetItemCount(); ++row)
                m_list.SetItemText(row, static_cast<int>(c), PValueText(m_late[RecordAt(row)]));
}

std::pair<bool, double> StatisticsTable::keyOf(std::size_t record, int column) const
{
    if (!m_columns[static_cast<std::size_t>(column)].late)
        return m_key(record, column);
    return m_late.empty() ? std::pair<bool, double>(true, 0.0) : std::pair<bool, double>(false, m_late[record]);
}

int StatisticsTable::compare(LPARAM first, LPARAM second, LPARAM table)
{
    const auto* self = reinterpret_cast<const StatisticsTable*>(table);
    const std::size_t a = static_cast<std::size_t>(first), b = static_cast<std::size_t>(second);
    const auto ka = self->keyOf(a, self->m_nSortColumn), kb = self->keyOf(b, self->m_nSortColumn);
    if (ka.first != kb.first)
        return ka.first ? 1 : -1;
    if (ka.second != kb.second)
        return (ka.second < kb.second) != self->m_bDescending ? -1 : 1;
    return a < b ? -1 : a > b;
}

void StatisticsTable::SortBy(int column)
{
    m_bDescending = column == m_nSortColumn && !m_bDescending;
    m_nSortColumn = column;
    m_list.SortItems(compare, reinterpret_cast<DWORD_PTR>(this));
}

int StatisticsTable::RowOf(std::size_t record) const
{
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (RecordAt(row) == record)
            return row;
    return -1;
}

CString StatisticsTable::TableText(char separator) const
{
    CString text;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        text += CString(c ? 1 : 0, separator) + m_columns[c].heading;
    text += '\n';
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            text += CString(c ? 1 : 0, separator) + m_list.GetItemText(row, static_cast<int>(c));
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
