/// \file
/// \brief The standard controls.
// The standard controls. Each class is a thin window object: its members send the
// control's messages (EM_, BM_, CB_, LB_), which the control's native handling carries
// out, so that a derived class or a parent's subclass can see and change them. The
// controls report to their parents with WM_COMMAND and WM_NOTIFY in the order the
// system's controls do.
#pragma once

#include <toolbox/ui/wnd.h>

class CBitmap;

/// A single- or multi-line text field; its members send the EM_ messages, so a subclass or the parent sees them.
class TB_EXPORT CEdit : public CWnd {
public:
    /// ES_MULTILINE makes a multi-line edit; ES_READONLY, ES_PASSWORD, ES_NUMBER apply.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Selects the bytes from start to end (-1 for end: to the end of the text; start -1 removes the selection); scrolls the caret into view unless noScroll.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    /// Selects start in the low word and end in the high word of selection, as EM_GETSEL returns it.
    void SetSel(DWORD selection, BOOL noScroll = FALSE);
    /// The selection: start in the low word, end in the high word.
    DWORD GetSel() const;
    /// The selection's start and end, byte positions.
    void GetSel(int& start, int& end) const;
    /// Replaces the selection (or inserts at the caret) by text; canUndo is accepted, the change is always an undo step.
    void ReplaceSel(LPCTSTR text, BOOL canUndo = FALSE);
    /// Limits the text to max bytes; 0 lifts the limit.
    void LimitText(int max = 0);
    /// Makes the field read-only or editable; returns TRUE.
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    /// Number of lines (1 for an empty field).
    int GetLineCount() const;
    /// Position of the first byte of line (-1: the caret's line); -1 when the line does not exist.
    int LineIndex(int line = -1) const;
    /// Length of the line that holds charIndex (-1: the caret's line).
    int LineLength(int charIndex = -1) const;
    /// Line number (0-based) of the byte at charIndex (-1: the caret's line).
    int LineFromChar(int charIndex = -1) const;
    /// Copies line into buffer (at most maxLength bytes, no terminating zero); the count.
    int GetLine(int line, LPTSTR buffer, int maxLength) const;
    /// True when the user or a call changed the text since SetModify(FALSE).
    BOOL GetModify() const;
    /// Sets or clears the modified flag.
    void SetModify(BOOL modified = TRUE);
    /// True when there is an edit to take back.
    BOOL CanUndo() const;
    /// Takes back the last edit (nothing when there is none); returns TRUE.
    BOOL Undo();
    /// Moves the selection to the clipboard.
    void Cut() { SendMessage(WM_CUT); }
    /// Copies the selection to the clipboard.
    void Copy() { SendMessage(WM_COPY); }
    /// Replaces the selection by the clipboard's text.
    void Paste() { SendMessage(WM_PASTE); }
    /// Deletes the selection.
    void Clear() { SendMessage(WM_CLEAR); }

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return const_cast<CEdit*>(this)->SendMessage(message, wParam, lParam);
    }
};

/// A multi-line edit with character formats: per-range text colour and bold for the
/// colouring editor, character-range selection and finding with case and whole word.
class TB_EXPORT CRichEditCtrl : public CEdit {
public:
    /// Creates the rich edit; the style flags of CEdit::Create apply (ES_MULTILINE is implied).
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Selects the range (cpMin 0 and cpMax -1: the whole text).
    void SetSel(CHARRANGE& range) { SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    /// Selects the characters from start to end.
    void SetSel(int start, int end) { CEdit::SetSel(start, end); }
    /// The selection as a character range.
    void GetSel(CHARRANGE& range) const {
        const_cast<CRichEditCtrl*>(this)->SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    /// Applies format to the selection (SCF_SELECTION) or the whole text (SCF_ALL).
    BOOL SetSelectionCharFormat(CHARFORMAT& format) { return SetCharFormat(SCF_SELECTION, format); }
    /// Applies format to the whole text and to text typed later.
    BOOL SetDefaultCharFormat(CHARFORMAT& format) { return SetCharFormat(SCF_ALL, format); }
    /// The format of the selection's first character.
    DWORD GetSelectionCharFormat(CHARFORMAT& format) const;
    /// Colours [start, end) without touching the selection, the scroll position or the
    /// modified flag; only the lines of the range are laid out again. Many ranges
    /// between WM_SETREDRAW FALSE and TRUE are laid out once. Colours of a loaded text
    /// are no undo step; after an edit, Undo takes back the edit and its colours.
    BOOL SetRangeFormat(int start, int end, COLORREF color, BOOL bold = FALSE);
    /// FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD; the start of the text found or -1.
    int FindText(DWORD flags, FINDTEXTEX& find) const {
        return static_cast<int>(
            const_cast<CRichEditCtrl*>(this)->SendMessage(EM_FINDTEXTEX, flags, reinterpret_cast<LPARAM>(&find)));
    }

private:
    BOOL SetCharFormat(WPARAM which, CHARFORMAT& format) {
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, which, reinterpret_cast<LPARAM>(&format)));
    }
};

