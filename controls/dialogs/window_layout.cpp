// The behaviour every resizable window of the library shares: anchored controls,
// minimum size, size grip, remembered placement and the pin.
#include <toolbox/ui/window_layout.h>

#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/menu.h>
#include <toolbox/ui/registry_manager.h>
#include <toolbox/ui/ui_resources.h>

#include "controls/window/native_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSizeGrip>
#include <QStyle>
#include <QWidget>

#include <cmath>


namespace {

const char* const kGripName = "tbSizeGrip";
/// The command of the pin's entry in the window's own context menu.
constexpr UINT kKeepOnTopCommand = 4492;

long Trunc(double v) { return static_cast<long>(std::trunc(v)); }

/// One axis of the anchor arithmetic: the low and high edge of a control.
struct Edges {
    long low, high;
};

Edges LayOutAxis(long low, long high, WORD flags, WORD holdLow, WORD holdHigh, WORD centre, WORD scale, long size0,
                 long size, double factor) {
    Edges e{};
    if (flags & holdLow)
        e.low = low;
    else if ((flags & centre) && !(flags & scale))
        e.low = Trunc(((low + high) / 2) * factor - (high - low) * 0.5);
    else if ((flags & scale) || !(flags & holdHigh))
        e.low = Trunc(low * factor);
    else
        e.low = low - size0 + size;
    if (flags & holdHigh)
        e.high = high - size0 + size;
    else if (flags & scale)
        e.high = Trunc(high * factor);
    else
        e.high = e.low + (high - low);
    return e;
}

QRect ToQRect(const CRect& r) {
    return QRect(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()),
                 static_cast<int>(r.Height()));
}

bool IsGroupBox(QWidget* w) {
    CNativeWindow* native = CNativeWindow::Find(w);
    return native && qobject_cast<QAbstractButton*>(w) == nullptr && w->inherits("QGroupBox") &&
           (native->style & BS_TYPEMASK) == BS_GROUPBOX;
}

QRect ScreenRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int ScrollBarExtent() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

bool IsZOrderMarker(WPARAM wParam) {
    const auto marker = static_cast<LPARAM>(wParam);
    return marker == HWND_TOPMOST_MARKER || marker == HWND_NOTOPMOST_MARKER;
}

}  // namespace

CRect TBLayoutControlRect(const SControl_Info& info, CSize initialClient, CSize newClient, double scaleX,
                          double scaleY) {
    const CRect& r = info.rcInitial;
    const Edges x = LayOutAxis(r.left, r.right, info.nFlags, TB_ANCHOR_LEFT, TB_ANCHOR_RIGHT, TB_ANCHOR_CENTER_X,
                               TB_ANCHOR_SCALE_X, initialClient.cx, newClient.cx, scaleX);
    const Edges y = LayOutAxis(r.top, r.bottom, info.nFlags, TB_ANCHOR_TOP, TB_ANCHOR_BOTTOM, TB_ANCHOR_CENTER_Y,
                               TB_ANCHOR_SCALE_Y, initialClient.cy, newClient.cy, scaleY);
    CRect result(x.low, y.low, x.high, y.high);
    // A combo box reaches down over its dropped list.
    if (!info.rcDropped.IsRectEmpty()) result.bottom += info.rcDropped.Height() - r.Height();
    return result;
}

// ------------------------------------------------------------------ layout list

CTBWindowLayout::CTBWindowLayout() = default;
CTBWindowLayout::~CTBWindowLayout() = default;

SControl_Info* CTBWindowLayout::FindControl(WORD id) {
    for (SControl_Info& c : m_controls)
        if (c.nID == id) return &c;
    return nullptr;
}

void CTBWindowLayout::SetControlInfo(WORD id, WORD flags) {
    if (SControl_Info* known = FindControl(id)) {
        known->nFlags = flags;
        return;
    }
    SControl_Info info;
    info.nID = id;
    info.nFlags = flags;
    m_controls.push_back(info);
}

