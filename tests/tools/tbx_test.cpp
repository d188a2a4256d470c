// The tbx program end to end, apart from the file exchange: numbers, formulas, units
// and materials, languages, profiles and the xx encoding. Output, exit status (0 done,
// 1 failed, 2 bad command line) and error texts.
#include "tests/support/files.h"
#include "tests/support/programs.h"
#include <toolbox/os/module_path.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tbtest::RunResult;
using tbtest::RunTbx;

namespace {

/// Expects status and exactly output.
void ExpectRun(const std::string& arguments, int status, const std::string& output) {
    const RunResult r = RunTbx(arguments);
    EXPECT_EQ(r.status, status) << "tbx " << arguments << "\n" << r.output;
    EXPECT_EQ(r.output, output) << "tbx " << arguments;
}

/// Expects status and output that contains part.
void ExpectRunShows(const std::string& arguments, int status, const std::string& part) {
    const RunResult r = RunTbx(arguments);
    EXPECT_EQ(r.status, status) << "tbx " << arguments << "\n" << r.output;
    EXPECT_NE(r.output.find(part), std::string::npos) << "tbx " << arguments << "\n" << r.output;
}

}  // namespace

TEST(Tbx, CommandLineErrorsAndHelp) {
    for (const char* arguments : {"", "nosuchcommand", "num frobnicate", "num format --digits x 1", "units frobnicate",
                                  "units convert Length mm 1", "xx", "xx encode onlyone", "xx shuffle a b",
                                  "profile frobnicate", "convert onlyone", "convert a b --format 99", "info a --bogus"})
        EXPECT_EQ(RunTbx(arguments).status, 2) << "tbx " << arguments;
    EXPECT_EQ(RunTbx("--help").status, 0);
    EXPECT_EQ(RunTbx("xx --help").status, 0);
}

// Every command that tbx --help lists answers its own --help with its usage, and the
// manual page tbx(1) has a section for it.
TEST(Tbx, EveryCommandHasItsHelpAndItsManualSection) {
    const RunResult list = RunTbx("--help");
    ASSERT_EQ(list.status, 0);
    const std::string manual = tbtest::ReadFile(std::string(TOOLBOX_SOURCE_DIR) + "/docs/man/tbx.1");
    ASSERT_FALSE(manual.empty());
    int commands = 0;
    for (size_t line = list.output.find("\n  "); line != std::string::npos; line = list.output.find("\n  ", line + 1)) {
        const size_t start = line + 3;
        const std::string command = list.output.substr(start, list.output.find_first_of(" \n", start) - start);
        ++commands;
        const RunResult help = RunTbx(command + " --help");
        EXPECT_EQ(help.status, 0) << "tbx " << command << " --help\n" << help.output;
        EXPECT_NE(help.output.find("usage: tbx " + command), std::string::npos) << "tbx " << command << " --help";
        EXPECT_NE(manual.find(".SS \"tbx " + command), std::string::npos) << "tbx.1 has no section for " << command;
    }
    EXPECT_GE(commands, 14);
}

TEST(Tbx, NumFormatsAndParsesEngineeringNumbers) {
    ExpectRun("num format 1234.5 0.00047 -- -2e-13", 0, "1.2345k\n470u\n-200f\n");
    ExpectRun("num format --digits 2 --spaced --separator , 1234.5", 0, "1,23 k\n");
    ExpectRun("num parse 2k2 1.5Meg 3,3u --separator ,", 0, "2000\n1500000\n3.2999999999999997e-06\n");
    ExpectRun("num parse < /dev/null", 0, "");
    ExpectRunShows("num format 12abc", 1, "\"12abc\" is not a number");
}

TEST(Tbx, CalcPrintsTheSimplifiedFormulaOrTheErrors) {
    ExpectRun("calc '(((25)/1000)*9/5+32)' 'x + 2*3' 'sqrt(-4)'", 0, "32.045\nx+6\n(2*sqrt(-1))\n");
    ExpectRun("calc 'IF(x > 2*5) { y := 1k } ELSE { y := 0 }'", 0,
              "IF(x>10)\n{\n  y := 1000\n}\nELSE\n{\n  y := 0\n}\n");
    ExpectRun("calc < /dev/null", 0, "");
    ExpectRun("calc 'sinn(3) + 1'", 1, "unknown function 'sinn' at column 1\n");
    ExpectRunShows("calc 2k2", 1, "'2k2' at column 1 is not a number");
    // One bad formula fails the run, the others still print.
    ExpectRun("calc '1/0' '2+2'", 1, "'/' at column 2 divides by zero\n4\n");
}

