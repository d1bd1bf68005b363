#pragma once

#include "framework/MessageMap.h"
#include "framework/Wnd.h"

// The application object. Exactly one exists, a static object of the
// program's own class; the framework's main() runs its InitInstance, and
// ends the program when that returns false.
class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();

    // Whatever native look this platform has; nothing to switch on.
    void Enable3dControls() {}

    // An integer or a text from the per-application profile (an INI file
    // named after the program in the user's configuration folder), and a
    // text into it; false when it cannot be written.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = "") const;
    BOOL WriteProfileString(const char* section, const char* entry, const CString& value);

    HICON LoadIcon(UINT id) const;
    void BeginWaitCursor();
    void EndWaitCursor();

    afx_msg void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;  // the program file's name without folder and extension

    DECLARE_MESSAGE_MAP()
};

constexpr UINT ID_HELP = 57670;

CWinApp* AfxGetApp();
const CString& AfxGetAppName();

// The framework's start-up: makes the toolkit, runs InitInstance.
int AfxWinMain(int argc, char** argv);

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