void CTBWindowLayout::ResizeControl(WORD id, long left, long top, long width, long height) {
    SControl_Info* c = FindControl(id);
    if (!c) return;
    CRect& r = c->rcInitial;
    const long w = width != -1 ? width : r.Width();
    const long h = height != -1 ? height : r.Height();
    if (left != -1) r.left = left;
    if (top != -1) r.top = top;
    r.right = r.left + w;
    r.bottom = r.top + h;
}

BOOL CTBWindowLayout::GetOrigControlRect(WORD id, CRect& rect) const {
    for (const SControl_Info& c : m_controls)
        if (c.nID == id) {
            rect = c.rcInitial;
            return TRUE;
        }
    return FALSE;
}

void CTBWindowLayout::Initialise(CWnd* window, const CRect& referenceClient) {
    if (!window || !window->GetSafeHwnd()) return;
    window->ModifyStyle(0, WS_CLIPCHILDREN);
    m_initialClient = referenceClient;
    for (SControl_Info& c : m_controls) {
        CWnd* control = window->GetDlgItem(c.nID);
        if (!control) continue;
        QWidget* w = control->GetWidget();
        const QPoint at = w->mapTo(window->GetWidget(), QPoint(0, 0));
        c.rcInitial = CRect(at.x(), at.y(), at.x() + w->width(), at.y() + w->height());
        c.rcDropped = CRect();
        if (qobject_cast<QComboBox*>(w)) {
            CRect dropped;
            control->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            window->ScreenToClient(&dropped);
            c.rcDropped = dropped;
        }
        if (IsGroupBox(w)) control->ModifyStyleEx(0, WS_EX_TRANSPARENT);
    }
    m_initialised = TRUE;
}

void CTBWindowLayout::UpdateScale(int cx, int cy) {
    const long refX = m_initialClient.Width() - m_reduction.cx;
    const long refY = m_initialClient.Height() - m_reduction.cy;
    m_scaleX = refX > 0 ? static_cast<double>(cx) / static_cast<double>(refX) : 1.0;
    m_scaleY = refY > 0 ? static_cast<double>(cy) / static_cast<double>(refY) : 1.0;
}

CRect CTBWindowLayout::ControlRect(const SControl_Info& info, int cx, int cy) const {
    return TBLayoutControlRect(info, m_initialClient.Size(), CSize(cx, cy), m_scaleX, m_scaleY);
}

void CTBWindowLayout::LayOutControl(CWnd* window, const SControl_Info& info, int cx, int cy, CPoint scroll) {
    CWnd* control = window ? window->GetDlgItem(info.nID) : nullptr;
    if (!control) return;
    CRect r = ControlRect(info, cx, cy);
    r.OffsetRect(-scroll.x, -scroll.y);
    QWidget* w = control->GetWidget();
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // The widget is the edit part; the rest of the rectangle is the dropped list.
        const int listHeight = static_cast<int>(info.rcDropped.Height() - info.rcInitial.Height());
        QRect g = ToQRect(r);
        g.setHeight(std::max(g.height() - std::max(listHeight, 0), combo->sizeHint().height()));
        QLineEdit* edit = combo->lineEdit();
        const int start = edit ? edit->selectionStart() : -1;
        const int length = edit ? static_cast<int>(edit->selectedText().size()) : 0;
        const int cursor = edit ? edit->cursorPosition() : 0;
        combo->setGeometry(g);
        if (edit) {
            // Moving keeps what the user selected in the edit field, caret in view.
            if (start >= 0) edit->setSelection(start, length);
            else edit->setCursorPosition(cursor);
        }
        return;
    }
    w->setGeometry(ToQRect(r));
    if (qobject_cast<QLabel*>(w)) w->repaint();
}

