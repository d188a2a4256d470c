// The editable grid driven with real keys and clicks: what the parent hears, the
// number checks, moving between cells, auto numbering, sorting and moving rows.
#include <toolbox/ui/edit_list_ctrl.h>

#include "ui_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QImage>
#include <QMessageBox>
#include <QTreeView>


namespace {

constexpr UINT kId = 100;

/// The parent: logs everything and answers the validation request with `reject`.
class CGridParent : public uitest::CLogWindow {
public:
    LRESULT reject = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT r = uitest::CLogWindow::WindowProc(message, wParam, lParam);
        return message == TBWM_LIST_VALIDATE ? reject : r;
    }
    /// The cells (row, column) of the messages of one kind, in order.
    std::vector<std::pair<int, int>> Cells(UINT message) const {
        std::vector<std::pair<int, int>> cells;
        for (const uitest::Logged& m : log)
            if (m.message == message && m.wParam == kId)
                cells.emplace_back(LOWORD(static_cast<DWORD>(m.lParam)), HIWORD(static_cast<DWORD>(m.lParam)));
        return cells;
    }
};

class GridTest : public ::testing::Test {
protected:
    CGridParent parent;
    CTBEditListCtrl grid;

    void SetUp() override {
        ASSERT_TRUE(parent.CreateTop(520, 400));
        ASSERT_TRUE(grid.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, CRect(0, 0, 500, 380), &parent, kId));
        grid.InsertEditColumn(0, "Name", LVCFMT_LEFT, 120);
        grid.InsertEditColumn(1, "Value", LVCFMT_LEFT, 120);
        grid.InsertEditColumn(2, "On", LVCFMT_LEFT, 60);
    }
    void TearDown() override {
        grid.DestroyWindow();
        parent.DestroyWindow();
    }
    QWidget* Viewport() const { return static_cast<QTreeView*>(grid.GetWidget())->viewport(); }
    QPoint CellCentre(int row, int col) const {
        RECT r{};
        EXPECT_TRUE(grid.GetCellRect(row, col, &r));
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2) - Viewport()->pos();
    }
    void Click(int row, int col, QPoint offset = QPoint()) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(row, col) + offset);
    }
    QWidget* Focus() const { return QApplication::focusWidget(); }
    /// A key that ends the edit: the editor goes while the key is handled, so no release
    /// is sent to it afterwards.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyPress(Focus(), key, modifiers);
    }
    CString Editing() const { return grid.GetEditControl() ? grid.GetEditControl()->GetWindowText() : CString("<none>"); }
    /// Rows of (text, type) in columns 0 and 1, column 2 a check box.
    void Fill(std::initializer_list<std::pair<const char*, TB_EnumEditTypes>> values) {
        int row = 0;
        for (const auto& v : values) {
            grid.InsertEditItem(row, "n", TB_EDIT_TEXT);
            grid.SetEditItemText(row, 1, v.first, v.second);
            grid.SetEditItemText(row, 2, "0", TB_EDIT_CHECK);
            ++row;
        }
    }
    void TypeOver(const char* text) {
        grid.GetEditControl()->SendMessage(EM_SETSEL, 0, -1);
        QTest::keyClicks(Focus(), text);
    }
};

TEST(GridNumbers, IntegerAndRealPatternsMatchWholeTexts) {
    for (const char* ok : {"  -12  ", "+7", "0", "\t3\t"}) EXPECT_TRUE(CTBEditListCtrl::IsValidInteger(ok)) << ok;
    for (const char* bad : {"", "1.5", "1 2", "- 1", "12a"}) EXPECT_FALSE(CTBEditListCtrl::IsValidInteger(bad)) << bad;
    for (const char* ok : {"1.5k", "2 meg", ".5e-3", "-3.", "4MEG", "1e+10", " 7u "})
        EXPECT_TRUE(CTBEditListCtrl::IsValidReal(ok)) << ok;
    for (const char* bad : {"1,5", "1e", ".", "1kk", "e5", ""}) EXPECT_FALSE(CTBEditListCtrl::IsValidReal(bad)) << bad;
}

