// tbx info and tbx convert end to end: the shipped example, workbooks, Access
// databases, characteristic files, SPICE and recorder files, and bad input. A failed
// conversion explains itself and leaves no output and no staging file behind.
#include "tests/support/bytes.h"
#include "tests/support/child.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/format_list.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using tbtest::ReadFile;
using tbtest::RunResult;
using tbtest::RunTbx;
using tbtest::WriteFile;

namespace {

class TbxExchange : public ::testing::Test {
protected:
    /// Runs tbx, expects success and returns its output.
    std::string Succeeds(const std::string& arguments) {
        const RunResult r = RunTbx(arguments, "TMPDIR=" + dir.Path());
        EXPECT_EQ(r.status, 0) << "tbx " << arguments << "\n" << r.output;
        return r.output;
    }
    /// Runs tbx, expects failure with a message that contains part.
    void FailsWith(const std::string& arguments, const std::string& part) {
        const RunResult r = RunTbx(arguments, "TMPDIR=" + dir.Path());
        EXPECT_EQ(r.status, 1) << "tbx " << arguments;
        EXPECT_NE(r.output.find(part), std::string::npos) << "tbx " << arguments << "\n" << r.output;
    }
    /// tbx stages in TMPDIR, which the fixture points at the scratch directory.
    void ExpectNoStagingFiles() {
        for (const std::string& name : tbtest::ListDir(dir.Path()))
            EXPECT_TRUE(name.find("tbx-convert") == std::string::npos && name.find("tb-access") == std::string::npos)
                << name;
    }
    std::string In(const std::string& name) const { return dir / name; }

    tbtest::ScratchDir dir;
    const std::string example = std::string(TOOLBOX_SOURCE_DIR) + "/examples/rc_step.csv";
    const std::string gnumeric = std::string(TOOLBOX_TEST_DATA) + "/xls/gnumeric_biff5.xls";
};

void ExpectShows(const std::string& output, std::initializer_list<const char*> parts) {
    for (const char* part : parts) EXPECT_NE(output.find(part), std::string::npos) << part << "\n" << output;
}

}  // namespace

TEST_F(TbxExchange, InfoShowsFormatSymbolsChannelsAndItems) {
    ExpectShows(Succeeds("info " + example),
                {"Format:    CSV (family 5, format code 12)", "Separator: \";\"  Decimal symbol: \",\"",
                 "Items:     51", "Channels:  4", "   3  Vout  [V]"});
}

TEST_F(TbxExchange, ConvertRoundTripsTheShippedExample) {
    Succeeds("convert " + example + " " + In("rc.txt") + " --out-separator tab --out-decimal .");
    EXPECT_EQ(ReadFile(In("rc.txt")).substr(0, 37), "\"time(s)\"\t\"Vin(V)\"\t\"Vout(V)\"\t\"I(A)\"\r\n");
    ExpectShows(Succeeds("info " + In("rc.txt")), {"Separator: \"\\t\"  Decimal symbol: \".\""});
    Succeeds("convert " + In("rc.txt") + " " + In("back.csv") + " --out-separator ';' --out-decimal ,");
    EXPECT_EQ(ReadFile(In("back.csv")), ReadFile(example));
    // By format code: the extension is appended.
    Succeeds("convert " + example + " " + In("plain") + " --format 12");
    EXPECT_EQ(ReadFile(In("plain.csv")), ReadFile(example));
    ExpectNoStagingFiles();
}

TEST_F(TbxExchange, FailedConversionsLeaveNoOutputAndExplain) {
    tbtest::WriteFile(In("bad.mdx"), "typ:=A\r\nlen:=2\r\nend:=\r\n1;\r\n2;");
    FailsWith("convert " + In("bad.mdx") + " " + In("out.csv"), "DIM statement");
    EXPECT_FALSE(tbtest::Exists(In("out.csv")));
    FailsWith("convert " + In("missing.csv") + " " + In("out.txt"), "couldn't be opened");
    FailsWith("info " + dir.Path(), "is a directory");
    tbtest::WriteFile(In("bin.csv"), std::string("\x7f"
                                                 "ELF\x02\x01\x01\0\0",
                                                 9));
    FailsWith("info " + In("bin.csv"), "not a text file");
    ExpectNoStagingFiles();
}

