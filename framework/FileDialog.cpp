#include "framework/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "framework/QtBridge.h"
#include "framework/TestHooks.h"
#include "framework/Wnd.h"

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, unsigned flags,
                         const char* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog),
      m_defaultExtension(defaultExtension ? defaultExtension : ""),
      m_fileName(fileName ? fileName : ""),
      m_flags(flags),
      m_filter(filter ? filter : ""),
      m_pParent(parent)
{
}

int CFileDialog::DoModal()
{
    // "Description|pattern;pattern|…||" to the toolkit's
    // "Description (pattern pattern);;…".
    const QStringList parts = toQt(m_filter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int k = 0; k + 1 < parts.size(); k += 2) {
        const QString patterns = QString(parts[k + 1]).replace(';', ' ');
        filters << (parts[k].contains('(') ? parts[k] : parts[k] + " (" + patterns + ")");
    }
    const QString filter = filters.join(";;");

    std::optional<std::string> chosen;
    if (const auto& answer = afxtest::TestHooks().fileChooser) {
        chosen = answer(m_title, fromQt(filter));
    } else {
        QFileDialog dialog(m_pParent ? m_pParent->Widget() : nullptr, toQt(m_title), QDir::currentPath(), filter);
        dialog.setFileMode(m_bOpenFileDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_flags & OFN_OVERWRITEPROMPT));
        dialog.setDefaultSuffix(toQt(m_defaultExtension));
        if (!m_fileName.empty())
            dialog.selectFile(toQt(m_fileName));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = fromQt(dialog.selectedFiles().front());
    }
    if (!chosen)
        return IDCANCEL;
    const QFileInfo file(toQt(*chosen));
    m_path = fromQt(QDir::toNativeSeparators(file.absoluteFilePath()));
    if (!(m_flags & OFN_NOCHANGEDIR))
        QDir::setCurrent(file.absolutePath());
    return IDOK;
}
