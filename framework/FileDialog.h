#pragma once

#include "framework/Afx.h"

class CWnd;

constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002;
constexpr unsigned OFN_HIDEREADONLY = 0x0004;
constexpr unsigned OFN_NOCHANGEDIR = 0x0008;

// The file chooser, to open (openFileDialog) or to save: a title, filters
// ("Data files (*.dat)|*.dat|Tables|*.csv;*.tsv||"), an initial name. A
// chosen file's folder becomes the process's working directory, as on the
// original platform, unless OFN_NOCHANGEDIR asks otherwise.
class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                unsigned flags = OFN_HIDEREADONLY, const char* filter = nullptr, CWnd* parent = nullptr);

    int DoModal();
    CString GetPathName() const { return m_path; }

    CString m_title;  // the chooser's title

private:
    BOOL m_bOpenFileDialog;
    CString m_defaultExtension;
    CString m_fileName;
    unsigned m_flags;
    CString m_filter;
    CWnd* m_pParent;
    CString m_path;
};
