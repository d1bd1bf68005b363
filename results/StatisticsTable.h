#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "framework/ListCtrl.h"

// A list control that shows one row per record of a table of statistics:
// columns with their headings, sorted at a click on a heading (a second
// click reverses), undefined values last either way, ties in record order;
// a column of p-values that may arrive after the rest (simulated ones),
// empty until then; and its popup menu, which copies the table as shown or
// saves the full table as CSV.
class StatisticsTable {
public:
    struct Column {
        const char* heading;
        int width;  // pixels
        bool right;
        bool late = false;  // filled by SetLateValues, not by Fill
    };
    // Where a record stands in a column: whether the value is undefined,
    // and the value.
    using Key = std::function<std::pair<bool, double>(std::size_t record, int column)>;
    using Text = std::function<CString(std::size_t record, int column)>;

    StatisticsTable(CListCtrl& list, std::vector<Column> columns, Key key);

    // Fills the list with count records in record order.
    void Fill(std::size_t count, const Text& text);
    // Shows values, one per record, in the late column.
    void SetLateValues(std::vector<double> values);
    // Those values; nullptr until given.
    const std::vector<double>* LateValues() const { return m_late.empty() ? nullptr : &m_late; }
    // The LVN_COLUMNCLICK of the list.
    void SortBy(int column);
    std::size_t RecordAt(int row) const { return m_list.GetItemData(row); }
    int RowOf(std::size_t record) const;
    // The rows as shown under the headings, columns separated by separator.
    CString TableText(char separator) const;
    // The list's popup menu at point; csv is the full table, fileName the
    // name offered.
    void ContextMenu(CWnd* owner, CPoint point, const CString& csv, const CString& fileName);

private:
    static int compare(LPARAM first, LPARAM second, LPARAM table);
    std::pair<bool, double> keyOf(std::size_t record, int column) const;

    CListCtrl& m_list;
    std::vector<Column> m_columns;
    Key m_key;
    std::vector<double> m_late;
    int m_nSortColumn = 0;
    bool m_bDescending = false;
};
