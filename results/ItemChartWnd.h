#pragma once

#include "framework/Wnd.h"
#include "stats/ItemFit.h"

// One item's chart: the observed (red) and expected (blue) mean item score
// of its merged score groups, on axes common to every item of the test; a
// flagged item has its name in red.
class CItemChartWnd : public CWnd {
public:
    BOOL Create(const CRect& rect, CWnd* parent);
    // The curve, the top of the score axis (K − 1) and the totals the axis
    // spans; draws at once.
    void SetCurve(const ItemCurve& curve, double highest, double low, double high);

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    ItemCurve m_curve;
    double m_highest = 1.0, m_low = 0.0, m_high = 1.0;
    bool m_bHasCurve = false;
};
