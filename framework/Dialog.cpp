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

// The window's title, face, frame and fixed size; its dialog units.
DialogUnits shapeWindow(QWidget* widget, const DialogTemplate& t)
{
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
    return du;
}

// How a control's text is made to fit its box.
enum class TextFit {
    None,
    Alone,           // the box is the text's
    BesideIndicator  // a radio button's or check box's mark takes room too
};

// What sets the kinds of control apart once they are made.
struct KindTraits {
    ControlKind kind;
    bool clickFocus;  // a click gives it the focus when it is no tab stop
    TextFit fit;
};

constexpr KindTraits kKindTraits[] = {
    {ControlKind::DefPushButton, true, TextFit::None},
    {ControlKind::PushButton, true, TextFit::None},
    {ControlKind::GroupBox, false, TextFit::None},
    {ControlKind::LeftText, false, TextFit::Alone},
    {ControlKind::CenterText, false, TextFit::Alone},
    {ControlKind::Edit, true, TextFit::None},
    {ControlKind::RadioButton, true, TextFit::BesideIndicator},
    {ControlKind::CheckBox, true, TextFit::BesideIndicator},
    {ControlKind::ListBox, true, TextFit::None},
    {ControlKind::ListView, true, TextFit::None},
    {ControlKind::Progress, false, TextFit::None},
    {ControlKind::Icon, false, TextFit::None},
};

KindTraits traitsOf(ControlKind kind)
{
    for (const KindTraits& traits : kKindTraits)
        if (traits.kind == kind)
            return traits;
    return {kind, false, TextFit::None};
}

QWidget* makeButton(const ControlTemplate& c, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(true);
    button->setDefault(c.kind == ControlKind::DefPushButton);
    return button;
}

