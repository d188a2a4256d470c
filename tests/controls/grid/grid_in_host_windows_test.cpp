// The grid where hosts put it: inside a resizing dialog and inside a property page,
// with the host's message map listening, and its editors opened one after another as a
// user does, each kind many times over.
#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/edit_list_ctrl.h>
#include <toolbox/ui/property_sheet.h>
#include <toolbox/ui/tb_dialog.h>
#include <toolbox/ui/unit_controls.h>

#include "ui_test_support.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

constexpr UINT IDC_GRID = 1001;

CDialogTemplate GridTemplate(DWORD style) {
    return {0, "Grid host", style, 260, 140, "MS Shell Dlg", 8,
            {{"SysListView32", IDC_GRID, "", WS_VISIBLE | WS_BORDER | LVS_REPORT, 7, 7, 246, 126}}};
}

/// Columns name and value; one row per editor kind in the value column.
void FillGrid(CTBEditListCtrl& grid) {
    grid.InsertEditColumn(0, "Name", LVCFMT_LEFT, 80);
    grid.InsertEditColumn(1, "Value", LVCFMT_LEFT, 200);
    const std::pair<const char*, TB_EnumEditTypes> rows[] = {
        {"one", TB_EDIT_TEXT},        {"2.5", TB_EDIT_REAL},     {"b", TB_EDIT_DROPLIST},
        {"free", TB_EDIT_DROPCOMBO},  {"/tmp", TB_EDIT_BROWSE},  {"\\Ohm\\", TB_EDIT_UNIT},
        {"", TB_EDIT_QUANTITY},       {"", TB_EDIT_COLOR}};
    int row = 0;
    for (const auto& [text, type] : rows) {
        grid.InsertEditItem(row, "n", TB_EDIT_NONE);
        grid.SetEditItemText(row, 1, text, type);
        ++row;
    }
    grid.SetEditItemListEntries(2, 1, "a,b,c");
    grid.SetEditItemListEntries(3, 1, "one,two");
    grid.SetEditItemListEntries(4, 1, "FUNCTION");
    grid.SetEditItemListEntries(5, 1, "Resistance");
}

/// The host's side of the grid: the cells it was told were written.
struct CGridListener {
    std::vector<std::pair<int, int>> written;
    LRESULT Written(WPARAM id, LPARAM cell) {
        if (id == IDC_GRID) written.emplace_back(LOWORD(static_cast<DWORD>(cell)), HIWORD(static_cast<DWORD>(cell)));
        return 0;
    }
};

class CGridDialog : public CTBDialog {
public:
    CGridDialog() : CTBDialog("GridHostDialog") { SetControlInfo(IDC_GRID, 15); }
    CTBEditListCtrl grid;
    CGridListener host;

protected:
    BOOL OnInitDialog() override {
        CTBDialog::OnInitDialog();
        if (grid.SubclassDlgItem(IDC_GRID, this) && grid.CreateDialogControl()) FillGrid(grid);
        return TRUE;
    }
    LRESULT OnCellWritten(WPARAM w, LPARAM l) { return host.Written(w, l); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CGridDialog, CTBDialog)
ON_MESSAGE(TBWM_LIST_CELL_WRITTEN, OnCellWritten)
END_MESSAGE_MAP()

const CDialogTemplate& PageTemplate() {
    static const CDialogTemplate tmpl = GridTemplate(WS_CHILD | DS_SETFONT);
    return tmpl;
}

class CGridPage : public CTBPropertyPage {
public:
    CGridPage() : CTBPropertyPage(&PageTemplate(), "GridHostPage") { SetControlInfo(IDC_GRID, 15); }
    CTBEditListCtrl grid;
    CGridListener host;

protected:
    BOOL OnInitDialog() override {
        CTBPropertyPage::OnInitDialog();
        if (grid.SubclassDlgItem(IDC_GRID, this) && grid.CreateDialogControl()) FillGrid(grid);
        return TRUE;
    }
    LRESULT OnCellWritten(WPARAM w, LPARAM l) { return host.Written(w, l); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CGridPage, CTBPropertyPage)
ON_MESSAGE(TBWM_LIST_CELL_WRITTEN, OnCellWritten)
END_MESSAGE_MAP()

QWidget* Focus() { return QApplication::focusWidget(); }

/// Escape on the open editor of grid (its window when the focus went elsewhere).
void PressEscape(CTBEditListCtrl& grid) {
    QWidget* target = Focus() ? Focus() : grid.GetEditControl()->GetWidget();
    QTest::keyPress(target, Qt::Key_Escape);
}

/// Types text over the text cell (row 0) and commits it with Enter.
void WriteTextCell(CTBEditListCtrl& grid, const char* text) {
    ASSERT_TRUE(grid.DoEdit(CPoint(1, 0)));
    grid.GetEditControl()->SendMessage(EM_SETSEL, 0, -1);
    QTest::keyClicks(Focus(), text);
    QTest::keyPress(Focus(), Qt::Key_Return);
    uitest::RunEvents();
    grid.CloseEdit(FALSE);
}

class GridInHostWindows : public ::testing::Test {
protected:
    uitest::SettingsFolder settings;
};

TEST_F(GridInHostWindows, APropertyPagesMessageMapHearsValueWritten) {
    CGridPage page;
    CTBPropertySheet sheet("Grid sheet");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.GetWidget()));
    ASSERT_NE(page.GetSafeHwnd(), nullptr);
    WriteTextCell(page.grid, "three");
    EXPECT_EQ(page.host.written, (std::vector<std::pair<int, int>>{{0, 1}}));
}

