// Windows and messages: message maps, sending and posting, Qt events arriving as the
// framework's messages with their parameters, focus, timers, text and destruction.
#include "ui_test_support.h"

#include <QTimer>

using uitest::CLogWindow;
using uitest::Logged;
using uitest::RunEvents;

namespace {

constexpr UINT WM_EDIT_CHANGED = 0x7EB;
constexpr UINT ID_FIRST = 300, ID_LAST = 305;

/// A base window with a map of its own, so that the chain to the base is tested.
class CBaseTarget : public CWnd {
public:
    int baseCommands = 0;

protected:
    void OnBaseCommand() { ++baseCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CWnd)
ON_COMMAND(200, OnBaseCommand)
END_MESSAGE_MAP()

class CMappedWindow : public CBaseTarget {
public:
    std::vector<std::pair<WPARAM, LPARAM>> edits;
    std::vector<UINT> ranged;
    std::vector<UINT> notified;
    int paints = 0;
    std::vector<std::pair<UINT, CPoint>> clicks;
    std::vector<UINT> keys, chars;
    std::vector<UINT_PTR> timers;
    bool enableCommand301 = false;

protected:
    LRESULT OnEditChanged(WPARAM w, LPARAM l) {
        edits.push_back({w, l});
        return 42;
    }
    void OnRange(UINT id) { ranged.push_back(id); }
    void OnListChanged(NMHDR* hdr, LRESULT* result) {
        notified.push_back(hdr->code);
        *result = 7;
    }
    void OnUpdate301(CCmdUI* ui) { ui->Enable(enableCommand301); }
    void OnPaint() {
        CPaintDC dc(this);
        dc.FillSolidRect(&dc.m_rcPaint, RGB(0, 128, 0));
        ++paints;
    }
    void OnLButtonDown(UINT flags, CPoint p) { clicks.push_back({flags, p}); }
    void OnLButtonDblClk(UINT flags, CPoint p) { clicks.push_back({flags | 0x8000, p}); }
    void OnKeyDown(UINT vk, UINT, UINT) { keys.push_back(vk); }
    void OnChar(UINT ch, UINT, UINT) { chars.push_back(ch); }
    void OnTimer(UINT_PTR id) {
        timers.push_back(id);
        KillTimer(id);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMappedWindow, CBaseTarget)
ON_MESSAGE(WM_EDIT_CHANGED, OnEditChanged)
ON_COMMAND_RANGE(ID_FIRST, ID_LAST, OnRange)
ON_NOTIFY(LVN_ITEMCHANGED, 77, OnListChanged)
ON_UPDATE_COMMAND_UI(301, OnUpdate301)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_TIMER()
END_MESSAGE_MAP()

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            wnd.CreateEx(0, nullptr, "mapped", WS_OVERLAPPEDWINDOW | WS_TABSTOP, CRect(0, 0, 200, 150), nullptr, 0));
        ASSERT_TRUE(uitest::ShowAndWait(wnd));
    }
    CMappedWindow wnd;
};

}  // namespace

TEST_F(WindowTest, MessageMapEntriesReachTheirHandlersWithTheParametersSentAtOncePostedLater) {
    EXPECT_EQ(wnd.SendMessage(WM_EDIT_CHANGED, 5, 9), 42);
    ASSERT_EQ(wnd.edits.size(), 1u);
    EXPECT_EQ(wnd.edits[0], std::make_pair(WPARAM{5}, LPARAM{9}));
    // Commands: a range of this class, one of the base class; an unknown one is not handled.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(303, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(200, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(306, 0), 0);
    EXPECT_EQ(wnd.ranged, std::vector<UINT>({303}));
    EXPECT_EQ(wnd.baseCommands, 1);
    // Notifications match code and control id; the handler's result comes back.
    NMHDR hdr{nullptr, 77, LVN_ITEMCHANGED};
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&hdr)), 7);
    NMHDR other{nullptr, 78, LVN_ITEMCHANGED};
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 78, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(wnd.notified, std::vector<UINT>({LVN_ITEMCHANGED}));

    // Posted messages arrive on the event loop, sent ones at once.
    wnd.PostMessage(WM_EDIT_CHANGED, 1, 2);
    EXPECT_EQ(wnd.edits.size(), 1u);
    wnd.SendMessage(WM_EDIT_CHANGED, 3, 4);
    ASSERT_EQ(wnd.edits.size(), 2u);
    RunEvents();
    ASSERT_EQ(wnd.edits.size(), 3u);
    EXPECT_EQ(wnd.edits[2].first, 1u);
    // The free function reaches the window through its handle.
    ::PostMessage(wnd.m_hWnd, WM_EDIT_CHANGED, 8, 0);
    RunEvents();
    EXPECT_EQ(wnd.edits.back().first, 8u);
}

