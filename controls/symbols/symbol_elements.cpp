// The element kinds of a drawing symbol: how each parses its line and draws itself.
#include <toolbox/ui/draw_symbol.h>

#include "controls/symbols/symbol_fields.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

using tbsym::Field;
using tbsym::ParseInt;
using tbsym::ParseInts;
using tbsym::ParsePoint;

namespace {

/// The fields of an element's line, read one check at a time: a missing field gives
/// TBSYM_MISSING_FIELD, a bad one TBSYM_BAD_VALUE, and the first failure stays.
struct Reader {
    std::vector<Field> f;
    WORD status = TBSYM_OK;
    bool Has(std::size_t i) {
        if (status) return false;
        if (i < f.size()) return true;
        status = TBSYM_MISSING_FIELD;
        return false;
    }
    bool Fail() {
        status = TBSYM_BAD_VALUE;
        return false;
    }
    bool Point(std::size_t i, CPoint& p) {
        if (!Has(i)) return false;
        POINT q;
        if (!ParsePoint(f[i].text, q)) return Fail();
        p = CPoint(q.x, q.y);
        return true;
    }
    bool Int(std::size_t i, long low, long high, long& v) {
        if (!Has(i)) return false;
        return ParseInt(f[i].text, low, high, v) || Fail();
    }
    bool Text(std::size_t i, CString& text) {
        if (!Has(i)) return false;
        if (!f[i].quoted) return Fail();
        if (f[i].unterminated) {
            status = TBSYM_MISSING_FIELD;  // the line ends inside the text
            return false;
        }
        text = f[i].text;
        return true;
    }
};

/// The line's fields; its status is TBSYM_BAD_VALUE unless the first field is one of
/// the element's letters (either case), which becomes kind.
Reader Open(const CString& line, const char* letters, char& kind) {
    Reader r{tbsym::SplitFields(line)};
    const char c = line.IsEmpty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    if (r.f.empty() || r.f[0].text.GetLength() != 1 || !c || !std::strchr(letters, c))
        r.status = TBSYM_BAD_VALUE;
    else
        kind = c;
    return r;
}

CRect Normalised(const CPoint& a, const CPoint& b) {
    CRect r(a.x, a.y, b.x, b.y);
    r.NormalizeRect();
    return r;
}

int I(long v) { return static_cast<int>(v); }

}  // namespace

// ---------------------------------------------------------------- A, I

WORD CTBDrawSymbolArc::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "AI", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    long box[4];
    if (r.Has(1) && !ParseInts(f[1].text, 4, box)) r.Fail();
    if (r.status) return r.status;
    m_box = CRect(box[0], box[1], box[2], box[3]);
    if (r.Point(2, m_start)) r.Point(3, m_end);
    return r.status;
}

void CTBDrawSymbolArc::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    const CRect& b = m_box;
    if (m_start == m_end) {
        if (m_kind == 'A') {
            // The whole outline: an ellipse through a hollow brush.
            CGdiObject* old = dc->SelectStockObject(HOLLOW_BRUSH);
            dc->Ellipse(I(b.left), I(b.top), I(b.right), I(b.bottom));
            dc->SelectObject(static_cast<CBrush*>(old));
        } else {
            dc->Ellipse(I(b.left), I(b.top), I(b.right), I(b.bottom));
        }
    } else if (m_kind == 'A') {
        dc->Arc(I(b.left), I(b.top), I(b.right), I(b.bottom), I(m_start.x), I(m_start.y), I(m_end.x), I(m_end.y));
    } else {
        dc->Pie(I(b.left), I(b.top), I(b.right), I(b.bottom), I(m_start.x), I(m_start.y), I(m_end.x), I(m_end.y));
    }
}

void CTBDrawSymbolArc::Offset(int dx, int dy) {
    m_box.OffsetRect(dx, dy);
    m_start.Offset(dx, dy);
    m_end.Offset(dx, dy);
}

