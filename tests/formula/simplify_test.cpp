// Simplified texts: folding of constant parts, precedence kept in the printed form, and
// the round trip text -> reverse Polish -> simplified text -> reverse Polish -> value.
#include "formula_test_util.h"

#include <cmath>
#include <cstring>
#include <random>

using formula_test::Simplified;

TEST(FormulaSimplify, NumbersOnlyGiveOneNumber) {
    EXPECT_EQ(Simplified("(((5)/1000))"), "0.005");
    EXPECT_EQ(Simplified("(((25)/1000)*9/5+32)"), "32.045");
    EXPECT_EQ(Simplified("((((-40)-32)*5/9))"), "-40");
    EXPECT_EQ(Simplified("1/3"), "0.333333333333333");  // "%.15g"
    EXPECT_EQ(Simplified("2*MATH_PI"), "6.28318530717959");
    EXPECT_EQ(Simplified("1e20*3"), "3e+20");
    EXPECT_EQ(Simplified("4.7u"), "4.7e-06");
    EXPECT_EQ(Simplified("-0"), "0");
    EXPECT_EQ(Simplified("2 > 1 AND NOT 0"), "1");
    EXPECT_EQ(Simplified("x := 3*4"), "x := 12");
}

TEST(FormulaSimplify, ComplexResultsStayReadable) {
    EXPECT_EQ(Simplified("sqrt(-4)"), "(2*sqrt(-1))");
    EXPECT_EQ(Simplified("-sqrt(-4)"), "(-2*sqrt(-1))");
    EXPECT_EQ(Simplified("1 + sqrt(-4)"), "(1+2*sqrt(-1))");
    EXPECT_EQ(Simplified("1 - sqrt(-4)"), "(1-2*sqrt(-1))");
    EXPECT_EQ(Simplified("(1-2*sqrt(-1))"), "(1-2*sqrt(-1))");  // the printed form reads back
    EXPECT_EQ(Simplified("x*sqrt(-1)"), "x*(1*sqrt(-1))");
}

TEST(FormulaSimplify, VariablesKeepTheirPlaceAndConstantsFold) {
    EXPECT_EQ(Simplified("x + 2*3"), "x+6");
    EXPECT_EQ(Simplified("x + 2*3 - 4"), "x+2");
    EXPECT_EQ(Simplified("2 + x + 3"), "x+5");
    EXPECT_EQ(Simplified("5 - (x - 3)"), "8-x");
    EXPECT_EQ(Simplified("5 - (3 - x)"), "x+2");
    EXPECT_EQ(Simplified("(((x)/1000)*9/5+32)"), "x*0.0018+32");
    EXPECT_EQ(Simplified("2/(x/4)"), "8/x");
    EXPECT_EQ(Simplified("x/1e-200/1e-200"), "x/1e-200/1e-200");  // no merge that would underflow
    EXPECT_EQ(Simplified("x*(2+3)*(4-y)"), "x*5*(4-y)");
    EXPECT_EQ(Simplified("sin(x + 0*1) * cos(MATH_PI)"), "sin(x+0)*-1");
    EXPECT_EQ(Simplified("min(x, 2*3, 4)"), "min(x,6,4)");
    EXPECT_EQ(Simplified("x + -3"), "x-3");
    EXPECT_EQ(Simplified("x - -3"), "x+3");
}

TEST(FormulaSimplify, ParenthesesOnlyWhereTheyMatter) {
    EXPECT_EQ(Simplified("(a+b)*c"), "(a+b)*c");
    EXPECT_EQ(Simplified("a+(b*c)"), "a+b*c");
    EXPECT_EQ(Simplified("a-(b-c)"), "a-(b-c)");
    EXPECT_EQ(Simplified("(a-b)-c"), "a-b-c");
    EXPECT_EQ(Simplified("a/(b/c)"), "a/(b/c)");
    EXPECT_EQ(Simplified("a^b^c"), "a^b^c");
    EXPECT_EQ(Simplified("(a^b)^c"), "(a^b)^c");
    EXPECT_EQ(Simplified("-a^2"), "-a^2");
    EXPECT_EQ(Simplified("(-a)^2"), "(-a)^2");
    EXPECT_EQ(Simplified("(-2)^a"), "(-2)^a");
    EXPECT_EQ(Simplified("a^(-2)"), "a^-2");
    EXPECT_EQ(Simplified("NOT (a AND b)"), "NOT (a AND b)");
    EXPECT_EQ(Simplified("(NOT a) AND b"), "NOT a AND b");
    EXPECT_EQ(Simplified("(a OR b) AND c"), "(a OR b) AND c");
    EXPECT_EQ(Simplified("(a < b) = c"), "(a<b)=c");
    EXPECT_EQ(Simplified("a >< b"), "a<>b");
}

