#include <toolbox/ui/wnd.h>

#include <toolbox/ui/dc.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/menu.h>

#include "controls/window/native_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <map>
#include <string>

// ------------------------------------------------------------------ message maps

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != message || e->nCode != code) continue;
            if (message != WM_COMMAND && message != WM_NOTIFY) return e;
            if (id >= e->nID && id <= e->nLastID) return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry) return FALSE;
    if (static_cast<UINT>(nCode) == CN_UPDATE_COMMAND_UI) {
        auto* ui = static_cast<CCmdUI*>(pExtra);
        ui->m_bHandled = TRUE;
        entry->pfn(this, nID, reinterpret_cast<LPARAM>(ui));
        return ui->m_bHandled;
    }
    entry->pfn(this, nID, 0);
    return TRUE;
}

// ------------------------------------------------------------------ command enabling

void CCmdUI::Enable(BOOL on) {
    m_bEnableChanged = TRUE;
    if (m_pMenu)
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    else if (m_pOther)
        m_pOther->EnableWindow(on);
}

void CCmdUI::SetCheck(int check) {
    if (m_pMenu)
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    else if (m_pOther)
        m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

void CCmdUI::SetText(LPCTSTR text) {
    if (m_pMenu)
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING, m_nID, text);
    else if (m_pOther)
        m_pOther->SetWindowText(text);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target) {
    m_bEnableChanged = FALSE;
    m_bHandled = FALSE;
    if (!target) return FALSE;
    return target->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this);
}

// ------------------------------------------------------------------ registered messages

UINT RegisterWindowMessage(const char* name) {
    static std::map<std::string, UINT> registered;
    if (!name || !*name) return 0;
    auto it = registered.find(name);
    if (it != registered.end()) return it->second;
    const UINT id = 0xC000u + static_cast<UINT>(registered.size());
    if (id > 0xFFFFu) return 0;
    registered.emplace(name, id);
    return id;
}

// ------------------------------------------------------------------ CWnd

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;
const CWnd CWnd::wndTopMost;
const CWnd CWnd::wndNoTopMost;

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd && !m_temporary) DestroyWindow();
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
    return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

QWidget* CWnd::GetWidget() const { return CNativeWindow::Widget(m_hWnd); }

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    CNativeWindow* native = CNativeWindow::Find(CNativeWindow::Widget(hwnd));
    return native ? native->permanent : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    CNativeWindow* native = CNativeWindow::Of(CNativeWindow::Widget(hwnd));
    if (native->permanent) return native->permanent;
    if (!native->temporary) {
        // Kept with the widget: a handle's temporary object lives as long as the window.
        native->temporary = native->MakeTemporary();
        native->temporary->m_hWnd = hwnd;
        native->temporary->SetTemporary();
    }
    return native->temporary.get();
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id) {
    if (m_hWnd) return FALSE;
    QWidget* parentWidget = parent ? parent->GetWidget() : nullptr;
    QWidget* widget = TBCreateNativeWidget(className, windowName ? CString(windowName) : CString(), style, exStyle,
                                           CRect(rect), parentWidget, id);
    if (!widget) return FALSE;
    AttachCreated(CNativeWindow::Handle(widget));
    SendMessage(WM_CREATE, 0, 0);
    const QSize s = widget->size();
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(s.width()), static_cast<WORD>(s.height())));
    if (style & WS_VISIBLE) widget->show();
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, className, windowName, style, rect, parent, id);
}

void CWnd::AttachCreated(HWND hwnd) {
    m_hWnd = hwnd;
    CNativeWindow::Of(CNativeWindow::Widget(hwnd))->permanent = this;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (m_hWnd || !hwnd) return FALSE;
    CNativeWindow* native = CNativeWindow::Of(CNativeWindow::Widget(hwnd));
    if (native->permanent) return FALSE;
    AttachCreated(hwnd);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (CNativeWindow* native = CNativeWindow::Find(GetWidget())) {
        if (native->permanent == this) native->permanent = nullptr;
    }
    m_hWnd = nullptr;
    return hwnd;
}

