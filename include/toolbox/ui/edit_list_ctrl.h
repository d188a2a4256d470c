/// \file
/// \brief The editable grid: a report-view list whose cells are edited in place.
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
    TB_EDIT_CHECK_INACTIVE = 8,  ///< check box, inactive
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
    TB_EDIT_RADIO_INACTIVE = 20  ///< radio button, inactive
};

/// Messages to the parent (wParam = control id; lParam = MAKELPARAM(row, column) unless said).
///@{
constexpr UINT TBWM_LIST_CELL_WRITTEN = 0x7E8;  // sent
constexpr UINT TBWM_LIST_CONTEXTMENU = 0x7E9;   // posted, lParam = MAKELPARAM(y, x)
constexpr UINT TBWM_LIST_ROW_SELECTED = 0x7EA;  // posted
constexpr UINT TBWM_LIST_CELL_CHANGED = 0x7EB;  // posted
constexpr UINT TBWM_LIST_BUTTON = 0x7F4;        // sent
constexpr UINT TBWM_LIST_CLICKED = 0x7F5;       // sent
constexpr UINT TBWM_LIST_VALIDATE = 0x7F7;      // sent; parent returns 0 to accept
///@}

/// Messages the list posts to itself when a committed text was rejected (wParam the
/// cell as MAKELPARAM(row, column), lParam a CString* with a copy of the text).
///@{
constexpr UINT TBWM_LIST_REJECTED_BY_PARENT = 0x84C;
constexpr UINT TBWM_LIST_REJECTED_INDEX = 0x84D;
constexpr UINT TBWM_LIST_REJECTED_REAL = 0x84E;
constexpr UINT TBWM_LIST_REJECTED_INTEGER = 0x84F;
///@}

/// Images of equal size drawn by index (the image cells of the grid).
class TB_EXPORT CImageList {
public:
    CImageList();
    ~CImageList();
    /// Makes the list empty, for images of width by height pixels; FALSE when a side is 0 or less.
    BOOL Create(int width, int height);
    /// Adds the bitmap's image scaled to the list's size; its index, -1 on failure.
    int Add(CBitmap* bitmap);
    /// Number of images.
    int GetImageCount() const;
    /// Size every image is drawn at.
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
    TB_EnumEditTypes type = TB_EDIT_NONE;  ///< How the cell is drawn and which editor opens on it.
    CString listEntries;  ///< Comma-separated choices of a list cell, or the browse kind of a browse cell.
    void* additional = nullptr;  ///< The browse box object of a browse cell or the CImageList of an image cell; not owned by the grid.
};

class CTBEditListModel;
class CTBUnitHeaderCtrl;
class CTBEditListEditors;

/// The editable grid: a report list whose cells are edited in place by the editor their TB_SITEMDEF names; tells its parent about every edit (TBWM_LIST_... messages, wParam the control id, lParam MAKELPARAM(row, column)).
class TB_EXPORT CTBEditListCtrl : public CWnd {
public:
    CTBEditListCtrl();
    ~CTBEditListCtrl() override;

    /// Creates the grid as child id of parent (LVS_SINGLESEL: one selected row at a time; WS_DISABLED applies); FALSE when the object already has a window.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);  // LVS_REPORT etc.
    /// After SubclassDlgItem(id, parent): replaces the template's list placeholder
    /// (rect, id, style, z-order) by the grid.
    BOOL CreateDialogControl();

    // --- columns
    /// Inserts a column described by column (LVCF_TEXT, LVCF_FMT, LVCF_WIDTH); its index, -1 for null or on failure.
    int InsertEditColumn(int col, const LVCOLUMN* column);
    /// Inserts a column at col (clamped to the columns) with heading name, LVCFMT_ alignment and width (-1: fit the heading); its index, -1 when an open editor refuses to close.
    int InsertEditColumn(int col, LPCTSTR name, int format = LVCFMT_LEFT, int width = -1);
    /// InsertEditColumn with the heading from string table entry stringId.
    int InsertEditColumn(int col, UINT stringId, int format = LVCFMT_LEFT, int width = -1);
    /// Deletes a column and the cells in it (an open editor is cancelled); FALSE for a bad index.
    BOOL DeleteEditColumn(int col);
    /// Number of columns.
    int GetColumnCount() const;
    /// Width of a column in pixels; 0 for a bad index.
    int GetColumnWidth(int col) const;
    /// Sets a column's width in pixels; FALSE for a bad index.
    BOOL SetColumnWidth(int col, int width);
    /// Sets a column's heading; FALSE for a bad index.
    BOOL SetEditColumnName(int col, LPCTSTR name);
    /// The header item's text (at most 259 characters).
    CString GetEditColumnName(int col) const;
    /// Stores the host's value with a column; FALSE for a bad index.
    BOOL SetColumnData(int col, DWORD data);
    /// The host's value of a column; 0 for a bad index.
    DWORD GetColumnData(int col) const;

