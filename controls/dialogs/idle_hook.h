// Idle processing for the library's frames and dialogs: whenever the event loop is
// about to wait, the window and its descendants get WM_IDLEUPDATECMDUI, so that
// bars, buttons and status texts show the current command state.
#pragma once

#include <toolbox/ui/wnd.h>

#include <QMetaObject>

class CIdleHook {
public:
    explicit CIdleHook(CWnd* window);
    ~CIdleHook();
    CIdleHook(const CIdleHook&) = delete;
    CIdleHook& operator=(const CIdleHook&) = delete;

private:
    CWnd* m_window;
    bool m_running = false;
    QMetaObject::Connection m_connection;
};

/// Sends WM_IDLEUPDATECMDUI to window and every descendant that has a window object.
void TBSendIdleUpdates(CWnd* window);
