/// \file
/// \brief The colouring editor: a multi-line rich edit that colours its text while the user types, driven by a syntax description (color_rich_edit_syntax.h).
// The colouring editor: a multi-line rich edit that colours its text while the user
// types, driven by a syntax description (color_rich_edit_syntax.h). It keeps a line
// model beside the widget's text; every change of the text, whoever makes it, reaches
// the model, which re-colours from the changed line until a line ends in the same
// range state as before. The widget paints each line's spans as they are; no colour
// is stored in the text itself.
//
// Editing follows the system's rich edit: typing, overwrite (Insert toggles it),
// Backspace, Delete, Enter with auto-indent (the line's leading tabs, one more after a
// "{"), its own undo and redo lists of 100 records each, the clipboard, the modeless
// find/replace dialog, the context menu "ColorRichEdit" of menu 4404, and read-only
// windows (ES_READONLY) that select, copy and find but change nothing.
#pragma once

#include <toolbox/ui/color_rich_edit_syntax.h>
#include <toolbox/ui/controls.h>

#include <memory>

class CFindReplaceDialog;

/// One undo or redo record. kind 0: text was deleted at position; kind 1: text was
/// inserted, position being its first character plus 1. Positions count characters of
/// the widget's text (a line break is one); text keeps line breaks as "\r\n".
struct sUndoDataColorRichEdit {
    int kind;      ///< 0 deleted, 1 inserted
    int position;  ///< where the text stood (deleted) or its first character plus 1 (inserted)
    CString text;  ///< the text, line breaks as "\r\n"
};

/// The colouring editor (see the top of this header).
class TB_EXPORT CTBColorRichEdit : public CRichEditCtrl {
public:
    CTBColorRichEdit();
    /// Frees an own description and closes an open find dialog.
    ~CTBColorRichEdit() override;

    /// Most records each of the undo and the redo list keeps.
    static constexpr int kUndoLimit = 100;

    /// Creates the window; ES_READONLY makes a read-only editor.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // --- syntax descriptions (installing one colours nothing until the next load or edit)
    /// Loads the description that the editor configuration "vexaedit.cfg" beside the
    /// library names in section syntaxName, key "DscrFile" (relative to that folder).
    /// FALSE, and nothing changes, when the name is not configured.
    BOOL LoadSyntaxDescription(CString syntaxName);
    /// Loads a description file and makes it the control's own.
    void LoadSyntaxDescriptionFile(CString path);
    /// Installs a description that stays the caller's (an own previous one is freed).
    void SetSyntaxDescription(CTBSyntaxDscrColorRichEdit* description);

    // --- text and colouring
    /// Rebuilds the line list from the widget's text and colours every line.
    void LoadWindowTextinLineArray();
    /// Re-colours from firstLine (negative: 0) to the end, or with stopWhenStable only
    /// until a line ends in the same range state as before.
    void DetermineColorDscr(int firstLine, int stopWhenStable);
    /// Turns every CR, LF or CR LF into CR LF.
    static void ReplaceLineEnd(CString* text);
    /// Whether setting the window text colours it (on by default); off, the lines are
    /// kept but get no colours until DetermineColorDscr or an edit colours them.
    void ChangeColorBySetWindowText(BOOL on) { m_colourOnSetText = on != FALSE; }
    /// On: the status-bar hooks are not called.
    void SetUseOutSideMainFrame(BOOL on) { m_outsideMainFrame = on != FALSE; }
    /// The line object of a line (null beyond the last line), for hosts that keep
    /// bookmarks or position data with their lines.
    CTBColorRichEditLine* GetLineObject(int line);
    /// Number of line objects (the text's lines).
    int GetLineObjectCount() const;

    // --- editing
    /// Puts the selection on the clipboard as plain text.
    void Copy();
    /// Copy, then Clear.
    void Cut();
    /// Replaces the selection by the clipboard's text, line breaks made CR LF (recorded).
    void Paste();
    /// Replaces the selection by nothing (recorded).
    void Clear();
    /// Selects everything and clears it (recorded).
    void ClearAll();
    /// Reverses the newest undo record (which moves to the redo list).
    void Undo();
    /// Applies the newest redo record again (which moves back to the undo list).
    void Redo();
    BOOL CanUndo() const;  ///< the undo list is not empty
    BOOL CanRedo() const;  ///< the redo list is not empty
    int GetUndoCount() const;  ///< records in the undo list
    int GetRedoCount() const;  ///< records in the redo list
    /// The undo or redo record at index (0 the oldest); valid index required.
    const sUndoDataColorRichEdit& GetUndoRecord(int index) const;
    /// The redo record at index (0 the oldest); valid index required.
    const sUndoDataColorRichEdit& GetRedoRecord(int index) const;
    /// Replaces the selection by text ("\r\n" between lines) and puts the caret after it.
    /// With recordUndo 0 the change is not recorded, and since older records no longer
    /// fit the text, both lists are emptied.
    void ReplaceSel(const char* text, int recordUndo);
    /// Opens the modeless find dialog (nothing when one is open).
    void OpenFindDialog();
    /// Opens the modeless find-and-replace dialog (nothing when one is open).
    void OpenReplaceDialog();
    /// The control's own modified flag or the widget's.
    BOOL IsEditModify();
    /// Clears both modified flags.
    void ResetModifyFlag();
    /// Sets the control's own modified flag and starts the host's timer.
    void SetModifyFlag();
    BOOL IsInsertFlagSet() const { return m_insertMode; }  ///< insert (TRUE) or overwrite mode
    BOOL IsReadOnly() const { return m_readOnly; }          ///< created with ES_READONLY
    /// Puts the caret at a character position and reports it.
    void SetCurrentCursorPos(long position);

