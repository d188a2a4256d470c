// Standard controls driven with real keys and clicks: the notifications their parent
// receives, in order and with their parameters, and the control messages.
#include "ui_test_support.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

using uitest::CLogWindow;
using uitest::RunEvents;

namespace {

class ControlsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parent.CreateTop()); }
    CLogWindow parent;
};

/// An edit whose class eats the digits it is given (a subclass's WM_CHAR without Default).
class CLettersOnlyEdit : public CEdit {
public:
    LRESULT WindowProc(UINT message, WPARAM w, LPARAM l) override {
        if (message == WM_CHAR && w >= '0' && w <= '9') return 0;
        return CEdit::WindowProc(message, w, l);
    }
};

}  // namespace

TEST_F(ControlsTest, TypingIntoAnEditSendsUpdateThenChangePerCharacter) {
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, CRect(10, 10, 150, 34), &parent, 1001));
    edit.SetFocus();
    RunEvents();
    parent.log.clear();
    QTest::keyClicks(edit.GetWidget(), "ab");
    EXPECT_EQ(parent.CommandCodes(1001), std::vector<UINT>({EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
    // lParam names the edit.
    EXPECT_EQ(parent.log.front().lParam, reinterpret_cast<LPARAM>(edit.m_hWnd));
    EXPECT_EQ(edit.GetWindowText(), "ab");
    EXPECT_TRUE(edit.GetModify());
    // Setting the text notifies too, as the system's edit does.
    parent.log.clear();
    edit.SetWindowText("R1");
    EXPECT_EQ(parent.CommandCodes(1001), std::vector<UINT>({EN_UPDATE, EN_CHANGE}));
    EXPECT_FALSE(edit.GetModify());
}

TEST_F(ControlsTest, EditSelectionAndReplacementFollowTheControlMessages) {
    CEdit edit;
    edit.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE, CRect(10, 10, 200, 100), &parent, 1002);
    edit.SetWindowText("first\nsecond line\nthird");
    EXPECT_EQ(edit.GetLineCount(), 3);
    EXPECT_EQ(edit.LineIndex(1), 6);
    EXPECT_EQ(edit.LineIndex(5), -1);
    EXPECT_EQ(edit.LineFromChar(8), 1);
    EXPECT_EQ(edit.LineLength(8), 11);
    edit.SetSel(6, 12);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 12);
    edit.ReplaceSel("2nd");
    EXPECT_EQ(edit.GetWindowText(), "first\n2nd line\nthird");
    // GetLine copies no more than the buffer holds and writes no terminating zero.
    char buffer[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(edit.GetLine(1, buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 6), "2nd l#");
    EXPECT_EQ(edit.GetLine(7, buffer, 5), 0);
    edit.SetSel(0, -1);
    edit.GetSel(start, end);
    EXPECT_EQ(end, 20);
}

TEST_F(ControlsTest, FocusNotificationsComeFromTheDefaultHandlingOfFocusMessages) {
    CEdit first, second;
    first.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 100, 30), &parent, 1);
    second.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 40, 100, 60), &parent, 2);
    QApplication::setActiveWindow(parent.GetWidget());
    first.SetFocus();
    RunEvents();
    second.SetFocus();
    RunEvents();
    EXPECT_EQ(parent.CommandCodes(1), std::vector<UINT>({EN_SETFOCUS, EN_KILLFOCUS}));
    EXPECT_EQ(parent.CommandCodes(2), std::vector<UINT>({EN_SETFOCUS}));
}

TEST_F(ControlsTest, ASubclassThatSkipsDefaultKeepsTheCharacterOutOfTheEdit) {
    CEdit plain;
    plain.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 100, 30), &parent, 1);
    CLettersOnlyEdit letters;
    ASSERT_TRUE(letters.SubclassWindow(plain.Detach()));
    QTest::keyClicks(letters.GetWidget(), "a1b2");
    EXPECT_EQ(letters.GetWindowText(), "ab");
}

