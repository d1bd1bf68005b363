#pragma once

#include <memory>

#include "framework/Afx.h"
#include "framework/GdiObject.h"
#include "framework/Rect.h"

class CWnd;
class QFont;
class QPaintDevice;
class QPainterPath;

// Drawing on a window's client area, for one drawing step. A window that
// draws outside its paint message keeps an image of its client area: the
// drawing goes there, and the window shows it.
class CDC {
public:
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    BOOL DrawIcon(int x, int y, HICON icon);
    WPARAM GetSafeHdc() const { return reinterpret_cast<WPARAM>(this); }

    CPen* SelectObject(CPen* pen);  // returns the pen selected before
    CFont* SelectObject(CFont* font);  // returns the font selected before; null: the window's
    int SetPolyFillMode(int mode);  // returns the mode before

    // Paths: a polyline recorded between BeginPath and EndPath, which
    // WidenPath turns into the outline of what the selected pen would paint.
    BOOL BeginPath();
    BOOL EndPath();
    BOOL WidenPath();
    void MoveTo(int x, int y);
    BOOL LineTo(int x, int y);

    void FillRect(const CRect* rect, CBrush* brush);

    // Text with its top left corner at x, y, in the window's font or the
    // one selected, turned about that corner by the font's angle.
    COLORREF SetTextColor(COLORREF color);  // returns the colour before
    BOOL TextOut(int x, int y, const CString& text);
    CPoint GetTextExtent(const CString& text) const;  // width and height in x and y
    BOOL FillRgn(CRgn* region, CBrush* brush);

protected:
    CDC();
    // Where the drawing goes: a window's image, or a dialog inside its
    // paint event. Each operation paints on its own, so that two device
    // contexts on one window may be open at once.
    QPaintDevice* m_pDevice = nullptr;
    CWnd* m_pWindow = nullptr;  // whose font the text takes

private:
    // The window's font, changed by the selected one.
    QFont font() const;
    // Hands the finished path to a region and forgets it; false while a
    // path is being recorded.
    bool TakePath(QPainterPath* path);

    struct PathState;
    std::unique_ptr<PathState> m_path;
    CPen* m_pPen = nullptr;
    CFont* m_pFont = nullptr;
    int m_nPolyFillMode = ALTERNATE;
    COLORREF m_textColor = 0;

    friend class CRgn;
};

// Drawing outside the paint message, on a window that keeps its image.
// Throws the resource exception when the window has no such image.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* window);
    ~CClientDC() override;

private:
    CWnd* m_pWnd;
};

// Drawing inside a WM_PAINT handler; makes the window valid.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
};
