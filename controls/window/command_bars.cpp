// Command bars: toolbars, menu bars and popup bars that draw their controls
// themselves, as the desktop's office-style bars do, and route their commands to the
// site window.
#include <toolbox/ui/command_bars.h>

#include <toolbox/ui/dc.h>
#include <toolbox/ui/menu.h>

#include "controls/window/native_window.h"

#include <QEvent>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

const QImage* TBGetIconImage(HICON icon);

namespace {

constexpr int kButtonPadding = 7;
constexpr int kTextPadding = 12;
constexpr int kMinButtonHeight = 22;
constexpr int kSeparator = 6;
constexpr int kBarMargin = 2;
constexpr COLORREF kBarFace = RGB(240, 240, 240);
constexpr COLORREF kPopupFace = RGB(252, 252, 252);
constexpr COLORREF kHotFill = RGB(204, 228, 247);
constexpr COLORREF kHotBorder = RGB(0, 120, 215);
constexpr COLORREF kPressedFill = RGB(153, 204, 238);
constexpr COLORREF kCheckedFill = RGB(228, 238, 248);
constexpr COLORREF kGreyText = RGB(160, 160, 160);

int IconSize(const CTBCommandBars* bars) {
    return bars && bars->GetCommandBarsOptions()->bLargeIcons ? 32 : 16;
}

/// The caption as shown: without the mnemonic marker and the shortcut after a tab.
CString ShownCaption(const CString& caption) {
    CString text = TBC(TBStripMnemonic(TBQ(caption)));
    const int tab = text.Find('\t');
    return tab >= 0 ? text.Left(tab) : text;
}

/// Command enabling of one control, as menus answer it.
class CBarCmdUI : public CCmdUI {
public:
    explicit CBarCmdUI(CTBBarControl* control) : m_control(control) { m_nID = control->GetID(); }
    void Enable(BOOL on) override {
        m_bEnableChanged = TRUE;
        m_control->SetEnabled(on);
    }
    void SetCheck(int check) override { m_control->SetChecked(check != 0); }
    void SetText(LPCTSTR text) override { m_control->SetCaption(text); }

private:
    CTBBarControl* m_control;
};

}  // namespace

// ------------------------------------------------------------------ the bar's Qt side

/// Events a bar needs that have no window message here: the mouse leaving, tooltips,
/// Escape in a popup, and a popup closing itself.
struct CTBCommandBar::Events : public QObject {
    explicit Events(CTBCommandBar* bar) : bar(bar) {}
    CTBCommandBar* bar;
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::Leave: bar->OnLeave(); return false;
            case QEvent::ToolTip: {
                auto* help = static_cast<QHelpEvent*>(e);
                CRect area;
                const CString tip = bar->TooltipAt(CPoint(help->pos().x(), help->pos().y()), &area);
                if (tip.IsEmpty())
                    QToolTip::hideText();
                else
                    QToolTip::showText(help->globalPos(), TBQ(tip), bar->GetWidget(),
                                       QRect(static_cast<int>(area.left), static_cast<int>(area.top),
                                             static_cast<int>(area.Width()), static_cast<int>(area.Height())));
                return true;
            }
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && bar->GetType() == PopupBar) {
                    bar->ClosePopup();
                    return true;
                }
                return false;
            case QEvent::Hide:
                bar->SetHot(nullptr);
                if (bar->m_popupOwner) bar->m_popupOwner->RedrawParent();
                return false;
            default: return false;
        }
    }
};

// ------------------------------------------------------------------ controls

CTBBarControl::CTBBarControl() = default;
CTBBarControl::CTBBarControl(UINT id, const char* caption) : m_id(id), m_caption(caption ? caption : "") {}
CTBBarControl::~CTBBarControl() = default;

void CTBBarControl::CopyTo(CTBBarControl& copy) const {
    copy.m_id = m_id;
    copy.m_caption = m_caption;
    copy.m_tooltip = m_tooltip;
    copy.m_shortcut = m_shortcut;
    copy.m_icon = m_icon;
    copy.m_enabled = m_enabled;
    copy.m_checked = m_checked;
    copy.m_visible = m_visible;
}

