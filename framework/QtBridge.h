#pragma once

// Private to the framework: the toolkit widgets behind the windows.

#include <QDialog>
#include <QIcon>
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
