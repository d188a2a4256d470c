// The pen style, pen width and brush style selectors of the command bars, and the
// popup button that holds one.
#include <toolbox/ui/style_pickers.h>

namespace {

const std::vector<long> kPenStyles = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
const std::vector<long> kPenWidths = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::vector<long> kBrushStyles = {BS_HOLLOW, BS_SOLID, 0x30002, 0x40002, 0x50002, 0x20002, 0x00002, 0x10002};

/// A horizontal line through the middle of rect with pen.
void DrawMiddleLine(CDC* dc, CPen& pen, const CRect& rect) {
    CPen* old = dc->SelectObject(&pen);
    const int y = (rect.top + rect.bottom) / 2;
    dc->MoveTo(rect.left, y);
    dc->LineTo(rect.right, y);
    dc->SelectObject(old);
}

}  // namespace

// ------------------------------------------------------------------ the common column

CTBControlStyleSelector::CTBControlStyleSelector(UINT id, std::vector<long> values)
    : CTBBarControl(id), m_values(std::move(values)), m_tooltips(m_values.size()) {}

void CTBControlStyleSelector::SetCurrentValue(long value) {
    m_current = value;
    RedrawParent();
}

CRect CTBControlStyleSelector::GetItemRect(int i) const {
    const CRect r = GetRect();
    const int top = r.top + 2 + kItemHeight * i;
    return CRect(r.left + 2, top, r.left + 2 + kItemWidth, top + kItemHeight);
}

int CTBControlStyleSelector::HitTestItem(CPoint point) const {
    if (!GetRect().PtInRect(point)) return -1;
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetItemRect(i).PtInRect(point)) return i;
    return -1;
}

void CTBControlStyleSelector::SetItemTooltip(int i, LPCTSTR text) {
    if (i >= 0 && i < GetItemCount()) m_tooltips[static_cast<std::size_t>(i)] = text ? text : "";
}

CSize CTBControlStyleSelector::GetSize(CDC*) { return CSize(kWidth, 4 + kItemHeight * GetItemCount()); }

void CTBControlStyleSelector::Draw(CDC* dc) {
    for (int i = 0; i < GetItemCount(); ++i) {
        const CRect item = GetItemRect(i);
        const bool hot = i == m_hotItem, current = m_values[static_cast<std::size_t>(i)] == m_current;
        if (hot || current) {
            TBBarFrameState state = TBBarFrameState::Checked;
            if (hot && i == m_pressedItem)
                state = TBBarFrameState::Pressed;
            else if (hot)
                state = current ? TBBarFrameState::HotChecked : TBBarFrameState::Hot;
            DrawButtonFrame(dc, item, state);
        }
        CRect sample(item);
        sample.DeflateRect(3, 3);
        DrawSample(dc, i, sample);
    }
}

void CTBControlStyleSelector::SetHotItem(int item) {
    if (item == m_hotItem) return;
    m_hotItem = item;
    RedrawParent();
}

void CTBControlStyleSelector::OnMouseMove(CPoint point) {
    CTBBarControl::OnMouseMove(point);
    SetHotItem(HitTestItem(point));
}

void CTBControlStyleSelector::OnMouseLeave() {
    CTBBarControl::OnMouseLeave();
    SetHotItem(-1);
}

void CTBControlStyleSelector::OnClick(CPoint point) {
    const int item = HitTestItem(point);
    if (item < 0 || !GetEnabled()) return;
    m_pressedItem = item;
    m_current = m_values[static_cast<std::size_t>(item)];
    // Executing may close the popup bar this control sits on; nothing of the bar is
    // touched afterwards.
    Execute();
    m_pressedItem = -1;
}

CString CTBControlStyleSelector::GetTooltipAt(CPoint point, CRect* rect) const {
    const int item = HitTestItem(point);
    if (item < 0) return CString();
    if (rect) *rect = GetItemRect(item);
    return m_tooltips[static_cast<std::size_t>(item)];
}

void CTBControlStyleSelector::CopySelectorTo(CTBControlStyleSelector& copy) const {
    CopyTo(copy);
    copy.m_tooltips = m_tooltips;
    copy.m_current = m_current;
}

