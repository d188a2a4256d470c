// Lines: tab expansion, editing with tabs laid out anew, positions, and the data a
// line carries for its user.
#include <toolbox/ui/color_rich_edit_syntax.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<sTabColorRichEdit> Tabs(std::initializer_list<sTabColorRichEdit> tabs) { return tabs; }

/// The line must hold exactly what expanding its own real text gives.
void ExpectConsistent(const CTBColorRichEditLine& line) {
    const CString real = line.GetRealString();
    const CTBColorRichEditLine fresh(real.GetString(), real.GetLength());
    EXPECT_EQ(line.GetText(), fresh.GetText()) << real.str();
    EXPECT_EQ(line.GetTabs(), fresh.GetTabs()) << real.str();
}

TEST(Line, TabsExpandToTheNextMultipleOfFour) {
    const CTBColorRichEditLine line("\tab\tc\t\td");
    EXPECT_EQ(line.GetText(), "    ab  c       d");
    EXPECT_EQ(line.GetTabs(), Tabs({{0, 4}, {6, 2}, {9, 3}, {12, 4}}));
    EXPECT_EQ(line.GetRealString(), "\tab\tc\t\td");
    EXPECT_EQ(line.GetRealString(4, 8), "ab\tc");
    EXPECT_EQ(line.GetRealString(9, 9), "\t");
    EXPECT_EQ(line.GetRealString(5, 4), "");
    // Real positions and columns convert both ways; a column inside a tab is the tab.
    EXPECT_EQ(line.RealToColumn(1), 4);
    EXPECT_EQ(line.RealToColumn(4), 8);
    EXPECT_EQ(line.RealToColumn(7), 16);
    EXPECT_EQ(line.ColumnToReal(16), 7);
    EXPECT_EQ(line.ColumnToReal(8), 4);
    EXPECT_EQ(line.ColumnToReal(2), 0);
    EXPECT_EQ(line.ColumnToReal(7), 3);
}

TEST(Line, InsertingBeforeATabShrinksItUntilItWrapsToFour) {
    CTBColorRichEditLine line("ab\tc");
    EXPECT_EQ(line.GetTabs(), Tabs({{2, 2}}));
    line.InsertChar(0, 'x');
    EXPECT_EQ(line.GetText(), "xab c");
    EXPECT_EQ(line.GetTabs(), Tabs({{3, 1}}));
    line.InsertChar(0, 'y');
    EXPECT_EQ(line.GetText(), "yxab    c");
    EXPECT_EQ(line.GetTabs(), Tabs({{4, 4}}));
    EXPECT_EQ(line.GetText().Find('c'), 8);  // still on a tab stop
    // A tab typed before other tabs: the later ones keep their stops.
    line.InsertChar(1, '\t');
    EXPECT_EQ(line.GetRealString(), "y\txab\tc");
    ExpectConsistent(line);
    line.DeleteChar(1);  // the whole tab goes
    EXPECT_EQ(line.GetRealString(), "yxab\tc");
    line.DeleteChar(6);  // a column inside a tab's spaces takes the tab
    EXPECT_EQ(line.GetRealString(), "yxabc");
    ExpectConsistent(line);
}

TEST(Line, RandomEditsKeepTheLineEqualToItsRealText) {
    std::mt19937 random(7);
    const char alphabet[] = "ab \t\t";
    for (int round = 0; round < 200; ++round) {
        CTBColorRichEditLine line("a\tb\t\tc");
        for (int step = 0; step < 30; ++step) {
            const int column = static_cast<int>(random() % static_cast<unsigned>(line.GetLength() + 1));
            switch (random() % 4) {
                case 0: line.InsertChar(column, alphabet[random() % 5]); break;
                case 1: line.DeleteChar(column); break;
                case 2: line.DeleteColumns(column, column + static_cast<int>(random() % 6)); break;
                default: line.OverwriteChar(column, alphabet[random() % 5]); break;
            }
            ExpectConsistent(line);
            if (HasFailure()) return;
        }
    }
}

TEST(Line, CopiesLeaveTheSpansAndTheBookmarkBehind) {
    CTBSyntaxDscrColorRichEdit description;
    ASSERT_TRUE(description.AddRange("/\\*", "\\*/", RGB(0, 128, 0)));
    CTBColorRichEditLine line(1, 2, 3, 4, 'q', "x /* y", CPoint(5, 6));
    line.DetermineColorDscr(nullptr, &description);
    ASSERT_EQ(line.GetColorDscr().size(), 1u);
    EXPECT_EQ(line.InvertBookMark(), 1);
    const CTBColorRichEditLine copy(line);
    EXPECT_EQ(copy.GetText(), "x /* y");
    EXPECT_EQ(copy.GetOpenRangeAtEnd(), 0);
    EXPECT_TRUE(copy.GetColorDscr().empty());
    EXPECT_EQ(copy.HasBookMark(), 0);
    EXPECT_EQ(copy.GetType() * 1000 + copy.GetYPos() * 100 + copy.GetXPos() * 10 + copy.GetBreak(), 1234);
    EXPECT_EQ(copy.GetChar(), 'q');
    EXPECT_EQ(copy.GetXEndPos() * 10 + copy.GetYEndPos(), 56);
    EXPECT_EQ(line.InvertBookMark(), -1);
    line.InvertBookMark();
    line.SetUndoInf(9, 8, 7, 6, CPoint(1, 2));
    EXPECT_EQ(line.HasBookMark(), 0);
    EXPECT_EQ(line.GetType(), 9);
}

}  // namespace