QLabel* makeText(const ControlTemplate& c, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment((c.kind == ControlKind::CenterText ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setWordWrap(!(c.style & SS_LEFTNOWORDWRAP));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* makeIcon(const ControlTemplate& c, QWidget* parent)
{
    auto* label = new QLabel(parent);
    if (CWinApp* app = AfxGetApp())
        if (auto* icon = dynamic_cast<IconImpl*>(app->LoadIcon(static_cast<UINT>(std::atoi(c.text)))))
            label->setPixmap(icon->pixmap);
    return label;
}

QWidget* makeEdit(const ControlTemplate& c, QWidget* parent)
{
    auto* edit = new LimitedLineEdit(parent);
    edit->setReadOnly(c.style & ES_READONLY);
    edit->setFrame(c.style & WS_BORDER);
    return edit;
}

QWidget* makeListBox(const ControlTemplate& c, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    if (c.style & LBS_NOSEL)
        list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setVerticalScrollBarPolicy((c.style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    return list;
}

// With LVS_OWNERDATA, each text is the dialog's answer to LVN_GETDISPINFO.
QWidget* makeListView(const ControlTemplate& c, QWidget* parent, CWnd* dialog)
{
    QTreeView* list = nullptr;
    if (c.style & LVS_OWNERDATA) {
        list = new QTreeView(parent);
        const int id = c.id;
        list->setModel(new ListModel(list, [dialog, id](int row, int column) {
            char text[4096] = "";
            NMLVDISPINFO info{{nullptr, static_cast<UINT_PTR>(id), LVN_GETDISPINFO},
                              {LVIF_TEXT, row, column, text, static_cast<int>(sizeof text)}};
            dialog->SendMessage(WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
            text[sizeof text - 1] = '\0';
            return QString::fromUtf8(text);
        }));
    } else {
        auto* items = new QTreeWidget(parent);
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
    return list;
}

QWidget* makeProgress(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(false);
    return bar;
}

// Makes a template's controls on the dialog's window one after another,
// keeping what spans them: the radio group under way, the tab stops, and
// the labels whose mnemonics wait for the next tab stop.
class ControlMaker {
public:
    ControlMaker(CWnd* dialog, QWidget* window, const DialogUnits& du) : dialog_(dialog), window_(window), du_(du) {}

    // The control of c, placed, enabled and focused as its style says.
    QWidget* make(const ControlTemplate& c)
    {
        const QString text = QString::fromUtf8(c.text);
        QWidget* control = create(c, text);
        if (c.kind != ControlKind::RadioButton && (c.style & WS_GROUP))
            radioGroup_ = nullptr;
        control->setGeometry(du_.x(c.x), du_.y(c.y), du_.x(c.cx), du_.y(c.cy));
        const KindTraits traits = traitsOf(c.kind);
        fit(control, text, traits.fit);
        control->setEnabled(!(c.style & WS_DISABLED));
        focus(control, c.style, traits);
        if (c.kind == ControlKind::GroupBox)
            control->lower();  // a frame behind the controls it surrounds
        return control;
    }

    // Labels after the last tab stop lead round to the first; tabs go
    // through the stops in template order.
    void finish()
    {
        for (QLabel* label : pendingBuddies_)
            if (!tabStops_.empty())
                label->setBuddy(tabStops_.front());
        for (std::size_t k = 1; k < tabStops_.size(); ++k)
            QWidget::setTabOrder(tabStops_[k - 1], tabStops_[k]);
    }

private:
    QWidget* create(const ControlTemplate& c, const QString& text)
    {
        switch (c.kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
            return makeButton(c, text, window_);
        case ControlKind::GroupBox:
            return new QGroupBox(text, window_);
        case ControlKind::LeftText:
        case ControlKind::CenterText: {
            QLabel* label = makeText(c, text, window_);
            if (text.contains('&'))
                pendingBuddies_.push_back(label);
            return label;
        }
        case ControlKind::Icon:
            return makeIcon(c, window_);
        case ControlKind::Edit:
            return makeEdit(c, window_);
        case ControlKind::RadioButton:
            return makeRadio(c, text);
        case ControlKind::CheckBox:
            return new QCheckBox(text, window_);
        case ControlKind::ListBox:
            return makeListBox(c, window_);
        case ControlKind::ListView:
            return makeListView(c, window_, dialog_);
        case ControlKind::Progress:
            return makeProgress(window_);
        }
        return nullptr;
    }

    // WS_GROUP, or the first radio button after other controls, starts a
    // group of its own.
    QWidget* makeRadio(const ControlTemplate& c, const QString& text)
    {
        if (!radioGroup_ || (c.style & WS_GROUP)) {
            radioGroup_ = new QButtonGroup(window_);
            radioGroup_->setExclusive(true);
        }
        auto* radio = new QRadioButton(text, window_);
        radioGroup_->addButton(radio);
        return radio;
    }

    static void fit(QWidget* control, const QString& text, TextFit how)
    {
        if (how == TextFit::Alone)
            fitText(control, text, 0);
        else if (how == TextFit::BesideIndicator)
            fitText(control, text,
                    control->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                        control->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) + 2);
    }

    // A tab stop takes the focus from the keyboard too, and the labels
    // waiting for one lead to it.
    void focus(QWidget* control, unsigned style, const KindTraits& traits)
    {
        if (!(style & WS_TABSTOP)) {
            control->setFocusPolicy(traits.clickFocus ? Qt::ClickFocus : Qt::NoFocus);
            return;
        }
        control->setFocusPolicy(Qt::StrongFocus);
        tabStops_.push_back(control);
        for (QLabel* label : pendingBuddies_)
            label->setBuddy(control);
        pendingBuddies_.clear();
    }

    CWnd* dialog_;
    QWidget* window_;
    const DialogUnits du_;
    QButtonGroup* radioGroup_ = nullptr;
    std::vector<QWidget*> tabStops_;
    std::vector<QLabel*> pendingBuddies_;
};

// A button's clicks reach the dialog as BN_CLICKED commands.
void sendClicks(CWnd* dialog, QWidget* window, QAbstractButton* button, int id)
{
    QObject::connect(button, &QAbstractButton::clicked, window, [dialog, id] {
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(id), BN_CLICKED), 0);
    });
}

// A list's column clicks and changes of selection reach the dialog as
// notes from source.
void sendListNotes(CWnd* dialog, QWidget* window, QTreeView* list, CWnd* source, int id)
{
    const auto notify = [dialog, source, id](UINT code, int item, int column) {
        NMLISTVIEW note{{source, static_cast<UINT_PTR>(id), code}, item, column, LVIS_SELECTED, 0, LVIF_STATE};
        dialog->SendMessage(WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&note));
    };
    QObject::connect(list->header(), &QHeaderView::sectionClicked, window,
                     [notify](int column) { notify(LVN_COLUMNCLICK, -1, column); });
    QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, window, [notify, list] {
        const QModelIndexList selected = list->selectionModel()->selectedRows();
        if (!selected.isEmpty())
            notify(LVN_ITEMCHANGED, selected.front().row(), 0);
    });
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
    ControlMaker maker(this, widget, shapeWindow(widget, t));
    for (const ControlTemplate& c : t.controls) {
        QWidget* control = maker.make(c);
        CWnd* source = AddControl(control, c.id);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            sendClicks(this, widget, button, c.id);
        if (auto* list = qobject_cast<QTreeView*>(control))
            sendListNotes(this, widget, list, source, c.id);
    }
    maker.finish();
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