void CWnd::DetachFromWidget() { m_hWnd = nullptr; }

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (m_hWnd || !hwnd) return FALSE;
    CNativeWindow* native = CNativeWindow::Of(CNativeWindow::Widget(hwnd));
    // The dialog made a library-owned object for the control; this one replaces it.
    native->permanent = nullptr;
    AttachCreated(hwnd);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    CWnd* item = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    return item ? SubclassWindow(item->m_hWnd) : FALSE;
}

namespace {
/// WM_DESTROY reaches a window before its children, as the system sends it.
void SendDestroyToTree(QWidget* widget) {
    if (CNativeWindow* native = CNativeWindow::Find(widget)) {
        native->Deliver(WM_DESTROY, 0, 0);
        native->dying = true;
    }
    const auto children = widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) SendDestroyToTree(child);
}
}  // namespace

BOOL CWnd::DestroyWindow() {
    QWidget* widget = GetWidget();
    if (!widget) return FALSE;
    SendDestroyToTree(widget);
    if (m_hWnd) SendMessage(WM_NCDESTROY, 0, 0);
    // The native object detaches this window and calls PostNcDestroy as the widget goes.
    delete widget;
    return TRUE;
}

// ------------------------------------------------------------------ dispatch

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return 0;
    if (m_temporary) return ::SendMessage(m_hWnd, message, wParam, lParam);
    return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = CNativeWindow::Widget(hwnd);
    if (!widget) return 0;
    return CNativeWindow::Of(widget)->Deliver(message, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = CNativeWindow::Widget(hwnd);
    if (!widget) return FALSE;
    CNativeWindow::Of(widget)->Post(message, wParam, lParam);
    return TRUE;
}

const MSG* CWnd::GetCurrentMessage() { return CNativeWindow::CurrentMessage(); }

short GetKeyState(int virtualKey) {
    const Qt::KeyboardModifiers mods = CNativeWindow::CurrentModifiers();
    bool down = false;
    switch (virtualKey) {
        case VK_SHIFT: down = mods & Qt::ShiftModifier; break;
        case VK_CONTROL: down = mods & Qt::ControlModifier; break;
        case VK_MENU: down = mods & Qt::AltModifier; break;
        default: break;
    }
    return down ? static_cast<short>(0x8000) : 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    return native ? native->DefProc(message, wParam, lParam) : 0;
}

LRESULT CWnd::Default() {
    const MSG* msg = GetCurrentMessage();
    if (!msg || msg->hwnd != m_hWnd) return 0;
    return DefWindowProc(msg->message, msg->wParam, msg->lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *result = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) return OnNotify(wParam, lParam, result);
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry) return FALSE;
    *result = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<DWORD>(wParam));
    // Menus (code 0) and accelerators (code 1) come without a control: both are commands.
    const int code = lParam ? HIWORD(static_cast<DWORD>(wParam)) : static_cast<int>(CN_COMMAND);
    return OnCmdMsg(id, code, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr) return FALSE;
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom));
    if (!entry) return FALSE;
    *result = entry->pfn(this, hdr->idFrom, lParam);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::SendNotifyToParent(UINT code) {
    if (CNativeWindow* native = CNativeWindow::Find(GetWidget())) native->Notify(code);
}

// ------------------------------------------------------------------ identity and tree

int CWnd::GetDlgCtrlID() const {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    return native ? static_cast<int>(native->id) : 0;
}

int CWnd::SetDlgCtrlID(int id) {
    CNativeWindow* native = CNativeWindow::Of(GetWidget());
    if (!native) return 0;
    const int old = static_cast<int>(native->id);
    native->id = static_cast<UINT>(id);
    return old;
}

