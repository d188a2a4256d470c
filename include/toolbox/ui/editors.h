/// \file
/// \brief In-place editors and standard control variants.
// In-place editors and standard control variants. An in-place editor is created over
// a cell (of a grid or a dialog), takes the keyboard and reports to its parent window
// with private messages, so that the parent commits, cancels or moves on:
//
//   TBWM_EDITOR_CHANGED (0x7EB)  the value changed            wParam the editor object
//   TBWM_EDITOR_FINISH  (0x7ED)  the editor lost the focus    wParam the editor object,
//                                                             lParam the HWND getting it
//   TBWM_EDITOR_CANCEL  (0x7EE)  Escape                       wParam key flags, lParam the editor object
//   TBWM_EDITOR_NEXT    (0x7EF)  Tab                          wParam key flags, lParam the editor object
//   TBWM_EDITOR_BACK    (0x7F0)  Shift+Tab                    wParam key flags, lParam the editor object
//   TBWM_EDITOR_DOWN    (0x7F2)  Enter                        wParam key flags, lParam the editor object
//
// "The editor object" is the CWnd* of the editor (the object, not its window handle);
// key flags are the high word of the key message (scan code, extended, repeat bits).
// The parent may destroy the editor while it handles any of them.
//
// Parent to editor: TBWM_EDITOR_BUTTONDOWN (0x851), the mouse went down at lParam (x
// low word, y high word, parent client coordinates): a combo drops its list, a browse
// box presses its button; TBWM_EDITOR_RESET (0x7F3) puts back the text of a combo's
// edit field.
#pragma once

#include <toolbox/ui/controls.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/tb_dialog.h>

#include <memory>

class CFileDialog;

constexpr UINT TBWM_EDITOR_CHANGED = 0x7EB;  ///< Editor to parent: the value changed; wParam the editor object.
constexpr UINT TBWM_EDITOR_FINISH = 0x7ED;  ///< Editor to parent: the editor lost the focus; wParam the editor object, lParam the window getting it.
constexpr UINT TBWM_EDITOR_CANCEL = 0x7EE;  ///< Editor to parent: Escape; wParam key flags, lParam the editor object.
constexpr UINT TBWM_EDITOR_NEXT = 0x7EF;  ///< Editor to parent: Tab; wParam key flags, lParam the editor object.
constexpr UINT TBWM_EDITOR_BACK = 0x7F0;  ///< Editor to parent: Shift+Tab; wParam key flags, lParam the editor object.
constexpr UINT TBWM_EDITOR_UP = 0x7F1;  ///< Editor to parent: move to the cell above (the grid takes it like the other moves; the library's editors do not send it); wParam key flags, lParam the editor object.
constexpr UINT TBWM_EDITOR_DOWN = 0x7F2;  ///< Editor to parent: Enter; wParam key flags, lParam the editor object.
constexpr UINT TBWM_EDITOR_RESET = 0x7F3;  ///< Parent to combo editor: put back the edit field's text.
constexpr UINT TBWM_EDITOR_BUTTONDOWN = 0x851;  ///< Parent to editor: the mouse went down at lParam (x low, y high word, parent client coordinates).

/// Single- or multi-line edit in place.
class TB_EXPORT CTBOwnEdit : public CEdit {
public:
    /// Creates the edit with text in the parent's font, selects all, scrolls the caret
    /// into view, takes the focus and remembers text (Escape restores it).
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Non-zero: the edit asks the dialog manager for every key (Create sets 1).
    void WantAllKeys(int want) { m_wantAllKeys = want; }
    /// The text the editor started with (what Escape restores).
    const CString& GetOriginalText() const { return m_text; }
    /// Tab, Shift+Tab, Enter, Escape and the loss of focus become the TBWM_EDITOR_ messages to the parent; other messages as CEdit.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int m_wantAllKeys = 0;  ///< Non-zero: the edit asks for every key (WM_GETDLGCODE), so Tab and Enter reach it inside a dialog.
    CString m_text;  ///< The text the editor started with.
};

