// The grid's cells as their types show them.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_view.h"

#include <toolbox/ui/drawing.h>

#include <QColor>
#include <QPainter>

#include <cstdlib>

namespace {
/// Side of the check and radio glyphs.
constexpr int kGlyph = 13;
/// Text margin inside a cell.
constexpr int kMargin = 3;
}  // namespace

void CTBEditListCtrl::DrawCell(CDC& dc, int row, int col, const CRect& rect, BOOL selected) {
    if (!ValidCell(row, col)) return;
    const TB_SITEMDEF* def = Def(row, col);
    const TB_EnumEditTypes type = def ? def->type : TB_EDIT_NONE;
    const CString& text = m_model->Text(row, col);
    if (CFont* font = GetFont()) dc.SelectObject(font);
    const bool face = m_faceColouredFixedCells && IsFixedType(type);
    COLORREF back = GetSysColor(face ? COLOR_BTNFACE : COLOR_WINDOW), fore = GetSysColor(COLOR_WINDOWTEXT);
    if (selected) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    CRect r(rect);
    dc.FillSolidRect(&r, back);
    // The grid lines: right and bottom edge of every cell.
    dc.FillSolidRect(r.right - 1, r.top, 1, r.Height(), GetSysColor(COLOR_BTNFACE));
    dc.FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, GetSysColor(COLOR_BTNFACE));
    r.right -= 1;
    r.bottom -= 1;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(fore);
    switch (type) {
        case TB_EDIT_CHECK:
        case TB_EDIT_CHECK_INACTIVE:
        case TB_EDIT_RADIO:
        case TB_EDIT_RADIO_INACTIVE: {
            const int side = std::min(kGlyph, static_cast<int>(r.Height()) - 2);
            CRect glyph(r.left + (r.Width() - side) / 2, r.top + (r.Height() - side) / 2, 0, 0);
            glyph.right = glyph.left + side;
            glyph.bottom = glyph.top + side;
            UINT state = (type == TB_EDIT_RADIO || type == TB_EDIT_RADIO_INACTIVE) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
            if (text != "0" && !text.IsEmpty()) state |= DFCS_CHECKED;
            if (type == TB_EDIT_CHECK_INACTIVE || type == TB_EDIT_RADIO_INACTIVE) state |= DFCS_INACTIVE;
            dc.DrawFrameControl(&glyph, DFC_BUTTON, state);
            if (state & DFCS_INACTIVE) {
                // The inactive look: the glyph half covered by the face colour, whatever
                // the style makes of a disabled button.
                if (QPainter* painter = dc.GetPainter()) {
                    const COLORREF face = GetSysColor(COLOR_BTNFACE);
                    painter->fillRect(QRect(glyph.left, glyph.top, glyph.Width(), glyph.Height()),
                                      QColor(GetRValue(face), GetGValue(face), GetBValue(face), 140));
                }
            }
            m_checkHitWidth = side + 4;
            return;
        }
        case TB_EDIT_COLOR: {
            CRect swatch(r);
            swatch.DeflateRect(3, 2);
            dc.FillSolidRect(&swatch, GetItemColor(row, col));
            dc.Draw3dRect(&swatch, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
            return;
        }
        case TB_EDIT_BUTTON: {
            CRect button(r);
            button.DeflateRect(1, 1);
            dc.DrawFrameControl(&button, DFC_BUTTON, DFCS_BUTTONPUSH);
            dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
            TBSpecialDrawText(&dc, text, &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                              0);
            return;
        }
        case TB_EDIT_IMAGE_CENTER:
        case TB_EDIT_IMAGE_LEFT: {
            const auto* images = static_cast<const CImageList*>(def->additional);
            if (!images) return;
            const CSize size = images->GetImageSize();
            const int x = type == TB_EDIT_IMAGE_CENTER ? r.left + (r.Width() - size.cx) / 2 : r.left + 2;
            images->Draw(&dc, std::atoi(text), CPoint(x, r.top + (r.Height() - size.cy) / 2));
            return;
        }
        default: break;
    }
    CRect textRect(r);
    textRect.left += kMargin;
    textRect.right -= kMargin;
    if (HasCellButton(type)) {
        const int side = r.Height();
        CRect button(r.right - side, r.top, r.right, r.bottom);
        textRect.right = button.left - kMargin;
        if (IsComboType(type)) {
            dc.DrawFrameControl(&button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
        } else {
            dc.DrawFrameControl(&button, DFC_BUTTON, DFCS_BUTTONPUSH);
            dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
            dc.DrawText("...", &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            dc.SetTextColor(fore);
        }
    }
    const int notation = type == TB_EDIT_UNIT || type == TB_EDIT_UNIT_TEXT ? 1 : 0;
    const int format = col < static_cast<int>(m_model->formats.size()) ? m_model->formats[static_cast<std::size_t>(col)] & 3 : 0;
    const UINT align = format == LVCFMT_RIGHT ? DT_RIGHT : format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    TBSpecialDrawText(&dc, text, &textRect, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                      notation);
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
