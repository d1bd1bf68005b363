#include "framework/GdiObject.h"

#include <QPainterPath>
#include <QPolygon>
#include <QRegion>

#include "framework/DC.h"

CPen::CPen(int penStyle, int width, const LOGBRUSH* brush)
    : m_nStyle(penStyle), m_nWidth(width), m_color(brush ? brush->lbColor : 0)
{
    if (!brush || brush->lbStyle != BS_SOLID)
        AfxThrowResourceException();
}

BOOL CFont::CreateFontIndirect(const LOGFONT* font)
{
    if (!font)
        return FALSE;
    m_log = *font;
    return TRUE;
}

CBrush::CBrush(const LOGBRUSH& brush) : m_color(brush.lbColor)
{
    if (brush.lbStyle != BS_SOLID)
        AfxThrowResourceException();
}

CRgn::CRgn() = default;
CRgn::~CRgn() = default;
CRgn::CRgn(CRgn&& other) noexcept = default;
CRgn& CRgn::operator=(CRgn&& other) noexcept = default;

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    m_region = std::make_unique<QRegion>(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
    return TRUE;
}

BOOL CRgn::CreateFromPath(CDC* dc)
{
    QPainterPath path;
    if (!dc->TakePath(&path) || path.isEmpty())
        return FALSE;
    const Qt::FillRule rule = dc->m_nPolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    path.setFillRule(rule);
    QRegion region;
    for (const QPolygonF& polygon : path.toFillPolygons())
        region += QRegion(polygon.toPolygon(), rule);
    if (region.isEmpty())
        return FALSE;
    m_region = std::make_unique<QRegion>(std::move(region));
    return TRUE;
}

int CRgn::CombineRgn(const CRgn* first, const CRgn* second, int mode)
{
    if (!first || !first->m_region || (mode != RGN_COPY && (!second || !second->m_region)))
        return ERROR;
    const QRegion& a = *first->m_region;
    QRegion result;
    switch (mode) {
    case RGN_AND:
        result = a.intersected(*second->m_region);
        break;
    case RGN_OR:
        result = a.united(*second->m_region);
        break;
    case RGN_XOR:
        result = a.xored(*second->m_region);
        break;
    case RGN_DIFF:
        result = a.subtracted(*second->m_region);
        break;
    case RGN_COPY:
        result = a;
        break;
    default:
        return ERROR;
    }
    m_region = std::make_unique<QRegion>(std::move(result));
    if (m_region->isEmpty())
        return NULLREGION;
    return m_region->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL CRgn::DeleteObject()
{
    const bool had = m_region != nullptr;
    m_region.reset();
    return had;
}
