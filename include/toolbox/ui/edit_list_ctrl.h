// The editable grid: a report-view list whose cells are edited in place. Every cell may
// carry a definition (TB_SITEMDEF) that says how it is drawn and which editor opens on
// it; the list reports every edit to its parent window:
//
//   TBWM_LIST_CELL_WRITTEN (0x7E8)  sent    a value was written into a cell
//   TBWM_LIST_CONTEXTMENU  (0x7E9)  posted  lParam = MAKELPARAM(client y, client x)
//   TBWM_LIST_ROW_SELECTED (0x7EA)  posted  a row became selected and focused
//   TBWM_LIST_CELL_CHANGED (0x7EB)  posted  a cell's value changed (also per keystroke)
//   TBWM_LIST_BUTTON       (0x7F4)  sent    a button cell was activated
//   TBWM_LIST_CLICKED      (0x7F5)  sent    the list was clicked
//   TBWM_LIST_VALIDATE     (0x7F7)  sent    check a committed text; 0 accepts
//
// wParam is the list's control id, lParam MAKELPARAM(row, column) unless said.
// The editors are the in-place editors of <toolbox/ui/editors.h> (one of each kind,
// reused) placed over the cell; their messages come back to the list.
#pragma once

#include <toolbox/ui/controls.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/editors.h>

#include <memory>
#include <vector>

class CTBUnitComboBox;
class CTBPhysQuantComboBox;
class CTBColorPopup;

/// The edit types of the cells; the values are part of the interface.
enum TB_EnumEditTypes {
    TB_EDIT_NONE = 0,           ///< plain text, no editor
    TB_EDIT_TEXT = 1,           ///< single-line edit
    TB_EDIT_DROPLIST = 2,       ///< drop-down list, choices only
    TB_EDIT_DROPCOMBO = 3,      ///< drop-down combo, free text or a choice
    TB_EDIT_BROWSE = 4,         ///< browse box
    TB_EDIT_INDEX = 5,          ///< edit of the bracketed index of "name[i]"
    TB_EDIT_AUTONUMBER = 6,     ///< the row number, no editor
    TB_EDIT_CHECK = 7,          ///< check box, a click toggles
    TB_EDIT_CHECK_INACTIVE = 8, ///< check box, inactive
    TB_EDIT_REAL = 9,           ///< edit validated as a real number
    TB_EDIT_INTEGER = 10,       ///< edit validated as an integer
    TB_EDIT_COLOR = 11,         ///< colour swatch, colour popup
    TB_EDIT_BUTTON = 12,        ///< push button: the parent is told
    TB_EDIT_BROWSE_READONLY = 13,  ///< browse box with a read-only text field
    TB_EDIT_UNIT = 14,          ///< unit selector, unit notation drawn
    TB_EDIT_QUANTITY = 15,      ///< quantity selector
    TB_EDIT_UNIT_TEXT = 16,     ///< unit notation drawn, no editor
    TB_EDIT_IMAGE_CENTER = 17,  ///< image centred, no editor
    TB_EDIT_IMAGE_LEFT = 18,    ///< image at the left edge, no editor
    TB_EDIT_RADIO = 19,         ///< radio button, a click sets it
    TB_EDIT_RADIO_INACTIVE = 20 ///< radio button, inactive
};

// Messages to the parent (wParam = control id; lParam = MAKELPARAM(row, column) unless said).
constexpr UINT TBWM_LIST_CELL_WRITTEN = 0x7E8;  // sent
constexpr UINT TBWM_LIST_CONTEXTMENU = 0x7E9;   // posted, lParam = MAKELPARAM(y, x)
constexpr UINT TBWM_LIST_ROW_SELECTED = 0x7EA;  // posted
constexpr UINT TBWM_LIST_CELL_CHANGED = 0x7EB;  // posted
constexpr UINT TBWM_LIST_BUTTON = 0x7F4;        // sent
constexpr UINT TBWM_LIST_CLICKED = 0x7F5;       // sent
constexpr UINT TBWM_LIST_VALIDATE = 0x7F7;      // sent; parent returns 0 to accept

// Messages the list posts to itself when a committed text was rejected (wParam the
// cell as MAKELPARAM(row, column), lParam a CString* with a copy of the text).
constexpr UINT TBWM_LIST_REJECTED_BY_PARENT = 0x84C;
constexpr UINT TBWM_LIST_REJECTED_INDEX = 0x84D;
constexpr UINT TBWM_LIST_REJECTED_REAL = 0x84E;
constexpr UINT TBWM_LIST_REJECTED_INTEGER = 0x84F;

/// Images of equal size drawn by index (the image cells of the grid).
class TB_EXPORT CImageList {
public:
    CImageList();
    ~CImageList();
    BOOL Create(int width, int height);
    /// Adds the bitmap's image scaled to the list's size; its index, -1 on failure.
    int Add(CBitmap* bitmap);
    int GetImageCount() const;
    CSize GetImageSize() const { return m_size; }
    /// Draws image index with its top-left corner at point.
    BOOL Draw(CDC* dc, int index, POINT point) const;

private:
    CSize m_size;
    std::vector<std::unique_ptr<CBitmap>> m_images;
};

