/// \file
/// \brief Pen and brush style pickers: selectors for command bars (a column of samples that drops from a popup button), owner-drawn combo boxes for dialogs, and CTBPen, a pen whose dashes stay visible at widths above one pixel.
// Pen and brush style pickers: selectors for command bars (a column of samples that
// drops from a popup button), owner-drawn combo boxes for dialogs, and CTBPen, a pen
// whose dashes stay visible at widths above one pixel.
//
// Pen styles, brush styles and hatches are the GDI numbers (PS_SOLID 0 ... PS_DASHDOTDOT
// 4; BS_SOLID 0, BS_HOLLOW 1, BS_HATCHED 2; HS_HORIZONTAL 0 ... HS_DIAGCROSS 5).
#pragma once

#include <toolbox/ui/command_bars.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/editors.h>

#include <vector>

/// A column of samples on a command bar, 54 pixels wide and 4 + 18 per item high.
/// Clicking an item makes its value the current one and executes the control; the
/// host reads the value in its command handler.
class TB_EXPORT CTBControlStyleSelector : public CTBBarControl {
public:
    static constexpr int kWidth = 54;  ///< Width of the control in pixels.
    static constexpr int kItemWidth = 50;  ///< Width of one item in pixels.
    static constexpr int kItemHeight = 18;  ///< Height of one item in pixels.

    /// A selector with command id whose items carry values, in order; no current value.
    CTBControlStyleSelector(UINT id, std::vector<long> values);
    /// The items' values, in order.
    const std::vector<long>& GetValues() const { return m_values; }
    /// Number of items.
    int GetItemCount() const { return static_cast<int>(m_values.size()); }
    /// The item under the mouse, -1 for none.
    int GetHotItem() const { return m_hotItem; }
    /// The item being clicked, -1 outside a click.
    int GetPressedItem() const { return m_pressedItem; }
    /// The current value, -1 for none.
    long GetCurrentValue() const { return m_current; }
    /// Sets the current value and redraws.
    void SetCurrentValue(long value);
    /// Item i's rectangle in the bar's coordinates.
    CRect GetItemRect(int i) const;
    /// The item at point, -1 when the point is outside the control or every item.
    int HitTestItem(CPoint point) const;
    /// The tooltip slot of item i (empty unless set).
    void SetItemTooltip(int i, LPCTSTR text);

    CSize GetSize(CDC* dc) override;
    void Draw(CDC* dc) override;
    /// Tracks the item under the mouse and repaints it hot.
    void OnMouseMove(CPoint point) override;
    /// No item is hot any more.
    void OnMouseLeave() override;
    void OnClick(CPoint point) override;
    CString GetTooltipAt(CPoint point, CRect* rect) const override;

protected:
    /// Draws item i's sample into rect (the item shrunk by 3 pixels).
    virtual void DrawSample(CDC* dc, int i, const CRect& rect) const = 0;
    /// Copies the values, tooltips and current value into copy (for Clone).
    void CopySelectorTo(CTBControlStyleSelector& copy) const;

private:
    void SetHotItem(int item);
    std::vector<long> m_values;
    std::vector<CString> m_tooltips;
    int m_hotItem = -1;
    int m_pressedItem = -1;
    long m_current = -1;
};

/// Solid, dash, dot, dash-dot, dash-dot-dot.
class TB_EXPORT CTBControlPenStyleSelector : public CTBControlStyleSelector {
public:
    /// A pen style selector with command id.
    explicit CTBControlPenStyleSelector(UINT id = 0);
    std::unique_ptr<CTBBarControl> Clone() const override;
    /// The chosen PS_ style; -1 when none.
    int GetPenStyle() const { return static_cast<int>(GetCurrentValue()); }
    /// Makes style (PS_SOLID ... PS_DASHDOTDOT) the current item.
    void SetPenStyle(int style) { SetCurrentValue(style); }

protected:
    void DrawSample(CDC* dc, int i, const CRect& rect) const override;
};

/// Widths 0 (the one-pixel pen) to 9.
class TB_EXPORT CTBControlPenWidthSelector : public CTBControlStyleSelector {
public:
    /// A pen width selector with command id.
    explicit CTBControlPenWidthSelector(UINT id = 0);
    std::unique_ptr<CTBBarControl> Clone() const override;
    /// The chosen width; -1 when none.
    int GetPenWidth() const { return static_cast<int>(GetCurrentValue()); }
    /// Makes width (0 to 9) the current item.
    void SetPenWidth(int width) { SetCurrentValue(width); }

protected:
    void DrawSample(CDC* dc, int i, const CRect& rect) const override;
};

/// Hollow, solid and the six hatches; a value is hatch << 16 | style.
class TB_EXPORT CTBControlBrushStyleSelector : public CTBControlStyleSelector {
public:
    /// A brush style selector with command id.
    explicit CTBControlBrushStyleSelector(UINT id = 0);
    std::unique_ptr<CTBBarControl> Clone() const override;
    /// The chosen BS_ style (low word of the value).
    UINT GetBrushStyle() const { return static_cast<UINT>(GetCurrentValue()) & 0xFFFF; }
    /// The chosen HS_ hatch (high word of the value).
    long GetBrushHatch() const { return (static_cast<unsigned long>(GetCurrentValue()) >> 16) & 0xFFFF; }
    /// Makes the item of style and hatch the current one.
    void SetBrushStyle(UINT style, long hatch) { SetCurrentValue((hatch << 16) | static_cast<long>(style)); }

protected:
    void DrawSample(CDC* dc, int i, const CRect& rect) const override;
};

