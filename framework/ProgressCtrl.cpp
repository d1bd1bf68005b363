#include "framework/ProgressCtrl.h"

#include <QProgressBar>

namespace {

QProgressBar* bar(QWidget* widget) { return qobject_cast<QProgressBar*>(widget); }

}  // namespace

void CProgressCtrl::SetRange32(int lower, int upper)
{
    if (QProgressBar* progress = bar(m_pWidget))
        progress->setRange(lower, upper);
}

int CProgressCtrl::SetPos(int position)
{
    QProgressBar* progress = bar(m_pWidget);
    if (!progress)
        return 0;
    const int before = progress->value();
    progress->setValue(position);
    return before;
}

int CProgressCtrl::GetPos() const
{
    const QProgressBar* progress = bar(m_pWidget);
    return progress ? progress->value() : 0;
}
