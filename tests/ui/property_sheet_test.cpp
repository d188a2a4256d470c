// Property sheets: buttons that keep to the corner, pages that fill the page area,
// the remembered tab, wizard buttons that make room for Finish, and the page
// notifications behind OK, Apply, Next and the tabs.
#include "ui_test_support.h"

#include <toolbox/ui/property_sheet.h>
#include <toolbox/ui/registry_manager.h>

#include <QTabBar>

namespace {

constexpr UINT IDC_PAGE_EDIT = 300;

const CDialogTemplate& PageTemplate() {
    static const CDialogTemplate tmpl = uitest::ShellDlgTemplate(
        "General", WS_CHILD, 180, 100, {{"EDIT", IDC_PAGE_EDIT, "", WS_VISIBLE | WS_BORDER, 7, 7, 166, 86}});
    return tmpl;
}

/// A page that counts its notifications and can refuse to be left.
class CCountingPage : public CTBPropertyPage {
public:
    explicit CCountingPage(const char* name) : CTBPropertyPage(&PageTemplate(), name) {
        SetControlInfo(IDC_PAGE_EDIT, 15);
    }
    int activated = 0, applied = 0;
    bool refuseToLeave = false;
    BOOL OnSetActive() override {
        ++activated;
        return TRUE;
    }
    BOOL OnKillActive() override { return refuseToLeave ? FALSE : TRUE; }
    BOOL OnApply() override {
        ++applied;
        return CTBPropertyPage::OnApply();
    }
};

using uitest::ChildRect;

void ResizeClient(CWnd* wnd, int dx, int dy) {
    CRect client;
    wnd->GetClientRect(&client);
    wnd->GetWidget()->resize(static_cast<int>(client.Width()) + dx, static_cast<int>(client.Height()) + dy);
    uitest::RunEvents();
}

void ClickButton(CWnd* sheet, UINT id) {
    QTest::mouseClick(sheet->GetDlgItem(static_cast<int>(id))->GetWidget(), Qt::LeftButton);
    uitest::RunEvents();
}

class PropertySheets : public ::testing::Test {
protected:
    uitest::SettingsFolder settings;
    CCountingPage first{"first"}, second{"second"};
};

TEST_F(PropertySheets, ButtonsKeepToTheCornerAndPagesFillThePageArea) {
    CTBPropertySheet sheet("Options");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.GetWidget()));
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(first.activated, 1);
    EXPECT_EQ(second.GetSafeHwnd(), nullptr);  // made when first shown

    const CRect ok = ChildRect(&sheet, IDOK), cancel = ChildRect(&sheet, IDCANCEL);
    EXPECT_LT(ok.right, cancel.left);
    CRect page;
    sheet.GetPageRect(&page);
    const CRect edit = ChildRect(&first, IDC_PAGE_EDIT);
    ResizeClient(&sheet, 120, 70);
    EXPECT_EQ(ChildRect(&sheet, IDOK), uitest::Moved(ok, 120, 70));
    CRect grown;
    sheet.GetPageRect(&grown);
    EXPECT_EQ(grown, CRect(page.left, page.top, page.right + 120, page.bottom + 70));
    EXPECT_EQ(uitest::RectIn(first, sheet), grown);
    // The page's own controls follow the page.
    EXPECT_EQ(ChildRect(&first, IDC_PAGE_EDIT), CRect(edit.left, edit.top, edit.right + 120, edit.bottom + 70));

    // A tab click shows the second page; a page that refuses to be left keeps the tab.
    auto* tabs = sheet.GetWidget()->findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    uitest::RunEvents();
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_FALSE(first.IsWindowVisible());
    EXPECT_EQ(ChildRect(&second, IDC_PAGE_EDIT).right, edit.right + 120);
    second.refuseToLeave = true;
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
    uitest::RunEvents();
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(tabs->currentIndex(), 1);
    second.refuseToLeave = false;

    // Apply is enabled by a modified page and applies every page made so far.
    EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
    second.SetModified();
    EXPECT_TRUE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
    ClickButton(&sheet, ID_APPLY_NOW);
    EXPECT_EQ(first.applied, 1);
    EXPECT_EQ(second.applied, 1);
    EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
}

