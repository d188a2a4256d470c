// In-place editors driven with real keys, clicks and focus changes: the messages their
// parent receives (numbers, parameters, order, the text at that moment), and the
// standard control variants.
#include "ui_test_support.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QMessageBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QFileSystemModel>

#include <ostream>

using uitest::RunEvents;
using uitest::WhenModalOpens;

namespace {

/// One editor message as the parent saw it, with the editor's text at that moment.
struct EditorMsg {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    CString text;
    bool operator==(const EditorMsg& o) const {
        return message == o.message && wParam == o.wParam && lParam == o.lParam && text == o.text;
    }
};
std::ostream& operator<<(std::ostream& os, const EditorMsg& m) {
    return os << std::hex << "{0x" << m.message << ", " << m.wParam << ", " << m.lParam << ", \"" << m.text.GetString()
              << "\"}";
}

/// A parent that logs the editor messages 0x7EB ... 0x7F2 and the keys handed to it.
class CEditorParent : public uitest::CLogWindow {
public:
    std::vector<EditorMsg> got;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= TBWM_EDITOR_CHANGED && message <= TBWM_EDITOR_DOWN) {
            // The editor is wParam for changes and finish, lParam for the keys.
            const bool inW = message == TBWM_EDITOR_CHANGED || message == TBWM_EDITOR_FINISH;
            CWnd* editor = reinterpret_cast<CWnd*>(inW ? wParam : lParam);
            got.push_back({message, wParam, lParam, editor ? editor->GetWindowText() : CString()});
        }
        if (message == WM_KEYDOWN) keys.push_back(static_cast<UINT>(wParam));
        return CLogWindow::WindowProc(message, wParam, lParam);
    }
    std::vector<UINT> Messages() const {
        std::vector<UINT> out;
        for (const EditorMsg& m : got) out.push_back(m.message);
        return out;
    }
    std::vector<UINT> keys;
};

class EditorsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.CreateTop(500, 300));
        other.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, CRect(10, 250, 100, 274), &parent, 900);
    }
    /// Moves the focus to a control outside the editor.
    void FocusElsewhere() {
        other.SetFocus();
        RunEvents();
    }
    static LPARAM Obj(CWnd* w) { return reinterpret_cast<LPARAM>(w); }
    CEditorParent parent;
    CEdit other;
};

CString TBC(const QString& s) { return CString(s.toUtf8().constData()); }
QString TBQ(const CString& s) { return QString::fromUtf8(s.GetString()); }

/// The button of a message box or a template dialog with the given id.
QWidget* ModalButton(QWidget* modal, int id) {
    for (QPushButton* b : modal->findChildren<QPushButton*>())
        if (b->property("tbId").toInt() == id) return b;
    return uitest::DlgItemWidget(modal, static_cast<UINT>(id));
}

}  // namespace

// ------------------------------------------------------------------ edit