std::unique_ptr<CTBBarControl> CTBBarControl::Clone() const {
    auto copy = std::make_unique<CTBBarControl>();
    CopyTo(*copy);
    return copy;
}

std::unique_ptr<CTBBarControl> CTBBarButton::Clone() const {
    auto copy = std::make_unique<CTBBarButton>();
    CopyTo(*copy);
    return copy;
}

void CTBBarControl::SetCaption(const char* caption) {
    const CString text = caption ? caption : "";
    if (text == m_caption) return;
    m_caption = text;
    if (m_parent) m_parent->RecalcLayout();
}

void CTBBarControl::SetIcon(HICON icon) {
    m_icon = icon;
    if (m_parent) m_parent->RecalcLayout();
}

void CTBBarControl::SetEnabled(BOOL enabled) {
    if (!m_enabled == !enabled) return;
    m_enabled = enabled;
    RedrawParent();
}

void CTBBarControl::SetChecked(BOOL checked) {
    if (!m_checked == !checked) return;
    m_checked = checked;
    RedrawParent();
}

void CTBBarControl::SetVisible(BOOL visible) {
    if (!m_visible == !visible) return;
    m_visible = visible;
    if (m_parent) m_parent->RecalcLayout();
}

CTBCommandBars* CTBBarControl::GetCommandBars() const { return m_parent ? m_parent->GetCommandBars() : nullptr; }

void CTBBarControl::RedrawParent() {
    if (m_parent) m_parent->InvalidateRect(&m_rect);
}

CSize CTBBarControl::GetSize(CDC* dc) {
    const bool popup = m_parent && m_parent->GetType() == CTBCommandBar::PopupBar;
    const int icon = IconSize(GetCommandBars());
    if (m_icon && !popup) return CSize(icon + kButtonPadding, std::max(icon + kButtonPadding, kMinButtonHeight));
    const CSize text = dc->GetTextExtent(ShownCaption(m_caption));
    // Menu items leave room for the icon column on the left.
    const long width = text.cx + kTextPadding + (popup ? 16 + kButtonPadding + 24 : 0);
    return CSize(width, std::max<long>(text.cy + 8, kMinButtonHeight));
}

TBBarFrameState CTBBarControl::FrameState() const {
    if (m_pressed && m_hot) return TBBarFrameState::Pressed;
    if (m_checked) return m_hot ? TBBarFrameState::HotChecked : TBBarFrameState::Checked;
    return m_hot && m_enabled ? TBBarFrameState::Hot : TBBarFrameState::Normal;
}

void CTBBarControl::DrawButtonFrame(CDC* dc, const CRect& rect, TBBarFrameState state) const {
    COLORREF fill = 0;
    switch (state) {
        case TBBarFrameState::Normal: return;
        case TBBarFrameState::Hot: fill = kHotFill; break;
        case TBBarFrameState::Pressed:
        case TBBarFrameState::HotChecked: fill = kPressedFill; break;
        case TBBarFrameState::Checked: fill = kCheckedFill; break;
    }
    dc->FillSolidRect(&rect, fill);
    CBrush border(kHotBorder);
    dc->FrameRect(&rect, &border);
}