// ---------------------------------------------------------------- L, G, D, K

WORD CTBDrawSymbolPoly::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "LGDK", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    m_points.clear();
    if (m_kind == 'L' || m_kind == 'G') {
        // Any number of points; fields without a comma are no points and are skipped.
        for (std::size_t i = 1; i < f.size(); ++i) {
            if (f[i].text.Find(',') < 0) continue;
            POINT p;
            if (!ParsePoint(f[i].text, p)) return TBSYM_BAD_VALUE;
            m_points.push_back(p);
        }
        return TBSYM_OK;
    }
    CPoint a, b;
    if (!r.Point(1, a) || !r.Point(2, b)) return r.status;
    m_points = {a, {b.x, a.y}, b, {a.x, b.y}};
    if (m_kind == 'D') m_points.push_back(a);  // the outline is closed by its first corner
    return TBSYM_OK;
}

void CTBDrawSymbolPoly::Draw(CDC* dc, int visibility) {
    if (!visibility || m_points.empty()) return;
    const int n = static_cast<int>(std::min<std::size_t>(m_points.size(), INT_MAX));
    if (m_kind == 'G' || m_kind == 'K')
        dc->Polygon(m_points.data(), n);
    else
        dc->Polyline(m_points.data(), n);
}

void CTBDrawSymbolPoly::Offset(int dx, int dy) {
    for (POINT& p : m_points) {
        p.x += dx;
        p.y += dy;
    }
}

// ---------------------------------------------------------------- E

WORD CTBDrawSymbolAction::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "E", m_kind);
    if (r.status) return r.status;
    m_owner = owner;
    CPoint a, b;
    long number = 0, flag = 0;
    if (r.Point(1, a) && r.Point(2, b) && r.Int(3, LONG_MIN, LONG_MAX, number) && r.Int(4, LONG_MIN, LONG_MAX, flag) &&
        r.Text(5, m_text)) {
        m_area = Normalised(a, b);
        m_number = static_cast<DWORD>(number);
        m_flag = static_cast<BYTE>(flag);
    }
    return r.status;
}

// ---------------------------------------------------------------- F

WORD CTBDrawSymbolFont::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "F", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    m_bare = f.size() == 1;
    if (m_bare) return TBSYM_OK;
    long v[13];
    for (std::size_t i = 0; i < 13; ++i)
        if (!r.Int(1 + i, i < 5 ? -100000 : 0, i < 5 ? 100000 : 255, v[i])) return r.status;
    CString face;
    if (!r.Text(14, face)) return r.status;
    m_font = LOGFONT();
    m_font.lfHeight = v[0];
    m_font.lfWidth = v[1];
    m_font.lfEscapement = v[2];
    m_font.lfOrientation = v[3];
    m_font.lfWeight = v[4];
    m_font.lfItalic = static_cast<BYTE>(v[5]);
    m_font.lfUnderline = static_cast<BYTE>(v[6]);
    m_font.lfStrikeOut = static_cast<BYTE>(v[7]);
    m_font.lfCharSet = static_cast<BYTE>(v[8]);
    m_font.lfOutPrecision = static_cast<BYTE>(v[9]);
    m_font.lfClipPrecision = static_cast<BYTE>(v[10]);
    m_font.lfQuality = static_cast<BYTE>(v[11]);
    m_font.lfPitchAndFamily = static_cast<BYTE>(v[12]);
    std::memset(m_font.lfFaceName, 0, sizeof m_font.lfFaceName);
    std::strncpy(m_font.lfFaceName, face.GetString(), std::min<std::size_t>(31, sizeof m_font.lfFaceName - 1));
    return TBSYM_OK;
}

void CTBDrawSymbolFont::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    if (m_bare) {
        CTBDrawSymbol::SelectCurFont(dc);
        return;
    }
    CTBDrawSymbol::FreeFont(dc->SelectObject(CTBDrawSymbol::NewFont(m_font)));
}

// ---------------------------------------------------------------- H, O, Q

