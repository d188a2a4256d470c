// SPICE raw files: ngspice's binary and text variants of the same run, a complex AC
// plot against the RC low-pass formula, the UTF-16 variant with single-precision
// values, and headers that promise more than the file holds.
#include <toolbox/exchange/engine.h>
#include "spice_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const char* kRcNetlist = "rc step\nv1 1 0 pulse(0 1 0 1u 1u 10u 20u)\nr1 1 2 1k\nc1 2 0 1n\n.tran 0.5u 40u\n.end\n";

TEST(SpiceRaw, BinaryAndTextFilesOfOneRunAgree) {
    if (!NgspiceAvailable()) GTEST_SKIP() << "ngspice not installed";
    ScratchDir dir;
    WriteText(dir.File("rc.cir"), kRcNetlist);
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r bin.raw"));
    ASSERT_TRUE(RunNgspice(dir.Path(), "rc.cir", "-r text.raw", "SPICE_ASCIIRAWFILE=1"));
    ASSERT_NE(ReadText(dir.File("text.raw")).find("Values:"), std::string::npos);
    ReadChannels binary(dir.File("bin.raw"));
    ReadChannels text(dir.File("text.raw"));
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
    if (!NgspiceAvailable()) GTEST_SKIP() << "ngspice not installed";
    ScratchDir dir;
    WriteText(dir.File("ac.cir"), "ac\nv1 1 0 dc 0 ac 1\nr1 1 2 1k\nc1 2 0 1n\n.ac dec 5 1k 1meg\n.end\n");
    ASSERT_TRUE(RunNgspice(dir.Path(), "ac.cir", "-r ac.raw"));
    ReadChannels ac(dir.File("ac.raw"));
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

template <typename T>
void Append(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

TEST(SpiceRaw, Utf16HeaderWithSinglePrecisionValues) {
    ScratchDir dir;
    std::string file = Utf16(
        "Title: * test\nDate: x\nPlotname: Transient Analysis\nFlags: real forward\n"
        "No. Variables: 3\nNo. Points: 3\nOffset: 0\nVariables:\n\t0\ttime\ttime\n"
        "\t1\tV(out)\tvoltage\n\t2\tI(R1)\tdevice_current\nBinary:\n");
    for (int r = 0; r < 3; ++r) {
        Append<double>(file, r == 1 ? -1e-3 : r * 1e-3);  // a negative time marks a point
        Append<float>(file, 0.5f * r);
        Append<float>(file, -0.25f * r);
    }
    WriteText(dir.File("lt.raw"), file);
    ReadChannels read(dir.File("lt.raw"));
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
    for (double v : {0.0, 1.0, 7.0, 8.0}) Append<double>(file, v);
    WriteText(dir.File("fa.raw"), file);
    ReadChannels read(dir.File("fa.raw"));
    ASSERT_EQ(read.data, 1) << read.engine.GetLastError();
    EXPECT_DOUBLE_EQ(read.At(0, 1), 1.0);
    EXPECT_DOUBLE_EQ(read.At(1, 0), 7.0);
    EXPECT_DOUBLE_EQ(read.At(1, 1), 8.0);
}

TEST(SpiceRaw, HeadersPromisingMoreThanTheFileHoldsFail) {
    ScratchDir dir;
    const std::string head =
        "Title: t\nFlags: real\nNo. Variables: 2\nNo. Points: 1000000000\nVariables:\n"
        "\t0\ttime\ttime\n\t1\tv(a)\tvoltage\n";
    std::string binary = head + "Binary:\n";
    Append<double>(binary, 0.0);
    WriteText(dir.File("cut.raw"), binary);
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(dir.File("cut.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 3);
    EXPECT_NE(std::string(engine.GetLastError()).find("ends before the 1000000000 points"), std::string::npos);

    // More variable lines than announced, or fewer: no raw header.
    WriteText(dir.File("vars.raw"),
              "Title: t\nNo. Variables: 1\nNo. Points: 1\nVariables:\n\t0\ttime\ttime\n"
              "\t1\tv(a)\tvoltage\nValues:\n0 0 0\n");
    CReadAndWriteFileFunction vars;
    EXPECT_EQ(vars.ReadInfoFile(dir.File("vars.raw").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(std::string(vars.GetLastError()),
              "The file >>" + dir.File("vars.raw") + "<< has no valid raw file header!");

    // A text file cut inside its values fails in the data step; nothing beyond the
    // announced points is written.
    WriteText(dir.File("text.raw"),
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