// ------------------------------------------------------------------ the three selectors

CTBControlPenStyleSelector::CTBControlPenStyleSelector(UINT id) : CTBControlStyleSelector(id, kPenStyles) {}

std::unique_ptr<CTBBarControl> CTBControlPenStyleSelector::Clone() const {
    auto copy = std::make_unique<CTBControlPenStyleSelector>(GetID());
    CopySelectorTo(*copy);
    return copy;
}

void CTBControlPenStyleSelector::DrawSample(CDC* dc, int i, const CRect& rect) const {
    CPen pen(static_cast<UINT>(GetValues()[static_cast<std::size_t>(i)]), 0, GetSysColor(COLOR_WINDOWTEXT));
    DrawMiddleLine(dc, pen, rect);
}

CTBControlPenWidthSelector::CTBControlPenWidthSelector(UINT id) : CTBControlStyleSelector(id, kPenWidths) {}

std::unique_ptr<CTBBarControl> CTBControlPenWidthSelector::Clone() const {
    auto copy = std::make_unique<CTBControlPenWidthSelector>(GetID());
    CopySelectorTo(*copy);
    return copy;
}

void CTBControlPenWidthSelector::DrawSample(CDC* dc, int i, const CRect& rect) const {
    CPen pen(PS_SOLID, static_cast<int>(GetValues()[static_cast<std::size_t>(i)]), GetSysColor(COLOR_WINDOWTEXT));
    DrawMiddleLine(dc, pen, rect);
}

CTBControlBrushStyleSelector::CTBControlBrushStyleSelector(UINT id) : CTBControlStyleSelector(id, kBrushStyles) {}

std::unique_ptr<CTBBarControl> CTBControlBrushStyleSelector::Clone() const {
    auto copy = std::make_unique<CTBControlBrushStyleSelector>(GetID());
    CopySelectorTo(*copy);
    return copy;
}

void CTBControlBrushStyleSelector::DrawSample(CDC* dc, int i, const CRect& rect) const {
    const long value = GetValues()[static_cast<std::size_t>(i)];
    LOGBRUSH log{static_cast<UINT>(value & 0xFFFF), GetSysColor(COLOR_WINDOWTEXT),
                 static_cast<std::uintptr_t>((value >> 16) & 0xFFFF)};
    CBrush brush;
    brush.CreateBrushIndirect(&log);
    CPen frame(PS_SOLID, 0, GetSysColor(COLOR_WINDOWTEXT));
    CBrush* oldBrush = dc->SelectObject(&brush);
    CPen* oldPen = dc->SelectObject(&frame);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
}

// ------------------------------------------------------------------ the popup button

CTBControlPopupStyle::CTBControlPopupStyle(UINT id, const char* caption) : CTBBarPopup(id, caption) {}

std::unique_ptr<CTBBarControl> CTBControlPopupStyle::Clone() const {
    auto copy = std::make_unique<CTBControlPopupStyle>(GetID(), GetCaption());
    CopyTo(*copy);
    auto* self = const_cast<CTBControlPopupStyle*>(this);
    if (CTBControlStyleSelector* selector = self->GetSelector()) {
        std::unique_ptr<CTBBarControl> clone = selector->Clone();
        copy->SetSelector(std::unique_ptr<CTBControlStyleSelector>(static_cast<CTBControlStyleSelector*>(clone.release())));
    }
    return copy;
}

CTBControlStyleSelector* CTBControlPopupStyle::SetSelector(std::unique_ptr<CTBControlStyleSelector> selector) {
    CTBCommandBar* bar = GetCommandBar();
    bar->RemoveAll();
    return static_cast<CTBControlStyleSelector*>(bar->AddControl(std::move(selector)));
}

CTBControlStyleSelector* CTBControlPopupStyle::GetSelector() {
    CTBCommandBar* bar = GetCommandBar();
    return bar->GetControlCount() > 0 ? dynamic_cast<CTBControlStyleSelector*>(bar->GetControl(0)) : nullptr;
}