TEST_F(GridTest, CellsAndColumnsStayInStep) {
    Fill({{"x", TB_EDIT_TEXT}, {"y", TB_EDIT_REAL}});
    EXPECT_EQ(grid.GetItemCount(), 2);
    EXPECT_EQ(grid.GetEditItemType(1, 1), TB_EDIT_REAL);
    grid.SetColumnData(1, 77);
    EXPECT_EQ(grid.InsertEditColumn(1, "New"), 1);
    EXPECT_EQ(grid.GetColumnData(1), 0u);
    EXPECT_EQ(grid.GetColumnData(2), 77u);
    EXPECT_FALSE(grid.HasEditItemDef(1, 1));
    EXPECT_EQ(grid.GetEditItemType(1, 2), TB_EDIT_REAL);
    EXPECT_EQ(grid.GetItemText(1, 2), "y");
    EXPECT_TRUE(grid.DeleteEditColumn(1));
    EXPECT_EQ(grid.GetItemText(1, 1), "y");
    EXPECT_EQ(grid.GetItemText(5, 1), "");
    EXPECT_FALSE(grid.SetItemChecked(0, 1, TRUE));
    EXPECT_TRUE(grid.SetItemChecked(0, 2, TRUE));
    EXPECT_TRUE(grid.IsItemChecked(0, 2));
    EXPECT_EQ(grid.GetItemColor(0, 1), 0u);
    grid.SetEditItemText(0, 1, "", TB_EDIT_COLOR);
    grid.SetItemColor(0, 1, RGB(1, 2, 3));
    EXPECT_EQ(grid.GetItemColor(0, 1), RGB(1, 2, 3));
    EXPECT_EQ(grid.GetItemText(0, 1).GetLength(), 8);
    grid.DeleteEditItemText(0, 1);
    EXPECT_FALSE(grid.HasEditItemDef(0, 1));
}

TEST_F(GridTest, TypedTextIsValidatedWrittenAndReported) {
    Fill({{"x", TB_EDIT_TEXT}, {"y", TB_EDIT_TEXT}});
    Click(0, 1);
    ASSERT_TRUE(grid.IsEditActive());
    EXPECT_EQ(Editing(), "x");
    parent.log.clear();
    TypeOver("abc");
    EXPECT_EQ(grid.GetItemText(0, 1), "abc");  // live update
    uitest::RunEvents();
    EXPECT_FALSE(parent.Cells(TBWM_LIST_CELL_CHANGED).empty());
    parent.log.clear();
    Press(Qt::Key_Return);
    // Validation and the write are sent at once, the change is posted.
    EXPECT_EQ(parent.Cells(TBWM_LIST_VALIDATE), (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(parent.Cells(TBWM_LIST_CELL_WRITTEN), (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_TRUE(parent.Cells(TBWM_LIST_CELL_CHANGED).empty());
    uitest::RunEvents();
    EXPECT_EQ(parent.Cells(TBWM_LIST_CELL_CHANGED), (std::vector<std::pair<int, int>>{{0, 1}}));
    // Enter moved down to the next editable cell.
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(1, 1));
    EXPECT_EQ(Editing(), "y");
    // A row inserted above moves the open editor down with its cell.
    grid.InsertEditItem(0, "new", TB_EDIT_TEXT);
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(1, 2));
    RECT cell{};
    grid.GetCellRect(2, 1, &cell);
    EXPECT_EQ(uitest::RectIn(*grid.GetEditControl(), grid), CRect(cell));
    grid.CloseEdit(FALSE);
}

TEST_F(GridTest, IndexCellKeepsItsNameAndTabWrapsToRowZeroPastButtonsWithoutFiringThem) {
    Fill({{"pin[3]", TB_EDIT_INDEX}, {"go", TB_EDIT_BUTTON}});
    grid.SetEditItemText(1, 2, "1", TB_EDIT_CHECK_INACTIVE);
    ASSERT_TRUE(grid.DoEdit(CPoint(1, 0)));
    parent.log.clear();
    EXPECT_EQ(Editing(), "3");
    TypeOver("7");
    Press(Qt::Key_Tab);
    EXPECT_EQ(grid.GetItemText(0, 1), "pin[7]");
    // Column 2 opens nothing: the walk goes to the name of row 1.
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 1));
    // From the last row the walk wraps to the first editable cell of row 0.
    Press(Qt::Key_Tab);
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 0));
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 1));
    // Up (sent by hosts) walks the column upwards; before row 0 the previous column's end.
    grid.SendMessage(TBWM_EDITOR_UP, 0, reinterpret_cast<LPARAM>(grid.GetEditControl()));
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 0));
    grid.SendMessage(TBWM_EDITOR_UP, 0, reinterpret_cast<LPARAM>(grid.GetEditControl()));
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(1, 0));  // wraps to the last column: pin[7]
    // Messages from an editor that is not the open one are ignored.
    CTBOwnEdit stranger;
    grid.SendMessage(TBWM_EDITOR_NEXT, 0, reinterpret_cast<LPARAM>(&stranger));
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(1, 0));
    EXPECT_TRUE(parent.Cells(TBWM_LIST_BUTTON).empty());  // the button cell was crossed, never fired
    grid.CloseEdit(FALSE);
}

