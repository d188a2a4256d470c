// Drawing symbols: small vector pictures (schematic symbols of components) written in a
// line-oriented text and drawn into any device context scaled to a target rectangle,
// y pointing up, with a margin of 5 symbol units.
//
//   S 40,20 x 3            size 40 by 20, an unused field, mask 3 (levels 1 and 2)
//   N 0 1 0                pen: style, width, colour (a decimal COLORREF)
//   L 0,10 10,10           polyline (G: filled polygon; D, K: rectangle outline, filled)
//   A 10,0,30,20 30,10 30,10   arc by box, start and end (I: pie); equal ends: ellipse
//   P 0,10 -10,10 1 "a" 1  pin from (x1,y1) to its outer end (x2,y2), visible, name, type
//   M 2 1                  what follows is drawn only when bit 1 of the mask is set
//   T 20,4 "R1"            text, baseline-centred
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/wnd.h>

#include <memory>
#include <vector>

class CTBDrawSymbol;

/// Load statuses of an element line.
constexpr WORD TBSYM_OK = 0;
constexpr WORD TBSYM_BAD_VALUE = 0xA002;
constexpr WORD TBSYM_MISSING_FIELD = 0xA003;

/// One element of a symbol: a line of the symbol text.
class TB_EXPORT CTBDrawSymbolSym : public CObject {
public:
    /// Draws the element when visibility is not zero.
    virtual void Draw(CDC* dc, int visibility) = 0;
    /// Parses the element's line; TBSYM_OK or an error status.
    virtual WORD Load(CTBDrawSymbol* owner, const CString& line) = 0;
    virtual void Offset(int dx, int dy) = 0;
    /// Writing an element back as text is not supported: does nothing.
    virtual void Export(CString&) {}
    /// The letter that started the element's line.
    char GetKind() const { return m_kind; }

protected:
    CTBDrawSymbol* m_owner = nullptr;
    char m_kind = 0;
};

/// A: arc, I: filled pie; an ellipse when start and end are the same point.
class TB_EXPORT CTBDrawSymbolArc : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override;
    CRect m_box;
    CPoint m_start, m_end;
};

/// L: polyline, G: filled polygon, D: rectangle outline, K: filled rectangle.
class TB_EXPORT CTBDrawSymbolPoly : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override;
    std::vector<POINT> m_points;
};

/// E: an active area with a number, a flag and a text for the host; draws nothing.
class TB_EXPORT CTBDrawSymbolAction : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override { m_area.OffsetRect(dx, dy); }
    CRect m_area;
    DWORD m_number = 0;
    BYTE m_flag = 0;
    CString m_text;
};

/// F: selects a font made of a logical font's fields, or (bare) the starting font.
class TB_EXPORT CTBDrawSymbolFont : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int, int) override {}
    bool m_bare = true;
    LOGFONT m_font;
};

/// H (kind 1), O (kind 2), Q (kind 0): a place the host fills with a text; draws nothing.
class TB_EXPORT CTBDrawSymbolTextRef : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override { m_anchor.Offset(dx, dy); }
    int m_refKind = 0;
    CPoint m_anchor;
    int m_number = 0;
};

/// M: level 0 makes what follows visible, level n what follows visible when bit n-1
/// of the symbol's mask is set.
class TB_EXPORT CTBDrawSymbolLevel : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int, int) override {}
    int m_level = 0;
    bool m_flag = false;
};

/// N: selects a pen, or (bare) the starting pen.
class TB_EXPORT CTBDrawSymbolPen : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int, int) override {}
    bool m_bare = true;
    LOGPEN m_pen;
};

/// B: selects a brush, or (bare) the starting brush.
class TB_EXPORT CTBDrawSymbolBrush : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int, int) override {}
    bool m_bare = true;
    LOGBRUSH m_brush;
};

/// P: a connection pin; type 1 carries an arrowhead at its outer end.
class TB_EXPORT CTBDrawSymbolPin : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override;
    CPoint m_from, m_to;
    bool m_visible = true;
    CString m_name;
    WORD m_type = 0;
    /// Tip, and the two back corners (type 1 only).
    POINT m_arrow[3] = {};
};

