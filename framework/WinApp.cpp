#include "framework/WinApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "framework/QtBridge.h"
#include "framework/Resources.h"

namespace {

CWinApp* g_app = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

const CString& AfxGetAppName()
{
    static const CString none;
    return g_app ? g_app->m_strAppName : none;
}

BOOL CWinApp::InitInstance() { return TRUE; }

namespace {

QString profilePath(const CString& appName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + "/" + toQt(appName) + ".ini";
}

}  // namespace

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    const QSettings profile(profilePath(m_strAppName), QSettings::IniFormat);
    bool ok = false;
    const int value = profile.value(QString(section) + "/" + entry).toString().trimmed().toInt(&ok);
    return static_cast<UINT>(ok ? value : defaultValue);
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) const
{
    const QSettings profile(profilePath(m_strAppName), QSettings::IniFormat);
    const QVariant value = profile.value(QString(section) + "/" + entry);
    if (!value.isValid())
        return defaultValue;
    // An unquoted text with commas reads as a list.
    return fromQt(value.typeId() == QMetaType::QStringList ? value.toStringList().join(',') : value.toString());
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const CString& value)
{
    QSettings profile(profilePath(m_strAppName), QSettings::IniFormat);
    profile.setValue(QString(section) + "/" + entry, toQt(value));
    profile.sync();
    return profile.status() == QSettings::NoError;
}

HICON CWinApp::LoadIcon(UINT id) const
{
    // Loaded once and kept for the program's lifetime, like the platform's
    // shared icon resources.
    static std::map<UINT, std::unique_ptr<IconImpl>> icons;
    auto found = icons.find(id);
    if (found == icons.end()) {
        const char* const* xpm = FindIconResource(static_cast<int>(id));
        if (!xpm)
            return nullptr;
        found = icons.emplace(id, std::make_unique<IconImpl>(QPixmap(xpm))).first;
    }
    return found->second.get();
}

void CWinApp::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void CWinApp::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

CWaitCursor::CWaitCursor() { AfxGetApp()->BeginWaitCursor(); }

CWaitCursor::~CWaitCursor() { AfxGetApp()->EndWaitCursor(); }

int AfxWinMain(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!display && !(platform && *platform)) {
        std::fprintf(stderr, "%s: no display; run it on a desktop, or under xvfb-run\n", argc > 0 ? argv[0] : "talver");
        return 1;
    }
    QApplication application(argc, argv);
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->m_strAppName = fromQt(QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName());
    if (!app->InitInstance())
        return 0;
    return QApplication::exec();
}
