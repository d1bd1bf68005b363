#include "framework/TestSeams.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeView>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <cstdlib>

#include "framework/Dialog.h"
#include "framework/QtBridge.h"

namespace afxtest {

namespace {

std::function<void(CDialog&)> g_modalHandler;
std::function<void(const std::string&)> g_unexpectedModalGuard;

QWidget* control(CDialog& dialog, int id)
{
    CWnd* wnd = dialog.GetDlgItem(id);
    return wnd ? wnd->Widget() : nullptr;
}

// Lets pending activation and focus changes arrive, as they would before a
// user's next keystroke.
void settle(CDialog& dialog)
{
    QApplication::processEvents();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(dialog.Widget(), 1000);
}

// Where a key pressed now would go: the focused control, or the dialog.
QWidget* keyTarget(CDialog& dialog)
{
    settle(dialog);
    QWidget* target = QApplication::focusWidget();
    return target && target->window() == dialog.Widget() ? target : dialog.Widget();
}

bool isOpen(CDialog& dialog) { return dialog.Widget() && !static_cast<DialogWidget*>(dialog.Widget())->ending; }

// Run by every modal loop once it has started.
void runModalHandler(CDialog& dialog)
{
    // Activation arrives through the event queue; focus rules need it.
    settle(dialog);
    if (g_modalHandler)
        g_modalHandler(dialog);
    if (isOpen(dialog) && (g_modalHandler || g_unexpectedModalGuard)) {
        if (g_unexpectedModalGuard)
            g_unexpectedModalGuard(dialog.Template().caption);
        dialog.EndDialog(IDCANCEL);
    }
}

}  // namespace

HeadlessToolkit::HeadlessToolkit(int& argc, char** argv)
{
    char folder[] = "/tmp/talver-test-XXXXXX";
    if (mkdtemp(folder)) {
        const std::string base = folder;
        for (const char* sub : {"/config", "/runtime", "/tmp"}) {
            const std::string path = base + sub;
            mkdir(path.c_str(), 0700);
        }
        setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
        setenv("TMPDIR", (base + "/tmp").c_str(), 1);
        // The headless screen of a classic desktop.
        const std::string screens = base + "/screens.json";
        if (std::FILE* file = std::fopen(screens.c_str(), "w")) {
            std::fputs("{\"screens\": [{\"name\": \"Screen\", \"x\": 0, \"y\": 0, \"width\": 1024, "
                       "\"height\": 768, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n",
                       file);
            std::fclose(file);
            // QT_QPA_PLATFORM=xcb runs the tests on a display instead.
            setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).c_str(), 0);
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_application = std::make_unique<QApplication>(argc, argv);
    TestHooks().modalLoop = runModalHandler;
}

HeadlessToolkit::~HeadlessToolkit() = default;

void SetMessageBoxHandler(std::function<int(const MessageBoxRecord&)> handler)
{
    TestHooks().messageBox = std::move(handler);
}

void SetFileChooserHandler(
    std::function<std::optional<std::string>(const std::string& title, const std::string& filter)> handler)
{
    TestHooks().fileChooser = std::move(handler);
}

void SetModalHandler(std::function<void(CDialog&)> handler) { g_modalHandler = std::move(handler); }

void SetUnexpectedModalGuard(std::function<void(const std::string&)> guard)
{
    g_unexpectedModalGuard = std::move(guard);
}

void Click(CDialog& dialog, int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(control(dialog, id)))
        if (button->isEnabled() && button->isVisible())
            button->click();
}

void Type(CDialog& dialog, int id, const std::string& text)
{
    auto* edit = qobject_cast<QLineEdit*>(control(dialog, id));
    if (!edit || !edit->isEnabled())
        return;
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    if (text.empty())
        QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, toQt(text));
}

void PressKey(CDialog& dialog, Key key)
{
    QWidget* target = keyTarget(dialog);
    switch (key) {
    case Key::Enter:
        QTest::keyClick(target, Qt::Key_Return);
        break;
    case Key::Escape:
        QTest::keyClick(target, Qt::Key_Escape);
        break;
    case Key::Tab:
        QTest::keyClick(target, Qt::Key_Tab);
        break;
    case Key::BackTab:
        QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
        break;
    case Key::AltSpace:
        QTest::keyClick(target, Qt::Key_Space, Qt::AltModifier);
        break;
    }
}

void PressMnemonic(CDialog& dialog, char letter)
{
    QTest::keyClick(keyTarget(dialog), static_cast<char>(std::tolower(letter)), Qt::AltModifier);
}

void ClickListItem(CDialog& dialog, int id, int index)
{
    if (auto* table = qobject_cast<QTreeView*>(control(dialog, id))) {
        const QModelIndex row = table->model()->index(index, 0);
        if (!row.isValid())
            return;
        table->scrollTo(row);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(row).center());
        return;
    }
    auto* list = qobject_cast<QListWidget*>(control(dialog, id));
    if (!list || !list->item(index))
        return;
    list->scrollToItem(list->item(index));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(index)).center());
}