void CTBWindowLayout::LayOut(CWnd* window, int cx, int cy, CPoint scroll) {
    if (!m_initialised || !window || !window->GetSafeHwnd()) return;
    UpdateScale(cx, cy);
    QWidget* top = window->GetWidget();
    // Everything but labels and edit combos moves in one batch without flicker.
    const bool wasEnabled = top->updatesEnabled();
    top->setUpdatesEnabled(false);
    for (const SControl_Info& c : m_controls) LayOutControl(window, c, cx, cy, scroll);
    top->setUpdatesEnabled(wasEnabled);
    UpdateGripper(window);
}

void CTBWindowLayout::ShiftAll(int dx, int dy) {
    for (SControl_Info& c : m_controls) {
        c.rcInitial.OffsetRect(dx, dy);
        if (!c.rcDropped.IsRectEmpty()) c.rcDropped.OffsetRect(dx, dy);
    }
    m_initialClient.right += dx;
    m_initialClient.bottom += dy;
}

// ------------------------------------------------------------------ reduction

void CTBWindowLayout::AddReduction(long dx, long dy) {
    m_reduction.cx += dx;
    m_reduction.cy += dy;
}

CSize CTBWindowLayout::GetMinimumSize() const {
    if (!m_initialised) return CSize();
    return CSize(std::max<long>(0, m_creationSize.cx - m_reduction.cx),
                 std::max<long>(0, m_creationSize.cy - m_reduction.cy));
}

// ------------------------------------------------------------------ placement

CString CTBWindowLayout::ProfileSection(const CString& profileEntry, UINT templateId, const CString& templateName) {
    if (!profileEntry.IsEmpty()) return profileEntry;
    CString section;
    if (templateId) {
        section.Format("%x", templateId);
        return section;
    }
    return templateName;
}

void CTBWindowLayout::RestorePlacement(CWnd* window, const CString& section) {
    if (!m_bRememberSize || !window || !window->GetSafeHwnd() || section.IsEmpty()) return;
    CTBRegistryManager registry;
    m_bPinned = registry.GetProfileInt(section, "Pinned", 1) != 0;
    long cx = registry.GetProfileInt(section, "CX", 0);
    long cy = registry.GetProfileInt(section, "CY", 0);
    long x = registry.GetProfileInt(section, "XPOS", -1);
    long y = registry.GetProfileInt(section, "YPOS", -1);
    const QRect screen = ScreenRect();
    const long sw = screen.width(), sh = screen.height();
    if (x + cx > sw) {
        if (cx > sw) {
            cx = sw;
            x = 0;
        } else {
            x = sw - cx;
        }
    }
    if (y + cy > sh) {
        if (cy > sh) {
            cy = sh;
            y = 0;
        } else {
            y = sh - cy;
        }
    }
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!(cx && cy)) flags |= SWP_NOSIZE;
    if (!(x >= 0 && y >= 0)) flags |= SWP_NOMOVE;
    // The stored size is the window's with its frame, as SetWindowPos takes it.
    window->SetWindowPos(nullptr, static_cast<int>(x), static_cast<int>(y), static_cast<int>(cx), static_cast<int>(cy),
                         flags);
}

void CTBWindowLayout::SavePlacement(CWnd* window, const CString& section) const {
    if (!m_bRememberSize || !window || !window->GetSafeHwnd() || section.IsEmpty()) return;
    CRect r;
    window->GetWindowRect(&r);
    CTBRegistryManager registry;
    registry.WriteProfileInt(section, "CX", static_cast<int>(r.Width() + Trunc(m_reduction.cx * m_scaleX)));
    registry.WriteProfileInt(section, "CY", static_cast<int>(r.Height() + Trunc(m_reduction.cy * m_scaleY)));
    registry.WriteProfileInt(section, "XPOS", static_cast<int>(r.left));
    registry.WriteProfileInt(section, "YPOS", static_cast<int>(r.top));
    if (m_bEnableOnTop) registry.WriteProfileInt(section, "Pinned", m_bPinned ? 1 : 0);
}