/// The drop-down button that holds a selector on its popup bar.
class TB_EXPORT CTBControlPopupStyle : public CTBBarPopup {
public:
    /// A drop-down button with command id and caption; SetSelector puts the selector on its popup bar.
    explicit CTBControlPopupStyle(UINT id = 0, const char* caption = nullptr);
    std::unique_ptr<CTBBarControl> Clone() const override;
    /// Puts selector on the popup bar (taking it); returns it.
    CTBControlStyleSelector* SetSelector(std::unique_ptr<CTBControlStyleSelector> selector);
    /// The selector on the popup bar, null when there is none.
    CTBControlStyleSelector* GetSelector();
};

/// Base of the owner-drawn style combos: a drop-down list whose entries are samples.
class TB_EXPORT CTBStyleComboBox : public CTBComboBox {
public:
    /// Creates the combo with the drop-down-list and owner-drawn styles and its entries.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Replaces the template combo this object is attached to (SubclassDlgItem).
    BOOL CreateDialogControl();
    /// Draws one entry (its sample) in the state's colours.
    void DrawItem(DRAWITEMSTRUCT& item);

protected:
    CTBStyleComboBox();
    /// Number of entries the combo is filled with.
    virtual int EntryCount() const = 0;
    /// Draws entry index's sample into rect in colour.
    virtual void DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const = 0;

private:
    void Fill();
    COLORREF m_text, m_window, m_highlight, m_highlightText, m_grayText;
};

/// Line widths 1 to 7.
class TB_EXPORT CTBLineWidthComboBox : public CTBStyleComboBox {
public:
    /// Selects width (1 to 7); another width clears the selection.
    void SetCurSelLineWidth(int width) { SetCurSel(width - 1); }
    /// The selected width (1 to 7); 0 when none is selected.
    int GetCurSelLineWidth() const { return GetCurSel() + 1; }

protected:
    /// Seven widths.
    int EntryCount() const override { return 7; }
    /// A horizontal line of width index + 1.
    void DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const override;
};

/// Solid, dot, dash, dash-dot, dash-dot-dot.
class TB_EXPORT CTBLineStyleComboBox : public CTBStyleComboBox {
public:
    /// An unknown style selects the first entry (solid).
    void SetCurSelLineStyle(int style);
    /// The selected PS_ style; PS_SOLID when none is selected.
    int GetCurSelLineStyle() const;

protected:
    /// Five styles.
    int EntryCount() const override { return 5; }
    /// A horizontal line in the entry's style.
    void DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const override;
};

/// Solid, then the hatches horizontal, vertical, forward and back diagonal, cross and
/// diagonal cross.
class TB_EXPORT CTBBrushStyleComboBox : public CTBStyleComboBox {
public:
    /// Selects solid for BS_SOLID, else the entry of brush.lbHatch.
    void SetCurSelBrushStyle(LOGBRUSH brush);
    /// The selected brush: BS_SOLID (also when none is selected) or BS_HATCHED with its hatch; colour 0.
    LOGBRUSH GetCurSelBrushStyle() const;

protected:
    /// Solid and six hatches.
    int EntryCount() const override { return 7; }
    /// A rectangle filled with the entry's brush.
    void DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const override;
};

/// The framework's exception for a drawing object that cannot be made.
class TB_EXPORT CResourceException {};

/// A pen whose dashes and dots stay visible when it is wider than one pixel: such a
/// pen is made geometric. For a metafile context a plain pen is made (width 1
/// becoming 0), as metafiles keep plain pens only.
class TB_EXPORT CTBPen : public CPen {
public:
    CTBPen() = default;
    /// Throws CResourceException when the pen cannot be made.
    CTBPen(int style, int width, COLORREF colour, const CDC* dc = nullptr);
    /// A pen with style, width and a brush's colour (see CreatePen); throws CResourceException when it cannot be made.
    CTBPen(int style, int width, const LOGBRUSH* brush, const CDC* dc = nullptr, int styleCount = 0,
           const DWORD* styles = nullptr);
    /// Non-zero on success.
    BOOL CreatePen(int style, int width, COLORREF colour, const CDC* dc = nullptr);
    /// A geometric pen with a brush's colour; styleCount and styles (user dash
    /// lengths) are accepted and not used: dashes follow the style.
    BOOL CreatePen(int style, int width, const LOGBRUSH* brush, const CDC* dc = nullptr, int styleCount = 0,
                   const DWORD* styles = nullptr);
    /// May change pen: a width of 1 becomes 0 for a metafile context.
    BOOL CreatePenIndirect(LOGPEN* pen, const CDC* dc = nullptr);
};