TEST_F(GridTest, RejectedNumbersReopenTheEditorWithTheRejectedText) {
    Fill({{"5", TB_EDIT_INTEGER}, {"1k", TB_EDIT_REAL}});
    QString shown;
    const struct {
        int row;
        const char *before, *typed, *box, *corrected;
    } cases[] = {{0, "5", "1e", "Invalide value.\nPlease insert an integer !", "12"},
                 {1, "1k", "1kk", "Invalide value.\nPlease insert a real !", "2.2 meg"}};
    for (const auto& c : cases) {
        shown.clear();
        uitest::WhenModalOpens([&shown](QWidget* box) {
            shown = static_cast<QMessageBox*>(box)->text();
            uitest::ClickBoxButton(box, "OK");
        });
        ASSERT_TRUE(grid.DoEdit(CPoint(1, c.row)));
        TypeOver(c.typed);
        Press(Qt::Key_Return);
        EXPECT_FALSE(grid.IsEditActive());
        EXPECT_EQ(grid.GetItemText(c.row, 1), c.before);
        for (int i = 0; i < 100 && shown.isEmpty(); ++i) uitest::RunIdle(20);
        uitest::RunEvents();
        EXPECT_EQ(shown.toStdString(), c.box);
        ASSERT_TRUE(grid.IsEditActive());
        EXPECT_EQ(Editing(), c.typed);
        TypeOver(c.corrected);
        Press(Qt::Key_Return);
        EXPECT_EQ(grid.GetItemText(c.row, 1), c.corrected);
        grid.CloseEdit(FALSE);
    }
    // A parent that rejects shows nothing itself here; the editor comes back.
    parent.reject = 1;
    grid.SetEditItemText(0, 0, "n", TB_EDIT_TEXT);
    ASSERT_TRUE(grid.DoEdit(CPoint(0, 0)));
    TypeOver("bad");
    Press(Qt::Key_Return);
    uitest::RunEvents();
    EXPECT_EQ(grid.GetItemText(0, 0), "bad");  // shown in the reopened editor's cell
    EXPECT_EQ(Editing(), "bad");
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 0));
    grid.CloseEdit(FALSE);
    EXPECT_EQ(grid.GetItemText(0, 0), "n");
}

