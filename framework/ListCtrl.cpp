#include "framework/ListCtrl.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

#include "framework/ListModel.h"
#include "framework/QtBridge.h"

namespace {

QTreeWidget* tree(QWidget* widget) { return qobject_cast<QTreeWidget*>(widget); }

// The view and rows of an owner-data list; null for another.
QTreeView* ownerView(QWidget* widget)
{
    auto* view = qobject_cast<QTreeView*>(widget);
    return view && dynamic_cast<ListModel*>(view->model()) ? view : nullptr;
}
ListModel* rows(QWidget* widget)
{
    QTreeView* view = ownerView(widget);
    return view ? static_cast<ListModel*>(view->model()) : nullptr;
}

constexpr int kDataRole = Qt::UserRole;

}  // namespace

int CListCtrl::InsertColumn(int column, const CString& heading, int format, int width)
{
    const Qt::Alignment alignment = (format & LVCFMT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (ListModel* model = rows(m_pWidget)) {
        column = model->insertColumn(column, toQt(heading), alignment);
        if (width >= 0)
            ownerView(m_pWidget)->setColumnWidth(column, width);
        return column;
    }
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
    if (const ListModel* model = rows(m_pWidget))
        return fromQt(model->text(item, subItem));
    const QTreeWidget* list = tree(m_pWidget);
    const QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    return row ? fromQt(row->text(subItem)) : CString();
}

int CListCtrl::GetItemCount() const
{
    if (const ListModel* model = rows(m_pWidget))
        return model->rowCount();
    const QTreeWidget* list = tree(m_pWidget);
    return list ? list->topLevelItemCount() : 0;
}

BOOL CListCtrl::DeleteAllItems()
{
    if (ListModel* model = rows(m_pWidget)) {
        model->setCount(0);
        return TRUE;
    }
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
    if (const QTreeView* view = ownerView(m_pWidget)) {
        if (!(flags & LVNI_SELECTED))
            return -1;
        int next = -1;
        for (const QModelIndex& index : view->selectionModel()->selectedRows())
            if (index.row() > start && (next < 0 || index.row() < next))
                next = index.row();
        return next;
    }
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
    if (QTreeView* view = ownerView(m_pWidget)) {
        const QModelIndex index = view->model()->index(item, 0);
        if (!index.isValid())
            return FALSE;
        if (mask & LVIS_SELECTED) {
            if (state & LVIS_SELECTED)
                view->setCurrentIndex(index);
            else
                view->selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        }
        return TRUE;
    }
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
    if (QTreeView* view = ownerView(m_pWidget)) {
        const QModelIndex index = view->model()->index(item, 0);
        if (!index.isValid())
            return FALSE;
        view->scrollTo(index);
        return TRUE;
    }
    QTreeWidget* list = tree(m_pWidget);
    QTreeWidgetItem* row = list ? list->topLevelItem(item) : nullptr;
    if (!row)
        return FALSE;
    list->scrollToItem(row);
    return TRUE;
}

BOOL CListCtrl::SetItemCountEx(int count)
{
    ListModel* model = rows(m_pWidget);
    if (!model)
        return FALSE;
    model->setCount(count);
    return TRUE;
}

BOOL CListCtrl::RedrawItems(int first, int last)
{
    QTreeView* view = ownerView(m_pWidget);
    if (!view || first > last)
        return FALSE;
    // The rows' texts are asked for again as they are drawn; a change
    // over every row would make the view measure every row.
    view->viewport()->update();
    return TRUE;
}

BOOL CListCtrl::SetColumnWidth(int column, int width)
{
    auto* view = qobject_cast<QTreeView*>(m_pWidget);
    if (!view || column < 0 || column >= view->header()->count() || width < 0)
        return FALSE;
    view->setColumnWidth(column, width);
    return TRUE;
}

int CListCtrl::GetStringWidth(const CString& text) const
{
    return m_pWidget ? QFontMetrics(m_pWidget->font()).horizontalAdvance(toQt(text)) : 0;
}