CWnd* CWnd::GetParent() const {
    QWidget* widget = GetWidget();
    return widget ? FromHandle(CNativeWindow::Handle(widget->parentWidget())) : nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    QWidget* widget = GetWidget();
    return widget ? FromHandle(CNativeWindow::Handle(widget->window())) : nullptr;
}

namespace {
QWidget* FindChildById(QWidget* parent, UINT id, bool recurse) {
    const auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        CNativeWindow* native = CNativeWindow::Find(child);
        if (native && native->id == id) return child;
    }
    if (!recurse) return nullptr;
    for (QWidget* child : children) {
        if (child->isWindow()) continue;
        if (QWidget* found = FindChildById(child, id, true)) return found;
    }
    return nullptr;
}
}  // namespace

CWnd* CWnd::GetDlgItem(int id) const {
    QWidget* widget = GetWidget();
    if (!widget) return nullptr;
    // Direct children first, as the system looks; then nested host layouts.
    QWidget* child = FindChildById(widget, static_cast<UINT>(id), false);
    if (!child) child = FindChildById(widget, static_cast<UINT>(id), true);
    return child ? FromHandle(CNativeWindow::Handle(child)) : nullptr;
}

DWORD CWnd::GetStyle() const {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    if (!native) return 0;
    DWORD style = native->style & ~(WS_VISIBLE | WS_DISABLED);
    if (GetWidget()->isVisible()) style |= WS_VISIBLE;
    if (!GetWidget()->isEnabled()) style |= WS_DISABLED;
    return style;
}

DWORD CWnd::GetExStyle() const {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    return native ? native->exStyle : 0;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    if (!native) return FALSE;
    const DWORD old = native->style;
    native->style = (old & ~remove) | add;
    return old != native->style;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    if (!native) return FALSE;
    const DWORD old = native->exStyle;
    native->exStyle = (old & ~remove) | add;
    if ((old ^ native->exStyle) & WS_EX_TOPMOST) {
        QWidget* w = GetWidget();
        // Changing a window flag hides the window; it stays as visible as it was.
        const bool visible = w->isVisible();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, (native->exStyle & WS_EX_TOPMOST) != 0);
        if (visible && !w->isVisible()) w->show();
    }
    if (old == native->exStyle) return FALSE;
    STYLESTRUCT change;
    change.styleOld = old;
    change.styleNew = native->exStyle;
    SendMessage(WM_STYLECHANGED, GWL_EXSTYLE, reinterpret_cast<LPARAM>(&change));
    return TRUE;
}

BOOL CWnd::IsChild(const CWnd* wnd) const {
    QWidget* self = GetWidget();
    QWidget* other = wnd ? wnd->GetWidget() : nullptr;
    return self && other && other != self && self->isAncestorOf(other);
}

CWnd* CWnd::GetNextWindow(UINT flag) const {
    QWidget* widget = GetWidget();
    QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (!parent) return nullptr;
    const auto siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const int index = static_cast<int>(siblings.indexOf(widget));
    const int next = flag == GW_HWNDPREV ? index - 1 : index + 1;
    if (next < 0 || next >= siblings.size()) return nullptr;
    return FromHandle(CNativeWindow::Handle(siblings[next]));
}

// ------------------------------------------------------------------ text and state

void CWnd::SetWindowText(LPCTSTR text) { SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")); }

int CWnd::GetWindowTextLength() const {
    return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXTLENGTH));
}

void CWnd::GetWindowText(CString& text) const {
    const int length = GetWindowTextLength();
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        const_cast<CWnd*>(this)->SendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    text = CString(buffer.data(), static_cast<int>(copied));
}

CString CWnd::GetWindowText() const {
    CString text;
    GetWindowText(text);
    return text;
}

