// tbx view from the shell: the window drawn into a PNG for scripts, and its refusals.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

using namespace tbtest;

TEST(TbxView, ScreenshotOfTheExampleRecordAndBadArguments) {
    ScratchDir scratch;
    const std::string record = std::string(TOOLBOX_SOURCE_DIR) + "/examples/fault_record.cfg";
    RunResult r = RunTbx("view " + record + " --screenshot " + scratch / "v.png --size 800x500 --channels 'Va(P),5'");
    if (r.output.find("without the window library") != std::string::npos)
        GTEST_SKIP() << "tbx was built without the window library";
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string png = ReadFile(scratch / "v.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 800);
    EXPECT_EQ(be32(20), 500);

    r = RunTbx("view " + record + " --screenshot " + scratch / "bad.png --channels nosuch");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no channel \"nosuch\""), std::string::npos) << r.output;
    EXPECT_EQ(RunTbx("view --screenshot " + scratch / "bad.png").status, 2);
    EXPECT_EQ(RunTbx("view " + record + " --screenshot " + scratch / "bad.png --size 10x10").status, 2);
    EXPECT_EQ(RunTbx("view " + scratch / "missing.cfg --screenshot " + scratch / "bad.png").status, 1);
    EXPECT_EQ(Shell("ls " + scratch.Path() + " | grep -c bad").output.substr(0, 1), "0");
}
