#pragma once

#include <memory>

#include "framework/Afx.h"

class CWnd;
class QPainter;

// Drawing on a window, for one drawing step.
class CDC {
public:
    virtual ~CDC();
    BOOL DrawIcon(int x, int y, HICON icon);
    WPARAM GetSafeHdc() const { return reinterpret_cast<WPARAM>(this); }

protected:
    std::unique_ptr<QPainter> m_painter;
};

// Drawing inside a WM_PAINT handler.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
};
