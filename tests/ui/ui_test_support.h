// Helpers of the window tests: a Qt application on the offscreen platform, a parent
// window that logs every message it receives, and event-loop helpers.
#pragma once

#include <toolbox/toolbox-ui.h>

#include "tests/support/env.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QMenu>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
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

/// Runs the event loop for ms milliseconds, so that it goes idle (WM_IDLEUPDATECMDUI).
inline void RunIdle(int ms = 30) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Clicks the button of a message box whose text is text ("&Yes").
inline void ClickBoxButton(QWidget* box, const char* text) {
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
        if (b->text() == QString::fromUtf8(text)) {
            b->click();
            return;
        }
}

/// Runs action once the next modal window (dialog, message box, menu) is open; *shown
/// (when given) is set then. Only the pending timer holds the poll, so it goes once the
/// action ran, after about 10 s of polling without a window, or when the test that
/// asked has ended: a window that never came leaves nothing to act on a later test's.
template <class F>
void WhenModalOpens(F action, bool* shown = nullptr) {
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = poll;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    auto tries = std::make_shared<int>(1000);
    *poll = [weak, action, shown, test, tries] {
        if (testing::UnitTest::GetInstance()->current_test_info() != test) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) modal = QApplication::activePopupWidget();
        if (modal && modal->isVisible()) {
            if (shown) *shown = true;
            action(modal);
        } else if (auto self = weak.lock(); self && --*tries > 0) {
            QTimer::singleShot(10, [self] { (*self)(); });
        }
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

/// The per-user settings store of the test, in a folder of its own.
class SettingsFolder {
public:
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    tbtest::ScopedEnv m_env{"XDG_CONFIG_HOME", m_dir.path().toStdString()};
};

/// A dialog template of the test in the dialogs' usual font (8 point "MS Shell Dlg").
inline CDialogTemplate ShellDlgTemplate(const char* caption, DWORD style, short cx, short cy,
                                        std::vector<CDialogItemTemplate> items, UINT id = 0) {
    return {id, caption, style | DS_SETFONT, cx, cy, "MS Shell Dlg", 8, std::move(items)};
}

/// Shows a top-level window and waits until it is on the screen.
inline bool ShowAndWait(CWnd& wnd) {
    wnd.GetWidget()->show();
    return QTest::qWaitForWindowExposed(wnd.GetWidget());
}

/// The widget of control id in the dialog whose widget is dialog (null when there is none).
inline QWidget* DlgItemWidget(QWidget* dialog, UINT id) {
    CWnd* wnd = CWnd::FromHandle(reinterpret_cast<HWND>(dialog));
    CWnd* item = wnd ? wnd->GetDlgItem(static_cast<int>(id)) : nullptr;
    return item ? item->GetWidget() : nullptr;
}

/// The window's rectangle in screen coordinates.
inline CRect WindowRect(const CWnd& wnd) {
    CRect r;
    wnd.GetWindowRect(&r);
    return r;
}

/// The window's rectangle in the client coordinates of `in`.
inline CRect RectIn(const CWnd& wnd, const CWnd& in) {
    CRect r = WindowRect(wnd);
    in.ScreenToClient(&r);
    return r;
}

/// r moved by dx, dy.
inline CRect Moved(CRect r, long dx, long dy) {
    r.OffsetRect(dx, dy);
    return r;
}

/// The rectangle of control id in its parent's client coordinates.
inline CRect ChildRect(CWnd* parent, UINT id) { return RectIn(*parent->GetDlgItem(static_cast<int>(id)), *parent); }

inline QPoint Centre(const CRect& r) {
    return QPoint(static_cast<int>((r.left + r.right) / 2), static_cast<int>((r.top + r.bottom) / 2));
}

/// The calls of one kind that a recording context kept, in order.
inline std::vector<CDrawRecord> RecordsOf(const CRecordingDC& dc, CDrawRecord::Op op) {
    std::vector<CDrawRecord> out;
    for (const CDrawRecord& r : dc.GetRecords())
        if (r.op == op) out.push_back(r);
    return out;
}

/// Right-clicks target at `at` and delivers the context-menu request there; onMenu runs
/// with the menu that opens (and must close it or choose from it).
inline void OpenContextMenu(QWidget* target, QPoint at, std::function<void(QMenu*)> onMenu) {
    WhenModalOpens([onMenu](QWidget* popup) {
        if (auto* menu = qobject_cast<QMenu*>(popup)) onMenu(menu);
    });
    QTest::mouseClick(target, Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    RunEvents();
}

/// Opens target's context menu at `at` and returns the menu's items in order as
/// "text+" (enabled) or "text-" (disabled); then chooses the item whose text without
/// '&' is choose, or closes the menu when there is none.
inline std::vector<std::string> ContextMenuItems(QWidget* target, QPoint at, const QString& choose = QString()) {
    std::vector<std::string> items;
    OpenContextMenu(target, at, [&items, choose](QMenu* menu) {
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            items.push_back(a->text().toStdString() + (a->isEnabled() ? "+" : "-"));
            if (a->text().remove(QLatin1Char('&')) == choose) chosen = a;
        }
        if (chosen) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    target->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(target->window()));
    return items;
}

/// The whole file as bytes; empty when missing.
inline std::vector<BYTE> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Little-endian words and double words appended to a metafile being built.
inline void Put16(std::vector<BYTE>& out, std::uint32_t v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
inline void Put32(std::vector<BYTE>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

/// A plain WMF whose header declares `objects` objects: a window of extent by extent
/// units, the given records, and the end record.
inline std::vector<BYTE> PlainWmf(std::uint16_t objects, const std::vector<BYTE>& records, std::uint16_t extent = 100) {
    std::vector<BYTE> wmf;
    Put16(wmf, 1), Put16(wmf, 9), Put16(wmf, 0x300), Put32(wmf, 0), Put16(wmf, objects), Put32(wmf, 0), Put16(wmf, 0);
    Put32(wmf, 5), Put16(wmf, 0x020C), Put16(wmf, extent), Put16(wmf, extent);  // SETWINDOWEXT
    wmf.insert(wmf.end(), records.begin(), records.end());
    Put32(wmf, 3), Put16(wmf, 0);
    return wmf;
}

/// Writes a file of the test (mode 0755 for a script).
inline void WriteFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << bytes;
    chmod(path.c_str(), mode);
}

}  // namespace uitest
