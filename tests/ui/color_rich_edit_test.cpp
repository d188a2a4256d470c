// The colouring editor driven with real key and mouse events: the line model follows
// every edit, colours reach the widget's blocks, undo and redo records, auto-indent,
// overwrite, clipboard, read-only windows, find and replace, the context menu's
// command enabling and the status-bar hooks.
#include "ui_test_support.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <string>
#include <vector>

using uitest::CLogWindow;
using uitest::RunEvents;

namespace {

constexpr COLORREF kComment = RGB(0, 128, 0);
constexpr COLORREF kKeyword = RGB(0, 0, 255);

/// A control that records what it tells the host's status bar.
class CHookedEdit : public CTBColorRichEdit {
public:
    std::vector<std::string> panes;
    std::vector<std::pair<int, int>> carets;
    int timers = 0;
    void StartTimer() override { ++timers; }
    void ShowCaretPos(int column, int line) override { carets.emplace_back(column, line); }
    void ShowBarPaneText(UINT pane, const char* text) override {
        panes.push_back(std::to_string(pane) + "=" + text);
    }
};

class ColorRichEditTest : public testing::Test {
protected:
    void SetUp() override { Make(0); }
    void Make(DWORD extraStyle) {
        ASSERT_TRUE(parent.CreateTop(420, 300));
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | extraStyle, CRect(5, 5, 400, 280),
                                &parent, 1201));
        description.AddRange("/\\*", "\\*/", kComment);
        description.AddToken("int", "[ (]", "[ );]", kKeyword);
        description.AddToken("k\xC2\xB5", "[ ]", "[ ]", kKeyword);
        edit.SetSyntaxDescription(&description);
        edit.SetFocus();
        RunEvents();
    }
    QPlainTextEdit* Widget() { return qobject_cast<QPlainTextEdit*>(edit.GetWidget()); }
    std::string Text() { return edit.GetWindowText().str(); }
    /// The colour the widget paints at (line, character), 0 when none.
    COLORREF ColourAt(int line, int character) {
        const QTextBlock block = Widget()->document()->findBlockByNumber(line);
        for (const QTextLayout::FormatRange& r : block.layout()->formats())
            if (character >= r.start && character < r.start + r.length) {
                const QColor c = r.format.foreground().color();
                return RGB(c.red(), c.green(), c.blue());
            }
        return 0;
    }
    /// The model must always hold the widget's text.
    void ExpectModelMatchesText() {
        std::string model;
        for (int i = 0; i < edit.GetLineObjectCount(); ++i)
            model += (i ? "\n" : "") + edit.GetLineObject(i)->GetRealString().str();
        EXPECT_EQ(model, Text());
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(edit.GetWidget(), key, modifiers);
    }
    void Type(const char* text) { QTest::keyClicks(edit.GetWidget(), QString::fromUtf8(text)); }
    std::string Record(int index, bool redo = false) {
        const sUndoDataColorRichEdit& r = redo ? edit.GetRedoRecord(index) : edit.GetUndoRecord(index);
        return std::to_string(r.kind) + "@" + std::to_string(r.position) + ":" + r.text.str();
    }

    CLogWindow parent;
    CHookedEdit edit;
    CTBSyntaxDscrColorRichEdit description;
};

class ColorRichEditReadOnly : public ColorRichEditTest {
protected:
    void SetUp() override { Make(ES_READONLY); }
};

}  // namespace

TEST_F(ColorRichEditTest, TypingColoursAndRecordsEachCharacter) {
    edit.SetWindowText("a\nb");
    edit.SetSel(1, 1);
    Type(" int");
    EXPECT_EQ(Text(), "a int\nb");
    EXPECT_EQ(ColourAt(0, 2), kKeyword);
    EXPECT_EQ(ColourAt(0, 0), 0u);
    ASSERT_EQ(edit.GetUndoCount(), 4);
    EXPECT_EQ(Record(0), "1@2: ");
    EXPECT_EQ(Record(3), "1@5:t");
    // Typing over a selection records the deletion, then the insertion.
    edit.SetSel(2, 5);
    Type("x");
    EXPECT_EQ(Record(4), "0@2:int");
    EXPECT_EQ(Record(5), "1@3:x");
    EXPECT_EQ(ColourAt(0, 2), 0u);
    EXPECT_TRUE(edit.IsEditModify());
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, CharacterFormatGivesTheColourShownRightAfterSetWindowText) {
    edit.SetWindowText("x int y\n/* note */ z");
    auto colourAt = [this](int start, int end) {
        edit.SetSel(start, end);
        CHARFORMAT format;
        edit.GetSelectionCharFormat(format);
        return (format.dwEffects & CFE_AUTOCOLOR) ? COLORREF(0) : format.crTextColor;
    };
    EXPECT_EQ(colourAt(2, 5), kKeyword);
    EXPECT_EQ(colourAt(10, 12), kComment);  // in the second line
    EXPECT_EQ(colourAt(0, 1), 0u);          // plain text keeps the control's own colour
    EXPECT_EQ(colourAt(20, 20), 0u);        // the caret at the end: the last character
    // Typing that makes a keyword is read back at once too.
    edit.SetSel(6, 7);
    Type("int;");
    EXPECT_EQ(colourAt(6, 6), kKeyword);
}

