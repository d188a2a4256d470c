// The tbx program end to end: output, exit status and error texts.
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
    std::string command = std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1";
    RunResult result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

TEST(TbxNum, FormatsAndParsesEngineeringNumbers) {
    RunResult r = RunTbx("num format 1234.5 0.00047 -- -2e-13");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "1.2345k\n470u\n-200f\n");
    r = RunTbx("num format --digits 2 --spaced --separator , 1234.5");
    EXPECT_EQ(r.output, "1,23 k\n");
    r = RunTbx("num parse 2k2 1.5Meg 3,3u --separator ,");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "2000\n1500000\n3.2999999999999997e-06\n");
    r = RunTbx("num parse < /dev/null");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "");
}

TEST(TbxNum, ReportsBadInputWithNonZeroStatus) {
    RunResult r = RunTbx("num format 12abc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("\"12abc\" is not a number"), std::string::npos);
    EXPECT_EQ(RunTbx("num format --digits x 1").status, 2);
    EXPECT_EQ(RunTbx("num frobnicate").status, 2);
    EXPECT_EQ(RunTbx("nosuchcommand").status, 2);
    EXPECT_EQ(RunTbx("").status, 2);
    EXPECT_EQ(RunTbx("--help").status, 0);
}
