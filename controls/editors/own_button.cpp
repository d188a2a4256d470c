// The push button in place: Tab and Shift+Tab move on, Enter finishes, Escape cancels,
// the focus leaving finishes.
#include "controls/editors/editor_keys.h"

using namespace tb_editors;

namespace {

class CButtonKeys : public CEditorKeys {
public:
    CButtonKeys(CTBOwnButton& button, int wantAllKeys) : CEditorKeys(button, wantAllKeys), m_button(button) {}

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        return m_button.CButton::WindowProc(message, wParam, lParam);
    }
    /// Enter on a button ends the edit rather than moving down.
    UINT MoveOf(UINT vk) const override { return vk == VK_RETURN ? TBWM_EDITOR_FINISH : MoveMessageOf(vk); }
    /// A button has no value to change.
    bool TypingChanges() const override { return false; }

private:
    CTBOwnButton& m_button;
};

}  // namespace

BOOL CTBOwnButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CButton::Create(caption, style, rect, parent, id)) return FALSE;
    m_wantAllKeys = 1;
    TakeParentFont(this, parent);
    SetFocus();
    return TRUE;
}

LRESULT CTBOwnButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (CButtonKeys(*this, m_wantAllKeys).Handle(message, wParam, lParam, result)) return result;
    return CButton::WindowProc(message, wParam, lParam);
}
