// The rich edit: colours per range without notifications or undo noise, line index,
// character-range selection and finding with case and whole word.
#include "ui_test_support.h"

#include <QPlainTextEdit>

using uitest::CLogWindow;
using uitest::RunEvents;

namespace {

class RichEditTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.CreateTop());
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, CRect(5, 5, 300, 120), &parent, 1101));
    }
    CHARFORMAT FormatAt(int position) {
        edit.SetSel(position, position);
        CHARFORMAT format;
        edit.GetSelectionCharFormat(format);
        return format;
    }
    CLogWindow parent;
    CRichEditCtrl edit;
};

}  // namespace

TEST_F(RichEditTest, RangeColoursLeaveSelectionTextAndNotificationsAlone) {
    edit.SetWindowText("R1 = 4.7k; R2 = 10k");
    edit.SetSel(5, 8);
    parent.log.clear();
    EXPECT_TRUE(edit.SetRangeFormat(0, 2, RGB(0, 0, 200), TRUE));
    EXPECT_TRUE(edit.SetRangeFormat(11, 13, RGB(200, 0, 0)));
    EXPECT_TRUE(parent.CommandCodes(1101).empty());
    EXPECT_FALSE(edit.GetModify());
    CHARRANGE selection;
    edit.GetSel(selection);
    EXPECT_EQ(selection.cpMin, 5);
    EXPECT_EQ(selection.cpMax, 8);
    // The format of a position is the format of the character after it.
    const CHARFORMAT first = FormatAt(0);
    EXPECT_EQ(first.crTextColor, RGB(0, 0, 200));
    EXPECT_TRUE(first.dwEffects & CFE_BOLD);
    const CHARFORMAT second = FormatAt(11);
    EXPECT_EQ(second.crTextColor, RGB(200, 0, 0));
    EXPECT_FALSE(second.dwEffects & CFE_BOLD);
    EXPECT_TRUE(FormatAt(5).dwEffects & CFE_AUTOCOLOR);
    // Colouring a loaded text is no undo step, also when batched between redraws.
    EXPECT_FALSE(edit.CanUndo());
    edit.SendMessage(WM_SETREDRAW, FALSE);
    edit.SetRangeFormat(16, 19, RGB(0, 90, 0));
    edit.SendMessage(WM_SETREDRAW, TRUE);
    EXPECT_EQ(FormatAt(16).crTextColor, RGB(0, 90, 0));
    EXPECT_FALSE(edit.CanUndo());
    EXPECT_EQ(edit.GetWindowText(), "R1 = 4.7k; R2 = 10k");
}

TEST_F(RichEditTest, UndoTakesBackAKeystrokeTogetherWithItsColours) {
    edit.SetWindowText("abc");
    edit.SetFocus();
    edit.SetSel(3, 3);
    RunEvents();
    parent.log.clear();
    QTest::keyClicks(edit.GetWidget(), "d");
    EXPECT_EQ(parent.CommandCodes(1101), std::vector<UINT>({EN_UPDATE, EN_CHANGE}));
    edit.SetRangeFormat(0, 4, RGB(0, 128, 0));
    EXPECT_EQ(FormatAt(0).crTextColor, RGB(0, 128, 0));
    EXPECT_TRUE(edit.Undo());
    EXPECT_EQ(edit.GetWindowText(), "abc");
    EXPECT_TRUE(FormatAt(0).dwEffects & CFE_AUTOCOLOR);
}

TEST_F(RichEditTest, SelectionFormatAndLineIndex) {
    edit.SetWindowText("first\nsecond line\nthird");
    EXPECT_EQ(edit.GetLineCount(), 3);
    EXPECT_EQ(edit.LineIndex(2), 18);
    EXPECT_EQ(edit.LineIndex(3), -1);
    EXPECT_EQ(edit.LineFromChar(17), 1);
    EXPECT_EQ(edit.LineFromChar(18), 2);
    EXPECT_EQ(edit.SendMessage(EM_EXLINEFROMCHAR, 0, 7), 1);
    CHARRANGE range{6, 12};
    edit.SetSel(range);
    CHARFORMAT bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    edit.SetSelectionCharFormat(bold);
    EXPECT_TRUE(FormatAt(6).dwEffects & CFE_BOLD);
    EXPECT_FALSE(FormatAt(12).dwEffects & CFE_BOLD);
    // The selection's format is an undo step, as the user's formatting is.
    EXPECT_TRUE(edit.CanUndo());
}

TEST_F(RichEditTest, FindHonoursCaseWholeWordDirectionAndRange) {
    edit.SetWindowText("Vout = vout2 + VOUT;\nvout");
    FINDTEXTEX find;
    find.lpstrText = "vout";
    find.chrg = {0, -1};
    EXPECT_EQ(edit.FindText(FR_DOWN, find), 0);
    EXPECT_EQ(find.chrgText.cpMax, 4);
    EXPECT_EQ(edit.FindText(FR_DOWN | FR_MATCHCASE, find), 7);
    EXPECT_EQ(edit.FindText(FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD, find), 21);
    EXPECT_EQ(edit.FindText(FR_DOWN | FR_WHOLEWORD, find), 0);
    find.chrg = {1, 20};
    EXPECT_EQ(edit.FindText(FR_DOWN | FR_WHOLEWORD, find), 15);
    // Upwards from the end of the first line, not past position 10.
    find.chrg = {20, 10};
    EXPECT_EQ(edit.FindText(FR_WHOLEWORD, find), 15);
    find.chrg = {14, 10};
    EXPECT_EQ(edit.FindText(FR_WHOLEWORD, find), -1);
    find.lpstrText = "absent";
    find.chrg = {0, -1};
    EXPECT_EQ(edit.FindText(FR_DOWN, find), -1);
}
