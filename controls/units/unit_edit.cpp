// The unit edit: an edit whose context menu offers the units of its quantity under
// "Transform" (last unit first) and posts the chosen one to the parent.
#include <toolbox/ui/unit_controls.h>

#include "controls/editors/editor_keys.h"
#include "controls/editors/self_drawn_combo.h"

#include <toolbox/ui/command_bars.h>
#include <toolbox/ui/menu.h>
#include <toolbox/units/unit_manager.h>

#include <string>

using namespace tb_editors;

namespace {
constexpr UINT kUnitEditPopup = 2;      // "UnitEdit" in menu 4404
constexpr UINT kTransformPosition = 9;  // the "Transform" submenu in it

bool IsDigit(const std::string& s, std::size_t at) { return at < s.size() && s[at] >= '0' && s[at] <= '9'; }

/// The length of the decimal number text starts with (sign, digits, point, exponent),
/// read the same in every locale; 0 when it starts with none.
int NumberLength(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t digits = i;
    while (IsDigit(s, i)) ++i;
    if (i < s.size() && s[i] == '.') ++i;
    while (IsDigit(s, i)) ++i;
    if (i == digits || (i == digits + 1 && s[digits] == '.')) return 0;
    // An exponent only when digits follow: "2e" keeps its "e".
    std::size_t e = i;
    if (e < s.size() && (s[e] == 'e' || s[e] == 'E')) {
        ++e;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        if (IsDigit(s, e)) {
            while (IsDigit(s, e)) ++e;
            i = e;
        }
    }
    return static_cast<int>(i);
}
}  // namespace

BEGIN_MESSAGE_MAP(CTBUnitEdit, CEdit)
ON_WM_CONTEXTMENU()
ON_COMMAND_RANGE(TB_UNIT_COMMAND_FIRST, TB_UNIT_COMMAND_LAST, OnSelectUnit)
ON_COMMAND(kEditUndo, OnEditUndo)
ON_COMMAND(kEditCut, OnEditCut)
ON_COMMAND(kEditCopy, OnEditCopy)
ON_COMMAND(kEditPaste, OnEditPaste)
ON_COMMAND(kEditSelectAll, OnEditSelectAll)
ON_UPDATE_COMMAND_UI(kEditUndo, OnUpdateEditUndo)
ON_UPDATE_COMMAND_UI(kEditCut, OnUpdateEditCut)
ON_UPDATE_COMMAND_UI(kEditCopy, OnUpdateEditCopy)
ON_UPDATE_COMMAND_UI(kEditPaste, OnUpdateEditPaste)
ON_UPDATE_COMMAND_UI(kEditSelectAll, OnUpdateEditSelectAll)
END_MESSAGE_MAP()

BOOL CTBUnitEdit::Create(LPCTSTR text, LPCTSTR quantity, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                         CCreateContext* context) {
    return CreateEx(text, quantity, style, 0, rect, parent, id, context);
}

BOOL CTBUnitEdit::CreateEx(LPCTSTR, LPCTSTR quantity, DWORD style, DWORD exStyle, const RECT& rect, CWnd* parent,
                           UINT id, CCreateContext*) {
    if (!CWnd::CreateEx(exStyle, "EDIT", "", style, rect, parent, id)) return FALSE;
    FillUnits(quantity);
    TakeParentFont(this, parent);
    SetFocus();
    return TRUE;
}

void CTBUnitEdit::FillUnits(LPCTSTR quantity) {
    m_units.RemoveAll();
    TBGetSharedUnitEditManager().GetUnitArray(quantity ? quantity : "", m_units);
}

