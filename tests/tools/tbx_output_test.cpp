// Where tbx writes: through a link to its file, directly into a FIFO (also for a
// workbook, which the library builds in memory or a temporary file first), to standard
// output for "-" and /dev/stdout, and never over a directory.
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

using tbtest::ReadFile;
using tbtest::RunResult;

namespace {

class TbxOutput : public ::testing::Test {
protected:
    void SetUp() override { tbtest::WriteFile(input, "a;b\n1;2\n3;4\n"); }
    RunResult Tbx(const std::string& arguments) { return tbtest::RunTbx(arguments, "TMPDIR=" + dir.Path()); }
    // What tbx writes into a FIFO that cat reads into received.
    std::string ThroughFifo(const std::string& fifoName, const std::string& arguments) {
        const std::string fifo = dir / fifoName, received = dir / (fifoName + ".received");
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const RunResult r = tbtest::Shell(
            "cat '" + fifo + "' > '" + received + "' & env -u LANGUAGE -u LC_ALL -u LANG TMPDIR='" + dir.Path() +
            "' '" + TOOLBOX_TBX + "' " + arguments + " '" + fifo + "'; status=$?; wait; exit $status");
        EXPECT_EQ(r.status, 0) << r.output;
        struct stat s;
        EXPECT_TRUE(::lstat(fifo.c_str(), &s) == 0 && S_ISFIFO(s.st_mode));
        return ReadFile(received);
    }

    tbtest::ScratchDir dir;
    const std::string input = dir / "in.csv";
};

TEST_F(TbxOutput, LinkKeepsPointingAtTheNewFile) {
    tbtest::WriteFile(dir / "real.csv", "old");
    ASSERT_EQ(::symlink("real.csv", (dir / "link.csv").c_str()), 0);
    ASSERT_EQ(Tbx("convert '" + input + "' '" + dir / "link.csv" + "'").status, 0);
    struct stat s;
    ASSERT_EQ(::lstat((dir / "link.csv").c_str(), &s), 0);
    EXPECT_TRUE(S_ISLNK(s.st_mode));
    EXPECT_NE(ReadFile(dir / "real.csv").find("1;2"), std::string::npos);

    ASSERT_EQ(::symlink("missing.txt", (dir / "dangling.txt").c_str()), 0);
    ASSERT_EQ(Tbx("xx encode '" + input + "' '" + dir / "dangling.txt" + "'").status, 0);
    EXPECT_EQ(ReadFile(dir / "missing.txt"), Tbx("xx encode '" + input + "' -").output);
}

TEST_F(TbxOutput, FifoReaderReceivesTheWholeOutput) {
    ASSERT_EQ(Tbx("convert '" + input + "' '" + dir / "file.csv" + "'").status, 0);
    EXPECT_EQ(ThroughFifo("pipe.csv", "convert '" + input + "'"), ReadFile(dir / "file.csv"));
    ASSERT_EQ(Tbx("xx encode '" + input + "' '" + dir / "file.xx" + "'").status, 0);
    EXPECT_EQ(ThroughFifo("pipe.xx", "xx encode '" + input + "'"), ReadFile(dir / "file.xx"));
    ASSERT_EQ(Tbx("convert '" + input + "' '" + dir / "file.xls" + "'").status, 0);
    const std::string workbook = ThroughFifo("pipe.xls", "convert '" + input + "'");
    EXPECT_EQ(workbook.size(), ReadFile(dir / "file.xls").size());
    EXPECT_EQ(workbook.substr(0, 4), "\xD0\xCF\x11\xE0");  // a compound document
    EXPECT_EQ(tbtest::ListDir(dir.Path()).size(), 10u);    // no staging left behind
}

TEST_F(TbxOutput, DashAndDevStdoutAreStandardOutput) {
    ASSERT_EQ(Tbx("convert '" + input + "' '" + dir / "file.csv" + "'").status, 0);
    const RunResult dash = Tbx("convert '" + input + "' -");
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.output, ReadFile(dir / "file.csv"));
    // tbtest::Shell collects standard output through a pipe: /dev/stdout is that pipe.
    const RunResult device = Tbx("convert '" + input + "' /dev/stdout");
    EXPECT_EQ(device.status, 0);
    EXPECT_EQ(device.output, dash.output);
    const RunResult binary = Tbx("convert '" + input + "' - --format 9");
    EXPECT_EQ(binary.status, 2);
    EXPECT_NE(binary.output.find("only a text format"), std::string::npos) << binary.output;
}

TEST_F(TbxOutput, DirectoryIsRefusedWithAMessage) {
    ASSERT_EQ(::mkdir((dir / "folder.csv").c_str(), 0700), 0);
    const RunResult convert = Tbx("convert '" + input + "' '" + dir / "folder.csv" + "'");
    EXPECT_NE(convert.status, 0);
    EXPECT_NE(convert.output.find("is a directory"), std::string::npos) << convert.output;
    const RunResult xx = Tbx("xx encode '" + input + "' '" + dir / "folder.csv" + "'");
    EXPECT_NE(xx.status, 0);
    EXPECT_NE(xx.output.find("Is a directory"), std::string::npos) << xx.output;
    EXPECT_TRUE(tbtest::ListDir(dir / "folder.csv").empty());
}

}  // namespace