void CWnd::SetDlgItemText(int id, LPCTSTR text) {
    if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

UINT CWnd::GetDlgItemText(int id, CString& text) const {
    text.Empty();
    if (CWnd* item = GetDlgItem(id)) item->GetWindowText(text);
    return static_cast<UINT>(text.GetLength());
}

void CWnd::SetFont(CFont* font, BOOL redraw) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
CFont* CWnd::GetFont() const { return reinterpret_cast<CFont*>(const_cast<CWnd*>(this)->SendMessage(WM_GETFONT)); }

BOOL CWnd::EnableWindow(BOOL enable) {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    const BOOL wasDisabled = !w->isEnabled();
    w->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return GetWidget() && GetWidget()->isEnabled(); }

BOOL CWnd::ShowWindow(int cmd) {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    const BOOL wasVisible = w->isVisible();
    w->setVisible(cmd != SW_HIDE);
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return GetWidget() && GetWidget()->isVisible(); }

// ------------------------------------------------------------------ geometry

QMargins TBFrameMargins(QWidget* w) {
    if (!w || !w->isWindow()) return QMargins();
    // The platform window knows its frame even before it is shown for the first time.
    if (!w->windowHandle()) w->winId();
    return w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
}

void CWnd::GetWindowRect(RECT* rect) const {
    QWidget* w = GetWidget();
    if (!w || !rect) return;
    QRect r = w->isWindow() ? w->geometry().marginsAdded(TBFrameMargins(w))
                            : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    *rect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void CWnd::GetClientRect(RECT* rect) const {
    QWidget* w = GetWidget();
    if (!w || !rect) return;
    *rect = CRect(0, 0, w->width(), w->height());
}

void CWnd::ClientToScreen(POINT* p) const {
    QWidget* w = GetWidget();
    if (!w || !p) return;
    const QPoint g = w->mapToGlobal(QPoint(static_cast<int>(p->x), static_cast<int>(p->y)));
    p->x = g.x();
    p->y = g.y();
}

void CWnd::ClientToScreen(RECT* r) const {
    if (!r) return;
    POINT a{r->left, r->top}, b{r->right, r->bottom};
    ClientToScreen(&a);
    ClientToScreen(&b);
    *r = CRect(a.x, a.y, b.x, b.y);
}

void CWnd::ScreenToClient(POINT* p) const {
    QWidget* w = GetWidget();
    if (!w || !p) return;
    const QPoint c = w->mapFromGlobal(QPoint(static_cast<int>(p->x), static_cast<int>(p->y)));
    p->x = c.x();
    p->y = c.y();
}

void CWnd::ScreenToClient(RECT* r) const {
    if (!r) return;
    POINT a{r->left, r->top}, b{r->right, r->bottom};
    ScreenToClient(&a);
    ScreenToClient(&b);
    *r = CRect(a.x, a.y, b.x, b.y);
}

namespace {
/// Code sizes any window, also one the user cannot size (a dialog without a sizing
/// frame is fixed-size for Qt): a fixed window takes the new size as its fixed size, a
/// window whose largest size is smaller than the new one gets the room.
void SetGeometryFromCode(QWidget* w, const QRect& geometry) {
    if (w->isWindow()) {
        const QSize largest = w->maximumSize();
        if (w->minimumSize() == largest)
            w->setFixedSize(geometry.size());
        else if (geometry.width() > largest.width() || geometry.height() > largest.height())
            w->setMaximumSize(largest.expandedTo(geometry.size()));
    }
    w->setGeometry(geometry);
}
}  // namespace

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    QWidget* w = GetWidget();
    if (!w) return;
    // A window's rectangle includes its frame, a child's is its client area.
    const QRect target(x, y, width > 0 ? width : 0, height > 0 ? height : 0);
    SetGeometryFromCode(w, w->isWindow() ? target.marginsRemoved(TBFrameMargins(w)) : target);
    if (repaint) w->update();
}

void CWnd::MoveWindow(const RECT& r, BOOL repaint) {
    MoveWindow(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
               static_cast<int>(r.bottom - r.top), repaint);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        // Both given in the window's terms: a window's rectangle includes its frame.
        const QMargins frame = TBFrameMargins(w);
        QRect outer = w->isWindow() ? w->geometry().marginsAdded(frame) : w->geometry();
        if (!(flags & SWP_NOMOVE)) outer.moveTo(x, y);
        if (!(flags & SWP_NOSIZE)) outer.setSize(QSize(cx > 0 ? cx : 0, cy > 0 ? cy : 0));
        SetGeometryFromCode(w, w->isWindow() ? outer.marginsRemoved(frame) : outer);
    }
    if (!(flags & SWP_NOZORDER) && insertAfter) {
        if (insertAfter == &wndTop)
            w->raise();
        else if (insertAfter == &wndBottom)
            w->lower();
        else if (insertAfter == &wndTopMost)
            ModifyStyleEx(0, WS_EX_TOPMOST);
        else if (insertAfter == &wndNoTopMost)
            ModifyStyleEx(WS_EX_TOPMOST, 0);
        else if (QWidget* sibling = insertAfter->GetWidget())
            w->stackUnder(sibling);
    }
    if (flags & SWP_SHOWWINDOW) w->show();
    if (flags & SWP_HIDEWINDOW) w->hide();
    return TRUE;
}

