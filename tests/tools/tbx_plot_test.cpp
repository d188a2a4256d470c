// tbx plot from the shell: a real ngspice listing drawn into PNG and SVG files.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

using namespace tbtest;

TEST(TbxPlot, DrawsTheChannelsOfAFileAndRejectsBadArguments) {
    ScratchDir scratch;
    const std::string input = std::string(TOOLBOX_TEST_DATA) + "/samples/ngspice/ngspice_schmitt.out";
    RunResult r = RunTbx("plot " + input + " -o " + scratch / "s.png --size 400x300 --channels 3,6,2 --x time");
    if (r.output.find("without the window library") != std::string::npos)
        GTEST_SKIP() << "tbx was built without the window library";
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string png = ReadFile(scratch / "s.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height in the IHDR chunk, big-endian.
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 400);
    EXPECT_EQ(be32(20), 300);
    r = RunTbx("plot " + input + " -o " + scratch / "s.svg");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(ReadFile(scratch / "s.svg").find("<svg"), std::string::npos);

    r = RunTbx("plot " + input + " -o " + scratch / "bad.png --channels 1,nosuch");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no channel \"nosuch\""), std::string::npos) << r.output;
    EXPECT_EQ(RunTbx("plot " + input + " -o " + scratch / "bad.png --size 10x10").status, 2);
    EXPECT_EQ(RunTbx("plot " + input).status, 2);
    EXPECT_EQ(RunTbx("plot " + scratch / "missing.txt -o " + scratch / "bad.png").status, 1);
    EXPECT_EQ(Shell("ls " + scratch.Path() + " | grep -c bad").output.substr(0, 1), "0");
}