bool WaitUntilClosed(CDialog& dialog, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (isOpen(dialog) && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return !isOpen(dialog);
}

void ClickColumnHeading(CDialog& dialog, int id, int column)
{
    auto* table = qobject_cast<QTreeView*>(control(dialog, id));
    if (!table || column < 0 || column >= table->header()->count())
        return;
    QHeaderView* header = table->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

int ColumnWidth(CDialog& dialog, int id, int column)
{
    auto* table = qobject_cast<QTreeView*>(control(dialog, id));
    return table && column >= 0 && column < table->header()->count() ? table->columnWidth(column) : -1;
}

void ClickAt(CWnd& window, int x, int y)
{
    if (QWidget* target = window.Widget())
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(x, y));
}

void MoveMouseTo(CWnd& window, int x, int y)
{
    QWidget* target = window.Widget();
    if (!target)
        return;
    // Sent, not moved: a headless screen has no pointer to move.
    const QPointF at(x, y);
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

void RightClick(CWnd& window)
{
    QWidget* target = window.Widget();
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target))
        target = area->viewport();
    if (!target)
        return;
    const QPoint centre = target->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, centre, target->mapToGlobal(centre));
    QApplication::sendEvent(target, &event);
}

void SetPopupMenuHandler(std::function<unsigned(const std::vector<std::string>&)> handler)
{
    TestHooks().popupMenu = std::move(handler);
}

void SetScreenWidth(int pixels) { TestHooks().screenWidth = pixels; }

std::string ClipboardText() { return fromQt(QGuiApplication::clipboard()->text()); }

int FocusedId(CDialog& dialog)
{
    settle(dialog);
    const QWidget* focused = QApplication::focusWidget();
    if (!focused)
        return 0;
    CWnd* wnd = CWnd::GetFocus();
    return wnd && wnd->GetParent() == &dialog ? wnd->GetDlgCtrlID() : 0;
}

bool WholeTextSelected(CDialog& dialog, int id)
{
    auto* edit = qobject_cast<QLineEdit*>(control(dialog, id));
    return edit && edit->selectedText() == edit->text();
}

bool IsDefaultButton(CDialog& dialog, int id)
{
    auto* button = qobject_cast<QPushButton*>(control(dialog, id));
    return button && button->isDefault();
}

bool IsTabStop(CDialog& dialog, int id)
{
    QWidget* widget = control(dialog, id);
    return widget && widget->focusPolicy() == Qt::StrongFocus;
}

std::vector<int> TabOrder(CDialog& dialog)
{
    std::vector<int> ids;
    QWidget* first = nullptr;
    for (const ControlTemplate& c : dialog.Template().controls)
        if (c.style & WS_TABSTOP) {
            first = control(dialog, c.id);
            break;
        }
    for (QWidget* widget = first; widget;) {
        for (const ControlTemplate& c : dialog.Template().controls)
            if (control(dialog, c.id) == widget)
                ids.push_back(c.id);
        do
            widget = widget->nextInFocusChain();
        while (widget != first && widget->focusPolicy() != Qt::StrongFocus);
        if (widget == first)
            break;
    }
    return ids;
}

int ClientWidth(CDialog& dialog) { return dialog.Widget()->width(); }
int ClientHeight(CDialog& dialog) { return dialog.Widget()->height(); }

Geometry ControlGeometry(CDialog& dialog, int id)
{
    const QRect r = control(dialog, id)->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

bool HasIcon(CDialog& dialog) { return !dialog.Widget()->windowIcon().isNull(); }

std::vector<std::string> SystemMenuItems(CDialog& dialog)
{
    QMenu* menu = static_cast<DialogWidget*>(dialog.Widget())->buildSystemMenu();
    std::vector<std::string> items;
    for (QAction* action : menu->actions())
        items.push_back(action->isSeparator() ? "" : fromQt(action->text()));
    menu->close();
    delete menu;
    return items;
}

void OpenSystemMenuAndChoose(CDialog& dialog, UINT id)
{
    // As a user would: Alt+Space brings up the menu, then choose the item.
    PressKey(dialog, Key::AltSpace);
    QMenu* menu = nullptr;
    for (QMenu* candidate : dialog.Widget()->findChildren<QMenu*>())
        if (candidate->isVisible())
            menu = candidate;
    if (!menu)
        return;
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->data().toUInt() == id) {
            menu->close();
            action->trigger();
            return;
        }
    menu->close();
}

namespace {

QImage pictureOf(CWnd& window)
{
    // A window that keeps its image is shown as it stands, without the
    // paint that grabbing would bring about.
    if (auto* child = dynamic_cast<ChildWidget*>(window.Widget()))
        return child->surface;
    return window.Widget()->grab().toImage();
}

}  // namespace

bool RenderToPng(CWnd& window, const std::string& path)
{
    QDir().mkpath(QFileInfo(toQt(path)).absolutePath());
    return pictureOf(window).save(toQt(path), "PNG");
}

Picture Capture(CWnd& window)
{
    const QImage image = pictureOf(window).convertToFormat(QImage::Format_RGB32);
    Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            picture.pixels.push_back(row[x] & 0xFFFFFF);
    }
    return picture;
}

int TimerPeriod(CWnd& window, UINT_PTR id)
{
    const QTimer* timer =
        window.Widget() ? window.Widget()->findChild<QTimer*>(QString("afx-timer-%1").arg(id), Qt::FindDirectChildrenOnly)
                        : nullptr;
    return timer && timer->isActive() ? timer->interval() : -1;
}

}  // namespace afxtest