WORD CTBDrawSymbolTextRef::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "HOQ", m_kind);
    if (r.status) return r.status;
    m_owner = owner;
    m_refKind = m_kind == 'H' ? 1 : m_kind == 'O' ? 2 : 0;
    long n = 0;
    if (r.Point(1, m_anchor) && m_refKind != 0 && r.Int(2, INT_MIN, INT_MAX, n)) m_number = static_cast<int>(n);
    return r.status;
}

// ---------------------------------------------------------------- M

WORD CTBDrawSymbolLevel::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "M", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    long level = 0;
    if (!r.Int(1, 0, INT_MAX, level)) return r.status;
    m_level = static_cast<int>(level);
    m_flag = f.size() > 2 && f[2].text != "0";
    return TBSYM_OK;
}

void CTBDrawSymbolLevel::Draw(CDC*, int) {
    const unsigned mask = m_owner ? m_owner->GetCurMask() : 0u;
    CTBDrawSymbol::c_CurVisLevel = m_level == 0 ? 1 : (m_level <= 8 && ((mask >> (m_level - 1)) & 1u)) ? 1 : 0;
}

// ---------------------------------------------------------------- N, B, R

WORD CTBDrawSymbolPen::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "N", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    m_bare = f.size() == 1;
    if (m_bare) return TBSYM_OK;
    long style = 0, width = 0, colour = 0;
    if (r.Int(1, 0, 0xFFFFF, style) && r.Int(2, 0, 10000, width) && r.Int(3, 0, 0xFFFFFFFFL, colour)) {
        if ((style & PS_STYLE_MASK) > PS_INSIDEFRAME) return TBSYM_BAD_VALUE;
        m_pen.lopnStyle = static_cast<UINT>(style);
        m_pen.lopnWidth = POINT{width, 0};
        m_pen.lopnColor = static_cast<COLORREF>(colour);
    }
    return r.status;
}

void CTBDrawSymbolPen::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    if (m_bare)
        CTBDrawSymbol::SelectCurPen(dc);
    else
        CTBDrawSymbol::FreePen(dc->SelectObject(CTBDrawSymbol::NewPen(m_pen)));
}

WORD CTBDrawSymbolBrush::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "B", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    m_bare = f.size() == 1;
    if (m_bare) return TBSYM_OK;
    long style = 0, colour = 0, hatch = 0;
    if (r.Int(1, BS_SOLID, BS_HATCHED, style) && r.Int(2, 0, 0xFFFFFFFFL, colour) && r.Int(3, 0, LONG_MAX, hatch)) {
        if (style == BS_HATCHED && hatch > HS_DIAGCROSS) return TBSYM_BAD_VALUE;
        m_brush = LOGBRUSH{static_cast<UINT>(style), static_cast<COLORREF>(colour), static_cast<std::uintptr_t>(hatch)};
    }
    return r.status;
}

void CTBDrawSymbolBrush::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    if (m_bare)
        CTBDrawSymbol::SelectCurBrush(dc);
    else
        CTBDrawSymbol::FreeBrush(dc->SelectObject(CTBDrawSymbol::NewBrush(m_brush)));
}

WORD CTBDrawSymbolColor::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "R", m_kind);
    if (r.status) return r.status;
    m_owner = owner;
    long width = 0, pen = 0, brush = 0;
    if (r.Int(1, 0, 10000, width) && r.Int(2, 0, 0xFFFFFFFFL, pen) && r.Int(3, 0, 0xFFFFFFFFL, brush)) {
        m_width = static_cast<int>(width);
        m_penColour = static_cast<COLORREF>(pen);
        m_brushColour = static_cast<COLORREF>(brush);
    }
    return r.status;
}