/// A cell's definition: edit type, list entries (comma-separated choices for combo
/// types, the browse kind for browse types) and the additional pointer (the browse
/// box's object, the image list of image cells).
struct TB_SITEMDEF {
    TB_EnumEditTypes type = TB_EDIT_NONE;
    CString listEntries;
    void* additional = nullptr;
};

class CTBEditListModel;
class CTBUnitHeaderCtrl;

class TB_EXPORT CTBEditListCtrl : public CWnd {
public:
    CTBEditListCtrl();
    ~CTBEditListCtrl() override;

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);  // LVS_REPORT etc.
    /// After SubclassDlgItem(id, parent): replaces the template's list placeholder
    /// (rect, id, style, z-order) by the grid.
    BOOL CreateDialogControl();

    // --- columns
    int InsertEditColumn(int col, const LVCOLUMN* column);
    int InsertEditColumn(int col, LPCTSTR name, int format = LVCFMT_LEFT, int width = -1);
    int InsertEditColumn(int col, UINT stringId, int format = LVCFMT_LEFT, int width = -1);
    BOOL DeleteEditColumn(int col);
    int GetColumnCount() const;
    int GetColumnWidth(int col) const;
    BOOL SetColumnWidth(int col, int width);
    BOOL SetEditColumnName(int col, LPCTSTR name);
    /// The header item's text (at most 259 characters).
    CString GetEditColumnName(int col) const;
    BOOL SetColumnData(int col, DWORD data);
    DWORD GetColumnData(int col) const;

    // --- rows and cells
    int InsertEditItem(int row, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    int InsertEditItem(int row, UINT stringId, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    int InsertEditItem(int row, LPCTSTR text, int image, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    int InsertEditItem(const LVITEM* item, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    int InsertEditItem(UINT mask, int row, LPCTSTR text, UINT state, UINT stateMask, int image, LPARAM data,
                       TB_EnumEditTypes type, LPCTSTR listEntries = nullptr, void* additional = nullptr);
    BOOL SetEditItemText(int row, int col, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                         void* additional = nullptr);
    BOOL SetEditItemText(int row, int col, UINT stringId, TB_EnumEditTypes type, UINT listEntriesId = 0,
                         void* additional = nullptr);
    /// The cell's text alone (the definition stays).
    BOOL SetItemText(int row, int col, LPCTSTR text);
    CString GetItemText(int row, int col) const;
    BOOL SetEditItemType(int row, int col, TB_EnumEditTypes type);
    /// The cell's type; TB_EDIT_NONE for cells without a definition or out of range.
    TB_EnumEditTypes GetEditItemType(int row, int col) const;
    /// Whether the cell has a definition at all.
    BOOL HasEditItemDef(int row, int col) const;
    BOOL SetEditItemListEntries(int row, int col, LPCTSTR entries, void* additional = nullptr);
    BOOL SetEditItemListEntries(int row, int col, UINT stringId, void* additional = nullptr);
    CString GetEditItemListEntries(int row, int col) const;
    void* GetEditItemAdditional(int row, int col) const;
    BOOL SetEditItemImage(int row, int image);
    int GetEditItemImage(int row) const;
    /// Empties the cell's text and drops its definition.
    BOOL DeleteEditItemText(int row, int col);
    BOOL DeleteEditItem(int row);
    BOOL DeleteAllEditItems();
    int GetItemCount() const;
    BOOL SetItemData(int row, DWORD_PTR data);
    DWORD_PTR GetItemData(int row) const;
    BOOL SetItemState(int row, UINT state, UINT mask);
    UINT GetItemState(int row, UINT mask) const;
    int GetNextItem(int start, UINT flags) const;
    UINT GetSelectedCount() const;
    /// Check and radio cells (types 7, 8, 19, 20): text "1" means checked.
    BOOL SetItemChecked(int row, int col, BOOL checked);
    BOOL IsItemChecked(int row, int col) const;
    /// Colour cells (type 11); GetItemColor gives 0 for other cells.
    BOOL SetItemColor(int row, int col, COLORREF colour);
    COLORREF GetItemColor(int row, int col) const;

    // --- look and layout
    /// unitHeader: the header draws unit notation in its captions (report view, once);
    /// faceColouredFixedCells: cells that cannot be edited in place get the face colour.
    void InitializeCtrl(int unitHeader, int faceColouredFixedCells);
    /// autoSize: all columns to their content; else the widths stored under
    /// section/entry of the settings ("w0,w1,...").
    void InitializeColumnSize(int autoSize, LPCTSTR section = nullptr, LPCTSTR entry = nullptr);
    /// Stores the column widths under section/entry (InitializeColumnSize reads them).
    void SaveColumnSize(LPCTSTR section, LPCTSTR entry) const;
    virtual void AutoSizeColumn(int col = -1);
    virtual void SortList(int col, bool ascending);
    /// Shows the sort arrow of the header on col (-1: none).
    void SetSortArrow(int col, BOOL ascending);
    void MoveUp();
    void MoveDown();
    BOOL EnsureVisible(int row, int col, BOOL partialOK);
    /// Makes cell (x column, y row) current; exclusive: its row the only selected one.
    void SelectItem(CPoint cell, BOOL exclusive = TRUE);
    /// The cell at point (client coordinates), (-1,-1) when none; type gets its type.
    CPoint FindItem(CPoint point, TB_EnumEditTypes& type) const;
    /// The cell's rectangle in client coordinates; false when out of range.
    BOOL GetCellRect(int row, int col, RECT* rect) const;
    int GetRowHeight() const;
    int GetTopIndex() const;

    // --- editing
    /// Opens the editor of cell (x column, y row); false when none opened.
    BOOL DoEdit(CPoint cell);
    BOOL CloseEdit(int commit);  // TRUE on success
    BOOL IsEditActive() const;
    CPoint GetSelectedItem() const;  // the current cell: x = column, y = row; (-1,-1) when none
    /// The open editor, null when none.
    CWnd* GetEditControl() const { return m_editor; }
    /// Hit width of check and radio cells.
    int GetCheckHitWidth() const { return m_checkHitWidth; }

    /// Draws cell (row, col) into rect of dc as the list does.
    void DrawCell(CDC& dc, int row, int col, const CRect& rect, BOOL selected);
    /// Draws the header captions into dc (the unit header's look), rect the header's.
    void DrawHeader(CDC& dc, const CRect& rect);

    /// Validation of the typed numbers: full match of the integer / real pattern.
    static BOOL IsValidInteger(const CString& text);
    static BOOL IsValidReal(const CString& text);
    /// Compares two cell texts as the sort does: integer value, then case-insensitive.
    static int CompareCellTexts(const CString& a, const CString& b);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnKeyDown(UINT vk, UINT repeat, UINT flags);
    LRESULT OnEditorChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnEditorFinish(WPARAM wParam, LPARAM lParam);
    LRESULT OnEditorCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnEditorMove(UINT message, LPARAM lParam);
    LRESULT OnRejected(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnColorChosen(WPARAM wParam, LPARAM lParam);
    LRESULT OnColorClosed(WPARAM wParam, LPARAM lParam);

private:
    friend class CTBEditListModel;
    friend class CTBEditListView;
    void SetUpView();
    const TB_SITEMDEF* Def(int row, int col) const;
    TB_SITEMDEF* Def(int row, int col);
    bool ValidCell(int row, int col) const;
    void SetDef(int row, int col, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR entries, void* additional);
    void NotifyParent(UINT message, int row, int col, bool post);
    void WriteCell(int row, int col, const CString& text);
    bool CommitOrStop();
    void DestroyEditor();
    bool OpenEditor(int row, int col, const CRect& rect);
    bool WalkToNextEditor(UINT direction);
    void RenumberFrom(int row);
    void SwapRows(int a, int b, bool withItem);
    void QuickSort(int col, int low, int high, bool ascending);
    void ClickCheckCell(int row, int col, TB_EnumEditTypes type);
    void OpenFirstEditable();
    void Remeasure();
    static bool IsEditableType(TB_EnumEditTypes type);
    static bool IsFixedType(TB_EnumEditTypes type);

    CTBEditListModel* m_model = nullptr;
    class CTBEditListView* m_view = nullptr;
    CTBUnitHeaderCtrl* m_unitHeader = nullptr;
    std::vector<DWORD> m_columnData;
    CPoint m_current{-1, -1};
    CPoint m_editing{-1, -1};
    CWnd* m_editor = nullptr;
    CString m_textBeforeEdit;
    int m_checkHitWidth = 20;
    /// Height of the largest image of the cells' image lists (rows are at least as high).
    int m_imageHeight = 0;
    int m_faceColouredFixedCells = 1;
    bool m_unitHeaderInstalled = false;
    /// Set once any cell became auto-numbered: until then deletions renumber nothing.
    bool m_hasAutoNumbers = false;
    bool m_closing = false;
    std::unique_ptr<CTBOwnEdit> m_edit;
    std::unique_ptr<CTBOwnComboBox> m_combo;
    std::unique_ptr<CTBOwnBrowseBox> m_browse;
    std::unique_ptr<CTBColorPopup> m_colorPopup;
    std::unique_ptr<CTBUnitComboBox> m_unitCombo;
    std::unique_ptr<CTBPhysQuantComboBox> m_quantityCombo;
    /// Copies of rejected texts until their message is handled.
    std::vector<std::unique_ptr<CString>> m_rejected;
    /// Destroys the colour popup once it has left its own handler.
    static constexpr UINT kDestroyPopupMessage = 0xA2E8;
    DECLARE_MESSAGE_MAP()
};

/// The click that opened the current editor: its position (list client coordinates)
/// and a flag set only while that editor is being opened.
struct TB_EXPORT TBClickStart {
    CPoint point;
    BOOL active = FALSE;
};
TB_EXPORT TBClickStart& TBGetClickStart();
