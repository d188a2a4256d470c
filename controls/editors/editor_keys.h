// What every in-place editor shares: telling the parent, and the keys that end or
// move an edit.
#pragma once

#include <toolbox/ui/editors.h>
#include <toolbox/types/collections.h>

namespace tb_editors {

// The edit commands of the context menus (the framework's command ids).
constexpr UINT kEditClear = 0xE120;
constexpr UINT kEditCopy = 0xE122;
constexpr UINT kEditCut = 0xE123;
constexpr UINT kEditPaste = 0xE125;
constexpr UINT kEditSelectAll = 0xE12A;
constexpr UINT kEditUndo = 0xE12B;

/// Whether the clipboard holds something an edit can paste.
bool ClipboardHasText();

/// The key flags an editor hands on: the high word of the key message's data.
inline WPARAM KeyFlags(LPARAM keyData) { return HIWORD(static_cast<DWORD>(keyData)); }

/// Sends message to the editor's parent; nothing when it has none.
inline void TellParent(CWnd* editor, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CWnd* parent = editor->GetParent()) parent->SendMessage(message, wParam, lParam);
}

/// The editor's own object as a message parameter.
inline LPARAM Self(CWnd* editor) { return reinterpret_cast<LPARAM>(editor); }

/// The editor's text changed.
inline void TellChanged(CWnd* editor) {
    TellParent(editor, TBWM_EDITOR_CHANGED, reinterpret_cast<WPARAM>(editor), 0);
}

/// The edit is finished; focus is the window that takes the focus (0 for none).
inline void TellFinish(CWnd* editor, LPARAM focus) {
    TellParent(editor, TBWM_EDITOR_FINISH, reinterpret_cast<WPARAM>(editor), focus);
}

/// Escape after the editor put its starting text back: the change, then the cancel.
inline void TellRestoredAndCancelled(CWnd* editor, LPARAM keyData) {
    TellChanged(editor);
    TellParent(editor, TBWM_EDITOR_CANCEL, KeyFlags(keyData), Self(editor));
}

/// WM_GETDLGCODE with every key asked for when the editor wants them.
inline LRESULT DialogCodeOf(LRESULT native, int wantAllKeys) {
    return wantAllKeys ? (native | DLGC_WANTALLKEYS) : native;
}

/// Tab and Shift+Tab: next or back; Enter: down. 0 for other keys.
inline UINT MoveMessageOf(UINT vk) {
    if (vk == VK_TAB) return GetKeyState(VK_SHIFT) < 0 ? TBWM_EDITOR_BACK : TBWM_EDITOR_NEXT;
    if (vk == VK_RETURN) return TBWM_EDITOR_DOWN;
    return 0;
}

/// The characters of the keys an editor handles itself: they type nothing.
inline bool IsEditorKeyChar(WPARAM ch) { return ch == '\t' || ch == '\r' || ch == '\n' || ch == 0x1B; }

/// Lets the control handle the typed character now, then reports the change.
void TypeThenTellChanged(CWnd* editor);

/// The handling every in-place editor shares: it asks the dialog manager for all keys,
/// Tab, Shift+Tab and Enter move on, Escape cancels (putting the starting text back
/// first where the editor keeps one), a typed character reports a change, and losing
/// the focus finishes. An editor makes one on the stack in its WindowProc and says
/// where it differs by overriding the hooks.
class CEditorKeys {
public:
    /// The shared answer to message in result; false when the editor's own handling applies.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    /// editor is the window the parent hears of; wantAllKeys its want-all-keys flag.
    CEditorKeys(CWnd& editor, int wantAllKeys) : m_editor(editor), m_wantAllKeys(wantAllKeys) {}
    virtual ~CEditorKeys() = default;
    /// The native handling of the control that got the message.
    virtual LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    /// The message key vk sends: next, back, down, or finish (a button's Enter); 0 leaves
    /// the key to the control.
    virtual UINT MoveOf(UINT vk) const { return MoveMessageOf(vk); }
    /// Before moving on: remembers the text that Escape restores.
    virtual void KeepText() {}
    /// Escape: puts the remembered text back; false when the editor keeps none (Escape then only cancels).
    virtual bool RestoreText() { return false; }
    /// Whether a typed character changes the value (reported after the control took it).
    virtual bool TypingChanges() const { return true; }
    /// Whether the character of a key that moves on or cancels types after all (a new line).
    virtual bool TypesKeyChar(WPARAM /*ch*/) const { return false; }
    /// Whether the focus going to next stays with the editor (then the edit goes on).
    virtual bool KeepsFocus(HWND /*next*/) const { return false; }

private:
    bool Key(UINT vk, LPARAM keyData);
    CWnd& m_editor;
    int m_wantAllKeys;
};

/// The parent's font for a new editor.
inline void TakeParentFont(CWnd* editor, CWnd* parent) {
    if (parent && parent->GetFont()) editor->SetFont(parent->GetFont());
}

/// Splits "a,b,c" at each comma (empty text: no entries).
CStringArray SplitEntries(LPCTSTR entries);

}  // namespace tb_editors
