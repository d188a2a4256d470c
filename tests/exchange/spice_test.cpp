// SPICE output: classic ".PRINT" listings (split, continued over page banners, cut
// off), the fallback to delimited text, ngspice batch listings compared with the raw
// file of the same run, the sample listings; raw files in ngspice's binary and text
// variants, a complex AC plot against the RC low-pass formula, the UTF-16 variant with
// single-precision values, and headers that promise more than the file holds.
#include <toolbox/exchange/engine.h>
#include "tests/support/bytes.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

using namespace tbtest;

namespace {

/// Runs ngspice in batch mode in dir; options such as "-o out.log" or "-r out.raw".
bool RunNgspice(const std::string& dir, const std::string& netlist, const std::string& options,
                const std::string& environment = "") {
    return tbtest::Shell("cd '" + dir + "' && " + environment + " timeout 60 ngspice -b " + options + " " + netlist)
               .status == 0;
}
}  // namespace

namespace {

const char* kBanner = "1*******03/22/83 ********  SPICE 2G.6    3/15/83 ********13:30:35*****\n";

std::string TransientHeader(const std::string& columns) {
    return std::string(
               "0****                 TRANSIENT ANALYSIS                 TEMPERATURE =   27.000 DEG C\n\n"
               "0**************************************************************\n\n\n") +
           columns + "\n\n";
}

std::string Rows(int first, int count, int columns, double scale) {
    std::ostringstream out;
    char line[256];
    for (int r = first; r < first + count; ++r) {
        out << "  ";
        std::snprintf(line, sizeof line, "%.3e", r * 1e-9);
        out << line;
        for (int c = 1; c < columns; ++c) {
            std::snprintf(line, sizeof line, "   %.3e", scale * c + r);
            out << line;
        }
        out << "\n";
    }
    return out.str();
}

std::string Listing(const std::string& body) {
    return std::string(kBanner) + "0TEST CIRCUIT\n .TRAN 1NS 100NS\n .PRINT TRAN V(1) V(2)\n .END\n" + body;
}

TEST(SpiceListing, OneTableGivesChannelsWithUnitsAndValues) {
    ScratchDir dir;
    WriteFile(dir.File("a.out"),
              Listing(TransientHeader("     TIME       V(1)        V(2)") + Rows(0, 101, 3, 10) + "\n"));
    ChannelRead read(dir.File("a.out"));
    ASSERT_EQ(read.info, 1) << read.engine.GetLastError();
    ASSERT_EQ(read.data, 1) << read.engine.GetLastError();
    EXPECT_EQ(read.engine.GetNrItems(), 101);
    ASSERT_EQ(read.engine.GetNrChannels(), 3);
    EXPECT_EQ(read.Name(0), "TIME");
    EXPECT_EQ(read.Unit(0), "");
    EXPECT_EQ(read.Name(1), "1");
    EXPECT_EQ(read.Unit(1), "V");
    EXPECT_EQ(read.Name(2), "2");
    EXPECT_DOUBLE_EQ(read.At(0, 100), 1e-7);
    EXPECT_DOUBLE_EQ(read.At(2, 100), 120);
    EXPECT_EQ(read.engine.GetLoadVersion(), 6);
}

TEST(SpiceListing, SplitRequestAddsColumnsWithoutRepeatingTime) {
    ScratchDir dir;
    // The second table is shorter: the longest gives NrItems, the rest stays untouched.
    WriteFile(dir.File("b.out"), Listing(TransientHeader("TIME V(1) V(2)") + Rows(0, 5, 3, 10) + "\n" + kBanner +
                                         TransientHeader("TIME I(R1)") + Rows(0, 3, 2, 100) + "\n"));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("b.out").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    ASSERT_EQ(engine.GetNrChannels(), 4);
    EXPECT_EQ(engine.GetNrItems(), 5);
    EXPECT_EQ(std::string(engine.GetChannel(3)->GetChannelName()), "R1");
    EXPECT_EQ(std::string(engine.GetChannel(3)->GetUnitName()), "I");
    std::vector<double> timeBlock(5, -1.0);
    double* time = timeBlock.data();
    engine.GetChannel(0)->SetDoublePtr(time);
    CArray<COleVariant, COleVariant> v2;
    engine.GetChannel(2)->SetVariantArray(&v2);
    CArray<double, double> r1Array;
    engine.GetChannel(3)->SetDoubleArray(&r1Array);
    CStringArray v1Text;
    engine.GetChannel(1)->SetStringArray(&v1Text);
    ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError();
    ASSERT_EQ(r1Array.GetSize(), 3);
    EXPECT_DOUBLE_EQ(r1Array[2], 102);
    ASSERT_EQ(v1Text.GetSize(), 5);
    EXPECT_EQ(std::string(v1Text[4]), "1.400e+01");  // the token text itself
    EXPECT_DOUBLE_EQ(time[4], 4e-9);
    ASSERT_EQ(v2.GetSize(), 5);
    EXPECT_EQ(std::string(v2[1].GetText()), "2.100e+01");
}

TEST(SpiceListing, TableInterruptedByPageBannerIsJoined) {
    ScratchDir dir;
    const std::string header = "TIME V(1) V(2)";
    WriteFile(dir.File("c.out"), Listing(TransientHeader(header) + Rows(0, 4, 3, 10) + "\n" + kBanner +
                                         TransientHeader(header) + Rows(4, 3, 3, 10) + "\n"));
    ChannelRead read(dir.File("c.out"));
    ASSERT_EQ(read.data, 1) << read.engine.GetLastError();
    EXPECT_EQ(read.engine.GetNrChannels(), 3);
    ASSERT_EQ(read.engine.GetNrItems(), 7);
    EXPECT_DOUBLE_EQ(read.At(0, 6), 6e-9);
    EXPECT_DOUBLE_EQ(read.At(1, 6), 16);
}

TEST(SpiceListing, BrokenTablesFailWithTheListingError) {
    ScratchDir dir;
    const std::string cut = Listing(TransientHeader("TIME V(1)") + Rows(0, 3, 2, 1));  // no line after the data
    const std::string noHeader = Listing("0****  TRANSIENT ANALYSIS\n\n***\n");
    const std::string noData = Listing(TransientHeader("TIME V(1)"));
    for (const std::string& text : {cut, noHeader, noData}) {
        WriteFile(dir.File("d.out"), text);
        CReadAndWriteFileFunction engine;
        EXPECT_EQ(engine.ReadInfoFile(dir.File("d.out").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
        EXPECT_EQ(std::string(engine.GetLastError()), "Error by reading the out-file >>" + dir.File("d.out") + "<<!");
        EXPECT_EQ(engine.GetLastErrorNumber(), 3);
    }
}

TEST(SpiceListing, ChannelWithoutStoreFails) {
    ScratchDir dir;
    WriteFile(dir.File("e.out"), Listing(TransientHeader("TIME V(OUT,IN)") + Rows(0, 2, 2, 1) + "\n"));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("e.out").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    EXPECT_EQ(std::string(engine.GetChannel(1)->GetChannelName()), "OUT,IN");
    EXPECT_EQ(std::string(engine.GetChannel(1)->GetUnitName()), "V");
    CArray<double, double> time;
    engine.GetChannel(0)->SetDoubleArray(&time);
    EXPECT_EQ(engine.ReadDataFile(), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 4);
    EXPECT_NE(std::string(engine.GetLastError()).find("channel 2!"), std::string::npos);  // 1-based
}

TEST(SpiceListing, MissingSlotWarnsWithTheOneBasedChannelAndStillSucceeds) {
    ScratchDir dir;
    WriteFile(dir.File("m.out"), Listing(TransientHeader("TIME V(1) V(2)") + Rows(0, 2, 3, 1) + "\n"));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("m.out").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    CArray<double, double> time, v2;
    engine.GetChannel(0)->SetDoubleArray(&time);
    engine.GetChannel(2)->SetDoubleArray(&v2);
    engine.ReplaceChannelSlot(1, nullptr);
    EXPECT_EQ(engine.ReadDataOUTFile(), 1);
    EXPECT_NE(std::string(engine.GetLastWarn()).find("channel 2 !"), std::string::npos) << engine.GetLastWarn();
    EXPECT_DOUBLE_EQ(v2[1], 3.0);
}

TEST(SpiceListing, PrintWithoutAnalysisTableHasNoChannels) {
    ScratchDir dir;
    WriteFile(dir.File("n.out"), Listing("0****  OPERATING POINT INFORMATION\n\n V(1) = 1.0\n"));
    ChannelRead read(dir.File("n.out"));
    EXPECT_EQ(read.info, 1) << read.Error();
    EXPECT_EQ(read.engine.GetNrChannels(), 0);
    EXPECT_EQ(read.engine.GetNrItems(), 0);
    EXPECT_NE(read.engine.FileKind, TB_KIND_TEXT);
    EXPECT_EQ(read.data, 1);
}

TEST(SpiceListing, TextWithoutPrintIsReadAsDelimitedText) {
    ScratchDir dir;
    WriteFile(dir.File("f.out"), "\"a\"\t\"b\"\n1\t2\n3\t4\n");
    ChannelRead read(dir.File("f.out"));
    ASSERT_EQ(read.info, 1) << read.engine.GetLastError();
    EXPECT_EQ(read.engine.FileKind, TB_KIND_TEXT);
    // Without the import dialog the fallback has no separator: a line is one field.
    EXPECT_EQ(read.engine.GetNrChannels(), 1);
    EXPECT_EQ(read.engine.GetNrItems(), 2);
    EXPECT_EQ(read.data, 1);
}

TEST(SpiceListing, MissingFileGivesOpenError) {
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile("/nonexistent/x.out", "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 3);
    EXPECT_EQ(std::string(engine.GetLastError()), "The file  >>/nonexistent/x.out<<  couldn't be opened!");
}

// ngspice prints six digits; its binary raw file of the same run holds full doubles.
TEST(SpiceListing, NgspiceBatchListingMatchesItsRawFile) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    ScratchDir dir;
    WriteFile(dir.File("ladder.cir"),
              "rc ladder\nv1 1 0 pulse(0 1 0 1u 1u 20u 40u)\nr1 1 2 1k\nc1 2 0 1n\nr2 2 3 1k\nc2 3 0 1n\n"
              "r3 3 4 1k\nc3 4 0 1n\nr4 4 5 1k\nc4 5 0 1n\nr5 5 6 1k\nc5 6 0 1n\n.tran 0.2u 60u\n"
              ".print tran v(1) v(2) v(3) v(4) v(5) v(6) i(v1)\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "ladder.cir", "-o ladder.out"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "ladder.cir", "-r ladder.raw"));
    ChannelRead listing(dir.File("ladder.out"));
    ChannelRead raw(dir.File("ladder.raw"));
    ASSERT_EQ(listing.data, 1) << listing.engine.GetLastError();
    ASSERT_EQ(raw.data, 1) << raw.engine.GetLastError();
    ASSERT_EQ(listing.engine.GetNrChannels(), 8);  // time and seven vectors, blocks joined
    ASSERT_EQ(listing.engine.GetNrItems(), raw.engine.GetNrItems());
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(listing.Name(c), raw.Name(c));
        EXPECT_EQ(listing.Unit(c), raw.Unit(c));
        for (int r = 0; r < raw.engine.GetNrItems(); ++r) {
            const double expected = raw.At(c, r);
            ASSERT_NEAR(listing.At(c, r), expected, 1e-5 * std::fabs(expected) + 1e-12) << c << " " << r;
        }
    }
}

// The SPICE 2G.6 listing comes under its own notice and is not part of the repository.
TEST(SpiceListing, ClassicSampleListingReads) {
    const std::string path = std::string(TOOLBOX_SAMPLES) + "/spice/spice2g6_benchmark.out";
    if (!Exists(path))
        GTEST_SKIP() << "the SPICE 2G.6 sample listing is not in the repository (own licence); expected at " << path;
    ChannelRead classic(path);
    ASSERT_EQ(classic.data, 1) << classic.engine.GetLastError();
    // Five printed transient tables: TIME V(4) V(5); V(3) V(5); V(1) V(3) V(5) V(6); V(20) V(66).
    ASSERT_EQ(classic.engine.GetNrChannels(), 11);
    EXPECT_EQ(classic.engine.GetNrItems(), 101);
    EXPECT_EQ(classic.Name(1), "4");
    EXPECT_EQ(classic.Name(10), "66");
    EXPECT_DOUBLE_EQ(classic.At(1, 0), 5.229);
    EXPECT_DOUBLE_EQ(classic.At(0, 100), 5e-7);
}

TEST(SpiceListing, NgspiceSampleListingReads) {
    ChannelRead batch(TOOLBOX_TEST_DATA "/samples/ngspice/ngspice_schmitt.out");
    ASSERT_EQ(batch.data, 1) << batch.engine.GetLastError();
    ASSERT_EQ(batch.engine.GetNrChannels(), 5);
    EXPECT_EQ(batch.engine.GetNrItems(), 146);
    EXPECT_EQ(batch.Name(4), "6");
    EXPECT_DOUBLE_EQ(batch.At(1, 0), -1.6);
    EXPECT_DOUBLE_EQ(batch.At(4, 1), -1.110593);    // second block, first page
    EXPECT_DOUBLE_EQ(batch.At(4, 145), -1.110598);  // second block, last page
}

TEST(SpiceListing, BatchBranchCurrentsOfOneLetterSources) {
    ScratchDir dir;
    WriteFile(dir.File("b.out"),
              "title\n-----\nIndex   time   v#branch   vin#branch\n-----\n0\t0\t1e-3\t2\n1\t1e-9\t2e-3\t3\n");
    ChannelRead batch(dir.File("b.out"));
    ASSERT_EQ(batch.data, 1) << batch.Error();
    ASSERT_EQ(batch.Channels(), 3);
    EXPECT_EQ(batch.Name(1), "v");
    EXPECT_EQ(batch.Unit(1), "A");
    EXPECT_EQ(batch.Name(2), "vin");
    EXPECT_DOUBLE_EQ(batch.At(1, 1), 2e-3);
}

const char* kRcNetlist = "rc step\nv1 1 0 pulse(0 1 0 1u 1u 10u 20u)\nr1 1 2 1k\nc1 2 0 1n\n.tran 0.5u 40u\n.end\n";

TEST(SpiceRaw, BinaryAndTextFilesOfOneRunAgree) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    ScratchDir dir;
    WriteFile(dir.File("rc.cir"), kRcNetlist);
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r bin.raw"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r text.raw", "SPICE_ASCIIRAWFILE=1"));
    ASSERT_NE(ReadFile(dir.File("text.raw")).find("Values:"), std::string::npos);
    ChannelRead binary(dir.File("bin.raw"));
    ChannelRead text(dir.File("text.raw"));
    ASSERT_EQ(binary.data, 1) << binary.engine.GetLastError();
    ASSERT_EQ(text.data, 1) << text.engine.GetLastError();
    ASSERT_EQ(binary.engine.GetNrChannels(), 4);
    const char* names[] = {"time", "1", "2", "v1"};
    const char* units[] = {"s", "V", "V", "A"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(binary.Name(c), names[c]);
        EXPECT_EQ(binary.Unit(c), units[c]);
    }
    ASSERT_EQ(text.engine.GetNrItems(), binary.engine.GetNrItems());
    ASSERT_GT(binary.engine.GetNrItems(), 50);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < binary.engine.GetNrItems(); ++r)
            ASSERT_NEAR(text.At(c, r), binary.At(c, r), 1e-12 * std::fabs(binary.At(c, r)) + 1e-20);
    // The capacitor charges towards the pulse level: v(2) at the end of the first
    // pulse (11 us, ten time constants of 1 us) is close to 1 V.
    int row = 0;
    while (row + 1 < binary.engine.GetNrItems() && binary.At(0, row) < 11e-6) ++row;
    EXPECT_NEAR(binary.At(2, row), 1.0, 1e-3);
}