TEST_F(WindowTest, CommandEnablingAsksTheMapAndDisablesWhatNobodyAnswers) {
    CButton answered, unanswered;
    answered.Create("a", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), &wnd, 301);
    unanswered.Create("b", WS_CHILD | WS_VISIBLE, CRect(50, 0, 90, 20), &wnd, 302);
    wnd.enableCommand301 = true;
    wnd.UpdateDialogControls(&wnd, FALSE);
    EXPECT_TRUE(answered.IsWindowEnabled());
    EXPECT_TRUE(unanswered.IsWindowEnabled());
    wnd.enableCommand301 = false;
    wnd.UpdateDialogControls(&wnd, TRUE);
    EXPECT_FALSE(answered.IsWindowEnabled());
    EXPECT_FALSE(unanswered.IsWindowEnabled());
}

TEST_F(WindowTest, MouseAndKeyEventsArriveWithFlagsClientCoordinatesAndVirtualKeyCodes) {
    QTest::mouseClick(wnd.GetWidget(), Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 40));
    QTest::mouseDClick(wnd.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 6));
    ASSERT_GE(wnd.clicks.size(), 2u);
    EXPECT_EQ(wnd.clicks[0].first, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(wnd.clicks[0].second, CPoint(30, 40));
    EXPECT_EQ(wnd.clicks.back().first, MK_LBUTTON | 0x8000u);  // the double click
    EXPECT_EQ(wnd.clicks.back().second, CPoint(5, 6));
    // Keys arrive as key down then character, with virtual key codes.
    wnd.SetFocus();
    QTest::keyClick(wnd.GetWidget(), Qt::Key_A);
    QTest::keyClick(wnd.GetWidget(), 'B', Qt::ShiftModifier);  // the shift key itself comes first
    QTest::keyClick(wnd.GetWidget(), Qt::Key_Left);
    QTest::keyClick(wnd.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(wnd.keys, std::vector<UINT>({'A', VK_SHIFT, 'B', VK_LEFT, VK_ESCAPE}));
    EXPECT_EQ(wnd.chars, std::vector<UINT>({'a', 'B', 0x1B}));
}

TEST_F(WindowTest, PaintMessagesDrawThroughThePaintContext) {
    const QImage image = wnd.GetWidget()->grab().toImage();
    EXPECT_GE(wnd.paints, 1);
    EXPECT_EQ(image.pixelColor(100, 75), QColor(0, 128, 0));
}

TEST_F(WindowTest, TimersDeliverTheirOwnIds) {
    EXPECT_EQ(wnd.SetTimer(17, 5), 17u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !wnd.timers.empty(); }, 2000));
    EXPECT_EQ(wnd.timers, std::vector<UINT_PTR>({17}));
    EXPECT_FALSE(wnd.KillTimer(17));  // the handler killed it already
}

