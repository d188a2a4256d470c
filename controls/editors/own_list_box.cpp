// The list box in place: the comma-separated entries, keys that end or move the edit
// go to the parent as messages, the focus leaving finishes it.
#include "controls/editors/editor_keys.h"

using namespace tb_editors;

namespace {

/// Escape only cancels: the list keeps no text to put back.
class CListBoxKeys : public CEditorKeys {
public:
    CListBoxKeys(CTBOwnListBox& list, int wantAllKeys) : CEditorKeys(list, wantAllKeys), m_list(list) {}

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        return m_list.CListBox::WindowProc(message, wParam, lParam);
    }

private:
    CTBOwnListBox& m_list;
};

}  // namespace

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
    LRESULT result = 0;
    if (CListBoxKeys(*this, m_wantAllKeys).Handle(message, wParam, lParam, result)) return result;
    return CListBox::WindowProc(message, wParam, lParam);
}
