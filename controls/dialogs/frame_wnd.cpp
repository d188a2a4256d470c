#include <toolbox/ui/frame_wnd.h>

#include <toolbox/resources/string_table.h>
#include <toolbox/ui/menu.h>

#include "controls/dialogs/idle_hook.h"
#include "controls/window/native_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace {
const char* const kMessageLine = "tbMessageLine";
constexpr int kPreviewTheme = 5;
}  // namespace

CTBFrameWnd::CTBFrameWnd() = default;

CTBFrameWnd::~CTBFrameWnd() {
    if (m_loop) m_loop->exit(IDCANCEL);
    m_bars.reset();
    if (m_hWnd) DestroyWindow();
}

BOOL CTBFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent) {
    if (m_hWnd) return FALSE;
    if (!CreateEx(0, nullptr, TBLoadString(resourceId), style & ~WS_VISIBLE, CRect(0, 0, 640, 480), parent, 0))
        return FALSE;
    QWidget* w = GetWidget();
    // A child of an owner would sit inside it: the frame is a window of its own.
    if (!w->isWindow()) w->setWindowFlags(Qt::Window);
    m_bars = std::make_unique<CTBCommandBars>(this);
    if (TBFindMenuTemplate(resourceId)) m_bars->SetMenu(resourceId);
    m_panes.InstallDockingPanes(this);
    m_panes.SetTheme(kPreviewTheme);
    auto* line = new QLabel(w);
    line->setObjectName(QLatin1String(kMessageLine));
    line->setFrameShape(QFrame::StyledPanel);
    line->setText(TBQ(m_message));
    RecalcLayout();
    return TRUE;
}

void CTBFrameWnd::SetActiveView(CWnd* view) {
    m_view = view;
    RecalcLayout();
}

void CTBFrameWnd::SetMessageText(const char* text) {
    m_message = text ? text : "";
    if (!m_hWnd) return;
    if (auto* line = GetWidget()->findChild<QLabel*>(QLatin1String(kMessageLine))) line->setText(TBQ(m_message));
}

void CTBFrameWnd::RecalcLayout() {
    if (!m_hWnd) return;
    QWidget* w = GetWidget();
    CRect area(0, 0, w->width(), w->height());
    if (m_bars) area.top += m_bars->LayoutBars(0, w->width());
    if (auto* line = w->findChild<QLabel*>(QLatin1String(kMessageLine))) {
        const int h = line->sizeHint().height();
        line->setGeometry(0, static_cast<int>(area.bottom) - h, w->width(), h);
        area.bottom -= h;
    }
    m_panes.LayoutPanes(area);
    if (m_view && m_view->GetSafeHwnd()) m_view->MoveWindow(area);
}

void CTBFrameWnd::SetPreviewMode(BOOL preview) {
    if (!preview == !m_preview) return;
    m_preview = preview;
    if (preview) {
        m_panes.SaveState(m_panesBeforePreview);
        m_panes.CloseAll();
    } else {
        m_panes.RestoreState(m_panesBeforePreview);
    }
    RecalcLayout();
}

int CTBFrameWnd::RunModalLoop() {
    if (m_loop || !m_hWnd) return -1;
    QEventLoop loop;
    m_loop = &loop;
    CIdleHook idle(this);
    const int result = loop.exec();
    m_loop = nullptr;
    return result;
}

void CTBFrameWnd::EndModalLoop(int result) {
    if (m_loop) m_loop->exit(result);
}

void CTBFrameWnd::OnIdleUpdateCmdUI() {
    if (m_bars) m_bars->UpdateCommandUI(this);
    SetMessageText(m_message);
}

void CTBFrameWnd::OnClose() {
    if (m_loop)
        EndModalLoop(IDOK);
    else
        DestroyWindow();
}

BOOL CTBFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    // The active view first, then the frame itself.
    if (m_view && m_view->GetSafeHwnd() && m_view->OnCmdMsg(nID, nCode, pExtra)) return TRUE;
    return CWnd::OnCmdMsg(nID, nCode, pExtra);
}

LRESULT CTBFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
            RecalcLayout();
            return result;
        }
        case WM_IDLEUPDATECMDUI: OnIdleUpdateCmdUI(); return 0;
        case WM_CLOSE: OnClose(); return 0;
        default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

int TBRunModalFrameWnd(CTBFrameWnd* frame, UINT resourceId) {
    if (!frame || !qApp) return -1;
    QPointer<QWidget> owner = QApplication::activeWindow();
    // The owner and the application's modeless windows wait while the frame runs.
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled.emplace_back(w);
        }
    auto enableAgain = [&] {
        for (const QPointer<QWidget>& w : disabled)
            if (w) w->setEnabled(true);
    };
    if (!frame->GetSafeHwnd() && !frame->LoadFrame(resourceId, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
        enableAgain();
        return -1;
    }
    frame->ShowWindow(SW_SHOW);
    const int result = frame->RunModalLoop();
    enableAgain();
    if (owner) {
        owner->raise();
        owner->activateWindow();
    }
    frame->DestroyWindow();
    return result;
}
