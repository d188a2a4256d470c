// The pattern dialect: what compiles and with which error, where matches start and how
// long they are, case rewriting, and that nested closures cannot blow up.
#include "controls/coloredit/model/pattern.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using tb_coloredit::CaseInsensitivePattern;
using tb_coloredit::CPattern;

namespace {

/// "offset,length" of the search from `from`, or "none".
std::string Found(const char* pattern, std::string_view subject, std::size_t from = 0, bool caseSensitive = true) {
    CPattern p;
    if (!p.Compile(pattern, caseSensitive)) return "error: " + p.LastError();
    int offset = 0, length = 0;
    if (!p.Search(subject, from, offset, length)) return "none";
    return std::to_string(offset) + "," + std::to_string(length);
}

std::string CompileError(std::string_view pattern) {
    CPattern p;
    return p.Compile(pattern) ? std::string() : p.LastError();
}

TEST(Pattern, CompileErrorsUseTheDialectsTexts) {
    EXPECT_EQ(CompileError("a(b"), "unterminated ()");
    EXPECT_EQ(CompileError("ab)"), "unmatched ()");
    EXPECT_EQ(CompileError("(a*)*"), "*+ operand could be empty");
    EXPECT_EQ(CompileError("(a|)+"), "*+ operand could be empty");
    EXPECT_EQ(CompileError("^*"), "*+ operand could be empty");
    EXPECT_EQ(CompileError("a**"), "nested *?+");
    EXPECT_EQ(CompileError("a?+"), "nested *?+");
    EXPECT_EQ(CompileError("[z-a]"), "invalid [] range");
    EXPECT_EQ(CompileError("[abc"), "unmatched []");
    EXPECT_EQ(CompileError("[]"), "unmatched []");
    EXPECT_EQ(CompileError("*a"), "?+* follows nothing");
    EXPECT_EQ(CompileError("a|?"), "?+* follows nothing");
    EXPECT_EQ(CompileError("ab\\"), "trailing \\");
    EXPECT_EQ(CompileError("(((((((((a)))))))))"), "");
    EXPECT_EQ(CompileError("((((((((((a))))))))))"), "too many ()");
    EXPECT_EQ(CompileError(std::string(32760, 'a')), "regexp too big");
    EXPECT_EQ(CompileError(std::string(32750, 'a')), "");
    // Empty branches and groups, "?" on an empty operand, a lone "]" are fine.
    for (const char* fine : {"", "a|", "()", "(a?)?", "]", "[]a]", "[^]a]", "[a-]", "{x}", "a\\*"})
        EXPECT_EQ(CompileError(fine), "") << fine;
    CPattern p;
    EXPECT_FALSE(p.Compile(static_cast<const char*>(nullptr)));
    EXPECT_EQ(p.LastError(), "NULL argument to regcomp");
    int offset, length;
    EXPECT_FALSE(p.Search("abc", 0, offset, length));
    EXPECT_EQ(p.LastError(), "NULL regexp");
}

TEST(Pattern, SearchFindsTheLeftmostMatchInPriorityOrder) {
    EXPECT_EQ(Found("b+", "aabbbc"), "2,3");
    EXPECT_EQ(Found("b+", "aabbbc", 3), "0,2");      // offset counts from the start position
    EXPECT_EQ(Found("a|ab", "xab"), "1,1");          // the left branch wins at the same start
    EXPECT_EQ(Found("ab|a", "xab"), "1,2");
    EXPECT_EQ(Found("a*ab", "aaab"), "0,4");         // closures give back what the rest needs
    EXPECT_EQ(Found("(ab)+c", "ababab abababc"), "7,7");
    EXPECT_EQ(Found("x?y", "xy y"), "0,2");
    EXPECT_EQ(Found("a*", "bbb"), "0,0");            // an empty match at the start
    EXPECT_EQ(Found(".", ""), "none");
    EXPECT_EQ(Found("c", "abc", 3), "none");
    EXPECT_EQ(Found("c", "abc", 7), "none");
    // Anchors: the subject's start and end only, whatever the search start.
    EXPECT_EQ(Found("^a", "aa", 1), "none");
    EXPECT_EQ(Found("^a", "ba"), "none");
    EXPECT_EQ(Found("a$", "aba"), "2,1");
    EXPECT_EQ(Found("$", "abc", 1), "2,0");
    // Sets: ranges, complements, literal "]" and "-", backslash taken as itself.
    EXPECT_EQ(Found("[0-9]+", "R1 4.7k"), "1,1");
    EXPECT_EQ(Found("[^ ]+", "  ab c"), "2,2");
    EXPECT_EQ(Found("[]x]+", "a]x]b"), "1,3");
    EXPECT_EQ(Found("[a-]+", "b-a-c"), "1,3");
    EXPECT_EQ(Found("[a-c-e]+", "xdeb-"), "1,3");    // "-e" counts from the range's end
    EXPECT_EQ(Found("[\\]+", "a\\\\b"), "1,2");
    EXPECT_EQ(Found("\\.[a-z]+", "x .tran"), "2,5");
    EXPECT_EQ(Found("a.c", std::string_view("xa\0c", 4)), "1,3");  // bytes, NUL included
    EXPECT_EQ(Found("\xC2\xB5", "5 \xC2\xB5s"), "2,2");
}

TEST(Pattern, CaseRewritingLeavesSetsAsWritten) {
    EXPECT_EQ(CaseInsensitivePattern("if"), "[Ii][Ff]");
    EXPECT_EQ(CaseInsensitivePattern("[a-z]x\\y\\.\\"), "[a-z][Xx][Yy]\\.\\");
    EXPECT_EQ(CaseInsensitivePattern("[]a]b[^-c]d"), "[]a][Bb][^-c][Dd]");
    EXPECT_EQ(Found("if", "x IF y", 0, false), "2,2");
    EXPECT_EQ(Found("if", "x If y", 0, false), "2,2");
    EXPECT_EQ(Found("[a-z]+", "IF if", 0, false), "3,2");
    EXPECT_EQ(Found("meg", "4.7MEG", 0, false), "3,3");
}

TEST(Pattern, MatchAtIsAnchoredAndAgreesWithSearch) {
    CPattern p;
    ASSERT_TRUE(p.Compile("[ \t(]"));
    int length = 0;
    EXPECT_TRUE(p.MatchAt("a (b", 1, length));
    EXPECT_EQ(length, 1);
    EXPECT_FALSE(p.MatchAt("a (b", 0, length));
    EXPECT_FALSE(p.MatchAt("a", 1, length));  // nothing left to match
}

TEST(Pattern, NestedClosuresStayPolynomial) {
    // Exponential for a plain backtracker: 2^40 ways to split the a's.
    const std::string subject(40, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Found("(a|aa)*b", subject), "none");
    EXPECT_EQ(Found("(a|aa)*$", subject), "0,40");
    EXPECT_EQ(Found("((a+)+)+c", std::string(3000, 'a')), "none");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
}

}  // namespace