TEST_F(ControlsTest, ButtonsNotifyClicksAndAutomaticOnesChangeTheirState) {
    CButton push, autoCheck, manualCheck;
    push.Create("Go", WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 24), &parent, 10);
    autoCheck.Create("Auto", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 30, 100, 50), &parent, 11);
    manualCheck.Create("Manual", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, CRect(0, 60, 100, 80), &parent, 12);
    for (CButton* button : {&push, &autoCheck, &manualCheck}) QTest::mouseClick(button->GetWidget(), Qt::LeftButton);
    for (UINT id : {10u, 11u, 12u}) EXPECT_EQ(parent.CommandCodes(id), std::vector<UINT>({BN_CLICKED})) << id;
    EXPECT_EQ(autoCheck.GetCheck(), BST_CHECKED);
    EXPECT_EQ(manualCheck.GetCheck(), BST_UNCHECKED);  // its parent decides
    manualCheck.SetCheck(BST_CHECKED);
    EXPECT_EQ(manualCheck.GetCheck(), BST_CHECKED);
    push.Click();
    EXPECT_EQ(parent.CommandCodes(10).size(), 2u);
}

TEST_F(ControlsTest, AutomaticRadioButtonsAreExclusiveWithinTheirGroupOnly) {
    CButton radios[4];  // two groups: a b, c d
    for (int i = 0; i < 4; ++i)
        radios[i].Create("", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i % 2 ? 0 : WS_GROUP),
                         CRect(0, 20 * i, 80, 20 * i + 20), &parent, static_cast<UINT>(i + 1));
    CButton &a = radios[0], &b = radios[1], &c = radios[2], &d = radios[3];
    a.SetCheck(BST_CHECKED);
    c.SetCheck(BST_CHECKED);
    QTest::mouseClick(b.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_EQ(a.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(b.GetCheck(), BST_CHECKED);
    EXPECT_EQ(c.GetCheck(), BST_CHECKED);  // another group
    QTest::mouseClick(d.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 10));
    EXPECT_EQ(c.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(b.GetCheck(), BST_CHECKED);
}

TEST_F(ControlsTest, ComboBoxMessagesSortFindAndKeepItemData) {
    CComboBox combo;
    combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, CRect(0, 0, 120, 200), &parent, 20);
    EXPECT_EQ(combo.AddString("mV"), 0);
    EXPECT_EQ(combo.AddString("kV"), 0);  // sorted without regard to case
    EXPECT_EQ(combo.AddString("V"), 2);
    EXPECT_EQ(combo.GetCount(), 3);
    CString text;
    EXPECT_EQ(combo.GetLBText(1, text), 2);
    EXPECT_EQ(text, "mV");
    EXPECT_EQ(combo.GetLBText(3, text), CB_ERR);
    EXPECT_EQ(combo.FindStringExact(-1, "MV"), 1);  // exact, case-insensitive
    EXPECT_EQ(combo.FindString(1, "k"), 0);         // searches after start and wraps
    EXPECT_EQ(combo.FindStringExact(-1, "m"), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.SetItemData(2, 0xBEEF), 0);
    EXPECT_EQ(combo.GetItemData(2), 0xBEEFu);
    EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
    EXPECT_EQ(combo.SelectString(-1, "v"), 2);
    EXPECT_EQ(combo.GetWindowText(), "V");
    EXPECT_TRUE(parent.CommandCodes(20).empty());  // the program's changes are not notified
    EXPECT_EQ(combo.DeleteString(0), 2);
    EXPECT_EQ(combo.DeleteString(7), CB_ERR);
}

TEST_F(ControlsTest, ChoosingWithKeysNotifiesEndAndChangeTypingNotifiesEditUpdateThenEditChange) {
    CComboBox list, editable;
    list.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, CRect(0, 0, 120, 200), &parent, 21);
    editable.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_TABSTOP, CRect(130, 0, 250, 200), &parent, 22);
    list.AddString("first");
    list.AddString("second");
    list.SetCurSel(0);
    QTest::keyClick(list.GetWidget(), Qt::Key_Down);
    EXPECT_EQ(parent.CommandCodes(21), std::vector<UINT>({CBN_SELENDOK, CBN_SELCHANGE}));
    EXPECT_EQ(list.GetCurSel(), 1);

    editable.AddString("10 ms");
    auto* qcombo = qobject_cast<QComboBox*>(editable.GetWidget());
    ASSERT_NE(qcombo->lineEdit(), nullptr);
    QTest::keyClicks(qcombo->lineEdit(), "5");
    EXPECT_EQ(parent.CommandCodes(22), std::vector<UINT>({CBN_EDITUPDATE, CBN_EDITCHANGE}));
    EXPECT_EQ(editable.GetWindowText(), "5");
    editable.SetEditSel(0, -1);
    EXPECT_EQ(editable.GetEditSel(), MAKELONG(0, 1));
}