TEST(FormulaSimplify, BlocksArePrintedWithTheirBranches) {
    EXPECT_EQ(Simplified("IF(x > 1+1) { y := 2*3 z := y } ELSE IF(x < 0) { y := -1 } ELSE { y := 0 }"),
              "IF(x>2)\n{\n  y := 6\n  z := y\n}\nELSE IF(x<0)\n{\n  y := -1\n}\nELSE\n{\n  y := 0\n}");
    EXPECT_EQ(Simplified("IF(a){IF(b){c:=1}}"), "IF(a)\n{\n  IF(b)\n  {\n    c := 1\n  }\n}");
    EXPECT_EQ(Simplified("a := 1; b := 2"), "a := 1\nb := 2");
}

TEST(FormulaSimplify, ConstantPartsWithoutValueAreErrors) {
    EXPECT_EQ(Simplified("x + 1/0"), "error: '/' at column 6 divides by zero");
    EXPECT_EQ(Simplified("x + 1e300 * 1e300"), "error: '*' at column 11 overflows");
    EXPECT_EQ(Simplified("x * 1e300 * 1e300"), "x*1e+300*1e+300");  // no merge that would overflow
    EXPECT_EQ(Simplified("x + ln(0)"), "error: 'ln' at column 5 is undefined for 0");
}

namespace {

// A random expression over x and y with constants from 0.5 to 8, printed with full
// parentheses so that the parser decides nothing.
std::string RandomExpression(std::mt19937& rng, int depth) {
    std::uniform_int_distribution<int> pick(0, depth <= 0 ? 2 : 11);
    static const char* const kBinary[] = {"+", "-", "*", "/", "^"};
    // Functions that do not magnify the last-digit changes of "%.15g" and of merged
    // constants; sin and cos only of a variable for the same reason.
    static const char* const kUnary[] = {"atan", "sqrt", "abs", "tanh", "atan", "sqrt", "abs"};
    const int k = pick(rng);
    if (k == 0) return std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? "sin(x)" : "x";
    if (k == 1) return std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? "cos(y)" : "y";
    if (k == 2) return std::to_string(std::uniform_int_distribution<int>(1, 16)(rng) * 0.5).substr(0, 4);
    if (k <= 7) {
        const char* op = kBinary[std::uniform_int_distribution<int>(0, 4)(rng)];
        std::string right = RandomExpression(rng, depth - 1);
        if (op[0] == '^') right = std::to_string(std::uniform_int_distribution<int>(0, 3)(rng));
        return "(" + RandomExpression(rng, depth - 1) + op + right + ")";
    }
    if (k == 8) return "-(" + RandomExpression(rng, depth - 1) + ")";
    return std::string(kUnary[std::uniform_int_distribution<int>(0, 6)(rng)]) + "(" + RandomExpression(rng, depth - 1) +
           ")";
}

bool Value(const std::string& text, double x, double y, formula::Value& out) {
    formula::Program p;
    if (!formula::Parse(text, p)) return false;
    formula::Bindings b = formula_test::Bind(p, {{"x", x}, {"y", y}});
    formula::Diagnostic e;
    return formula::Evaluate(p, b, out, e);
}

}  // namespace

TEST(FormulaSimplify, SimplifiedTextKeepsTheValue) {
    std::mt19937 rng(20261206);
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string text = RandomExpression(rng, 5);
        const std::string simple = Simplified(text);
        if (simple.rfind("error:", 0) == 0) continue;  // a constant part without value
        for (double x : {0.75, -1.25, 3.0}) {
            formula::Value a, b;
            const bool okA = Value(text, x, 2.5, a);
            const bool okB = Value(simple, x, 2.5, b);
            if (!okA) continue;  // e.g. a division by a variable that is zero here
            ASSERT_TRUE(okB) << text << " -> " << simple;
            const double scale = std::max(1.0, std::abs(a));
            // Merged constants and "%.15g" change the last digits, not more.
            EXPECT_LE(std::abs(a - b), 1e-7 * scale) << text << " -> " << simple;
            ++compared;
        }
    }
    EXPECT_GT(compared, 6000);
}

TEST(FormulaSimplify, NumbersPrintExactlyLikePercentPoint15g) {
    std::mt19937_64 rng(15);
    std::vector<double> values = {0,
                                  1,
                                  -1,
                                  0.1,
                                  1e-5,
                                  1e-4,
                                  123456789012345.0,
                                  1234567890123456.0,
                                  1e15,
                                  1e16,
                                  0.30000000000000004,
                                  0.3333333333333333,
                                  0.6666666666666666,
                                  9.999999999999999e14,
                                  5e-324,
                                  1.7976931348623157e308,
                                  100,
                                  1e21,
                                  0.001,
                                  12345.678};
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(static_cast<double>(static_cast<int64_t>(rng() % 2000001) - 1000000) /
                         std::pow(10.0, static_cast<double>(rng() % 12)));
    }
    for (double v : values) {
        std::string ours;
        formula::AppendValue(ours, v);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15g", v == 0 ? 0.0 : v);
        ASSERT_EQ(ours, expected) << v;
    }
}
