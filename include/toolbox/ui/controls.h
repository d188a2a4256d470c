// The standard controls. Each class is a thin window object: its members send the
// control's messages (EM_, BM_, CB_, LB_), which the control's native handling carries
// out, so that a derived class or a parent's subclass can see and change them. The
// controls report to their parents with WM_COMMAND and WM_NOTIFY in the order the
// system's controls do.
#pragma once

#include <toolbox/ui/wnd.h>

class CBitmap;

class TB_EXPORT CEdit : public CWnd {
public:
    /// ES_MULTILINE makes a multi-line edit; ES_READONLY, ES_PASSWORD, ES_NUMBER apply.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void SetSel(DWORD selection, BOOL noScroll = FALSE);
    DWORD GetSel() const;
    void GetSel(int& start, int& end) const;
    void ReplaceSel(LPCTSTR text, BOOL canUndo = FALSE);
    void LimitText(int max = 0);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    int GetLineCount() const;
    int LineIndex(int line = -1) const;
    int LineLength(int charIndex = -1) const;
    int LineFromChar(int charIndex = -1) const;
    /// Copies line into buffer (at most maxLength bytes, no terminating zero); the count.
    int GetLine(int line, LPTSTR buffer, int maxLength) const;
    BOOL GetModify() const;
    void SetModify(BOOL modified = TRUE);
    BOOL CanUndo() const;
    BOOL Undo();
    void Cut() { SendMessage(WM_CUT); }
    void Copy() { SendMessage(WM_COPY); }
    void Paste() { SendMessage(WM_PASTE); }
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
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetSel(CHARRANGE& range) { SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    void SetSel(int start, int end) { CEdit::SetSel(start, end); }
    void GetSel(CHARRANGE& range) const {
        const_cast<CRichEditCtrl*>(this)->SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    /// Applies format to the selection (SCF_SELECTION) or the whole text (SCF_ALL).
    BOOL SetSelectionCharFormat(CHARFORMAT& format) { return SetCharFormat(SCF_SELECTION, format); }
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

class TB_EXPORT CButton : public CWnd {
public:
    /// BS_ style: push, default push, check boxes, radio buttons, group box, owner-drawn.
    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetCheck() const;
    void SetCheck(int check);
    UINT GetState() const;
    void SetState(BOOL highlight);
    UINT GetButtonStyle() const;
    /// Shows bitmap on the button (BS_BITMAP); the bitmap stays the caller's.
    void SetBitmap(CBitmap* bitmap);
    /// Clicks the button as the user would (BN_CLICKED follows).
    void Click() { SendMessage(BM_CLICK); }
};

class TB_EXPORT CStatic : public CWnd {
public:
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

class TB_EXPORT CComboBox : public CWnd {
public:
    /// CBS_DROPDOWN (with edit field), CBS_DROPDOWNLIST, CBS_SIMPLE; CBS_SORT,
    /// CBS_OWNERDRAWFIXED (items drawn by the parent through WM_DRAWITEM).
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
    /// First entry after start whose text begins with text (case-insensitive), wrapping.
    int FindString(int start, LPCTSTR text) const;
    /// First entry after start equal to text (case-insensitive), wrapping.
    int FindStringExact(int start, LPCTSTR text) const;
    int SelectString(int start, LPCTSTR text);
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    void ShowDropDown(BOOL show = TRUE);
    BOOL GetDroppedState() const;
    void GetDroppedControlRect(RECT* rect) const;
    BOOL LimitText(int max);
    DWORD GetEditSel() const;
    BOOL SetEditSel(int start, int end);

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return const_cast<CComboBox*>(this)->SendMessage(message, wParam, lParam);
    }
};

class TB_EXPORT CListBox : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int AddString(LPCTSTR text);
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetText(int index, CString& text) const;
    int GetTextLen(int index) const;
    int FindString(int start, LPCTSTR text) const;
    int FindStringExact(int start, LPCTSTR text) const;
    int SelectString(int start, LPCTSTR text);
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    int GetSel(int index) const;
    int SetSel(int index, BOOL select = TRUE);
    int GetSelCount() const;
    /// Writes up to maxItems selected indices; the number written.
    int GetSelItems(int maxItems, int* items) const;
    int SetTopIndex(int index);
    int GetTopIndex() const;

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return const_cast<CListBox*>(this)->SendMessage(message, wParam, lParam);
    }
};

/// The header of a list control: column count, widths, a sort arrow.
class TB_EXPORT CHeaderCtrl : public CWnd {
public:
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
    DWORD SetExtendedStyle(DWORD exStyle);
    DWORD GetExtendedStyle() const;
    int InsertColumn(int column, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1);
    BOOL DeleteColumn(int column);
    int GetColumnCount() const;
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width);
    int InsertItem(int item, LPCTSTR text);
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    CString GetItemText(int item, int subItem) const;
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    BOOL SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const;
    /// The next item after start (-1: from the beginning) with the LVNI_ flags.
    int GetNextItem(int start, UINT flags) const;
    UINT GetSelectedCount() const;
    BOOL EnsureVisible(int item, BOOL partialOK);
    BOOL GetItemRect(int item, RECT* rect, UINT code = 0) const;
    BOOL GetSubItemRect(int item, int subItem, UINT code, RECT& rect) const;
    /// The item at point (client coordinates), -1 when none; subItem gets the column.
    int HitTest(POINT point, int* subItem = nullptr) const;
    CHeaderCtrl* GetHeaderCtrl();
    int GetTopIndex() const;
    int GetCountPerPage() const;

private:
    CHeaderCtrl m_header;
};

/// Tips shown when the mouse rests on a tool window.
class TB_EXPORT CToolTipCtrl {
public:
    BOOL Create(CWnd* parent);
    BOOL AddTool(CWnd* tool, LPCTSTR text);
    void UpdateTipText(LPCTSTR text, CWnd* tool);
    CString GetText(CWnd* tool) const;
    void Activate(BOOL active);

private:
    CWnd* m_parent = nullptr;
    bool m_active = true;
};
