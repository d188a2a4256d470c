// SPICE output: classic ".PRINT" listings (split, continued over page banners, cut
// off), the fallback to delimited text, ngspice batch listings compared with the raw
// file of the same run, the sample listings; raw files in ngspice's binary and text
// variants, a complex AC plot against the RC low-pass formula, the UTF-16 variant with
// single-precision values, and headers that promise more than the file holds.
#include <toolbox/exchange/engine.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace tbtest;

namespace {

/// Runs ngspice in batch mode in dir; options such as "-o out.log" or "-r out.raw".
bool RunNgspice(const std::string& dir, const std::string& netlist, const std::string& options,
                const std::string& environment = "") {
    return tbtest::Shell("cd '" + dir + "' && " + environment + " timeout 60 ngspice -b " + options + " " + netlist)
               .status == 0;
}

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

class Spice : public ::testing::Test {
protected:
    // Writes text to name in the scratch directory and reads it as a host does.
    ChannelRead Read(const char* name, const std::string& text) {
        WriteFile(dir.File(name), text);
        return ChannelRead(dir.File(name));
    }
    ScratchDir dir;
};

TEST_F(Spice, OneTableGivesChannelsWithUnitsAndValues) {
    ChannelRead read =
        Read("a.out", Listing(TransientHeader("     TIME       V(1)        V(2)") + Rows(0, 101, 3, 10) + "\n"));
    ASSERT_EQ(read.data, 1) << read.Error();
    EXPECT_EQ(read.engine.GetNrItems(), 101);
    EXPECT_EQ(read.Names(), (Strings{"TIME", "1", "2"}));
    EXPECT_EQ(read.Units(), (Strings{"", "V", "V"}));
    EXPECT_DOUBLE_EQ(read.At(0, 100), 1e-7);
    EXPECT_DOUBLE_EQ(read.At(2, 100), 120);
    EXPECT_EQ(read.engine.GetLoadVersion(), 6);
}

TEST_F(Spice, SplitRequestAddsColumnsWithoutRepeatingTime) {
    // The second table is shorter: the longest gives NrItems, the rest stays untouched.
    WriteFile(dir.File("b.out"), Listing(TransientHeader("TIME V(1) V(2)") + Rows(0, 5, 3, 10) + "\n" + kBanner +
                                         TransientHeader("TIME I(R1)") + Rows(0, 3, 2, 100) + "\n"));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("b.out").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    ASSERT_EQ(engine.GetNrChannels(), 4);
    EXPECT_EQ(engine.GetNrItems(), 5);
    EXPECT_EQ(std::string(engine.GetChannel(3)->GetChannelName()), "R1");
    EXPECT_EQ(std::string(engine.GetChannel(3)->GetUnitName()), "I");
    std::vector<double> time(5, -1.0);
    CArray<COleVariant, COleVariant> v2;
    CArray<double, double> r1Array;
    CStringArray v1Text;
    engine.GetChannel(0)->SetDoublePtr(time.data());
    engine.GetChannel(1)->SetStringArray(&v1Text);
    engine.GetChannel(2)->SetVariantArray(&v2);
    engine.GetChannel(3)->SetDoubleArray(&r1Array);
    ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError();
    ASSERT_EQ(r1Array.GetSize(), 3);
    EXPECT_DOUBLE_EQ(r1Array[2], 102);
    ASSERT_EQ(v1Text.GetSize(), 5);
    EXPECT_EQ(std::string(v1Text[4]), "1.400e+01");  // the token text itself
    EXPECT_DOUBLE_EQ(time[4], 4e-9);
    ASSERT_EQ(v2.GetSize(), 5);
    EXPECT_EQ(std::string(v2[1].GetText()), "2.100e+01");
}

TEST_F(Spice, TableInterruptedByPageBannerIsJoined) {
    const std::string header = TransientHeader("TIME V(1) V(2)");
    ChannelRead read =
        Read("c.out", Listing(header + Rows(0, 4, 3, 10) + "\n" + kBanner + header + Rows(4, 3, 3, 10) + "\n"));
    ASSERT_EQ(read.data, 1) << read.Error();
    EXPECT_EQ(read.Channels(), 3);
    ASSERT_EQ(read.engine.GetNrItems(), 7);
    EXPECT_DOUBLE_EQ(read.At(0, 6), 6e-9);
    EXPECT_DOUBLE_EQ(read.At(1, 6), 16);
}

TEST_F(Spice, BrokenTablesMissingFilesAndChannelsWithoutStoreFail) {
    const std::string cut = Listing(TransientHeader("TIME V(1)") + Rows(0, 3, 2, 1));  // no line after the data
    const std::string noHeader = Listing("0****  TRANSIENT ANALYSIS\n\n***\n");
    const std::string noData = Listing(TransientHeader("TIME V(1)"));
    for (const std::string& text : {cut, noHeader, noData}) {
        ChannelRead read = Read("d.out", text);
        EXPECT_EQ(read.info, 0);
        EXPECT_EQ(read.Error(), "Error by reading the out-file >>" + dir.File("d.out") + "<<!");
        EXPECT_EQ(read.engine.GetLastErrorNumber(), 3);
    }
    ChannelRead missing("/nonexistent/x.out");
    EXPECT_EQ(missing.info, 0);
    EXPECT_EQ(missing.engine.GetLastErrorNumber(), 3);
    EXPECT_EQ(missing.Error(), "The file  >>/nonexistent/x.out<<  couldn't be opened!");

    WriteFile(dir.File("e.out"), Listing(TransientHeader("TIME V(OUT,IN)") + Rows(0, 2, 2, 1) + "\n"));
    ChannelRead bare(dir.File("e.out"), nullptr, nullptr, 2, {1});
    ASSERT_EQ(bare.info, 1);
    EXPECT_EQ(bare.Name(1), "OUT,IN");
    EXPECT_EQ(bare.Unit(1), "V");
    EXPECT_EQ(bare.data, 0);
    EXPECT_EQ(bare.engine.GetLastErrorNumber(), 4);
    EXPECT_NE(bare.Error().find("channel 2!"), std::string::npos);  // 1-based
}

TEST_F(Spice, MissingSlotWarnsWithTheOneBasedChannelAndStillSucceeds) {
    WriteFile(dir.File("m.out"), Listing(TransientHeader("TIME V(1) V(2)") + Rows(0, 2, 3, 1) + "\n"));
    ChannelRead read(dir.File("m.out"), nullptr, nullptr, 2, {1, true});
    EXPECT_EQ(read.data, 1);
    EXPECT_NE(read.Warnings().find("channel 2 !"), std::string::npos) << read.Warnings();
    EXPECT_DOUBLE_EQ(read.At(2, 1), 3.0);
}

TEST_F(Spice, PrintWithoutAnalysisTableHasNoChannels) {
    ChannelRead read = Read("n.out", Listing("0****  OPERATING POINT INFORMATION\n\n V(1) = 1.0\n"));
    EXPECT_EQ(read.info, 1) << read.Error();
    EXPECT_EQ(read.engine.GetNrChannels(), 0);
    EXPECT_EQ(read.engine.GetNrItems(), 0);
    EXPECT_NE(read.engine.FileKind, TB_KIND_TEXT);
    EXPECT_EQ(read.data, 1);
}

TEST_F(Spice, TextWithoutPrintIsReadAsDelimitedText) {
    ChannelRead read = Read("f.out", "\"a\"\t\"b\"\n1\t2\n3\t4\n");
    ASSERT_EQ(read.data, 1) << read.Error();
    EXPECT_EQ(read.engine.FileKind, TB_KIND_TEXT);
    // Without the import dialog the fallback has no separator: a line is one field.
    EXPECT_EQ(read.Channels(), 1);
    EXPECT_EQ(read.engine.GetNrItems(), 2);
}

// ngspice prints six digits; its binary raw file of the same run holds full doubles.
TEST_F(Spice, NgspiceBatchListingMatchesItsRawFile) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    WriteFile(dir.File("ladder.cir"),
              "rc ladder\nv1 1 0 pulse(0 1 0 1u 1u 20u 40u)\nr1 1 2 1k\nc1 2 0 1n\nr2 2 3 1k\nc2 3 0 1n\n"
              "r3 3 4 1k\nc3 4 0 1n\nr4 4 5 1k\nc4 5 0 1n\nr5 5 6 1k\nc5 6 0 1n\n.tran 0.2u 60u\n"
              ".print tran v(1) v(2) v(3) v(4) v(5) v(6) i(v1)\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "ladder.cir", "-o ladder.out"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "ladder.cir", "-r ladder.raw"));
    ChannelRead listing(dir.File("ladder.out")), raw(dir.File("ladder.raw"));
    ASSERT_EQ(listing.data, 1) << listing.Error();
    ASSERT_EQ(raw.data, 1) << raw.Error();
    ASSERT_EQ(listing.Channels(), 8);  // time and seven vectors, blocks joined
    ASSERT_EQ(listing.engine.GetNrItems(), raw.engine.GetNrItems());
    EXPECT_EQ(listing.Names(), raw.Names());
    EXPECT_EQ(listing.Units(), raw.Units());
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < raw.engine.GetNrItems(); ++r)
            ASSERT_NEAR(listing.At(c, r), raw.At(c, r), 1e-5 * std::fabs(raw.At(c, r)) + 1e-12) << c << " " << r;
    }
}