// ------------------------------------------------------------------ size grip

CRect CTBWindowLayout::GripperRect(int cx, int cy) {
    const int extent = ScrollBarExtent();
    return CRect(cx - extent, cy - extent, cx, cy);
}

void CTBWindowLayout::UpdateGripper(CWnd* window) {
    if (!window || !window->GetSafeHwnd()) return;
    QWidget* w = window->GetWidget();
    auto* grip = w->findChild<QSizeGrip*>(QLatin1String(kGripName), Qt::FindDirectChildrenOnly);
    if (!m_bDrawGripper) {
        if (grip) grip->hide();
        return;
    }
    if (!grip) {
        grip = new QSizeGrip(w);
        grip->setObjectName(QLatin1String(kGripName));
    }
    // The grip sizes the window also when its template gave it no sizing frame (which
    // leaves it fixed-size for Qt): only the minimum size stays.
    const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (w->isWindow() && w->maximumSize() != unlimited) w->setMaximumSize(unlimited);
    grip->setGeometry(ToQRect(GripperRect(w->width(), w->height())));
    grip->raise();
    grip->show();
}

LRESULT CTBWindowLayout::HitTestGripper(CWnd* window, CPoint screen) const {
    if (!m_bDrawGripper || !window || !window->GetSafeHwnd()) return HTNOWHERE;
    CPoint p = screen;
    window->ScreenToClient(&p);
    CRect client;
    window->GetClientRect(&client);
    return GripperRect(static_cast<int>(client.right), static_cast<int>(client.bottom)).PtInRect(p) ? HTBOTTOMRIGHT
                                                                                                   : HTNOWHERE;
}

// ------------------------------------------------------------------ pin

void CTBWindowLayout::UpdateIcons(CWnd* window) {
    if (!m_bEnableOnTop || !window || !window->GetSafeHwnd()) return;
    m_shownIcon = m_bPinned ? IDI_TB_PINNED : IDI_TB_UNPINNED;
    QIcon icon;
    for (int size : {16, 32}) {
        HICON h = TBLoadIcon(m_shownIcon, size);
        if (const QImage* image = TBGetIconImage(h)) icon.addPixmap(QPixmap::fromImage(*image));
        DestroyIcon(h);
    }
    window->GetWidget()->setWindowIcon(icon);
    window->PostMessage(WM_TB_SETZORDER, static_cast<WPARAM>(m_bPinned ? HWND_TOPMOST_MARKER : HWND_NOTOPMOST_MARKER),
                        0);
}

