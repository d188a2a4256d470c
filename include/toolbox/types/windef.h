/// \file
/// \brief Integer typedefs, geometry and drawing descriptors of the framework the library's interface is written in.
// Integer typedefs, geometry and drawing descriptors of the framework the library's
// interface is written in. Widths follow the 32-bit originals where they reach a
// file or a wire (WORD 16, DWORD/UINT 32); pointer-sized message parameters stay
// pointer-sized so that pointers can travel in them.
#pragma once

#include <cstdint>
#include <cstddef>

#if defined(_WIN32)
#define TB_EXPORT __declspec(dllexport)
#else
#define TB_EXPORT __attribute__((visibility("default")))  ///< Marks a name exported from the library's shared objects.
#endif

typedef int BOOL;  ///< The framework's boolean: 0 false, anything else true (TRUE is 1).
typedef unsigned char BYTE;  ///< An unsigned 8-bit value.
typedef std::uint16_t WORD;  ///< An unsigned 16-bit value.
typedef std::uint32_t DWORD;  ///< An unsigned 32-bit value.
typedef unsigned int UINT;  ///< An unsigned int.
typedef std::intptr_t LPARAM;  ///< A message's second parameter (signed, pointer-wide).
typedef std::uintptr_t WPARAM;  ///< A message's first parameter (unsigned, pointer-wide).
typedef std::intptr_t LRESULT;  ///< A message's result (signed, pointer-wide).
typedef const char* LPCTSTR;  ///< A read-only zero-terminated text (UTF-8).
typedef const char* LPCSTR;  ///< A read-only zero-terminated text (UTF-8).
typedef char* LPTSTR;  ///< A writable zero-terminated text buffer (UTF-8).
typedef char TCHAR;  ///< One byte of text.
typedef DWORD COLORREF;  ///< A colour 0x00BBGGRR (see RGB).

#ifndef TRUE
#define TRUE 1  ///< BOOL true.
#endif
#ifndef FALSE
#define FALSE 0  ///< BOOL false.
#endif

/// Colour value 0x00BBGGRR.
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }  ///< The red part of a colour.
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }  ///< The green part of a colour.
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }  ///< The blue part of a colour.

constexpr WORD LOWORD(DWORD v) { return static_cast<WORD>(v & 0xFFFF); }  ///< The low 16 bits of v.
constexpr WORD HIWORD(DWORD v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }  ///< The high 16 bits of v.
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }  ///< lo in the low and hi in the high 16 bits.

/// A point in logical or device units.
struct POINT {
    long x;  ///< Horizontal coordinate, growing to the right.
    long y;  ///< Vertical coordinate, growing downwards.
};
/// A width and a height.
struct SIZE {
    long cx;  ///< Width.
    long cy;  ///< Height.
};
/// A rectangle by its left, top, right and bottom edges.
struct RECT {
    long left;  ///< Left edge (inside).
    long top;  ///< Top edge (inside).
    long right;  ///< Right edge (outside: the first column not covered).
    long bottom;  ///< Bottom edge (outside: the first row not covered).
};

/// A point with arithmetic.
class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    /// The point (x0, y0).
    CPoint(long x0, long y0) : POINT{x0, y0} {}
    /// Unpacks a point from one 32-bit value: low word x, high word y (both signed).
    explicit CPoint(DWORD packed)
        : POINT{static_cast<std::int16_t>(LOWORD(packed)), static_cast<std::int16_t>(HIWORD(packed))} {}
    /// Moves the point by (dx, dy).
    void Offset(long dx, long dy) {
        x += dx;
        y += dy;
    }
    /// True when both coordinates are equal.
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    /// True when a coordinate differs.
    bool operator!=(const CPoint& o) const { return !(*this == o); }
    /// Coordinate-wise sum.
    CPoint operator+(const CPoint& o) const { return CPoint(x + o.x, y + o.y); }
    /// Coordinate-wise difference.
    CPoint operator-(const CPoint& o) const { return CPoint(x - o.x, y - o.y); }
};

/// An extent with arithmetic.
class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    /// The size w by h.
    CSize(long w, long h) : SIZE{w, h} {}
    /// True when both extents are equal.
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
    /// True when an extent differs.
    bool operator!=(const CSize& o) const { return !(*this == o); }
};

