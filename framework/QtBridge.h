#pragma once

// Private to the framework: the toolkit widgets behind the windows.

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>

#include "framework/Dialog.h"

// An icon resource.
class IconImpl : public CIcon {
public:
    explicit IconImpl(const QPixmap& pixmap) : pixmap(pixmap), icon(pixmap) {}
    QPixmap pixmap;
    QIcon icon;
};

// Turns the toolkit's events on a dialog into the window's messages.
class DialogWidget : public QDialog {
public:
    DialogWidget(CDialog* owner, QWidget* parent);

    void reject() override;  // Escape
    void accept() override {}
    void showSystemMenu(const QPoint& where);
    QMenu* buildSystemMenu();

    // Set while EndDialog closes the window, so the close is not a command.
    bool ending = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CDialog* m_owner;
};

// A child window of the program's own: it keeps an image of its client
// area, painted by the window's handlers, and shows that image.
class ChildWidget : public QWidget {
public:
    ChildWidget(CWnd* owner, QWidget* parent);
    ~ChildWidget() override;

    // Makes the image the widget's size; a new size is WM_SIZE and a whole
    // repaint.
    void fitSurface();

    CWnd* owner;
    QImage surface;
    bool invalid = true;  // WM_PAINT is due

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // WM_MOUSEMOVE, also with no button down, and WM_LBUTTONDOWN.
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// Sends a message the toolkit brought about; a handler that fails for want
// of a drawing object ends there.
void dispatchFromToolkit(CWnd* window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// An edit box whose length limit stops typing but not the program: a text
// set from code may be longer, as on the original platform.
class LimitedLineEdit : public QLineEdit {
public:
    explicit LimitedLineEdit(QWidget* parent);
    void setLimit(int limit) { m_limit = limit; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool allows(const QString& inserted) const;
    int m_limit = 0;  // 0: none
};

QString toQt(const CString& text);
CString fromQt(const QString& text);