TEST_F(ControlsTest, ListBoxNotifiesTheUsersSelectionOnlyWithTheNotifyStyle) {
    CListBox notifying, silent;
    notifying.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY, CRect(0, 0, 100, 120), &parent, 30);
    silent.Create(WS_CHILD | WS_VISIBLE, CRect(110, 0, 210, 120), &parent, 31);
    for (CListBox* list : {&notifying, &silent})
        for (const char* s : {"Voltage", "Current", "Power"}) list->AddString(s);
    notifying.SetCurSel(0);
    EXPECT_TRUE(parent.CommandCodes(30).empty());
    auto* widget = qobject_cast<QListWidget*>(notifying.GetWidget());
    const QRect second = widget->visualItemRect(widget->item(1));
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    // The click also gave the list the focus, which it reports first.
    EXPECT_EQ(parent.CommandCodes(30), std::vector<UINT>({LBN_SETFOCUS, LBN_SELCHANGE}));
    EXPECT_EQ(notifying.GetCurSel(), 1);
    widget = qobject_cast<QListWidget*>(silent.GetWidget());
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, widget->visualItemRect(widget->item(2)).center());
    EXPECT_TRUE(parent.CommandCodes(31).empty());
    EXPECT_EQ(silent.GetCurSel(), 2);
    CString text;
    EXPECT_EQ(silent.GetText(2, text), 5);
    EXPECT_EQ(text, "Power");
    EXPECT_EQ(silent.FindString(-1, "cur"), 1);
    EXPECT_EQ(silent.GetText(9, text), LB_ERR);
}

namespace {
struct ListFixture : public ControlsTest {
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_TRUE(
            list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, CRect(0, 0, 300, 200), &parent, 40));
        list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
        list.InsertColumn(1, "Unit", LVCFMT_LEFT, 60);
        for (int i = 0; i < 3; ++i) {
            CString name;
            name.Format("row%d", i);
            list.InsertItem(i, name);
            list.SetItemText(i, 1, "V");
            list.SetItemData(i, 100 + i);
        }
        parent.log.clear();
    }
    /// The LVN_ITEMCHANGED notifications received: (item, old state, new state).
    std::vector<std::tuple<int, UINT, UINT>> Changes() const {
        std::vector<std::tuple<int, UINT, UINT>> changes;
        for (const uitest::Logged& m : parent.log) {
            if (m.message != WM_NOTIFY) continue;
            const NMITEMACTIVATE& nm = m.notify;
            if (nm.hdr.code == LVN_ITEMCHANGED) changes.emplace_back(nm.iItem, nm.uOldState, nm.uNewState);
        }
        return changes;
    }
    /// The last WM_NOTIFY the parent received.
    const NMITEMACTIVATE& LastNotify() const {
        return std::find_if(parent.log.rbegin(), parent.log.rend(), [](const uitest::Logged& m) {
                   return m.message == WM_NOTIFY;
               })->notify;
    }
    CListCtrl list;
};
}  // namespace

TEST_F(ListFixture, StateChangesReachTheParentWithOldAndNewStates) {
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    using Change = std::tuple<int, UINT, UINT>;
    EXPECT_EQ(Changes(), std::vector<Change>({Change(1, 0u, LVIS_SELECTED | LVIS_FOCUSED)}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetSelectedCount(), 1u);
    // A click on another row: the old row loses its states first, then NM_CLICK.
    parent.log.clear();
    RECT rect;
    ASSERT_TRUE(list.GetItemRect(2, &rect));
    auto* tree = qobject_cast<QTreeWidget*>(list.GetWidget());
    const QPoint inViewport = tree->viewport()->mapFrom(
        tree, QPoint(static_cast<int>(rect.left + 10), static_cast<int>((rect.top + rect.bottom) / 2)));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, inViewport);
    RunEvents();
    EXPECT_EQ(Changes(), std::vector<Change>({Change(1, LVIS_SELECTED | LVIS_FOCUSED, 0u),
                                              Change(2, 0u, LVIS_SELECTED | LVIS_FOCUSED)}));
    const std::vector<UINT> codes = parent.NotifyCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), NM_CLICK);
    EXPECT_EQ(LastNotify().iItem, 2);
    EXPECT_EQ(LastNotify().hdr.idFrom, 40u);
    EXPECT_EQ(list.HitTest(CPoint(static_cast<long>(rect.left + 10), static_cast<long>((rect.top + rect.bottom) / 2))),
              2);
}