TEST_F(EditorsTest, EditReportsEveryKeyWithTheTextOfThatMoment) {
    CTBOwnEdit edit;
    ASSERT_TRUE(edit.Create("10k", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 150, 34), &parent, 1));
    RunEvents();
    EXPECT_EQ(CWnd::GetFocus(), &edit);
    EXPECT_EQ(edit.GetSel(), static_cast<DWORD>(MAKELONG(0, 3)));  // all selected
    QTest::keyClicks(edit.GetWidget(), "4");
    QTest::keyClick(edit.GetWidget(), Qt::Key_Backspace);
    QTest::keyClicks(edit.GetWidget(), "47");
    QTest::keyClick(edit.GetWidget(), Qt::Key_Tab);
    QTest::keyClick(edit.GetWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(edit.GetWidget(), Qt::Key_Return);
    const WPARAM self = reinterpret_cast<WPARAM>(&edit);
    ASSERT_EQ(parent.got.size(), 7u);
    EXPECT_EQ(parent.got[0], (EditorMsg{TBWM_EDITOR_CHANGED, self, 0, "4"}));
    EXPECT_EQ(parent.got[1], (EditorMsg{TBWM_EDITOR_CHANGED, self, 0, ""}));
    EXPECT_EQ(parent.got[3], (EditorMsg{TBWM_EDITOR_CHANGED, self, 0, "47"}));
    EXPECT_EQ(parent.got[4].message, TBWM_EDITOR_NEXT);
    EXPECT_EQ(parent.got[4].lParam, Obj(&edit));
    EXPECT_EQ(parent.got[5].message, TBWM_EDITOR_BACK);
    EXPECT_EQ(parent.got[6].message, TBWM_EDITOR_DOWN);
    // The keys moved no focus and typed nothing.
    EXPECT_EQ(CWnd::GetFocus(), &edit);
    EXPECT_EQ(edit.GetWindowText(), "47");

    // Escape restores the text stored by the last Tab or Enter, then changed, cancel.
    parent.got.clear();
    QTest::keyClicks(edit.GetWidget(), "0");
    QTest::keyClick(edit.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_CHANGED, TBWM_EDITOR_CHANGED, TBWM_EDITOR_CANCEL}));
    EXPECT_EQ(parent.got[1].text, "47");
    EXPECT_EQ(edit.GetWindowText(), "47");

    // Losing the focus finishes, naming the window that gets it.
    parent.got.clear();
    FocusElsewhere();
    ASSERT_EQ(parent.got.size(), 1u);
    EXPECT_EQ(parent.got[0], (EditorMsg{TBWM_EDITOR_FINISH, self, reinterpret_cast<LPARAM>(other.m_hWnd), "47"}));
}

TEST_F(EditorsTest, EscapeRestoresTheCreationTextAndWantAllKeysKeepsTabFromTheDialog) {
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(
        uitest::ShellDlgTemplate("host", WS_POPUP | WS_CAPTION, 200, 80,
                                 {{"EDIT", 100, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 5, 50, 60, 12}}, 1),
        nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(dialog));
    CTBOwnEdit edit;
    ASSERT_TRUE(edit.Create("R1", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(5, 5, 100, 25), &dialog, 7));
    RunEvents();
    QTest::keyClicks(edit.GetWidget(), "x");
    QTest::keyClick(edit.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(edit.GetWindowText(), "R1");
    EXPECT_TRUE(dialog.IsWindow());  // Escape was the editor's, not the dialog's cancel
    QTest::keyClick(edit.GetWidget(), Qt::Key_Tab);
    EXPECT_EQ(CWnd::GetFocus(), &edit);
    // Without all keys the dialog manager moves the focus on Tab.
    edit.WantAllKeys(0);
    QTest::keyClick(edit.GetWidget(), Qt::Key_Tab);
    EXPECT_NE(CWnd::GetFocus(), &edit);
    edit.DestroyWindow();
    dialog.DestroyWindow();
}

// ------------------------------------------------------------------ list box and button

TEST_F(EditorsTest, ListBoxSelectsByPrefixAndReportsKeys) {
    CTBOwnListBox list;
    ASSERT_TRUE(list.Create("be", "alpha,beta,gamma,,delta", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 150, 120),
                            &parent, 2));
    RunEvents();
    EXPECT_EQ(list.GetCount(), 5);  // an empty entry between two commas stays
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(CWnd::GetFocus(), &list);
    QTest::keyClick(list.GetWidget(), Qt::Key_Down);
    QTest::keyClick(list.GetWidget(), Qt::Key_Return);
    QTest::keyClick(list.GetWidget(), Qt::Key_Escape);
    QTest::keyClick(list.GetWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_DOWN, TBWM_EDITOR_CANCEL, TBWM_EDITOR_BACK}));
    EXPECT_EQ(list.GetCurSel(), 2);
    parent.got.clear();
    QTest::keyClicks(list.GetWidget(), "d");
    ASSERT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_CHANGED}));
    EXPECT_EQ(list.GetCurSel(), 4);  // the list's own search ran before the message
    FocusElsewhere();
    EXPECT_EQ(parent.Messages().back(), TBWM_EDITOR_FINISH);
}