TEST(Tbx, CalcCheckShowsWhatTheFormulaDialogSees) {
    ExpectRun("calc --check 'y := a*b'", 0,
              "kind: 1\nassigns: y\nassigned: y\nvariable: y\nvariable: a\nvariable: b\n");
    ExpectRun("calc --check 'IF(a) { b := 1 c := 2 }'", 0,
              "kind: 2\nassigned: b\nassigned: c\nvariable: a\nvariable: b\nvariable: c\n");
    ExpectRun("calc --check 'sinn(1) + cos(1, 2)'", 1,
              "unknown function 'sinn' at column 1\n'cos' at column 11 takes 1 argument, not 2\n");
}

TEST(Tbx, UnitsListAndConvertWithTheShippedCatalogue) {
    ExpectRunShows("units list", 0, "Temperature\tK\n");
    ExpectRunShows("units list", 0, "  BatteryCapacity\tC\n");
    const RunResult r = RunTbx("units list Resistance");
    ASSERT_EQ(r.status, 0);
    // Each acronym with its shown form beside it, the base unit first.
    EXPECT_EQ(r.output.rfind("\\Ohm\\\t\xCE\xA9\tohm\t\t\n", 0), 0u) << r.output;
    EXPECT_NE(r.output.find("k\\Ohm\\\tk\xCE\xA9\tkiloohm\t%v*1000\t%v/1000\n"), std::string::npos);
    ExpectRunShows("units list Temperature", 0, "\\deg\\C\t\xC2\xB0" "C\t");
    ExpectRun("units convert Temperature '\\deg\\C' 37 '\\deg\\F'", 0, "98.6\n");
    // Units typed as they are shown, or in ASCII.
    ExpectRun("units convert Temperature '\xC2\xB0" "C' 37 '\xC2\xB0" "F'", 0, "98.6\n");
    ExpectRun("units convert Temperature degC 37 degF", 0, "98.6\n");
    ExpectRun("units convert Resistance k\xCE\xA9 4.7 \xCE\xA9", 0, "4700\n");
    ExpectRun("units convert Resistance kOhm 4.7 ohm", 0, "4700\n");
    const RunResult ambiguous = RunTbx("units convert Power mw 1 W");
    EXPECT_EQ(ambiguous.status, 1);
    EXPECT_NE(ambiguous.output.find("\"mw\" is ambiguous in Power: it may be "), std::string::npos) << ambiguous.output;
    EXPECT_NE(ambiguous.output.find(" mW"), std::string::npos) << ambiguous.output;
    EXPECT_NE(ambiguous.output.find(" MW"), std::string::npos) << ambiguous.output;
    ExpectRun("units convert Length mm 'x+1' km", 0, "(x+1)/1000000\n");
    ExpectRunShows("units convert Nothing a 1 b", 1, "unknown quantity \"Nothing\"");
    ExpectRunShows("units convert Length parsec 1 m", 1, "\"parsec\" is no unit of Length");
    EXPECT_EQ(RunTbx("units list Nothing").status, 1);
}

TEST(Tbx, UnitsFromAnotherCatalogue) {
    tbtest::ScratchDir dir;
    tbtest::WriteFile(dir / "u.skl", "[MainQuantities]\nQ1=L\n[L]\nBaseUnit=m\nU1=mm\nTBC1=%v/1000\nFBC1=%v*1000\n");
    ExpectRun("units --file " + (dir / "u.skl") + " convert L m 2 mm", 0, "2000\n");
    EXPECT_EQ(RunTbx("units --file " + (dir / "missing.skl") + " list").status, 1);
}

TEST(Tbx, Materials) {
    ExpectRunShows("materials", 0, "Copper\tconductor\n");
    ExpectRunShows("materials", 0, "PTFE\tinsulator\n");
    ExpectRunShows("materials Copper", 0, "  rho\t1.724e-8\t\\Ohm\\m\n");
    ExpectRunShows("materials Unobtainium", 1, "unknown material \"Unobtainium\"");
}

TEST(Tbx, LangStartUpLoadsTheGermanFileBesideTheLibrary) {
    EXPECT_EQ(RunTbx("lang string 4", "LANGUAGE=de").output, "Kein Dateiname.\n");
    const RunResult r = RunTbx("lang", "LANG=de_AT.UTF-8");
    EXPECT_NE(r.output.find("toolbox-core.de.lang"), std::string::npos) << r.output;
    EXPECT_EQ(RunTbx("lang string 4", "LANG=C").output, "No file name.\n");
    EXPECT_EQ(RunTbx("lang", "LANG=C").output, "built-in (English)\n");
    EXPECT_EQ(RunTbx("lang string 999999", "LANG=C").status, 1);
    EXPECT_EQ(RunTbx("lang name 3079", "LANG=C").output, "German (Austria)\n");
    EXPECT_EQ(RunTbx("lang name 4660", "LANG=C").status, 1);
    ExpectRunShows("lang list", 0, "1031\tde_DE\tGerman (Germany)\n");
}