/// Push button, check box, radio button or group box; clicks reach the parent as WM_COMMAND BN_CLICKED.
class TB_EXPORT CButton : public CWnd {
public:
    /// BS_ style: push, default push, check boxes, radio buttons, group box, owner-drawn.
    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    int GetCheck() const;
    /// Sets BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE (no BN_CLICKED follows).
    void SetCheck(int check);
    /// The check state in the low bits, with BST_PUSHED while pressed and BST_FOCUS while focused.
    UINT GetState() const;
    /// Shows the button pressed (TRUE) or released.
    void SetState(BOOL highlight);
    /// The BS_ style of the button.
    UINT GetButtonStyle() const;
    /// Shows bitmap on the button (BS_BITMAP); the bitmap stays the caller's.
    void SetBitmap(CBitmap* bitmap);
    /// Clicks the button as the user would (BN_CLICKED follows).
    void Click() { SendMessage(BM_CLICK); }
};

/// A text or frame a dialog shows; STN_CLICKED reaches the parent when SS_NOTIFY is set.
class TB_EXPORT CStatic : public CWnd {
public:
    /// A static text (SS_LEFT, SS_CENTER, SS_RIGHT, frames with SS_ETCHEDHORZ...); id 0xFFFF for one the program never addresses.
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

/// A drop-down list with or without an edit field; changes reach the parent as WM_COMMAND CBN_ notifications.
class TB_EXPORT CComboBox : public CWnd {
public:
    /// CBS_DROPDOWN (with edit field), CBS_DROPDOWNLIST, CBS_SIMPLE; CBS_SORT,
    /// CBS_OWNERDRAWFIXED (items drawn by the parent through WM_DRAWITEM).
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Adds an entry at the end (sorted into place with CBS_SORT); its index, CB_ERR on failure.
    int AddString(LPCTSTR text);
    /// Inserts an entry at index (-1: at the end); its index, CB_ERR for a bad index.
    int InsertString(int index, LPCTSTR text);
    /// Deletes the entry at index; the number of entries left, CB_ERR for a bad index.
    int DeleteString(UINT index);
    /// Deletes every entry and clears the edit field.
    void ResetContent();
    /// Number of entries.
    int GetCount() const;
    /// Index of the selected entry; CB_ERR when none is selected.
    int GetCurSel() const;
    /// Selects the entry at index (-1 or a bad index clears the selection); index, or CB_ERR when nothing is selected.
    int SetCurSel(int index);
    /// Copies the text of entry index into text; its length, CB_ERR for a bad index.
    int GetLBText(int index, CString& text) const;
    /// Length of the text of entry index; CB_ERR for a bad index.
    int GetLBTextLen(int index) const;
    /// First entry after start whose text begins with text (case-insensitive), wrapping.
    int FindString(int start, LPCTSTR text) const;
    /// First entry after start equal to text (case-insensitive), wrapping.
    int FindStringExact(int start, LPCTSTR text) const;
    /// Selects the first entry after start whose text begins with text (case-insensitive); its index, CB_ERR when none.
    int SelectString(int start, LPCTSTR text);
    /// Stores the host's value with entry index; CB_ERR for a bad index.
    int SetItemData(int index, DWORD_PTR data);
    /// The host's value of entry index; CB_ERR for a bad index.
    DWORD_PTR GetItemData(int index) const;
    /// Opens or closes the drop-down list.
    void ShowDropDown(BOOL show = TRUE);
    /// True while the drop-down list is open.
    BOOL GetDroppedState() const;
    /// The rectangle of the open drop-down list in screen coordinates.
    void GetDroppedControlRect(RECT* rect) const;
    /// Limits the edit field to max bytes (0: 32767); TRUE.
    BOOL LimitText(int max);
    /// The edit field's selection: start in the low word, end in the high word.
    DWORD GetEditSel() const;
    /// Selects start to end in the edit field; CB_ERR for a drop-down list without one.
    BOOL SetEditSel(int start, int end);

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return const_cast<CComboBox*>(this)->SendMessage(message, wParam, lParam);
    }
};

