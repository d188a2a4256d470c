// The grid's in-place editors and how each kind opens over a cell.
#include "controls/grid/edit_list_editors.h"

#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/unit_controls.h>

namespace {

/// Control id of the editors (the grid's own child).
constexpr UINT kEditorId = 1;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

/// Makes the reused editor at first use.
template <class Editor>
Editor& Reused(std::unique_ptr<Editor>& editor) {
    if (!editor) editor = std::make_unique<Editor>();
    return *editor;
}

/// The window of an editor whose creation succeeded, else null.
CWnd* IfCreated(CWnd& editor, BOOL created) { return created ? &editor : nullptr; }

}  // namespace

CTBEditListEditors::CTBEditListEditors() = default;
CTBEditListEditors::~CTBEditListEditors() = default;

CWnd* CTBEditListEditors::Open(TBCellEditor kind, const TBEditorStart& s) {
    const TB_SITEMDEF& def = s.def;
    switch (kind) {
        case TBCellEditor::Edit: {
            // The edit keeps the column's alignment.
            const int format = s.columnFormat & 3;
            const DWORD align = format == LVCFMT_RIGHT ? ES_RIGHT : format == LVCFMT_CENTER ? ES_CENTER : ES_LEFT;
            CTBOwnEdit& edit = Reused(m_edit);
            return IfCreated(edit, edit.Create(s.text, kChild | WS_BORDER | ES_AUTOHSCROLL | align, s.rect, s.grid,
                                               kEditorId));
        }
        case TBCellEditor::DropList:
        case TBCellEditor::DropCombo: {
            const DWORD style = kind == TBCellEditor::DropList ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL);
            CTBOwnComboBox& combo = Reused(m_combo);
            return IfCreated(combo,
                             combo.Create(s.text, def.listEntries, kChild | WS_VSCROLL | style, s.rect, s.grid, kEditorId));
        }
        case TBCellEditor::Units: {
            CTBUnitComboBox& units = Reused(m_units);
            return IfCreated(units, units.Create(s.text, def.listEntries, kChild | WS_VSCROLL | CBS_DROPDOWNLIST,
                                                 s.rect, s.grid, kEditorId));
        }
        case TBCellEditor::Quantities: {
            CTBPhysQuantComboBox& quantities = Reused(m_quantities);
            return IfCreated(quantities, quantities.Create(s.text, nullptr, kChild | WS_VSCROLL | CBS_DROPDOWNLIST,
                                                           s.rect, s.grid, kEditorId));
        }
        case TBCellEditor::Browse: {
            CTBOwnBrowseBox& browse = Reused(m_browse);
            browse.SetAdditionalPtr(def.additional);
            if (!browse.Create(s.text, def.listEntries, kChild, s.rect, s.grid, kEditorId)) return nullptr;
            if (s.info.Has(kTypeReadOnlyField) && browse.GetEditControl()) browse.GetEditControl()->SetReadOnly(TRUE);
            return &browse;
        }
        case TBCellEditor::Colour: {
            CTBColorPopup& popup = Reused(m_colour);
            // A popup closed a moment ago may still wait for its posted destruction.
            if (popup.m_hWnd) popup.DestroyWindow();
            CPoint below(s.rect.left, s.rect.bottom);
            s.grid->ClientToScreen(&below);
            return IfCreated(popup, popup.Create(below, s.colour, s.grid, kEditorId));
        }
        case TBCellEditor::None:
        case TBCellEditor::TellParent: break;
    }
    return nullptr;
}

CWnd* CTBEditListEditors::TextField(CWnd* editor) const {
    if (editor && editor == m_browse.get() && m_browse->GetEditControl()) return m_browse->GetEditControl();
    return editor;
}

void CTBEditListEditors::SelectAll(CWnd* editor) const {
    if (editor && editor == m_edit.get()) m_edit->SetSel(0, -1);
}

bool CTBEditListEditors::IsColourPopup(const CWnd* editor) const { return editor && editor == m_colour.get(); }

void CTBEditListEditors::DropColourPopup(const CWnd* openEditor) {
    if (m_colour && m_colour->m_hWnd && openEditor != m_colour.get()) m_colour->DestroyWindow();
}
