#pragma once

#include "framework/Afx.h"

class CWnd;

constexpr unsigned OFN_HIDEREADONLY = 0x0004;

// The file-open chooser: a title, one filter ("Data files (*.dat)|*.dat||"),
// no initial name. A chosen file's folder becomes the process's working
// directory, as on the original platform.
class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                unsigned flags = OFN_HIDEREADONLY, const char* filter = nullptr, CWnd* parent = nullptr);

    int DoModal();
    CString GetPathName() const { return m_path; }

    CString m_title;  // the chooser's title

private:
    CString m_filter;
    CWnd* m_pParent;
    CString m_path;
};
