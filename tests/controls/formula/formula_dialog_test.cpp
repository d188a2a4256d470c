// The calculator driven as a user drives it: double clicks in its lists, typing, the
// Test and OK buttons; the check runs through the real formula plug-ins and its
// messages are read from the message boxes it shows.
#include "ui_test_support.h"

#include <toolbox/ui/formula_dialog.h>

#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr UINT IDC_FORMULA = 4009;
constexpr UINT IDC_FIND = 4010;
constexpr UINT IDC_VARIABLES = 4012;
constexpr UINT IDC_CATEGORIES = 4013;
constexpr UINT IDC_ENTRIES = 4014;
constexpr UINT IDC_TEST = 4015;

// The host's side: what the callbacks hand over and receive.
CString g_initialFormula;
std::vector<std::pair<CString, CString>> g_variables;
std::vector<CString> g_taken;

void FillVariables(CMapStringToString& map) {
    for (const auto& v : g_variables) map.SetAt(v.first, v.second);
}
void GetFormula(CString& formula) { formula = g_initialFormula; }
void TakeFormula(CString formula) { g_taken.push_back(formula); }

/// Answers every message box with its default button and records its text.
class MessageCatcher {
public:
    MessageCatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                box->defaultButton()->click();
            }
        });
        m_timer.start(5);
    }
    std::vector<std::string> texts;

private:
    QTimer m_timer;
};

class Calculator : public ::testing::Test {
protected:
    void SetUp() override { g_taken.clear(); }
    void TearDown() override { m_dialog.reset(); }

    /// Opens the dialog modeless with the host's formula and variables.
    void Open(long flags, const char* formula, std::vector<std::pair<CString, CString>> variables = {}) {
        g_initialFormula = formula;
        g_variables = std::move(variables);
        m_dialog = std::make_unique<CTBDlgCalculation>();
        m_dialog->InitDialog(flags, FillVariables, GetFormula, TakeFormula);
        ASSERT_TRUE(m_dialog->Create(IDD_TB_CALCULATION, nullptr));
        ASSERT_TRUE(uitest::ShowAndWait(*m_dialog));
        m_dialog->GetWidget()->activateWindow();
        uitest::RunEvents();
    }
    QListWidget* List(UINT id) { return qobject_cast<QListWidget*>(m_dialog->GetDlgItem(id)->GetWidget()); }
    QPlainTextEdit* Formula() { return qobject_cast<QPlainTextEdit*>(m_dialog->GetDlgItem(IDC_FORMULA)->GetWidget()); }
    std::vector<std::string> Lines(UINT id) {
        std::vector<std::string> lines;
        for (int i = 0; i < List(id)->count(); ++i) lines.push_back(List(id)->item(i)->text().toStdString());
        return lines;
    }
    void DoubleClickLine(UINT id, const QString& text) {
        QListWidget* list = List(id);
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        list->scrollToItem(found.front());
        const QPoint at = list->visualItemRect(found.front()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        uitest::RunEvents();
    }
    void ClickLine(UINT id, int row) {
        QListWidget* list = List(id);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        uitest::RunEvents();
    }
    void Press(UINT id) {
        QTest::mouseClick(m_dialog->GetDlgItem(id)->GetWidget(), Qt::LeftButton);
        uitest::RunEvents();
    }
    std::string Text() { return Formula()->toPlainText().toStdString(); }

    std::unique_ptr<CTBDlgCalculation> m_dialog;
};

}  // namespace

TEST_F(Calculator, CatalogueListsSixtyEntriesUnderAllWithTheTemplatesLast) {
    Open(0, "");
    const std::vector<std::string> categories = Lines(IDC_CATEGORIES);
    ASSERT_EQ(categories.size(), 10u);
    EXPECT_EQ(categories[0], "<All>");
    EXPECT_EQ(categories[1], "Trigonometrics");
    EXPECT_EQ(categories[9], "IF ELSE");
    EXPECT_EQ(List(IDC_CATEGORIES)->currentRow(), 0);

    std::vector<std::string> all = Lines(IDC_ENTRIES);
    ASSERT_EQ(all.size(), 60u);
    EXPECT_EQ(all.front(), "sin");
    EXPECT_EQ(std::vector<std::string>(all.end() - 3, all.end()),
              (std::vector<std::string>{"IF( )", "ELSE", "ELSE IF( )"}));

    ClickLine(IDC_CATEGORIES, 2);  // Exponential
    EXPECT_EQ(Lines(IDC_ENTRIES), (std::vector<std::string>{"squ", "^", "sqrt", "root", "exp", "ln", "log"}));
    ClickLine(IDC_CATEGORIES, 7);  // Arithmetric
    EXPECT_EQ(Lines(IDC_ENTRIES).size(), 10u);
    EXPECT_EQ(Lines(IDC_ENTRIES)[4], ":=");
}