    // --- rows and cells
    /// Inserts a row at row (clamped to the rows) whose first cell has text and the definition type, listEntries, additional; its index, -1 without columns. An auto-number cell gets the row number.
    int InsertEditItem(int row, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    /// InsertEditItem with the text from string table entry stringId.
    int InsertEditItem(int row, UINT stringId, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    /// InsertEditItem with the row's image index (an image cell draws image from its CImageList).
    int InsertEditItem(int row, LPCTSTR text, int image, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    /// InsertEditItem from an LVITEM (LVIF_TEXT, LVIF_IMAGE, LVIF_STATE, LVIF_PARAM); -1 for null.
    int InsertEditItem(const LVITEM* item, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                       void* additional = nullptr);
    /// InsertEditItem with every LVITEM member given one by one.
    int InsertEditItem(UINT mask, int row, LPCTSTR text, UINT state, UINT stateMask, int image, LPARAM data,
                       TB_EnumEditTypes type, LPCTSTR listEntries = nullptr, void* additional = nullptr);
    /// Sets a cell's text and definition; FALSE for a cell out of range.
    BOOL SetEditItemText(int row, int col, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries = nullptr,
                         void* additional = nullptr);
    /// SetEditItemText with text and list entries from the string table (listEntriesId 0: none).
    BOOL SetEditItemText(int row, int col, UINT stringId, TB_EnumEditTypes type, UINT listEntriesId = 0,
                         void* additional = nullptr);
    /// The cell's text alone (the definition stays).
    BOOL SetItemText(int row, int col, LPCTSTR text);
    /// A cell's text; empty for a cell out of range.
    CString GetItemText(int row, int col) const;
    /// Changes a cell's edit type (the definition is made when the cell has none); FALSE for a cell out of range.
    BOOL SetEditItemType(int row, int col, TB_EnumEditTypes type);
    /// The cell's type; TB_EDIT_NONE for cells without a definition or out of range.
    TB_EnumEditTypes GetEditItemType(int row, int col) const;
    /// Whether the cell has a definition at all.
    BOOL HasEditItemDef(int row, int col) const;
    /// Sets a cell's list entries and additional pointer; FALSE for a cell out of range.
    BOOL SetEditItemListEntries(int row, int col, LPCTSTR entries, void* additional = nullptr);
    /// SetEditItemListEntries with the entries from string table entry stringId.
    BOOL SetEditItemListEntries(int row, int col, UINT stringId, void* additional = nullptr);
    /// A cell's list entries; empty for a cell without a definition.
    CString GetEditItemListEntries(int row, int col) const;
    /// A cell's additional pointer; null for a cell without a definition.
    void* GetEditItemAdditional(int row, int col) const;
    /// Sets the row's image index; FALSE for a bad row.
    BOOL SetEditItemImage(int row, int image);
    /// The row's image index; -1 for a bad row or none.
    int GetEditItemImage(int row) const;
    /// Empties the cell's text and drops its definition.
    BOOL DeleteEditItemText(int row, int col);
    /// Deletes a row (an open editor is cancelled); auto-numbered cells below are renumbered. FALSE for a bad row.
    BOOL DeleteEditItem(int row);
    /// Deletes every row.
    BOOL DeleteAllEditItems();
    /// Number of rows.
    int GetItemCount() const;
    /// Stores the host's value with a row; FALSE for a bad row.
    BOOL SetItemData(int row, DWORD_PTR data);
    /// The host's value of a row; 0 for a bad row.
    DWORD_PTR GetItemData(int row) const;
    /// Sets the LVIS_ state bits of mask of a row (selection, focus); FALSE for a bad row.
    BOOL SetItemState(int row, UINT state, UINT mask);
    /// The LVIS_ state bits of mask of a row.
    UINT GetItemState(int row, UINT mask) const;
    /// The next row after start (-1: from the first) with the LVNI_ flags (LVNI_SELECTED, LVNI_FOCUSED); -1 when none.
    int GetNextItem(int start, UINT flags) const;
    /// Number of selected rows.
    UINT GetSelectedCount() const;
    /// Check and radio cells (types 7, 8, 19, 20): text "1" means checked.
    BOOL SetItemChecked(int row, int col, BOOL checked);
    /// True when a check or radio cell's text is "1".
    BOOL IsItemChecked(int row, int col) const;
    /// Colour cells (type 11); GetItemColor gives 0 for other cells.
    BOOL SetItemColor(int row, int col, COLORREF colour);
    /// The colour of a colour cell; 0 for other cells.
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
    /// Fits column col (-1: every column) to its heading and texts.
    virtual void AutoSizeColumn(int col = -1);
    /// Sorts the rows by the texts of col (numbers by value, then case-insensitive); nothing for a column of auto-number cells or when an open editor refuses to close.
    virtual void SortList(int col, bool ascending);
    /// Shows the sort arrow of the header on col (-1: none).
    void SetSortArrow(int col, BOOL ascending);
    /// Moves the selected rows up by one row.
    void MoveUp();
    /// Moves the selected rows down by one row.
    void MoveDown();
    /// Scrolls cell (row, col) into view; FALSE for a cell out of range.
    BOOL EnsureVisible(int row, int col, BOOL partialOK);
    /// Makes cell (x column, y row) current; exclusive: its row the only selected one.
    void SelectItem(CPoint cell, BOOL exclusive = TRUE);
    /// The cell at point (client coordinates), (-1,-1) when none; type gets its type.
    CPoint FindItem(CPoint point, TB_EnumEditTypes& type) const;
    /// The cell's rectangle in client coordinates; false when out of range.
    BOOL GetCellRect(int row, int col, RECT* rect) const;
    /// Height of a row in pixels.
    int GetRowHeight() const;
    /// Index of the first visible row.
    int GetTopIndex() const;

    // --- editing
    /// Opens the editor of cell (x column, y row); false when none opened.
    BOOL DoEdit(CPoint cell);
    /// Closes the open editor: commit 1 checks the text (integer, real, index cells; TBWM_LIST_VALIDATE to the parent) and writes it, 0 restores the text before the edit. TRUE when closed (or none was open), FALSE when the text was rejected and the editor stays.
    BOOL CloseEdit(int commit);  // TRUE on success
    /// True while an editor is open.
    BOOL IsEditActive() const;
    /// The current cell: x column, y row; (-1, -1) when none.
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
    /// True when text is a whole real number (sign, digits, decimal point, exponent).
    static BOOL IsValidReal(const CString& text);
    /// Compares two cell texts as the sort does: integer value, then case-insensitive.
    static int CompareCellTexts(const CString& a, const CString& b);

    /// The grid's handling of every message (mouse, keys, the editors' messages).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    /// Makes the cell under the mouse current (committing an open editor first); a click on a check or radio cell toggles or sets it.
    void OnLButtonDown(UINT flags, CPoint point);
    /// TBWM_LIST_CLICKED to the parent; a second click on the current cell opens its editor.
    void OnLButtonUp(UINT flags, CPoint point);
    /// F2 opens the first editor of the current row; other keys commit an open editor and move the current row as the list does.
    void OnKeyDown(UINT vk, UINT repeat, UINT flags);
    /// An editor's text changed: TBWM_LIST_CELL_CHANGED to the parent.
    LRESULT OnEditorChanged(WPARAM wParam, LPARAM lParam);
    /// An editor finished (Enter, focus lost): commits the text.
    LRESULT OnEditorFinish(WPARAM wParam, LPARAM lParam);
    /// An editor was cancelled (Esc): restores the text.
    LRESULT OnEditorCancel(WPARAM wParam, LPARAM lParam);
    /// An editor asked to move (Tab, Shift+Tab, arrows): commits and opens the next cell's editor.
    LRESULT OnEditorMove(UINT message, LPARAM lParam);
    /// A committed text was rejected: a message box for integer, real and index cells, then the editor opens again with the rejected text.
    LRESULT OnRejected(UINT message, WPARAM wParam, LPARAM lParam);
    /// The colour popup chose a colour: writes the colour cell.
    LRESULT OnColorChosen(WPARAM wParam, LPARAM lParam);
    /// The colour popup closed without a choice.
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
    void DestroyEditor();
    /// DoEdit for a cell; click is where the mouse opened it (list client coordinates), null for keys.
    BOOL EditCell(CPoint cell, const CPoint* click);
    bool OpenEditor(int row, int col, const CRect& rect);
    bool IsColourPopup(const CWnd* editor) const;
    bool WalkToNextEditor(UINT direction);
    void RenumberFrom(int row);
    void SwapRows(int a, int b, bool withItem);
    void QuickSort(int col, int low, int high, bool ascending);
    void ClickCheckCell(int row, int col, TB_EnumEditTypes type);
    void OpenFirstEditable();
    void Remeasure();

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
    /// One editor of each kind, made at first use and reused.
    std::unique_ptr<CTBEditListEditors> m_editors;
    /// Copies of rejected texts until their message is handled.
    std::vector<std::unique_ptr<CString>> m_rejected;
    /// Destroys the colour popup once it has left its own handler.
    static constexpr UINT kDestroyPopupMessage = 0xA2E8;
    DECLARE_MESSAGE_MAP()
};
