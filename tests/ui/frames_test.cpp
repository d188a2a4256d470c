// Form views that scroll instead of squeezing, the modal frame with its own loop,
// idle updates and command routing, the dialog with command bars and accelerators,
// and the customisation options page writing through to the bars' options.
#include "ui_test_support.h"

#include <toolbox/ui/control_bar_dialog.h>
#include <toolbox/ui/form_view.h>
#include <toolbox/ui/frame_wnd.h>

#include <QComboBox>

namespace {

constexpr UINT IDC_BODY = 500, IDC_CORNER = 501;
constexpr UINT ID_VIEW_CMD = 600, ID_FRAME_CMD = 601, ID_DISABLED_CMD = 602, ID_ACCEL_CMD = 603;

const CDialogTemplate& BodyTemplate() {
    static const CDialogTemplate tmpl =
        uitest::ShellDlgTemplate("Body", WS_CHILD, 160, 90,
                                 {{"EDIT", IDC_BODY, "", WS_VISIBLE | WS_BORDER, 7, 7, 146, 50},
                                  {"BUTTON", IDC_CORNER, "OK", WS_VISIBLE, 103, 69, 50, 14}});
    return tmpl;
}

using uitest::ChildRect;

class CView : public CTBFormView {
public:
    CView() : CTBFormView(&BodyTemplate(), "View") {
        SetControlInfo(IDC_BODY, 15);
        SetControlInfo(IDC_CORNER, 10);
    }
    int viewCommands = 0;
    void OnViewCmd() { ++viewCommands; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CView, CTBFormView)
ON_COMMAND(ID_VIEW_CMD, OnViewCmd)
END_MESSAGE_MAP()

TEST(FormViews, ViewLargerThanItsTemplateStretchesSmallerOneScrolls) {
    uitest::CLogWindow host;
    ASSERT_TRUE(host.CreateTop(600, 400));
    CView view;
    const CSize base = TBGetDialogBaseUnits("MS Shell Dlg", 8);
    const CRect size = TBDialogUnitsToPixels(CRect(0, 0, 160, 90), base);
    ASSERT_TRUE(view.Create(&host, size));
    uitest::RunEvents();
    const CRect corner = ChildRect(&view, IDC_CORNER), body = ChildRect(&view, IDC_BODY);
    EXPECT_EQ(view.GetTotalSize(), size.Size());

    view.MoveWindow(0, 0, static_cast<int>(size.Width()) + 80, static_cast<int>(size.Height()) + 40);
    uitest::RunEvents();
    EXPECT_EQ(ChildRect(&view, IDC_CORNER), uitest::Moved(corner, 80, 40));
    EXPECT_EQ(ChildRect(&view, IDC_BODY).Width(), body.Width() + 80);

    // Smaller than the template: nothing squeezes, the view scrolls.
    view.MoveWindow(0, 0, static_cast<int>(size.Width()) - 60, static_cast<int>(size.Height()) - 30);
    uitest::RunEvents();
    EXPECT_EQ(ChildRect(&view, IDC_CORNER), corner);
    EXPECT_EQ(ChildRect(&view, IDC_BODY), body);
    view.ScrollToPosition(CPoint(20, 10));
    EXPECT_EQ(ChildRect(&view, IDC_CORNER), uitest::Moved(corner, -20, -10));
    // Scrolling stops at the end of the template's area.
    view.ScrollToPosition(CPoint(5000, 5000));
    EXPECT_LE(view.GetScrollPosition().x, 60 + 30);
    EXPECT_GT(view.GetScrollPosition().x, 0);

    // A named frame control gives the reference area instead of the view's client area.
    CView framed;
    framed.SetFrameID(IDC_BODY);
    ASSERT_TRUE(framed.Create(&host, size));
    CRect frameAtStart;
    ASSERT_TRUE(framed.GetOrigControlRect(IDC_BODY, frameAtStart));
    EXPECT_EQ(framed.GetTotalSize(), frameAtStart.Size());
    EXPECT_NE(framed.GetTotalSize(), size.Size());
}

/// A frame that answers command enabling and counts its idle passes.
class CFrame : public CTBFrameWnd {
public:
    int frameCommands = 0, idlePasses = 0;
    void OnFrameCmd() { ++frameCommands; }
    void OnUpdateDisabled(CCmdUI* ui) {
        ++idlePasses;
        ui->Enable(FALSE);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CFrame, CTBFrameWnd)
ON_COMMAND(ID_FRAME_CMD, OnFrameCmd)
ON_COMMAND(ID_VIEW_CMD, OnFrameCmd)
ON_UPDATE_COMMAND_UI(ID_DISABLED_CMD, OnUpdateDisabled)
END_MESSAGE_MAP()

TEST(ModalFrames, RunOwnLoopWithIdleUpdatesAndRouteCommandsViewFirst) {
    uitest::CLogWindow owner;
    ASSERT_TRUE(owner.CreateTop());
    CFrame frame;
    CView view;
    bool ownerDisabledInLoop = false, frameShown = false;
    int viewCommands = 0, frameCommands = 0;
    bool panesClosedInPreview = false, panesBack = false;
    QTimer::singleShot(0, [&] {
        ownerDisabledInLoop = !owner.IsWindowEnabled();
        frameShown = frame.IsWindowVisible();
        view.Create(&frame, CRect(0, 0, 100, 100));
        frame.SetActiveView(&view);
        CTBCommandBar* bar = frame.GetCommandBars()->Add("Tools");
        bar->AddButton(ID_DISABLED_CMD, "Off");
        frame.GetDockingPaneManager()->CreatePane(1, "Properties", nullptr, TBDockSide::Left);
        frame.SendMessage(WM_COMMAND, ID_VIEW_CMD, 0);   // the view takes it first
        frame.SendMessage(WM_COMMAND, ID_FRAME_CMD, 0);  // only the frame has this one
        viewCommands = view.viewCommands;
        frameCommands = frame.frameCommands;
        frame.SetPreviewMode(TRUE);
        panesClosedInPreview = frame.GetDockingPaneManager()->IsPaneClosed(1);
        frame.SetPreviewMode(FALSE);
        panesBack = !frame.GetDockingPaneManager()->IsPaneClosed(1);
        // Let the loop go idle once, then close the frame.
        QTimer::singleShot(50, [&] { frame.SendMessage(WM_CLOSE); });
    });
    EXPECT_EQ(TBRunModalFrameWnd(&frame, 0), IDOK);
    EXPECT_TRUE(ownerDisabledInLoop);
    EXPECT_TRUE(frameShown);
    EXPECT_EQ(viewCommands, 1);
    EXPECT_EQ(frameCommands, 1);
    EXPECT_TRUE(panesClosedInPreview);
    EXPECT_TRUE(panesBack);
    EXPECT_GT(frame.idlePasses, 0);
    EXPECT_TRUE(owner.IsWindowEnabled());
    // The window is gone, the object is still the caller's.
    EXPECT_EQ(frame.GetSafeHwnd(), nullptr);
    EXPECT_EQ(view.GetSafeHwnd(), nullptr);
}

class CBarDialog : public CTBControlBarDialog {
public:
    CBarDialog() : CTBControlBarDialog("BarDialog") { SetControlInfo(IDC_CORNER, 10); }
    int accelCommands = 0, barCommands = 0;
    void OnAccel() { ++accelCommands; }
    void OnBar() { ++barCommands; }
    void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBarDialog, CTBControlBarDialog)
ON_COMMAND(ID_ACCEL_CMD, OnAccel)
ON_COMMAND(ID_FRAME_CMD, OnBar)
ON_UPDATE_COMMAND_UI(ID_DISABLED_CMD, OnUpdateDisabled)
END_MESSAGE_MAP()

TEST(ControlBarDialogs, BarsGrowTheDialogAcceleratorsAndIdleUpdatesWork) {
    uitest::SettingsFolder settings;
    static const CDialogTemplate tmpl = [] {
        CDialogTemplate t = BodyTemplate();
        t.style = WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_SETFONT;
        return t;
    }();
    CBarDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(tmpl, nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(dlg));
    CRect before, client;
    dlg.GetClientRect(&client);
    before = ChildRect(&dlg, IDC_BODY);
    CTBCommandBar* bar = dlg.GetCommandBars()->Add("Standard");
    bar->AddButton(ID_FRAME_CMD, "Run");
    bar->AddButton(ID_DISABLED_CMD, "Off");
    dlg.RecalcBarLayout();
    uitest::RunEvents();
    const int barHeight = static_cast<int>(bar->CalcSize().cy);
    CRect after;
    dlg.GetClientRect(&after);
    EXPECT_EQ(after.Height(), client.Height() + barHeight);
    EXPECT_EQ(ChildRect(&dlg, IDC_BODY), uitest::Moved(before, 0, barHeight));
    // Laid out again, the bars take no more room.
    dlg.RecalcBarLayout();
    dlg.GetClientRect(&after);
    EXPECT_EQ(after.Height(), client.Height() + barHeight);

    // Idle updates reach the bars' controls.
    uitest::RunIdle();
    EXPECT_FALSE(bar->GetControl(1)->GetEnabled());
    EXPECT_TRUE(bar->GetControl(0)->GetEnabled());
    // A click on the bar reaches the dialog's map.
    QTest::mouseClick(bar->GetWidget(), Qt::LeftButton, Qt::NoModifier, uitest::Centre(bar->GetControl(0)->GetRect()));
    EXPECT_EQ(dlg.barCommands, 1);

    const ACCEL table[] = {{FVIRTKEY | FCONTROL, 'K', ID_ACCEL_CMD}};
    dlg.SetAccelerators(table, 1);
    QWidget* edit = dlg.GetDlgItem(IDC_BODY)->GetWidget();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(dlg.accelCommands, 1);
    QTest::keyClick(edit, Qt::Key_K);  // without Ctrl it is a plain key
    EXPECT_EQ(dlg.accelCommands, 1);
    EXPECT_FALSE(dlg.LoadAccelerators(1234));
}

TEST(CustomizeOptionsPage, EveryControlWritesThroughToTheOptions) {
    uitest::SettingsFolder settings;
    uitest::CLogWindow site;
    ASSERT_TRUE(site.CreateTop());
    CTBCommandBars bars(&site);
    CTBCommandBarsOptions* options = bars.GetCommandBarsOptions();
    CTBCustomizeOptionsPage page(&bars);
    CTBPropertySheet sheet("Customize");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.GetWidget()));
    EXPECT_EQ(page.GetTitle(), CString("&Options"));
    auto click = [&](UINT id) {
        QTest::mouseClick(page.GetDlgItem(static_cast<int>(id))->GetWidget(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(6, 6));
        uitest::RunEvents();
    };
    // Full menus are on: the delay box waits for them to be switched off.
    EXPECT_FALSE(page.GetDlgItem(IDC_TB_FULL_MENUS_DELAY)->IsWindowEnabled());
    click(IDC_TB_FULL_MENUS);
    EXPECT_FALSE(options->bAlwaysShowFullMenus);
    EXPECT_TRUE(page.GetDlgItem(IDC_TB_FULL_MENUS_DELAY)->IsWindowEnabled());
    click(IDC_TB_FULL_MENUS_DELAY);
    EXPECT_FALSE(options->bShowFullAfterDelay);
    click(IDC_TB_LARGE_ICONS);
    EXPECT_TRUE(options->bLargeIcons);
    click(IDC_TB_TIP_SHORTCUTS);
    EXPECT_TRUE(options->bToolBarAccelTips);
    click(IDC_TB_SCREEN_TIPS);
    EXPECT_FALSE(options->bToolBarScreenTips);
    EXPECT_FALSE(page.GetDlgItem(IDC_TB_TIP_SHORTCUTS)->IsWindowEnabled());

    auto* combo = qobject_cast<QComboBox*>(page.GetDlgItem(IDC_TB_MENU_ANIMATIONS)->GetWidget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 6);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(options->animationType, 2);

    // Reset asks first: No keeps the usage data, Yes forgets it.
    bars.RecordUsage(7);
    uitest::WhenModalOpens([](QWidget* box) { uitest::ClickBoxButton(box, "&No"); });
    click(IDC_TB_RESET_USAGE);
    EXPECT_EQ(bars.GetUsageCount(7), 1);
    uitest::WhenModalOpens([](QWidget* box) { uitest::ClickBoxButton(box, "&Yes"); });
    click(IDC_TB_RESET_USAGE);
    EXPECT_EQ(bars.GetUsageCount(7), 0);
}

}  // namespace
