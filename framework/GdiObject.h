#pragma once

#include <memory>

#include "framework/Afx.h"

class CDC;
class QRegion;

// Pen styles: the line style in the low bits, then end caps and joins;
// round caps and joins are the zero bits.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_STYLE_MASK = 0x0000000F;
constexpr int PS_ENDCAP_ROUND = 0x00000000;
constexpr int PS_ENDCAP_SQUARE = 0x00000100;
constexpr int PS_ENDCAP_FLAT = 0x00000200;
constexpr int PS_ENDCAP_MASK = 0x00000F00;
constexpr int PS_JOIN_ROUND = 0x00000000;
constexpr int PS_JOIN_BEVEL = 0x00001000;
constexpr int PS_JOIN_MITER = 0x00002000;
constexpr int PS_JOIN_MASK = 0x0000F000;
constexpr int PS_GEOMETRIC = 0x00010000;

constexpr UINT BS_SOLID = 0;

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    UINT_PTR lbHatch;
};

// A font as a window's font changed: its height in pixels (0 keeps the
// window's), its angle in tenths of a degree anticlockwise (900: read
// bottom to top), its weight (FW_BOLD and above are bold).
struct LOGFONT {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
};
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;

class CFont {
public:
    BOOL CreateFontIndirect(const LOGFONT* font);
    const LOGFONT& Log() const { return m_log; }

private:
    LOGFONT m_log{0, 0, 0, 0, FW_NORMAL};
};

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Region combination modes, and the kinds of region they yield.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// A geometric pen: width in pixels, style bits, the colour of a solid brush.
class CPen {
public:
    CPen(int penStyle, int width, const LOGBRUSH* brush);

    int Style() const { return m_nStyle; }
    int Width() const { return m_nWidth; }
    COLORREF Color() const { return m_color; }

private:
    int m_nStyle;
    int m_nWidth;
    COLORREF m_color;
};

// A solid brush.
class CBrush {
public:
    explicit CBrush(COLORREF color) : m_color(color) {}
    // Only solid brushes exist here; other styles throw the resource exception.
    explicit CBrush(const LOGBRUSH& brush);

    COLORREF Color() const { return m_color; }

private:
    COLORREF m_color;
};

// An area of pixels. A CRgn made without one of the Create calls holds no
// region at all, which is not the same as an empty one: combining with it
// fails.
class CRgn {
public:
    CRgn();
    ~CRgn();
    CRgn(CRgn&& other) noexcept;
    CRgn& operator=(CRgn&& other) noexcept;

    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    // The DC's path, as its polygon fill mode fills it; the path is used up.
    // Fails, leaving no region, when the path encloses nothing.
    BOOL CreateFromPath(CDC* dc);
    // Replaces this region by the combination of two others; ERROR when
    // either holds no region.
    int CombineRgn(const CRgn* first, const CRgn* second, int mode);
    BOOL DeleteObject();

    bool HasRegion() const { return m_region != nullptr; }

    // The toolkit's region; for the framework's own use.
    const QRegion* Region() const { return m_region.get(); }

private:
    std::unique_ptr<QRegion> m_region;
};
