// The unit and quantity combo boxes over the shared unit catalogue, and the material
// combo boxes over the shared materials catalogue.
#include <toolbox/ui/unit_controls.h>

#include <QWidget>

#include "controls/editors/editor_keys.h"
#include "controls/editors/self_drawn_combo.h"

#include <toolbox/ui/dc.h>
#include <toolbox/units/materials.h>
#include <toolbox/units/unit_manager.h>

using namespace tb_editors;

namespace {

/// The common creation of the catalogue combos: a combo box whose dropped list is six
/// times the rectangle's height.
CRect SixTimesHigh(const RECT& rect) {
    CRect dropped(rect);
    dropped.bottom = dropped.top + 6 * (rect.bottom - rect.top);
    return dropped;
}

BOOL CreateCombo(CComboBox& combo, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return combo.CComboBox::Create(style, SixTimesHigh(rect), parent, id);
}

/// Enabled with the first entry selected when the list has entries, else disabled.
void EnableByContent(CComboBox& combo) {
    const bool any = combo.GetCount() > 0;
    combo.EnableWindow(any);
    if (any) combo.SetCurSel(0);
}

}  // namespace

// ------------------------------------------------------------------ units

CTBUnitComboBox::CTBUnitComboBox()
    : m_highlight(GetSysColor(COLOR_HIGHLIGHT)), m_highlightText(GetSysColor(COLOR_HIGHLIGHTTEXT)),
      m_face(GetSysColor(COLOR_BTNFACE)), m_buttonText(GetSysColor(COLOR_BTNTEXT)), m_window(GetSysColor(COLOR_WINDOW)),
      m_windowText(GetSysColor(COLOR_WINDOWTEXT)), m_face2(GetSysColor(COLOR_BTNFACE)),
      m_grayText(GetSysColor(COLOR_GRAYTEXT)) {}

void CTBUnitComboBox::FillCombo(LPCTSTR quantity) {
    CStringArray units;
    TBGetSharedUnitManager().GetUnitArray(quantity ? quantity : "", units);
    ResetContent();
    for (int i = 0; i < units.GetSize(); ++i) AddString(units[i]);
    EnableByContent(*this);
}

BOOL CTBUnitComboBox::Create(LPCTSTR unit, LPCTSTR quantity, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                             CCreateContext*) {
    return CreateDropped(unit, quantity, style, SixTimesHigh(rect), parent, id);
}

BOOL CTBUnitComboBox::CreateDropped(LPCTSTR unit, LPCTSTR quantity, DWORD style, const RECT& dropped, CWnd* parent,
                                    UINT id) {
    if (!CComboBox::Create(style, dropped, parent, id)) return FALSE;
    DrawComboItemsSelf(this, [this](DRAWITEMSTRUCT& item) { DrawItem(item); }, -4);
    FillCombo(quantity);
    TakeParentFont(this, parent);
    // The unit may be given as shown or typed ("kΩ", "kOhm"): its entry is selected.
    CUnit* found = nullptr;
    if (unit && TBGetSharedUnitManager().FindUnit(quantity ? quantity : "", unit, found) == TB_UNIT_FOUND)
        return FinishCreate(found->GetUnitAcronym());
    return FinishCreate(unit);
}

int CTBUnitComboBox::CreateDialogControl(LPCTSTR quantity) {
    Placeholder old;
    if (!TakePlaceholder(*this, old)) return 0;
    // The template's rectangle already reaches over the dropped list.
    if (!CreateDropped(old.text, quantity, old.style | WS_VSCROLL, old.rect, old.parent, old.id)) return 0;
    m_createdDirectly = 0;
    RestoreZOrder(*this, old.previous);
    return 1;
}

void CTBUnitComboBox::DrawItem(DRAWITEMSTRUCT& item) {
    CDC* dc = CDC::FromHandle(item.hDC);
    if (!dc) return;
    COLORREF back = m_window, text = m_windowText;
    if (item.itemState & ODS_DISABLED) {
        back = m_face2;
        text = m_grayText;
    } else if (item.itemState & ODS_SELECTED) {
        const bool focus = GetWidget() && (GetWidget()->hasFocus() || !(item.itemState & ODS_COMBOBOXEDIT));
        back = focus ? m_highlight : m_face;
        text = focus ? m_highlightText : m_buttonText;
    }
    CRect r(item.rcItem);
    dc->FillSolidRect(&r, back);
    if (static_cast<int>(item.itemID) < 0 || static_cast<int>(item.itemID) >= GetCount()) return;
    CString acronym;
    GetLBText(static_cast<int>(item.itemID), acronym);
    if (CFont* font = GetFont()) dc->SelectObject(font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(text);
    r.left += 2;
    TBDrawUnitNotation(dc, acronym, &r, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
}

// ------------------------------------------------------------------ quantities

void CTBPhysQuantComboBox::FillCombo() {
    CArray<CQuantity*> quantities;
    TBGetSharedUnitManager().GetQuantityArray(quantities, 0);
    ResetContent();
    AddString("");
    for (int i = 0; i < quantities.GetSize(); ++i) AddString(quantities[i]->GetQuantityName());
    EnableWindow(TRUE);
    SetCurSel(0);
}

BOOL CTBPhysQuantComboBox::Create(LPCTSTR selected, LPCTSTR, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                                  CCreateContext*) {
    if (!CreateCombo(*this, style | CBS_SORT, rect, parent, id)) return FALSE;
    FillCombo();
    if (GetCount() == 0) {
        DestroyWindow();
        return FALSE;
    }
    TakeParentFont(this, parent);
    return FinishCreate(selected);
}

// ------------------------------------------------------------------ materials

namespace {

template <class Valid>
void FillMaterials(CComboBox& combo, Valid valid) {
    CArray<CTBMaterial*> materials;
    TBGetSharedMaterialManager().GetMaterialArray(materials);
    combo.ResetContent();
    for (int i = 0; i < materials.GetSize(); ++i)
        if (valid(*materials[i])) combo.AddString(materials[i]->GetMaterialName());
    EnableByContent(combo);
}

template <class Combo>
BOOL CreateMaterialCombo(Combo& combo, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CreateCombo(combo, style | CBS_SORT, rect, parent, id)) return FALSE;
    combo.FillCombo();
    if (combo.GetCount() == 0) {
        combo.DestroyWindow();
        return FALSE;
    }
    TakeParentFont(&combo, parent);
    return TRUE;
}

}  // namespace

void CTBConductorMaterialComboBox::FillCombo() {
    FillMaterials(*this, [](CTBMaterial& m) { return m.m_conductorValid != 0; });
}

BOOL CTBConductorMaterialComboBox::Create(LPCTSTR selected, LPCTSTR, DWORD style, const RECT& rect, CWnd* parent,
                                          UINT id, CCreateContext*) {
    if (!CreateMaterialCombo(*this, style, rect, parent, id)) return FALSE;
    return FinishCreate(selected);
}

void CTBInsulatorMaterialComboBox::FillCombo() {
    FillMaterials(*this, [](CTBMaterial& m) { return m.m_insulatorValid != 0; });
}

BOOL CTBInsulatorMaterialComboBox::Create(LPCTSTR selected, LPCTSTR, DWORD style, const RECT& rect, CWnd* parent,
                                          UINT id, CCreateContext*) {
    if (!CreateMaterialCombo(*this, style, rect, parent, id)) return FALSE;
    return FinishCreate(selected);
}
