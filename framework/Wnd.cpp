#include "framework/Wnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <set>

#include "framework/QtBridge.h"
#include "framework/TestHooks.h"

QString toQt(const CString& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
CString fromQt(const QString& text) { return text.toUtf8().toStdString(); }

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

QTimer* findTimer(QWidget* widget, UINT_PTR id)
{
    return widget ? widget->findChild<QTimer*>(QString("afx-timer-%1").arg(id), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

std::set<std::string>& registeredClasses()
{
    static std::set<std::string> names;
    return names;
}

}  // namespace

const char* AfxRegisterWndClass(UINT classStyle)
{
    return registeredClasses().insert("Afx:" + std::to_string(classStyle)).first->c_str();
}

void dispatchFromToolkit(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        window->SendMessage(message, wParam, lParam);
    } catch (const CException&) {
        // The step that needed the object is skipped; the next one tries again.
    }
}

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (m_pParent) {
        auto& list = m_pParent->m_subclassed;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    // The window goes with its object, without messages to a half-destroyed one.
    if (auto* child = dynamic_cast<ChildWidget*>(m_pWidget)) {
        child->owner = nullptr;
        delete child;
    }
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const CRect& rect,
                    CWnd* parent, UINT id, void* param)
{
    const bool registered = className && registeredClasses().count(className);
    if (m_pWidget || !registered || !(style & WS_CHILD) || !parent || !parent->m_pWidget)
        return FALSE;
    auto* widget = new ChildWidget(this, parent->m_pWidget);
    widget->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    AttachWidget(widget, static_cast<int>(id), parent);
    CREATESTRUCT create{param, parent, rect.Height(), rect.Width(), rect.top, rect.left,
                        style, windowName, className, exStyle};
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow();
        return FALSE;
    }
    widget->fitSurface();
    if (style & WS_VISIBLE)
        widget->show();
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    auto* child = dynamic_cast<ChildWidget*>(m_pWidget);
    if (!child)
        return FALSE;
    delete child;  // tells this window through WindowDestroyed
    return TRUE;
}

void CWnd::WindowDestroyed()
{
    SendMessage(WM_DESTROY);
    m_pWidget = nullptr;
    m_pParent = nullptr;
    // The last message: the object may delete itself here.
    SendMessage(WM_NCDESTROY);
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    const CWnd* control = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    if (!control || m_pWidget)
        return FALSE;
    AttachWidget(control->m_pWidget, static_cast<int>(id), parent);
    parent->m_subclassed.push_back(this);
    return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, void*)
{
    if (!m_pWidget)
        return 0;
    QTimer* timer = findTimer(m_pWidget, id);
    if (!timer) {
        timer = new QTimer(m_pWidget);
        timer->setObjectName(QString("afx-timer-%1").arg(id));
        QObject::connect(timer, &QTimer::timeout, m_pWidget, [this, id] { dispatchFromToolkit(this, WM_TIMER, id); });
    }
    timer->start(static_cast<int>(std::min<UINT>(elapse, INT_MAX)));
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    QTimer* timer = findTimer(m_pWidget, id);
    delete timer;
    return timer != nullptr;
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }

void CWnd::OnSize(UINT, int, int) {}

void CWnd::OnTimer(UINT_PTR) {}

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

void CWnd::DestroyControls()
{
    for (CWnd* control : m_subclassed) {
        control->m_pWidget = nullptr;
        control->m_pParent = nullptr;
    }
    m_subclassed.clear();
    m_controls.clear();
}

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
    case WM_NCDESTROY:
        PostNcDestroy();
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
    else if (auto* label = qobject_cast<QLabel*>(m_pWidget))
        label->setText(toQt(text));
    else
        m_pWidget->setWindowTitle(toQt(text));
}

CString CWnd::GetWindowText() const
{
    if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget))
        return fromQt(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget))
        return fromQt(button->text());
    if (auto* label = qobject_cast<QLabel*>(m_pWidget))
        return fromQt(label->text());
    return fromQt(m_pWidget->windowTitle());
}

