#include "framework/Afx.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QScreen>

#include "framework/Dialog.h"
#include "framework/QtBridge.h"
#include "framework/Resources.h"
#include "framework/TestHooks.h"
#include "framework/WinApp.h"

namespace afxtest {
Hooks& TestHooks()
{
    static Hooks hooks;
    return hooks;
}
}  // namespace afxtest

void AfxThrowResourceException() { throw CResourceException(); }

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: {
        if (afxtest::TestHooks().screenWidth > 0)
            return afxtest::TestHooks().screenWidth;
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().width() : 0;
    }
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}

int AfxMessageBox(const CString& text, UINT type)
{
    const bool warning = (type & 0xF0) == MB_ICONEXCLAMATION;
    if (const auto& answer = afxtest::TestHooks().messageBox)
        return answer({text, AfxGetAppName(), warning});

    CDialog* owner = CDialog::ActiveModal();
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, toQt(AfxGetAppName()), toQt(text),
                    QMessageBox::Ok, owner ? owner->Widget() : nullptr);
    box.exec();
    return IDOK;
}

BOOL AfxSetClipboardText(const CString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return FALSE;
    clipboard->setText(toQt(text));
    return TRUE;
}

CString LoadStringResource(UINT id)
{
    const char* text = FindStringResource(id);
    return text ? text : "";
}
