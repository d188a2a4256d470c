// The owner-drawn line width, line style and brush style combo boxes.
#include <toolbox/ui/style_pickers.h>

#include "controls/editors/self_drawn_combo.h"

using namespace tb_editors;

namespace {

constexpr DWORD kComboStyles = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
// The line style combo's order: solid, dot, dash, dash-dot, dash-dot-dot.
const int kLineStyles[] = {PS_SOLID, PS_DOT, PS_DASH, PS_DASHDOT, PS_DASHDOTDOT};

void DrawLine(CDC* dc, UINT style, int width, const CRect& rect, COLORREF colour) {
    CPen pen(style, width, colour);
    CPen* old = dc->SelectObject(&pen);
    const int y = (rect.top + rect.bottom) / 2;
    dc->MoveTo(rect.left + 4, y);
    dc->LineTo(rect.right - 4, y);
    dc->SelectObject(old);
}

}  // namespace

CTBStyleComboBox::CTBStyleComboBox()
    : m_text(GetSysColor(COLOR_WINDOWTEXT)), m_window(GetSysColor(COLOR_WINDOW)),
      m_highlight(GetSysColor(COLOR_HIGHLIGHT)), m_highlightText(GetSysColor(COLOR_HIGHLIGHTTEXT)),
      m_grayText(GetSysColor(COLOR_GRAYTEXT)) {}

BOOL CTBStyleComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    // The list styles are the control's own, whatever the caller asked for.
    style = (style & ~static_cast<DWORD>(3)) | kComboStyles;
    if (!CComboBox::Create(style, rect, parent, id)) return FALSE;
    DrawComboItemsSelf(this, [this](DRAWITEMSTRUCT& item) { DrawItem(item); }, -3);
    Fill();
    return TRUE;
}

BOOL CTBStyleComboBox::CreateDialogControl() {
    Placeholder old;
    if (!TakePlaceholder(*this, old)) return FALSE;
    if (!Create(old.style, old.rect, old.parent, old.id)) return FALSE;
    if (old.parent->GetFont()) SetFont(old.parent->GetFont());
    RestoreZOrder(*this, old.previous);
    return TRUE;
}

void CTBStyleComboBox::Fill() {
    ResetContent();
    // Placeholder strings: the entries are drawn, not written.
    for (int i = 0; i < EntryCount(); ++i) AddString("");
}

void CTBStyleComboBox::DrawItem(DRAWITEMSTRUCT& item) {
    CDC* dc = CDC::FromHandle(item.hDC);
    if (!dc) return;
    const CRect r(item.rcItem);
    COLORREF back = m_window, ink = m_text;
    if (item.itemState & ODS_DISABLED)
        ink = m_grayText;
    else if (item.itemState & ODS_SELECTED) {
        back = m_highlight;
        ink = m_highlightText;
    }
    dc->FillSolidRect(&r, back);
    if (static_cast<int>(item.itemID) < 0 || static_cast<int>(item.itemID) >= EntryCount()) return;
    CRect sample(r);
    sample.DeflateRect(2, 2);
    DrawSample(dc, static_cast<int>(item.itemID), sample, ink);
}

void CTBLineWidthComboBox::DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const {
    DrawLine(dc, PS_SOLID, index + 1, rect, colour);
}

void CTBLineStyleComboBox::SetCurSelLineStyle(int style) {
    int index = 0;
    for (int i = 0; i < 5; ++i)
        if (kLineStyles[i] == style) index = i;
    SetCurSel(index);
}

int CTBLineStyleComboBox::GetCurSelLineStyle() const {
    const int index = GetCurSel();
    return index >= 0 && index < 5 ? kLineStyles[index] : PS_SOLID;
}

void CTBLineStyleComboBox::DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const {
    DrawLine(dc, static_cast<UINT>(kLineStyles[index]), 0, rect, colour);
}

void CTBBrushStyleComboBox::SetCurSelBrushStyle(LOGBRUSH brush) {
    SetCurSel(brush.lbStyle == BS_SOLID ? 0 : static_cast<int>(brush.lbHatch) + 1);
}

LOGBRUSH CTBBrushStyleComboBox::GetCurSelBrushStyle() const {
    LOGBRUSH brush;
    const int index = GetCurSel();
    brush.lbColor = 0;
    if (index <= 0) {
        brush.lbStyle = BS_SOLID;
        brush.lbHatch = 0;
    } else {
        brush.lbStyle = BS_HATCHED;
        brush.lbHatch = static_cast<std::uintptr_t>(index - 1);
    }
    return brush;
}

void CTBBrushStyleComboBox::DrawSample(CDC* dc, int index, const CRect& rect, COLORREF colour) const {
    CBrush brush;
    if (index == 0)
        brush.CreateSolidBrush(colour);
    else
        brush.CreateHatchBrush(index - 1, colour);
    CPen frame(PS_SOLID, 0, colour);
    CBrush* oldBrush = dc->SelectObject(&brush);
    CPen* oldPen = dc->SelectObject(&frame);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->Rectangle(rect.left + 2, rect.top, rect.right - 2, rect.bottom);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
}
