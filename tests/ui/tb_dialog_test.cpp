// Dialogs whose controls follow the window: the anchor arithmetic against rectangles
// computed by hand, real windows resized and their controls read back, the minimum
// size after ReduceDialog, the stored placement (also across two processes) and the pin.
#include "ui_test_support.h"

#include <toolbox/os/settings_store.h>
#include <toolbox/ui/registry_manager.h>
#include <toolbox/ui/tb_dialog.h>
#include <toolbox/ui/ui_resources.h>

#include <QGuiApplication>
#include <QProcess>
#include <QMenu>
#include <QScreen>
#include <QSizeGrip>


namespace {

// ------------------------------------------------------------------ arithmetic

struct LayoutCase {
    WORD flags;
    CRect initial;
    CRect expected;
};

TEST(WindowLayoutArithmetic, EveryAnchorCombinationAgainstHandComputedRectangles) {
    // Client 200 x 100 grows to 300 x 150: both scale factors are 1.5.
    const CRect c(20, 10, 60, 30);
    const CRect odd(21, 11, 60, 30);  // odd sums: the centre uses integer division
    const LayoutCase cases[] = {
        {0, c, {30, 15, 70, 35}},     // no flags: size kept, position scaled
        {1, c, {20, 15, 60, 35}},     // left held
        {2, c, {120, 15, 160, 35}},   // right only: moves with the right edge
        {3, c, {20, 15, 160, 35}},    // both: stretches
        {4, c, {30, 10, 70, 30}},     // top held
        {8, c, {30, 60, 70, 80}},     // bottom only
        {10, c, {120, 60, 160, 80}},  // bottom-right corner
        {12, c, {30, 10, 70, 80}},
        {15, c, {20, 10, 160, 80}},    // grows with the window
        {16, c, {40, 15, 80, 35}},     // centre scaled: (40 * 1.5) - 20
        {16, odd, {40, 16, 79, 35}},   // (21 + 60) div 2 = 40; 40 * 1.5 - 19.5 = 40.5 cuts to 40
        {18, c, {40, 15, 160, 35}},    // centre with the right edge held
        {17, c, {20, 15, 60, 35}},     // left wins over centre
        {80, c, {30, 15, 90, 35}},     // scale wins over centre
        {64, c, {30, 15, 90, 35}},     // edges scaled
        {65, c, {20, 15, 90, 35}},     // left held, right scaled
        {66, c, {30, 15, 160, 35}},    // left scaled, right held
        {32, c, {30, 20, 70, 40}},     // vertical centre: 20 * 1.5 - 10
        {32, odd, {31, 20, 70, 39}},   // (11 + 30) div 2 = 20; 30 - 9.5 = 20.5 cuts to 20
        {128, c, {30, 15, 70, 45}},    // vertical edges scaled
        {132, c, {30, 10, 70, 45}},    // top held, bottom scaled
        {136, c, {30, 15, 70, 80}},    // top scaled, bottom held
        {48, c, {40, 20, 80, 40}},     // both centres
        {192, c, {30, 15, 90, 45}},    // both scaled
        {0, {-7, -3, 13, 7}, {-10, -4, 10, 6}},  // negatives cut toward zero
    };
    for (const LayoutCase& t : cases) {
        SControl_Info info;
        info.nFlags = t.flags;
        info.rcInitial = t.initial;
        EXPECT_EQ(TBLayoutControlRect(info, CSize(200, 100), CSize(300, 150), 1.5, 1.5), t.expected)
            << "flags " << t.flags << " from " << t.initial.left << "," << t.initial.top;
    }
    // A combo box reaches down over its dropped list (80 pixels below its edit part).
    SControl_Info combo;
    combo.nFlags = 15;
    combo.rcInitial = c;
    combo.rcDropped = CRect(20, 10, 60, 110);
    EXPECT_EQ(TBLayoutControlRect(combo, CSize(200, 100), CSize(300, 150), 1.5, 1.5), CRect(20, 10, 160, 160));
}

TEST(WindowLayoutArithmetic, ProfileSectionAndRegisteredRectangles) {
    EXPECT_EQ(CTBWindowLayout::ProfileSection("Mine", 0x4306, "Name"), CString("Mine"));
    EXPECT_EQ(CTBWindowLayout::ProfileSection("", 4306, "Name"), CString("10d2"));
    EXPECT_EQ(CTBWindowLayout::ProfileSection("", 0, "Name"), CString("Name"));
    EXPECT_EQ(CTBWindowLayout::ProfileSection("", 0, ""), CString(""));

    CTBWindowLayout layout;
    layout.SetControlInfo(5, 15);
    layout.SetControlInfo(5, 10);  // registering again changes the flags only
    ASSERT_EQ(layout.GetControls().size(), 1u);
    EXPECT_EQ(layout.GetControls()[0].nFlags, 10);
    layout.ResizeControl(5, 10, 20, 30, 40);
    layout.ResizeControl(5, -1, 25, -1, -1);  // -1 keeps left, width and height
    CRect r;
    ASSERT_TRUE(layout.GetOrigControlRect(5, r));
    EXPECT_EQ(r, CRect(10, 25, 40, 65));
    EXPECT_FALSE(layout.GetOrigControlRect(6, r));
    EXPECT_EQ(CTBWindowLayout::GripperRect(100, 80).BottomRight(), CPoint(100, 80));
}

// ------------------------------------------------------------------ real windows

constexpr UINT IDC_CORNER = 100, IDC_GROWS = 101, IDC_FLOATS = 102, IDC_LIST = 103, IDC_LABEL = 104;

const CDialogTemplate& SampleTemplate() {
    static const CDialogTemplate tmpl = uitest::ShellDlgTemplate(
        "Sample", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 200, 120,
        {{"EDIT", IDC_GROWS, "", WS_VISIBLE | WS_BORDER, 7, 7, 186, 60},
         {"STATIC", IDC_LABEL, "Label", WS_VISIBLE, 7, 72, 60, 8},
         {"COMBOBOX", IDC_LIST, "", WS_VISIBLE | CBS_DROPDOWNLIST, 70, 72, 60, 60},
         {"BUTTON", IDC_FLOATS, "Floats", WS_VISIBLE, 7, 90, 50, 14},
         {"BUTTON", IDC_CORNER, "OK", WS_VISIBLE, 143, 99, 50, 14}});
    return tmpl;
}

class CSampleDlg : public CTBDialog {
public:
    explicit CSampleDlg(const char* section = "SampleDialog") : CTBDialog(section) {
        SetControlInfo(IDC_CORNER, 10);
        SetControlInfo(IDC_GROWS, 15);
        SetControlInfo(IDC_FLOATS, 0);
        SetControlInfo(IDC_LIST, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT);
        SetControlInfo(IDC_LABEL, TB_ANCHOR_LEFT);
    }
    BOOL Open() { return CreateIndirect(SampleTemplate(), nullptr) && uitest::ShowAndWait(*this); }
    CRect ControlRect(UINT id) { return uitest::ChildRect(this, id); }
    void ResizeClient(int cx, int cy) {
        GetWidget()->resize(cx, cy);
        uitest::RunEvents();
    }
};

class TBDialogWindows : public ::testing::Test {
protected:
    uitest::SettingsFolder settings;
};

TEST_F(TBDialogWindows, ControlsFollowTheirAnchorsWhenTheWindowIsResized) {
    CSampleDlg dlg;
    ASSERT_TRUE(dlg.Open());
    CRect client;
    dlg.GetClientRect(&client);
    CRect corner, grows, floats, list;
    ASSERT_TRUE(dlg.GetOrigControlRect(IDC_CORNER, corner));
    ASSERT_TRUE(dlg.GetOrigControlRect(IDC_GROWS, grows));
    ASSERT_TRUE(dlg.GetOrigControlRect(IDC_FLOATS, floats));
    ASSERT_TRUE(dlg.GetOrigControlRect(IDC_LIST, list));
    EXPECT_EQ(dlg.ControlRect(IDC_CORNER), corner);

    const int dx = 150, dy = 90;
    dlg.ResizeClient(static_cast<int>(client.Width()) + dx, static_cast<int>(client.Height()) + dy);
    // 10: the same distance from the bottom-right corner.
    EXPECT_EQ(dlg.ControlRect(IDC_CORNER), uitest::Moved(corner, dx, dy));
    // 15: grows with the window.
    EXPECT_EQ(dlg.ControlRect(IDC_GROWS), CRect(grows.left, grows.top, grows.right + dx, grows.bottom + dy));
    // 0: keeps its size, its position scales.
    const double sx = static_cast<double>(client.Width() + dx) / client.Width();
    const double sy = static_cast<double>(client.Height() + dy) / client.Height();
    const CRect f = dlg.ControlRect(IDC_FLOATS);
    EXPECT_EQ(f.left, static_cast<long>(floats.left * sx));
    EXPECT_EQ(f.top, static_cast<long>(floats.top * sy));
    EXPECT_EQ(f.Size(), floats.Size());
    // The combo box stretches; its edit part keeps its height.
    const CRect l = dlg.ControlRect(IDC_LIST);
    EXPECT_EQ(l.left, list.left);
    EXPECT_EQ(l.right, list.right + dx);
    EXPECT_EQ(l.Height(), list.Height());
    // The grip sits in the corner and counts as the bottom-right border.
    auto hit = [&dlg](CPoint at) {
        dlg.ClientToScreen(&at);
        return dlg.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
    };
    const CPoint corner2(client.Width() + dx - 2, client.Height() + dy - 2);
    EXPECT_EQ(hit(corner2), HTBOTTOMRIGHT);
    EXPECT_NE(hit(CPoint(10, 10)), HTBOTTOMRIGHT);
    dlg.SetDrawGripper(FALSE);
    EXPECT_NE(hit(corner2), HTBOTTOMRIGHT);

    // Back to the first size: every control is where it started.
    dlg.ResizeClient(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
    EXPECT_EQ(dlg.ControlRect(IDC_CORNER), corner);
    EXPECT_EQ(dlg.ControlRect(IDC_FLOATS), floats);
}

TEST_F(TBDialogWindows, ReducedDialogKeepsItsMinimumAndStoresTheReductionBack) {
    const std::pair<const char*, CSize> rounds[] = {{"LowerDialog", CSize(0, 50)}, {"NarrowerDialog", CSize(40, 0)}};
    for (const auto& [section, reduction] : rounds) {
        CSampleDlg dlg(section);
        ASSERT_TRUE(dlg.Open());
        const CRect before = uitest::WindowRect(dlg);
        dlg.ReduceDialog(static_cast<int>(reduction.cx), static_cast<int>(reduction.cy));
        uitest::RunEvents();
        const CSize reduced(before.Width() - reduction.cx, before.Height() - reduction.cy);
        EXPECT_EQ(uitest::WindowRect(dlg).Size(), reduced);
        MINMAXINFO info;
        dlg.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(CSize(info.ptMinTrackSize.x, info.ptMinTrackSize.y), reduced);
        // The user cannot make it smaller.
        dlg.ResizeClient(50, 50);
        EXPECT_EQ(uitest::WindowRect(dlg).Size(), reduced);
        // The corner button sits where the reduced window's corner is.
        CRect corner;
        dlg.GetOrigControlRect(IDC_CORNER, corner);
        EXPECT_EQ(dlg.ControlRect(IDC_CORNER).BottomRight(), corner.BottomRight() - CPoint(reduction.cx, reduction.cy));
        dlg.DestroyWindow();
        // The stored size is the full one: the reduction is applied again on opening.
        CTBRegistryManager registry;
        EXPECT_EQ(registry.GetProfileInt(section, "CX", 0), before.Width());
        EXPECT_EQ(registry.GetProfileInt(section, "CY", 0), before.Height());
    }
}

TEST_F(TBDialogWindows, StoredPlacementBeyondTheScreenIsPulledOnScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Too tall (and off the right edge), then too wide (and off the bottom).
    const struct {
        const char* section;
        CRect stored;  // XPOS, YPOS, CX, CY as left, top, width, height
        CRect shown;
    } cases[] = {
        {"Tall", CRect(screen.width() - 100, 40, 400, screen.height() + 50),
         CRect(screen.width() - 400, 0, 400, screen.height())},
        {"Wide", CRect(40, screen.height() - 100, screen.width() + 500, 300),
         CRect(0, screen.height() - 300, screen.width(), 300)},
    };
    CTBRegistryManager registry;
    for (const auto& c : cases) {
        registry.WriteProfileInt(c.section, "XPOS", static_cast<int>(c.stored.left));
        registry.WriteProfileInt(c.section, "YPOS", static_cast<int>(c.stored.top));
        registry.WriteProfileInt(c.section, "CX", static_cast<int>(c.stored.right));
        registry.WriteProfileInt(c.section, "CY", static_cast<int>(c.stored.bottom));
        CSampleDlg dlg(c.section);
        ASSERT_TRUE(dlg.Open());
        const CRect r = uitest::WindowRect(dlg);
        EXPECT_EQ(CRect(r.left, r.top, r.Width(), r.Height()), c.shown) << c.section;
    }
    // Without remember-size nothing is read.
    CSampleDlg other("Wide");
    other.SetRememberSize(FALSE);
    ASSERT_TRUE(other.Open());
    EXPECT_LT(uitest::WindowRect(other).Width(), screen.width());
}

TEST_F(TBDialogWindows, PinStoredOffOpensNotTopMostAndAClickOnTheIconPinsIt) {
    CTBRegistryManager registry;
    registry.WriteProfileInt("Pinned", "Pinned", 0);
    CSampleDlg dlg("Pinned");
    dlg.SetEnableOnTop(TRUE);
    ASSERT_TRUE(dlg.Open());
    uitest::RunEvents();
    EXPECT_FALSE(dlg.GetPinned());
    EXPECT_EQ(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    EXPECT_EQ(dlg.GetLayout().GetShownIcon(), IDI_TB_UNPINNED);

    dlg.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU, 0);
    uitest::RunEvents();
    EXPECT_TRUE(dlg.GetPinned());
    EXPECT_NE(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    EXPECT_TRUE(dlg.GetWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dlg.GetWidget()->isVisible());
    EXPECT_EQ(dlg.GetLayout().GetShownIcon(), IDI_TB_PINNED);
    // The window shows the pinned icon.
    HICON pinned = TBLoadIcon(IDI_TB_PINNED, 16);
    EXPECT_EQ(dlg.GetWidget()->windowIcon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              *TBGetIconImage(pinned));
    DestroyIcon(pinned);
    // The z-order change is no change of the feature itself.
    EXPECT_TRUE(dlg.GetEnableOnTop());

    // A double click on the icon: the first click toggles, the close undoes it.
    dlg.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU, 0);
    EXPECT_FALSE(dlg.GetPinned());
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(dlg.GetPinned());
    dlg.DestroyWindow();
    EXPECT_EQ(registry.GetProfileInt("Pinned", "Pinned", -1), 1);

    // Removing the topmost style switches the feature off; without it clicks open the menu.
    CSampleDlg plain("Plain");
    ASSERT_TRUE(plain.Open());
    plain.ModifyStyleEx(0, WS_EX_TOPMOST);
    EXPECT_TRUE(plain.GetEnableOnTop());
    plain.ModifyStyleEx(WS_EX_TOPMOST, 0);
    EXPECT_FALSE(plain.GetEnableOnTop());
    const BOOL before = plain.GetPinned();
    plain.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU, 0);
    EXPECT_EQ(plain.GetPinned(), before);
}

TEST_F(TBDialogWindows, AFixedTemplateIsSizedFromCodeAndByDraggingItsGrip) {
    // The library's Export template has no sizing frame.
    CTBDialog dlg(4307u);
    ASSERT_TRUE(dlg.Create(4307u, nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(dlg));
    const CRect before = uitest::WindowRect(dlg);
    dlg.SetWindowPos(nullptr, 0, 0, static_cast<int>(before.Width()) + 60, static_cast<int>(before.Height()) + 40,
                     SWP_NOMOVE | SWP_NOZORDER);
    uitest::RunEvents();
    EXPECT_EQ(uitest::WindowRect(dlg).Size(), CSize(before.Width() + 60, before.Height() + 40));
    dlg.MoveWindow(30, 40, static_cast<int>(before.Width()) + 20, static_cast<int>(before.Height()) + 10);
    uitest::RunEvents();
    EXPECT_EQ(uitest::WindowRect(dlg), CRect(30, 40, 30 + before.Width() + 20, 40 + before.Height() + 10));
    // ReduceDialog takes its share off the window.
    dlg.ReduceDialog(0, 10);
    uitest::RunEvents();
    EXPECT_EQ(uitest::WindowRect(dlg).Height(), before.Height());

    // The user drags the grip: the window grows with the pointer.
    auto* grip = dlg.GetWidget()->findChild<QSizeGrip*>(QStringLiteral("tbSizeGrip"));
    ASSERT_NE(grip, nullptr);
    ASSERT_TRUE(grip->isVisible());
    const QSize start = dlg.GetWidget()->size();
    const QPoint from = grip->rect().center();
    QTest::mousePress(grip, Qt::LeftButton, {}, from);
    QTest::mouseMove(grip, from + QPoint(30, 20));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, from + QPoint(30, 20));
    uitest::RunEvents();
    EXPECT_EQ(dlg.GetWidget()->size(), start + QSize(30, 20));
}

TEST_F(TBDialogWindows, TheWindowsOwnContextMenuPinsItWithAClick) {
    CSampleDlg dlg("PinMenu");
    dlg.SetEnableOnTop(TRUE);
    ASSERT_TRUE(dlg.Open());
    uitest::RunEvents();
    ASSERT_TRUE(dlg.GetPinned());
    QWidget* w = dlg.GetWidget();
    const QPoint background(3, 3);  // inside the margin, on no control
    ASSERT_EQ(w->childAt(background), nullptr);
    auto rightClickAndChoose = [&](bool choose) {
        std::vector<std::string> items;
        uitest::OpenContextMenu(w, background, [&items, choose](QMenu* menu) {
            for (QAction* a : menu->actions()) items.push_back(a->text().toStdString() + (a->isChecked() ? "*" : ""));
            if (choose && !menu->actions().isEmpty())
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().front()).center());
            else
                menu->close();
        });
        return items;
    };
    EXPECT_EQ(rightClickAndChoose(true), std::vector<std::string>{"&Keep on top*"});
    EXPECT_FALSE(dlg.GetPinned());
    EXPECT_EQ(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    EXPECT_EQ(dlg.GetLayout().GetShownIcon(), IDI_TB_UNPINNED);
    EXPECT_EQ(rightClickAndChoose(true), std::vector<std::string>{"&Keep on top"});
    EXPECT_TRUE(dlg.GetPinned());
    EXPECT_NE(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    // Without the pin the window has no menu of its own.
    CSampleDlg plain("NoPinMenu");
    ASSERT_TRUE(plain.Open());
    w = plain.GetWidget();
    EXPECT_TRUE(rightClickAndChoose(false).empty());
}

TEST_F(TBDialogWindows, PlacementSurvivesARestartOfTheProgram) {
    const QString probe = QCoreApplication::applicationDirPath() + "/ui_placement_probe";
    auto run = [&](const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", settings.Path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(probe, args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    const QString first = run({"store", "60", "70", "420", "330"});
    EXPECT_EQ(first, "60 70 420 330");
    EXPECT_EQ(run({"show"}), "60 70 420 330");
}

}  // namespace
