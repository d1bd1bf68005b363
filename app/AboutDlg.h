#pragma once

#include "framework/Dialog.h"

// The About box: program icon, version, what the program does.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
};