TEST(SpiceRaw, ComplexPlotGivesMagnitudes) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    ScratchDir dir;
    WriteFile(dir.File("ac.cir"), "ac\nv1 1 0 dc 0 ac 1\nr1 1 2 1k\nc1 2 0 1n\n.ac dec 5 1k 1meg\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "ac.cir", "-r ac.raw"));
    ChannelRead ac(dir.File("ac.raw"));
    ASSERT_EQ(ac.data, 1) << ac.engine.GetLastError();
    EXPECT_EQ(ac.Unit(0), "Hz");
    ASSERT_EQ(ac.engine.GetNrItems(), 16);
    for (int r = 0; r < 16; ++r) {
        const double w = 2 * M_PI * ac.At(0, r) * 1e3 * 1e-9;
        EXPECT_NEAR(ac.At(2, r), 1 / std::sqrt(1 + w * w), 1e-9);
    }
}

std::string Utf16(const std::string& text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

TEST(SpiceRaw, Utf16HeaderWithSinglePrecisionValues) {
    ScratchDir dir;
    std::string file = Utf16(
        "Title: * test\nDate: x\nPlotname: Transient Analysis\nFlags: real forward\n"
        "No. Variables: 3\nNo. Points: 3\nOffset: 0\nVariables:\n\t0\ttime\ttime\n"
        "\t1\tV(out)\tvoltage\n\t2\tI(R1)\tdevice_current\nBinary:\n");
    for (int r = 0; r < 3; ++r) {
        file += BytesOf<double>(r == 1 ? -1e-3 : r * 1e-3);  // a negative time marks a point
        file += BytesOf<float>(0.5f * r);
        file += BytesOf<float>(-0.25f * r);
    }
    WriteFile(dir.File("lt.raw"), file);
    ChannelRead read(dir.File("lt.raw"));
    ASSERT_EQ(read.data, 1) << read.engine.GetLastError();
    ASSERT_EQ(read.engine.GetNrChannels(), 3);
    EXPECT_EQ(read.Name(1), "out");
    EXPECT_EQ(read.Unit(1), "V");
    EXPECT_EQ(read.Name(2), "R1");
    EXPECT_DOUBLE_EQ(read.At(0, 1), 1e-3);
    EXPECT_DOUBLE_EQ(read.At(1, 2), 1.0);
    EXPECT_DOUBLE_EQ(read.At(2, 2), -0.5);
}

TEST(SpiceRaw, FastAccessLayoutIsReadVectorAfterVector) {
    ScratchDir dir;
    std::string file =
        "Title: t\nPlotname: Transient Analysis\nFlags: real double fastaccess\nNo. Variables: 2\n"
        "No. Points: 2\nVariables:\n\t0\ttime\ttime\n\t1\tv(a)\tvoltage\nBinary:\n";
    for (double v : {0.0, 1.0, 7.0, 8.0}) file += BytesOf<double>(v);
    WriteFile(dir.File("fa.raw"), file);
    ChannelRead read(dir.File("fa.raw"));
    ASSERT_EQ(read.data, 1) << read.engine.GetLastError();
    EXPECT_DOUBLE_EQ(read.At(0, 1), 1.0);
    EXPECT_DOUBLE_EQ(read.At(1, 0), 7.0);
    EXPECT_DOUBLE_EQ(read.At(1, 1), 8.0);

    CReadAndWriteFileFunction missing;
    ASSERT_EQ(missing.ReadInfoFile(dir.File("fa.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    CArray<double, double> values;
    missing.GetChannel(1)->SetDoubleArray(&values);
    missing.ReplaceChannelSlot(0, nullptr);
    missing.ReadDataFile();
    EXPECT_NE(std::string(missing.GetLastWarn()).find("channel 1 !"), std::string::npos) << missing.GetLastWarn();
    EXPECT_DOUBLE_EQ(values[1], 8.0);
}

TEST(SpiceRaw, HeadersPromisingMoreThanTheFileHoldsFail) {
    ScratchDir dir;
    const std::string head =
        "Title: t\nFlags: real\nNo. Variables: 2\nNo. Points: 1000000000\nVariables:\n"
        "\t0\ttime\ttime\n\t1\tv(a)\tvoltage\n";
    std::string binary = head + "Binary:\n";
    binary += BytesOf<double>(0.0);
    WriteFile(dir.File("cut.raw"), binary);
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(dir.File("cut.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 3);
    EXPECT_NE(std::string(engine.GetLastError()).find("ends before the 1000000000 points"), std::string::npos);

    // More variable lines than announced, or fewer: no raw header.
    WriteFile(dir.File("vars.raw"),
              "Title: t\nNo. Variables: 1\nNo. Points: 1\nVariables:\n\t0\ttime\ttime\n"
              "\t1\tv(a)\tvoltage\nValues:\n0 0 0\n");
    CReadAndWriteFileFunction vars;
    EXPECT_EQ(vars.ReadInfoFile(dir.File("vars.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(std::string(vars.GetLastError()),
              "The file >>" + dir.File("vars.raw") + "<< has no valid raw file header!");

    // A text file cut inside its values fails in the data step; nothing beyond the
    // announced points is written.
    WriteFile(dir.File("text.raw"),
              "Title: t\nNo. Variables: 2\nNo. Points: 3\nVariables:\n\t0\ttime\ttime\n"
              "\t1\tv(a)\tvoltage\nValues:\n 0\t0\n\t1\n 1\t1e-3\n\t2\n 2\t2e-3\n");
    double block[3] = {-1, -1, -1};
    CReadAndWriteFileFunction text;
    ASSERT_EQ(text.ReadInfoFile(dir.File("text.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    CArray<double, double> time;
    text.GetChannel(0)->SetDoubleArray(&time);
    text.GetChannel(1)->SetDoubleArray(nullptr);
    CArray<double, double> a;
    text.GetChannel(1)->SetDoubleArray(&a);
    EXPECT_EQ(text.ReadDataFile(), 0);
    EXPECT_EQ(text.GetLastErrorNumber(), 3);
    EXPECT_EQ(a.GetSize(), 2);
    (void)block;
}

}  // namespace