/// List box in place: the comma-separated entries, the first one starting with the
/// selected text chosen.
class TB_EXPORT CTBOwnListBox : public CListBox {
public:
    /// Creates the list with the comma-separated entries and selects the first one starting with selected; takes the focus.
    BOOL Create(LPCTSTR selected, LPCTSTR entries, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Non-zero: the list asks the dialog manager for every key.
    void WantAllKeys(int want) { m_wantAllKeys = want; }
    /// Tab, Shift+Tab, Enter, Escape and the loss of focus become the TBWM_EDITOR_ messages to the parent; other messages as CListBox.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int m_wantAllKeys = 0;  ///< Non-zero: the list asks for every key (WM_GETDLGCODE).
};

/// Combo box whose searches are exact and case-sensitive.
class TB_EXPORT CTBComboBox : public CComboBox {
public:
    /// The first entry after start (-1: from the beginning) whose text equals text
    /// byte for byte, wrapping once; -1 when none.
    int FindStringExact(int start, LPCTSTR text) const;
    /// As FindStringExact: exact and case-sensitive.
    int FindString(int start, LPCTSTR text) const { return FindStringExact(start, text); }
    /// Selects FindStringExact's entry; -1 leaves the selection as it is.
    int SelectString(int start, LPCTSTR text);
};

/// Combo box in place (drop-down list or drop-down with an edit field).
class TB_EXPORT CTBOwnComboBox : public CTBComboBox {
public:
    CTBOwnComboBox();
    ~CTBOwnComboBox() override;
    /// Drop-down area six times the rectangle's height; entries comma-separated; the
    /// entry equal to text (case-sensitive) selected; text in the edit field.
    BOOL Create(LPCTSTR text, LPCTSTR entries, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Non-zero: the combo asks the dialog manager for every key.
    void WantAllKeys(int want) { m_wantAllKeys = want; }
    /// Whether the combo has an edit field (CBS_DROPDOWN) rather than a fixed list.
    BOOL HasEditField() const;
    /// Tab, Shift+Tab, Enter, Escape, a choice in the list and the loss of focus become the TBWM_EDITOR_ messages to the parent; TBWM_EDITOR_BUTTONDOWN drops the list, TBWM_EDITOR_RESET restores the edit field's text.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    /// Takes the edit child, puts text into it and remembers text and selection; the
    /// common end of every in-place combo's creation.
    void AdoptEditField(const CString& text);
    /// The end of a direct creation: created-directly flag, edit field, focus.
    BOOL FinishCreate(LPCTSTR text);
    /// Remembers the current text and selection as the ones Escape restores.
    void StoreText();
    int m_wantAllKeys = 0;  ///< Non-zero: the combo asks for every key (WM_GETDLGCODE).
    CString m_text;  ///< The text the editor started with.
    int m_selection = -1;  ///< The entry selected when the editor started; -1 for none.
    /// Set by combos created through their own Create (not from a template).
    int m_createdDirectly = 0;

private:
    friend class CTBOwnComboBoxWatch;
    void ListDropped();
    void ListClosed();
    void EntryChosen();
    CString m_textAtDrop;
    bool m_chosenSinceDrop = false;
    std::unique_ptr<class CTBOwnComboBoxWatch> m_watch;
};

/// Push button in place: Tab and Shift+Tab move on, Enter finishes, Escape cancels.
class TB_EXPORT CTBOwnButton : public CButton {
public:
    /// Creates the button with caption, in the parent's font, and gives it the focus.
    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Non-zero: the button asks the dialog manager for every key.
    void WantAllKeys(int want) { m_wantAllKeys = want; }
    /// Tab, Shift+Tab, Enter, Escape and the loss of focus become the TBWM_EDITOR_ messages to the parent; other messages as CButton.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int m_wantAllKeys = 0;  ///< Non-zero: the button asks for every key (WM_GETDLGCODE).
};

/// Auto-completion flags of AutoComplete.
///@{
constexpr DWORD SHACF_DEFAULT = 0x00000000;
constexpr DWORD SHACF_FILESYSTEM = 0x00000001;
constexpr DWORD SHACF_URLHISTORY = 0x00000002;
constexpr DWORD SHACF_URLMRU = 0x00000004;
constexpr DWORD SHACF_URLALL = SHACF_URLHISTORY | SHACF_URLMRU;
constexpr DWORD SHACF_FILESYS_ONLY = 0x00000010;
constexpr DWORD SHACF_FILESYS_DIRS = 0x00000020;
///@}

/// Edit that completes file-system paths as they are typed.
class TB_EXPORT CTBBrowseEdit : public CEdit {
public:
    /// Completes paths from the file system (folders only with SHACF_FILESYS_DIRS).
    /// 0 when nothing can be completed: no window, a multi-line edit, or only URL
    /// sources asked for (there is no URL history here).
    int AutoComplete(DWORD flags);
};

/// Called by a "FUNCTION" browse box's button with its edit and its parent.
typedef void (*TBBrowseFunction)(CEdit* edit, CWnd* parent);

/// Edit with a "..." button on its right, in place. The button's action follows the
/// kind: "PATH" a file open dialog (or the CFileDialog set as additional pointer),
/// "DIR" the folder picker, "DIALOG" the CDialog set as additional pointer run
/// modally, "FUNCTION" the TBBrowseFunction set as additional pointer; any other kind
/// asks whether to put the kind itself into the edit.
class TB_EXPORT CTBOwnBrowseBox : public CWnd {
public:
    CTBOwnBrowseBox();
    ~CTBOwnBrowseBox() override;
    /// Creates the edit with text and the "..." button; kind ("PATH", "DIR", "DIALOG", "FUNCTION" or another text) chooses the button's action. Takes the focus.
    BOOL Create(LPCTSTR text, LPCTSTR kind, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// The object the button's action uses (CFileDialog, CDialog or TBBrowseFunction); not owned.
    void SetAdditionalPtr(void* pointer) { m_additional = pointer; }
    /// The box's edit; owned by the box, null before Create.
    CTBBrowseEdit* GetEditControl() const { return m_edit.get(); }
    /// The box's "..." button; owned by the box, null before Create.
    CButton* GetButton() const { return m_button.get(); }
    /// Non-zero: the box asks the dialog manager for every key.
    void WantAllKeys(int want) { m_wantAllKeys = want; }
    /// The text the box started with (what Escape restores).
    const CString& GetOriginalText() const { return m_text; }
    /// Runs the button's action, as a click on "..." does.
    void Browse();
    /// The "..." button's click runs Browse.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    /// Keys of the edit and the button become the TBWM_EDITOR_ messages to the parent (focus moving between the two parts is no loss of focus); TBWM_EDITOR_BUTTONDOWN presses the button.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CTBBrowseBoxPart;
    void BrowsePath();
    void BrowseDir();
    void AskForSpecialKind();
    void SetEditText(const CString& text);
    std::unique_ptr<CTBBrowseEdit> m_edit;
    std::unique_ptr<CButton> m_button;
    CString m_kind;
    CString m_text;
    void* m_additional = nullptr;
    int m_wantAllKeys = 0;
    bool m_browsing = false;
    bool m_settingText = false;
};

/// Rich edit with the "RichEdit" context menu; Tab inserts a tab character.
class TB_EXPORT CTBOwnRichEdit : public CRichEditCtrl {
public:
    /// Read-only shows the dialog face colour behind the text, editable the window colour.
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    /// The context menu, Tab as a character, and change notifications; other messages as CRichEditCtrl.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    /// Shows the "RichEdit" menu (Undo, Cut, Copy, Paste, Delete, Select All) at point, screen coordinates.
    void OnContextMenu(CWnd* wnd, CPoint point);
    /// Undoes the last edit.
    void OnEditUndo();
    /// Cuts the selection to the clipboard.
    void OnEditCut();
    /// Copies the selection to the clipboard.
    void OnEditCopy();
    /// Pastes the clipboard's text.
    void OnEditPaste();
    /// Deletes the selection.
    void OnEditClear();
    /// Selects the whole text.
    void OnEditSelectAll();
    /// Enabled when there is an edit to undo and the editor is not read-only.
    void OnUpdateEditUndo(CCmdUI* ui);
    /// Enabled when there is a selection and the editor is not read-only.
    void OnUpdateEditCut(CCmdUI* ui);
    /// Enabled when there is a selection.
    void OnUpdateEditCopy(CCmdUI* ui);
    /// Enabled when the clipboard holds text and the editor is not read-only.
    void OnUpdateEditPaste(CCmdUI* ui);
    /// Enabled when there is a selection and the editor is not read-only.
    void OnUpdateEditClear(CCmdUI* ui);
    /// Enabled when there is text.
    void OnUpdateEditSelectAll(CCmdUI* ui);
    /// Tells the parent that the text changed (TBWM_EDITOR_CHANGED).
    void Changed();
    /// True when ES_READONLY is set.
    bool IsReadOnly() const { return (GetStyle() & ES_READONLY) != 0; }
    /// True when the selection is not empty.
    bool HasSelection() const;
    DECLARE_MESSAGE_MAP()
};

/// Button drawn from four bitmaps found by its caption (caption + "U", "D", "F", "X":
/// up, down, focused, disabled), with a tooltip that follows the caption.
class TB_EXPORT CTBBitmapButton : public CButton {
public:
    CTBBitmapButton();
    ~CTBBitmapButton() override;
    /// Takes over the dialog's button id, loads the bitmaps named by its caption and
    /// sizes the button to them; false when there is no up bitmap.
    BOOL AutoLoad(UINT id, CWnd* parent);
    /// Bitmaps by name (null names are left out; the up bitmap is needed).
    BOOL LoadBitmaps(LPCTSTR up, LPCTSTR down = nullptr, LPCTSTR focus = nullptr, LPCTSTR disabled = nullptr);
    /// Bitmaps by numeric id ("#id" names).
    BOOL LoadBitmaps(UINT up, UINT down = 0, UINT focus = 0, UINT disabled = 0);
    /// Sets the tooltip from string table entry stringId.
    void SetToolTipText(UINT stringId);
    /// Sets the tooltip text; empty removes it.
    void SetToolTipText(LPCTSTR text);
    /// The tooltip text.
    CString GetToolTipText() const { return m_tip; }
    /// The tooltip string id of a caption (5535 ... 5542), 0 when it has none.
    static UINT ToolTipIdOfCaption(const CString& caption);
    /// The bitmap for a state: 0 up, 1 down, 2 focused, 3 disabled (may be null).
    CBitmap* GetStateBitmap(int state) const;
    /// Resizes the button to its up bitmap.
    void SizeToContent();
    /// Paints the bitmap of the button's state and keeps the tooltip; other messages as CButton.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplyTip();
    void Paint();
    std::unique_ptr<CBitmap> m_bitmaps[4];
    CString m_tip;
};

/// The library's bitmap by name ("NEWU", "DELETEX", "#123"); false when it has none.
TB_EXPORT BOOL TBLoadLibraryBitmap(LPCTSTR name, CBitmap& bitmap);

/// The "Select Folder" dialog (template 4301): a folder tree with OK and Cancel; the
/// tree grows with the window, the buttons keep to the bottom right corner.
class TB_EXPORT CTBDlgBrowseDir : public CTBDialog {
public:
    /// The dialog owned by parent; run it with DoModal.
    explicit CTBDlgBrowseDir(CWnd* parent = nullptr);
    /// Preselects path when the folder exists.
    void SetSelPath(LPCTSTR path) { m_path = path; }
    /// The folder chosen (after OK), or the one preset.
    CString GetSelPath() const { return m_path; }
    /// Selects the folder in the open dialog's tree (as a click would); false when it
    /// does not exist.
    BOOL SelectFolder(LPCTSTR path);

protected:
    /// Fills the tree and selects the preset folder (or the current one).
    BOOL OnInitDialog() override;
    /// Takes the selected folder as the result and ends the dialog with IDOK.
    void OnOK() override;
    /// Keeps the tree fitted to its placeholder when the dialog is resized; other messages as CTBDialog.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitTreeToPlaceholder();
    CString m_path;
};
