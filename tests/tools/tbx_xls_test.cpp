// tbx info and tbx convert with Excel workbooks in both directions.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct XlsRun {
    std::string output;
    int status;
};

XlsRun Tbx(const std::string& arguments) {
    std::string command = std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1";
    XlsRun result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string WorkDir() {
    std::string dir = "/tmp/tb_tbx_xls_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

const std::string kGnumeric = std::string(TOOLBOX_TEST_DATA) + "/xls/gnumeric_biff5.xls";

}  // namespace

TEST(TbxXls, InfoShowsVersionTableAndChannels) {
    XlsRun r = Tbx("info " + kGnumeric);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("format code 8"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Table:     sample.csv$"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("1  U  [V]"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2  I  [A]"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Items:     3"), std::string::npos) << r.output;

    r = Tbx("info --table Missing " + kGnumeric);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Please control your table name"), std::string::npos) << r.output;
}

TEST(TbxXls, ConvertsBetweenVersionsAndToText) {
    std::string dir = WorkDir();
    for (int code = 6; code <= 9; ++code) {
        SCOPED_TRACE(code);
        std::string out = dir + "/v" + std::to_string(code) + ".xls";
        XlsRun r = Tbx("convert --format " + std::to_string(code) + " --out-table Values " + kGnumeric + " " + out);
        ASSERT_EQ(r.status, 0) << r.output;
        r = Tbx("info --table Values " + out);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("format code " + std::to_string(code)), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("1  U  [V]"), std::string::npos) << r.output;
        std::remove(out.c_str());
    }
    std::string csv = dir + "/back.csv";
    XlsRun r = Tbx("convert " + kGnumeric + " " + csv);
    ASSERT_EQ(r.status, 0) << r.output;
    std::string xls = dir + "/again.xls";
    r = Tbx("convert " + csv + " " + xls);
    ASSERT_EQ(r.status, 0) << r.output;
    r = Tbx("info " + xls);
    EXPECT_NE(r.output.find("format code 9"), std::string::npos) << "Excel 97 by default: " << r.output;
    std::remove(csv.c_str());
    std::remove(xls.c_str());
}

TEST(TbxXls, FailedConversionLeavesNoFile) {
    std::string out = WorkDir() + "/bad.xls";
    XlsRun r = Tbx("convert --out-table a:b " + kGnumeric + " " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Error by creating the database"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(out));
}