/// Drops the list of the open combo editor and clicks its entry index.
void ChooseInList(CWnd* editor, int index) {
    auto* combo = qobject_cast<QComboBox*>(editor->GetWidget());
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    uitest::RunEvents();
    QAbstractItemView* view = combo->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(combo->model()->index(index, 0)).center());
    uitest::RunEvents();
}

/// The entry index of the open combo editor.
CString EntryText(CWnd* editor, int index) {
    auto* combo = qobject_cast<QComboBox*>(editor->GetWidget());
    return combo ? CString(combo->itemText(index).toUtf8().constData()) : CString("<no combo>");
}

TEST_F(GridInHostWindows, ADialogHearsValuesWrittenKeepsItsPinAndEveryEditorKindBehavesOnItsTenthOpeningAsOnItsFirst) {
    static const CDialogTemplate tmpl = GridTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT);
    CGridDialog dlg;
    dlg.SetEnableOnTop(TRUE);
    ASSERT_TRUE(dlg.CreateIndirect(tmpl, nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(dlg));
    uitest::RunEvents();
    ASSERT_TRUE(dlg.GetPinned());
    ASSERT_NE(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    CTBEditListCtrl& grid = dlg.grid;
    WriteTextCell(grid, "two");
    EXPECT_EQ(grid.GetItemText(0, 1), "two");
    EXPECT_EQ(dlg.host.written, (std::vector<std::pair<int, int>>{{0, 1}}));
    // The cell write is no z-order request: the pinned window stays on top.
    EXPECT_NE(dlg.GetExStyle() & WS_EX_TOPMOST, 0u);
    EXPECT_TRUE(dlg.GetPinned());
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("opening " + std::to_string(round + 1));
        // The colour popup of the round before was a window of its own: the dialog
        // takes the keyboard back.
        dlg.GetWidget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.GetWidget()));
        // A change shows in the cell at once and Escape puts the old value back: typing
        // in the edits (text, number) and the browse box, a choice in the drop-down lists
        // (plain, unit and quantity).
        for (int row : {0, 1, 2, 4, 5, 6}) {
            SCOPED_TRACE("row " + std::to_string(row));
            const CString before = grid.GetItemText(row, 1);
            ASSERT_TRUE(grid.DoEdit(CPoint(1, row)));
            CWnd* editor = grid.GetEditControl();
            CString changed = "7";
            if (auto* box = dynamic_cast<CTBOwnBrowseBox*>(editor)) {
                QTest::keyClick(box->GetEditControl()->GetWidget(), Qt::Key_End);
                QTest::keyClicks(box->GetEditControl()->GetWidget(), "/x");
                changed = before + "/x";
            } else if (qobject_cast<QComboBox*>(editor->GetWidget())) {
                changed = EntryText(editor, 1 + round % 2);
                ChooseInList(editor, 1 + round % 2);
            } else {
                ASSERT_NE(Focus(), nullptr);
                QTest::keyClicks(Focus(), "7");
            }
            EXPECT_EQ(grid.GetItemText(row, 1), changed);
            ASSERT_TRUE(grid.IsEditActive());
            PressEscape(grid);
            EXPECT_FALSE(grid.IsEditActive());
            EXPECT_EQ(grid.GetItemText(row, 1), before);
        }
        // The editable combo: a drop-down cancelled puts back the text it dropped with.
        ASSERT_TRUE(grid.DoEdit(CPoint(1, 3)));
        CWnd* combo = grid.GetEditControl();
        auto* qcombo = qobject_cast<QComboBox*>(combo->GetWidget());
        ASSERT_NE(qcombo, nullptr);
        qcombo->showPopup();
        uitest::RunEvents();
        combo->SetWindowText("changed while dropped");
        QTest::keyClick(qcombo->view(), Qt::Key_Escape);
        uitest::RunEvents();
        EXPECT_EQ(combo->GetWindowText(), "free");
        ChooseInList(combo, 1);
        EXPECT_EQ(grid.GetItemText(3, 1), "two");
        grid.CloseEdit(FALSE);
        EXPECT_EQ(grid.GetItemText(3, 1), "free");
        // The colour popup: a chosen colour is written and the host hears of it.
        ASSERT_TRUE(grid.DoEdit(CPoint(1, 7)));
        auto* popup = dynamic_cast<CTBColorPopup*>(grid.GetEditControl());
        ASSERT_NE(popup, nullptr);
        dlg.host.written.clear();
        popup->Choose(1 + round % 3);
        uitest::RunEvents();
        EXPECT_EQ(grid.GetItemColor(7, 1), CTBColorPopup::GetColor(1 + round % 3));
        EXPECT_EQ(dlg.host.written, (std::vector<std::pair<int, int>>{{7, 1}}));
        EXPECT_FALSE(grid.IsEditActive());
    }
}

}  // namespace
