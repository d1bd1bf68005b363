#include "results/ChartWnd.h"

#include "framework/DC.h"
#include "framework/DialogTemplate.h"
#include "results/ScenePainter.h"

BEGIN_MESSAGE_MAP(CChartWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CChartWnd::Create(const CRect& rect, CWnd* parent)
{
    return CreateEx(0, AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, rect, parent, 0);
}

void CChartWnd::SetChart(Layout layout)
{
    m_layout = std::move(layout);
    Invalidate();
    UpdateWindow();
}

void CChartWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    const double width = client.Width(), height = client.Height();
    if (m_layout) {
        m_scene = m_layout(width, height, static_cast<double>(dc.GetTextExtent("0").y));
    } else {
        m_scene = ChartScene();
        m_scene.width = width;
        m_scene.height = height;
        m_scene.fill({0, 0, width, height}, kChartWhite);
    }
    PaintScene(dc, m_scene);
}