TEST_F(ColorRichEditTest, ClosingARangeRecoloursTheFollowingLines) {
    edit.SetWindowText("x /* a\nint b\nint c\nint d");
    EXPECT_EQ(ColourAt(1, 0), kComment);
    EXPECT_EQ(ColourAt(3, 0), kComment);
    edit.SetSel(6, 6);
    Type(" */");
    EXPECT_EQ(ColourAt(0, 2), kComment);
    EXPECT_EQ(ColourAt(1, 0), kKeyword);
    EXPECT_EQ(ColourAt(3, 0), kKeyword);
    // Deleting the "/" opens the range again down to the end.
    Key(Qt::Key_Backspace);
    EXPECT_EQ(ColourAt(3, 1), kComment);
    ExpectModelMatchesText();
    // A description installed later colours on the next request only.
    CTBSyntaxDscrColorRichEdit empty;
    edit.SetSyntaxDescription(&empty);
    EXPECT_EQ(ColourAt(3, 1), kComment);
    edit.DetermineColorDscr(0, FALSE);
    EXPECT_EQ(ColourAt(3, 1), 0u);
    edit.SetSyntaxDescription(&description);
}

TEST_F(ColorRichEditTest, EnterIndentsAndUndoRestoresExactly) {
    edit.SetWindowText("\t\t{x");
    edit.SetSel(3, 3);
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(), "\t\t{\n\t\t\tx");
    CHARRANGE caret;
    edit.GetSel(caret);
    EXPECT_EQ(caret.cpMin, 7);
    ASSERT_EQ(edit.GetUndoCount(), 1);
    EXPECT_EQ(Record(0), "1@4:\r\n\t\t\t");
    edit.Undo();
    EXPECT_EQ(Text(), "\t\t{x");
    edit.Redo();
    EXPECT_EQ(Text(), "\t\t{\n\t\t\tx");
    // Backspace at a line start joins, Delete at a line end joins; the ends do nothing.
    edit.SetSel(4, 4);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Text(), "\t\t{\t\t\tx");
    EXPECT_EQ(Record(1), "0@3:\r\n");
    edit.SetSel(0, 0);
    Key(Qt::Key_Backspace);
    edit.SetSel(7, 7);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Text(), "\t\t{\t\t\tx");
    EXPECT_EQ(edit.GetUndoCount(), 2);
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, OverwriteReplacesUpToTheLineEnd) {
    edit.SetWindowText("ab\ncd");
    edit.SetSel(1, 1);
    edit.panes.clear();
    Key(Qt::Key_Insert);
    EXPECT_FALSE(edit.IsInsertFlagSet());
    EXPECT_EQ(edit.panes, std::vector<std::string>{"59140=OVR"});
    Type("xyz");
    EXPECT_EQ(Text(), "axyz\ncd");
    Key(Qt::Key_Insert);
    EXPECT_TRUE(edit.IsInsertFlagSet());
    // Tab is typed (Ctrl+Tab is not), and the caret column counts it as four.
    edit.SetSel(0, 0);
    Key(Qt::Key_Tab, Qt::ControlModifier);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Text(), "\taxyz\ncd");
    EXPECT_EQ(edit.carets.back(), std::make_pair(4, 0));
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, UndoListsHoldAHundredRecords) {
    edit.SetWindowText("");
    for (int i = 0; i < 101; ++i) Type("a");
    ASSERT_EQ(edit.GetUndoCount(), 100);
    EXPECT_EQ(Record(0), "1@2:a");  // the first keystroke's record went
    edit.Undo();
    edit.Undo();
    EXPECT_EQ(Text(), std::string(99, 'a'));
    ASSERT_EQ(edit.GetRedoCount(), 2);
    edit.Redo();
    EXPECT_EQ(Text(), std::string(100, 'a'));
    EXPECT_EQ(edit.GetRedoCount(), 1);
    Type("b");  // a new edit empties the redo list
    EXPECT_EQ(edit.GetRedoCount(), 0);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), std::string(100, 'a'));
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Text(), std::string(100, 'a') + "b");
    Key(Qt::Key_Z, Qt::ControlModifier);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // the other redo key
    EXPECT_EQ(Text(), std::string(100, 'a') + "b");
    EXPECT_EQ(edit.GetRedoCount(), 0);
    // An unrecorded replacement leaves only itself out: the steps before it stay.
    Key(Qt::Key_Z, Qt::ControlModifier);
    const int undoSteps = edit.GetUndoCount(), redoSteps = edit.GetRedoCount();
    ASSERT_GT(redoSteps, 0);
    edit.SetSel(0, 0);
    edit.ReplaceSel("zz", 0);
    EXPECT_EQ(Text(), "zz" + std::string(100, 'a'));
    EXPECT_EQ(edit.GetUndoCount(), undoSteps);
    EXPECT_EQ(edit.GetRedoCount(), redoSteps);
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, ClipboardNormalisesLineBreaks) {
    edit.SetWindowText("one two");
    edit.SetSel(0, 3);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Text(), " two");
    EXPECT_EQ(TBGetClipboardHub().GetText(), "one");
    TBGetClipboardHub().SetText("a\rb\r\nint\n");
    edit.SetSel(4, 4);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), " twoa\nb\nint\n");
    EXPECT_EQ(ColourAt(2, 0), kKeyword);
    EXPECT_EQ(Record(edit.GetUndoCount() - 1), "1@5:a\r\nb\r\nint\r\n");
    edit.Undo();
    EXPECT_EQ(Text(), " two");
    // The other keys of the same commands.
    edit.SetSel(1, 4);
    Key(Qt::Key_Insert, Qt::ControlModifier);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Text(), " ");
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Text(), " twotwo");
    Key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Text(), " two");
    CString text = "x\ry\n\nz\r\n";
    CTBColorRichEdit::ReplaceLineEnd(&text);
    EXPECT_EQ(text, "x\r\ny\r\n\r\nz\r\n");
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, CharactersBeyondAsciiKeepTheirColoursInPlace) {
    edit.SetWindowText("\xC2\xB5\t/* \xE2\x84\xA6 */ int k\xC2\xB5 x");
    EXPECT_EQ(ColourAt(0, 2), kComment);
    EXPECT_EQ(ColourAt(0, 8), kComment);
    EXPECT_EQ(ColourAt(0, 9), 0u);
    EXPECT_EQ(ColourAt(0, 10), kKeyword);
    EXPECT_EQ(ColourAt(0, 15), kKeyword);  // the token's last character is two bytes long
    EXPECT_EQ(ColourAt(0, 16), 0u);
    edit.SetSel(0, 0);
    QTest::sendKeyEvent(QTest::Click, edit.GetWidget(), Qt::Key_Adiaeresis, QString::fromUtf8("\xC3\xA4"),
                        Qt::NoModifier);
    EXPECT_EQ(ColourAt(0, 11), kKeyword);
    ExpectModelMatchesText();
}

