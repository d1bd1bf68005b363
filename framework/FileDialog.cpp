#include "framework/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "framework/QtBridge.h"
#include "framework/TestHooks.h"
#include "framework/Wnd.h"

CFileDialog::CFileDialog(BOOL, const char*, const char*, unsigned, const char* filter, CWnd* parent)
    : m_filter(filter ? filter : ""), m_pParent(parent)
{
}

int CFileDialog::DoModal()
{
    // "Description|pattern||" to the toolkit's "Description (pattern)".
    const QStringList parts = toQt(m_filter).split('|', Qt::SkipEmptyParts);
    QString filter;
    if (parts.size() >= 2)
        filter = parts[0].contains('(') ? parts[0] : parts[0] + " (" + parts[1] + ")";

    std::optional<std::string> chosen;
    if (const auto& answer = afxtest::TestHooks().fileChooser) {
        chosen = answer(m_title, fromQt(filter));
    } else {
        QFileDialog dialog(m_pParent ? m_pParent->Widget() : nullptr, toQt(m_title), QDir::currentPath(), filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = fromQt(dialog.selectedFiles().front());
    }
    if (!chosen)
        return IDCANCEL;
    const QFileInfo file(toQt(*chosen));
    m_path = fromQt(QDir::toNativeSeparators(file.absoluteFilePath()));
    QDir::setCurrent(file.absolutePath());
    return IDOK;
}