TEST_F(PropertySheets, TheLastTabAndTheSizeComeBack) {
    CRect stored;
    {
        CTBPropertySheet sheet("Remembered");
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        ASSERT_TRUE(sheet.Create());
        ASSERT_TRUE(sheet.SetActivePage(1));
        ResizeClient(&sheet, 40, 30);
        sheet.GetWindowRect(&stored);
        sheet.DestroyWindow();
    }
    EXPECT_EQ(CTBRegistryManager().GetProfileInt("Remembered", "LASTTAB", -1), 1);
    CCountingPage again1("a"), again2("b");
    CTBPropertySheet sheet("Remembered");
    sheet.AddPage(&again1);
    sheet.AddPage(&again2);
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(uitest::WindowRect(sheet).Size(), stored.Size());

    // Without remember-active-tab the first page opens.
    sheet.DestroyWindow();
    CCountingPage third1("c"), third2("d");
    CTBPropertySheet plain("Remembered");
    plain.SetRememberActiveTab(FALSE);
    plain.AddPage(&third1);
    plain.AddPage(&third2);
    ASSERT_TRUE(plain.Create());
    EXPECT_EQ(plain.GetActiveIndex(), 0);

    // The tab follows remember-active-tab alone, also with remember-size off.
    plain.DestroyWindow();
    CCountingPage tab1("e"), tab2("f");
    CTBPropertySheet tabOnly("TabOnly");
    tabOnly.SetRememberSize(FALSE);
    tabOnly.AddPage(&tab1);
    tabOnly.AddPage(&tab2);
    ASSERT_TRUE(tabOnly.Create());
    ASSERT_TRUE(tabOnly.SetActivePage(1));
    tabOnly.DestroyWindow();
    EXPECT_EQ(CTBRegistryManager().GetProfileInt("TabOnly", "LASTTAB", -1), 1);
    EXPECT_EQ(CTBRegistryManager().GetProfileInt("TabOnly", "CX", -1), -1);
}

TEST_F(PropertySheets, WizardButtonsMakeRoomForFinishAndMoveBack) {
    CTBPropertySheet wizard("Wizard");
    wizard.SetWizardMode();
    wizard.AddPage(&first);
    wizard.AddPage(&second);
    ASSERT_TRUE(wizard.Create());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.GetWidget()));
    const CRect back = ChildRect(&wizard, ID_WIZBACK), next = ChildRect(&wizard, ID_WIZNEXT);
    EXPECT_FALSE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowVisible());
    EXPECT_FALSE(wizard.GetDlgItem(IDOK)->IsWindowVisible());

    wizard.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    EXPECT_TRUE(wizard.GetWizardButtonsShifted());
    const CRect nextShifted = uitest::Moved(next, -(next.Width() + 10), 0);
    EXPECT_EQ(ChildRect(&wizard, ID_WIZBACK), uitest::Moved(back, -(back.Width() + 10), 0));
    EXPECT_EQ(ChildRect(&wizard, ID_WIZNEXT), nextShifted);
    EXPECT_TRUE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowVisible());
    EXPECT_TRUE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowEnabled());
    EXPECT_FALSE(wizard.GetDlgItem(ID_WIZNEXT)->IsWindowEnabled());
    // Finish sits where Next was, and the shift survives a resize.
    EXPECT_EQ(ChildRect(&wizard, ID_WIZFINISH).left, next.left);
    ResizeClient(&wizard, 50, 0);
    EXPECT_EQ(ChildRect(&wizard, ID_WIZNEXT).left, nextShifted.left + 50);
    ResizeClient(&wizard, -50, 0);

    // Asked again, nothing moves twice; a disabled Finish shows but cannot be clicked.
    wizard.SetWizardButtons(PSWIZB_NEXT | PSWIZB_DISABLEDFINISH);
    EXPECT_EQ(ChildRect(&wizard, ID_WIZNEXT), nextShifted);
    EXPECT_TRUE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowVisible());
    EXPECT_FALSE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowEnabled());

    wizard.SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    EXPECT_FALSE(wizard.GetWizardButtonsShifted());
    EXPECT_EQ(ChildRect(&wizard, ID_WIZBACK), back);
    EXPECT_EQ(ChildRect(&wizard, ID_WIZNEXT), next);
    EXPECT_FALSE(wizard.GetDlgItem(ID_WIZFINISH)->IsWindowVisible());
    EXPECT_TRUE(wizard.GetDlgItem(ID_WIZNEXT)->IsWindowVisible());

    ClickButton(&wizard, ID_WIZNEXT);
    EXPECT_EQ(wizard.GetActiveIndex(), 1);
    ClickButton(&wizard, ID_WIZBACK);
    EXPECT_EQ(wizard.GetActiveIndex(), 0);
}

TEST_F(PropertySheets, ModalSheetEndsWithOkAfterApplyingThePages) {
    CTBPropertySheet sheet("Modal");
    sheet.AddPage(&first);
    uitest::WhenModalOpens([&](QWidget*) { ClickButton(&sheet, IDOK); });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(first.applied, 1);
    EXPECT_EQ(sheet.GetSafeHwnd(), nullptr);

    CCountingPage page("p");
    CTBPropertySheet cancelled("Modal");
    cancelled.AddPage(&page);
    uitest::WhenModalOpens([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(page.applied, 0);
    // A sheet without pages cannot open.
    CTBPropertySheet empty("Empty");
    EXPECT_EQ(empty.DoModal(), -1);
}

}  // namespace