    // --- hooks for the host's status bar (empty here; not called while the control is
    // used outside the main frame)
    /// The text was marked modified.
    virtual void StartTimer() {}
    /// Caret position, both from 0; the column counts tabs as their expanded width.
    virtual void ShowCaretPos(int column, int line) {
        (void)column;
        (void)line;
    }
    /// Pane 0xE704 gets "INS" or "OVR"; on losing the focus 0xE700 and 0xE704 get "".
    virtual void ShowBarPaneText(UINT paneId, const char* text) {
        (void)paneId;
        (void)text;
    }

    /// Takes WM_SETTEXT, EM_SETMODIFY and EM_SETREADONLY before the widget does.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    /// The installed description (null when none).
    CTBSyntaxDscrColorRichEdit* GetSyntaxDescr() const { return m_description; }
    /// Selects [start, end) and gives it format (a format of the text itself, under the
    /// syntax colours).
    void SetColorToText(long start, long end, CHARFORMAT& format);

    /// Attaches the line model to the new widget; returns 0.
    int OnCreate(void* createStruct);
    /// Detaches the line model, closes an open find dialog and empties the undo and redo lists.
    void OnDestroy();
    /// Insert toggles overwrite; Delete, Backspace, Enter (auto-indent) and Tab edit through the line model and are recorded; other keys as the rich edit.
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    /// Alt+Backspace undoes; other keys as the rich edit.
    void OnSysKeyDown(UINT key, UINT repeat, UINT flags);
    /// Types a character (overwriting in overwrite mode), recorded for undo; nothing in a read-only editor.
    void OnChar(UINT ch, UINT repeat, UINT flags);
    /// Shows "INS" or "OVR" in the host's status bar.
    void OnSetFocus(CWnd* old);
    /// Empties the host's status bar panes.
    void OnKillFocus(CWnd* next);
    /// Shows the "ColorRichEdit" menu of menu 4404 at point, screen coordinates.
    void OnContextMenu(CWnd* wnd, CPoint point);
    /// Every key, character, arrow and Tab is the editor's inside a dialog.
    UINT OnGetDlgCode();
    /// Finds or replaces as the find dialog asks (lParam its FINDREPLACE); forgets the dialog when it closes.
    LRESULT OnFindReplace(WPARAM wParam, LPARAM lParam);
    /// Selects the whole text.
    void OnSelectAll();
    /// Opens the find dialog.
    void OnEditFind() { OpenFindDialog(); }
    /// Opens the find-and-replace dialog.
    void OnEditReplace() { OpenReplaceDialog(); }
    /// Copies the selection.
    void OnEditCopy() { Copy(); }
    /// Cuts the selection.
    void OnEditCut() { Cut(); }
    /// Pastes the clipboard's text.
    void OnEditPaste() { Paste(); }
    /// Deletes the selection.
    void OnEditClear() { Clear(); }
    /// Deletes the whole text.
    void OnEditClearAll() { ClearAll(); }
    /// Undoes the newest record.
    void OnEditUndo() { Undo(); }
    /// Redoes the newest undone record.
    void OnEditRedo() { Redo(); }
    /// Enabled when editable and the undo list is not empty.
    void OnUpdateUndo(CCmdUI* ui);
    /// Enabled when editable and the redo list is not empty.
    void OnUpdateRedo(CCmdUI* ui);
    /// Enabled when there is a selection.
    void OnUpdateCopy(CCmdUI* ui);
    /// Enabled when editable and there is a selection.
    void OnUpdateCutClear(CCmdUI* ui);
    /// Enabled when editable and there is text.
    void OnUpdateClearAll(CCmdUI* ui);
    /// Enabled when editable and the clipboard holds text.
    void OnUpdatePaste(CCmdUI* ui);
    /// Enabled when there is text.
    void OnUpdateSelectAll(CCmdUI* ui);

private:
    struct Impl;
    friend struct Impl;
    friend class CColorRichEditHighlighter;
    void Attach();
    void Detach();
    bool Editable() const { return !m_readOnly; }
    void InstallOwned(CTBSyntaxDscrColorRichEdit* description);
    void ReportCaret();
    void Pane(UINT id, const char* text);
    void DeleteForKey(bool forward);
    void EnterWithIndent();
    void TypeChar(UINT ch);
    bool Search(bool matchCase, bool wholeWord, const CString& text, bool showMessage, int from, int to);
    void ReplaceAllFrom(CFindReplaceDialog& dialog);

    std::unique_ptr<Impl> m_impl;
    CTBSyntaxDscrColorRichEdit* m_description = nullptr;
    bool m_ownsDescription = false;
    bool m_insertMode = true;
    bool m_colourOnSetText = true;
    bool m_outsideMainFrame = false;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_charTaken = false;  // the key's WM_CHAR belongs to a key handled on WM_KEYDOWN
    CFindReplaceDialog* m_findDialog = nullptr;
    long m_findPos = -1;
    DECLARE_MESSAGE_MAP()
};
