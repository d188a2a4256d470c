/// \file
/// \brief Controls that show and pick units and quantities of the unit catalogue, and the material combo boxes.
// Controls that show and pick units and quantities of the unit catalogue, and the
// material combo boxes. Unit notation ("k\Ohm\", "m\2super\", "\degree\C") is drawn
// with its symbols (kΩ, m², °C).
//
// The unit edit tells its parent which unit the user picked from its context menu's
// "Transform" submenu by posting TBWM_UNIT_SELECTED: wParam the edit's control id,
// lParam the CUnit* (an object of the unit edit's own catalogue). The edit's text
// stays as it is: converting the value is the parent's business.
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/ui/editors.h>

#include <map>

class CUnit;
class CCreateContext;

constexpr UINT TBWM_UNIT_SELECTED = WM_USER + 1014;  ///< Unit edit to parent (posted): the user picked a unit of "Transform"; wParam the edit's control id, lParam the CUnit*.

/// First and last command ids of the units in the "Transform" submenu.
///@{
constexpr UINT TB_UNIT_COMMAND_FIRST = 40000;
constexpr UINT TB_UNIT_COMMAND_LAST = 40100;
///@}

/// Edit whose context menu offers the units of a quantity ("Transform").
class TB_EXPORT CTBUnitEdit : public CEdit {
public:
    /// text is not used: the edit starts empty. An unknown quantity offers no units.
    BOOL Create(LPCTSTR text, LPCTSTR quantity, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr);
    /// Create with extended style exStyle.
    BOOL CreateEx(LPCTSTR text, LPCTSTR quantity, DWORD style, DWORD exStyle, const RECT& rect, CWnd* parent, UINT id,
                  CCreateContext* context = nullptr);
    /// Replaces the template control this object is attached to (SubclassDlgItem).
    int CreateDialogControl(LPCTSTR quantity);
    /// The units the menu offers, in the quantity's list order.
    const CArray<CUnit*>& GetUnitList() const { return m_units; }
    /// The unit the user typed after the value ("4.7 kΩ", "37 degC", "10uF"), found
    /// among the offered units in every spelling TBMatchUnit accepts; value, when
    /// given, receives the text before it, trimmed. Null when the text names none of
    /// them or names two (an ambiguous spelling).
    CUnit* GetTypedUnit(CString* value = nullptr) const;
    /// Posts TBWM_UNIT_SELECTED for a "Transform" command id.
    void OnSelectUnit(UINT id);
    /// Loads menu 4404 into menu and prepares its "UnitEdit" popup as the context menu
    /// shows it (the units under "Transform"); the popup, null when there is none.
    CMenu* PrepareContextMenu(CMenu& menu);

protected:
    /// Shows the "UnitEdit" menu (Undo, Cut, Copy, Paste, Select All and the "Transform" units) at point, screen coordinates.
    void OnContextMenu(CWnd* wnd, CPoint point);
    /// Undoes the last edit.
    void OnEditUndo();
    /// Cuts the selection to the clipboard.
    void OnEditCut();
    /// Copies the selection to the clipboard.
    void OnEditCopy();
    /// Pastes the clipboard's text.
    void OnEditPaste();
    /// Selects the whole text.
    void OnEditSelectAll();
    /// Enabled when there is an edit to undo and the edit is not read-only.
    void OnUpdateEditUndo(CCmdUI* ui);
    /// Enabled when there is a selection and the edit is not read-only.
    void OnUpdateEditCut(CCmdUI* ui);
    /// Enabled when there is a selection.
    void OnUpdateEditCopy(CCmdUI* ui);
    /// Enabled when the clipboard holds text and the edit is not read-only.
    void OnUpdateEditPaste(CCmdUI* ui);
    /// Enabled when there is text.
    void OnUpdateEditSelectAll(CCmdUI* ui);
    /// True when ES_READONLY is set.
    bool IsReadOnly() const { return (GetStyle() & ES_READONLY) != 0; }
    /// True when the selection is not empty.
    bool HasSelection() const;
    DECLARE_MESSAGE_MAP()

private:
    void FillUnits(LPCTSTR quantity);
    CArray<CUnit*> m_units;
    std::map<UINT, CUnit*> m_commands;
};