TEST_F(GridTest, CheckCellsToggleOnlyInsideTheirSquare) {
    Fill({{"a", TB_EDIT_TEXT}, {"b", TB_EDIT_TEXT}, {"c", TB_EDIT_TEXT}});
    Click(0, 2, QPoint(25, 0));
    EXPECT_EQ(grid.GetItemText(0, 2), "0");
    parent.log.clear();
    Click(0, 2);
    EXPECT_EQ(grid.GetItemText(0, 2), "1");
    EXPECT_EQ(parent.Cells(TBWM_LIST_CELL_WRITTEN), (std::vector<std::pair<int, int>>{{0, 2}}));
    // With rows 0 and 2 selected, a click on a selected row's box gives both its new value.
    grid.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    Click(2, 2);
    EXPECT_EQ(grid.GetItemText(0, 2), "1");
    EXPECT_EQ(grid.GetItemText(2, 2), "1");
    Click(2, 2);
    EXPECT_EQ(grid.GetItemText(0, 2), "0");
    EXPECT_EQ(grid.GetItemText(2, 2), "0");
    EXPECT_EQ(grid.GetItemText(1, 2), "0");
    grid.SetEditItemText(1, 2, "0", TB_EDIT_RADIO);
    Click(1, 2);
    Click(1, 2);
    EXPECT_TRUE(grid.IsItemChecked(1, 2));
}

TEST_F(GridTest, ClicksF2ButtonsAndCombos) {
    Fill({{"b", TB_EDIT_DROPLIST}, {"go", TB_EDIT_BUTTON}});
    grid.SetEditItemListEntries(0, 1, "a,b,c");
    Click(0, 1);
    ASSERT_TRUE(grid.IsEditActive());
    auto* combo = qobject_cast<QComboBox*>(grid.GetEditControl()->GetWidget());
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->view()->isVisible());  // the opening click dropped the list
    combo->hidePopup();
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentText().toStdString(), "b");
    grid.CloseEdit(FALSE);
    parent.log.clear();
    Click(1, 1);
    EXPECT_EQ(parent.Cells(TBWM_LIST_BUTTON), (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_FALSE(parent.Cells(TBWM_LIST_CLICKED).empty());
    // F2 opens the first editable cell of the selected row.
    grid.SelectItem(CPoint(2, 0), TRUE);
    grid.GetWidget()->setFocus();
    QTest::keyClick(grid.GetWidget(), Qt::Key_F2);
    EXPECT_TRUE(grid.IsEditActive());
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(0, 0));
    grid.CloseEdit(FALSE);
}

TEST_F(GridTest, InactiveGlyphsLookDifferentFromActiveOnes) {
    Fill({{"1", TB_EDIT_CHECK}, {"1", TB_EDIT_CHECK_INACTIVE}});
    grid.InitializeCtrl(0, 0);  // same background for both
    auto draw = [this](int row) {
        QImage image(60, 20, QImage::Format_RGB32);
        CDC dc;
        dc.AttachDevice(&image);
        grid.DrawCell(dc, row, 1, CRect(0, 0, 60, 20), FALSE);
        dc.DetachDevice();
        return image;
    };
    EXPECT_NE(draw(0), draw(1));
    EXPECT_EQ(grid.GetCheckHitWidth(), 17);  // the 13-pixel glyph plus 4
}

TEST_F(GridTest, AutoNumbersFollowDeletionAndStayWhenRowsMove) {
    for (int i = 0; i < 5; ++i) {
        grid.InsertEditItem(i, "a", TB_EDIT_AUTONUMBER);
        grid.SetEditItemText(i, 1, CString(static_cast<char>('v' - i)), TB_EDIT_TEXT);
    }
    EXPECT_EQ(grid.GetItemText(4, 0), "a[4]");
    ASSERT_TRUE(grid.DeleteEditItem(2));
    std::vector<std::string> names, values;
    for (int i = 0; i < grid.GetItemCount(); ++i) names.push_back(grid.GetItemText(i, 0).str());
    EXPECT_EQ(names, (std::vector<std::string>{"a[0]", "a[1]", "a[2]", "a[3]"}));
    // Values v u s r: moving row 1 up and row 0 down swaps values, never the numbers.
    grid.SelectItem(CPoint(1, 1), TRUE);
    grid.MoveUp();
    EXPECT_EQ(grid.GetItemText(0, 1), "u");
    EXPECT_EQ(grid.GetItemText(0, 0), "a[0]");
    EXPECT_EQ(grid.GetSelectedItem().y, 0);
    grid.MoveUp();  // at the top: nothing moves
    EXPECT_EQ(grid.GetItemText(0, 1), "u");
    grid.MoveDown();
    EXPECT_EQ(grid.GetItemText(1, 1), "u");
    EXPECT_EQ(grid.GetItemText(1, 0), "a[1]");
    grid.SortList(1, true);
    for (int i = 0; i < grid.GetItemCount(); ++i) values.push_back(grid.GetItemText(i, 1).str());
    EXPECT_EQ(values, (std::vector<std::string>{"r", "s", "u", "v"}));
    EXPECT_EQ(grid.GetItemText(0, 0), "a[0]");
}

