#include "controls/dialogs/idle_hook.h"

#include "controls/window/native_window.h"

#include <QAbstractEventDispatcher>
#include <QPointer>
#include <QWidget>

void TBSendIdleUpdates(CWnd* window) {
    if (!window || !window->GetSafeHwnd()) return;
    QPointer<QWidget> top = window->GetWidget();
    window->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    if (!top) return;
    const auto children = top->findChildren<QWidget*>();
    std::vector<QPointer<QWidget>> alive(children.begin(), children.end());
    for (const QPointer<QWidget>& child : alive) {
        if (!child) continue;
        CNativeWindow* native = CNativeWindow::Find(child);
        if (native && native->permanent) native->Deliver(WM_IDLEUPDATECMDUI, TRUE, 0);
    }
}

CIdleHook::CIdleHook(CWnd* window) : m_window(window) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) return;
    m_connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
        // Updates may run events of their own; one pass at a time.
        if (m_running) return;
        m_running = true;
        TBSendIdleUpdates(m_window);
        m_running = false;
    });
}

CIdleHook::~CIdleHook() { QObject::disconnect(m_connection); }