/// A rectangle with the framework's helpers (Width, Height, PtInRect, Inflate...).
class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    /// The rectangle from (l, t) to (r, b), right and bottom edges outside.
    CRect(long l, long t, long r, long b) : RECT{l, t, r, b} {}
    /// Copies a RECT.
    CRect(const RECT& r) : RECT(r) {}
    /// The rectangle of the given size with its top left corner at topLeft.
    CRect(CPoint topLeft, CSize size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    /// right - left; negative for a rectangle that is not normalised.
    long Width() const { return right - left; }
    /// bottom - top; negative for a rectangle that is not normalised.
    long Height() const { return bottom - top; }
    /// Width and height.
    CSize Size() const { return CSize(Width(), Height()); }
    /// The top left corner.
    CPoint TopLeft() const { return CPoint(left, top); }
    /// The bottom right corner (outside the rectangle).
    CPoint BottomRight() const { return CPoint(right, bottom); }
    /// The centre, rounded towards the top left.
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    /// True when the width or height is 0 or less.
    bool IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
    /// True when all four edges are 0.
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    /// A point on the left or top edge is inside, one on the right or bottom edge is not.
    bool PtInRect(const POINT& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    /// Sets all four edges.
    void SetRect(long l, long t, long r, long b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    /// Sets all four edges to 0.
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    /// Moves the rectangle by (dx, dy).
    void OffsetRect(long dx, long dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    /// Grows each side outwards by dx horizontally and dy vertically.
    void InflateRect(long dx, long dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    /// Shrinks each side inwards by dx horizontally and dy vertically.
    void DeflateRect(long dx, long dy) { InflateRect(-dx, -dy); }
    /// Swaps left/right and top/bottom where needed so that width and height are not negative.
    void NormalizeRect() {
        if (left > right) {
            long t = left;
            left = right;
            right = t;
        }
        if (top > bottom) {
            long t = top;
            top = bottom;
            bottom = t;
        }
    }
    /// Sets this rectangle to the overlap of a and b; returns false (and an empty
    /// rectangle) when they do not overlap.
    bool IntersectRect(const RECT& a, const RECT& b) {
        CRect r(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
                a.bottom < b.bottom ? a.bottom : b.bottom);
        if (r.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        *this = r;
        return true;
    }
    /// Sets this rectangle to the smallest one holding a and b (empty ones ignored).
    bool UnionRect(const RECT& a, const RECT& b) {
        CRect ra(a), rb(b);
        if (ra.IsRectEmpty()) {
            *this = rb;
            return !rb.IsRectEmpty();
        }
        if (rb.IsRectEmpty()) {
            *this = ra;
            return true;
        }
        SetRect(ra.left < rb.left ? ra.left : rb.left, ra.top < rb.top ? ra.top : rb.top,
                ra.right > rb.right ? ra.right : rb.right, ra.bottom > rb.bottom ? ra.bottom : rb.bottom);
        return true;
    }
    /// True when all four edges are equal.
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    /// True when an edge differs.
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

/// Font description; the face name holds up to 31 bytes and a terminating zero.
struct LOGFONT {
    long lfHeight = 0;  ///< Character height in logical units; negative gives the character height without internal leading, 0 a default.
    long lfWidth = 0;  ///< Average character width; 0 picks it from the height.
    long lfEscapement = 0;  ///< Angle of the text line in tenths of a degree, counter-clockwise.
    long lfOrientation = 0;  ///< Angle of each character in tenths of a degree.
    long lfWeight = 0;  ///< Weight from 0 (default) to 1000; FW_NORMAL 400, FW_BOLD 700.
    BYTE lfItalic = 0;  ///< Non-zero for italic.
    BYTE lfUnderline = 0;  ///< Non-zero for underlined.
    BYTE lfStrikeOut = 0;  ///< Non-zero for struck out.
    BYTE lfCharSet = 0;  ///< Character set; kept for files and templates, text is UTF-8 anyway.
    BYTE lfOutPrecision = 0;  ///< Output precision; kept for files, not used for matching.
    BYTE lfClipPrecision = 0;  ///< Clipping precision; kept for files, not used for matching.
    BYTE lfQuality = 0;  ///< Output quality; kept for files, not used for matching.
    BYTE lfPitchAndFamily = 0;  ///< Pitch in the low bits, family in the high bits.
    char lfFaceName[32] = {};  ///< Typeface name, zero-terminated UTF-8; empty picks the default face.
};

/// A pen description: style, width and colour.
struct LOGPEN {
    UINT lopnStyle = 0;  ///< PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT or PS_NULL.
    POINT lopnWidth = {0, 0};  ///< Width in logical units in x (y is ignored); 0 draws one pixel.
    COLORREF lopnColor = 0;  ///< Pen colour.
};

/// A brush description: style, colour and hatch.
struct LOGBRUSH {
    UINT lbStyle = 0;  ///< BS_SOLID, BS_NULL or BS_HATCHED.
    COLORREF lbColor = 0;  ///< Brush colour.
    std::uintptr_t lbHatch = 0;  ///< Hatch style (HS_...) of a hatched brush.
};

// Opaque handles of the framework: windows, modules and keys of the settings trees.
typedef struct HWND__* HWND;  ///< A window: the widget of a CWnd (CWnd::FromHandle turns it back).
typedef struct HINSTANCE__* HINSTANCE;  ///< A loaded module (shared library).
typedef HINSTANCE HMODULE;  ///< A loaded shared library (dlopen handle).
typedef struct HKEY__* HKEY;  ///< A key of a settings tree (the per-user store or the classes key tree).