TEST_F(ListFixture, ColumnsItemsAndHeaderClicks) {
    EXPECT_EQ(list.InsertColumn(1, "Value", LVCFMT_RIGHT, 50), 1);
    EXPECT_EQ(list.GetColumnCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 2), "V");  // the unit moved one column right
    EXPECT_EQ(list.GetItemText(0, 1), "");
    EXPECT_EQ(list.GetItemText(9, 0), "");
    EXPECT_EQ(list.GetItemData(2), 102u);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), "row1");
    EXPECT_FALSE(list.DeleteItem(5));
    auto* tree = qobject_cast<QTreeWidget*>(list.GetWidget());
    QHeaderView* header = tree->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    const std::vector<UINT> codes = parent.NotifyCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), LVN_COLUMNCLICK);
    EXPECT_EQ(LastNotify().iSubItem, 2);
}

namespace {
/// A parent that draws its owner-drawn button and remembers what it was asked.
class CDrawingParent : public CLogWindow {
public:
    std::vector<DRAWITEMSTRUCT> items;

protected:
    void OnDrawItem(int, DRAWITEMSTRUCT* dis) {
        items.push_back(*dis);
        CDC* dc = CDC::FromHandle(dis->hDC);
        dc->FillSolidRect(&dis->rcItem, RGB(200, 0, 0));
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDrawingParent, CWnd)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()
}  // namespace

TEST(OwnerDraw, TheParentDrawsOwnerDrawnButtonsThroughDrawItem) {
    CDrawingParent parent;
    ASSERT_TRUE(parent.CreateTop());
    CButton button;
    button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(10, 10, 70, 40), &parent, 55);
    const QImage image = button.GetWidget()->grab().toImage();
    ASSERT_FALSE(parent.items.empty());
    EXPECT_EQ(parent.items.back().CtlType, ODT_BUTTON);
    EXPECT_EQ(parent.items.back().CtlID, 55u);
    EXPECT_EQ(CRect(parent.items.back().rcItem), CRect(0, 0, 60, 30));
    EXPECT_EQ(image.pixelColor(30, 15), QColor(200, 0, 0));
}

TEST_F(ControlsTest, StaticsNotifyClicksOnlyWithTheNotifyStyleAndHideMnemonics) {
    CStatic plain, notifying;
    plain.Create("&Name:", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 20), &parent, 60);
    notifying.Create("Link", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 30, 80, 50), &parent, 61);
    QTest::mouseClick(plain.GetWidget(), Qt::LeftButton);
    QTest::mouseClick(notifying.GetWidget(), Qt::LeftButton);
    EXPECT_TRUE(parent.CommandCodes(60).empty());
    EXPECT_EQ(parent.CommandCodes(61), std::vector<UINT>({STN_CLICKED}));
    // The text keeps its marker; the label shows it without.
    EXPECT_EQ(plain.GetWindowText(), "&Name:");
    EXPECT_EQ(qobject_cast<QLabel*>(plain.GetWidget())->text(), QStringLiteral("Name:"));
}

TEST_F(ControlsTest, ToolTipsFollowTheirToolsAndCanBeSwitchedOff) {
    CButton tool;
    tool.Create("DELALL", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), &parent, 70);
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&parent));
    EXPECT_TRUE(tips.AddTool(&tool, "Delete all"));
    EXPECT_EQ(tool.GetWidget()->toolTip(), QStringLiteral("Delete all"));
    EXPECT_EQ(tips.GetText(&tool), "Delete all");
    tips.Activate(FALSE);
    tips.UpdateTipText("Delete", &tool);
    EXPECT_TRUE(tool.GetWidget()->toolTip().isEmpty());
    EXPECT_EQ(tips.GetText(&tool), "Delete");
    tips.Activate(TRUE);
    EXPECT_EQ(tool.GetWidget()->toolTip(), QStringLiteral("Delete"));
    EXPECT_FALSE(tips.AddTool(nullptr, "x"));
}
