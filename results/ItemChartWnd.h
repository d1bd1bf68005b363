#pragma once

#include "charts/ItemCharts.h"
#include "framework/Wnd.h"
#include "stats/ItemFit.h"

// One item's chart: the observed (red) and expected (blue) mean item score
// of its merged score groups, on axes common to every item of the test; a
// flagged item has its name in red.
class CItemChartWnd : public CWnd {
public:
    BOOL Create(const CRect& rect, CWnd* parent);
    // The curve on the axes every item's chart shares; draws at once.
    void SetCurve(const ItemCurve& curve, const ItemChartAxes& axes);

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    ItemCurve m_curve;
    ItemChartAxes m_axes;
    bool m_bHasCurve = false;
};