TEST_F(EditorsTest, ButtonMovesOnTabFinishesOnEnterCancelsOnEscape) {
    CTBOwnButton button;
    ASSERT_TRUE(button.Create("Edit...", WS_CHILD | WS_VISIBLE, CRect(10, 10, 100, 34), &parent, 3));
    RunEvents();
    QTest::keyClick(button.GetWidget(), Qt::Key_Tab);
    QTest::keyClick(button.GetWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(button.GetWidget(), Qt::Key_Return);
    QTest::keyClick(button.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_NEXT, TBWM_EDITOR_BACK, TBWM_EDITOR_FINISH,
                                                    TBWM_EDITOR_CANCEL}));
    EXPECT_EQ(parent.got[0].lParam, Obj(&button));
}

// ------------------------------------------------------------------ combo boxes

TEST_F(EditorsTest, ExactSearchIsCaseSensitiveAndWrapsOnce) {
    CTBComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 150, 200), &parent, 4));
    for (const char* s : {"x", "X", "ab", "x", "AB"}) combo.AddString(s);
    EXPECT_EQ(combo.FindStringExact(-1, "X"), 1);
    EXPECT_EQ(combo.FindStringExact(1, "x"), 3);
    EXPECT_EQ(combo.FindStringExact(3, "x"), 0);  // wraps round
    EXPECT_EQ(combo.FindStringExact(-1, "Ab"), -1);
    EXPECT_EQ(combo.FindString(-1, "a"), -1);  // no prefix search either
    combo.SetCurSel(2);
    EXPECT_EQ(combo.SelectString(-1, "aB"), -1);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.SelectString(-1, "AB"), 4);
    EXPECT_EQ(combo.GetCurSel(), 4);
}

TEST_F(EditorsTest, ComboSelectsOnlyTheExactEntryAndDropsOnAClickOutsideItsField) {
    CTBOwnComboBox list;
    ASSERT_TRUE(list.Create("B", "a,b,c", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 150, 34), &parent, 5));
    EXPECT_EQ(list.GetCurSel(), -1);  // "B" is not "b"
    CRect dropped;
    list.GetDroppedControlRect(&dropped);
    EXPECT_GE(dropped.Height(), 6 * 24 - 1);
    // 0x851 anywhere on a drop-down list drops it; a click on an entry chooses it.
    list.SendMessage(TBWM_EDITOR_BUTTONDOWN, 0, MAKELPARAM(20, 20));
    RunEvents();
    ASSERT_TRUE(list.GetDroppedState());
    auto* qcombo = static_cast<QComboBox*>(list.GetWidget());
    QAbstractItemView* view = qcombo->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(qcombo->model()->index(2, 0)).center());
    RunEvents();
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_CHANGED}));
    EXPECT_EQ(parent.got[0].text, "c");
    EXPECT_EQ(CWnd::GetFocus(), &list);  // the drop-down did not finish the edit

    // Escape puts back the selection of the creation.
    parent.got.clear();
    QTest::keyClick(list.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_CHANGED, TBWM_EDITOR_CANCEL}));
}