/// A list of text entries with single or multiple selection; changes reach the parent as WM_COMMAND LBN_ notifications.
class TB_EXPORT CListBox : public CWnd {
public:
    /// LBS_NOTIFY, LBS_SORT, LBS_MULTIPLESEL, LBS_EXTENDEDSEL, LBS_OWNERDRAWFIXED apply.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Adds an entry at the end (sorted into place with LBS_SORT); its index.
    int AddString(LPCTSTR text);
    /// Inserts an entry at index (-1: at the end); its index, LB_ERR for a bad index.
    int InsertString(int index, LPCTSTR text);
    /// Deletes the entry at index; the number of entries left, LB_ERR for a bad index.
    int DeleteString(UINT index);
    /// Deletes every entry.
    void ResetContent();
    /// Number of entries.
    int GetCount() const;
    /// Index of the selected entry (the focused one in a multiple-selection list); LB_ERR when none.
    int GetCurSel() const;
    /// Selects the entry at index (-1 clears the selection) in a single-selection list; LB_ERR for -1 or a bad index.
    int SetCurSel(int index);
    /// Copies the text of entry index into text; its length, LB_ERR for a bad index.
    int GetText(int index, CString& text) const;
    /// Length of the text of entry index; LB_ERR for a bad index.
    int GetTextLen(int index) const;
    /// First entry after start whose text begins with text (case-insensitive), wrapping; LB_ERR when none.
    int FindString(int start, LPCTSTR text) const;
    /// First entry after start whose text equals text (case-insensitive), wrapping; LB_ERR when none.
    int FindStringExact(int start, LPCTSTR text) const;
    /// Selects the entry FindString finds; its index, LB_ERR when none.
    int SelectString(int start, LPCTSTR text);
    /// Stores the host's value with entry index; LB_ERR for a bad index.
    int SetItemData(int index, DWORD_PTR data);
    /// The host's value of entry index; LB_ERR for a bad index.
    DWORD_PTR GetItemData(int index) const;
    /// Whether entry index is selected (positive) or not (0); LB_ERR for a bad index.
    int GetSel(int index) const;
    /// Selects or deselects entry index (-1: all) of a multiple-selection list; LB_ERR for a single-selection list or a bad index.
    int SetSel(int index, BOOL select = TRUE);
    /// Number of selected entries of a multiple-selection list; LB_ERR for a single-selection list.
    int GetSelCount() const;
    /// Writes up to maxItems selected indices; the number written.
    int GetSelItems(int maxItems, int* items) const;
    /// Scrolls entry index to the top; LB_ERR for a bad index.
    int SetTopIndex(int index);
    /// Index of the first visible entry.
    int GetTopIndex() const;

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return const_cast<CListBox*>(this)->SendMessage(message, wParam, lParam);
    }
};

/// The header of a list control: column count, widths, a sort arrow.
class TB_EXPORT CHeaderCtrl : public CWnd {
public:
    /// Number of columns.
    int GetItemCount() const;
    /// Shows an arrow on column (ascending or descending); -1 removes it.
    void SetSortArrow(int column, BOOL ascending);
};

