#include "framework/DC.h"

#include <QPainter>

#include "framework/QtBridge.h"
#include "framework/Wnd.h"

CDC::~CDC() = default;

BOOL CDC::DrawIcon(int x, int y, HICON icon)
{
    auto* impl = dynamic_cast<IconImpl*>(icon);
    if (!m_painter || !impl)
        return FALSE;
    m_painter->drawPixmap(x, y, impl->pixmap);
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* window)
{
    // Only valid inside the window's paint event, where WM_PAINT is sent.
    m_painter = std::make_unique<QPainter>(window->Widget());
}

CPaintDC::~CPaintDC() = default;