TEST_F(Calculator, InsertsFunctionsAroundTheSelectionSymbolsAndVariablesAtTheCaret) {
    Open(0, "a+b", {{"Vin", "Input voltage"}, {"t", ""}});
    EXPECT_EQ(Lines(IDC_VARIABLES).size(), 2u);
    EXPECT_TRUE(List(IDC_VARIABLES)->findItems("Input voltage ( Vin ) ", Qt::MatchExactly).size() == 1);

    // The selection a+b becomes the argument; the caret goes where the selection began.
    m_dialog->GetDlgItem(IDC_FORMULA)->SendMessage(EM_SETSEL, 0, 3);
    DoubleClickLine(IDC_ENTRIES, "sqrt");
    EXPECT_EQ(Text(), "sqrt( a+b ) ");
    EXPECT_EQ(Formula()->textCursor().position(), 0);
    EXPECT_TRUE(Formula()->hasFocus());

    // Symbols and variables go in at the caret with one blank after them.
    m_dialog->GetDlgItem(IDC_FORMULA)->SendMessage(EM_SETSEL, 12, 12);
    DoubleClickLine(IDC_ENTRIES, "*");
    DoubleClickLine(IDC_VARIABLES, "Input voltage ( Vin ) ");
    EXPECT_EQ(Text(), "sqrt( a+b ) * Vin ");
    // A function without a selection comes with empty parentheses.
    DoubleClickLine(IDC_ENTRIES, "sin");
    EXPECT_EQ(Text(), "sqrt( a+b ) * Vin sin(  )  ");
    // A template brings its lines.
    ClickLine(IDC_CATEGORIES, 9);
    Formula()->clear();
    DoubleClickLine(IDC_ENTRIES, "ELSE IF( )");
    EXPECT_EQ(Text(), "ELSE IF( )\n{\n} ");
}

TEST_F(Calculator, CaretStaysVisibleWhileTheFormulaHasNoFocus) {
    Open(0, "x + y", {{"x", ""}});
    auto* caret = Formula()->viewport()->findChild<QWidget*>();
    ASSERT_NE(caret, nullptr);
    EXPECT_FALSE(caret->isVisible()) << "the edit's own caret shows while it has the focus";
    m_dialog->GetDlgItem(IDC_FORMULA)->SendMessage(EM_SETSEL, 2, 2);
    List(IDC_VARIABLES)->setFocus();
    uitest::RunEvents();
    ASSERT_TRUE(caret->isVisible());
    EXPECT_EQ(caret->width(), 2);
    EXPECT_EQ(caret->height(), QFontMetrics(Formula()->font()).ascent());
    EXPECT_EQ(caret->x(), Formula()->cursorRect().left());
    Formula()->setFocus();
    uitest::RunEvents();
    EXPECT_FALSE(caret->isVisible());
}

/// A parent-side log of the edits' reports (0x7EB changed, 0x7ED finish) by control id.
class CReportingCalculator : public CTBDlgCalculation {
public:
    std::vector<std::pair<UINT, int>> reports;  // (message, control id)
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == TBWM_EDITOR_CHANGED || message == TBWM_EDITOR_FINISH)
            reports.emplace_back(message, reinterpret_cast<CWnd*>(wParam)->GetDlgCtrlID());
        return CTBDlgCalculation::WindowProc(message, wParam, lParam);
    }
};

TEST_F(Calculator, FormulaAndFindAreEditorsThatReportTypingAndStillTakeNewLines) {
    CReportingCalculator dialog;
    dialog.InitDialog(0, nullptr, nullptr, nullptr);
    ASSERT_TRUE(dialog.Create(IDD_TB_CALCULATION, nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(dialog));
    for (UINT id : {IDC_FORMULA, IDC_FIND})
        EXPECT_NE(dynamic_cast<CTBOwnEdit*>(CWnd::FromHandlePermanent(dialog.GetDlgItem(id)->m_hWnd)), nullptr) << id;
    QWidget* formula = dialog.GetDlgItem(IDC_FORMULA)->GetWidget();
    formula->setFocus();
    uitest::RunEvents();
    QTest::keyClicks(formula, "a");
    QTest::keyClick(formula, Qt::Key_Return);  // a formula of several lines
    QTest::keyClicks(formula, "b");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(formula)->toPlainText().toStdString(), "a\nb");
    EXPECT_EQ(dialog.reports.back(), std::make_pair(TBWM_EDITOR_CHANGED, static_cast<int>(IDC_FORMULA)));
    dialog.GetDlgItem(IDC_FIND)->GetWidget()->setFocus();
    uitest::RunEvents();
    EXPECT_NE(std::find(dialog.reports.begin(), dialog.reports.end(),
                        std::make_pair(TBWM_EDITOR_FINISH, static_cast<int>(IDC_FORMULA))),
              dialog.reports.end());
    dialog.DestroyWindow();
}

