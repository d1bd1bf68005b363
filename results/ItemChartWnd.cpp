#include "results/ItemChartWnd.h"

#include <cmath>
#include <cstdio>

#include "framework/DC.h"
#include "framework/DialogTemplate.h"
#include "framework/GdiObject.h"

namespace {

constexpr COLORREF kObserved = RGB(220, 0, 0), kExpected = RGB(0, 0, 230), kGrid = RGB(215, 215, 215);

CString number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

BEGIN_MESSAGE_MAP(CItemChartWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CItemChartWnd::Create(const CRect& rect, CWnd* parent)
{
    return CreateEx(0, AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, rect, parent, 0);
}

void CItemChartWnd::SetCurve(const ItemCurve& curve, double highest, double low, double high)
{
    m_curve = curve;
    m_highest = highest > 0 ? highest : 1.0;
    m_low = std::floor(low);
    m_high = std::ceil(high);
    m_bHasCurve = true;
    Invalidate();
    UpdateWindow();
}

void CItemChartWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CBrush white(RGB(255, 255, 255));
    dc.FillRect(&client, &white);
    if (!m_bHasCurve)
        return;

    const CPoint digit = dc.GetTextExtent("0");
    const CRect plot{client.left + 6 * digit.x, client.top + 2 * digit.y, client.right - 2 * digit.x,
                     client.bottom - 2 * digit.y};
    const auto x = [&](double score) {
        const double share = m_high > m_low ? (score - m_low) / (m_high - m_low) : 0.5;
        return plot.left + static_cast<int>(std::lround(share * plot.Width()));
    };
    const auto y = [&](double mean) {
        return plot.bottom - static_cast<int>(std::lround(mean / m_highest * plot.Height()));
    };

    const CString title = "Item " + std::to_string(m_curve.item) + (m_curve.flagged ? " *" : "");
    dc.SetTextColor(m_curve.flagged ? kObserved : RGB(0, 0, 0));
    dc.TextOut((client.left + client.right - dc.GetTextExtent(title).x) / 2, client.top + digit.y / 2, title);
    dc.SetTextColor(RGB(0, 0, 0));
    for (const double at : {0.0, m_highest / 2, m_highest}) {
        const CString label = number(at);
        dc.TextOut(plot.left - dc.GetTextExtent(label).x - digit.x / 2, y(at) - digit.y / 2, label);
    }
    for (const double at : {m_low, m_high}) {
        const CString label = number(at);
        dc.TextOut(x(at) - dc.GetTextExtent(label).x / 2, plot.bottom + digit.y / 4, label);
    }

    const LOGBRUSH grid{BS_SOLID, kGrid, 0}, frame{BS_SOLID, RGB(0, 0, 0), 0};
    CPen gridPen(PS_GEOMETRIC | PS_SOLID, 1, &grid), framePen(PS_GEOMETRIC | PS_SOLID, 1, &frame);
    dc.SelectObject(&gridPen);
    dc.MoveTo(plot.left, y(m_highest / 2));
    dc.LineTo(plot.right, y(m_highest / 2));
    dc.SelectObject(&framePen);
    dc.MoveTo(plot.left, plot.top);
    dc.LineTo(plot.right, plot.top);
    dc.LineTo(plot.right, plot.bottom);
    dc.LineTo(plot.left, plot.bottom);
    dc.LineTo(plot.left, plot.top);

    const LOGBRUSH observed{BS_SOLID, kObserved, 0}, expected{BS_SOLID, kExpected, 0};
    CPen observedPen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 2, &observed);
    CPen expectedPen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 2, &expected);
    const auto curve = [&](const std::vector<double>& means, CPen& pen, COLORREF colour) {
        CBrush mark(colour);
        dc.SelectObject(&pen);
        for (std::size_t g = 0; g < means.size(); ++g) {
            const int px = x(m_curve.score[g]), py = y(means[g]);
            g == 0 ? dc.MoveTo(px, py) : static_cast<void>(dc.LineTo(px, py));
            const CRect dot{px - 2, py - 2, px + 3, py + 3};
            dc.FillRect(&dot, &mark);
        }
    };
    curve(m_curve.expected, expectedPen, kExpected);
    curve(m_curve.observed, observedPen, kObserved);
    dc.SelectObject(static_cast<CPen*>(nullptr));
}
