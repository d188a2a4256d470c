// tbx info and tbx convert on SPICE listings, raw files and recorder files.
#include "spice_test_util.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

namespace {

std::string RunTbx(const std::string& arguments) {
    std::string out;
    if (FILE* p = popen((std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1").c_str(), "r")) {
        std::array<char, 4096> buffer;
        std::size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0) out.append(buffer.data(), n);
        pclose(p);
    }
    return out;
}

TEST(SpiceTbx, InfoAndConvertReadListingsRawAndRecorderFiles) {
    if (std::string(TOOLBOX_TBX).empty()) GTEST_SKIP() << "tbx not built";
    ScratchDir dir;
    WriteText(dir.File("scope.dat"), "3\n0.5\n0\n0\n1\n2\n3\n");
    const std::string info = RunTbx("info " + dir.File("scope.dat"));
    EXPECT_NE(info.find("Recorder (.dat)"), std::string::npos) << info;
    EXPECT_NE(info.find("Items:     3"), std::string::npos) << info;
    ASSERT_EQ(RunTbx("convert " + dir.File("scope.dat") + " " + dir.File("scope.csv") +
                     " --out-separator ';' --out-decimal ."),
              "");
    EXPECT_EQ(ReadText(dir.File("scope.csv")), "\"Time(s)\";\"scope\"\r\n0;1\r\n0.5;2\r\n1;3");

    if (!NgspiceAvailable()) GTEST_SKIP() << "ngspice not installed";
    WriteText(dir.File("rc.cir"),
              "rc\nv1 1 0 pulse(0 1 0 1u 1u 10u 20u)\nr1 1 2 1k\nc1 2 0 1n\n.tran 1u 20u\n.print tran v(1) v(2) "
              "i(v1)\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-o rc.out"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r rc.raw"));
    for (const char* name : {"rc.out", "rc.raw"}) {
        const std::string text = RunTbx("info " + dir.File(name));
        EXPECT_NE(text.find("SPICE output"), std::string::npos) << text;
        EXPECT_NE(text.find("2  1  [V]"), std::string::npos) << text;
        EXPECT_NE(text.find("4  v1  [A]"), std::string::npos) << text;
        EXPECT_EQ(RunTbx("convert " + dir.File(name) + " " + dir.File(std::string(name) + ".txt")), "");
        EXPECT_NE(ReadText(dir.File(std::string(name) + ".txt")).find("time(s)"), std::string::npos);
    }
}

}  // namespace
