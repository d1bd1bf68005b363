#pragma once

#include <vector>

#include "framework/GdiObject.h"
#include "framework/Wnd.h"

// The number of points the results graph was laid out for. The curves hold
// as many points as their owner gives them; this is no storage limit.
constexpr int MAX_PLOT_POINTS = 80;

// Draws the observed (red) and expected (blue) score distributions as thick
// lines on black. Painting only clears the window; each tick of timer 1
// draws both curves, erasing just what the previous curves covered and the
// new ones do not.
class CPlotWnd : public CWnd {
public:
    explicit CPlotWnd(BOOL autoDelete);
    ~CPlotWnd() override;

    // The last two arguments are ignored.
    virtual BOOL Create(DWORD exStyle, DWORD style, const CRect& rect, CWnd* parent, UINT id = 0,
                        void* context = nullptr);
    void SetSpeed(int speed);  // timer period 550 - 5 * speed milliseconds
    void SetWidth(int width);
    void SetStyle(int style);
    void Redraw();  // one drawing step, now

    // Written by the owner. Heights are fractions of the window height,
    // 0 at the bottom edge and 1 at the top; a count beyond the values
    // given draws only the values given.
    int m_nObservedCount = 0;
    int m_nExpectedCount = 0;
    std::vector<double> m_dObserved = std::vector<double>(MAX_PLOT_POINTS);
    std::vector<double> m_dExpected = std::vector<double>(MAX_PLOT_POINTS);

    // The line width in pixels of a window as wide as the screen.
    int PenWidth() const;

protected:
    void PostNcDestroy() override;

    afx_msg int OnCreate(LPCREATESTRUCT createStruct);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR id);

    DECLARE_MESSAGE_MAP()

private:
    void DrawStep(int penWidth);
    // The area the pen covers along one curve; no region when the curve
    // has fewer than two points.
    CRgn CurveRegion(CDC& dc, const std::vector<double>& heights, int count, double dx) const;

    CRgn m_rgnObserved;
    CRgn m_rgnExpected;
    int m_nWidth;
    int m_cy = 0;
    int m_cx = 0;
    int m_nStyle;
    LOGBRUSH m_lbObserved{BS_SOLID, RGB(255, 0, 0), 0};
    LOGBRUSH m_lbBackground{BS_SOLID, RGB(0, 0, 0), 0};
    LOGBRUSH m_lbExpected{BS_SOLID, RGB(0, 0, 255), 0};
    BOOL m_bAutoDelete;
};
