#include "framework/DC.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <cstdlib>

#include "framework/GdiObject.h"
#include "framework/QtBridge.h"
#include "framework/Wnd.h"

struct CDC::PathState {
    QPainterPath path;
    bool recording = false;
    QPointF current;
};

namespace {

// Whole coordinates name pixels; the toolkit's name the corners between.
QPointF pixel(int x, int y) { return {x + 0.5, y + 0.5}; }

QColor toColor(COLORREF color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

// The outline of what the pen paints along the path.
QPainterPath widened(const QPainterPath& path, const CPen& pen)
{
    QPainterPathStroker stroker;
    stroker.setWidth(pen.Width());
    switch (pen.Style() & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE:
        stroker.setCapStyle(Qt::SquareCap);
        break;
    case PS_ENDCAP_FLAT:
        stroker.setCapStyle(Qt::FlatCap);
        break;
    default:
        stroker.setCapStyle(Qt::RoundCap);
    }
    switch (pen.Style() & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL:
        stroker.setJoinStyle(Qt::BevelJoin);
        break;
    case PS_JOIN_MITER:
        stroker.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        stroker.setJoinStyle(Qt::RoundJoin);
    }
    switch (pen.Style() & PS_STYLE_MASK) {
    case PS_DASH:
        stroker.setDashPattern(Qt::DashLine);
        break;
    case PS_DOT:
        stroker.setDashPattern(Qt::DotLine);
        break;
    case PS_DASHDOT:
        stroker.setDashPattern(Qt::DashDotLine);
        break;
    case PS_DASHDOTDOT:
        stroker.setDashPattern(Qt::DashDotDotLine);
        break;
    case PS_NULL:
        return {};
    default:  // solid, inside frame
        break;
    }
    return stroker.createStroke(path);
}

}  // namespace

CDC::CDC() : m_path(std::make_unique<PathState>()) {}

CDC::~CDC() = default;

BOOL CDC::DrawIcon(int x, int y, HICON icon)
{
    auto* impl = dynamic_cast<IconImpl*>(icon);
    if (!m_pDevice || !impl)
        return FALSE;
    QPainter(m_pDevice).drawPixmap(x, y, impl->pixmap);
    return TRUE;
}

CPen* CDC::SelectObject(CPen* pen)
{
    CPen* previous = m_pPen;
    m_pPen = pen;
    return previous;
}

CFont* CDC::SelectObject(CFont* font)
{
    CFont* previous = m_pFont;
    m_pFont = font;
    return previous;
}

int CDC::SetPolyFillMode(int mode)
{
    const int previous = m_nPolyFillMode;
    m_nPolyFillMode = mode;
    return previous;
}

BOOL CDC::BeginPath()
{
    m_path->path = QPainterPath();
    m_path->path.moveTo(m_path->current);
    m_path->recording = true;
    return TRUE;
}

BOOL CDC::EndPath()
{
    if (!m_path->recording)
        return FALSE;
    m_path->recording = false;
    return TRUE;
}

BOOL CDC::WidenPath()
{
    if (m_path->recording || !m_pPen)
        return FALSE;
    m_path->path = widened(m_path->path, *m_pPen);
    return TRUE;
}

bool CDC::TakePath(QPainterPath* path)
{
    if (m_path->recording)
        return false;
    *path = std::move(m_path->path);
    m_path->path = QPainterPath();
    return true;
}

void CDC::MoveTo(int x, int y)
{
    m_path->current = pixel(x, y);
    if (m_path->recording)
        m_path->path.moveTo(m_path->current);
}

BOOL CDC::LineTo(int x, int y)
{
    const QPointF from = m_path->current;
    m_path->current = pixel(x, y);
    if (m_path->recording) {
        m_path->path.lineTo(m_path->current);
        return TRUE;
    }
    if (!m_pPen || !m_pDevice)
        return FALSE;
    QPainterPath line(from);
    line.lineTo(m_path->current);
    QPainter(m_pDevice).fillPath(widened(line, *m_pPen), toColor(m_pPen->Color()));
    return TRUE;
}

void CDC::FillRect(const CRect* rect, CBrush* brush)
{
    if (m_pDevice)
        QPainter(m_pDevice).fillRect(QRect(rect->left, rect->top, rect->Width(), rect->Height()),
                                     toColor(brush->Color()));
}

BOOL CDC::FillRgn(CRgn* region, CBrush* brush)
{
    if (!region->HasRegion() || !m_pDevice)
        return FALSE;
    QPainter painter(m_pDevice);
    const QColor color = toColor(brush->Color());
    for (const QRect& rect : *region->Region())
        painter.fillRect(rect, color);
    return TRUE;
}

namespace {

// The image of a window that keeps one; null for a window of no size.
QPaintDevice* surfaceOf(ChildWidget* child) { return child->surface.isNull() ? nullptr : &child->surface; }

}  // namespace

COLORREF CDC::SetTextColor(COLORREF color)
{
    const COLORREF before = m_textColor;
    m_textColor = color;
    return before;
}

BOOL CDC::TextOut(int x, int y, const CString& text)
{
    if (!m_pDevice)
        return FALSE;
    QPainter painter(m_pDevice);
    painter.setFont(font());
    painter.setPen(toColor(m_textColor));
    painter.translate(x, y);
    if (m_pFont && m_pFont->Log().lfEscapement != 0)
        painter.rotate(-m_pFont->Log().lfEscapement / 10.0);
    painter.drawText(QPointF(0, painter.fontMetrics().ascent()), toQt(text));
    return TRUE;
}

CPoint CDC::GetTextExtent(const CString& text) const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(toQt(text)), metrics.height()};
}

QFont CDC::font() const
{
    QFont font = m_pWindow && m_pWindow->Widget() ? m_pWindow->Widget()->font() : QFont();
    if (m_pFont) {
        const LOGFONT& log = m_pFont->Log();
        if (log.lfHeight != 0)
            font.setPixelSize(static_cast<int>(std::abs(log.lfHeight)));
        font.setBold(log.lfWeight >= FW_BOLD);
    }
    return font;
}

CClientDC::CClientDC(CWnd* window) : m_pWnd(window)
{
    m_pWindow = window;
    auto* child = dynamic_cast<ChildWidget*>(window ? window->Widget() : nullptr);
    if (!child)
        AfxThrowResourceException();
    m_pDevice = surfaceOf(child);
}

CClientDC::~CClientDC()
{
    if (m_pWnd->Widget())
        m_pWnd->Widget()->update();  // show the new image
}

CPaintDC::CPaintDC(CWnd* window)
{
    m_pWindow = window;
    // A window that keeps an image paints into it, and is valid from here
    // on; a dialog paints inside its paint event, where WM_PAINT is sent.
    if (auto* child = dynamic_cast<ChildWidget*>(window->Widget())) {
        child->invalid = false;
        m_pDevice = surfaceOf(child);
    } else {
        m_pDevice = window->Widget();
    }
}

CPaintDC::~CPaintDC() = default;
