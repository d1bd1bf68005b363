#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "framework/ListCtrl.h"

// A list control (LVS_OWNERDATA) that shows one row per record of a table
// of statistics: columns with their headings, sized to their contents,
// sorted at a click on a heading (a second click reverses), undefined
// values last either way, ties in record order; a column of p-values that
// may arrive after the rest (simulated ones), empty until then; and its
// popup menu, which copies the table as shown or saves the full table as
// CSV, both in the order shown. The rows are texts only as they are
// drawn, so that a table of half a million records opens and sorts at
// once.
class StatisticsTable {
public:
    struct Column {
        const char* heading;
        bool right;
        bool late = false;  // filled by SetLateValues, not by Fill
    };
    // Where a record stands in a column: whether the value is undefined,
    // and the value.
    using Key = std::function<std::pair<bool, double>(std::size_t record, int column)>;
    using Text = std::function<CString(std::size_t record, int column)>;

    StatisticsTable(CListCtrl& list, std::vector<Column> columns, Key key);

    // Shows count records in record order, text giving their cells.
    void Fill(std::size_t count, Text text);
    // Shows values, one per record, in the late column.
    void SetLateValues(std::vector<double> values);
    // Those values; nullptr until given.
    const std::vector<double>* LateValues() const { return m_late.empty() ? nullptr : &m_late; }
    // The LVN_COLUMNCLICK of the list.
    void SortBy(int column);
    // The records' values have changed, not their number: the rows sorted
    // again as they were and redrawn, the selection with its record, the
    // columns sized again.
    void Refresh();
    // The LVN_GETDISPINFO of the list.
    void GetDispInfo(NMLVDISPINFO& info) const;
    std::size_t RecordAt(int row) const { return m_order[static_cast<std::size_t>(row)]; }
    // The record of each row, as shown.
    const std::vector<std::size_t>& Order() const { return m_order; }
    int RowOf(std::size_t record) const;
    // The rows as shown under the headings, columns separated by separator.
    CString TableText(char separator) const;
    // The list's popup menu at point; csv is the full table in the order
    // shown (Order()), fileName the name offered.
    void ContextMenu(CWnd* owner, CPoint point, const CString& csv, const CString& fileName);

private:
    CString cell(std::size_t record, int column) const;
    std::pair<bool, double> keyOf(std::size_t record, int column) const;
    void sizeColumns();
    // By the sort column, the way it is set; the selection with its record.
    void sortRows();

    CListCtrl& m_list;
    std::vector<Column> m_columns;
    Key m_key;
    Text m_text;
    std::vector<std::size_t> m_order;  // the record of each row
    std::vector<double> m_late;
    int m_nSortColumn = 0;
    bool m_bDescending = false;
};
