#include "framework/ListCtrl.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

#include "framework/QtBridge.h"

namespace {

QTreeWidget* tree(QWidget* widget) { return qobject_cast<QTreeWidget*>(widget); }

constexpr int kDataRole = Qt::UserRole;

}  // namespace

int CListCtrl::InsertColumn(int column, const CString& heading, int format, int width)
{
    QTreeWidget* list = tree(m_pWidget);
    if (!list || column < 0)
        return -1;
    QStringList headings;
    for (int c = 0; c < list->columnCount(); ++c)
        headings << list->headerItem()->text(c);
    column = std::min(column, static_cast<int>(headings.size()));
    headings.insert(column, toQt(heading));
    list->setColumnCount(static_cast<int>(headings.size()));
    list->setHeaderLabels(headings);
    const Qt::Alignment alignment = (format & LVCFMT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    list->headerItem()->setTextAlignment(column, alignment | Qt::AlignVCenter);
    list->headerItem()->setData(column, kDataRole, static_cast<int>(alignment));
    if (width >= 0)
        list->setColumnWidth(column, width);
    return column;
}

int CListCtrl::InsertItem(int item, const CString& text)
{
    QTreeWidget* list = tree(m_pWidget);
    if (!list)
        return -1;
    item = std::clamp(item, 0, list->topLevelItemCount());
    auto* row = new QTreeWidgetItem;
    for (int c = 0; c < list->columnCount(); ++c)
        row->setTextAlignment(c, static_cast<Qt::Alignment>(list->headerItem()->data(c, kDataRole).toInt()) |
                                     Qt::AlignVCenter);
    row->setText(0, toQt(text));
    list->insertTopLevelItem(item, row);
    return item;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const CString& text)
{
    QTreeWidget* list = tree(m_pWidget);
    QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    if (!row || subItem < 0 || subItem >= list->columnCount())
        return FALSE;
    row->setText(subItem, toQt(text));
    return TRUE;
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    const QTreeWidget* list = tree(m_pWidget);
    const QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    return row ? fromQt(row->text(subItem)) : CString();
}

int CListCtrl::GetItemCount() const
{
    const QTreeWidget* list = tree(m_pWidget);
    return list ? list->topLevelItemCount() : 0;
}

BOOL CListCtrl::DeleteAllItems()
{
    QTreeWidget* list = tree(m_pWidget);
    if (!list)
        return FALSE;
    list->clear();
    return TRUE;
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data)
{
    QTreeWidget* list = tree(m_pWidget);
    QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    if (!row)
        return FALSE;
    row->setData(0, kDataRole, QVariant::fromValue<qulonglong>(data));
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int item) const
{
    const QTreeWidget* list = tree(m_pWidget);
    const QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    return row ? static_cast<DWORD_PTR>(row->data(0, kDataRole).toULongLong()) : 0;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE compare, DWORD_PTR sortData)
{
    QTreeWidget* list = tree(m_pWidget);
    if (!list || !compare)
        return FALSE;
    const QSignalBlocker quiet(list);
    QTreeWidgetItem* current = list->currentItem();
    // All rows out and back in at once: one at a time lays the view out
    // each time, which takes minutes for the pairs of a long test.
    QList<QTreeWidgetItem*> rows = list->invisibleRootItem()->takeChildren();
    const auto dataOf = [](const QTreeWidgetItem* row) {
        return static_cast<LPARAM>(row->data(0, kDataRole).toULongLong());
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return compare(dataOf(a), dataOf(b), static_cast<LPARAM>(sortData)) < 0;
    });
    list->addTopLevelItems(rows);
    if (current) {
        list->setCurrentItem(current);
        list->scrollToItem(current);
    }
    return TRUE;
}

int CListCtrl::GetNextItem(int start, int flags) const
{
    const QTreeWidget* list = tree(m_pWidget);
    if (!list || !(flags & LVNI_SELECTED))
        return -1;
    for (int k = std::max(start + 1, 0); k < list->topLevelItemCount(); ++k)
        if (list->topLevelItem(k)->isSelected())
            return k;
    return -1;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    QTreeWidget* list = tree(m_pWidget);
    QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    if (!row)
        return FALSE;
    if (mask & LVIS_SELECTED) {
        if (state & LVIS_SELECTED)
            list->setCurrentItem(row);
        else
            row->setSelected(false);
    }
    return TRUE;
}

BOOL CListCtrl::EnsureVisible(int item, BOOL)
{
    QTreeWidget* list = tree(m_pWidget);
    QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    if (!row)
        return FALSE;
    list->scrollToItem(row);
    return TRUE;
}
