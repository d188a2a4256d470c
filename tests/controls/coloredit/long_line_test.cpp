// Colouring lines far longer than anyone types: time near-linear in the line's
// length, a step budget that bounds every search (literals included), one state
// table for all the patterns of a description, and no exception out of the colouring
// when memory runs out.
#include "controls/coloredit/model/line_list.h"
#include "controls/coloredit/model/pattern.h"

#include "support/child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(LongLines, ATokenOnEveryOtherColumnOfAMegabyteLine) {
    // Took minutes when every new span looked at all the spans before it.
    CTBSyntaxDscrColorRichEdit d;
    ASSERT_TRUE(d.AddRange("<", ">", 1));
    ASSERT_TRUE(d.AddToken("a", "[ <>]", "[ <>]", 2));
    ASSERT_TRUE(d.AddToken("[a-z]", "[ <>]", "[ <>]", 3));  // every match lies on a span of the first
    std::string text;
    for (int i = 0; i < 1 << 19; ++i) text += i % 1000 == 500 ? "<>" : "a ";
    CTBColorRichEditLine line(text.c_str());
    const auto start = std::chrono::steady_clock::now();
    line.DetermineColorDscr(nullptr, &d);
    EXPECT_LT(Seconds(start), 15.0);  // about 0.5 s; far beyond a minute before
    const auto& spans = line.GetColorDscr();
    ASSERT_EQ(spans.size(), std::size_t(1) << 19);
    EXPECT_EQ(spans[0], (sColorDscrColorRichEdit{0, 0, 2}));
    EXPECT_EQ(spans[500], (sColorDscrColorRichEdit{1000, 1001, 1}));
    EXPECT_EQ(spans.back(), (sColorDscrColorRichEdit{(1 << 20) - 2, (1 << 20) - 2, 2}));
}

TEST(LongLines, ALongLiteralStopsWhenTheLinesStepsAreSpent) {
    // 30,000 bytes compared at almost every column: hours of steps, never limited
    // before because the pattern has no alternatives.
    const std::string literal = std::string(29999, 'a') + "b";
    CTBSyntaxDscrColorRichEdit d;
    ASSERT_TRUE(d.AddToken(literal.c_str(), "[ ]", "[ ]", 2));
    ASSERT_TRUE(d.AddToken("x", "[ ]", "[ ]", 3));
    const std::string text = std::string(200000, 'a') + " x";
    CTBColorRichEditLine line(text.c_str());
    const auto start = std::chrono::steady_clock::now();
    line.DetermineColorDscr(nullptr, &d);
    EXPECT_LT(Seconds(start), 10.0);  // about 0.3 s; 48 s before
    // The other entry still has its share of the line's steps.
    ASSERT_EQ(line.GetColorDscr().size(), 1u);
    EXPECT_EQ(line.GetColorDscr()[0], (sColorDscrColorRichEdit{200001, 200001, 3}));

    tb_coloredit::CPattern p;
    ASSERT_TRUE(p.Compile(literal));
    int offset = 0, length = 0;
    EXPECT_FALSE(p.Search(text, 0, offset, length));
    EXPECT_EQ(p.LastError(), tb_coloredit::pattern_error::kStepLimit);
    // A context's steps are shared by its searches.
    tb_coloredit::CMatchContext context(1000);
    ASSERT_TRUE(p.Compile("a*b"));
    EXPECT_TRUE(p.Search("aab", 0, offset, length, context));
    EXPECT_LT(context.StepsLeft(), 1000);
    EXPECT_FALSE(p.Search(std::string(2000, 'a') + "b", 0, offset, length, context));
    EXPECT_LE(context.StepsLeft(), 0);
}

/// A description of `count` token entries whose pattern has a choice, over a line of
/// `columns` a's (and "qx" at its end): each search wants a state table of
/// 6 x columns bits.
struct ChoiceTokens {
    ChoiceTokens(int count, std::size_t columns) : line((std::string(columns, 'a') + "qx").c_str()) {
        for (int i = 0; i < count; ++i) d.AddToken("q(x|y)", ".", ".", 7);
    }
    CTBSyntaxDscrColorRichEdit d;
    CTBColorRichEditLine line;
};

TEST(LongLines, ThePatternsOfADescriptionShareOneStateTable) {
    if (tbtest::kUnderSanitizer) GTEST_SKIP() << "resident memory means nothing under a sanitizer";
    // 64 tables of 2 MB each were kept by their patterns.
    EXPECT_EQ(tbtest::ExitCodeInChild([] {
                  ChoiceTokens tokens(64, 2700000);
                  if (tokens.d.GetTokenCount() != 64) return 2;
                  const std::size_t before = tbtest::PeakResident();
                  tokens.line.DetermineColorDscr(nullptr, &tokens.d);
                  if (tokens.line.GetColorDscr().size() != 1) return 3;
                  return tbtest::PeakResident() - before < (48u << 20) ? 0 : 1;
              }),
              0);
}

TEST(LongLines, NoMemoryForTheStateTableLetsNoExceptionOut) {
    if (tbtest::kUnderSanitizer) GTEST_SKIP() << "address space limits mean nothing under a sanitizer";
    // The table would take 4.1 MB where 1 MB is left: std::bad_alloc ended the program.
    EXPECT_EQ(tbtest::ExitCodeInChild([] {
                  ChoiceTokens tokens(1, 5500000);
                  if (!tbtest::LimitAddressSpace(2u << 20)) return 2;
                  tbtest::TakeAllMemoryBut(1u << 20);
                  tokens.line.DetermineColorDscr(nullptr, &tokens.d);
                  // Without its table the search still finds the token.
                  const auto& spans = tokens.line.GetColorDscr();
                  return spans.size() == 1 && spans[0].first == 5500000 ? 0 : 1;
              }),
              0);
}

}  // namespace
