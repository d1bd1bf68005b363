#include "results/PairMapWnd.h"

#include "framework/DC.h"
#include "framework/DialogTemplate.h"
#include "results/ScenePainter.h"
#include "stats/TextFormat.h"

BEGIN_MESSAGE_MAP(CPairMapWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BOOL CPairMapWnd::Create(const CRect& rect, CWnd* parent)
{
    if (!CreateEx(0, AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, rect, parent, 0))
        return FALSE;
    m_tip.Create(parent);
    return TRUE;
}

void CPairMapWnd::SetPairs(const LocalDependence& dependence, int items)
{
    m_pDependence = &dependence;
    m_map = PairMapOf(dependence, items, "");
    Invalidate();
    UpdateWindow();
}

PairMapLayout CPairMapWnd::Layout() const
{
    CRect client;
    GetClientRect(&client);
    return LayoutPairMap(m_map, client.Width(), client.Height(), m_dTextHeight);
}

bool CPairMapWnd::PairAt(CPoint point, int& first, int& second) const
{
    return Layout().pairAt(point.x, point.y, first, second);
}

void CPairMapWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    m_dTextHeight = static_cast<double>(dc.GetTextExtent("0").y);
    PaintScene(dc, PairMapScene(m_map, client.Width(), client.Height(), m_dTextHeight));
}

void CPairMapWnd::OnMouseMove(UINT, CPoint point)
{
    int first = 0, second = 0;
    CString tip;
    if (m_pDependence && PairAt(point, first, second)) {
        const LocalDependence::Pair& pair = m_pDependence->pairs[PairPosition(first, second, m_map.items)];
        const std::string items =
            "Items " + m_pDependence->nameOf(pair.first) + " and " + m_pDependence->nameOf(pair.second) + ": ";
        tip = items + (pair.together ? FormatText("X\u00B2 %.4f, df %d, p %s, adjusted p %s, sign %d, V %.4f%s",
                                                  pair.x2, pair.df, PValueText(pair.p).c_str(),
                                                  PValueText(pair.pAdjusted).c_str(), pair.sign, pair.v,
                                                  pair.flagged ? ", flagged" : "")
                                     : std::string("answered together by no subject"));
    }
    m_tip.UpdateTipText(tip, this);
}

void CPairMapWnd::OnLButtonDown(UINT, CPoint point)
{
    int first = 0, second = 0;
    if (m_onPairClicked && PairAt(point, first, second))
        m_onPairClicked(first, second);
}
