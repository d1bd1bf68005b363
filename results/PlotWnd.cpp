#include "results/PlotWnd.h"

#include <algorithm>
#include <limits>

#include "framework/DC.h"
#include "framework/WinApp.h"

namespace {

constexpr UINT_PTR kDrawTimer = 1;

int profileInt(const char* key, int defaultValue)
{
    return static_cast<int>(AfxGetApp()->GetProfileInt("Config", key, defaultValue));
}

// Truncation toward zero, as the points are placed. A point far outside the
// window is held 32768 pixels out: what shows of its line is all but the
// same, and the coordinates stay within what the regions can take.
int trunc(double value)
{
    constexpr double kFarthest = 1 << 15;
    return static_cast<int>(std::clamp(value, -kFarthest, kFarthest));
}

// The speed setting that gives the shortest period; the profile's values
// are held within what the timer's arithmetic can carry.
constexpr int kFastestSpeed = 110;
// Wider than any window; a pen wider still would only cost time.
constexpr long long kWidestPen = 4096;

}  // namespace

BEGIN_MESSAGE_MAP(CPlotWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CPlotWnd::CPlotWnd(BOOL autoDelete)
    : m_nWidth(profileInt("Width", 10)), m_nStyle(profileInt("Style", 0)), m_bAutoDelete(autoDelete)
{
    m_rgnObserved.CreateRectRgn(0, 0, 0, 0);
    m_rgnExpected.CreateRectRgn(0, 0, 0, 0);
}

CPlotWnd::~CPlotWnd()
{
    m_rgnObserved.DeleteObject();
    m_rgnExpected.DeleteObject();
}

BOOL CPlotWnd::Create(DWORD exStyle, DWORD style, const CRect& rect, CWnd* parent, UINT, void*)
{
    static const char* const className = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW);
    return CreateEx(exStyle, className, "", style, rect, parent, 0);
}

void CPlotWnd::PostNcDestroy()
{
    if (m_bAutoDelete)
        delete this;
}

int CPlotWnd::OnCreate(LPCREATESTRUCT createStruct)
{
    if (CWnd::OnCreate(createStruct) == -1)
        return -1;
    SetSpeed(std::clamp(profileInt("Speed", 1), 0, kFastestSpeed));
    return 0;
}

void CPlotWnd::SetSpeed(int speed)
{
    KillTimer(kDrawTimer);
    // Beyond the fastest speed the period would be negative: the shortest.
    const long long period = 550 - 5 * static_cast<long long>(speed);
    SetTimer(kDrawTimer, static_cast<UINT>(std::clamp<long long>(period, 0, std::numeric_limits<UINT>::max())));
}

void CPlotWnd::SetWidth(int width)
{
    if (width == m_nWidth)
        return;
    m_nWidth = width;
    Invalidate(TRUE);
    UpdateWindow();
}

void CPlotWnd::SetStyle(int style)
{
    if (style == m_nStyle)
        return;
    m_nStyle = style;
    Invalidate(TRUE);
    UpdateWindow();
}

void CPlotWnd::Redraw() { DrawStep(PenWidth()); }

void CPlotWnd::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    m_cx = cx;
    m_cy = cy;
}

void CPlotWnd::OnPaint()
{
    CPaintDC dc(this);
    m_rgnObserved.CreateRectRgn(0, 0, 0, 0);
    m_rgnExpected.CreateRectRgn(0, 0, 0, 0);
    CRect client;
    GetClientRect(&client);
    CBrush background(m_lbBackground);
    dc.FillRect(&client, &background);
}

void CPlotWnd::OnTimer(UINT_PTR id)
{
    if (id == kDrawTimer)
        DrawStep(PenWidth());
    else
        CWnd::OnTimer(id);
}

int CPlotWnd::PenWidth() const
{
    CRect client;
    GetClientRect(&client);
    const long long screen = GetSystemMetrics(SM_CXSCREEN);
    if (screen <= 0)
        return m_nWidth;
    return static_cast<int>(
        std::min((client.Width() * static_cast<long long>(m_nWidth) + screen / 2) / screen, kWidestPen));
}

CRgn CPlotWnd::CurveRegion(CDC& dc, const std::vector<double>& heights, int count, double dx) const
{
    count = std::min<int>(count, static_cast<int>(heights.size()));
    dc.BeginPath();
    dc.MoveTo(0, m_cy - trunc(m_cy * (count > 0 ? heights[0] : 0.0)));
    int x = 0;
    for (int i = 1; i < count; ++i) {
        x = trunc(x + dx);
        dc.LineTo(x, m_cy - trunc(m_cy * heights[i]));
    }
    dc.EndPath();
    dc.WidenPath();
    CRgn region;
    if (count >= 2)
        region.CreateFromPath(&dc);
    return region;
}

void CPlotWnd::DrawStep(int penWidth)
{
    CClientDC observedDC(this);
    CClientDC expectedDC(this);
    const int points = std::min<int>(m_nObservedCount, static_cast<int>(m_dObserved.size()));
    const double dx = points > 1 ? static_cast<double>(m_cx) / (points - 1) : 0.0;
    observedDC.SetPolyFillMode(WINDING);
    expectedDC.SetPolyFillMode(WINDING);

    // A width of 0 would draw nothing at all; a curve never disappears.
    const int width = std::max(penWidth, 1);
    CPen observedPen(PS_GEOMETRIC | PS_DASHDOTDOT | m_nStyle, width, &m_lbObserved);
    CPen expectedPen(PS_GEOMETRIC | PS_DASHDOTDOT | m_nStyle, width, &m_lbExpected);
    CBrush background(m_lbBackground);
    CBrush observedBrush(m_lbObserved);
    CBrush expectedBrush(m_lbExpected);
    CPen* oldObservedPen = observedDC.SelectObject(&observedPen);
    CPen* oldExpectedPen = expectedDC.SelectObject(&expectedPen);

    CRgn observed = CurveRegion(observedDC, m_dObserved, m_nObservedCount, dx);
    CRgn expected = CurveRegion(expectedDC, m_dExpected, m_nExpectedCount, dx);

    // Erase only what the old curve covered and the new one does not; the
    // expected curve goes last, on top where they cross.
    const auto paint = [&background](CDC& dc, const CRgn& before, CRgn& now, CBrush& brush) {
        if (!now.HasRegion())
            return;
        CRgn vacated;
        if (vacated.CombineRgn(&before, &now, RGN_DIFF) != ERROR)
            dc.FillRgn(&vacated, &background);
        dc.FillRgn(&now, &brush);
    };
    paint(observedDC, m_rgnObserved, observed, observedBrush);
    paint(expectedDC, m_rgnExpected, expected, expectedBrush);

    observedDC.SelectObject(oldObservedPen);
    expectedDC.SelectObject(oldExpectedPen);
    m_rgnObserved = std::move(observed);
    m_rgnExpected = std::move(expected);
}
