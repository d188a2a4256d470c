// Expressions with their known values, evaluated from the reverse Polish code.
#include "formula_test_util.h"

#include <cmath>

using formula::Value;
using formula_test::EvaluatesTo;

namespace {
const double kPi = 3.141592653589793;
const Value kI(0, 1);
}  // namespace

TEST(FormulaValues, PrecedenceOfArithmetic) {
    EXPECT_TRUE(EvaluatesTo("1+2*3", 7));
    EXPECT_TRUE(EvaluatesTo("(1+2)*3", 9));
    EXPECT_TRUE(EvaluatesTo("10-4-3", 3));    // left-associative
    EXPECT_TRUE(EvaluatesTo("100/10/5", 2));  // left-associative
    EXPECT_TRUE(EvaluatesTo("2*3^2", 18));    // ^ above *
    EXPECT_TRUE(EvaluatesTo("8/2^2", 2));
    EXPECT_TRUE(EvaluatesTo("1+2 = 3", 1));  // comparison below arithmetic
    EXPECT_TRUE(EvaluatesTo("1 < 2 AND 3 > 4", 0));
    EXPECT_TRUE(EvaluatesTo("1 < 2 OR 3 > 4", 1));
    EXPECT_TRUE(EvaluatesTo("0 AND 0 OR 1", 1));  // AND above OR
    EXPECT_TRUE(EvaluatesTo("1 OR 0 AND 0", 1));
    EXPECT_TRUE(EvaluatesTo("NOT 1 = 2", 1));    // NOT below comparison: NOT (1 = 2)
    EXPECT_TRUE(EvaluatesTo("NOT 0 AND 0", 0));  // NOT above AND
    EXPECT_TRUE(EvaluatesTo("NOT NOT 5", 1));
}

TEST(FormulaValues, PowerIsRightAssociativeAndAboveUnaryMinus) {
    EXPECT_TRUE(EvaluatesTo("2^3^2", 512));
    EXPECT_TRUE(EvaluatesTo("(2^3)^2", 64));
    EXPECT_TRUE(EvaluatesTo("-2^2", -4));
    EXPECT_TRUE(EvaluatesTo("(-2)^2", 4));
    EXPECT_TRUE(EvaluatesTo("2^-1", 0.5));
    EXPECT_TRUE(EvaluatesTo("2^-1^2", 0.5));  // 2^(-(1^2))
    EXPECT_TRUE(EvaluatesTo("-x^2", -9, {{"x", 3}}));
    EXPECT_TRUE(EvaluatesTo("--3", 3));
    EXPECT_TRUE(EvaluatesTo("-+-3", 3));
    EXPECT_TRUE(EvaluatesTo("3--3", 6));
    EXPECT_TRUE(EvaluatesTo("2*-3", -6));
    EXPECT_TRUE(EvaluatesTo("0^0", 1));
}