TEST_F(TbxExchange, PandasReadsTheWrittenCsv) {
    if (tbtest::Shell("/usr/bin/python3 -c 'import pandas'").status != 0) GTEST_SKIP() << "python3-pandas missing";
    Succeeds("convert " + example + " " + In("p.csv") + " --out-separator , --out-decimal .");
    const std::string script = "import pandas; f = pandas.read_csv('" + In("p.csv") +
                               "'); print(list(f.columns), len(f), repr(f['Vout(V)'][1]))";
    EXPECT_EQ(tbtest::Shell("/usr/bin/python3 -c \"" + script + "\"").output,
              "['time(s)', 'Vin(V)', 'Vout(V)', 'I(A)'] 51 0.0951625819640405\n");
}

TEST_F(TbxExchange, AccessDatabasesInBothDirections) {
    const std::string mdb = In("rc.mdb");
    Succeeds("convert " + example + " " + mdb);
    ExpectShows(Succeeds("info " + mdb), {"Format:    Microsoft Access (.mdb) (family 2, format code 10)",
                                          "Table:     Data", "Items:     51", "   3  Vout  [V]"});
    if (tbtest::HaveProgram("mdb-export")) {
        EXPECT_EQ(tbtest::Shell("mdb-export -d ';' '" + mdb + "' Data").output.substr(0, 25),
                  "time(s);Vin(V);Vout(V);I(");
    }
    // Back to the example's own symbols: byte for byte the shipped file.
    Succeeds("convert " + mdb + " " + In("back.csv") + " --out-separator ';' --out-decimal ,");
    EXPECT_EQ(ReadFile(In("back.csv")), ReadFile(example));
    Succeeds("info " + mdb + " --table Data");
    FailsWith("info " + mdb + " --table Nowhere", "Please control your table name");
    // A cut database is refused with the database message, and nothing is written.
    const std::string whole = ReadFile(mdb);
    tbtest::WriteFile(In("cut.mdb"), whole.substr(0, whole.size() - 1000));
    FailsWith("convert " + In("cut.mdb") + " " + In("cut.csv"), "Error if opening the database >>");
    EXPECT_FALSE(tbtest::Exists(In("cut.csv")));
}

TEST_F(TbxExchange, WorkbookInfoShowsVersionTableAndChannels) {
    ExpectShows(Succeeds("info " + gnumeric),
                {"format code 8", "Table:     sample.csv$", "1  U  [V]", "2  I  [A]", "Items:     3"});
    FailsWith("info --table Missing " + gnumeric, "Please control your table name");
}

TEST_F(TbxExchange, DamagedWorkbookTellsWhyAndTheCompoundFileLibraryStaysQuiet) {
    std::string damaged = ReadFile(gnumeric);
    tbtest::PutLe32(damaged, 0x4C, 0x7FFF);  // the first allocation table sector lies beyond the file
    tbtest::WriteFile(In("damaged.xls"), damaged);
    const RunResult r = RunTbx("info " + In("damaged.xls"));
    EXPECT_EQ(r.status, 1);
    ExpectShows(r.output, {"Error if opening the database", "The compound file is damaged"});
    EXPECT_EQ(r.output.find("libgsf"), std::string::npos) << r.output;
}

TEST_F(TbxExchange, WorkbooksConvertBetweenVersionsAndToText) {
    for (int code = 6; code <= 9; ++code) {
        const std::string out = In("v" + std::to_string(code) + ".xls");
        Succeeds("convert --format " + std::to_string(code) + " --out-table Values " + gnumeric + " " + out);
        ExpectShows(Succeeds("info --table Values " + out),
                    {("format code " + std::to_string(code)).c_str(), "1  U  [V]"});
    }
    Succeeds("convert " + gnumeric + " " + In("back.csv"));
    Succeeds("convert " + In("back.csv") + " " + In("again.xls"));
    ExpectShows(Succeeds("info " + In("again.xls")), {"format code 9"});  // Excel 97 by default
    FailsWith("convert --out-table a:b " + gnumeric + " " + In("bad.xls"), "Error by creating the database");
    EXPECT_FALSE(tbtest::Exists(In("bad.xls")));
}