CUnit* CTBUnitEdit::GetTypedUnit(CString* value) const {
    CString text = GetWindowText();
    text.Trim();
    // The unit follows the value after a blank ("4.7 kOhm") or right after a number
    // ("10uF"); a text without either is a unit alone.
    int split = text.ReverseFind(' ');
    if (split < 0) split = NumberLength(text.str()) - 1;
    CString number = text.Left(split + 1);
    number.Trim();
    if (value) *value = number;
    CUnit* unit = nullptr;
    const int found = TBMatchUnit(m_units, text.Mid(split + 1), &TBGetSharedUnitEditManager(), unit);
    return found == TB_UNIT_FOUND ? unit : nullptr;
}

int CTBUnitEdit::CreateDialogControl(LPCTSTR quantity) {
    Placeholder old;
    if (!TakePlaceholder(*this, old)) return 0;
    if (!CreateEx(old.text, quantity, old.style, old.exStyle, old.rect, old.parent, old.id)) return 0;
    RestoreZOrder(*this, old.previous);
    return 1;
}

void CTBUnitEdit::OnContextMenu(CWnd*, CPoint point) {
    CMenu menu;
    if (CMenu* popup = PrepareContextMenu(menu))
        CTBCommandBars::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

CMenu* CTBUnitEdit::PrepareContextMenu(CMenu& menu) {
    if (!menu.LoadMenu(4404)) return nullptr;
    CMenu* popup = menu.GetSubMenu(kUnitEditPopup);
    if (!popup) return nullptr;
    if (m_units.GetSize() == 0) {
        popup->DeleteMenu(kTransformPosition, MF_BYPOSITION);
    } else {
        CMenu* transform = popup->GetSubMenu(kTransformPosition);
        m_commands.clear();
        for (int i = 0; i < m_units.GetSize() && transform; ++i) {
            const UINT command = TB_UNIT_COMMAND_FIRST + 1 + static_cast<UINT>(i);
            // Each unit goes before the one inserted just before it: last unit on top.
            transform->InsertMenu(command - 1, MF_BYCOMMAND | MF_STRING, command,
                                  TBUnitNotationText(m_units[i]->GetUnitAcronym()));
            transform->EnableMenuItem(command, MF_BYCOMMAND | MF_ENABLED);
            m_commands[command] = m_units[i];
        }
        if (transform) transform->DeleteMenu(TB_UNIT_COMMAND_FIRST, MF_BYCOMMAND);
    }
    return popup;
}

void CTBUnitEdit::OnSelectUnit(UINT id) {
    auto it = m_commands.find(id);
    if (it == m_commands.end()) return;
    if (CWnd* parent = GetParent())
        parent->PostMessage(TBWM_UNIT_SELECTED, static_cast<WPARAM>(GetDlgCtrlID()), reinterpret_cast<LPARAM>(it->second));
}

bool CTBUnitEdit::HasSelection() const {
    int start = 0, end = 0;
    GetSel(start, end);
    return start != end;
}

void CTBUnitEdit::OnEditUndo() { Undo(); }
void CTBUnitEdit::OnEditCut() { Cut(); }
void CTBUnitEdit::OnEditCopy() { Copy(); }
void CTBUnitEdit::OnEditPaste() { Paste(); }
void CTBUnitEdit::OnEditSelectAll() {
    SetSel(0, -1);
    SendMessage(EM_SCROLLCARET);
}

void CTBUnitEdit::OnUpdateEditUndo(CCmdUI* ui) { ui->Enable(!IsReadOnly() && CanUndo()); }
void CTBUnitEdit::OnUpdateEditCut(CCmdUI* ui) { ui->Enable(!IsReadOnly() && HasSelection()); }
void CTBUnitEdit::OnUpdateEditCopy(CCmdUI* ui) { ui->Enable(HasSelection()); }
void CTBUnitEdit::OnUpdateEditPaste(CCmdUI* ui) { ui->Enable(!IsReadOnly() && ClipboardHasText()); }
void CTBUnitEdit::OnUpdateEditSelectAll(CCmdUI* ui) {
    ui->Enable(GetLineCount() > 1 || const_cast<CTBUnitEdit*>(this)->SendMessage(EM_LINELENGTH, static_cast<WPARAM>(-1)) != 0);
}