TEST_F(ColorRichEditTest, FindWrapsReplaceAllStopsWhereItBegan) {
    edit.SetWindowText("ab ab\nab");
    edit.SetSel(3, 3);
    auto findWindows = [] {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QLatin1String("Find")) ++count;
        return count;
    };
    edit.OpenFindDialog();
    edit.OpenFindDialog();  // one dialog at most
    edit.OpenReplaceDialog();
    EXPECT_EQ(findWindows(), 1);
    const UINT message = RegisterWindowMessage(FINDMSGSTRING);
    FINDREPLACE request;
    request.lpstrFindWhat = const_cast<char*>("ab");
    auto notify = [&](DWORD action, const char* find, const char* replace = "") {
        auto* dialog = new CFindReplaceDialog;
        dialog->Create(FALSE, find, replace, FR_DOWN, &edit);
        dialog->m_fr.Flags |= action;
        edit.SendMessage(message, 0, reinterpret_cast<LPARAM>(&dialog->m_fr));
        dialog->DestroyWindow();
    };
    notify(FR_FINDNEXT, "ab");
    CHARRANGE found;
    edit.GetSel(found);
    EXPECT_EQ(found.cpMin, 3);
    edit.SetSel(7, 7);
    notify(FR_FINDNEXT, "ab");  // wraps to the start
    edit.GetSel(found);
    EXPECT_EQ(found.cpMin, 0);
    edit.SetSel(4, 4);
    notify(FR_REPLACEALL, "ab", "xabx");
    EXPECT_EQ(Text(), "xabx xabx\nxabx");
    EXPECT_EQ(edit.GetUndoCount(), 6);
    // Nothing to find: the user is told.
    std::string shown;
    uitest::WhenModalOpens([&](QWidget* box) {
        if (auto* m = qobject_cast<QMessageBox*>(box)) shown = m->text().toStdString();
        box->close();
    });
    notify(FR_FINDNEXT, "nothing");
    EXPECT_EQ(shown, "Cannot find \"nothing\"");
}

