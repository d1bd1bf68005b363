#include "framework/ToolTipCtrl.h"

#include <QWidget>

#include "framework/QtBridge.h"
#include "framework/Wnd.h"

BOOL CToolTipCtrl::Create(CWnd* parent)
{
    m_pParent = parent;
    return parent != nullptr;
}

BOOL CToolTipCtrl::AddTool(CWnd* control, const CString& text)
{
    if (!m_pParent || !control || !control->Widget())
        return FALSE;
    control->Widget()->setToolTip(toQt(text));
    return TRUE;
}

CString CToolTipCtrl::GetToolText(const CWnd* control)
{
    return control && control->Widget() ? fromQt(control->Widget()->toolTip()) : CString();
}

void CToolTipCtrl::UpdateTipText(const CString& text, CWnd* control) { AddTool(control, text); }
