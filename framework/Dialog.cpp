#include "framework/Dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QHeaderView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include "framework/DataExchange.h"
#include "framework/ListCtrl.h"
#include "framework/ListModel.h"
#include "framework/QtBridge.h"
#include "framework/Resources.h"
#include "framework/TestHooks.h"
#include "framework/WinApp.h"

namespace {

CDialog* g_activeModal = nullptr;

const DialogTemplate& templateOrEmpty(UINT id)
{
    static const DialogTemplate empty{0, 100, 50, "", "MS Sans Serif", 10, 0, {}};
    const DialogTemplate* found = FindDialogTemplate(static_cast<int>(id));
    return found ? *found : empty;
}

// The platform's fonts, mapped to the nearest faces here.
QFont dialogFont(const DialogTemplate& t)
{
    QFont font;
    if (QString(t.font).contains("Courier", Qt::CaseInsensitive)) {
        font.setFamily("Monospace");
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else {
        font.setFamily("Sans Serif");
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(t.pointSize);
    return font;
}

// Dialog units: a quarter of the font's average letter width across, an
// eighth of its height down.
struct DialogUnits {
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = (letters / 26 + 1) / 2;
        baseY = metrics.height();
    }
    static int mulDiv(int value, int numerator, int denominator)
    {
        const long long product = static_cast<long long>(value) * numerator;
        return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
    }
    int x(int units) const { return mulDiv(units, baseX, 4); }
    int y(int units) const { return mulDiv(units, baseY, 8); }
    int baseX, baseY;
};

// Makes a control's text fit the box the template gives it: the template's
// numbers were made for a narrower face than any here.
void fitText(QWidget* control, const QString& text, int indicator)
{
    QString plain = text;
    plain.replace("&&", "\x01").remove('&').replace('\x01', '&');
    const QStringList lines = plain.split('\n');
    QFont font = control->font();
    const auto widest = [&lines](const QFont& f) {
        const QFontMetrics metrics(f);
        int width = 0;
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        return width;
    };
    while (widest(font) + indicator > control->width() && font.pointSizeF() > 7.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (font != control->font())
        control->setFont(font);
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_pTemplate(&templateOrEmpty(templateId))
{
    m_pParent = parent;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* parent)
    : m_pTemplate(&dialogTemplate)
{
    m_pParent = parent;
}

CDialog::~CDialog()
{
    DestroyControls();
    delete m_pWidget;
}

CDialog* CDialog::ActiveModal() { return g_activeModal; }

void CDialog::CreateFromTemplate()
{
    const DialogTemplate& t = *m_pTemplate;
    auto* widget = new DialogWidget(this, m_pParent ? m_pParent->m_pWidget : nullptr);
    AttachWidget(widget, t.id, m_pParent);
    widget->setWindowTitle(QString::fromUtf8(t.caption));
    widget->setFont(dialogFont(t));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (t.style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    widget->setWindowFlags(flags);

    const DialogUnits du(widget->font());
    widget->setFixedSize(du.x(t.cx), du.y(t.cy));
    // Text in the same face, semi-condensed, nearer the narrow faces the
    // templates were laid out for; a fixed-pitch face is as wide as theirs.
    QFont textFont = widget->font();
    if (!textFont.fixedPitch()) {
        textFont.setStretch(QFont::SemiCondensed);
        widget->setFont(textFont);
    }

    QButtonGroup* radioGroup = nullptr;
    std::vector<QWidget*> tabStops;
    std::vector<QLabel*> pendingBuddies;
    for (const ControlTemplate& c : t.controls) {
        const QString text = QString::fromUtf8(c.text);
        QWidget* control = nullptr;
        switch (c.kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, widget);
            button->setAutoDefault(true);
            button->setDefault(c.kind == ControlKind::DefPushButton);
            control = button;
            break;
        }
        case ControlKind::GroupBox:
            control = new QGroupBox(text, widget);
            break;
        case ControlKind::LeftText:
        case ControlKind::CenterText: {
            auto* label = new QLabel(text, widget);
            label->setAlignment((c.kind == ControlKind::CenterText ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            label->setWordWrap(!(c.style & SS_LEFTNOWORDWRAP));
            label->setTextFormat(Qt::PlainText);
            if (text.contains('&'))
                pendingBuddies.push_back(label);
            control = label;
            break;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(widget);
            if (CWinApp* app = AfxGetApp())
                if (auto* icon = dynamic_cast<IconImpl*>(app->LoadIcon(static_cast<UINT>(std::atoi(c.text)))))
                    label->setPixmap(icon->pixmap);
            control = label;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new LimitedLineEdit(widget);
            edit->setReadOnly(c.style & ES_READONLY);
            edit->setFrame(c.style & WS_BORDER);
            control = edit;
            break;
        }
        case ControlKind::RadioButton: {
            if (!radioGroup || (c.style & WS_GROUP)) {
                radioGroup = new QButtonGroup(widget);
                radioGroup->setExclusive(true);
            }
            auto* radio = new QRadioButton(text, widget);
            radioGroup->addButton(radio);
            control = radio;
            break;
        }
        case ControlKind::CheckBox:
            control = new QCheckBox(text, widget);
            break;
        case ControlKind::ListBox: {
            auto* list = new QListWidget(widget);
            if (c.style & LBS_NOSEL)
                list->setSelectionMode(QAbstractItemView::NoSelection);
            list->setVerticalScrollBarPolicy((c.style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            control = list;
            break;
        }
        case ControlKind::ListView: {
            QTreeView* list = nullptr;
            if (c.style & LVS_OWNERDATA) {
                list = new QTreeView(widget);
                // Each text is the dialog's answer to LVN_GETDISPINFO.
                const int id = c.id;
                list->setModel(new ListModel(list, [this, id](int row, int column) {
                    char text[4096] = "";
                    NMLVDISPINFO info{{nullptr, static_cast<UINT_PTR>(id), LVN_GETDISPINFO},
                                      {LVIF_TEXT, row, column, text, static_cast<int>(sizeof text)}};
                    SendMessage(WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
                    text[sizeof text - 1] = '\0';
                    return QString::fromUtf8(text);
                }));
            } else {
                auto* items = new QTreeWidget(widget);
                items->setColumnCount(0);
                list = items;
            }
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setAllColumnsShowFocus(true);
            list->setSelectionMode((c.style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                              : QAbstractItemView::ExtendedSelection);
            list->setSelectionBehavior(QAbstractItemView::SelectRows);
            list->header()->setSectionsClickable(true);
            list->header()->setSectionsMovable(false);
            list->header()->setStretchLastSection(false);
            control = list;
            break;
        }
        case ControlKind::Progress: {
            auto* bar = new QProgressBar(widget);
            bar->setTextVisible(false);
            control = bar;
            break;
        }
        }
        if (c.kind != ControlKind::RadioButton)
            radioGroup = (c.style & WS_GROUP) ? nullptr : radioGroup;
        control->setGeometry(du.x(c.x), du.y(c.y), du.x(c.cx), du.y(c.cy));
        if (c.kind == ControlKind::LeftText || c.kind == ControlKind::CenterText)
            fitText(control, text, 0);
        else if (c.kind == ControlKind::RadioButton || c.kind == ControlKind::CheckBox)
            fitText(control, text,
                    control->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                        control->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) + 2);
        control->setEnabled(!(c.style & WS_DISABLED));
        if (c.style & WS_TABSTOP) {
            control->setFocusPolicy(Qt::StrongFocus);
            tabStops.push_back(control);
        } else if (c.kind == ControlKind::RadioButton || c.kind == ControlKind::CheckBox ||
                   c.kind == ControlKind::PushButton || c.kind == ControlKind::DefPushButton ||
                   c.kind == ControlKind::Edit || c.kind == ControlKind::ListBox ||
                   c.kind == ControlKind::ListView) {
            control->setFocusPolicy(Qt::ClickFocus);
        } else {
            control->setFocusPolicy(Qt::NoFocus);
        }
        if (c.kind == ControlKind::GroupBox)
            control->lower();  // a frame behind the controls it surrounds

        // A label's mnemonic leads to the next tab stop after it.
        if (c.style & WS_TABSTOP) {
            for (QLabel* label : pendingBuddies)
                label->setBuddy(control);
            pendingBuddies.clear();
        }

        const int id = c.id;
        AddControl(control, id);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QObject::connect(button, &QAbstractButton::clicked, widget, [this, id] {
                SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), BN_CLICKED), 0);
            });
        if (auto* list = qobject_cast<QTreeView*>(control)) {
            CWnd* source = m_controls.back().get();
            const auto notify = [this, source, id](UINT code, int item, int column) {
                NMLISTVIEW note{{source, static_cast<UINT_PTR>(id), code}, item, column, LVIS_SELECTED, 0, LVIF_STATE};
                SendMessage(WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&note));
            };
            QObject::connect(list->header(), &QHeaderView::sectionClicked, widget,
                             [notify](int column) { notify(LVN_COLUMNCLICK, -1, column); });
            QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, widget, [notify, list] {
                const QModelIndexList selected = list->selectionModel()->selectedRows();
                if (!selected.isEmpty())
                    notify(LVN_ITEMCHANGED, selected.front().row(), 0);
            });
        }
    }
    // Labels after the last tab stop lead round to the first.
    for (QLabel* label : pendingBuddies)
        if (!tabStops.empty())
            label->setBuddy(tabStops.front());
    for (std::size_t k = 1; k < tabStops.size(); ++k)
        QWidget::setTabOrder(tabStops[k - 1], tabStops[k]);
}

int CDialog::DoModal()
{
    CreateFromTemplate();
    m_pPreviousModal = g_activeModal;
    g_activeModal = this;
    m_nResult = IDCANCEL;

    auto* widget = static_cast<DialogWidget*>(m_pWidget);
    widget->setModal(true);
    // OnInitDialog may end the dialog at once; then there is no loop to run.
    const BOOL focusFirst = OnInitDialog();
    if (!widget->ending) {
        widget->show();
        if (focusFirst) {
            for (const auto& control : m_controls)
                if (control->m_pWidget->focusPolicy() == Qt::StrongFocus && control->m_pWidget->isEnabled()) {
                    control->m_pWidget->setFocus(Qt::TabFocusReason);
                    if (auto* edit = qobject_cast<QLineEdit*>(control->m_pWidget))
                        edit->selectAll();
                    break;
                }
        }
        if (afxtest::TestHooks().modalLoop)
            QTimer::singleShot(0, widget, [this] { afxtest::TestHooks().modalLoop(*this); });
        widget->exec();
    }
    // Hand the focus back to the window beneath, which a bare X server
    // would leave without it.
    if (m_pParent && m_pParent->m_pWidget)
        m_pParent->m_pWidget->activateWindow();
    g_activeModal = m_pPreviousModal;
    DestroyControls();
    delete m_pWidget;
    m_pWidget = nullptr;
    return m_nResult;
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    auto* widget = static_cast<DialogWidget*>(m_pWidget);
    widget->ending = true;
    widget->done(result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A dialog's close box and system-menu Close are its Cancel.
    if (message == WM_CLOSE)
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchange*) {
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------

DialogWidget::DialogWidget(CDialog* owner, QWidget* parent)
    : QDialog(parent), m_owner(owner)
{
    // Shortcuts come before the focused control, which would take Alt+Space
    // as a press of its own.
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this, [this] { showSystemMenu(mapToGlobal(QPoint(0, 0))); });
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(closeKey, &QShortcut::activated, this, [this] { m_owner->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); });
}

void DialogWidget::reject()
{
    m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DialogWidget::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    m_owner->SendMessage(WM_PAINT);
}

void DialogWidget::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A bare X server activates nothing: ask once the window is mapped.
    QTimer::singleShot(0, this, [this] { activateWindow(); });
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    if (ending) {
        event->accept();
        return;
    }
    event->ignore();
    m_owner->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

QMenu* DialogWidget::buildSystemMenu()
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [this, menu](const QString& text, UINT id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        QObject::connect(action, &QAction::triggered, this, [this, id] { m_owner->SendMessage(WM_SYSCOMMAND, id, 0); });
    };
    if (windowFlags() & Qt::WindowMinimizeButtonHint)
        add("Mi&nimize", SC_MINIMIZE);
    add("&Close\tAlt+F4", SC_CLOSE);
    for (const CMenu::Item& item : m_owner->GetSystemMenu(FALSE)->Items()) {
        if (item.flags & MF_SEPARATOR)
            menu->addSeparator();
        else
            add(toQt(item.text), item.id);
    }
    return menu;
}

void DialogWidget::showSystemMenu(const QPoint& where) { buildSystemMenu()->popup(where); }

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QWidget* target = childAt(event->pos());
    if (target == nullptr || qobject_cast<QGroupBox*>(target)) {
        showSystemMenu(event->globalPos());
        return;
    }
    // The control, or the child window, that was clicked: WM_CONTEXTMENU
    // names it and the point on the screen.
    CWnd* window = nullptr;
    for (QWidget* w = target; w && w != this && !window; w = w->parentWidget()) {
        if (auto* child = dynamic_cast<ChildWidget*>(w))
            window = child->owner;
        for (const auto& control : m_owner->m_controls)
            if (control->m_pWidget == w)
                window = control.get();
    }
    if (window)
        m_owner->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                             MAKELPARAM(static_cast<UINT>(event->globalPos().x()) & 0xFFFF,
                                        static_cast<UINT>(event->globalPos().y()) & 0xFFFF));
}

// ---------------------------------------------------------------------------

LimitedLineEdit::LimitedLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(false);
}

bool LimitedLineEdit::allows(const QString& inserted) const
{
    return m_limit <= 0 || text().size() - selectedText().size() + inserted.size() <= m_limit;
}

void LimitedLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_limit > 0 && event == QKeySequence::Paste) {
        // Pasting takes as much as fits.
        const qsizetype room = m_limit - (text().size() - selectedText().size());
        insert(QGuiApplication::clipboard()->text().left(std::max<qsizetype>(room, 0)));
        return;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && !allows(event->text())) {
        QApplication::beep();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LimitedLineEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (!allows(event->commitString())) {
        QApplication::beep();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
