// The grid's cells as their types show them.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_view.h"
#include "controls/grid/edit_types.h"

#include <toolbox/ui/drawing.h>

#include <QColor>
#include <QPainter>

#include <cstdlib>

namespace {
/// Side of the check and radio glyphs.
constexpr int kGlyph = 13;
/// Text margin inside a cell.
constexpr int kMargin = 3;

/// Fills the cell with back and draws the grid lines at its right and bottom edges;
/// the rectangle inside the lines.
CRect FillCell(CDC& dc, const CRect& rect, COLORREF back) {
    CRect r(rect);
    dc.FillSolidRect(&r, back);
    dc.FillSolidRect(r.right - 1, r.top, 1, r.Height(), GetSysColor(COLOR_BTNFACE));
    dc.FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, GetSysColor(COLOR_BTNFACE));
    r.right -= 1;
    r.bottom -= 1;
    return r;
}

/// The centred check or radio glyph, checked unless the text is "0" or empty; its side.
int DrawGlyph(CDC& dc, const CRect& r, const TBEditTypeInfo& info, const CString& text) {
    const int side = std::min(kGlyph, static_cast<int>(r.Height()) - 2);
    CRect glyph(r.left + (r.Width() - side) / 2, r.top + (r.Height() - side) / 2, 0, 0);
    glyph.right = glyph.left + side;
    glyph.bottom = glyph.top + side;
    UINT state = info.look == TBCellLook::Radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (text != "0" && !text.IsEmpty()) state |= DFCS_CHECKED;
    if (info.Has(kTypeInactive)) state |= DFCS_INACTIVE;
    dc.DrawFrameControl(&glyph, DFC_BUTTON, state);
    QPainter* painter = info.Has(kTypeInactive) ? dc.GetPainter() : nullptr;
    if (painter) {
        // The inactive look: the glyph half covered by the face colour, whatever the
        // style makes of a disabled button.
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        painter->fillRect(QRect(glyph.left, glyph.top, glyph.Width(), glyph.Height()),
                          QColor(GetRValue(face), GetGValue(face), GetBValue(face), 140));
    }
    return side;
}

void DrawSwatch(CDC& dc, const CRect& r, COLORREF colour) {
    CRect swatch(r);
    swatch.DeflateRect(3, 2);
    dc.FillSolidRect(&swatch, colour);
    dc.Draw3dRect(&swatch, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
}

void DrawPushButton(CDC& dc, const CRect& r, const CString& caption) {
    CRect button(r);
    button.DeflateRect(1, 1);
    dc.DrawFrameControl(&button, DFC_BUTTON, DFCS_BUTTONPUSH);
    dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
    TBSpecialDrawText(&dc, caption, &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, 0);
}

/// The image whose index is the text, from the image list of the definition.
void DrawImage(CDC& dc, const CRect& r, const TBEditTypeInfo& info, const CImageList* images, const CString& text) {
    if (!images) return;
    const CSize size = images->GetImageSize();
    const int x = info.look == TBCellLook::ImageCentred ? r.left + (r.Width() - size.cx) / 2 : r.left + 2;
    images->Draw(&dc, std::atoi(text), CPoint(x, r.top + (r.Height() - size.cy) / 2));
}

/// The drop-down or "..." button at the right edge of a cell that has one; the room
/// left for the text.
CRect DrawCellButton(CDC& dc, const CRect& r, const TBEditTypeInfo& info, COLORREF fore) {
    CRect textRect(r);
    textRect.left += kMargin;
    textRect.right -= kMargin;
    if (!info.HasCellButton()) return textRect;
    const int side = r.Height();
    CRect button(r.right - side, r.top, r.right, r.bottom);
    textRect.right = button.left - kMargin;
    if (info.look == TBCellLook::DropButton) {
        dc.DrawFrameControl(&button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    } else {
        dc.DrawFrameControl(&button, DFC_BUTTON, DFCS_BUTTONPUSH);
        dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
        dc.DrawText("...", &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        dc.SetTextColor(fore);
    }
    return textRect;
}

/// The DT_ alignment of an LVCFMT_ column format.
UINT AlignmentOf(int format) {
    format &= 3;
    return format == LVCFMT_RIGHT ? DT_RIGHT : format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
}

}  // namespace

void CTBEditListCtrl::DrawCell(CDC& dc, int row, int col, const CRect& rect, BOOL selected) {
    if (!ValidCell(row, col)) return;
    const TB_SITEMDEF* def = Def(row, col);
    const TBEditTypeInfo& info = TBEditTypeOf(def);
    const CString& text = m_model->Text(row, col);
    if (CFont* font = GetFont()) dc.SelectObject(font);
    const bool face = m_faceColouredFixedCells && info.Has(kTypeFixed);
    const COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : face ? COLOR_BTNFACE : COLOR_WINDOW);
    const COLORREF fore = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const CRect r = FillCell(dc, rect, back);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(fore);
    switch (info.look) {
        case TBCellLook::Check:
        case TBCellLook::Radio: m_checkHitWidth = DrawGlyph(dc, r, info, text) + 4; return;
        case TBCellLook::Swatch: DrawSwatch(dc, r, GetItemColor(row, col)); return;
        case TBCellLook::PushButton: DrawPushButton(dc, r, text); return;
        case TBCellLook::ImageCentred:
        case TBCellLook::ImageLeft: DrawImage(dc, r, info, static_cast<const CImageList*>(def->additional), text); return;
        case TBCellLook::Text:
        case TBCellLook::DropButton:
        case TBCellLook::BrowseButton: break;
    }
    CRect textRect = DrawCellButton(dc, r, info, fore);
    const int format = col < static_cast<int>(m_model->formats.size()) ? m_model->formats[static_cast<std::size_t>(col)] : 0;
    TBSpecialDrawText(&dc, text, &textRect, AlignmentOf(format) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                      info.Has(kTypeUnitNotation) ? 1 : 0);
}

void CTBEditListCtrl::DrawHeader(CDC& dc, const CRect& rect) {
    if (!m_view) return;
    QHeaderView* header = m_view->header();
    for (int col = 0; col < GetColumnCount(); ++col) {
        const CRect section(rect.left + header->sectionViewportPosition(col), rect.top,
                            rect.left + header->sectionViewportPosition(col) + header->sectionSize(col), rect.bottom);
        dc.FillSolidRect(&section, GetSysColor(COLOR_BTNFACE));
        dc.Draw3dRect(&section, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
        CRect text(section);
        text.DeflateRect(6, 0);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
        TBSpecialDrawText(&dc, GetEditColumnName(col), &text,
                          DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                          m_view->unitHeader()->unitNotation ? 1 : 0);
    }
}