TEST(FormulaValues, NumbersWithExponentsAndPrefixes) {
    EXPECT_TRUE(EvaluatesTo("1.5e3", 1500));
    EXPECT_TRUE(EvaluatesTo("1.5E+3", 1500));
    EXPECT_TRUE(EvaluatesTo("25e-3", 0.025));
    EXPECT_TRUE(EvaluatesTo(".5", 0.5));
    EXPECT_TRUE(EvaluatesTo("5.", 5));
    EXPECT_TRUE(EvaluatesTo("1f", 1e-15, {}, 0));
    EXPECT_TRUE(EvaluatesTo("2p", 2e-12, {}, 0));
    EXPECT_TRUE(EvaluatesTo("3n", 3e-9, {}, 0));
    EXPECT_TRUE(EvaluatesTo("4.7u", 4.7e-6, {}, 0));  // exactly the double of 4.7e-6
    EXPECT_TRUE(EvaluatesTo("5m", 5e-3, {}, 0));
    EXPECT_TRUE(EvaluatesTo("2.2k", 2200, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1Meg", 1e6, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1MEG", 1e6, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1meg", 1e6, {}, 0));
    EXPECT_TRUE(EvaluatesTo("3G", 3e9, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1.5T", 1.5e12, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1M", 1e-3, {}, 0));  // M is milli, as in the library's numbers
    EXPECT_TRUE(EvaluatesTo("1K", 1e3, {}, 0));
    EXPECT_TRUE(EvaluatesTo("1e3k", 1e6, {}, 0));  // exponent and prefix add up
    EXPECT_TRUE(EvaluatesTo("2k*2", 4000));
    EXPECT_TRUE(EvaluatesTo("1e-400", 0));  // underflows to zero
}

TEST(FormulaValues, FunctionsOfRealArguments) {
    EXPECT_TRUE(EvaluatesTo("sin(MATH_PI/2)", 1));
    EXPECT_TRUE(EvaluatesTo("cos(0)", 1));
    EXPECT_TRUE(EvaluatesTo("tan(MATH_PI/4)", 1));
    EXPECT_TRUE(EvaluatesTo("asin(1)", kPi / 2));
    EXPECT_TRUE(EvaluatesTo("acos(-1)", kPi));
    EXPECT_TRUE(EvaluatesTo("atan(1)", kPi / 4));
    EXPECT_TRUE(EvaluatesTo("atan2(1, -1)", 3 * kPi / 4));
    EXPECT_TRUE(EvaluatesTo("atan2(0, 0)", 0));
    EXPECT_TRUE(EvaluatesTo("sinh(1)", std::sinh(1.0)));
    EXPECT_TRUE(EvaluatesTo("cosh(1)", std::cosh(1.0)));
    EXPECT_TRUE(EvaluatesTo("tanh(0.5)", std::tanh(0.5)));
    EXPECT_TRUE(EvaluatesTo("squ(-3)", 9));
    EXPECT_TRUE(EvaluatesTo("sqrt(2)", std::sqrt(2.0)));
    EXPECT_TRUE(EvaluatesTo("root(27, 3)", 3));
    EXPECT_TRUE(EvaluatesTo("root(-8, 3)", -2));  // odd degree: the real root
    EXPECT_TRUE(EvaluatesTo("exp(1)", std::exp(1.0)));
    EXPECT_TRUE(EvaluatesTo("ln(MATH_E)", 1));
    EXPECT_TRUE(EvaluatesTo("log(1000)", 3));
    EXPECT_TRUE(EvaluatesTo("abs(-2.5)", 2.5));
    EXPECT_TRUE(EvaluatesTo("arg(-1)", kPi));
    EXPECT_TRUE(EvaluatesTo("arg(2)", 0));
    EXPECT_TRUE(EvaluatesTo("re(2)", 2));
    EXPECT_TRUE(EvaluatesTo("im(2)", 0));
    EXPECT_TRUE(EvaluatesTo("sgn(-7)", -1));
    EXPECT_TRUE(EvaluatesTo("sgn(0)", 0));
    EXPECT_TRUE(EvaluatesTo("sgn(3)", 1));
    EXPECT_TRUE(EvaluatesTo("int(-2.75)", -2));      // toward zero
    EXPECT_TRUE(EvaluatesTo("frac(-2.75)", -0.75));  // int + frac = x
    EXPECT_TRUE(EvaluatesTo("int(2.75)+frac(2.75)", 2.75));
    EXPECT_TRUE(EvaluatesTo("rad(180)", kPi));
    EXPECT_TRUE(EvaluatesTo("deg(MATH_PI)", 180));
    EXPECT_TRUE(EvaluatesTo("degel(3*MATH_PI)", 180, {}, 1e-13));
    EXPECT_TRUE(EvaluatesTo("degel(-MATH_PI/2)", 270));
    EXPECT_TRUE(EvaluatesTo("mod(7, 3)", 1));
    EXPECT_TRUE(EvaluatesTo("mod(-1, 360)", 359));  // the sign of the divisor
    EXPECT_TRUE(EvaluatesTo("mod(7, -3)", -2));
    EXPECT_TRUE(EvaluatesTo("min(3, 1, 2)", 1));
    EXPECT_TRUE(EvaluatesTo("max(3, 1, 2)", 3));
    EXPECT_TRUE(EvaluatesTo("min(4)", 4));
    EXPECT_TRUE(EvaluatesTo("SIN(0) + Cos(0)", 1));  // function names ignore case
}

TEST(FormulaValues, ComplexValuesWhereFunctionsNeedThem) {
    EXPECT_TRUE(EvaluatesTo("sqrt(-4)", 2.0 * kI));
    EXPECT_TRUE(EvaluatesTo("sqrt(-1)*sqrt(-1)", -1));
    EXPECT_TRUE(EvaluatesTo("sqrt(-1)^2", -1));
    EXPECT_TRUE(EvaluatesTo("(-4)^0.5", 2.0 * kI));
    EXPECT_TRUE(EvaluatesTo("(-4)^1.5", -8.0 * kI));
    EXPECT_TRUE(EvaluatesTo("root(-4, 2)", 2.0 * kI));
    EXPECT_TRUE(EvaluatesTo("ln(-1)", kPi * kI));
    EXPECT_TRUE(EvaluatesTo("log(-10)", 1.0 + kPi / std::log(10.0) * kI));
    EXPECT_TRUE(EvaluatesTo("asin(2)", std::asin(Value(2))));
    EXPECT_TRUE(EvaluatesTo("acos(2)", std::acos(Value(2))));
    EXPECT_TRUE(EvaluatesTo("abs(3+4*sqrt(-1))", 5));
    EXPECT_TRUE(EvaluatesTo("arg(sqrt(-1))", kPi / 2));
    EXPECT_TRUE(EvaluatesTo("re(3+4*sqrt(-1))", 3));
    EXPECT_TRUE(EvaluatesTo("im(3+4*sqrt(-1))", 4));
    EXPECT_TRUE(EvaluatesTo("exp(MATH_PI*sqrt(-1))", -1, {}, 1e-15));
    EXPECT_TRUE(EvaluatesTo("sgn(3+4*sqrt(-1))", Value(0.6, 0.8)));
    EXPECT_TRUE(EvaluatesTo("z*z", Value(-5, 12), {{"z", Value(2, 3)}}));
    EXPECT_TRUE(EvaluatesTo("(1+2*sqrt(-1)) = (1+2*sqrt(-1))", 1));
    EXPECT_TRUE(EvaluatesTo("sqrt(-1) <> 0", 1));
}

TEST(FormulaValues, ConstantsHoldTheirCodataValues) {
    EXPECT_TRUE(EvaluatesTo("MATH_PI", kPi, {}, 0));
    EXPECT_TRUE(EvaluatesTo("MATH_E", std::exp(1.0), {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_E0", 8.8541878128e-12, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_MU0", 1.25663706212e-6, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_K", 1.380649e-23, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_Q", 1.602176634e-19, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_C", 299792458, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_G", 6.6743e-11, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_H", 6.62607015e-34, {}, 0));
    EXPECT_TRUE(EvaluatesTo("PHYS_T0", 273.15, {}, 0));
    // c^2 = 1/(e0*mu0) to the precision of the measured constants.
    EXPECT_TRUE(EvaluatesTo("1/(PHYS_E0*PHYS_MU0)/PHYS_C^2", 1, {}, 1e-9));
}

TEST(FormulaValues, VariablesAndAssignments) {
    EXPECT_TRUE(EvaluatesTo("(((x)/1000)*9/5+32)", 32.045, {{"x", 25}}, 1e-15));
    EXPECT_TRUE(EvaluatesTo("y := 2*x + 1", 7, {{"x", 3}}));
    EXPECT_TRUE(EvaluatesTo("R_1 * I_load", 10, {{"R_1", 2}, {"I_load", 5}}));
    EXPECT_TRUE(EvaluatesTo("Ω*2", 6, {{"Ω", 3}}));  // UTF-8 letters in names
    EXPECT_TRUE(EvaluatesTo("a <> b", 1, {{"a", 1}, {"b", 2}}));
    EXPECT_TRUE(EvaluatesTo("a >< b", 0, {{"a", 2}, {"b", 2}}));
    EXPECT_TRUE(EvaluatesTo("a <= b AND a >= b", 1, {{"a", 2}, {"b", 2}}));
    EXPECT_TRUE(EvaluatesTo("unset + 1", 1));  // an unbound variable is 0
}

TEST(FormulaValues, ReversePolishCodeReadsInEvaluationOrder) {
    formula::Program program;
    ASSERT_TRUE(formula::Parse("-2^2 + sin(x) * min(1, y, 3)", program));
    EXPECT_EQ(formula::RpnText(program), "2 2 ^ NEG x sin 1 y 3 min/3 * +");
    ASSERT_TRUE(formula::Parse("y := 4.7u*MATH_PI", program));
    EXPECT_EQ(formula::RpnText(program), "4.6999999999999999e-06 MATH_PI * y :=");
    ASSERT_TRUE(formula::Parse("IF(a > 1) { b := 1 } ELSE IF(a < 0) { b := 2 } ELSE { b := 3 }", program));
    EXPECT_EQ(formula::RpnText(program), "IF a 1 > { 1 b := } ELSE IF a 0 < { 2 b := } ELSE { 3 b := }");
    EXPECT_EQ(program.variables, (std::vector<std::string>{"a", "b"}));
}
