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
#define TB_EXPORT __attribute__((visibility("default")))
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef std::intptr_t LPARAM;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LRESULT;
typedef const char* LPCTSTR;
typedef const char* LPCSTR;
typedef char* LPTSTR;
typedef char TCHAR;
typedef DWORD COLORREF;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/// Colour value 0x00BBGGRR.
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(DWORD v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }

/// A point in logical or device units.
struct POINT {
    long x;
    long y;
};
/// A width and a height.
struct SIZE {
    long cx;
    long cy;
};
/// A rectangle by its left, top, right and bottom edges.
struct RECT {
    long left;
    long top;
    long right;
    long bottom;
};

/// A point with arithmetic.
class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(long x0, long y0) : POINT{x0, y0} {}
    /// Unpacks a point from one 32-bit value: low word x, high word y (both signed).
    explicit CPoint(DWORD packed)
        : POINT{static_cast<std::int16_t>(LOWORD(packed)), static_cast<std::int16_t>(HIWORD(packed))} {}
    void Offset(long dx, long dy) {
        x += dx;
        y += dy;
    }
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
    CPoint operator+(const CPoint& o) const { return CPoint(x + o.x, y + o.y); }
    CPoint operator-(const CPoint& o) const { return CPoint(x - o.x, y - o.y); }
};

/// An extent with arithmetic.
class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(long w, long h) : SIZE{w, h} {}
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const CSize& o) const { return !(*this == o); }
};

/// A rectangle with the framework's helpers (Width, Height, PtInRect, Inflate...).
class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(long l, long t, long r, long b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    CRect(CPoint topLeft, CSize size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    bool IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    /// A point on the left or top edge is inside, one on the right or bottom edge is not.
    bool PtInRect(const POINT& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(long l, long t, long r, long b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(long dx, long dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void InflateRect(long dx, long dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    void DeflateRect(long dx, long dy) { InflateRect(-dx, -dy); }
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
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

/// Font description; the face name holds up to 31 bytes and a terminating zero.
struct LOGFONT {
    long lfHeight = 0;
    long lfWidth = 0;
    long lfEscapement = 0;
    long lfOrientation = 0;
    long lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[32] = {};
};

/// A pen description: style, width and colour.
struct LOGPEN {
    UINT lopnStyle = 0;
    POINT lopnWidth = {0, 0};
    COLORREF lopnColor = 0;
};

/// A brush description: style, colour and hatch.
struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;
};

// Opaque handles of the framework: windows, modules and keys of the settings trees.
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