TEST_F(TbxExchange, CharacteristicFilesBothWays) {
    tbtest::WriteFile(In("in.csv"), "\"U(V)\";\"I(A)\"\r\n1.5;2\r\n3;4.25\r\n");
    Succeeds("convert '" + In("in.csv") + "' '" + In("out.mdx") + "' --format 2");
    tbtest::ChannelRead written(In("out.mdx"));
    ASSERT_EQ(written.data, 1) << written.Error();
    EXPECT_EQ(written.engine.GetTyp(), '8');
    EXPECT_EQ(written.At(1, 1), 4.25);
    Succeeds("convert '" + In("out.mdx") + "' '" + In("back.mdk") + "'");
    EXPECT_EQ(ReadFile(In("back.mda")), "1.5;2;\r\n3;4.25;");
    Succeeds("convert '" + In("back.mda") + "' '" + In("again.csv") + "'");
    EXPECT_NE(ReadFile(In("again.csv")).find("4"), std::string::npos);
    ExpectShows(Succeeds("info '" + In("back.mdk") + "'"), {"Characteristic (.mda/.mdk)"});
}

TEST_F(TbxExchange, RecorderFiles) {
    tbtest::WriteFile(In("scope.dat"), "3\n0.5\n0\n0\n1\n2\n3\n");
    ExpectShows(Succeeds("info " + In("scope.dat")), {"Recorder (.dat)", "Items:     3"});
    EXPECT_EQ(Succeeds("convert " + In("scope.dat") + " " + In("scope.csv") + " --out-separator ';' --out-decimal ."),
              "");
    EXPECT_EQ(ReadFile(In("scope.csv")), "\"Time(s)\";\"scope\"\r\n0;1\r\n0.5;2\r\n1;3");
}

TEST_F(TbxExchange, SpiceListingsAndRawFilesFromNgspice) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    tbtest::WriteFile(In("rc.cir"),
                      "rc\nv1 1 0 pulse(0 1 0 1u 1u 10u 20u)\nr1 1 2 1k\nc1 2 0 1n\n.tran 1u 20u\n"
                      ".print tran v(1) v(2) i(v1)\n.end\n");
    for (const char* options : {"-o rc.out", "-r rc.raw"})
        ASSERT_EQ(tbtest::Shell("cd '" + dir.Path() + "' && timeout 60 ngspice -b " + options + " rc.cir").status, 0);
    for (const std::string name : {"rc.out", "rc.raw"}) {
        ExpectShows(Succeeds("info " + In(name)), {"SPICE output", "2  1  [V]", "4  v1  [A]"});
        EXPECT_EQ(Succeeds("convert " + In(name) + " " + In(name + ".txt")), "");
        EXPECT_NE(ReadFile(In(name + ".txt")).find("time(s)"), std::string::npos);
    }
}

