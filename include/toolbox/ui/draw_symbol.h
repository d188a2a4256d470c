/// \file
/// \brief Drawing symbols: small vector pictures (schematic symbols of components) written in a line-oriented text and drawn into any device context scaled to a target rectangle, y pointing up, with a margin of 5 symbol units.
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
///@{
constexpr WORD TBSYM_OK = 0;
constexpr WORD TBSYM_BAD_VALUE = 0xA002;
constexpr WORD TBSYM_MISSING_FIELD = 0xA003;
///@}

/// One element of a symbol: a line of the symbol text.
class TB_EXPORT CTBDrawSymbolSym : public CObject {
public:
    /// Draws the element when visibility is not zero.
    virtual void Draw(CDC* dc, int visibility) = 0;
    /// Parses the element's line; TBSYM_OK or an error status.
    virtual WORD Load(CTBDrawSymbol* owner, const CString& line) = 0;
    /// Moves the element by (dx, dy) symbol units.
    virtual void Offset(int dx, int dy) = 0;
    /// Writing an element back as text is not supported: does nothing.
    virtual void Export(CString&) {}
    /// The letter that started the element's line.
    char GetKind() const { return m_kind; }

protected:
    CTBDrawSymbol* m_owner = nullptr;  ///< The symbol the element belongs to (not owned).
    char m_kind = 0;  ///< The letter that started the element's line.
};

/// A: arc, I: filled pie; an ellipse when start and end are the same point.
class TB_EXPORT CTBDrawSymbolArc : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves the box and both end points.
    void Offset(int dx, int dy) override;
    CRect m_box;  ///< The box of the ellipse the arc lies on (symbol units, y up).
    /// The points whose rays from the centre start and end the arc (counter-clockwise); equal points: a whole ellipse.
    ///@{
    CPoint m_start, m_end;
    ///@}
};

/// L: polyline, G: filled polygon, D: rectangle outline, K: filled rectangle.
class TB_EXPORT CTBDrawSymbolPoly : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves every point.
    void Offset(int dx, int dy) override;
    std::vector<POINT> m_points;  ///< The points (symbol units, y up).
};

/// E: an active area with a number, a flag and a text for the host; draws nothing.
class TB_EXPORT CTBDrawSymbolAction : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves the area.
    void Offset(int dx, int dy) override { m_area.OffsetRect(dx, dy); }
    CRect m_area;  ///< The active area (symbol units, y up).
    DWORD m_number = 0;  ///< The host's number of the area.
    BYTE m_flag = 0;  ///< The host's flag of the area.
    CString m_text;  ///< The host's text of the area.
};

/// F: selects a font made of a logical font's fields, or (bare) the starting font.
class TB_EXPORT CTBDrawSymbolFont : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Fonts have no position: does nothing.
    void Offset(int, int) override {}
    bool m_bare = true;  ///< True for a bare F line: select the font the context held when drawing began.
    LOGFONT m_font;  ///< The font's fields, height in symbol units.
};

/// H (kind 1), O (kind 2), Q (kind 0): a place the host fills with a text; draws nothing.
class TB_EXPORT CTBDrawSymbolTextRef : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves the anchor.
    void Offset(int dx, int dy) override { m_anchor.Offset(dx, dy); }
    int m_refKind = 0;  ///< 1 for H, 2 for O, 0 for Q.
    CPoint m_anchor;  ///< Where the host's text goes (symbol units, y up).
    int m_number = 0;  ///< The host's number of the text (H and O lines).
};

/// M: level 0 makes what follows visible, level n what follows visible when bit n-1
/// of the symbol's mask is set.
class TB_EXPORT CTBDrawSymbolLevel : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Levels have no position: does nothing.
    void Offset(int, int) override {}
    int m_level = 0;  ///< 0: what follows is always drawn; n: drawn when bit n-1 of the mask is set.
    bool m_flag = false;  ///< The line's optional third field, kept for the host (true unless "0").
};

/// N: selects a pen, or (bare) the starting pen.
class TB_EXPORT CTBDrawSymbolPen : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Pens have no position: does nothing.
    void Offset(int, int) override {}
    bool m_bare = true;  ///< True for a bare N line: select the pen the context held when drawing began.
    LOGPEN m_pen;  ///< Style, width (symbol units) and colour.
};

/// B: selects a brush, or (bare) the starting brush.
class TB_EXPORT CTBDrawSymbolBrush : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Brushes have no position: does nothing.
    void Offset(int, int) override {}
    bool m_bare = true;  ///< True for a bare B line: select the brush the context held when drawing began.
    LOGBRUSH m_brush;  ///< Style, colour and hatch.
};