TEST(Tbx, LangBrokenFileAtStartUpIsReportedAndEnglishStays) {
    // A copy of the library in a directory of its own, beside a truncated German file.
    // This test program carries the library's code itself and sits beside the shared library.
    tbtest::ScratchDir dir;
    const std::string library =
        std::string(TBDirectoryOfPath(TBGetLibraryFileName()).GetString()) + "/libtoolbox-core.so.0";
    tbtest::WriteFile(dir / "libtoolbox-core.so.0", tbtest::ReadFile(library));
    const std::string broken = dir / "toolbox-core.de.lang";
    tbtest::WriteFile(broken, "[language]\nname = de\n[strings]\n4 = \"Kein Datei");
    const RunResult r = RunTbx("lang string 4", "LD_LIBRARY_PATH=" + dir.Path() + " LANGUAGE=de");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Cannot load language-resources from " + broken + " !\nNo file name.\n");
}

TEST(Tbx, ProfileGetSetSectionAndNormalize) {
    tbtest::ScratchDir dir;
    const std::string file = dir / "settings.ini";
    tbtest::WriteFile(file, "[Units]\nb=2\na = 1\n");
    ExpectRun("profile get " + file + " Units a", 0, "1\n");
    EXPECT_EQ(RunTbx("profile get " + file + " Units zz").status, 1);
    ExpectRun("profile get " + file + " Units zz fallback", 0, "fallback\n");
    ExpectRun("profile set " + file + " Units c 3", 0, "");
    ExpectRun("profile section " + file + " Units", 0, "a=1\nb=2\nc=3\n");
    EXPECT_EQ(tbtest::ReadFile(file), "[Units]\r\na=1\r\nb=2\r\nc=3\r\n\r\n");
    ExpectRunShows("profile get " + (dir / "missing.ini") + " Units a", 1, "cannot read");
    EXPECT_EQ(RunTbx("profile set " + file + " Units k=j v").status, 1);
}

TEST(Tbx, XxEncodesAndDecodesFiles) {
    tbtest::ScratchDir dir;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7 + i / 13);
    tbtest::WriteFile(dir / "in.bin", bytes);
    ASSERT_EQ(RunTbx("xx encode " + (dir / "in.bin") + " " + (dir / "in.xx")).status, 0);
    const std::string text = tbtest::ReadFile(dir / "in.xx");
    EXPECT_EQ(text.substr(0, 1), "h");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    ASSERT_EQ(RunTbx("xx decode " + (dir / "in.xx") + " " + (dir / "out.bin")).status, 0);
    EXPECT_EQ(tbtest::ReadFile(dir / "out.bin"), bytes);

    tbtest::WriteFile(dir / "abc", "abc");
    ASSERT_EQ(RunTbx("xx encode - " + (dir / "abc.xx") + " < " + (dir / "abc")).status, 0);
    EXPECT_EQ(tbtest::ReadFile(dir / "abc.xx"), "1MK7X");
    struct stat info {};
    ASSERT_EQ(stat((dir / "abc.xx").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0044, 0u) << "output keeps the usual permissions";
}

TEST(Tbx, XxFailuresLeaveNoOutput) {
    tbtest::ScratchDir dir;
    EXPECT_EQ(RunTbx("xx encode " + (dir / "missing") + " " + (dir / "out.xx")).status, 1);
    EXPECT_FALSE(tbtest::Exists(dir / "out.xx"));
    EXPECT_EQ(RunTbx("xx encode " + (dir / "missing") + " " + (dir / "no/such/dir/out.xx")).status, 1);
    tbtest::WriteFile(dir / "in.bin", "x");
    EXPECT_EQ(RunTbx("xx encode " + (dir / "in.bin") + " " + (dir / "no/such/dir/out.xx")).status, 1);
    // Writing to a full device fails and leaves nothing.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(RunTbx("xx encode /etc/hostname - > /dev/full").status, 1);
    }
    // A directory opens but cannot be read: the message names the input.
    ExpectRunShows("xx encode " + dir.Path() + " " + (dir / "d.xx"), 1, "cannot read " + dir.Path());
    EXPECT_FALSE(tbtest::Exists(dir / "d.xx"));
}
