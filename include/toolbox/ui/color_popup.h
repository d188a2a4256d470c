/// \file
/// \brief A small colour picker that drops below a cell or button: a grid of colours.
// A small colour picker that drops below a cell or button: a grid of colours. The
// owner hears of a choice and of the popup closing through two messages.
#pragma once

#include <toolbox/ui/wnd.h>

/// A colour was chosen: wParam the colour (COLORREF), lParam the popup's id.
constexpr UINT TBWM_COLORPOPUP_SELENDOK = WM_USER + 2101;
/// The popup closed (after a choice, Escape or a click elsewhere): lParam its id.
constexpr UINT TBWM_COLORPOPUP_CLOSEUP = WM_USER + 2102;

/// A colour picker popup: a grid of 8 by 5 colours below a cell or button. The owner receives TBWM_COLORPOPUP_SELENDOK for a choice and TBWM_COLORPOPUP_CLOSEUP when it closes.
class TB_EXPORT CTBColorPopup : public CWnd {
public:
    static constexpr int kColumns = 8;  ///< Columns of the grid.
    static constexpr int kRows = 5;  ///< Rows of the grid.
    static constexpr int kCell = 18;  ///< Size of one cell in pixels.

    CTBColorPopup();
    ~CTBColorPopup() override;
    /// Opens the popup with its top-left corner at screen point, current colour marked;
    /// owner receives the messages. False when the window cannot be made.
    BOOL Create(CPoint screen, COLORREF current, CWnd* owner, UINT id = 0);
    /// The colour of cell index (row by row), the grid's colour count.
    static COLORREF GetColor(int index);
    /// Number of colours in the grid (40).
    static int GetColorCount() { return kColumns * kRows; }
    /// The cell at point (client coordinates), -1 when none.
    int HitTest(CPoint point) const;
    /// The cell under the mouse; -1 when none.
    int GetHotIndex() const { return m_hot; }
    /// The colour the popup opened with (marked in the grid).
    COLORREF GetCurrentColor() const { return m_current; }
    /// Chooses cell index as a click does: tells the owner, then closes.
    void Choose(int index);
    /// Closes the popup (the owner is told once).
    void Close();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    CRect CellRect(int index) const;
    CWnd* m_owner = nullptr;
    UINT m_id = 0;
    COLORREF m_current = 0;
    int m_hot = -1;
    bool m_closed = false;
};
