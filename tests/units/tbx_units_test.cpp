// tbx units and tbx materials on the shipped catalogues.
#include "tests/units/units_test_util.h"

#include <cstdio>
#include <sys/wait.h>

namespace {

struct RunResult {
    int status;
    std::string output;
};

RunResult RunTbx(const std::string& arguments) {
    const std::string command = std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1";
    RunResult r{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(TbxUnits, ListAndConvert) {
    RunResult r = RunTbx("units list");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Temperature\tK\n"), std::string::npos);
    EXPECT_NE(r.output.find("  BatteryCapacity\tC\n"), std::string::npos);
    r = RunTbx("units list Resistance");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("\\Ohm\\\tohm\t\t\n", 0), 0u) << r.output;  // the base unit first
    EXPECT_NE(r.output.find("k\\Ohm\\\tkiloohm\t%v*1000\t%v/1000\n"), std::string::npos);
    r = RunTbx("units convert Temperature '\\deg\\C' 37 '\\deg\\F'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "98.6\n");
    r = RunTbx("units convert Length mm 'x+1' km");
    EXPECT_EQ(r.output, "(x+1)/1000000\n");
}

TEST(TbxUnits, BadArgumentsAndOtherCatalogues) {
    RunResult r = RunTbx("units convert Nothing a 1 b");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("unknown quantity \"Nothing\""), std::string::npos);
    r = RunTbx("units convert Length parsec 1 m");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("\"parsec\" is no unit of Length"), std::string::npos);
    EXPECT_EQ(RunTbx("units convert Length mm 1").status, 2);
    EXPECT_EQ(RunTbx("units frobnicate").status, 2);
    EXPECT_EQ(RunTbx("units list Nothing").status, 1);

    ScratchDir dir;
    WriteFile(dir / "u.skl", "[MainQuantities]\nQ1=L\n[L]\nBaseUnit=m\nU1=mm\nTBC1=%v/1000\nFBC1=%v*1000\n");
    r = RunTbx("units --file " + (dir / "u.skl") + " convert L m 2 mm");
    EXPECT_EQ(r.output, "2000\n");
    r = RunTbx("units --file " + (dir / "missing.skl") + " list");
    EXPECT_EQ(r.status, 1);
}

TEST(TbxUnits, Materials) {
    RunResult r = RunTbx("materials");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Copper\tconductor\n"), std::string::npos);
    EXPECT_NE(r.output.find("PTFE\tinsulator\n"), std::string::npos);
    r = RunTbx("materials Copper");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("  rho\t1.724e-8\t\\Ohm\\m\n"), std::string::npos) << r.output;
    r = RunTbx("materials Unobtainium");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("unknown material \"Unobtainium\""), std::string::npos);
}

}  // namespace