void CWnd::CenterWindow(CWnd* alternate) {
    QWidget* w = GetWidget();
    if (!w) return;
    QWidget* over = alternate ? alternate->GetWidget() : w->parentWidget();
    QRect area =
        over ? QRect(over->mapToGlobal(QPoint(0, 0)), over->size())
             : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect());
    QRect frame = w->frameGeometry();
    frame.moveCenter(area.center());
    w->move(w->isWindow() ? frame.topLeft() : w->parentWidget()->mapFromGlobal(frame.topLeft()));
}

// ------------------------------------------------------------------ focus, capture, timers

CWnd* CWnd::SetFocus() {
    CWnd* old = GetFocus();
    if (QWidget* w = GetWidget()) w->setFocus(Qt::OtherFocusReason);
    return old;
}

CWnd* CWnd::GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? FromHandle(CNativeWindow::Handle(focus)) : nullptr;
}

CWnd* CWnd::SetCapture() {
    CWnd* old = GetCapture();
    if (QWidget* w = GetWidget()) w->grabMouse();
    return old;
}

CWnd* CWnd::GetCapture() {
    QWidget* grabber = QWidget::mouseGrabber();
    return grabber ? FromHandle(CNativeWindow::Handle(grabber)) : nullptr;
}

BOOL CWnd::ReleaseCapture() {
    QWidget* grabber = QWidget::mouseGrabber();
    if (!grabber) return FALSE;
    grabber->releaseMouse();
    return TRUE;
}

void CWnd::Invalidate(BOOL) {
    if (QWidget* w = GetWidget()) w->update();
}

void CWnd::InvalidateRect(const RECT* rect, BOOL) {
    QWidget* w = GetWidget();
    if (!w) return;
    if (rect)
        w->update(QRect(QPoint(static_cast<int>(rect->left), static_cast<int>(rect->top)),
                        QPoint(static_cast<int>(rect->right) - 1, static_cast<int>(rect->bottom) - 1)));
    else
        w->update();
}

void CWnd::UpdateWindow() {
    if (QWidget* w = GetWidget()) w->repaint();
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    return native ? native->StartTimer(id, elapseMs) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    CNativeWindow* native = CNativeWindow::Find(GetWidget());
    return native && native->StopTimer(id);
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) { return TBMessageBox(this, text, caption, type); }

void CWnd::UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler) {
    QWidget* w = GetWidget();
    if (!w) return;
    const auto children = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        CNativeWindow* native = CNativeWindow::Find(child);
        if (!native || !native->id || !qobject_cast<QAbstractButton*>(child)) continue;
        CCmdUI ui;
        ui.m_nID = native->id;
        ui.m_pOther = FromHandle(native->hwnd());
        if (!ui.DoUpdate(target) && disableIfNoHandler) child->setEnabled(false);
    }
}
