#pragma once

#include <functional>

#include "charts/ChartScene.h"
#include "framework/Wnd.h"

// A chart laid out afresh for the window's size and font each time it is
// painted, as the chart models lay it out for files.
class CChartWnd : public CWnd {
public:
    // The chart in a width x height area, its labels textSize pixels high.
    using Layout = std::function<ChartScene(double width, double height, double textSize)>;

    BOOL Create(const CRect& rect, CWnd* parent);
    // Draws the chart at once; an empty layout leaves the window blank.
    void SetChart(Layout layout);
    // The chart as last painted.
    const ChartScene& Scene() const { return m_scene; }

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    Layout m_layout;
    ChartScene m_scene;
};