void CTBWindowLayout::OnSetZOrder(CWnd* window, WPARAM marker) {
    if (!window || !window->GetSafeHwnd()) return;
    // Moving between the bands is no change of the on-top feature itself.
    m_changingZOrder = true;
    const bool topMost = static_cast<LPARAM>(marker) == HWND_TOPMOST_MARKER;
    window->SetWindowPos(topMost ? &CWnd::wndTopMost : &CWnd::wndNoTopMost, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_changingZOrder = false;
}

void CTBWindowLayout::OnTopMostStyleChanged(CWnd* window, BOOL topMost) {
    if (m_changingZOrder) return;
    if (topMost && !m_bEnableOnTop) {
        m_bEnableOnTop = TRUE;
        UpdateIcons(window);
    } else if (!topMost) {
        m_bEnableOnTop = FALSE;
    }
}

void CTBWindowLayout::TogglePin(CWnd* window) {
    m_bPinned = !m_bPinned;
    UpdateIcons(window);
}

BOOL CTBWindowLayout::OnSysCommand(CWnd* window, UINT command) {
    if (!m_bEnableOnTop) return FALSE;
    const UINT kind = command & 0xFFF0;
    const long long now = QDateTime::currentMSecsSinceEpoch();
    if (kind == SC_MOUSEMENU || kind == SC_DEFAULT) {
        TogglePin(window);
        m_lastToggleMs = now;
        return TRUE;
    }
    if (kind == SC_CLOSE && m_lastToggleMs >= 0 && now - m_lastToggleMs <= QApplication::doubleClickInterval()) {
        // The double click on the icon closes the window: its first click was no toggle.
        m_bPinned = !m_bPinned;
        m_lastToggleMs = -1;
    }
    if (kind != SC_MOUSEMENU && kind != SC_DEFAULT && kind != SC_CLOSE) m_lastToggleMs = -1;
    return FALSE;
}

BOOL CTBWindowLayout::OnContextMenu(CWnd* window, HWND clicked, CPoint screen) {
    // The window's own menu: only where neither a control nor the host took the click.
    if (!m_bEnableOnTop || !window || !window->GetSafeHwnd() || clicked != window->m_hWnd) return FALSE;
    if (!window->GetWidget()->isWindow()) return FALSE;
    CMenu menu;
    if (!menu.CreatePopupMenu()) return FALSE;
    menu.AppendMenu(MF_STRING | (m_bPinned ? MF_CHECKED : MF_UNCHECKED), kKeepOnTopCommand,
                    TBLoadString(TBMsg::KeepOnTop));
    const UINT chosen = static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                              static_cast<int>(screen.x), static_cast<int>(screen.y),
                                                              window));
    if (chosen == kKeepOnTopCommand && window->GetSafeHwnd()) TogglePin(window);
    return TRUE;
}

// ------------------------------------------------------------------ the shared members

CTBResizableWindow::CTBResizableWindow(UINT templateId, const char* templateName)
    : m_layoutTemplateId(templateId), m_layoutTemplateName(templateName ? templateName : "") {}
CTBResizableWindow::~CTBResizableWindow() = default;

void CTBResizableWindow::SetControlInfo(WORD id, WORD flags) { m_layout.SetControlInfo(id, flags); }

void CTBResizableWindow::ResizeControl(WORD id, long left, long top, long width, long height) {
    m_layout.ResizeControl(id, left, top, width, height);
}

BOOL CTBResizableWindow::GetOrigControlRect(WORD id, CRect& rect) const { return m_layout.GetOrigControlRect(id, rect); }

void CTBResizableWindow::SetDrawGripper(BOOL draw) {
    m_layout.m_bDrawGripper = draw;
    if (m_layout.IsInitialised()) m_layout.UpdateGripper(GetLayoutWindow());
}

void CTBResizableWindow::SetSystemModal(BOOL systemModal) {
    m_layout.m_bEnableOnTop = systemModal;
    UpdateIcons();
}

void CTBResizableWindow::UpdateIcons() { m_layout.UpdateIcons(GetLayoutWindow()); }

void CTBResizableWindow::SetProfileEntry(const char* entry) { m_profileEntry = entry ? entry : ""; }

void CTBResizableWindow::GetDialogProfileEntry(CString& section) {
    section = CTBWindowLayout::ProfileSection(m_profileEntry, m_layoutTemplateId, m_layoutTemplateName);
}

void CTBResizableWindow::LayOutControls(int cx, int cy) { m_layout.LayOut(GetLayoutWindow(), cx, cy); }