TEST_F(EditorsTest, EditableComboKeepsItsTextAndResetsItWhenTheDropDownIsCancelled) {
    CTBOwnComboBox combo;
    ASSERT_TRUE(
        combo.Create("free", "one,two", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, CRect(10, 10, 160, 34), &parent, 6));
    RunEvents();
    EXPECT_TRUE(combo.HasEditField());
    EXPECT_EQ(combo.GetWindowText(), "free");
    QTest::keyClicks(combo.GetWidget(), "r");
    ASSERT_FALSE(parent.got.empty());
    EXPECT_EQ(parent.got.back().text, "r");  // typed over the selected text
    // 0x851 inside the edit field drops nothing.
    auto* qcombo = static_cast<QComboBox*>(combo.GetWidget());
    const QPoint field = qcombo->lineEdit()->geometry().center() + QPoint(10, 10);
    combo.SendMessage(TBWM_EDITOR_BUTTONDOWN, 0, MAKELPARAM(field.x(), field.y()));
    EXPECT_FALSE(combo.GetDroppedState());
    // Cancelling the dropped list puts the text back.
    combo.ShowDropDown(TRUE);
    RunEvents();
    combo.SetWindowText("changed while dropped");
    QTest::keyClick(qcombo->view(), Qt::Key_Escape);
    RunEvents();
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(combo.GetWindowText(), "r");
    // Tab stores the text that Escape then restores.
    QTest::keyClicks(combo.GetWidget(), "x");
    QTest::keyClick(combo.GetWidget(), Qt::Key_Tab);
    QTest::keyClicks(combo.GetWidget(), "y");
    QTest::keyClick(combo.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(combo.GetWindowText(), "rx");
    parent.got.clear();
    FocusElsewhere();
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_FINISH}));
}

// ------------------------------------------------------------------ browse box

namespace {
CEdit* g_calledEdit = nullptr;
CWnd* g_calledParent = nullptr;
void BrowseCallback(CEdit* edit, CWnd* parent) {
    g_calledEdit = edit;
    g_calledParent = parent;
    edit->SetWindowText("from callback");
}
}  // namespace

TEST_F(EditorsTest, BrowseBoxFinishesOnlyWhenTheFocusLeavesTheBox) {
    CTBOwnBrowseBox box;
    ASSERT_TRUE(box.Create("/tmp", "FUNCTION", WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 34), &parent, 8));
    RunEvents();
    CTBBrowseEdit* edit = box.GetEditControl();
    const CRect button = uitest::WindowRect(*box.GetButton());
    EXPECT_EQ(button.Width(), 24);  // as wide as the box is high
    EXPECT_EQ(CWnd::GetFocus(), edit);
    box.GetButton()->SetFocus();
    RunEvents();
    edit->SetFocus();
    RunEvents();
    EXPECT_TRUE(parent.got.empty());
    // Typing is mirrored into the box's text and reported by the box.
    edit->SetSel(0, -1);
    QTest::keyClicks(edit->GetWidget(), "/x");
    EXPECT_EQ(box.GetWindowText(), "/x");
    ASSERT_FALSE(parent.got.empty());
    EXPECT_EQ(parent.got.back(), (EditorMsg{TBWM_EDITOR_CHANGED, reinterpret_cast<WPARAM>(&box), 0, "/x"}));
    // The button's action (here a function) gets the edit and the parent; the edit
    // has the focus again and the parent hears of the change.
    parent.got.clear();
    QTest::mouseClick(box.GetButton()->GetWidget(), Qt::LeftButton);
    RunEvents();
    EXPECT_EQ(g_calledEdit, nullptr);  // no pointer set: nothing is called
    box.SetAdditionalPtr(reinterpret_cast<void*>(&BrowseCallback));
    CPoint client(button.CenterPoint());
    parent.ScreenToClient(&client);
    box.SendMessage(TBWM_EDITOR_BUTTONDOWN, 0, MAKELPARAM(client.x, client.y));
    EXPECT_EQ(g_calledEdit, edit);
    EXPECT_EQ(g_calledParent, &parent);
    EXPECT_EQ(edit->GetWindowText(), "from callback");
    EXPECT_EQ(CWnd::GetFocus(), edit);
    EXPECT_EQ(parent.got.back().message, TBWM_EDITOR_CHANGED);
    // Keys of either part are the box's.
    parent.got.clear();
    QTest::keyClick(edit->GetWidget(), Qt::Key_Return);
    QTest::keyClick(box.GetButton()->GetWidget(), Qt::Key_Tab);
    QTest::keyClick(edit->GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(parent.Messages(),
              std::vector<UINT>({TBWM_EDITOR_DOWN, TBWM_EDITOR_NEXT, TBWM_EDITOR_CHANGED, TBWM_EDITOR_CANCEL}));
    EXPECT_EQ(parent.got[0].lParam, Obj(&box));
    EXPECT_EQ(edit->GetWindowText(), "/tmp");
    parent.got.clear();
    FocusElsewhere();
    EXPECT_EQ(parent.Messages(), std::vector<UINT>({TBWM_EDITOR_FINISH}));
}

