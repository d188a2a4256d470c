// What every in-place editor shares: the keys that end or move an edit, the focus
// leaving it, and the splitting of list entries.
#include "controls/editors/editor_keys.h"

#include <QWidget>

#include "controls/window/native_window.h"

namespace tb_editors {

void TypeThenTellChanged(CWnd* editor) {
    CNativeWindow::HandleEventNow();
    TellChanged(editor);
}

CStringArray SplitEntries(LPCTSTR entries) {
    CStringArray out;
    const CString all(entries ? entries : "");
    if (all.IsEmpty()) return out;
    int start = 0;
    for (;;) {
        const int comma = all.Find(',', start);
        if (comma < 0) {
            out.Add(all.Mid(start));
            break;
        }
        out.Add(all.Mid(start, comma - start));
        start = comma + 1;
    }
    return out;
}

bool CEditorKeys::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_GETDLGCODE: result = DialogCodeOf(Native(message, wParam, lParam), m_wantAllKeys); return true;
        case WM_KEYDOWN: result = 0; return Key(static_cast<UINT>(wParam), lParam);
        case WM_CHAR:
            result = 0;
            // The characters of the keys that move on or cancel type nothing.
            if (IsEditorKeyChar(wParam) && !TypesKeyChar(wParam)) return true;
            if (!TypingChanges()) return false;
            TypeThenTellChanged(&m_editor);
            return true;
        case WM_KILLFOCUS:
            result = Native(message, wParam, lParam);
            if (!KeepsFocus(reinterpret_cast<HWND>(wParam))) TellFinish(&m_editor, static_cast<LPARAM>(wParam));
            return true;
        default: return false;
    }
}

bool CEditorKeys::Key(UINT vk, LPARAM keyData) {
    if (const UINT move = MoveOf(vk)) {
        if (move == TBWM_EDITOR_FINISH) {
            TellFinish(&m_editor, 0);
        } else {
            KeepText();
            TellParent(&m_editor, move, KeyFlags(keyData), Self(&m_editor));
        }
        return true;
    }
    if (vk != VK_ESCAPE) return false;
    if (RestoreText())
        TellRestoredAndCancelled(&m_editor, keyData);
    else
        TellParent(&m_editor, TBWM_EDITOR_CANCEL, KeyFlags(keyData), Self(&m_editor));
    return true;
}

}  // namespace tb_editors
