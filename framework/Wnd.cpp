#include "framework/Wnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QWidget>

#include "framework/QtBridge.h"

QString toQt(const CString& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
CString fromQt(const QString& text) { return text.toUtf8().toStdString(); }

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() = default;

void CWnd::AttachWidget(QWidget* widget, int id, CWnd* parent)
{
    m_pWidget = widget;
    m_nID = id;
    m_pParent = parent;
}

CWnd* CWnd::AddControl(QWidget* widget, int id)
{
    m_controls.push_back(std::make_unique<CWnd>());
    m_controls.back()->AttachWidget(widget, id, this);
    return m_controls.back().get();
}

void CWnd::DestroyControls() { m_controls.clear(); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (DispatchThroughMap(message, wParam, lParam, result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        break;
    case WM_CLOSE:
        OnClose();
        break;
    default:
        break;
    }
    return 0;
}

void CWnd::OnSysCommand(UINT id, LPARAM)
{
    switch (id & 0xFFF0) {
    case SC_CLOSE:
        SendMessage(WM_CLOSE);
        break;
    case SC_MINIMIZE:
        if (m_pWidget)
            m_pWidget->showMinimized();
        break;
    default:
        break;
    }
}

void CWnd::OnPaint() {}

void CWnd::OnClose()
{
    if (m_pWidget)
        m_pWidget->hide();
}

CWnd* CWnd::GetDlgItem(int id) const
{
    for (const auto& control : m_controls)
        if (control->m_nID == id)
            return control.get();
    return nullptr;
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    const BOOL wasDisabled = !m_pWidget->isEnabled();
    m_pWidget->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_pWidget->isEnabled(); }

CWnd* CWnd::SetFocus()
{
    CWnd* previous = GetFocus();
    m_pWidget->activateWindow();
    m_pWidget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus()
{
    const QWidget* focused = QApplication::focusWidget();
    const CDialog* dialog = CDialog::ActiveModal();
    if (!focused || !dialog)
        return nullptr;
    for (const auto& control : dialog->m_controls)
        if (control->m_pWidget == focused)
            return control.get();
    return nullptr;
}

void CWnd::SetWindowText(const CString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget))
        edit->setText(toQt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget))
        button->setText(toQt(text));
    else
        m_pWidget->setWindowTitle(toQt(text));
}

CString CWnd::GetWindowText() const
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget))
        return fromQt(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget))
        return fromQt(button->text());
    return fromQt(m_pWidget->windowTitle());
}

void CWnd::GetClientRect(CRect* rect) const
{
    *rect = CRect{0, 0, m_pWidget->width(), m_pWidget->height()};
}

BOOL CWnd::IsIconic() const { return m_pWidget && m_pWidget->isMinimized(); }

void CWnd::Invalidate()
{
    if (m_pWidget)
        m_pWidget->update();
}

void CWnd::SetSel(int start, int end)
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget)) {
        if (end < 0)
            end = static_cast<int>(edit->text().size());
        edit->setSelection(start, end - start);
    }
}

void CWnd::LimitText(int maxChars)
{
    if (auto* edit = dynamic_cast<LimitedLineEdit*>(m_pWidget))
        edit->setLimit(maxChars);
}

int CWnd::GetCheck() const
{
    auto* button = qobject_cast<QAbstractButton*>(m_pWidget);
    return button && button->isChecked() ? 1 : 0;
}

void CWnd::SetCheck(int check)
{
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget)) {
        // A radio group may be left with none checked, as on the original
        // platform: lift the group's exclusivity for a moment.
        QButtonGroup* group = button->group();
        const bool exclusive = group && group->exclusive();
        if (exclusive)
            group->setExclusive(false);
        button->setChecked(check != 0);
        if (exclusive)
            group->setExclusive(true);
    }
}

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId)
{
    for (const auto& control : m_controls)
        if (control->m_nID >= firstId && control->m_nID <= lastId)
            control->SetCheck(control->m_nID == checkId);
}

UINT CWnd::IsDlgButtonChecked(int id) const
{
    const CWnd* control = GetDlgItem(id);
    return control ? control->GetCheck() : 0;
}

void CWnd::CheckDlgButton(int id, UINT check)
{
    if (CWnd* control = GetDlgItem(id))
        control->SetCheck(static_cast<int>(check));
}

CMenu* CWnd::GetSystemMenu(BOOL)
{
    if (!m_pSystemMenu)
        m_pSystemMenu = std::make_unique<CMenu>();
    return m_pSystemMenu.get();
}

HICON CWnd::SetIcon(HICON icon, BOOL)
{
    if (auto* impl = dynamic_cast<IconImpl*>(icon))
        m_pWidget->setWindowIcon(impl->icon);
    return icon;
}

BOOL CMenu::AppendMenu(UINT flags, UINT id, const CString& text)
{
    m_items.push_back(Item{flags, id, text});
    return TRUE;
}
