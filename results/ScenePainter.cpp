#include "results/ScenePainter.h"

#include <algorithm>
#include <cmath>

#include "framework/DC.h"
#include "framework/GdiObject.h"

namespace {

COLORREF asColorRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

int pixel(double at) { return static_cast<int>(std::lround(at)); }

}  // namespace

void PaintScene(CDC& dc, const ChartScene& scene)
{
    for (const ChartScene::Fill& fill : scene.fills) {
        CBrush brush(asColorRef(fill.colour));
        const CRect box{pixel(fill.box.left), pixel(fill.box.top), pixel(fill.box.right), pixel(fill.box.bottom)};
        dc.FillRect(&box, &brush);
    }
    for (const ChartScene::Line& line : scene.lines) {
        const LOGBRUSH colour{BS_SOLID, asColorRef(line.colour), 0};
        CPen pen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, std::max(1, pixel(line.width)), &colour);
        dc.SelectObject(&pen);
        for (std::size_t k = 0; k < line.points.size(); ++k)
            k == 0 ? dc.MoveTo(pixel(line.points[k].x), pixel(line.points[k].y))
                   : static_cast<void>(dc.LineTo(pixel(line.points[k].x), pixel(line.points[k].y)));
        dc.SelectObject(static_cast<CPen*>(nullptr));
        if (line.marks > 0) {
            CBrush mark(asColorRef(line.colour));
            const int r = std::max(1, pixel(line.marks));
            for (const ChartScene::Point& point : line.points) {
                const CRect dot{pixel(point.x) - r, pixel(point.y) - r, pixel(point.x) + r + 1, pixel(point.y) + r + 1};
                dc.FillRect(&dot, &mark);
            }
        }
    }
    // Upright text turned a quarter anticlockwise about its cell's top
    // left, which then lies at the bottom left of what it covers.
    CFont upright;
    const LOGFONT turned{0, 0, 900, 900, FW_NORMAL};
    upright.CreateFontIndirect(&turned);
    using Align = ChartScene::Align;
    for (const ChartScene::Text& text : scene.texts) {
        dc.SelectObject(text.upright ? &upright : static_cast<CFont*>(nullptr));
        const CPoint extent = dc.GetTextExtent(text.text);
        dc.SetTextColor(asColorRef(text.colour));
        if (text.upright) {
            const double y = text.align == Align::Left    ? text.box.bottom
                             : text.align == Align::Right ? text.box.top + extent.x
                                                          : (text.box.top + text.box.bottom + extent.x) / 2;
            dc.TextOut(pixel((text.box.left + text.box.right - extent.y) / 2), pixel(y), text.text);
            continue;
        }
        const double x = text.align == Align::Left    ? text.box.left
                         : text.align == Align::Right ? text.box.right - extent.x
                                                      : (text.box.left + text.box.right - extent.x) / 2;
        dc.TextOut(pixel(x), pixel((text.box.top + text.box.bottom - extent.y) / 2), text.text);
    }
    dc.SelectObject(static_cast<CFont*>(nullptr));
    dc.SetTextColor(RGB(0, 0, 0));
}