/// List control in report view: columns with a header, rows of texts, selection and
/// focus states, item data; notifies its parent through WM_NOTIFY.
class TB_EXPORT CListCtrl : public CWnd {
public:
    CListCtrl();
    ~CListCtrl() override;
    /// LVS_REPORT, LVS_SINGLESEL, LVS_OWNERDRAWFIXED (rows drawn by the parent).
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Sets the LVS_EX_ bits (full-row select, grid lines, check boxes); returns the previous ones.
    DWORD SetExtendedStyle(DWORD exStyle);
    /// The LVS_EX_ bits.
    DWORD GetExtendedStyle() const;
    /// Inserts a column at index column with its heading, LVCFMT_ alignment and width (-1: fit the heading); its index, -1 on failure.
    int InsertColumn(int column, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1);
    /// Deletes a column; FALSE for a bad index.
    BOOL DeleteColumn(int column);
    /// Number of columns.
    int GetColumnCount() const;
    /// Width of a column in pixels; 0 for a bad index.
    int GetColumnWidth(int column) const;
    /// Sets the width of a column in pixels; FALSE for a bad index.
    BOOL SetColumnWidth(int column, int width);
    /// Inserts a row at index item (negative or past the end: appended) with the text of its first column; its index, -1 when there is no column.
    int InsertItem(int item, LPCTSTR text);
    /// Sets the text of a cell; FALSE for a bad row or column.
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    /// The text of a cell; empty for a bad row or column.
    CString GetItemText(int item, int subItem) const;
    /// Deletes a row; FALSE for a bad index.
    BOOL DeleteItem(int item);
    /// Deletes every row; TRUE.
    BOOL DeleteAllItems();
    /// Number of rows.
    int GetItemCount() const;
    /// Stores the host's value with a row; FALSE for a bad index.
    BOOL SetItemData(int item, DWORD_PTR data);
    /// The host's value of a row; 0 for a bad index.
    DWORD_PTR GetItemData(int item) const;
    /// Sets the LVIS_ state bits of mask to state (item -1: every row); FALSE for a bad index.
    BOOL SetItemState(int item, UINT state, UINT mask);
    /// The LVIS_ state bits of mask of a row.
    UINT GetItemState(int item, UINT mask) const;
    /// The next item after start (-1: from the beginning) with the LVNI_ flags.
    int GetNextItem(int start, UINT flags) const;
    /// Number of selected rows.
    UINT GetSelectedCount() const;
    /// Scrolls a row into view; FALSE for a bad index.
    BOOL EnsureVisible(int item, BOOL partialOK);
    /// The rectangle of a row (LVIR_BOUNDS, LVIR_LABEL...) in client coordinates; FALSE for a bad index.
    BOOL GetItemRect(int item, RECT* rect, UINT code = 0) const;
    /// The rectangle of a cell in client coordinates; FALSE for a bad row or column.
    BOOL GetSubItemRect(int item, int subItem, UINT code, RECT& rect) const;
    /// The item at point (client coordinates), -1 when none; subItem gets the column.
    int HitTest(POINT point, int* subItem = nullptr) const;
    /// The header of the columns; owned by the list.
    CHeaderCtrl* GetHeaderCtrl();
    /// Index of the first visible row.
    int GetTopIndex() const;
    /// Number of rows that fit in the visible area.
    int GetCountPerPage() const;

private:
    CHeaderCtrl m_header;
};

/// Tips shown when the mouse rests on a tool window.
class TB_EXPORT CToolTipCtrl {
public:
    /// Creates the tip window for the tools of parent; FALSE for a null parent.
    BOOL Create(CWnd* parent);
    /// Shows text when the mouse rests on tool; FALSE for a null tool.
    BOOL AddTool(CWnd* tool, LPCTSTR text);
    /// Changes the text of tool.
    void UpdateTipText(LPCTSTR text, CWnd* tool);
    /// The text of tool; empty when it is not a tool.
    CString GetText(CWnd* tool) const;
    /// Switches all tips on or off.
    void Activate(BOOL active);

private:
    CWnd* m_parent = nullptr;
    bool m_active = true;
};
