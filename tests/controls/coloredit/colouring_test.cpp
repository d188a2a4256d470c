// Colouring: golden files (a text beside its expected spans, a .new file written on a
// mismatch), the rules for ranges and tokens, descriptions loaded from text and files,
// and re-colouring that stops where the range state stops changing.
#include "controls/coloredit/model/line_list.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

using tb_coloredit::CLineList;
using tb_coloredit::CTextPlace;

namespace {

const std::string kData = std::string(TOOLBOX_TEST_DATA) + "/coloredit/";
const std::string kShipped = std::string(TOOLBOX_SOURCE_DIR) + "/controls/coloredit/data/toolbox-syntax/";

using Description = std::unique_ptr<CTBSyntaxDscrColorRichEdit, void (*)(CTBSyntaxDscrColorRichEdit*)>;

Description Load(const std::string& path) {
    Description d(new CTBSyntaxDscrColorRichEdit, TBFreeSyntaxDescrforColorRichEdit);
    TBLoadSyntaxDescrforColorRichEdit(path.c_str(), d.get());
    return d;
}
Description FromText(const std::string& text) {
    Description d(new CTBSyntaxDscrColorRichEdit, TBFreeSyntaxDescrforColorRichEdit);
    TBLoadSyntaxDescrFromText(text.data(), static_cast<int>(text.size()), d.get());
    return d;
}

/// Every span of every line: "line first last colour" rows.
std::string Spans(const CLineList& lines) {
    std::string out;
    char row[64];
    for (int i = 0; i < lines.GetCount(); ++i)
        for (const sColorDscrColorRichEdit& s : lines.Line(i).GetColorDscr()) {
            std::snprintf(row, sizeof row, "%d %d %d 0x%06X\n", i, s.first, s.last, static_cast<unsigned>(s.color));
            out += row;
        }
    return out;
}

/// The spans of one line as "first-last:colour" items, for the rule tests.
std::string LineSpans(const CTBColorRichEditLine& line) {
    std::ostringstream out;
    for (const sColorDscrColorRichEdit& s : line.GetColorDscr())
        out << s.first << "-" << s.last << ":" << s.color << " ";
    return out.str();
}

std::string ColourOne(const char* text, const CTBSyntaxDscrColorRichEdit& description) {
    CTBColorRichEditLine line(text);
    line.DetermineColorDscr(nullptr, &description);
    return LineSpans(line);
}

void ExpectGolden(const std::string& textFile, const std::string& descriptionFile) {
    const std::string text = tbtest::ReadFile(kData + textFile);
    ASSERT_FALSE(text.empty()) << textFile;
    const Description description = Load(descriptionFile);
    ASSERT_GT(description->GetTokenCount(), 0) << descriptionFile;
    CLineList lines;
    lines.SetText(text);
    lines.Colour(0, lines.GetCount() - 1, false, description.get());
    const std::string actual = "# line first last colour (0x00BBGGRR), columns with tabs expanded\n" + Spans(lines);
    const std::string expectedFile = kData + textFile + ".spans";
    if (actual != tbtest::ReadFile(expectedFile)) {
        tbtest::WriteFile(expectedFile + ".new", actual);
        ADD_FAILURE() << "colours differ from " << expectedFile << "; see " << expectedFile << ".new";
    }
}

TEST(ColouringGolden, ShippedAndEdgeDescriptions) {
    ExpectGolden("netlist.cir", kShipped + "spice.syn");
    ExpectGolden("formula.txt", kShipped + "formula.syn");
    ExpectGolden("block_comments.txt", kData + "block_comments.syn");
}

TEST(ColouringRules, TokensNeedSeparatorsOnlyInsideTheLine) {
    CTBSyntaxDscrColorRichEdit d;
    ASSERT_TRUE(d.AddToken("R[0-9]+", "[ ]", "[ ]", 7));
    EXPECT_EQ(ColourOne("R1", d), "0-1:7 ");        // column 0 and line end: no separators needed
    EXPECT_EQ(ColourOne("xR1 R2 R3x", d), "4-5:7 ");  // separators checked at s-1 and e+1
    // Overlapping tokens: the earlier entry wins, ranges hide tokens.
    ASSERT_TRUE(d.AddToken("[A-Z][0-9]+", "[ ]", "[ ]", 8));
    ASSERT_TRUE(d.AddRange(";", "$", 9));
    EXPECT_EQ(ColourOne("R1 C2 ; R3", d), "0-1:7 3-4:8 6-9:9 ");
}

TEST(ColouringRules, RangesAtTheSameColumnTakeTheLaterEntry) {
    CTBSyntaxDscrColorRichEdit d;
    ASSERT_TRUE(d.AddRange("/\\*", "\\*/", 1));
    ASSERT_TRUE(d.AddRange("/\\*\\*", "\\*/", 2));
    EXPECT_EQ(ColourOne("a /** b */ c /* d */", d), "2-9:2 13-19:1 ");
    // Empty open and close matches colour nothing and do not hang.
    ASSERT_TRUE(d.AddRange("x*", "y*", 3));
    EXPECT_EQ(ColourOne("abc", d), "");
}

TEST(ColouringRules, GroupCaseRuleKeepsSetsCaseSensitive) {
    const Description d = FromText(
        "[Tokens]\nNumberOfTokenGroups=2\nTokenGroup0=Kw\nTokenGroup1=Lower\n"
        "[Kw]\nColor=1\nCaseSensitivity=0\nStdStartSep=[ ]\nStdStopSep=[ ]\nNumberOfDscr=1\nTokenDscr0=if\n"
        "[Lower]\nColor=2\nCaseSensitivity=0\nStdStartSep=[ ]\nStdStopSep=[ ]\nNumberOfDscr=1\nTokenDscr0=[a-z]+\n");
    ASSERT_EQ(d->GetTokenCount(), 2);
    EXPECT_EQ(ColourOne("IF If if ELSE else", *d), "0-1:1 3-4:1 6-7:1 14-17:2 ");
}

TEST(ColouringRules, LoaderKeepsOrderDefaultsAndSkipsBadEntries) {
    const Description d = FromText(
        "[General]\nCaseSensitivity=0\n"
        "[Ranges]\nNumberOfRangeGroups=2\nRangeGroup0=B\nRangeGroup1=A\n"
        "[A]\nColor=255\nNumberOfDscr=3\nOpen0=<\nClose0=>\nOpen1=(\nClose1=x\nOpen2=\"\nClose2=\"\n"
        "[B]\nColor=65280\nNumberOfDscr=2000000000\nOpen7=a\nClose7=b\nOpen3=c\nClose3=\nOpen5=d\nClose5=e\n"
        "[Tokens]\nNumberOfTokenGroups=1\nTokenGroup0=T\n"
        "[T]\nStdStartSep=[ ]\nStdStopSep=[ ]\nNumberOfDscr=3\nTokenDscr0=k\nStopSep0=;\n"
        "TokenDscr1=m\nStartSep1=\nTokenDscr2=n\nTokenDscr3=z\n");
    // Group B first (index order), its entries 5 and 7; then A without the "(" entry.
    ASSERT_EQ(d->GetRangeCount(), 4);
    EXPECT_EQ(d->GetRange(0).m_open, "d");
    EXPECT_EQ(d->GetRange(1).m_open, "a");
    EXPECT_EQ(d->GetRange(1).m_color, 65280u);
    EXPECT_EQ(d->GetRange(2).m_open, "<");
    EXPECT_EQ(d->GetRange(3).m_open, "\"");
    // Token 1 has an empty start separator, token 3 lies beyond the count.
    ASSERT_EQ(d->GetTokenCount(), 2);
    EXPECT_EQ(d->GetToken(0).m_stopSep, ";");
    EXPECT_EQ(d->GetToken(1).m_token, "n");
    EXPECT_EQ(d->GetToken(1).m_startSep, "[ ]");
    EXPECT_EQ(ColourOne("A", *d), "0-0:65280 ");  // the general case rule reached the group

    const Description missing = Load(kData + "no such file.syn");
    EXPECT_EQ(missing->GetRangeCount() + missing->GetTokenCount(), 0);
    TBLoadSyntaxDescrforColorRichEdit("", missing.get());
    TBLoadSyntaxDescrforColorRichEdit(kShipped + "spice.syn", nullptr);
    TBFreeSyntaxDescrforColorRichEdit(nullptr);
}

// ------------------------------------------------------------------ the line list

/// Types text at (line, offset) one byte at a time as the editor does, re-colouring
/// after each; returns how many lines the last keystroke re-coloured.
int Type(CLineList& lines, CTextPlace at, const std::string& text, const CTBSyntaxDscrColorRichEdit& d) {
    int coloured = 0;
    for (char c : text) {
        const int last = lines.Replace(at, at, std::string(1, c));
        coloured = lines.Colour(at.line, last, true, &d) - at.line + 1;
        ++at.offset;
    }
    return coloured;
}

TEST(LineList, TypingACloseRecoloursUntilTheStateStopsChanging) {
    CTBSyntaxDscrColorRichEdit d;
    ASSERT_TRUE(d.AddRange("/\\*", "\\*/", 1));
    ASSERT_TRUE(d.AddToken("int", "[ ]", "[ ]", 2));
    CLineList lines;
    lines.SetText("a\nint b\n/* c\nint d\nint e\n*/ int f\nint g");
    lines.Colour(0, lines.GetCount() - 1, false, &d);
    EXPECT_EQ(LineSpans(lines.Line(3)), "0-4:1 ");
    EXPECT_EQ(LineSpans(lines.Line(5)), "0-1:1 3-5:2 ");
    // Closing the comment on line 2 re-colours lines 2 to 5; line 5 ends as before.
    EXPECT_EQ(Type(lines, {2, 4}, "*", d), 1);  // "/* c*": no close yet, nothing changes
    EXPECT_EQ(Type(lines, {2, 5}, "/", d), 4);
    EXPECT_EQ(LineSpans(lines.Line(3)), "0-2:2 ");
    EXPECT_EQ(LineSpans(lines.Line(5)), "3-5:2 ");
    EXPECT_EQ(LineSpans(lines.Line(6)), "0-2:2 ");
    // Opening one again on line 0 reaches down to the close on line 5.
    EXPECT_EQ(Type(lines, {0, 1}, " /", d), 1);
    EXPECT_EQ(Type(lines, {0, 3}, "*", d), 3);
    EXPECT_EQ(LineSpans(lines.Line(1)), "0-4:1 ");
    EXPECT_EQ(LineSpans(lines.Line(2)), "0-5:1 ");  // "/* c*/" closes the range opened above
    EXPECT_EQ(LineSpans(lines.Line(5)), "3-5:2 ");
    EXPECT_EQ(lines.GetText(), "a /*\nint b\n/* c*/\nint d\nint e\n*/ int f\nint g");
}

TEST(LineList, ReplaceAcrossLinesJoinsAndSplits) {
    CLineList lines;
    lines.SetText("one\r\ntwo\rthree\nfour");
    ASSERT_EQ(lines.GetCount(), 4);
    EXPECT_EQ(lines.GetText({0, 1}, {2, 2}, "\r\n"), "ne\r\ntwo\r\nth");
    EXPECT_EQ(lines.Replace({0, 1}, {2, 2}, "X\nY\n\tZ"), 2);
    EXPECT_EQ(lines.GetText(), "oX\nY\n\tZree\nfour");
    EXPECT_EQ(lines.Line(2).GetText(), "    Zree");
    EXPECT_EQ(lines.Replace({1, 0}, {3, 4}, ""), 1);
    EXPECT_EQ(lines.GetText(), "oX\n");
    EXPECT_EQ(lines.Replace({1, 0}, {1, 0}, "\t"), 1);
    EXPECT_EQ(lines.Line(1).GetTabs().size(), 1u);
    EXPECT_EQ(tb_coloredit::Utf16ToByteOffset("a\xC2\xB5" "b\xF0\x9F\x98\x80" "c", 3), 4);
    EXPECT_EQ(tb_coloredit::Utf16ToByteOffset("a\xC2\xB5" "b\xF0\x9F\x98\x80" "c", 5), 8);
    EXPECT_EQ(tb_coloredit::ByteToUtf16Offset("a\xC2\xB5" "b\xF0\x9F\x98\x80" "c", 9), 6);
}

}  // namespace