TEST_F(Calculator, FindSelectsTheFirstVariableBeginningWithTheText) {
    Open(0, "", {{"Vin", "Input voltage"}, {"R1", ""}, {"Vout", "Output voltage"}});
    QWidget* find = m_dialog->GetDlgItem(IDC_FIND)->GetWidget();
    find->setFocus();
    QTest::keyClicks(find, "OUT");
    uitest::RunEvents();
    ASSERT_GE(List(IDC_VARIABLES)->currentRow(), 0);
    EXPECT_EQ(List(IDC_VARIABLES)->currentItem()->text().toStdString(), "Output voltage ( Vout ) ");
    // No line begins with "OUTx", and an empty text finds nothing: the selection stays.
    QTest::keyClicks(find, "x");
    for (int i = 0; i < 4; ++i) QTest::keyClick(find, Qt::Key_Backspace);
    EXPECT_EQ(List(IDC_VARIABLES)->currentItem()->text().toStdString(), "Output voltage ( Vout ) ");
}

TEST_F(Calculator, FlagsDecideWhichFormulasOkAccepts) {
    struct Case {
        long flags;
        const char* formula;
        bool xKnown;
        std::vector<std::string> messages;  // empty: accepted
    };
    const Case cases[] = {
        {0, "x := 1", true, {"Assignment operator in expression  \"x := 1\" isn't allowed!"}},
        {2, "x := 1", true, {}},
        {2, "x := 1", false, {"The variable \"x\" does not exist!"}},
        {6, "x := 1", false, {}},
        {1, "1 + 2", true, {"No assignment operator in expression  \"1 + 2\"!"}},
        {0, "IF( x > 1 ) { y := 2 }", true,
         {"Conditional Statement Block in expression \"IF( x > 1 ) { y := 2 }\" is not allowed!"}},
        {2, "IF( x > 1 ) { y := 2 }", true,
         {"Conditional Statement Block in expression \"IF( x > 1 ) { y := 2 }\" is not allowed!"}},
        {1, "IF( x > 1 ) { y := 2 }", true, {}},
        {4, "IF( x > 1 ) { y := 2 }", true, {}},
        {8, "IF( x > 1 ) { y := 2 } ELSE { y := 3 }", true, {}},
        {0, "x + p + q", true, {"The variable \"p\" does not exist!", "The variable \"q\" does not exist!"}},
        {0, "", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.flags) + " " + c.formula);
        g_taken.clear();
        Open(c.flags, c.formula, c.xKnown ? std::vector<std::pair<CString, CString>>{{"x", "the x"}} : std::vector<std::pair<CString, CString>>{});
        MessageCatcher catcher;
        Press(IDOK);
        EXPECT_EQ(catcher.texts, c.messages);
        if (c.messages.empty()) {
            ASSERT_EQ(g_taken.size(), 1u);
            EXPECT_EQ(std::string(g_taken[0]), c.formula);
            EXPECT_FALSE(m_dialog->GetWidget()->isVisible());
        } else {
            EXPECT_TRUE(g_taken.empty());
            EXPECT_TRUE(m_dialog->GetWidget()->isVisible()) << "a rejected formula keeps the dialog open";
        }
    }
}

TEST_F(Calculator, TestReportsScanErrorsInOneMessageAndReturnsTheFocus) {
    Open(0, "sinn(1) + (2", {});
    MessageCatcher catcher;
    Press(IDC_TEST);
    ASSERT_EQ(catcher.texts.size(), 1u);
    EXPECT_NE(catcher.texts[0].find("sinn"), std::string::npos) << catcher.texts[0];
    // The message box took the activation; the formula is the dialog's focus again.
    EXPECT_EQ(m_dialog->GetWidget()->focusWidget(), Formula());
    EXPECT_TRUE(g_taken.empty());
    EXPECT_TRUE(m_dialog->GetWidget()->isVisible());
}

// The calculator resizes: OK keeps its distance from the bottom-right corner and the
// formula grows in width with the window (sharing the gain with the lists beside it).
TEST_F(Calculator, ControlsFollowTheWindowWhenItIsResized) {
    Open(2, "x");
    auto rectOf = [&](UINT id) { return uitest::ChildRect(m_dialog.get(), id); };
    const CRect ok = rectOf(IDOK), formula = rectOf(IDC_FORMULA);
    QWidget* window = m_dialog->GetWidget();
    window->resize(window->width() + 120, window->height() + 60);
    uitest::RunEvents();
    EXPECT_EQ(rectOf(IDOK), uitest::Moved(ok, 120, 60));
    EXPECT_GT(rectOf(IDC_FORMULA).Width(), formula.Width() + 60);
    EXPECT_EQ(rectOf(IDC_FORMULA).left, formula.left);
}