TEST_F(GridTest, SortByIntegerValueThenText) {
    const char* texts[] = {"10", "9", "b", "A"};
    for (int i = 0; i < 4; ++i) grid.InsertEditItem(i, texts[i], TB_EDIT_TEXT);
    grid.SortList(0, true);
    std::vector<std::string> order;
    for (int i = 0; i < 4; ++i) order.push_back(grid.GetItemText(i, 0).str());
    EXPECT_EQ(order, (std::vector<std::string>{"A", "b", "9", "10"}));
    grid.SortList(0, false);
    EXPECT_EQ(grid.GetItemText(0, 0), "10");
    EXPECT_EQ(grid.GetItemText(3, 0), "A");
    // A column holding row numbers is in row order already and stays.
    grid.SetEditItemText(1, 0, "x[1]", TB_EDIT_AUTONUMBER);
    grid.SortList(0, true);
    EXPECT_EQ(grid.GetItemText(0, 0), "10");
    EXPECT_EQ(grid.GetItemText(1, 0), "x[1]");
}

TEST_F(GridTest, ContextMenuSelectsTheRowAndIsPostedWithClientPoint) {
    Fill({{"a", TB_EDIT_TEXT}, {"b", TB_EDIT_TEXT}});
    parent.log.clear();
    const QPoint at = CellCentre(1, 0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, Viewport()->mapToGlobal(at));
    QApplication::sendEvent(Viewport(), &event);
    EXPECT_TRUE(grid.GetItemState(1, LVIS_SELECTED));
    EXPECT_TRUE(parent.Cells(TBWM_LIST_CONTEXTMENU).empty());
    uitest::RunEvents();
    const QPoint client = at + Viewport()->pos();
    EXPECT_EQ(parent.Cells(TBWM_LIST_CONTEXTMENU), (std::vector<std::pair<int, int>>{{client.y(), client.x()}}));
    EXPECT_EQ(parent.Cells(TBWM_LIST_ROW_SELECTED), (std::vector<std::pair<int, int>>{{1, 0}}));
}

TEST_F(GridTest, BrowseAndUnitCellsCommitWhatTheirEditorsHold) {
    Fill({{"/tmp", TB_EDIT_BROWSE}, {"k\\Ohm\\", TB_EDIT_UNIT}, {"x", TB_EDIT_TEXT}});
    grid.SetEditItemListEntries(0, 1, "DIR");
    grid.SetEditItemListEntries(1, 1, "Resistance");
    ASSERT_TRUE(grid.DoEdit(CPoint(1, 0)));
    auto* box = dynamic_cast<CTBOwnBrowseBox*>(grid.GetEditControl());
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box->GetEditControl()->GetWidget(), Qt::Key_End);  // the box selected all
    QTest::keyClicks(box->GetEditControl()->GetWidget(), "/x");
    EXPECT_EQ(grid.GetItemText(0, 1), "/tmp/x");  // live update
    QTest::keyPress(box->GetEditControl()->GetWidget(), Qt::Key_Return);
    EXPECT_EQ(grid.GetItemText(0, 1), "/tmp/x");
    // Enter went down to the unit cell: its selector holds the quantity's units.
    auto* units = dynamic_cast<CTBUnitComboBox*>(grid.GetEditControl());
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units->GetWindowText(), "k\\Ohm\\");
    const int ohm = units->FindStringExact(-1, "\\Ohm\\");
    ASSERT_GE(ohm, 0);
    units->SetCurSel(ohm);
    // Clicking another cell commits the open edit first.
    parent.log.clear();
    Click(2, 1);
    EXPECT_EQ(grid.GetItemText(1, 1), "\\Ohm\\");
    EXPECT_EQ(parent.Cells(TBWM_LIST_CELL_WRITTEN).front(), std::make_pair(1, 1));
    EXPECT_EQ(grid.GetSelectedItem(), CPoint(1, 2));
    grid.CloseEdit(FALSE);
}