TEST_F(ColorRichEditTest, CommandEnablingFollowsStateAndSelection) {
    // 1 enabled, 0 disabled, -1 when nobody answered for the command.
    auto enabled = [&](UINT id) {
        struct Probe : CCmdUI {
            int on = -1;
            void Enable(BOOL e) override { on = e ? 1 : 0; }
        } probe;
        probe.m_nID = id;
        probe.DoUpdate(&edit);
        return probe.on;
    };
    edit.SetWindowText("");
    EXPECT_EQ(enabled(0xE12A), 0);  // select all: no text
    EXPECT_EQ(enabled(0xE12B), 0);  // undo: nothing done
    Type("int");
    EXPECT_EQ(enabled(0xE12B), 1);
    EXPECT_EQ(enabled(0xE122), 0);  // copy: no selection
    edit.SendMessage(WM_COMMAND, 0xE12A);
    EXPECT_EQ(enabled(0xE122), 1);
    EXPECT_EQ(enabled(0xE123), 1);
    TBGetClipboardHub().SetText("x");
    EXPECT_EQ(enabled(0xE125), 1);
    edit.SendMessage(WM_COMMAND, 0xE120);  // clear
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(enabled(0xE12B), 1);
    // The context menu lists the popup "ColorRichEdit" with the same enabling.
    EXPECT_EQ(uitest::ContextMenuItems(Widget()->viewport(), QPoint(20, 10)), (std::vector<std::string>{"&Undo+", "&Redo-", "Cu&t-", "&Copy-", "&Paste+", "Select &All-",
                                               "&Find+", "R&eplace+"}));
}

TEST_F(ColorRichEditTest, HooksReportCaretPanesAndTimer) {
    edit.SetWindowText("\tab\ncd");
    edit.carets.clear();
    edit.SetSel(2, 2);
    ASSERT_FALSE(edit.carets.empty());
    EXPECT_EQ(edit.carets.back(), std::make_pair(5, 0));  // the tab counts four columns
    const int timers = edit.timers;
    Key(Qt::Key_Down);
    EXPECT_EQ(edit.carets.back().second, 1);
    EXPECT_EQ(edit.timers, timers + 1);
    EXPECT_FALSE(edit.IsEditModify());  // moving the caret changes nothing
    edit.SetModifyFlag();
    EXPECT_EQ(edit.timers, timers + 2);
    EXPECT_TRUE(edit.IsEditModify());
    edit.ResetModifyFlag();  // every change of the modified flag starts the timer
    EXPECT_EQ(edit.timers, timers + 3);
    EXPECT_FALSE(edit.IsEditModify());
    edit.panes.clear();
    parent.SetFocus();
    RunEvents();
    EXPECT_EQ(edit.panes, (std::vector<std::string>{"59136=", "59140="}));
    edit.SetUseOutSideMainFrame(TRUE);
    edit.SetFocus();
    RunEvents();
    edit.SetModifyFlag();
    EXPECT_EQ(edit.panes.size(), 2u);
    EXPECT_EQ(edit.timers, timers + 3);
}

TEST_F(ColorRichEditTest, ConfiguredDescriptionsLoadFromBesideTheLibrary) {
    EXPECT_FALSE(edit.LoadSyntaxDescription("NoSuchSyntax"));
    EXPECT_TRUE(edit.LoadSyntaxDescription("SPICE"));
    edit.SetWindowText("* comment\n.tran 1n 1u");
    EXPECT_EQ(ColourAt(0, 3), RGB(0, 128, 0));
    EXPECT_EQ(ColourAt(1, 1), RGB(0, 0, 255));
    EXPECT_TRUE(edit.LoadSyntaxDescription("Formula"));
    edit.ChangeColorBySetWindowText(FALSE);
    edit.SetWindowText("IF (x) {");
    EXPECT_EQ(ColourAt(0, 0), 0u);
    edit.DetermineColorDscr(0, FALSE);
    EXPECT_EQ(ColourAt(0, 0), RGB(0, 0, 255));
}

TEST_F(ColorRichEditReadOnly, SelectsCopiesAndFindsButChangesNothing) {
    edit.SetWindowText("keep me");
    edit.SetSel(0, 4);
    for (Qt::Key key : {Qt::Key_X, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return}) Key(key);
    Key(Qt::Key_V, Qt::ControlModifier);
    edit.Clear();
    EXPECT_EQ(Text(), "keep me");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(TBGetClipboardHub().GetText(), "keep");
    EXPECT_FALSE(edit.CanUndo());
}
