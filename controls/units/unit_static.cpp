// The unit static and the unit check box whose label it is.
#include <toolbox/ui/unit_controls.h>

#include <QWidget>

#include "controls/editors/editor_keys.h"
#include "controls/editors/self_drawn_combo.h"

#include <toolbox/ui/dc.h>
#include <toolbox/ui/drawing.h>

using namespace tb_editors;

// ------------------------------------------------------------------ static

CTBUnitStatic::CTBUnitStatic()
    : m_background(GetSysColor(COLOR_BTNFACE)), m_text(GetSysColor(COLOR_WINDOWTEXT)),
      m_disabledText(GetSysColor(COLOR_GRAYTEXT)) {}

void CTBUnitStatic::GetWindowTextA(CString& text) const { text = CWnd::GetWindowText(); }

int CTBUnitStatic::CreateDialogControl() {
    Placeholder old;
    if (!TakePlaceholder(*this, old)) return 0;
    if (!CStatic::Create(old.text, old.style, old.rect, old.parent, old.id)) return 0;
    TakeParentFont(this, old.parent);
    return 1;
}

LRESULT CTBUnitStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        CPaintDC dc(this);
        DrawTo(dc);
        return 0;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

void CTBUnitStatic::DrawTo(CDC& dc) {
    CRect r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, m_background);
    dc.SetBkMode(TRANSPARENT);
    CWnd* parent = GetParent();
    CFont* font = parent ? parent->GetFont() : nullptr;
    CFont* old = font ? dc.SelectObject(font) : nullptr;
    const DWORD style = GetStyle();
    UINT format = DT_TB_NOTATION;
    if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
    if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
    if (style & SS_CENTERIMAGE) format |= DT_VCENTER | DT_SINGLELINE;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    CString text;
    GetWindowTextA(text);
    if (IsWindowEnabled()) {
        dc.SetTextColor(m_text);
        TBDrawUnitNotation(&dc, text, &r, format);
    } else {
        // The engraved look: a white copy, then the grey text one pixel up and left.
        dc.SetTextColor(RGB(255, 255, 255));
        TBDrawUnitNotation(&dc, text, &r, format);
        dc.SetTextColor(m_disabledText);
        CRect moved(r);
        moved.OffsetRect(-1, -1);
        TBDrawUnitNotation(&dc, text, &moved, format);
    }
    if (HasFocus()) {
        CRect measured(r);
        TBDrawUnitNotation(&dc, text, &measured, format | DT_CALCRECT);
        CRect focus(r.left, r.top, r.left + measured.Width(), r.bottom);
        dc.DrawFocusRect(&focus);
    }
    if (old) dc.SelectObject(old);
}

// ------------------------------------------------------------------ check box

namespace {

/// The check box's label: the check box's unit text, focused with the check box.
class CCheckBoxLabel : public CTBUnitStatic {
public:
    explicit CCheckBoxLabel(CTBUnitCheckBox* box) : m_box(box) {}
    void GetWindowTextA(CString& text) const override { text = m_box->GetUnitText(); }
    BOOL HasFocus() const override { return m_box->GetWidget() && m_box->GetWidget()->hasFocus(); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        // A click on the label is a click on the check box.
        if (message == WM_LBUTTONUP && m_box->IsWindowEnabled()) {
            m_box->SetFocus();
            m_box->Click();
            return 0;
        }
        return CTBUnitStatic::WindowProc(message, wParam, lParam);
    }

private:
    CTBUnitCheckBox* m_box;
};

constexpr int kLabelLeft = 18;

}  // namespace

CTBUnitCheckBox::CTBUnitCheckBox() = default;
CTBUnitCheckBox::~CTBUnitCheckBox() {
    if (m_hWnd) DestroyWindow();
}

CTBUnitStatic* CTBUnitCheckBox::GetLabel() const { return m_label.get(); }

BOOL CTBUnitCheckBox::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CButton::Create("", style, rect, parent, id)) return FALSE;
    m_unitText = text ? text : "";
    m_label = std::make_unique<CCheckBoxLabel>(this);
    const CRect r(rect);
    m_label->Create("", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, CRect(kLabelLeft, 1, r.Width(), r.Height() - 2), this,
                    1);
    TakeParentFont(this, parent);
    return TRUE;
}

int CTBUnitCheckBox::CreateDialogControl() {
    Placeholder old;
    if (!TakePlaceholder(*this, old)) return 0;
    return Create(old.text, old.style, old.rect, old.parent, old.id) ? 1 : 0;
}

void CTBUnitCheckBox::PlaceLabel(int width, int height) {
    if (m_label && m_label->m_hWnd) m_label->MoveWindow(CRect(kLabelLeft, 1, width, height - 2));
}

LRESULT CTBUnitCheckBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: PlaceLabel(LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam))); break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (m_label && m_label->m_hWnd) m_label->Invalidate();
            break;
        default: break;
    }
    return CButton::WindowProc(message, wParam, lParam);
}