TEST_F(EditorsTest, BrowseBoxOfAnUnknownKindOffersToStoreTheKind) {
    CTBOwnBrowseBox box;
    ASSERT_TRUE(box.Create("", "MATERIAL", WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 34), &parent, 9));
    RunEvents();
    QString question;
    WhenModalOpens([&question](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) question = box->text();
        QTest::mouseClick(ModalButton(modal, IDYES), Qt::LeftButton);
    });
    box.Browse();
    EXPECT_EQ(question, QStringLiteral("The special browse dialog for MATERIAL will opened later.\nSet the ID string ?"));
    EXPECT_EQ(box.GetEditControl()->GetWindowText(), "MATERIAL");
    // The dialog's focus did not finish the edit.
    for (const EditorMsg& m : parent.got) EXPECT_NE(m.message, TBWM_EDITOR_FINISH);
    WhenModalOpens([](QWidget* modal) { QTest::mouseClick(ModalButton(modal, IDNO), Qt::LeftButton); });
    box.GetEditControl()->SetWindowText("kept");
    box.Browse();
    EXPECT_EQ(box.GetEditControl()->GetWindowText(), "kept");
}

namespace {
/// A host's file dialog: records how it was preset and answers with a path.
class CHostFileDialog : public CFileDialog {
public:
    CHostFileDialog() : CFileDialog(TRUE) {}
    CString startDir;
    INT_PTR DoModal() override {
        startDir = m_initialDir;
        return IDCANCEL;
    }
};
}  // namespace

TEST_F(EditorsTest, PathBoxUsesTheAdditionalPointerOnlyWhenItIsAFileDialog) {
    CTBOwnBrowseBox box;
    ASSERT_TRUE(box.Create("/tmp/a.txt", "PATH", WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 34), &parent, 11));
    CHostFileDialog host;
    box.SetAdditionalPtr(&host);
    box.Browse();
    EXPECT_EQ(host.startDir, "/tmp");
    // Anything else is no file dialog: the plain open dialog shows instead.
    int notADialog = 42;
    box.SetAdditionalPtr(&notADialog);
    bool shown = false;
    WhenModalOpens([](QWidget* modal) { modal->close(); }, &shown);
    box.Browse();
    EXPECT_TRUE(shown);
    EXPECT_EQ(notADialog, 42);
    EXPECT_EQ(box.GetEditControl()->GetWindowText(), "/tmp/a.txt");
}

TEST_F(EditorsTest, DirectoryBoxRunsTheFolderPickerPreset) {
    QTemporaryDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("sub/inner")));
    const CString start = TBC(temp.path() + QStringLiteral("/sub"));
    CTBOwnBrowseBox box;
    ASSERT_TRUE(box.Create(start, "DIR", WS_CHILD | WS_VISIBLE, CRect(10, 10, 210, 34), &parent, 10));
    QString preselected;
    WhenModalOpens([&](QWidget* modal) {
        auto* tree = modal->findChild<QTreeView*>(QStringLiteral("tbFolderTree"));
        ASSERT_NE(tree, nullptr);
        auto* model = static_cast<QFileSystemModel*>(tree->model());
        preselected = model->filePath(tree->currentIndex());
        tree->setCurrentIndex(model->index(temp.path() + QStringLiteral("/sub/inner")));
        QTest::mouseClick(ModalButton(modal, IDOK), Qt::LeftButton);
    });
    box.Browse();
    EXPECT_EQ(preselected, TBQ(start));
    EXPECT_EQ(box.GetEditControl()->GetWindowText(), start + "/inner");
}