void CTBResizableWindow::InitialiseLayout(const CRect& referenceClient) {
    CWnd* window = GetLayoutWindow();
    if (!window || !window->GetSafeHwnd()) return;
    m_layout.Initialise(window, referenceClient);
    CRect frame;
    window->GetWindowRect(&frame);
    m_layout.SetCreationSize(frame.Size());
    if (window->GetExStyle() & WS_EX_TOPMOST) m_layout.m_bEnableOnTop = TRUE;
    CString section;
    GetDialogProfileEntry(section);
    m_layout.RestorePlacement(window, section);
    ApplyMinimumSize();
    CRect client;
    window->GetClientRect(&client);
    LayOutControls(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
    m_layout.UpdateGripper(window);
    UpdateIcons();
}

void CTBResizableWindow::ApplyMinimumSize() {
    CWnd* window = GetLayoutWindow();
    if (!window || !window->GetSafeHwnd() || !m_layout.IsInitialised()) return;
    QWidget* w = window->GetWidget();
    if (!w->isWindow()) return;
    const QMargins frame = TBFrameMargins(w);
    const CSize minimum = m_layout.GetMinimumSize();
    w->setMinimumSize(std::max(0, static_cast<int>(minimum.cx) - frame.left() - frame.right()),
                      std::max(0, static_cast<int>(minimum.cy) - frame.top() - frame.bottom()));
}

void CTBResizableWindow::SaveLayout() {
    if (!m_layout.IsInitialised()) return;
    CString section;
    GetDialogProfileEntry(section);
    m_layout.SavePlacement(GetLayoutWindow(), section);
}

void CTBResizableWindow::BehaveAsChild() {
    m_layout.m_bRememberSize = FALSE;
    m_layout.m_bDrawGripper = FALSE;
}

void CTBResizableWindow::AdoptAsChild(CWnd* window, CWnd* parent) {
    QWidget* w = window->GetWidget();
    w->setParent(parent->GetWidget(), Qt::Widget);
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->ModifyStyle(WS_POPUP | WS_CAPTION, WS_CHILD);
}

void CTBResizableWindow::InvalidateLayout(BOOL) {
    CWnd* window = GetLayoutWindow();
    if (!window || !window->GetSafeHwnd()) return;
    window->GetWidget()->update();
    for (const SControl_Info& c : m_layout.GetControls()) {
        CWnd* control = window->GetDlgItem(c.nID);
        if (control && (control->GetExStyle() & WS_EX_TRANSPARENT)) control->GetWidget()->update();
    }
}

BOOL CTBResizableWindow::HandleLayoutDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != WM_CONTEXTMENU) return FALSE;
    const CPoint at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (!m_layout.OnContextMenu(GetLayoutWindow(), reinterpret_cast<HWND>(wParam), at)) return FALSE;
    *result = 0;
    return TRUE;
}

BOOL CTBResizableWindow::HandleLayoutMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* window = GetLayoutWindow();
    switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED && m_layout.IsInitialised())
                LayOutControls(LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam)));
            return FALSE;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            if (!info || !m_layout.IsInitialised()) return FALSE;
            const CSize minimum = m_layout.GetMinimumSize();
            info->ptMinTrackSize = {minimum.cx, minimum.cy};
            *result = 0;
            return TRUE;
        }
        case WM_NCHITTEST: {
            const LRESULT hit = m_layout.HitTestGripper(window, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
            if (hit == HTNOWHERE) return FALSE;
            *result = hit;
            return TRUE;
        }
        case WM_SYSCOMMAND:
            *result = 0;
            if (m_layout.OnSysCommand(window, static_cast<UINT>(wParam))) return TRUE;
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                window->SendMessage(WM_CLOSE);
                return TRUE;
            }
            return FALSE;
        case WM_TB_SETZORDER:
            // The same number is the grid's "value written": only the window's own post,
            // which carries an insertion marker, changes the z-order; everything else
            // goes on to the message maps of the window and the classes derived from it.
            if (!IsZOrderMarker(wParam)) return FALSE;
            m_layout.OnSetZOrder(window, wParam);
            *result = 0;
            return TRUE;
        case WM_STYLECHANGED: {
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
            if (wParam == GWL_EXSTYLE && change && ((change->styleOld ^ change->styleNew) & WS_EX_TOPMOST))
                m_layout.OnTopMostStyleChanged(window, (change->styleNew & WS_EX_TOPMOST) != 0);
            return FALSE;
        }
        case WM_DESTROY: SaveLayout(); return FALSE;
        default: return FALSE;
    }
}
