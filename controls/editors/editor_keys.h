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

/// The parent's font for a new editor.
inline void TakeParentFont(CWnd* editor, CWnd* parent) {
    if (parent && parent->GetFont()) editor->SetFont(parent->GetFont());
}

/// Splits "a,b,c" at each comma (empty text: no entries).
CStringArray SplitEntries(LPCTSTR entries);

}  // namespace tb_editors
