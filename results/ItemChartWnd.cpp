#include "results/ItemChartWnd.h"

#include "framework/DC.h"
#include "framework/DialogTemplate.h"
#include "results/ScenePainter.h"

BEGIN_MESSAGE_MAP(CItemChartWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CItemChartWnd::Create(const CRect& rect, CWnd* parent)
{
    return CreateEx(0, AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, rect, parent, 0);
}

void CItemChartWnd::SetCurve(const ItemCurve& curve, const ItemChartAxes& axes)
{
    m_curve = curve;
    m_axes = axes;
    m_bHasCurve = true;
    Invalidate();
    UpdateWindow();
}

void CItemChartWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    ChartScene scene;
    scene.width = client.Width();
    scene.height = client.Height();
    scene.fill({0, 0, scene.width, scene.height}, kChartWhite);
    if (m_bHasCurve)
        AddItemChart(scene, m_curve, m_axes, {0, 0, scene.width, scene.height},
                     static_cast<double>(dc.GetTextExtent("0").y));
    PaintScene(dc, scene);
}
