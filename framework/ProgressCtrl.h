#pragma once

#include "framework/Wnd.h"

// A progress bar of a dialog, bound with DDX_Control.
class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper);
    int SetPos(int position);  // returns the position before
    int GetPos() const;
};
