// Every error path of the scanner, the parser and the evaluation, with its message.
#include "formula_test_util.h"

using formula_test::EvaluationError;
using formula_test::ParseError;
using formula_test::ParseErrors;

TEST(FormulaErrors, NumbersThatAreNot) {
    EXPECT_EQ(ParseError("2k2"),
              "'2k2' at column 1 is not a number: a prefix such as 'k' ends a number "
              "(write 2.2k for the value, or 2k*2 for a product)");
    EXPECT_EQ(ParseError("1.5megx"),
              "'1.5megx' at column 1 is not a number: a prefix such as 'meg' ends a number "
              "(write 1.5meg*x for a product)");
    EXPECT_EQ(ParseError("1+2x"),
              "'2x' at column 3 is not a number: a name cannot follow a number without an "
              "operator (write 2*x)");
    EXPECT_EQ(ParseError("2e"),
              "'2e' at column 1 is not a number: a name cannot follow a number without an "
              "operator (write 2*e)");
    EXPECT_EQ(ParseError("1.2.3"), "'1.2.3' at column 1 is not a number: a decimal point cannot stand there");
    EXPECT_EQ(ParseError("1e999"), "the number '1e999' at column 1 is too large for a double");
    EXPECT_EQ(ParseError("1e99999999999999999999"),
              "the number '1e99999999999999999999' at column 1 is too large for a double");
}

TEST(FormulaErrors, CharactersAndEncoding) {
    EXPECT_EQ(ParseError("3 $ 4"), "unexpected character '$' at column 3");
    EXPECT_EQ(ParseError("(%v)/1000"), "unexpected character '%' at column 2");
    EXPECT_EQ(ParseError("x \x01"), "unexpected control character 0x01 at column 3");
    EXPECT_EQ(ParseError("x + \xFF"), "invalid UTF-8 byte 0xFF at column 5");
    EXPECT_EQ(ParseError("ab\xC3"), "invalid UTF-8 byte 0xC3 at column 3");        // cut sequence
    EXPECT_EQ(ParseError("\xC0\xAF"), "invalid UTF-8 byte 0xC0 at column 1");      // overlong
    EXPECT_EQ(ParseError("\xED\xA0\x80"), "invalid UTF-8 byte 0xED at column 1");  // surrogate
    EXPECT_EQ(ParseError("µ + \xFF"), "invalid UTF-8 byte 0xFF at column 5");      // columns count characters
    EXPECT_EQ(ParseError(std::string("1 +\0 2", 6)), "unexpected control character 0x00 at column 4");
    EXPECT_EQ(ParseError("x : 3"), "':' must be followed by '=' in an assignment (:=) at column 3");
}

TEST(FormulaErrors, StructureOfExpressions) {
    EXPECT_EQ(ParseError(""), "the formula is empty");
    EXPECT_EQ(ParseError("   \n "), "the formula is empty");
    EXPECT_EQ(ParseError("1 +"), "the formula ends where a value is expected at column 4");
    EXPECT_EQ(ParseError("1 + * 2"), "expected a value but found '*' at column 5");
    EXPECT_EQ(ParseError("1 2"), "an operator is missing before '2' at column 3");
    EXPECT_EQ(ParseError("a b"), "an operator is missing before 'b' at column 3");
    EXPECT_EQ(ParseError("(1 + 2"), "the '(' at column 1 is never closed");
    EXPECT_EQ(ParseError("(1 + 2 3)"), "expected ')' but found '3' at column 8");
    EXPECT_EQ(ParseError("1 + 2)"), "unexpected ')': there is no '(' open at column 6");
    EXPECT_EQ(ParseError("x := "), "the formula ends where a value is expected at column 6");
    EXPECT_EQ(ParseError("2 := x"), "only a variable name can stand left of ':=' at column 3");
    EXPECT_EQ(ParseError("a + b := 1"), "only a variable name can stand left of ':=' at column 7");
    EXPECT_EQ(ParseError("x := 1 2"), "an operator is missing before '2' at column 8");
    EXPECT_EQ(ParseError("1 + 1; x := 2"),
              "the expression at column 1 cannot stand beside other statements; assign its value (NAME := ...)");
    EXPECT_EQ(ParseError("1; 2"),
              "only assignments and conditional blocks can follow one another, found '2' at column 4");
    EXPECT_EQ(ParseError(" ; ;"), "the formula is empty");
    EXPECT_EQ(ParseError("x := 1; 2"),
              "only assignments and conditional blocks can follow one another, found '2' at column 9");
    EXPECT_EQ(ParseError("1 ,"), "unexpected ',' at column 3");
}