TEST_F(EditorsTest, BrowseEditCompletesPathsFromTheFileSystem) {
    // The filter of the file-system model behind an edit's completer; 0 without one.
    auto filterOf = [](CTBBrowseEdit& edit) {
        QCompleter* completer = static_cast<QLineEdit*>(edit.GetWidget())->completer();
        auto* model = completer ? qobject_cast<QFileSystemModel*>(completer->model()) : nullptr;
        return model ? model->filter() : QDir::Filters();
    };
    CTBBrowseEdit dirs, files, multi;
    ASSERT_TRUE(dirs.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 300, 34), &parent, 11));
    EXPECT_EQ(dirs.AutoComplete(SHACF_URLALL), 0);  // no URL history here
    ASSERT_EQ(dirs.AutoComplete(SHACF_FILESYS_DIRS), 1);
    EXPECT_EQ(filterOf(dirs) & (QDir::Files | QDir::AllDirs), QDir::AllDirs);  // folders, not files
    files.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 300, 34), &parent, 13);
    ASSERT_EQ(files.AutoComplete(SHACF_DEFAULT), 1);
    EXPECT_TRUE(filterOf(files) & QDir::Files);
    multi.Create(WS_CHILD | ES_MULTILINE, CRect(10, 40, 300, 90), &parent, 12);
    EXPECT_EQ(multi.AutoComplete(SHACF_FILESYSTEM), 0);
}

// ------------------------------------------------------------------ rich edit

TEST_F(EditorsTest, RichEditMenuEnablesItsItemsByStateAndTabTypesATab) {
    CTBOwnRichEdit rich;
    ASSERT_TRUE(rich.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 300, 150), &parent, 13));
    rich.SetFocus();
    RunEvents();
    QWidget* viewport = rich.GetWidget()->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
    ASSERT_NE(viewport, nullptr);
    QGuiApplication::clipboard()->clear();
    const std::vector<std::string> empty = uitest::ContextMenuItems(viewport, QPoint(20, 20));
    EXPECT_EQ(empty, (std::vector<std::string>{"&Undo-", "Cu&t-", "&Copy-", "&Paste-", "&Delete-", "Select &All-"}));

    rich.SetFocus();
    RunEvents();
    QTest::keyClicks(rich.GetWidget(), "a");
    QTest::keyClick(rich.GetWidget(), Qt::Key_Tab);
    QTest::keyClicks(rich.GetWidget(), "b");
    EXPECT_EQ(rich.GetWindowText(), "a\tb");
    EXPECT_EQ(parent.Messages(),
              std::vector<UINT>({TBWM_EDITOR_CHANGED, TBWM_EDITOR_CHANGED, TBWM_EDITOR_CHANGED}));
    EXPECT_EQ(CWnd::GetFocus(), &rich);
    QTest::keyClick(rich.GetWidget(), Qt::Key_Escape);
    EXPECT_EQ(parent.keys, std::vector<UINT>({VK_ESCAPE}));

    rich.SetSel(0, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    EXPECT_EQ(uitest::ContextMenuItems(viewport, QPoint(20, 20)),
              (std::vector<std::string>{"&Undo+", "Cu&t+", "&Copy+", "&Paste+", "&Delete+", "Select &All+"}));
    rich.SetReadOnly(TRUE);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(rich.GetWidget()->palette().color(QPalette::Base).rgb() & 0xFFFFFF,
              QColor(GetRValue(face), GetGValue(face), GetBValue(face)).rgb() & 0xFFFFFF);
    EXPECT_EQ(uitest::ContextMenuItems(viewport, QPoint(20, 20), QStringLiteral("Select All")),
              (std::vector<std::string>{"&Undo-", "Cu&t-", "&Copy+", "&Paste-", "&Delete-", "Select &All+"}));
    RunEvents();
    int start = -1, end = -1;
    rich.CEdit::GetSel(start, end);
    EXPECT_EQ(end - start, 3);  // the chosen command ran
}

