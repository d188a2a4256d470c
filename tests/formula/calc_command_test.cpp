// tbx calc end to end: output, errors and exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct RunResult {
    std::string output;
    int status;
};

RunResult RunTbx(const std::string& arguments) {
    const std::string command = std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1";
    RunResult result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

TEST(TbxCalc, PrintsTheSimplifiedFormula) {
    RunResult r = RunTbx("calc '(((25)/1000)*9/5+32)' 'x + 2*3' 'sqrt(-4)'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "32.045\nx+6\n(2*sqrt(-1))\n");
    r = RunTbx("calc 'IF(x > 2*5) { y := 1k } ELSE { y := 0 }'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "IF(x>10)\n{\n  y := 1000\n}\nELSE\n{\n  y := 0\n}\n");
    r = RunTbx("calc < /dev/null");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "");
}

TEST(TbxCalc, ReportsErrorsWithNonZeroStatus) {
    RunResult r = RunTbx("calc 'sinn(3) + 1'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "unknown function 'sinn' at column 1\n");
    r = RunTbx("calc 2k2");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("'2k2' at column 1 is not a number"), std::string::npos);
    r = RunTbx("calc '1/0' '2+2'");  // one bad formula fails the run, the others still print
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "'/' at column 2 divides by zero\n4\n");
}

TEST(TbxCalc, CheckShowsWhatTheFormulaDialogSees) {
    RunResult r = RunTbx("calc --check 'y := a*b'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "kind: 1\nassigns: y\nassigned: y\nvariable: y\nvariable: a\nvariable: b\n");
    r = RunTbx("calc --check 'IF(a) { b := 1 c := 2 }'");
    EXPECT_EQ(r.output, "kind: 2\nassigned: b\nassigned: c\nvariable: a\nvariable: b\nvariable: c\n");
    r = RunTbx("calc --check 'sinn(1) + cos(1, 2)'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "unknown function 'sinn' at column 1\n'cos' at column 11 takes 1 argument, not 2\n");
}