/// P: a connection pin; type 1 carries an arrowhead at its outer end.
class TB_EXPORT CTBDrawSymbolPin : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves both ends of the pin and its arrowhead.
    void Offset(int dx, int dy) override;
    /// Inner end (on the body) and outer end (where a wire connects), symbol units, y up.
    ///@{
    CPoint m_from, m_to;
    ///@}
    bool m_visible = true;  ///< Whether the pin is drawn.
    CString m_name;  ///< The pin's name (its connection's name for the host).
    WORD m_type = 0;  ///< Pin type; 1 draws an arrowhead at the outer end.
    /// Tip, and the two back corners (type 1 only).
    POINT m_arrow[3] = {};
};

/// R: a solid pen of a width and colour and a solid brush of another colour.
class TB_EXPORT CTBDrawSymbolColor : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Colours have no position: does nothing.
    void Offset(int, int) override {}
    int m_width = 0;  ///< Width of the solid pen in symbol units.
    /// Colours of the solid pen and of the solid brush.
    ///@{
    COLORREF m_penColour = 0, m_brushColour = 0;
    ///@}
};

/// T: a text at a point, on a transparent background.
class TB_EXPORT CTBDrawSymbolText : public CTBDrawSymbolSym {
public:
    void Draw(CDC* dc, int visibility) override;
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves the text's point.
    void Offset(int dx, int dy) override { m_at.Offset(dx, dy); }
    CPoint m_at;  ///< The text's base line centre (symbol units, y up).
    CString m_text;  ///< The text.
    /// Measured at the first drawing, rounded down to even numbers; (0,0) before.
    CSize m_extent;
};

/// Z: a bitmap area for the host; draws nothing.
class TB_EXPORT CTBDrawSymbolBitmap : public CTBDrawSymbolSym {
public:
    void Draw(CDC*, int) override {}
    WORD Load(CTBDrawSymbol* owner, const CString& line) override;
    /// Moves the area.
    void Offset(int dx, int dy) override { m_area.OffsetRect(dx, dy); }
    CRect m_area;  ///< The bitmap's area (symbol units, y up).
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
    /// A new empty symbol; the caller deletes it.
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

    /// The mask whose bits the M lines test (from the S line or SetCurMask).
    unsigned char GetCurMask() const { return m_mask; }
    /// Sets the mask whose bits the M lines test.
    void SetCurMask(unsigned char mask) { m_mask = mask; }
    /// Sets whether elements are drawn (not 0) until the next M line.
    void SetVisLevel(int visibility) { c_CurVisLevel = visibility; }
    /// The symbol's own area in the target's coordinates: the size of the S line from the frame's top left corner.
    CRect GetItemRect() const { return m_itemRect; }
    /// The rectangle the symbol was last drawn into (or CreateObject's frame).
    CRect GetFrameRect() const { return m_frameRect; }
    /// Width and height from the S line, in symbol units.
    CSize GetSymbolSize() const { return m_size; }
    /// Number of elements.
    int GetCount() const { return static_cast<int>(m_elements.size()); }
    /// Element i (0 to GetCount() - 1); owned by the symbol.
    CTBDrawSymbolSym* GetAt(int i) const { return m_elements[static_cast<std::size_t>(i)].get(); }

    /// Select the pen, brush or font the context held when drawing began.
    static void SelectCurPen(CDC* dc);
    /// Selects the brush the context held when drawing began.
    static void SelectCurBrush(CDC* dc);
    /// Selects the font the context held when drawing began.
    static void SelectCurFont(CDC* dc);
    /// Delete an object made while drawing, unless it is one of the starting objects.
    static void FreePen(CPen* pen);
    /// Deletes a brush made while drawing, unless it is a starting object.
    static void FreeBrush(CBrush* brush);
    /// Deletes a font made while drawing, unless it is a starting object.
    static void FreeFont(CFont* font);
    /// Pen, brush and font objects made while drawing and not yet deleted.
    static int GetCreatedObjectCount();
    /// Makes an object that lives until it is freed or the drawing ends.
    static CPen* NewPen(const LOGPEN& log);
    /// Makes a brush that lives until it is freed or the drawing ends.
    static CBrush* NewBrush(const LOGBRUSH& log);
    /// Makes a font that lives until it is freed or the drawing ends.
    static CFont* NewFont(const LOGFONT& log);

    /// The pen the context held when the current drawing began (valid during Draw only).
    static CPen* c_CurPen;
    /// The brush the context held when the current drawing began (valid during Draw only).
    static CBrush* c_CurBrush;
    /// The font the context held when the current drawing began (valid during Draw only).
    static CFont* c_CurFont;
    /// Non-zero while elements are drawn; the M lines set it.
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
