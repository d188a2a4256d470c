// Dialogs from templates, the dialog keys, message boxes, file dialogs, popup menus
// and the hubs the window layer registers with the core.
#include "ui_test_support.h"

#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>

using uitest::CLogWindow;
using uitest::DlgItemWidget;
using uitest::RunEvents;
using uitest::WhenModalOpens;

namespace {

constexpr UINT IDC_TABLE_NAME = 4020;

/// The table dialog as its part will write it: fills the list and reports choices.
class CTableDlg : public CDialog {
public:
    CTableDlg() : CDialog(4306) {}
    std::vector<UINT> selections;
    int chosen = -1;
    bool initialised = false;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* list = static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME));
        list->AddString("Measurements");
        list->AddString("Limits");
        list->SetCurSel(0);
        initialised = true;
        return TRUE;
    }
    void OnSelChange() {
        selections.push_back(static_cast<UINT>(static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME))->GetCurSel()));
    }
    void OnOK() override {
        chosen = static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME))->GetCurSel();
        CDialog::OnOK();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTableDlg, CDialog)
ON_CBN_SELCHANGE(IDC_TABLE_NAME, OnSelChange)
END_MESSAGE_MAP()

/// Types name into the name field of the file dialog that opens next and confirms it.
void TypeIntoTheNextFileDialog(const char* name) {
    WhenModalOpens([name](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

}  // namespace

TEST(DialogUnits, BaseUnitsComeFromTheDialogFont) {
    const CSize base = TBGetDialogBaseUnits("MS Shell Dlg", 8);
    EXPECT_GE(base.cx, 5);
    EXPECT_LE(base.cx, 8);
    EXPECT_GE(base.cy, 11);
    EXPECT_LE(base.cy, 16);
    EXPECT_EQ(TBDialogUnitsToPixels(CRect(4, 8, 40, 24), base), CRect(base.cx, base.cy, base.cx * 10, base.cy * 3));
    // A larger font makes larger dialogs.
    EXPECT_GT(TBGetDialogBaseUnits("MS Shell Dlg", 12).cx, base.cx);
}

TEST(DialogTemplates, EveryTemplateBuildsItsControlsAtTheirPlaces) {
    for (UINT id : TBGetDialogTemplateIds()) {
        const CDialogTemplate* tmpl = TBFindDialogTemplate(id);
        ASSERT_NE(tmpl, nullptr);
        CDialog dialog;
        ASSERT_TRUE(dialog.CreateIndirect(*tmpl, nullptr)) << id;
        EXPECT_EQ(dialog.GetWindowText(), tmpl->caption);
        for (const CDialogItemTemplate& item : tmpl->items) {
            if (item.id == 0xFFFF) continue;
            ASSERT_NE(dialog.GetDlgItem(static_cast<int>(item.id)), nullptr) << id << " control " << item.id;
            const CRect expected =
                TBDialogUnitsToPixels(CRect(item.x, item.y, item.x + item.cx, item.y + item.cy), dialog.GetBaseUnits());
            EXPECT_EQ(uitest::ChildRect(&dialog, item.id).TopLeft(), expected.TopLeft()) << id << " control " << item.id;
        }
    }
    EXPECT_EQ(TBFindDialogTemplate(1), nullptr);
}

TEST(DialogTemplates, ControlsAreHandedOutAsObjectsOfTheirClass) {
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(*TBFindDialogTemplate(4307), nullptr));
    // The framework's idiom static_cast<CButton*>(GetDlgItem(id)) must hold.
    EXPECT_NE(dynamic_cast<CButton*>(dialog.GetDlgItem(IDOK)), nullptr);
    EXPECT_EQ(dynamic_cast<CEdit*>(dialog.GetDlgItem(IDOK)), nullptr);
    CDialog tables;
    ASSERT_TRUE(tables.CreateIndirect(*TBFindDialogTemplate(4306), nullptr));
    EXPECT_NE(dynamic_cast<CComboBox*>(tables.GetDlgItem(IDC_TABLE_NAME)), nullptr);
    EXPECT_EQ(tables.GetDlgItem(IDC_TABLE_NAME), tables.GetDlgItem(IDC_TABLE_NAME));
}

TEST(ModalDialog, EnterChoosesTheDefaultButtonAndNotificationsReachTheMap) {
    CTableDlg dialog;
    WhenModalOpens([](QWidget* modal) {
        QWidget* list = DlgItemWidget(modal, IDC_TABLE_NAME);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.selections, std::vector<UINT>({1}));
    EXPECT_EQ(dialog.chosen, 1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);  // the window is gone after DoModal
}

TEST(ModalDialog, EscapeClosingAndTheCancelButtonCancel) {
    void (*const cancels[])(QWidget*) = {
        [](QWidget* modal) { QTest::keyClick(DlgItemWidget(modal, IDC_TABLE_NAME), Qt::Key_Escape); },
        [](QWidget* modal) { modal->close(); },
        [](QWidget* modal) { QTest::mouseClick(DlgItemWidget(modal, IDCANCEL), Qt::LeftButton); }};
    for (auto* cancel : cancels) {
        CTableDlg dialog;
        WhenModalOpens(cancel);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.chosen, -1);
    }
    CDialog unknown(12345);
    EXPECT_EQ(unknown.DoModal(), -1);
}

TEST(MessageBoxes, ButtonsFollowTheStyleAndAnswerWithTheirIds) {
    WhenModalOpens([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->buttons().size(), 3);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        // The default button is the second one: "No".
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("&No"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(AfxMessageBox("Save changes?", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
    WhenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(AfxMessageBox("Retry?", MB_RETRYCANCEL), IDCANCEL);
}

TEST(FileDialogs, FiltersBecomeQtFiltersAndTheChosenPathComesBack) {
    EXPECT_EQ(TBQtFileFilter("Text Files (*.txt;*.csv)|*.txt;*.csv|All Files (*.*)|*.*||"),
              "Text Files (*.txt *.csv);;All Files (*)");
    EXPECT_EQ(TBQtFileFilter("|"), "");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string existing = dir.path().toStdString() + "/data.csv";
    std::ofstream(existing) << "1;2\n";
    CFileDialog dialog(TRUE, "csv", nullptr, OFN_FILEMUSTEXIST, "CSV (*.csv)|*.csv||");
    dialog.m_initialDir = dir.path().toUtf8().constData();
    TypeIntoTheNextFileDialog("data.csv");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), existing.c_str());
    EXPECT_EQ(dialog.GetFileName(), "data.csv");
    EXPECT_EQ(dialog.GetFileExt(), "csv");
    EXPECT_EQ(dialog.GetFileTitle(), "data");
}

namespace {
/// An owner window whose command handlers and enabling the popup menu consults.
class CMenuOwner : public CLogWindow {
public:
    int pastes = 0;
    bool canPaste = false;

protected:
    void OnPaste() { ++pastes; }
    void OnUpdatePaste(CCmdUI* ui) { ui->Enable(canPaste); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMenuOwner, CWnd)
ON_COMMAND(0xE125, OnPaste)
ON_UPDATE_COMMAND_UI(0xE125, OnUpdatePaste)
END_MESSAGE_MAP()

/// Presses Down count times and Return in the open popup.
void ChooseInPopup(int count) {
    WhenModalOpens([count](QWidget* popup) {
        for (int i = 0; i < count; ++i) QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    });
}
}  // namespace

TEST(PopupMenus, TrackingReturnsTheChosenCommandAndSkipsDisabledItems) {
    CMenuOwner owner;
    ASSERT_TRUE(owner.CreateTop());
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(4404));
    EXPECT_EQ(menu.GetMenuItemCount(), 3);
    CMenu* unitEdit = menu.GetSubMenu(2);
    ASSERT_NE(unitEdit, nullptr);
    CString name;
    menu.GetMenuString(2, name, MF_BYPOSITION);
    EXPECT_EQ(name, "UnitEdit");
    EXPECT_EQ(unitEdit->GetMenuItemID(0), 0xE12Bu);                // Undo
    EXPECT_EQ(unitEdit->GetMenuItemID(1), 0u);                     // separator
    EXPECT_EQ(unitEdit->GetMenuItemID(9), static_cast<UINT>(-1));  // the Transform popup
    EXPECT_EQ(unitEdit->GetSubMenu(9)->GetMenuItemID(0), 40000u);
    // Paste is disabled by its owner: Undo, Cut, Copy, (Paste skipped), Delete.
    owner.only = {WM_INITMENUPOPUP};
    owner.log.clear();
    ChooseInPopup(4);
    EXPECT_EQ(unitEdit->TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, 10, 10, &owner), static_cast<BOOL>(0xE120));
    EXPECT_EQ(owner.log.size(), 1u);
    EXPECT_EQ(unitEdit->GetMenuState(0xE125, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    // Enabled now; without TPM_RETURNCMD the owner receives the command afterwards.
    owner.canPaste = true;
    ChooseInPopup(4);
    EXPECT_TRUE(unitEdit->TrackPopupMenu(TPM_LEFTALIGN, 10, 10, &owner));
    EXPECT_EQ(owner.pastes, 0);
    RunEvents();
    EXPECT_EQ(owner.pastes, 1);
}

TEST(PopupMenus, BuiltMenusKeepStatesAndPositions) {
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, 1, "&One");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING | MF_CHECKED, 3, "Three");
    EXPECT_TRUE(menu.InsertMenu(1, MF_BYPOSITION | MF_STRING, 2, "Two"));
    EXPECT_EQ(menu.GetMenuItemID(1), 2u);
    EXPECT_EQ(menu.CheckMenuItem(3, MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(menu.EnableMenuItem(99, MF_GRAYED), static_cast<UINT>(-1));
    EXPECT_TRUE(menu.DeleteMenu(0, MF_BYPOSITION));
    EXPECT_EQ(menu.GetMenuItemCount(), 3);
    EXPECT_EQ(menu.GetMenuItemID(7), static_cast<UINT>(-1));
    EXPECT_FALSE(CMenu().LoadMenu(1));
}

TEST(Hubs, TheWindowLayerRegistersQtHubsWithTheCore) {
    EXPECT_TRUE(TBIsWindowLayerStarted());
    EXPECT_NE(dynamic_cast<CQtDialogHub*>(&TBGetDialogHub()), nullptr);
    ASSERT_NE(dynamic_cast<CQtClipboardHub*>(&TBGetClipboardHub()), nullptr);
    EXPECT_TRUE(TBGetClipboardHub().SetText("1;2;3"));
    EXPECT_TRUE(TBGetClipboardHub().HasText());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1;2;3"));
    // A core message box is a real window now.
    WhenModalOpens([](QWidget* modal) {
        EXPECT_NE(qobject_cast<QMessageBox*>(modal), nullptr);
        QTest::keyClick(modal, Qt::Key_Return);
    });
    EXPECT_EQ(TBGetDialogHub().MessageBox("Done", "tbx", MB_OK), IDOK);
    // Nested starts only count; the hubs stay until the last stop.
    EXPECT_TRUE(TBStartWindowLayer());
    TBStopWindowLayer();
    EXPECT_NE(dynamic_cast<CQtDialogHub*>(&TBGetDialogHub()), nullptr);
}

TEST(Hubs, ModalRequestsWithoutARegisteredWindowAreAnsweredHeadlessly) {
    struct Request : CModalRequest {
        UINT GetTemplateId() const override { return 4306; }
        int AnswerWithoutWindow() override { return TB_DIALOG_NOT_SHOWN; }
    } request;
    EXPECT_EQ(TBGetDialogHub().DoModal(request), TB_DIALOG_NOT_SHOWN);
    TBRegisterModalWindow(4306, [](CModalRequest& r, CWnd*) { return r.GetTemplateId() == 4306 ? IDOK : IDCANCEL; });
    EXPECT_EQ(TBGetDialogHub().DoModal(request), IDOK);
    TBRegisterModalWindow(4306, nullptr);
    EXPECT_EQ(TBGetDialogHub().DoModal(request), TB_DIALOG_NOT_SHOWN);
}

namespace {
/// A dialog that exchanges a text, an integer and a double (DDX_TBDouble) with its members.
class CExchangeDlg : public CDialog {
public:
    CString name = "R1";
    int decimals = 3;
    double resistance = 0.0047;

protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Text(dx, 4001, name);
        DDX_Text(dx, 4000, decimals);
        DDX_TBDouble(dx, 4002, resistance);
    }
};

const CDialogTemplate kExchangeTemplate =
    uitest::ShellDlgTemplate("Exchange", WS_POPUP | WS_CAPTION, 120, 40,
                             {{"EDIT", 4000, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 4, 4, 50, 12},
                              {"EDIT", 4001, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 60, 4, 50, 12},
                              {"EDIT", 4002, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 4, 20, 50, 12}},
                             9001);
}  // namespace

TEST(DataExchange, MembersGoToControlsAndBackIntegersWithValidationDoublesWithout) {
    CExchangeDlg dialog;
    ASSERT_TRUE(dialog.CreateIndirect(kExchangeTemplate, nullptr));  // OnInitDialog puts the members out
    EXPECT_EQ(dialog.GetDlgItem(4000)->GetWindowText(), "3");
    EXPECT_EQ(dialog.GetDlgItem(4001)->GetWindowText(), "R1");
    dialog.GetDlgItem(4000)->SetWindowText("12");
    dialog.GetDlgItem(4001)->SetWindowText("C7");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.decimals, 12);
    EXPECT_EQ(dialog.name, "C7");
    // Text that is no integer fails with a message, and the member keeps its value.
    dialog.GetDlgItem(4000)->SetWindowText("12x");
    WhenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.decimals, 12);
    dialog.GetDlgItem(4000)->SetWindowText("12");

    // Doubles travel as engineering numbers, typed by the user, without validation.
    QWidget* edit = dialog.GetDlgItem(4002)->GetWidget();
    EXPECT_EQ(dialog.GetDlgItem(4002)->GetWindowText(), "4.7m");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "2.2 Meg");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_DOUBLE_EQ(dialog.resistance, 2.2e6);
    dialog.GetDlgItem(4002)->SetWindowText("open");
    EXPECT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.resistance, 0.0);
}

TEST(FolderChooser, ReturnsTheChosenFolderOrNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir(QStringLiteral("results"));
    TypeIntoTheNextFileDialog("results");
    const CString chosen = TBBrowseForFolder(nullptr, "", dir.path().toUtf8().constData());
    EXPECT_EQ(chosen, (dir.path() + QStringLiteral("/results")).toUtf8().constData());
    WhenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_TRUE(TBBrowseForFolder(nullptr, "Select Folder", dir.path().toUtf8().constData()).IsEmpty());
}
