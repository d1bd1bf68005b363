#pragma once

#include "framework/WinApp.h"

// The application: shows the model-selection dialog as its main window and
// ends when it closes.
class CFitApp : public CWinApp {
public:
    CFitApp() = default;
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