TEST_F(WindowTest, GetTextCopiesNoMoreThanTheBufferHolds) {
    wnd.SetWindowText("Circuit");
    EXPECT_EQ(wnd.GetWindowText(), "Circuit");
    EXPECT_EQ(wnd.GetWindowTextLength(), 7);
    char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(wnd.SendMessage(WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_STREQ(buffer, "Cir");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(wnd.SendMessage(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
}

TEST(WindowFocus, SetAndKillFocusNameTheOtherWindow) {
    CLogWindow parent;
    ASSERT_TRUE(parent.CreateTop());
    CLogWindow a, b;
    a.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 50, 20), &parent, 1);
    b.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 30, 50, 50), &parent, 2);
    a.only = b.only = {WM_SETFOCUS, WM_KILLFOCUS};
    a.log.clear();
    b.log.clear();
    QApplication::setActiveWindow(parent.GetWidget());
    a.SetFocus();
    RunEvents();
    b.SetFocus();
    RunEvents();
    ASSERT_EQ(a.log.size(), 2u);
    EXPECT_EQ(a.log[0].message, static_cast<UINT>(WM_SETFOCUS));
    EXPECT_EQ(a.log[1].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(a.log[1].wParam, reinterpret_cast<WPARAM>(b.m_hWnd));
    ASSERT_EQ(b.log.size(), 1u);
    EXPECT_EQ(b.log[0].wParam, reinterpret_cast<WPARAM>(a.m_hWnd));
}

namespace {
/// Records the order in which windows are destroyed and lets go of itself at the end.
struct CDestroyOrder : public CWnd {
    std::vector<std::string>* order = nullptr;
    std::string name;
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override {
        if (message == WM_DESTROY) order->push_back(name);
        return CWnd::WindowProc(message, w, l);
    }
    void PostNcDestroy() override { order->push_back(name + " gone"); }
};
}  // namespace

TEST(WindowLife, DestroyReachesTheParentBeforeItsChildrenAndDetachesBoth) {
    std::vector<std::string> order;
    CDestroyOrder parent, child;
    parent.order = child.order = &order;
    parent.name = "parent";
    child.name = "child";
    ASSERT_TRUE(parent.CreateEx(0, nullptr, nullptr, WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0));
    ASSERT_TRUE(child.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &parent, 5));
    EXPECT_EQ(parent.GetDlgItem(5), &child);
    EXPECT_EQ(CWnd::FromHandlePermanent(child.m_hWnd), &child);
    EXPECT_TRUE(parent.DestroyWindow());
    EXPECT_EQ(parent.m_hWnd, nullptr);
    EXPECT_EQ(child.m_hWnd, nullptr);
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], "parent");
    EXPECT_EQ(order[1], "child");
    EXPECT_NE(std::find(order.begin(), order.end(), "child gone"), order.end());
    EXPECT_NE(std::find(order.begin(), order.end(), "parent gone"), order.end());
}

TEST(WindowHandles, ForeignWidgetsGetATemporaryObjectThatKeepsNoMessages) {
    QWidget plain;
    CWnd* temporary = CWnd::FromHandle(reinterpret_cast<HWND>(&plain));
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(CWnd::FromHandle(reinterpret_cast<HWND>(&plain)), temporary);
    EXPECT_EQ(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(&plain)), nullptr);
    temporary->SetWindowText("host widget");
    EXPECT_EQ(temporary->GetWindowText(), "host widget");
    // A host attaches its own object and receives the widget's messages from then on.
    CLogWindow attached;
    attached.only = {WM_SIZE};
    ASSERT_TRUE(attached.Attach(reinterpret_cast<HWND>(&plain)));
    plain.resize(120, 80);
    plain.show();
    RunEvents();
    ASSERT_FALSE(attached.log.empty());
    EXPECT_EQ(attached.log.back().lParam, MAKELPARAM(120, 80));
    attached.Detach();
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
}

TEST(RegisteredMessages, OneNumberPerNameAboveTheFixedRange) {
    const UINT find = RegisterWindowMessage("commdlg_FindReplace");
    EXPECT_GE(find, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage("commdlg_FindReplace"), find);
    EXPECT_NE(RegisterWindowMessage("another"), find);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}