void CTBBarControl::Draw(CDC* dc) {
    DrawButtonFrame(dc, m_rect, FrameState());
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(m_enabled ? RGB(0, 0, 0) : kGreyText);
    const bool popup = m_parent && m_parent->GetType() == CTBCommandBar::PopupBar;
    if (m_icon && !popup) {
        const QImage* image = TBGetIconImage(m_icon);
        QPainter* painter = dc->GetPainter();
        const int size = IconSize(GetCommandBars());
        if (image && painter) {
            const QRect target(static_cast<int>(m_rect.left + (m_rect.Width() - size) / 2),
                               static_cast<int>(m_rect.top + (m_rect.Height() - size) / 2), size, size);
            painter->save();
            if (!m_enabled) painter->setOpacity(0.35);
            painter->drawImage(target, *image);
            painter->restore();
        }
        return;
    }
    CRect text = m_rect;
    if (popup) {
        text.left += 16 + kButtonPadding + 6;
        if (m_checked) {
            CRect mark(m_rect.left + 3, m_rect.top + 3, m_rect.left + 3 + 16, m_rect.bottom - 3);
            dc->DrawText("\xE2\x9C\x93", &mark, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        dc->DrawText(ShownCaption(m_caption), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    } else {
        dc->DrawText(ShownCaption(m_caption), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void CTBBarControl::OnMouseMove(CPoint) {}
void CTBBarControl::OnMouseLeave() {}
void CTBBarControl::OnLButtonDown(CPoint) {}

void CTBBarControl::OnClick(CPoint) {
    if (m_enabled) Execute();
}

CString CTBBarControl::GetTooltipAt(CPoint, CRect* rect) const {
    if (rect) *rect = m_rect;
    CString tip = m_tooltip.IsEmpty() ? ShownCaption(m_caption) : m_tooltip;
    const CTBCommandBars* bars = GetCommandBars();
    if (bars && bars->GetCommandBarsOptions()->bToolBarAccelTips && !m_shortcut.IsEmpty() && !tip.IsEmpty())
        tip += " (" + m_shortcut + ")";
    return tip;
}

void CTBBarControl::Execute() {
    if (CTBCommandBars* bars = GetCommandBars()) bars->ExecuteControl(this);
}

// ------------------------------------------------------------------ popup controls

CTBBarPopup::CTBBarPopup() = default;
CTBBarPopup::CTBBarPopup(UINT id, const char* caption) : CTBBarControl(id, caption) {}
CTBBarPopup::~CTBBarPopup() = default;

std::unique_ptr<CTBBarControl> CTBBarPopup::Clone() const {
    auto copy = std::make_unique<CTBBarPopup>();
    CopyTo(*copy);
    if (m_bar) {
        CTBCommandBar* bar = copy->GetCommandBar();
        for (int i = 0; i < m_bar->GetControlCount(); ++i) bar->AddControl(m_bar->GetControl(i)->Clone());
        bar->m_groups = m_bar->m_groups;
    }
    return copy;
}

CTBCommandBar* CTBBarPopup::GetCommandBar() {
    if (!m_bar) {
        m_bar = std::make_unique<CTBCommandBar>(GetCommandBars(), CTBCommandBar::PopupBar, GetCaption());
        m_bar->m_popupOwner = this;
    }
    // A popup made before its control went on a bar learns its bars now.
    if (!m_bar->m_bars) m_bar->m_bars = GetCommandBars();
    return m_bar.get();
}

BOOL CTBBarPopup::GetPopuped() const { return m_bar && m_bar->IsPopupOpen(); }

void CTBBarPopup::SetPopuped(BOOL open) {
    if (!open) {
        if (m_bar) m_bar->ClosePopup();
        return;
    }
    CTBCommandBar* parent = GetParent();
    if (!parent || !parent->GetSafeHwnd() || !GetEnabled()) return;
    CRect r = GetRect();
    const bool fromPopup = parent->GetType() == CTBCommandBar::PopupBar;
    CPoint at = fromPopup ? CPoint(r.right, r.top) : CPoint(r.left, r.bottom);
    parent->ClientToScreen(&at);
    CTBCommandBars* bars = GetCommandBars();
    GetCommandBar()->Popup(at, bars ? bars->GetSite() : nullptr);
    RedrawParent();
}

CSize CTBBarPopup::GetSize(CDC* dc) {
    CSize size = CTBBarControl::GetSize(dc);
    // Room for the drop-down arrow (not on menu bars, whose popups are their captions).
    if (!GetParent() || GetParent()->GetType() != CTBCommandBar::MenuBar) size.cx += 10;
    return size;
}

void CTBBarPopup::Draw(CDC* dc) {
    if (GetPopuped()) DrawButtonFrame(dc, GetRect(), TBBarFrameState::Pressed);
    CTBBarControl::Draw(dc);
    CTBCommandBar* parent = GetParent();
    if (parent && parent->GetType() == CTBCommandBar::MenuBar) return;
    // The arrow: down on toolbars, right in popups.
    const CRect r = GetRect();
    CBrush brush(GetEnabled() ? RGB(60, 60, 60) : kGreyText);
    CPen pen(PS_SOLID, 1, GetEnabled() ? RGB(60, 60, 60) : kGreyText);
    CBrush* oldBrush = dc->SelectObject(&brush);
    CPen* oldPen = dc->SelectObject(&pen);
    const long cx = r.right - 8, cy = (r.top + r.bottom) / 2;
    if (parent && parent->GetType() == CTBCommandBar::PopupBar) {
        const POINT arrow[3] = {{cx, cy - 4}, {cx + 3, cy}, {cx, cy + 4}};
        dc->Polygon(arrow, 3);
    } else {
        const POINT arrow[3] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
        dc->Polygon(arrow, 3);
    }
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
}

void CTBBarPopup::OnClick(CPoint) {
    if (GetEnabled()) SetPopuped(!GetPopuped());
}

// ------------------------------------------------------------------ bars

BEGIN_MESSAGE_MAP(CTBCommandBar, CWnd)
ON_WM_PAINT()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CTBCommandBar::CTBCommandBar(CTBCommandBars* bars, Type type, const char* title)
    : m_bars(bars), m_type(type), m_title(title ? title : "") {}

CTBCommandBar::~CTBCommandBar() {
    // The last events of a window going away no longer concern this bar.
    if (m_hWnd && m_events) GetWidget()->removeEventFilter(m_events);
    if (m_hWnd) DestroyWindow();
    delete m_events;
}

BOOL CTBCommandBar::EnsureWindow(CWnd* parent) {
    if (m_hWnd) return TRUE;
    const bool popup = m_type == PopupBar;
    if (!CreateEx(0, nullptr, m_title, popup ? WS_POPUP : (WS_CHILD | WS_VISIBLE), CRect(0, 0, 10, 10),
                  popup ? nullptr : parent, 0))
        return FALSE;
    QWidget* w = GetWidget();
    if (popup) {
        w->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        if (parent && parent->GetWidget()) w->setFont(parent->GetWidget()->font());
    }
    w->setMouseTracking(true);
    w->setAttribute(Qt::WA_Hover, true);
    m_events = new Events(this);
    w->installEventFilter(m_events);
    RecalcLayout();
    return TRUE;
}

CTBBarControl* CTBCommandBar::AddControl(std::unique_ptr<CTBBarControl> control, int before) {
    if (!control) return nullptr;
    control->m_parent = this;
    CTBBarControl* added = control.get();
    const int count = GetControlCount();
    const int at = before < 0 || before > count ? count : before;
    m_controls.insert(m_controls.begin() + at, std::move(control));
    for (int& g : m_groups)
        if (g >= at && at < count) ++g;
    RecalcLayout();
    return added;
}

CTBBarButton* CTBCommandBar::AddButton(UINT id, const char* caption, const char* tooltip) {
    auto button = std::make_unique<CTBBarButton>(id, caption);
    if (tooltip) button->SetTooltip(tooltip);
    return static_cast<CTBBarButton*>(AddControl(std::move(button)));
}

CTBBarPopup* CTBCommandBar::AddPopup(UINT id, const char* caption) {
    return static_cast<CTBBarPopup*>(AddControl(std::make_unique<CTBBarPopup>(id, caption)));
}

void CTBCommandBar::SetBeginGroup(int index, BOOL begin) {
    auto it = std::find(m_groups.begin(), m_groups.end(), index);
    if (begin && it == m_groups.end()) m_groups.push_back(index);
    if (!begin && it != m_groups.end()) m_groups.erase(it);
    RecalcLayout();
}

CTBBarControl* CTBCommandBar::GetControl(int index) const {
    return index >= 0 && index < GetControlCount() ? m_controls[static_cast<size_t>(index)].get() : nullptr;
}

CTBBarControl* CTBCommandBar::FindControl(UINT id) const {
    for (const auto& c : m_controls)
        if (c->GetID() == id) return c.get();
    for (const auto& c : m_controls)
        if (auto* popup = dynamic_cast<CTBBarPopup*>(c.get()))
            if (popup->m_bar)
                if (CTBBarControl* found = popup->m_bar->FindControl(id)) return found;
    return nullptr;
}

CTBBarControl* CTBCommandBar::HitTest(CPoint point) const {
    for (const auto& c : m_controls)
        if (c->IsVisible() && c->GetRect().PtInRect(point)) return c.get();
    return nullptr;
}

void CTBCommandBar::RemoveControl(int index) {
    if (!GetControl(index)) return;
    CTBBarControl* gone = GetControl(index);
    if (m_hot == gone) m_hot = nullptr;
    if (m_pressed == gone) m_pressed = nullptr;
    m_controls.erase(m_controls.begin() + index);
    m_groups.erase(std::remove(m_groups.begin(), m_groups.end(), index), m_groups.end());
    for (int& g : m_groups)
        if (g > index) --g;
    RecalcLayout();
}

void CTBCommandBar::RemoveAll() {
    m_hot = m_pressed = nullptr;
    m_controls.clear();
    m_groups.clear();
    RecalcLayout();
}

CSize CTBCommandBar::CalcSize() {
    // Sizes are measured with the bar's font on an image when the bar has no window yet.
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    CDC dc;
    dc.AttachDevice(&scratch);
    if (m_hWnd && dc.GetPainter()) dc.GetPainter()->setFont(GetWidget()->font());
    const bool column = m_type == PopupBar;
    long along = kBarMargin, across = 0;
    for (int i = 0; i < GetControlCount(); ++i) {
        CTBBarControl* c = GetControl(i);
        if (!c->IsVisible()) continue;
        if (std::find(m_groups.begin(), m_groups.end(), i) != m_groups.end() && i > 0) along += kSeparator;
        const CSize s = c->GetSize(&dc);
        along += column ? s.cy : s.cx;
        across = std::max<long>(across, column ? s.cx : s.cy);
    }
    dc.DetachDevice();
    if (!across) across = kMinButtonHeight;
    along += kBarMargin;
    across += 2 * kBarMargin;
    return column ? CSize(across, along) : CSize(along, across);
}

void CTBCommandBar::RecalcLayout() {
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    const CSize total = CalcSize();
    CDC dc;
    dc.AttachDevice(&scratch);
    if (m_hWnd && dc.GetPainter()) dc.GetPainter()->setFont(GetWidget()->font());
    const bool column = m_type == PopupBar;
    long pos = kBarMargin;
    for (int i = 0; i < GetControlCount(); ++i) {
        CTBBarControl* c = GetControl(i);
        if (!c->IsVisible()) {
            c->m_rect = CRect();
            continue;
        }
        if (std::find(m_groups.begin(), m_groups.end(), i) != m_groups.end() && i > 0) pos += kSeparator;
        const CSize s = c->GetSize(&dc);
        // A column's items share its width; a row's items share its height.
        c->m_rect = column ? CRect(kBarMargin, pos, total.cx - kBarMargin, pos + s.cy)
                           : CRect(pos, kBarMargin, pos + s.cx, total.cy - kBarMargin);
        pos += column ? s.cy : s.cx;
    }
    dc.DetachDevice();
    if (!m_hWnd) return;
    QWidget* w = GetWidget();
    if (column)
        w->resize(static_cast<int>(total.cx), static_cast<int>(total.cy));
    else
        w->resize(std::max(w->width(), static_cast<int>(total.cx)), static_cast<int>(total.cy));
    w->update();
}

void CTBCommandBar::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, m_type == PopupBar ? kPopupFace : kBarFace);
    CPen line(PS_SOLID, 1, RGB(200, 200, 200));
    CPen* old = dc.SelectObject(&line);
    if (m_type == PopupBar) {
        CBrush border(RGB(150, 150, 150));
        dc.FrameRect(&client, &border);
    } else {
        dc.MoveTo(0, client.bottom - 1);
        dc.LineTo(client.right, client.bottom - 1);
    }
    for (int i = 0; i < GetControlCount(); ++i) {
        CTBBarControl* c = GetControl(i);
        if (!c->IsVisible()) continue;
        if (i > 0 && std::find(m_groups.begin(), m_groups.end(), i) != m_groups.end()) {
            const CRect r = c->GetRect();
            if (m_type == PopupBar) {
                dc.MoveTo(r.left + 24, r.top - kSeparator / 2);
                dc.LineTo(r.right - 2, r.top - kSeparator / 2);
            } else {
                dc.MoveTo(r.left - kSeparator / 2, r.top + 2);
                dc.LineTo(r.left - kSeparator / 2, r.bottom - 2);
            }
        }
        c->Draw(&dc);
    }
    dc.SelectObject(old);
}

void CTBCommandBar::SetHot(CTBBarControl* control) {
    if (m_hot == control) return;
    if (m_hot) {
        m_hot->m_hot = FALSE;
        m_hot->OnMouseLeave();
        m_hot->RedrawParent();
    }
    m_hot = control;
    if (m_hot) {
        m_hot->m_hot = TRUE;
        m_hot->RedrawParent();
    }
}

void CTBCommandBar::OnLeave() { SetHot(nullptr); }

void CTBCommandBar::OnMouseMove(UINT, CPoint point) {
    CTBBarControl* c = HitTest(point);
    SetHot(c);
    if (c) c->OnMouseMove(point);
}

void CTBCommandBar::OnLButtonDown(UINT, CPoint point) {
    CTBBarControl* c = HitTest(point);
    m_pressed = c;
    if (!c) return;
    c->m_pressed = TRUE;
    c->OnLButtonDown(point);
    c->RedrawParent();
    // Popups open on the press, as menus do.
    if (auto* popup = dynamic_cast<CTBBarPopup*>(c)) {
        c->m_pressed = FALSE;
        m_pressed = nullptr;
        popup->OnClick(point);
    }
}

void CTBCommandBar::OnLButtonUp(UINT, CPoint point) {
    CTBBarControl* c = m_pressed;
    m_pressed = nullptr;
    if (!c) return;
    c->m_pressed = FALSE;
    c->RedrawParent();
    if (c->GetRect().PtInRect(point)) c->OnClick(point);
}

CString CTBCommandBar::TooltipAt(CPoint point, CRect* rect) const {
    if (m_bars && !m_bars->GetCommandBarsOptions()->bToolBarScreenTips && m_type != PopupBar) return CString();
    CTBBarControl* c = HitTest(point);
    return c ? c->GetTooltipAt(point, rect) : CString();
}

void CTBCommandBar::Popup(CPoint screen, CWnd* owner) {
    if (m_type != PopupBar || !EnsureWindow(owner)) return;
    QWidget* w = GetWidget();
    RecalcLayout();
    w->move(static_cast<int>(screen.x), static_cast<int>(screen.y));
    w->show();
    w->setFocus(Qt::PopupFocusReason);
}

void CTBCommandBar::ClosePopup() {
    for (const auto& c : m_controls)
        if (auto* popup = dynamic_cast<CTBBarPopup*>(c.get())) popup->SetPopuped(FALSE);
    if (m_type == PopupBar && m_hWnd) GetWidget()->hide();
}

BOOL CTBCommandBar::IsPopupOpen() const { return m_type == PopupBar && m_hWnd && GetWidget()->isVisible(); }

void CTBCommandBar::LoadMenu(CMenu* menu) {
    RemoveAll();
    if (!menu) return;
    bool group = false;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
        const UINT id = menu->GetMenuItemID(i);
        if (id == 0) {
            group = true;
            continue;
        }
        CString text;
        menu->GetMenuString(static_cast<UINT>(i), text, MF_BYPOSITION);
        CTBBarControl* added = nullptr;
        if (id == static_cast<UINT>(-1)) {
            auto* popup = AddPopup(0, text);
            popup->GetCommandBar()->LoadMenu(menu->GetSubMenu(i));
            added = popup;
        } else {
            added = AddButton(id, text);
            const int tab = text.Find('\t');
            if (tab >= 0) added->SetShortcut(text.Mid(tab + 1));
        }
        if (group) SetBeginGroup(GetControlCount() - 1);
        group = false;
    }
}

void CTBCommandBar::UpdateCommandUI(CCmdTarget* target) {
    for (const auto& c : m_controls) {
        if (auto* popup = dynamic_cast<CTBBarPopup*>(c.get()))
            if (popup->m_bar) popup->m_bar->UpdateCommandUI(target);
        if (!c->GetID()) continue;
        CBarCmdUI ui(c.get());
        ui.DoUpdate(target);
    }
}

// ------------------------------------------------------------------ the bars of a site

CTBCommandBars::CTBCommandBars(CWnd* site) : m_site(site) {}
CTBCommandBars::~CTBCommandBars() = default;

CTBCommandBar* CTBCommandBars::Add(const char* title, CTBCommandBar::Type type) {
    if (!m_site || !m_site->GetSafeHwnd() || type == CTBCommandBar::PopupBar) return nullptr;
    auto bar = std::make_unique<CTBCommandBar>(this, type, title);
    if (!bar->EnsureWindow(m_site)) return nullptr;
    m_bars.push_back(std::move(bar));
    return m_bars.back().get();
}

CTBCommandBar* CTBCommandBars::SetMenu(UINT menuResourceId) {
    CMenu menu;
    if (!menu.LoadMenu(menuResourceId)) return nullptr;
    CTBCommandBar* bar = Add("Menu Bar", CTBCommandBar::MenuBar);
    if (bar) bar->LoadMenu(&menu);
    return bar;
}

CTBCommandBar* CTBCommandBars::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? m_bars[static_cast<size_t>(index)].get() : nullptr;
}

CTBBarControl* CTBCommandBars::FindControl(UINT id) const {
    for (const auto& bar : m_bars)
        if (CTBBarControl* c = bar->FindControl(id)) return c;
    return nullptr;
}

void CTBCommandBars::RedrawCommandBars() {
    for (const auto& bar : m_bars) bar->RecalcLayout();
}

void CTBCommandBars::ResetUsageData() { m_usage.clear(); }

void CTBCommandBars::RecordUsage(UINT id) {
    for (auto& u : m_usage)
        if (u.first == id) {
            ++u.second;
            return;
        }
    m_usage.emplace_back(id, 1);
}

int CTBCommandBars::GetUsageCount(UINT id) const {
    for (const auto& u : m_usage)
        if (u.first == id) return u.second;
    return 0;
}

BOOL CTBCommandBars::IsPopupOpen() const {
    for (const auto& bar : m_bars)
        for (int i = 0; i < bar->GetControlCount(); ++i)
            if (auto* popup = dynamic_cast<CTBBarPopup*>(bar->GetControl(i)))
                if (popup->GetPopuped()) return TRUE;
    return FALSE;
}

BOOL CTBCommandBars::ClosePopups() {
    const BOOL open = IsPopupOpen();
    for (const auto& bar : m_bars) bar->ClosePopup();
    return open;
}

BOOL CTBCommandBars::PreTranslateMessage(MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && IsPopupOpen()) {
        ClosePopups();
        return TRUE;
    }
    return FALSE;
}

void CTBCommandBars::ExecuteControl(CTBBarControl* control) {
    if (!control || !control->GetEnabled()) return;
    const UINT id = control->GetID();
    ClosePopups();
    if (!id) return;
    RecordUsage(id);
    if (m_site && m_site->GetSafeHwnd()) m_site->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
}

void CTBCommandBars::UpdateCommandUI(CCmdTarget* target) {
    for (const auto& bar : m_bars) bar->UpdateCommandUI(target);
}

int CTBCommandBars::LayoutBars(int top, int width) {
    int y = top;
    for (const auto& bar : m_bars) {
        QWidget* w = bar->GetWidget();
        if (!w || !w->isVisibleTo(w->parentWidget())) continue;
        const CSize s = bar->CalcSize();
        bar->MoveWindow(0, y, std::max(width, static_cast<int>(s.cx)), static_cast<int>(s.cy));
        bar->RecalcLayout();
        y += static_cast<int>(s.cy);
    }
    return y - top;
}

BOOL CTBCommandBars::TrackPopupMenu(CMenu* menu, UINT flags, int x, int y, CWnd* owner) {
    return menu ? menu->TrackPopupMenu(flags, x, y, owner) : FALSE;
}