// ------------------------------------------------------------------ bitmap button

TEST_F(EditorsTest, BitmapButtonFindsBitmapsAndTooltipByCaption) {
    CDialog dialog;
    const CDialogTemplate tmpl{1, "buttons", WS_POPUP | WS_CAPTION, 200, 60, "MS Shell Dlg", 8,
                               {{"BUTTON", 101, "UP", WS_CHILD | WS_VISIBLE, 5, 5, 40, 14},
                                {"BUTTON", 102, "DELALL", WS_CHILD | WS_VISIBLE, 50, 5, 40, 14},
                                {"BUTTON", 103, "CHECK", WS_CHILD | WS_VISIBLE | WS_DISABLED, 95, 5, 40, 14},
                                {"BUTTON", 104, "OTHER", WS_CHILD | WS_VISIBLE, 140, 5, 40, 14}}};
    ASSERT_TRUE(dialog.CreateIndirect(tmpl, nullptr));
    CTBBitmapButton up, delAll, check, otherButton;
    EXPECT_TRUE(up.AutoLoad(101, &dialog));
    EXPECT_FALSE(delAll.AutoLoad(102, &dialog));  // no "DELALLU" bitmap, but a tooltip
    EXPECT_TRUE(check.AutoLoad(103, &dialog));
    EXPECT_FALSE(otherButton.AutoLoad(104, &dialog));
    EXPECT_EQ(up.GetToolTipText(), "Up");
    EXPECT_EQ(delAll.GetToolTipText(), "Delete all");
    EXPECT_EQ(delAll.GetWidget()->toolTip(), QStringLiteral("Delete all"));
    EXPECT_EQ(otherButton.GetToolTipText(), "");
    EXPECT_EQ(uitest::WindowRect(up).Size(), up.GetStateBitmap(0)->GetBitmapDimension());
    for (const char* caption : {"CHECK", "COMPONENT", "DELETEALL", "DELETE", "DOWN", "FILEOPEN", "NEW", "UP"})
        for (const char* state : {"U", "D", "F", "X"}) {
            CBitmap bitmap;
            EXPECT_TRUE(TBLoadLibraryBitmap(CString(caption) + state, bitmap)) << caption << state;
        }
    // A disabled button shows its disabled bitmap.
    dialog.GetWidget()->show();
    const QImage shown = check.GetWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, check.GetStateBitmap(3)->GetImage()->convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(shown, check.GetStateBitmap(0)->GetImage()->convertToFormat(QImage::Format_RGB32));
    up.SetToolTipText(5541);
    EXPECT_EQ(up.GetWidget()->toolTip(), QStringLiteral("Open"));
    dialog.DestroyWindow();
}

TEST_F(EditorsTest, FolderDialogReturnsTheFolderChosenInItsTree) {
    QTemporaryDir temp;
    CTBDlgBrowseDir dialog;
    dialog.SetSelPath(TBC(temp.path() + QStringLiteral("/missing")));
    QSize grown;
    WhenModalOpens([&grown](QWidget* modal) {
        auto* tree = modal->findChild<QTreeView*>(QStringLiteral("tbFolderTree"));
        EXPECT_FALSE(tree->currentIndex().isValid());  // a missing folder selects nothing
        // The tree grows with the window.
        const QSize before = tree->size();
        modal->resize(modal->size() + QSize(100, 80));
        RunEvents();
        grown = tree->size() - before;
        QTest::mouseClick(ModalButton(modal, IDCANCEL), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(grown, QSize(100, 80));
}