// A configuration file may declare any sample count: 10^8 samples beside a data file
// of two records must not make tbx reserve gigabytes before it finds out (run with 1 GB
// of address space, except under AddressSanitizer, which reserves far more for
// itself). The record then fails as a short one does: its continuation file is missing.
TEST_F(TbxExchange, DeclaredSampleCountDoesNotSizeTheStorage) {
    WriteFile(In("huge.cfg"),
              "rig,1,1999\r\n3,3A,0D\r\n"
              "1,U0,,,V,1,0,0,-32767,32767,1,1,P\r\n2,U1,,,V,1,0,0,-32767,32767,1,1,P\r\n"
              "3,U2,,,V,1,0,0,-32767,32767,1,1,P\r\n50\r\n0\r\n0,100000000\r\n"
              "01/01/2026,00:00:00.000000\r\n01/01/2026,00:00:00.000000\r\nBINARY\r\n1\r\n");
    // Two records of sample number, time stamp and three values, and a stray byte.
    std::string dat;
    for (int k = 0; k < 2; ++k) {
        const unsigned char record[14] = {
            static_cast<unsigned char>(k + 1), 0, 0, 0, static_cast<unsigned char>(10 * k), 0, 0, 0, 1, 0, 2, 0, 3, 0};
        dat.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    WriteFile(In("huge.dat"), dat + "x");
    const std::string limit = tbtest::kUnderSanitizer ? "" : "ulimit -v 1000000; ";
    for (const char* command : {" convert ", " plot "}) {
        const std::string output = In(std::string(command) == " plot " ? "huge.png" : "huge.csv");
        const RunResult r =
            tbtest::Shell(limit + "TMPDIR='" + dir.Path() + "' '" + TOOLBOX_TBX + "'" + command + In("huge.cfg") + " " +
                          (std::string(command) == " plot " ? "-o " : "") + output);
        EXPECT_EQ(r.status, 1) << command << r.output;
        EXPECT_NE(r.output.find(In("huge.d00") + "<<  couldn't be opened"), std::string::npos) << r.output;
        EXPECT_FALSE(tbtest::Exists(output)) << command;
    }
}

// ---------------------------------------------------------------- the format table

namespace {

// The "*.ext" patterns of a filter text, without the star.
std::vector<std::string> FilterExtensions(const CString& filter) {
    std::vector<std::string> extensions;
    const std::string text = filter.GetString();
    for (std::size_t star = text.find("*."); star != std::string::npos; star = text.find("*.", star + 1)) {
        const std::size_t end = text.find_first_of(";|)/", star);
        if (text.compare(star, 3, "*.*") != 0) extensions.push_back(text.substr(star + 1, end - star - 1));
    }
    return extensions;
}

std::vector<std::string> Words(const CString& words) {
    std::vector<std::string> list;
    std::istringstream in(words.GetString());
    for (std::string word; in >> word;) list.push_back(word);
    return list;
}

bool HoldsWord(const CString& words, const std::string& word) {
    return (" " + std::string(words.GetString()) + " ").find(" " + word + " ") != std::string::npos;
}

}  // namespace

// Walks the table: every written format goes out through tbx with its code and comes
// back through tbx info with the table's family name, family and code, and with text
// symbols exactly when the table says it is text; the write filters list each written
// format at its code, and every extension of the read filters is read as a format of
// the table that names it.
TEST_F(TbxExchange, TbxAndTheFilterListsAgreeWithTheFormatTable) {
    CReadAndWriteFileFunction engine;
    CStringArray writeFilters, readFilters;
    engine.GetFormatFilterWrite(&writeFilters);
    engine.GetFormatFilterRead(&readFilters);
    int written = 0;
    TBExchangeFormatInfo info;
    for (int i = 0; TBGetExchangeFormat(i, info); ++i) {
        SCOPED_TRACE(info.name.GetString());
        EXPECT_EQ(info.familyName, TBGetExchangeFamilyName(info.familyCode));
        EXPECT_NE(info.familyName, "unknown");
        for (const std::string& ext : Words(info.readExtensions))
            EXPECT_EQ(TBFindExchangeFormatOfFile(("x" + ext).c_str()), i) << ext;
        if (info.formatCode < 0) continue;
        ++written;
        EXPECT_EQ(TBFindExchangeFormatOfCode(info.formatCode), i);
        ASSERT_LT(info.formatCode, writeFilters.GetSize());
        const std::vector<std::string> filtered = FilterExtensions(writeFilters[info.formatCode]);
        EXPECT_NE(std::find(filtered.begin(), filtered.end(), info.writeExtension.GetString()), filtered.end());

        const std::string base = In("f" + std::to_string(info.formatCode));
        Succeeds("convert " + example + " " + base + " --format " + std::to_string(info.formatCode));
        const std::string shown = Succeeds("info " + base + info.writeExtension.GetString());
        ExpectShows(shown, {("Format:    " + std::string(info.familyName.GetString()) + " (family " +
                             std::to_string(info.familyCode) + ", format code " + std::to_string(info.readFormatCode) + ")")
                                .c_str()});
        EXPECT_EQ(shown.find("Separator:") != std::string::npos, info.readAsText) << shown;
    }
    EXPECT_EQ(written, writeFilters.GetSize());
    for (int f = 0; f < readFilters.GetSize(); ++f) {
        for (const std::string& ext : FilterExtensions(readFilters[f])) {
            ASSERT_TRUE(TBGetExchangeFormat(TBFindExchangeFormatOfFile(("x" + ext).c_str()), info)) << ext;
            EXPECT_TRUE(HoldsWord(info.readExtensions, ext)) << ext << " is read as " << info.name.GetString();
        }
    }
}
