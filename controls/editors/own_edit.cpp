// The edit, list box and push button in place: keys that end or move the edit go to
// the parent as messages, the focus leaving finishes it.
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

}  // namespace tb_editors

using namespace tb_editors;

// ------------------------------------------------------------------ edit

BOOL CTBOwnEdit::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CEdit::Create(style, rect, parent, id)) return FALSE;
    m_wantAllKeys = 1;
    SetWindowText(text ? text : "");
    TakeParentFont(this, parent);
    SetSel(0, -1);
    SendMessage(EM_SCROLLCARET);
    SetFocus();
    m_text = text ? text : "";
    return TRUE;
}

namespace {
/// A multi-line edit that asks for Enter types a new line with it instead of moving on.
bool TypesNewLines(const CWnd& edit) { return (edit.GetStyle() & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN); }
}  // namespace

LRESULT CTBOwnEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return DialogCodeOf(CEdit::WindowProc(message, wParam, lParam), m_wantAllKeys);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && TypesNewLines(*this)) break;
            if (const UINT move = MoveMessageOf(static_cast<UINT>(wParam))) {
                m_text = GetWindowText();
                TellParent(this, move, KeyFlags(lParam), Self(this));
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                SetWindowText(m_text);
                TellRestoredAndCancelled(this, lParam);
                return 0;
            }
            break;
        case WM_CHAR:
            if (IsEditorKeyChar(wParam) && !(wParam == '\r' && TypesNewLines(*this))) return 0;
            TypeThenTellChanged(this);
            return 0;
        case WM_KILLFOCUS: {
            const LRESULT result = CEdit::WindowProc(message, wParam, lParam);
            TellFinish(this, static_cast<LPARAM>(wParam));
            return result;
        }
        default: break;
    }
    return CEdit::WindowProc(message, wParam, lParam);
}

// ------------------------------------------------------------------ list box

BOOL CTBOwnListBox::Create(LPCTSTR selected, LPCTSTR entries, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CListBox::Create(style, rect, parent, id)) return FALSE;
    m_wantAllKeys = 1;
    const CStringArray list = SplitEntries(entries);
    for (int i = 0; i < list.GetSize(); ++i) AddString(list[i]);
    SelectString(-1, selected ? selected : "");
    TakeParentFont(this, parent);
    SetFocus();
    return TRUE;
}

LRESULT CTBOwnListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return DialogCodeOf(CListBox::WindowProc(message, wParam, lParam), m_wantAllKeys);
        case WM_KEYDOWN:
            if (const UINT move = MoveMessageOf(static_cast<UINT>(wParam))) {
                TellParent(this, move, KeyFlags(lParam), Self(this));
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                TellParent(this, TBWM_EDITOR_CANCEL, KeyFlags(lParam), Self(this));
                return 0;
            }
            break;
        case WM_CHAR:
            if (IsEditorKeyChar(wParam)) return 0;
            TypeThenTellChanged(this);
            return 0;
        case WM_KILLFOCUS: {
            const LRESULT result = CListBox::WindowProc(message, wParam, lParam);
            TellFinish(this, static_cast<LPARAM>(wParam));
            return result;
        }
        default: break;
    }
    return CListBox::WindowProc(message, wParam, lParam);
}

// ------------------------------------------------------------------ push button

BOOL CTBOwnButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CButton::Create(caption, style, rect, parent, id)) return FALSE;
    m_wantAllKeys = 1;
    TakeParentFont(this, parent);
    SetFocus();
    return TRUE;
}

LRESULT CTBOwnButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return DialogCodeOf(CButton::WindowProc(message, wParam, lParam), m_wantAllKeys);
        case WM_KEYDOWN: {
            UINT move = MoveMessageOf(static_cast<UINT>(wParam));
            // Enter on a button ends the edit rather than moving down.
            if (move == TBWM_EDITOR_DOWN) {
                TellFinish(this, 0);
                return 0;
            }
            if (wParam == VK_ESCAPE) move = TBWM_EDITOR_CANCEL;
            if (move) {
                TellParent(this, move, KeyFlags(lParam), Self(this));
                return 0;
            }
            break;
        }
        case WM_CHAR:
            if (IsEditorKeyChar(wParam)) return 0;
            break;
        case WM_KILLFOCUS: {
            const LRESULT result = CButton::WindowProc(message, wParam, lParam);
            TellFinish(this, static_cast<LPARAM>(wParam));
            return result;
        }
        default: break;
    }
    return CButton::WindowProc(message, wParam, lParam);
}
