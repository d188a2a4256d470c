// Conditional blocks: kinds, assigned names, the branch taken, nesting.
#include "formula_test_util.h"

namespace {

struct BlockRun {
    formula::Program program;
    formula::Bindings bindings;
    bool ok = false;

    BlockRun(const std::string& text, const std::vector<std::pair<std::string, formula::Value>>& vars) {
        if (!formula::Parse(text, program)) return;
        bindings = formula_test::Bind(program, vars);
        formula::Value result;
        formula::Diagnostic error;
        ok = formula::Evaluate(program, bindings, result, error);
    }

    double Get(const std::string& name) const {
        for (size_t i = 0; i < program.variables.size(); ++i)
            if (program.variables[i] == name) return bindings[i].real();
        return -999;
    }

    std::vector<std::string> Assigned() const {
        std::vector<std::string> names;
        for (uint32_t i : program.assigned) names.push_back(program.variables[i]);
        return names;
    }
};

// Laid out as the calculator dialog inserts its templates.
const char kChain[] =
    "IF( x > 10 )\r\n{\r\n  y := 1\r\n}\r\n"
    "ELSE IF( x > 5 )\r\n{\r\n  y := 2\r\n  z := y * 10\r\n}\r\n"
    "ELSE\r\n{\r\n  y := 3\r\n}";

}  // namespace

TEST(FormulaBlocks, TheFirstTrueBranchRuns) {
    BlockRun high(kChain, {{"x", 11}});
    ASSERT_TRUE(high.ok);
    EXPECT_EQ(high.Get("y"), 1);
    EXPECT_EQ(high.Get("z"), 0);
    BlockRun middle(kChain, {{"x", 7}});
    EXPECT_EQ(middle.Get("y"), 2);
    EXPECT_EQ(middle.Get("z"), 20);  // a later assignment sees an earlier one
    BlockRun low(kChain, {{"x", 5}});
    EXPECT_EQ(low.Get("y"), 3);
    EXPECT_EQ(low.program.kind, 2);
    EXPECT_EQ(low.Assigned(), (std::vector<std::string>{"y", "z"}));
    EXPECT_EQ(low.program.variables, (std::vector<std::string>{"x", "y", "z"}));
}

TEST(FormulaBlocks, NestedBlocks) {
    const char* text =
        "IF(a > 0) {\n"
        "  IF(b > 0) { q := 1 } ELSE { q := 4 }\n"
        "  n := q * 100\n"
        "} ELSE IF(a < 0) {\n"
        "  IF(b > 0) { q := 2 } ELSE IF(b < 0) { IF(NOT b = -5) { q := 3 } ELSE { q := 33 } }\n"
        "}";
    EXPECT_EQ(BlockRun(text, {{"a", 1}, {"b", 1}}).Get("q"), 1);
    EXPECT_EQ(BlockRun(text, {{"a", 1}, {"b", -1}}).Get("q"), 4);
    EXPECT_EQ(BlockRun(text, {{"a", 1}, {"b", -1}}).Get("n"), 400);
    EXPECT_EQ(BlockRun(text, {{"a", -1}, {"b", 1}}).Get("q"), 2);
    EXPECT_EQ(BlockRun(text, {{"a", -1}, {"b", -1}}).Get("q"), 3);
    EXPECT_EQ(BlockRun(text, {{"a", -1}, {"b", -5}}).Get("q"), 33);
    EXPECT_EQ(BlockRun(text, {{"a", 0}, {"q", 9}}).Get("q"), 9);  // no branch taken, no else
    EXPECT_EQ(BlockRun(text, {}).Assigned(), (std::vector<std::string>{"q", "n"}));
}

TEST(FormulaBlocks, KindsOfFormulas) {
    formula::Program p;
    ASSERT_TRUE(formula::Parse("2*x", p));
    EXPECT_EQ(p.kind, 0);
    EXPECT_TRUE(p.assigned.empty());
    ASSERT_TRUE(formula::Parse("y := 2*x", p));
    EXPECT_EQ(p.kind, 1);
    EXPECT_EQ(p.variables, (std::vector<std::string>{"y", "x"}));  // the target counts as used
    ASSERT_TRUE(formula::Parse("y := 1; z := 2", p));              // several statements form a block
    EXPECT_EQ(p.kind, 2);
    ASSERT_TRUE(formula::Parse("y := 1 z := y", p));  // the separator is optional
    EXPECT_EQ(p.kind, 2);
    ASSERT_TRUE(formula::Parse("if(1){y:=1}else{y:=2}", p));  // keywords ignore case
    EXPECT_EQ(p.kind, 2);
    ASSERT_TRUE(formula::Parse("IF(1){}", p));  // an empty block is allowed
    EXPECT_EQ(p.kind, 2);
    ASSERT_TRUE(formula::Parse("y := y + 1; y := y * 2", p));
    EXPECT_EQ(p.assigned.size(), 1u);  // names are listed once
}