/// R: a solid pen of a width and colour and a solid brush of another colour.
class TB_EXPORT CTBDrawSymbolColor : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int, int) override {}
    int m_width = 0;
    COLORREF m_penColour = 0, m_brushColour = 0;
};

/// T: a text at a point, on a transparent background.
class TB_EXPORT CTBDrawSymbolText : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override { m_at.Offset(dx, dy); }
    CPoint m_at;
    CString m_text;
    /// Measured at the first drawing, rounded down to even numbers; (0,0) before.
    CSize m_extent;
};

/// Z: a bitmap area for the host; draws nothing.
class TB_EXPORT CTBDrawSymbolBitmap : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    void Offset(int dx, int dy) override { m_area.OffsetRect(dx, dy); }
    CRect m_area;
};

/// A symbol: the elements of its text, drawn in order. Commands reach it through the
/// message map of its command-target base.
class TB_EXPORT CTBDrawSymbol : public CCmdTarget {
public:
    CTBDrawSymbol();
    ~CTBDrawSymbol() override;
    CTBDrawSymbol(const CTBDrawSymbol&) = delete;
    CTBDrawSymbol& operator=(const CTBDrawSymbol&) = delete;
    /// A new symbol (the caller deletes it) whose frame rectangle is frame.
    static CTBDrawSymbol* CreateObject(const CRect& frame);
    static CTBDrawSymbol* CreateObject() { return new CTBDrawSymbol; }

    /// Replaces the elements by those of text: 1 success, 0 a bad line (the elements
    /// before it stay), 40963 a malformed first line.
    int LoadSymbols(CString& text);
    /// Draws every element into target (null: the last target). Pens, brushes and fonts
    /// made on the way are gone afterwards; the context is as before.
    void Draw(CDC* dc, CRect* target);
    /// Appends the element (atHead 0) or puts it first; the symbol owns it. Returns 1.
    int AddSymbol(CTBDrawSymbolSym* element, int atHead);
    /// Takes the element out of the list; the caller owns it again.
    void RemoveSymbol(CTBDrawSymbolSym* element, int);
    /// Grows the symbol area outwards by the four values of r (y up); a non-zero left
    /// or bottom moves every element by (r.left, r.bottom).
    void InflateSymArea(const CRect& r);
    /// Elements are not written back as text: text stays as it was.
    void ExportSymbolText(CString& text);

    unsigned char GetCurMask() const { return m_mask; }
    void SetCurMask(unsigned char mask) { m_mask = mask; }
    void SetVisLevel(int visibility) { c_CurVisLevel = visibility; }
    CRect GetItemRect() const { return m_itemRect; }
    CRect GetFrameRect() const { return m_frameRect; }
    CSize GetSymbolSize() const { return m_size; }
    int GetCount() const { return static_cast<int>(m_elements.size()); }
    CTBDrawSymbolSym* GetAt(int i) const { return m_elements[static_cast<std::size_t>(i)].get(); }

    /// Select the pen, brush or font the context held when drawing began.
    static void SelectCurPen(CDC* dc);
    static void SelectCurBrush(CDC* dc);
    static void SelectCurFont(CDC* dc);
    /// Delete an object made while drawing, unless it is one of the starting objects.
    static void FreePen(CPen* pen);
    static void FreeBrush(CBrush* brush);
    static void FreeFont(CFont* font);
    /// Pen, brush and font objects made while drawing and not yet deleted.
    static int GetCreatedObjectCount();
    /// Makes an object that lives until it is freed or the drawing ends.
    static CPen* NewPen(const LOGPEN& log);
    static CBrush* NewBrush(const LOGBRUSH& log);
    static CFont* NewFont(const LOGFONT& log);

    static CPen* c_CurPen;
    static CBrush* c_CurBrush;
    static CFont* c_CurFont;
    static int c_CurVisLevel;

private:
    /// Reads the first line; 1, 0 or 40963.
    int LoadHeader(const CString& line);
    static void FreeCreated(CGdiObject* object);
    static void FreeAllCreated();
    std::vector<std::unique_ptr<CTBDrawSymbolSym>> m_elements;
    CSize m_size;
    CRect m_itemRect;
    CRect m_frameRect;
    unsigned char m_mask = 0;
};