void CTBDrawSymbolColor::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    LOGPEN pen;
    pen.lopnStyle = PS_SOLID;
    pen.lopnWidth = POINT{m_width, 0};
    pen.lopnColor = m_penColour;
    CTBDrawSymbol::FreePen(dc->SelectObject(CTBDrawSymbol::NewPen(pen)));
    CTBDrawSymbol::FreeBrush(dc->SelectObject(CTBDrawSymbol::NewBrush(LOGBRUSH{BS_SOLID, m_brushColour, 0})));
}

// ---------------------------------------------------------------- P

WORD CTBDrawSymbolPin::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "P", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    long type = 0;
    if (!r.Point(1, m_from) || !r.Point(2, m_to) || !r.Has(3) || !r.Text(4, m_name) || !r.Int(5, 0, 0xFFFF, type))
        return r.status;
    m_visible = f[3].text != "0";
    m_type = static_cast<WORD>(type);
    // The arrowhead points away from (x1,y1): its tip at (x2,y2), the back corners 5
    // units behind and to either side; a slanted pin goes by its x direction.
    const long x = m_to.x, y = m_to.y;
    m_arrow[0] = POINT{x, y};
    if (m_to.x < m_from.x) {
        m_arrow[1] = POINT{x + 5, y + 5};
        m_arrow[2] = POINT{x + 5, y - 5};
    } else if (m_to.x == m_from.x && m_from.y < m_to.y) {
        m_arrow[1] = POINT{x + 5, y - 5};
        m_arrow[2] = POINT{x - 5, y - 5};
    } else if (m_to.x == m_from.x && m_to.y < m_from.y) {
        m_arrow[1] = POINT{x + 5, y + 5};
        m_arrow[2] = POINT{x - 5, y + 5};
    } else {
        m_arrow[1] = POINT{x - 5, y + 5};
        m_arrow[2] = POINT{x - 5, y - 5};
    }
    return TBSYM_OK;
}

void CTBDrawSymbolPin::Draw(CDC* dc, int visibility) {
    if (!visibility || !m_visible) return;
    dc->MoveTo(I(m_to.x), I(m_to.y));
    dc->LineTo(I(m_from.x), I(m_from.y));
    if (m_type != 1) return;
    // The arrowhead is filled in the pen's colour.
    const COLORREF colour = dc->GetCurrentPen() ? dc->GetCurrentPen()->Log().lopnColor : 0;
    CBrush* old = dc->SelectObject(CTBDrawSymbol::NewBrush(LOGBRUSH{BS_SOLID, colour, 0}));
    dc->Polygon(m_arrow, 3);
    CTBDrawSymbol::FreeBrush(dc->SelectObject(old));
}

void CTBDrawSymbolPin::Offset(int dx, int dy) {
    m_from.Offset(dx, dy);
    m_to.Offset(dx, dy);
    for (POINT& p : m_arrow) {
        p.x += dx;
        p.y += dy;
    }
}

// ---------------------------------------------------------------- T

WORD CTBDrawSymbolText::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "T", m_kind);
    if (r.status) return r.status;
    m_owner = owner;
    if (r.Point(1, m_at)) r.Text(2, m_text);
    return r.status;
}

void CTBDrawSymbolText::Draw(CDC* dc, int visibility) {
    if (!visibility) return;
    if (m_extent == CSize()) {
        const CSize e = dc->GetTextExtent(m_text);
        m_extent = CSize(e.cx & ~1L, e.cy & ~1L);
    }
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->TextOut(I(m_at.x), I(m_at.y), m_text);
    dc->SetBkMode(oldMode);
}

// ---------------------------------------------------------------- Z

WORD CTBDrawSymbolBitmap::Load(CTBDrawSymbol* owner, const CString& line) {
    Reader r = Open(line, "Z", m_kind);
    if (r.status) return r.status;
    const std::vector<Field>& f = r.f;
    m_owner = owner;
    if (!r.Has(1)) return r.status;
    if (f[1].text != "1") return TBSYM_BAD_VALUE;
    CPoint a, b;
    if (r.Point(2, a) && r.Point(3, b)) m_area = Normalised(a, b);
    return r.status;
}