/// Drop-down of the units of a quantity, drawn with their symbols.
class TB_EXPORT CTBUnitComboBox : public CTBOwnComboBox {
public:
    CTBUnitComboBox();
    /// Creates the drop-down with the units of quantity (from the shared catalogue) and selects unit; FALSE when the window cannot be made.
    BOOL Create(LPCTSTR unit, LPCTSTR quantity, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr);
    /// Replaces the template combo this object is attached to (SubclassDlgItem) and fills it with the units of quantity; 1 on success, 0 otherwise.
    int CreateDialogControl(LPCTSTR quantity);
    /// The quantity's units from the shared catalogue; disabled when there are none.
    void FillCombo(LPCTSTR quantity);
    /// Draws one entry: background and text colour by state, the acronym with symbols.
    void DrawItem(DRAWITEMSTRUCT& item);

private:
    /// Creation with the whole dropped rectangle (edit part and list) given.
    BOOL CreateDropped(LPCTSTR unit, LPCTSTR quantity, DWORD style, const RECT& dropped, CWnd* parent, UINT id);

    COLORREF m_highlight, m_highlightText, m_face, m_buttonText, m_window, m_windowText, m_face2, m_grayText;
};

/// Drop-down of every quantity of the shared catalogue, sorted, with an empty first entry.
class TB_EXPORT CTBPhysQuantComboBox : public CTBOwnComboBox {
public:
    /// Creates the drop-down of every quantity and selects selected; FALSE (and no window) when the catalogue has no quantity.
    BOOL Create(LPCTSTR selected, LPCTSTR unused, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr);
    /// Fills the list with the catalogue's quantities, sorted, after an empty entry.
    void FillCombo();
};

/// Static text that draws unit notation with symbols; disabled text is drawn twice
/// (white, then grey one pixel up and left).
class TB_EXPORT CTBUnitStatic : public CStatic {
public:
    CTBUnitStatic();
    /// Replaces the template static this object is attached to (SubclassDlgItem); 1 on success, 0 otherwise.
    int CreateDialogControl();
    /// The text to draw; the window text unless a derived class says otherwise.
    virtual void GetWindowTextA(CString& text) const;
    /// Whether a focus rectangle is drawn around the text.
    virtual BOOL HasFocus() const { return FALSE; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    /// Draws the static into dc, as its painting does.
    void DrawTo(CDC& dc);

protected:
    /// Colours of the background, the text and disabled text (system colours when made).
    ///@{
    COLORREF m_background, m_text, m_disabledText;
    ///@}
};

/// Check box whose label is a unit static showing the unit text.
class TB_EXPORT CTBUnitCheckBox : public CButton {
public:
    CTBUnitCheckBox();
    ~CTBUnitCheckBox() override;
    /// Creates the check box with the unit static label showing text; FALSE when the window cannot be made.
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Replaces the template check box this object is attached to (SubclassDlgItem); 1 on success, 0 otherwise.
    int CreateDialogControl();
    /// The label's text; setting it does not repaint.
    void SetUnitText(LPCTSTR text) { m_unitText = text ? text : ""; }
    /// The label's text.
    const CString& GetUnitText() const { return m_unitText; }
    /// The label that draws the unit text; owned by the check box, null before Create.
    CTBUnitStatic* GetLabel() const;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceLabel(int width, int height);
    std::unique_ptr<CTBUnitStatic> m_label;
    CString m_unitText;
};

/// Drop-down of the conductor materials of the shared materials catalogue.
class TB_EXPORT CTBConductorMaterialComboBox : public CTBOwnComboBox {
public:
    /// 0 (and no window) when no material has conductor data.
    BOOL Create(LPCTSTR selected, LPCTSTR unused, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr);
    /// Fills the list with the conductor materials of the shared catalogue.
    void FillCombo();
};

/// Drop-down of the insulator materials of the shared materials catalogue.
class TB_EXPORT CTBInsulatorMaterialComboBox : public CTBOwnComboBox {
public:
    /// Creates the drop-down of insulator materials and selects selected; 0 (and no window) when no material has insulator data.
    BOOL Create(LPCTSTR selected, LPCTSTR unused, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr);
    /// Fills the list with the insulator materials of the shared catalogue.
    void FillCombo();
};

/// The text of unit notation with its symbols as Unicode (UTF-8): "`k\Ohm\`" → "kΩ".
TB_EXPORT CString TBUnitNotationText(const CString& notation);
/// Draws unit notation into rect with the context's font and colours, as DrawText
/// with format; the height drawn (DT_CALCRECT: sets rect's size, draws nothing).
TB_EXPORT int TBDrawUnitNotation(CDC* dc, const CString& notation, RECT* rect, UINT format);
