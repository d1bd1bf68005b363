#pragma once

#include <functional>

#include "charts/PairMap.h"
#include "framework/ToolTipCtrl.h"
#include "framework/Wnd.h"
#include "stats/LocalDependence.h"

// The heat map of the pairs' signed Cramér's V, m x m cells with the item
// numbers along two edges and the colour key at the right; the tip names the pair under the pointer and its
// figures, and a click on a cell tells the owner which pair it is.
class CPairMapWnd : public CWnd {
public:
    BOOL Create(const CRect& rect, CWnd* parent);
    void SetPairs(const LocalDependence& dependence, int items);
    // The pair (items from 1) under a point of the window; false off the map.
    bool PairAt(CPoint point, int& first, int& second) const;
    // Where the map's cells are in the window as it now is.
    PairMapLayout Layout() const;

    std::function<void(int first, int second)> m_onPairClicked;

protected:
    afx_msg void OnPaint();
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:

    const LocalDependence* m_pDependence = nullptr;
    PairMap m_map;
    double m_dTextHeight = 13;  // the window's font, as last painted
    CToolTipCtrl m_tip;
};
