// The edit in place: Tab, Shift+Tab and Enter move on after remembering the text,
// Escape puts the remembered text back and cancels, the focus leaving finishes.
#include "controls/editors/editor_keys.h"

using namespace tb_editors;

namespace {

/// A multi-line edit that asks for Enter types a new line with it instead of moving on.
bool TypesNewLines(const CWnd& edit) { return (edit.GetStyle() & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN); }

class CEditKeys : public CEditorKeys {
public:
    CEditKeys(CTBOwnEdit& edit, int wantAllKeys, CString& kept) : CEditorKeys(edit, wantAllKeys), m_edit(edit), m_kept(kept) {}

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        return m_edit.CEdit::WindowProc(message, wParam, lParam);
    }
    UINT MoveOf(UINT vk) const override { return vk == VK_RETURN && TypesNewLines(m_edit) ? 0 : MoveMessageOf(vk); }
    void KeepText() override { m_kept = m_edit.GetWindowText(); }
    bool RestoreText() override {
        m_edit.SetWindowText(m_kept);
        return true;
    }
    bool TypesKeyChar(WPARAM ch) const override { return ch == '\r' && TypesNewLines(m_edit); }

private:
    CTBOwnEdit& m_edit;
    CString& m_kept;
};

}  // namespace

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

LRESULT CTBOwnEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (CEditKeys(*this, m_wantAllKeys, m_text).Handle(message, wParam, lParam, result)) return result;
    return CEdit::WindowProc(message, wParam, lParam);
}