TEST(SpiceSamples, NgspiceListingReads) {
    ChannelRead batch(TOOLBOX_TEST_DATA "/samples/ngspice/ngspice_schmitt.out");
    ASSERT_EQ(batch.data, 1) << batch.Error();
    ASSERT_EQ(batch.Channels(), 5);
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

// The SPICE 2G.6 listing comes under its own notice and is not part of the repository.
TEST(SpiceSamples, ClassicListingReads) {
    const std::string path = std::string(TOOLBOX_SAMPLES) + "/spice/spice2g6_benchmark.out";
    if (!Exists(path))
        GTEST_SKIP() << "the SPICE 2G.6 sample listing is not in the repository (own licence); expected at " << path;
    ChannelRead classic(path);
    ASSERT_EQ(classic.data, 1) << classic.Error();
    // Five printed transient tables: TIME V(4) V(5); V(3) V(5); V(1) V(3) V(5) V(6); V(20) V(66).
    ASSERT_EQ(classic.Channels(), 11);
    EXPECT_EQ(classic.engine.GetNrItems(), 101);
    EXPECT_EQ(classic.Name(1), "4");
    EXPECT_EQ(classic.Name(10), "66");
    EXPECT_DOUBLE_EQ(classic.At(1, 0), 5.229);
    EXPECT_DOUBLE_EQ(classic.At(0, 100), 5e-7);
}

TEST_F(Spice, BinaryAndTextRawFilesOfOneRunAgreeAndComplexPlotsGiveMagnitudes) {
    TBTEST_REQUIRE_PROGRAM("ngspice");
    WriteFile(dir.File("rc.cir"),
              "rc step\nv1 1 0 pulse(0 1 0 1u 1u 10u 20u)\nr1 1 2 1k\nc1 2 0 1n\n.tran 0.5u 40u\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r bin.raw"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r text.raw", "SPICE_ASCIIRAWFILE=1"));
    ASSERT_NE(ReadFile(dir.File("text.raw")).find("Values:"), std::string::npos);
    ChannelRead binary(dir.File("bin.raw")), text(dir.File("text.raw"));
    ASSERT_EQ(binary.data, 1) << binary.Error();
    ASSERT_EQ(text.data, 1) << text.Error();
    ASSERT_EQ(binary.Names(), (Strings{"time", "1", "2", "v1"}));
    EXPECT_EQ(binary.Units(), (Strings{"s", "V", "V", "A"}));
    const int items = binary.engine.GetNrItems();
    ASSERT_EQ(text.engine.GetNrItems(), items);
    ASSERT_GT(items, 50);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < items; ++r)
            ASSERT_NEAR(text.At(c, r), binary.At(c, r), 1e-12 * std::fabs(binary.At(c, r)) + 1e-20);
    // The capacitor charges towards the pulse level: v(2) at the end of the first
    // pulse (11 us, ten time constants of 1 us) is close to 1 V.
    int row = 0;
    while (row + 1 < items && binary.At(0, row) < 11e-6) ++row;
    EXPECT_NEAR(binary.At(2, row), 1.0, 1e-3);

    WriteFile(dir.File("ac.cir"), "ac\nv1 1 0 dc 0 ac 1\nr1 1 2 1k\nc1 2 0 1n\n.ac dec 5 1k 1meg\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "ac.cir", "-r ac.raw"));
    ChannelRead ac(dir.File("ac.raw"));
    ASSERT_EQ(ac.data, 1) << ac.Error();
    EXPECT_EQ(ac.Unit(0), "Hz");
    ASSERT_EQ(ac.engine.GetNrItems(), 16);
    for (int r = 0; r < 16; ++r) {
        const double w = 2 * M_PI * ac.At(0, r) * 1e3 * 1e-9;
        EXPECT_NEAR(ac.At(2, r), 1 / std::sqrt(1 + w * w), 1e-9);
    }
}

TEST_F(Spice, Utf16HeaderWithSinglePrecisionValuesAndFastAccessLayout) {
    std::string file;
    for (char c : std::string("Title: * test\nDate: x\nPlotname: Transient Analysis\nFlags: real forward\n"
                              "No. Variables: 3\nNo. Points: 3\nOffset: 0\nVariables:\n\t0\ttime\ttime\n"
                              "\t1\tV(out)\tvoltage\n\t2\tI(R1)\tdevice_current\nBinary:\n"))
        file += std::string(1, c) + '\0';  // UTF-16
    for (int r = 0; r < 3; ++r)            // a negative time marks a point
        file += BytesOf<double>(r == 1 ? -1e-3 : r * 1e-3) + BytesOf<float>(0.5f * r) + BytesOf<float>(-0.25f * r);
    ChannelRead read = Read("lt.raw", file);
    ASSERT_EQ(read.data, 1) << read.Error();
    EXPECT_EQ(read.Names(), (Strings{"time", "out", "R1"}));
    EXPECT_EQ(read.Unit(1), "V");
    EXPECT_EQ(read.Column(0), (Values{0, 1e-3, 2e-3}));
    EXPECT_EQ(read.Column(1), (Values{0, 0.5, 1}));
    EXPECT_EQ(read.Column(2), (Values{0, -0.25, -0.5}));

    // Fast access: vector after vector.
    file =
        "Title: t\nPlotname: Transient Analysis\nFlags: real double fastaccess\nNo. Variables: 2\n"
        "No. Points: 2\nVariables:\n\t0\ttime\ttime\n\t1\tv(a)\tvoltage\nBinary:\n";
    for (double v : {0.0, 1.0, 7.0, 8.0}) file += BytesOf<double>(v);
    ChannelRead fast = Read("fa.raw", file);
    ASSERT_EQ(fast.data, 1) << fast.Error();
    EXPECT_EQ(fast.Column(0), (Values{0, 1}));
    EXPECT_EQ(fast.Column(1), (Values{7, 8}));

    // A channel without storage warns with its 1-based number; the others are still read.
    ChannelRead missing(dir.File("fa.raw"), nullptr, nullptr, 2, {0, true});
    EXPECT_NE(missing.Warnings().find("channel 1 !"), std::string::npos) << missing.Warnings();
    EXPECT_DOUBLE_EQ(missing.At(1, 1), 8.0);
}

TEST_F(Spice, HeadersPromisingMoreThanTheFileHoldsFail) {
    ChannelRead cut = Read("cut.raw",
                           "Title: t\nFlags: real\nNo. Variables: 2\nNo. Points: 1000000000\nVariables:\n"
                           "\t0\ttime\ttime\n\t1\tv(a)\tvoltage\nBinary:\n" +
                               BytesOf<double>(0.0));
    EXPECT_EQ(cut.info, 0);
    EXPECT_EQ(cut.engine.GetLastErrorNumber(), 3);
    EXPECT_NE(cut.Error().find("ends before the 1000000000 points"), std::string::npos);

    // More variable lines than announced, or fewer: no raw header.
    ChannelRead vars = Read("vars.raw",
                            "Title: t\nNo. Variables: 1\nNo. Points: 1\nVariables:\n\t0\ttime\ttime\n"
                            "\t1\tv(a)\tvoltage\nValues:\n0 0 0\n");
    EXPECT_EQ(vars.info, 0);
    EXPECT_EQ(vars.Error(), "The file >>" + dir.File("vars.raw") + "<< has no valid raw file header!");

    // A text file cut inside its values fails in the data step; nothing beyond the
    // announced points is written.
    ChannelRead text = Read("text.raw",
                            "Title: t\nNo. Variables: 2\nNo. Points: 3\nVariables:\n\t0\ttime\ttime\n"
                            "\t1\tv(a)\tvoltage\nValues:\n 0\t0\n\t1\n 1\t1e-3\n\t2\n 2\t2e-3\n");
    ASSERT_EQ(text.info, 1);
    EXPECT_EQ(text.data, 0);
    EXPECT_EQ(text.engine.GetLastErrorNumber(), 3);
    EXPECT_EQ(text.Size(1), 2);
}

}  // namespace
