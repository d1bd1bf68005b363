#include "framework/ListBox.h"

#include <QListWidget>

#include "framework/QtBridge.h"

namespace {

QListWidget* list(QWidget* widget) { return qobject_cast<QListWidget*>(widget); }

}  // namespace

int CListBox::AddString(const CString& text)
{
    QListWidget* box = list(m_pWidget);
    if (!box)
        return LB_ERR;
    box->addItem(toQt(text));
    return box->count() - 1;
}

int CListBox::GetCount() const
{
    const QListWidget* box = list(m_pWidget);
    return box ? box->count() : LB_ERR;
}

void CListBox::GetText(int index, CString& text) const
{
    const QListWidget* box = list(m_pWidget);
    const QListWidgetItem* item = box ? box->item(index) : nullptr;
    text = item ? fromQt(item->text()) : CString();
}

int CListBox::GetCurSel() const
{
    const QListWidget* box = list(m_pWidget);
    if (!box || box->selectedItems().isEmpty())
        return LB_ERR;
    return box->row(box->selectedItems().front());
}
