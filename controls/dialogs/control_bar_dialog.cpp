#include <toolbox/ui/control_bar_dialog.h>

#include "controls/dialogs/idle_hook.h"
#include "controls/window/native_window.h"

#include <QWidget>

CTBControlBarDialog::CTBControlBarDialog(UINT templateId, CWnd* parent) : CTBDialog(templateId, parent) {}
CTBControlBarDialog::CTBControlBarDialog(const char* templateName, CWnd* parent) : CTBDialog(templateName, parent) {}

CTBControlBarDialog::~CTBControlBarDialog() {
    m_idle.reset();
    if (m_hWnd) DestroyWindow();
    m_bars.reset();
}

BOOL CTBControlBarDialog::OnInitDialog() {
    m_bars = std::make_unique<CTBCommandBars>(this);
    m_idle = std::make_unique<CIdleHook>(this);
    return CTBDialog::OnInitDialog();
}

void CTBControlBarDialog::RecalcBarLayout() {
    if (!m_hWnd || !m_bars) return;
    QWidget* w = GetWidget();
    const int height = m_bars->LayoutBars(0, w->width());
    const int grow = height - m_barHeight;
    if (!grow) return;
    m_barHeight = height;
    // Everything else moves down below the bars; the window grows by their height.
    for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        CWnd* wnd = CWnd::FromHandlePermanent(CNativeWindow::Handle(child));
        bool isBar = false;
        for (int i = 0; i < m_bars->GetCount(); ++i) isBar = isBar || m_bars->GetAt(i) == wnd;
        if (!isBar && child->objectName() != QLatin1String("tbSizeGrip")) child->move(child->x(), child->y() + grow);
    }
    // Grown first: a minimum above the current size would grow the window by itself.
    w->resize(w->width(), w->height() + grow);
    if (m_layout.IsInitialised()) {
        m_layout.ShiftAll(0, grow);
        m_layout.SetCreationSize(CSize(m_layout.GetCreationSize().cx, m_layout.GetCreationSize().cy + grow));
        ApplyMinimumSize();
    }
}

BOOL CTBControlBarDialog::LoadAccelerators(UINT) {
    // The library holds no accelerator tables of its own yet.
    return FALSE;
}

void CTBControlBarDialog::SetAccelerators(const ACCEL* table, int count) {
    m_accelerators.clear();
    for (int i = 0; table && i < count; ++i) m_accelerators.push_back(table[i]);
}

BOOL CTBControlBarDialog::PreTranslateMessage(MSG* msg) {
    if (m_bars && m_bars->PreTranslateMessage(msg)) return TRUE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return CTBDialog::PreTranslateMessage(msg);
    BYTE state = FVIRTKEY;
    if (GetKeyState(VK_SHIFT) < 0) state |= FSHIFT;
    if (GetKeyState(VK_CONTROL) < 0) state |= FCONTROL;
    if (GetKeyState(VK_MENU) < 0) state |= FALT;
    for (const ACCEL& a : m_accelerators) {
        if (a.key != msg->wParam || (a.fVirt | FVIRTKEY) != state) continue;
        SendMessage(WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return TRUE;
    }
    return CTBDialog::PreTranslateMessage(msg);
}

BOOL CTBControlBarDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (m_bars) m_bars->ClosePopups();
    return CTBDialog::OnCommand(wParam, lParam);
}

LRESULT CTBControlBarDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSKEYDOWN:
            if (m_bars) m_bars->ClosePopups();
            break;
        case WM_IDLEUPDATECMDUI:
        case WM_KICKIDLE:
            if (m_bars) m_bars->UpdateCommandUI(this);
            UpdateDialogControls(this, FALSE);
            return 0;
        case WM_SIZE:
            if (m_bars) {
                const LRESULT result = CTBDialog::WindowProc(message, wParam, lParam);
                m_bars->LayoutBars(0, LOWORD(static_cast<DWORD>(lParam)));
                return result;
            }
            break;
        default: break;
    }
    return CTBDialog::WindowProc(message, wParam, lParam);
}
