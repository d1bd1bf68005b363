#include "results/PairMapWnd.h"

#include <algorithm>
#include <cstdio>

#include "framework/DC.h"
#include "framework/DialogTemplate.h"
#include "framework/GdiObject.h"

namespace {

constexpr int kKeyWidth = 70;

CString number(const char* pattern, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

COLORREF asColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

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

int CPairMapWnd::CellSize() const
{
    CRect client;
    GetClientRect(&client);
    return std::max(1, std::min(client.Width() - kKeyWidth, client.Height()) / std::max(m_map.items, 1));
}

bool CPairMapWnd::PairAt(CPoint point, int& first, int& second) const
{
    const int cell = CellSize();
    const int row = point.y / cell, column = point.x / cell;
    if (point.x < 0 || point.y < 0 || row >= m_map.items || column >= m_map.items || row == column)
        return false;
    first = std::min(row, column) + 1;
    second = std::max(row, column) + 1;
    return true;
}

void CPairMapWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CBrush white(RGB(255, 255, 255));
    dc.FillRect(&client, &white);
    const int m = m_map.items, cell = CellSize();
    const double scale = m_map.scale();
    CBrush diagonal(RGB(235, 235, 235));
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) {
            const std::size_t k = static_cast<std::size_t>(i) * m + j;
            const CRect square{j * cell, i * cell, (j + 1) * cell, (i + 1) * cell};
            CBrush colour(asColorRef(DependenceColour(m_map.signedV[k], scale)));
            dc.FillRect(&square, i == j ? &diagonal : &colour);
        }
    const LOGBRUSH black{BS_SOLID, RGB(0, 0, 0), 0};
    CPen outline(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, std::max(1, cell / 8), &black);
    dc.SelectObject(&outline);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j)
            if (i != j && m_map.flagged[static_cast<std::size_t>(i) * m + j]) {
                const int x = j * cell, y = i * cell, e = cell - 1;
                dc.MoveTo(x, y);
                dc.LineTo(x + e, y);
                dc.LineTo(x + e, y + e);
                dc.LineTo(x, y + e);
                dc.LineTo(x, y);
            }
    dc.SelectObject(static_cast<CPen*>(nullptr));

    // The key: from +scale at the top to -scale at the bottom.
    const int keyLeft = client.right - kKeyWidth + 8, keyHeight = std::min(client.Height() - 8, 240);
    for (int y = 0; y < keyHeight; ++y) {
        const double v = scale * (1.0 - 2.0 * y / std::max(keyHeight - 1, 1));
        CBrush colour(asColorRef(DependenceColour(v, scale)));
        const CRect line{keyLeft, 4 + y, keyLeft + 14, 5 + y};
        dc.FillRect(&line, &colour);
    }
    const int digitHeight = dc.GetTextExtent("0").y;
    dc.TextOut(keyLeft + 18, 4 - digitHeight / 2 + 1, number("%.2f", scale));
    dc.TextOut(keyLeft + 18, 4 + keyHeight / 2 - digitHeight / 2, "0");
    dc.TextOut(keyLeft + 18, 4 + keyHeight - digitHeight / 2, number("%.2f", -scale));
}

void CPairMapWnd::OnMouseMove(UINT, CPoint point)
{
    int first = 0, second = 0;
    CString tip;
    if (m_pDependence && PairAt(point, first, second)) {
        const LocalDependence::Pair& pair = m_pDependence->pairs[PairPosition(first, second, m_map.items)];
        char text[256];
        std::snprintf(text, sizeof text,
                      "Items %d and %d: X\u00B2 %.4f, df %d, p %.4g, adjusted p %.4g, sign %d, V %.4f%s", pair.first,
                      pair.second, pair.x2, pair.df, pair.p, pair.pAdjusted, pair.sign, pair.v,
                      pair.flagged ? ", flagged" : "");
        tip = text;
    }
    m_tip.UpdateTipText(tip, this);
}

void CPairMapWnd::OnLButtonDown(UINT, CPoint point)
{
    int first = 0, second = 0;
    if (m_onPairClicked && PairAt(point, first, second))
        m_onPairClicked(first, second);
}