void CWnd::GetClientRect(CRect* rect) const
{
    *rect = CRect{0, 0, m_pWidget->width(), m_pWidget->height()};
}

BOOL CWnd::IsIconic() const { return m_pWidget && m_pWidget->isMinimized(); }

void CWnd::GetWindowRect(CRect* rect) const
{
    const QPoint topLeft = m_pWidget->mapToGlobal(QPoint(0, 0));
    *rect = CRect{topLeft.x(), topLeft.y(), topLeft.x() + m_pWidget->width(), topLeft.y() + m_pWidget->height()};
}

void CWnd::ScreenToClient(CRect* rect) const
{
    const QPoint topLeft = m_pWidget->mapFromGlobal(QPoint(rect->left, rect->top));
    *rect = CRect{topLeft.x(), topLeft.y(), topLeft.x() + rect->Width(), topLeft.y() + rect->Height()};
}

void CWnd::Invalidate(BOOL)
{
    if (auto* child = dynamic_cast<ChildWidget*>(m_pWidget))
        child->invalid = true;
    if (m_pWidget)
        m_pWidget->update();
}

void CWnd::UpdateWindow()
{
    auto* child = dynamic_cast<ChildWidget*>(m_pWidget);
    if (child && child->invalid) {
        SendMessage(WM_PAINT);
        child->invalid = false;
        child->update();
    }
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

UINT CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner)
{
    UINT chosen = 0;
    if (const auto& answer = afxtest::TestHooks().popupMenu) {
        std::vector<std::string> texts;
        for (const Item& item : m_items)
            texts.push_back(item.flags & MF_SEPARATOR ? "" : item.text);
        chosen = answer(texts);
    } else {
        QMenu menu(owner ? owner->Widget() : nullptr);
        for (const Item& item : m_items) {
            if (item.flags & MF_SEPARATOR)
                menu.addSeparator();
            else
                menu.addAction(toQt(item.text))->setData(item.id);
        }
        if (const QAction* action = menu.exec(QPoint(x, y)))
            chosen = action->data().toUInt();
    }
    if (!(flags & TPM_RETURNCMD) && chosen != 0 && owner)
        owner->SendMessage(WM_COMMAND, MAKEWPARAM(chosen, BN_CLICKED), 0);
    return chosen;
}

// ---------------------------------------------------------------------------

ChildWidget::ChildWidget(CWnd* owner, QWidget* parent) : QWidget(parent), owner(owner)
{
    // No background of the toolkit's: the window paints all of itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

ChildWidget::~ChildWidget()
{
    if (owner)
        owner->WindowDestroyed();
}

void ChildWidget::fitSurface()
{
    if (surface.size() == size() && !surface.isNull())
        return;
    surface = QImage(size(), QImage::Format_RGB32);
    surface.fill(Qt::black);
    invalid = true;
    if (owner)
        dispatchFromToolkit(owner, WM_SIZE, SIZE_RESTORED,
                            MAKELPARAM(static_cast<UINT>(width()), static_cast<UINT>(height())));
    update();
}

void ChildWidget::resizeEvent(QResizeEvent*) { fitSurface(); }

namespace {

LPARAM pointOf(const QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    return MAKELPARAM(static_cast<UINT>(at.x()) & 0xFFFF, static_cast<UINT>(at.y()) & 0xFFFF);
}

}  // namespace

void ChildWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (owner)
        dispatchFromToolkit(owner, WM_MOUSEMOVE, (event->buttons() & Qt::LeftButton) ? MK_LBUTTON : 0,
                            pointOf(event));
}

void ChildWidget::mousePressEvent(QMouseEvent* event)
{
    if (owner && event->button() == Qt::LeftButton)
        dispatchFromToolkit(owner, WM_LBUTTONDOWN, MK_LBUTTON, pointOf(event));
}

void ChildWidget::paintEvent(QPaintEvent*)
{
    if (invalid && owner) {
        dispatchFromToolkit(owner, WM_PAINT);
        invalid = false;
    }
    QPainter(this).drawImage(0, 0, surface);
}