TEST_F(GridTest, ColumnWidthsAreStoredAndAutoSized) {
    uitest::SettingsFolder settings;
    Fill({{"a rather long text in the value column", TB_EDIT_DROPLIST}});
    grid.SetColumnWidth(0, 33);
    grid.SaveColumnSize("Grid", "Widths");
    grid.SetColumnWidth(0, 80);
    grid.InitializeColumnSize(0, "Grid", "Widths");
    EXPECT_EQ(grid.GetColumnWidth(0), 33);
    grid.InitializeColumnSize(1);
    // The drop-down cell needs room for its text and its button.
    EXPECT_GT(grid.GetColumnWidth(1), 200 + grid.GetRowHeight());
    EXPECT_GE(grid.GetColumnWidth(2), 10);
}

TEST(GridDialog, ReplacesTheTemplatesListPlaceholder) {
    uitest::CLogWindow parent;
    ASSERT_TRUE(parent.CreateTop(300, 200));
    CListCtrl placeholder;
    ASSERT_TRUE(placeholder.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(10, 20, 210, 120), &parent, 42));
    placeholder.Detach();  // a template's control: no object of its own
    CTBEditListCtrl grid;
    ASSERT_TRUE(grid.SubclassDlgItem(42, &parent));
    ASSERT_TRUE(grid.CreateDialogControl());
    EXPECT_EQ(grid.GetDlgCtrlID(), 42);
    EXPECT_EQ(parent.GetDlgItem(42), &grid);
    EXPECT_EQ(uitest::RectIn(grid, parent), CRect(10, 20, 210, 120));
    EXPECT_EQ(grid.InsertEditColumn(0, "File"), 0);
    EXPECT_EQ(grid.InsertEditItem(0, "a.dat", TB_EDIT_TEXT), 0);
    EXPECT_EQ(grid.GetItemText(0, 0), "a.dat");
}

}  // namespace

TEST_F(GridTest, CtrlASelectsTheWholeTextOfTheOpenEditor) {
    Fill({{"abc", TB_EDIT_TEXT}});
    Click(0, 1);
    ASSERT_TRUE(grid.IsEditActive());
    QTest::keyClick(Focus(), Qt::Key_A, Qt::ControlModifier);
    uitest::RunEvents();
    ASSERT_TRUE(grid.IsEditActive());
    QTest::keyClicks(Focus(), "z");
    EXPECT_EQ(grid.GetItemText(0, 1), "z");
}

namespace {
int g_browsed = 0;
void CountBrowse(CEdit* edit, CWnd*) {
    ++g_browsed;
    edit->SetWindowText("/chosen");
}
}  // namespace

TEST_F(GridTest, ClickStartActsOnTheBrowseButtonOnlyWhenTheClickIsOnIt) {
    Fill({{"/tmp", TB_EDIT_BROWSE}, {"/usr", TB_EDIT_BROWSE}});
    for (int row : {0, 1}) grid.SetEditItemListEntries(row, 1, "FUNCTION", reinterpret_cast<void*>(&CountBrowse));
    RECT r{};
    ASSERT_TRUE(grid.GetCellRect(0, 1, &r));
    g_browsed = 0;
    Click(0, 1, QPoint(-(r.right - r.left) / 2 + 8, 0));  // on the text: the box opens, nothing browsed
    ASSERT_TRUE(grid.IsEditActive());
    EXPECT_EQ(g_browsed, 0);
    grid.CloseEdit(FALSE);
    Click(1, 1, QPoint((r.right - r.left) / 2 - 4, 0));  // on the "..." button
    EXPECT_EQ(g_browsed, 1);
    EXPECT_EQ(grid.GetItemText(1, 1), "/chosen");
    grid.CloseEdit(FALSE);
}
