// Helpers of the window tests: a Qt application on the offscreen platform, a parent
// window that logs every message it receives, and event-loop helpers.
#pragma once

#include <toolbox/toolbox-ui.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include <string>
#include <vector>

namespace uitest {

/// One message as a window received it.
struct Logged {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    /// WM_NOTIFY's structure, copied while it exists (it lives on the sender's stack).
    NMITEMACTIVATE notify;
};

/// Copies the notification structure that the code says lParam points to.
inline NMITEMACTIVATE CopyNotify(LPARAM lParam) {
    NMITEMACTIVATE copy;
    const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
    switch (hdr->code) {
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK: copy = *reinterpret_cast<const NMITEMACTIVATE*>(lParam); break;
        case LVN_ITEMCHANGED:
        case LVN_INSERTITEM:
        case LVN_DELETEITEM:
        case LVN_DELETEALLITEMS:
        case LVN_COLUMNCLICK: {
            const NMLISTVIEW& lv = *reinterpret_cast<const NMLISTVIEW*>(lParam);
            copy.hdr = lv.hdr;
            copy.iItem = lv.iItem;
            copy.iSubItem = lv.iSubItem;
            copy.uNewState = lv.uNewState;
            copy.uOldState = lv.uOldState;
            copy.uChanged = lv.uChanged;
            copy.ptAction = lv.ptAction;
            copy.lParam = lv.lParam;
            break;
        }
        default: copy.hdr = *hdr; break;
    }
    return copy;
}

/// A top-level window that records the messages it receives (then handles them as
/// usual); the parent of the controls under test.
class CLogWindow : public CWnd {
public:
    std::vector<Logged> log;
    /// Messages to record; empty records all.
    std::vector<UINT> only;

    BOOL CreateTop(int width = 400, int height = 300) {
        if (!CreateEx(0, nullptr, "test", WS_OVERLAPPEDWINDOW, CRect(0, 0, width, height), nullptr, 0)) return FALSE;
        GetWidget()->show();
        return QTest::qWaitForWindowExposed(GetWidget());
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (only.empty() || std::find(only.begin(), only.end(), message) != only.end())
            log.push_back({message, wParam, lParam, message == WM_NOTIFY ? CopyNotify(lParam) : NMITEMACTIVATE()});
        return CWnd::WindowProc(message, wParam, lParam);
    }
    /// The WM_COMMAND codes received from control id, in order.
    std::vector<UINT> CommandCodes(UINT id) const {
        std::vector<UINT> codes;
        for (const Logged& m : log)
            if (m.message == WM_COMMAND && LOWORD(static_cast<DWORD>(m.wParam)) == id)
                codes.push_back(HIWORD(static_cast<DWORD>(m.wParam)));
        return codes;
    }
    /// The WM_NOTIFY codes received, in order.
    std::vector<UINT> NotifyCodes() const {
        std::vector<UINT> codes;
        for (const Logged& m : log)
            if (m.message == WM_NOTIFY) codes.push_back(m.notify.hdr.code);
        return codes;
    }
};

/// Lets queued events (posted messages, deferred notifications) run.
inline void RunEvents() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

/// Runs action once the next modal window (dialog, message box, menu) is open. Only
/// the pending timer holds the poll, so it goes once the action ran.
template <class F>
void WhenModalOpens(F action) {
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = poll;
    *poll = [weak, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) modal = QApplication::activePopupWidget();
        if (modal && modal->isVisible())
            action(modal);
        else if (auto self = weak.lock())
            QTimer::singleShot(10, [self] { (*self)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

/// The per-user settings store of the test, in a folder of its own.
class SettingsFolder {
public:
    SettingsFolder() {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_had = old != nullptr;
        if (old) m_old = old;
        setenv("XDG_CONFIG_HOME", m_dir.path().toUtf8().constData(), 1);
    }
    ~SettingsFolder() {
        if (m_had)
            setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_had = false;
    std::string m_old;
};

}  // namespace uitest