TEST(FormulaErrors, FunctionsAndNames) {
    EXPECT_EQ(ParseError("1 + sinn(3)"), "unknown function 'sinn' at column 5");
    EXPECT_EQ(ParseError("sin"), "the function 'sin' at column 1 needs its arguments in parentheses: sin( ... )");
    EXPECT_EQ(ParseError("atan2(1)"), "'atan2' at column 1 takes 2 arguments, not 1");
    EXPECT_EQ(ParseError("sin(1, 2)"), "'sin' at column 1 takes 1 argument, not 2");
    EXPECT_EQ(ParseError("sin()"), "'sin' at column 1 takes 1 argument, not 0");
    EXPECT_EQ(ParseError("max()"), "'max' at column 1 takes at least 1 arguments, not 0");
    EXPECT_EQ(ParseError("MATH_PI(2)"), "'MATH_PI' at column 1 is a constant, not a function");
    EXPECT_EQ(ParseError("sin(1 2)"), "expected ',' or ')' in the arguments of 'sin' but found '2' at column 7");
    EXPECT_EQ(ParseError("sin(1"), "the '(' of 'sin' at column 4 is never closed");
    EXPECT_EQ(ParseError("MATH_PI := 3"), "'MATH_PI' at column 1 is a constant; it cannot be assigned to");
    EXPECT_EQ(ParseError("exp := 3"), "'exp' at column 1 is a function; it cannot be assigned to");
    // Errors that do not derail the parser are all reported.
    EXPECT_EQ(ParseErrors("sinn(1) + coss(2) + tan(1, 2)"),
              "unknown function 'sinn' at column 1|unknown function 'coss' at column 11|"
              "'tan' at column 21 takes 1 argument, not 2");
}

TEST(FormulaErrors, ManyErrorsAreCutShort) {
    std::string text = "f(1)";
    for (int i = 0; i < 100; ++i) text += "+f(1)";
    formula::Program program;
    EXPECT_FALSE(formula::Parse(text, program));
    ASSERT_EQ(program.errors.size(), static_cast<size_t>(formula::kMaxErrors) + 1);
    EXPECT_EQ(program.errors.back().message, "too many errors; the rest of the formula was not checked");
}

TEST(FormulaErrors, BlocksOutOfShape) {
    EXPECT_EQ(ParseError("IF x > 1 { y := 1 }"), "expected '(' but found 'x' at column 4");
    EXPECT_EQ(ParseError("IF(x > 1 { y := 1 }"), "expected ')' to close the condition but found '{' at column 10");
    EXPECT_EQ(ParseError("IF(x > 1) y := 1"), "expected '{' to open the block but found 'y' at column 11");
    EXPECT_EQ(ParseError("IF(x > 1) { y := 1"), "the block opened at column 11 has no closing '}'");
    EXPECT_EQ(ParseError("IF(x > 1) { y + 1 }"),
              "a conditional block holds assignments only (NAME := value), found 'y' at column 13");
    EXPECT_EQ(ParseError("IF(x > 1) { y := 1 2 }"), "an operator is missing before '2' at column 20");
    EXPECT_EQ(ParseError("ELSE { y := 1 }"), "'ELSE' without a preceding 'IF' at column 1");
    EXPECT_EQ(ParseError("IF(a) { y := 1 } ELSE { y := 2 } ELSE { y := 3 }"),
              "'ELSE' without a preceding 'IF' at column 34");
    EXPECT_EQ(ParseError("IF(a) { y := 1 } 5"),
              "only assignments and conditional blocks can follow one another, found '5' at column 18");
    EXPECT_EQ(ParseError("IF(a)\n{\n  y := (1\n}"), "expected ')' but found '}' at line 4, column 1");
}

// Parentheses and powers beyond the limit: bad_input_test.cpp.
TEST(FormulaErrors, NestingDeeperThanTheLimit) {
    const std::string limit(formula::kMaxNesting, '(');
    EXPECT_EQ(ParseError(limit + "1" + std::string(formula::kMaxNesting, ')')), "");
    EXPECT_EQ(ParseError(std::string(300, '-') + "1"), "the formula is nested deeper than 200 levels at column 201");
    std::string blocks;
    for (int i = 0; i < 300; ++i) blocks += "IF(1){";
    EXPECT_NE(ParseError(blocks).find("nested deeper than 200 levels"), std::string::npos);
}

TEST(FormulaErrors, ValuesWithoutFiniteResult) {
    EXPECT_EQ(EvaluationError("1/0"), "'/' at column 2 divides by zero");
    EXPECT_EQ(EvaluationError("x/y"), "'/' at column 2 divides by zero");
    EXPECT_EQ(EvaluationError("0^-1"), "'^' at column 2 divides by zero");
    EXPECT_EQ(EvaluationError("mod(1, 0)"), "'mod' at column 1 divides by zero");
    EXPECT_EQ(EvaluationError("1e308*10"), "'*' at column 6 overflows");
    EXPECT_EQ(EvaluationError("exp(1000)"), "'exp' at column 1 overflows");
    EXPECT_EQ(EvaluationError("ln(0)"), "'ln' at column 1 is undefined for 0");
    EXPECT_EQ(EvaluationError("log(0)"), "'log' at column 1 is undefined for 0");
    EXPECT_EQ(EvaluationError("root(8, 0)"), "'root' at column 1 is undefined for degree 0");
    EXPECT_EQ(EvaluationError("atan2(sqrt(-1), 1)"), "'atan2' at column 1 takes real arguments only");
    EXPECT_EQ(EvaluationError("min(1, sqrt(-1))"), "'min' at column 1 takes real arguments only");
    EXPECT_EQ(EvaluationError("sqrt(-1) < 1"), "'<' at column 10 cannot order complex values");
    EXPECT_EQ(EvaluationError("IF(1)\n{\n  y := 1/0\n}"), "'/' at line 3, column 9 divides by zero");
    EXPECT_EQ(EvaluationError("IF(0) { y := 1/0 }"), "");  // the branch is not taken
}
