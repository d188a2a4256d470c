// Input that must neither crash nor hang: megabytes, deep nesting, long chains.
#include "formula_test_util.h"

#include <random>

TEST(FormulaBadInput, MegabyteChainsNeedNoDeepRecursion) {
    // 1+1+...+1: a left-deep tree of 500,000 levels, folded and printed without recursion.
    std::string text = "1";
    text.reserve(1000001);
    for (int i = 0; i < 499999; ++i) text += "+1";
    EXPECT_EQ(formula_test::Simplified(text), "500000");
    // With a variable in front the constants merge into one.
    const std::string withVariable = "x" + text.substr(1);
    EXPECT_EQ(formula_test::Simplified(withVariable), "x+499999");
    EXPECT_TRUE(formula_test::EvaluatesTo(withVariable, 500001, {{"x", 2}}));
    // Variables only: the whole chain is printed back as it was.
    std::string variables = "x";
    for (int i = 0; i < 499999; ++i) variables += "+y";
    EXPECT_EQ(formula_test::Simplified(variables), variables);
    EXPECT_TRUE(formula_test::EvaluatesTo(variables, 499999 * 2.0 + 1, {{"x", 1}, {"y", 2}}));
    // A chain of powers is right-recursive and runs into the nesting limit instead.
    std::string powers = "2";
    for (int i = 0; i < 100000; ++i) powers += "^1";
    EXPECT_NE(formula_test::ParseError(powers).find("nested deeper"), std::string::npos);
}

TEST(FormulaBadInput, NumbersOfAMegabyte) {
    const std::string zeros(1 << 20, '0');
    EXPECT_EQ(formula_test::Simplified("1" + zeros),
              "error: the number '100000000000000000000...' at column 1 is too large for a double");
    EXPECT_EQ(formula_test::Simplified("0." + zeros + "1"), "0");
    EXPECT_EQ(formula_test::Simplified(zeros + "1.5k"), "1500");
}

TEST(FormulaBadInput, HundredThousandParentheses) {
    const std::string open(100000, '(');
    const std::string close(100000, ')');
    EXPECT_EQ(formula_test::ParseError(open + "1" + close),
              "the formula is nested deeper than 200 levels at column 202");
    EXPECT_EQ(formula_test::ParseError(close), "expected a value but found ')' at column 1");
    EXPECT_EQ(formula_test::ParseError("1" + close), "unexpected ')': there is no '(' open at column 2");
}

TEST(FormulaBadInput, ManyVariablesAndLongNames) {
    std::string text = "v0";
    for (int i = 1; i < 50000; ++i) text += "+v" + std::to_string(i);
    formula::Program program;
    ASSERT_TRUE(formula::Parse(text, program));
    EXPECT_EQ(program.variables.size(), 50000u);
    EXPECT_EQ(program.variables[49999], "v49999");
    const std::string name(1 << 20, 'n');
    ASSERT_TRUE(formula::Parse(name + ":=" + name + "+1", program));
    EXPECT_EQ(program.variables.size(), 1u);
    // A long bad token is cut short in the message.
    EXPECT_EQ(formula_test::ParseError("1 " + name),
              "an operator is missing before 'nnnnnnnnnnnnnnnnnnnnn...' at column 3");
}

TEST(FormulaBadInput, RandomBytesNeverCrash) {
    std::mt19937 rng(8);
    const std::string alphabet = "0123456789.eE+-*/^()=<>:,;{} \n\txyzkmMegIFELSANDORNTsinqrt_\xC3\xA4\xFF";
    for (int i = 0; i < 20000; ++i) {
        std::string text(std::uniform_int_distribution<int>(0, 40)(rng), ' ');
        for (char& c : text) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
        formula::Program program;
        if (formula::Parse(text, program)) {
            std::string out;
            formula::Diagnostic error;
            formula::Bindings b;
            formula::Value v;
            formula::Evaluate(program, b, v, error);
            if (formula::Simplify(program, out, error)) {
                // What the simplifier prints always reads back.
                formula::Program again;
                EXPECT_TRUE(formula::Parse(out, again)) << text << " -> " << out << ": " << again.errors[0].message;
            }
        } else {
            ASSERT_FALSE(program.errors.empty());
            EXPECT_FALSE(program.errors[0].message.empty());
        }
    }
}
