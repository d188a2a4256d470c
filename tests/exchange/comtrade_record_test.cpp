// COMTRADE records: writer -> reader round trips, configuration parsing, binary sample
// layouts, continuation files, combined files, faulty input and the public samples.
#include "exchange/comtrade/comtrade.h"
#include <toolbox/exchange/read_and_write_files.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace tbtest;

namespace {

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n") {
    std::string text;
    for (const char* line : lines) text += std::string(line) + end;
    return text;
}

// The lines of the header file a read brought along.
CStringArray Header(const ChannelRead& read) {
    CStringArray header;
    read.engine.GetEditionalStringArray(&header);
    return header;
}

// A configuration of one analog channel U: counts, channel line, rates and data type.
std::string OneChannel(const char* rates, const char* type) {
    return Lines({"st,,1999", "1,1A,0D", "1,U,,,V,1,0,,0,9,1,1,P", "60", "1", rates, "x", "x", type, "1"});
}

class Comtrade : public ::testing::Test {
protected:
    ScratchDir dir;
};

}  // namespace

// ---------------------------------------------------------------- writing

TEST_F(Comtrade, WritesTextRecordAndReadsItBack) {
    double time[3] = {0.0, 0.001, 0.002};
    double u[3] = {-20.0, 0.0, 20.0};
    Doubles i = DoublesOf({1.0, 2.0, 3.0});
    CReadAndWriteFiles files;
    SetChannels(files, 3, {{time, "t", "s"}, {u, "U1", "kV"}, {&i, "I", "A"}});
    const std::string cfg = dir.File("rec.cfg");
    ASSERT_EQ(files.WriteFile(cfg.c_str(), "", 13, nullptr, nullptr, 0, 0), 1) << files.GetLastError().GetString();
    EXPECT_FALSE(Exists(dir.File("rec.hdr")));
    const std::string text = ReadFile(cfg);
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2) + 2),
              "Comtrade File: Written by VELTRANIX,,1999\r\n2,2A,0D\r\n");
    for (const char* part : {"\r\n1,U1,,,kV,0.000400008000160003,-20,,0,99998,1,1,P\r\n", "\r\n2,I,,,A,",
                             "\r\n60\r\n0\r\n0,3\r\n", "ASCII\r\n1\r\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    const std::string dat = ReadFile(dir.File("rec.dat"));
    EXPECT_EQ(dat.substr(0, 41), "0000000001,0000000000,000000,000000\r\n0000");
    EXPECT_NE(dat.find("0000000002,0000001000,049999,"), std::string::npos) << dat;
    EXPECT_NE(dat.find("0000000003,0000002000,099998,099998\r\n"), std::string::npos) << dat;

    ChannelRead r(cfg);
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.Names(), (Strings{"Time", "U1(P)", "I(P)"}));
    EXPECT_EQ(r.Units(), (Strings{"s", "V", "A"}));  // the k prefix becomes a factor of 1e3
    EXPECT_DOUBLE_EQ(r.At(0, 1), 0.001);
    EXPECT_NEAR(r.At(1, 0), -20000.0, 1e-9);
    EXPECT_NEAR(r.At(1, 2), 20000.0, 1e-6);
    EXPECT_NEAR(r.At(2, 1), 2.0, 2.0 / 99998);
}

TEST_F(Comtrade, WritesBinaryRecordWithHeaderAndSpecialChannels) {
    double time[2] = {0.0, 1.5e-6}, u[2] = {-20.0, 20.0}, flat[2] = {7.25, 7.25};
    CReadAndWriteFiles files;
    SetChannels(files, 2, {{time, "t", "s"}, {u, "U,L1", "V,rms"}, {flat, "flat", "Ohm"}});
    CStringArray header = TextsOf({"feeder 4"});
    files.SetEditionalStringArray(&header);
    const std::string cfg = dir.File("bin.cfg");
    ASSERT_EQ(files.WriteFile(cfg.c_str(), "", 14, nullptr, nullptr, 0, 0), 1) << files.GetLastError().GetString();
    const std::string text = ReadFile(cfg);
    // Commas in names and units would split the line: they are written as semicolons.
    EXPECT_NE(text.find("\r\n1,U;L1,,,V;rms,0.00122074037903989,-20,,0,32767,1,1,P\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n2,flat,,,Ohm,0,7.25,,0,32767,1,1,P\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("BINARY\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("bin.hdr")), "Comtrade File: Written by VELTRANIX\r\nfeeder 4\r\n");
    const std::string dat = ReadFile(dir.File("bin.dat"));
    ASSERT_EQ(dat.size(), 2u * 12u);
    EXPECT_EQ(dat.substr(0, 12), Le32(1) + Le32(0) + Le16(0) + Le16(0));
    EXPECT_EQ(static_cast<unsigned char>(dat[12 + 4]), 1u);    // 1.5 us truncated to 1
    EXPECT_EQ(static_cast<unsigned char>(dat[12 + 8]), 0xFF);  // 32767
    EXPECT_EQ(static_cast<unsigned char>(dat[12 + 9]), 0x7F);

    ChannelRead r(cfg);
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.Names(), (Strings{"Time", "U;L1(P)", "flat(P)"}));
    EXPECT_EQ(r.Units(), (Strings{"s", "V;rms", "Ohm"}));
    EXPECT_NEAR(r.At(1, 1), 20.0, 1e-9);
    EXPECT_EQ(r.Column(2), (Values{7.25, 7.25}));  // multiplier 0 decodes to the offset
    const CStringArray back = Header(r);
    ASSERT_GE(back.GetSize(), 2);
    EXPECT_EQ(back[0], "Comtrade File: Written by VELTRANIX");
    EXPECT_EQ(back[1], "feeder 4");
}

TEST_F(Comtrade, TimesBeforeZeroAndPastTheStampFieldReadBackAsWritten) {
    for (int code : {13, 14}) {
        SCOPED_TRACE(code);
        // Starts before zero, ends beyond 2^31 microseconds from the first sample.
        double time[3] = {-1.0, 0.0, 3000.0};
        double u[3] = {1.0, std::nan(""), 3.0};
        double inf[3] = {2.0, HUGE_VAL, -2.0};
        CReadAndWriteFiles files;
        SetChannels(files, 3, {{time, "t", "s"}, {u, "U", "V"}, {inf, "I", "A"}});
        const std::string cfg = dir.File(code == 13 ? "span_a.cfg" : "span_b.cfg");
        ASSERT_EQ(files.WriteFile(cfg.c_str(), "", code, nullptr, nullptr, 0, 0), 1) << files.GetLastWarn().GetString();
        const ChannelRead r(cfg);
        ASSERT_EQ(r.data, 1) << r.Error();
        EXPECT_NEAR(r.At(0, 0), -1.0, 1e-9);
        EXPECT_NEAR(r.At(0, 1), 0.0, 1e-9);
        EXPECT_NEAR(r.At(0, 2), 3000.0, 1e-9);
        EXPECT_NEAR(r.At(1, 0), 1.0, 1e-4);
        EXPECT_TRUE(std::isnan(r.At(1, 1)));
        EXPECT_NEAR(r.At(1, 2), 3.0, 1e-4);
        EXPECT_NEAR(r.At(2, 0), 2.0, 1e-3);
        EXPECT_TRUE(std::isnan(r.At(2, 1)));
        EXPECT_NEAR(r.At(2, 2), -2.0, 1e-3);
    }
    // A pre-trigger part of 0.25 s in microsecond steps: the start line lies that far
    // before the trigger line.
    double time[3] = {-0.250001, -0.000003, 0.5};
    double u[3] = {0.0, 1.0, 2.0};
    CReadAndWriteFiles files;
    SetChannels(files, 3, {{time, "t", "s"}, {u, "U", "V"}});
    const std::string cfg = dir.File("pre.cfg");
    ASSERT_EQ(files.WriteFile(cfg.c_str(), "", 14, nullptr, nullptr, 0, 0), 1) << files.GetLastWarn().GetString();
    const ChannelRead r(cfg);
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_NEAR(r.At(0, 0), -0.250001, 1e-9);
    EXPECT_NEAR(r.At(0, 1), -0.000003, 1e-9);
    EXPECT_NEAR(r.At(0, 2), 0.5, 1e-9);
}

TEST_F(Comtrade, LongBinaryRecordGetsATimeMultiplier) {
    // 5,400 s in 1 s steps: past the 4,294.97 s an unsigned 32-bit microsecond stamp holds.
    const int n = 5401;
    std::vector<double> time(n), u(n);
    for (int k = 0; k < n; ++k) {
        time[k] = k;
        u[k] = k % 7;
    }
    CReadAndWriteFiles files;
    SetChannels(files, n, {{time.data(), "t", "s"}, {u.data(), "U", "V"}});
    const std::string cfg = dir.File("long.cfg");
    ASSERT_EQ(files.WriteFile(cfg.c_str(), "", 14, nullptr, nullptr, 0, 0), 1) << files.GetLastWarn().GetString();
    EXPECT_NE(ReadFile(cfg).find("BINARY\r\n2\r\n"), std::string::npos) << ReadFile(cfg);
    const ChannelRead r(cfg);
    ASSERT_EQ(r.data, 1) << r.Error();
    ASSERT_EQ(r.Size(0), n);
    for (int k : {1, 4294, 4295, 5000, 5400}) EXPECT_NEAR(r.At(0, k), k, 1e-6) << k;
    EXPECT_NEAR(r.At(1, 5400), 5400 % 7, 1e-3);

    // Only a time no multiplier can hold (not a number) is clamped, with the warning.
    double far[2] = {0.0, std::nan("")};
    double v[2] = {0.0, 1.0};
    CReadAndWriteFiles nan;
    SetChannels(nan, 2, {{far, "t", "s"}, {v, "U", "V"}});
    EXPECT_EQ(nan.WriteFile(dir.File("nan.cfg").c_str(), "", 14, nullptr, nullptr, 0, 0), 2);
    EXPECT_NE(nan.GetLastWarn().Find("sample 2"), -1) << nan.GetLastWarn().GetString();
}

// A host that derives writes and reads a record part by part.
class PartwiseRecord : public CReadAndWriteFileFunction {
public:
    int Write(const std::string& cfg) {
        return WriteComtradeHeaderFile(cfg.c_str()) * WriteComtradeKonfigurationFile(cfg.c_str(), 0, 0) *
               WriteDataComtradeBinaryFile(cfg.c_str(), 0);
    }
    int ReadBinary() { return ReadDataComtradeBinaryFile(); }
};

TEST_F(Comtrade, DerivedHostWritesAndReadsPartByPart) {
    double time[2] = {0.0, 0.5};
    double u[2] = {-1.0, 1.0};
    CStringArray header = TextsOf({"bay 2"});
    PartwiseRecord writer;
    SetChannels(writer, 2, {{time, "t", "s"}, {u, "U", "V"}});
    writer.SetEditionalStringArray(&header);
    const std::string cfg = dir.File("parts.cfg");
    ASSERT_EQ(writer.Write(cfg), 1) << writer.GetLastError().GetString();
    EXPECT_NE(ReadFile(dir.File("parts.hdr")).find("bay 2"), std::string::npos);
    PartwiseRecord reader;
    ASSERT_EQ(reader.ReadInfoFile(cfg.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    CArray<double, double> t, v;
    reader.GetChannel(0)->SetDoubleArray(&t);
    reader.GetChannel(1)->SetDoubleArray(&v);
    ASSERT_EQ(reader.ReadBinary(), 1) << reader.GetLastError().GetString();
    EXPECT_DOUBLE_EQ(t[1], 0.5);
    EXPECT_NEAR(v[1], 1.0, 1e-4);
}

TEST_F(Comtrade, WriterReportsChannelsWithoutStorage) {
    double time[1] = {0.0};
    CReadAndWriteFiles files;
    SetChannels(files, 1, {{time, "t", "s"}, {static_cast<double*>(nullptr), "x"}});
    EXPECT_EQ(files.WriteFile(dir.File("bad.cfg").c_str(), "", 13, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 4);
    EXPECT_NE(files.GetLastError().Find("channel 2"), -1) << files.GetLastError().GetString();
}

TEST(ComtradeUnits, PrefixOnlyBeforeAUnitSymbol) {
    struct Case {
        const char* unit;
        const char* rest;
        double factor;
    } cases[] = {{"kV", "V", 1e3},        {"mA", "A", 1e-3}, {"MW", "W", 1e6},     {"kA", "A", 1e3},
                 {"uA", "A", 1e-6},       {"GW", "W", 1e9},  {"kVAr", "VAr", 1e3}, {"Ohm", "Ohm", 1.0},
                 {"deg", "deg", 1.0},     {"pu", "pu", 1.0}, {"rpm", "rpm", 1.0},  {"Nm", "Nm", 1.0},
                 {"Volts", "Volts", 1.0}, {"V", "V", 1.0},   {"", "", 1.0},        {"mm", "mm", 1.0}};
    for (const Case& c : cases) {
        CString unit = c.unit;
        EXPECT_EQ(tb_comtrade::SplitUnitPrefix(unit), c.factor) << c.unit;
        EXPECT_EQ(unit, c.rest) << c.unit;
    }
}

// ---------------------------------------------------------------- reading

TEST_F(Comtrade, ReadsBinaryStatusWordsInStandardOrderAndRates) {
    // 1 analog and 20 digital channels: two status words, channels 1-16 in the first.
    std::string cfg = Lines({"st,dev,1999", "21,1A,20D", "1,IA,,,kA,0.00122074037904605,-20,,-32767,32767,100,1,S"});
    for (int d = 1; d <= 20; ++d) cfg += std::to_string(d) + ",D" + std::to_string(d) + ",,,0\r\n";
    cfg += Lines({"50", "1", "1000,3", "01/01/2020,00:00:00.000000", "01/01/2020,00:00:00.000000", "binary", "1"});
    WriteFile(dir.File("dig.cfg"), cfg);
    std::string dat;
    const std::uint16_t first[3] = {0x0001, 0x8000, 0x0000}, second[3] = {0x0000, 0x0008, 0x0001};
    for (int k = 0; k < 3; ++k)
        dat += Le32(k + 1) + Le32(0xFFFFFFFFu) + Le16(k == 2 ? 0x8000 : 32767) + Le16(first[k]) + Le16(second[k]);
    WriteFile(dir.File("dig.dat"), dat);
    ChannelRead r(dir.File("dig.cfg"));
    ASSERT_EQ(r.data, 1) << r.Error();
    ASSERT_EQ(r.Channels(), 23);  // time, 1 analog, 20 digital, 1 derived
    EXPECT_EQ(r.Name(1), "IA(S)");
    EXPECT_EQ(r.Name(22), "IA(P)");
    EXPECT_DOUBLE_EQ(r.At(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(r.At(0, 1), 0.001);
    EXPECT_NEAR(r.At(1, 0), 20000.0, 1e-6);
    EXPECT_TRUE(std::isnan(r.At(1, 2)));  // 0x8000 marks a missing sample
    EXPECT_NEAR(r.At(22, 0), 2000000.0, 1e-3);
    EXPECT_EQ(r.At(2, 0), 1.0);   // D1: bit 0 of the first word
    EXPECT_EQ(r.At(17, 1), 1.0);  // D16: bit 15 of the first word
    EXPECT_EQ(r.At(21, 1), 1.0);  // D20: bit 3 of the second word
    EXPECT_EQ(r.At(18, 2), 1.0);  // D17: bit 0 of the second word
    double ones = 0;
    for (int c = 2; c < 22; ++c)
        for (int k = 0; k < 3; ++k) ones += r.At(c, k);
    EXPECT_EQ(ones, 4.0);
}

// A record whose raw blocks are far larger than the caches is written around them and
// its times are computed in bulk (from the stamps, from two sample rates): the values
// must be those the array path reads sample by sample, bit for bit.
TEST_F(Comtrade, LargeRecordReadsIntoRawBlocksAsIntoArrays) {
    constexpr int kSamples = 500000;
    std::string dat;
    std::uint32_t seed = 12345;
    for (int k = 0; k < kSamples; ++k) {
        seed = seed * 1103515245u + 12345u;
        dat += Le32(static_cast<std::uint32_t>(k + 1)) + Le32(static_cast<std::uint32_t>(k) * 100u);
        dat += Le16(k % 1000 == 7 ? 0x8000 : seed >> 16) + Le16(seed & 0xFFFF) + Le16(seed >> 31);
    }
    WriteFile(dir.File("big.dat"), dat);
    for (const char* rates : {"0\r\n0,500000\r\n", "2\r\n1000,200000\r\n4000,500000\r\n"}) {
        std::string cfg = Lines({"st,dev,1999", "18,1A,17D", "1,U,,,V,0.5,-3,,-32767,32767,1,1,P"});
        for (int d = 1; d <= 17; ++d) cfg += std::to_string(d) + ",D" + std::to_string(d) + ",,,0\r\n";
        cfg += "50\r\n" + std::string(rates);
        cfg += Lines({"01/01/2020,00:00:00.000000", "01/01/2020,00:00:00.000000", "BINARY", "1"});
        WriteFile(dir.File("big.cfg"), cfg);

        CReadAndWriteFiles files;
        ASSERT_EQ(files.ReadInfoFile(dir.File("big.cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
        ASSERT_EQ(files.GetNrChannels(), 19);
        std::vector<std::vector<double>> blocks(19, std::vector<double>(kSamples, -1.0));
        for (int c = 0; c < 19; ++c) files.GetChannel(c)->SetDoublePtr(blocks[c].data());
        ASSERT_EQ(files.ReadDataFile(), 1) << files.GetLastError().GetString();
        const ChannelRead r(dir.File("big.cfg"));
        ASSERT_EQ(r.data, 1);
        for (int c = 0; c < 19; ++c) {
            ASSERT_EQ(r.Size(c), kSamples);
            EXPECT_EQ(std::memcmp(blocks[c].data(), r.values[c]->GetData(), kSamples * sizeof(double)), 0) << c;
        }
        const bool stamps = rates[0] == '0';
        EXPECT_NEAR(blocks[0][kSamples - 1], stamps ? (kSamples - 1) * 100e-6 : 199.999 + 300000 / 4000.0, 1e-6);
        EXPECT_TRUE(std::isnan(blocks[1][1007]));
        EXPECT_EQ(blocks[18][5], r.At(18, 5));  // D17: bit 0 of the second status word
    }
    // Cut inside its last record, a file this large (read ahead on a second thread)
    // keeps its whole samples and warns, as a small one does.
    const ChannelRead whole(dir.File("big.cfg"));
    WriteFile(dir.File("big.dat"), dat.substr(0, dat.size() - 3));
    const ChannelRead cut(dir.File("big.cfg"));
    EXPECT_NE(cut.Warnings().find("Only " + std::to_string(kSamples - 1) + " values"), std::string::npos)
        << cut.Warnings();
    ASSERT_EQ(cut.Size(1), kSamples - 1);
    EXPECT_EQ(std::memcmp(cut.values[1]->GetData(), whole.values[1]->GetData(), (kSamples - 1) * sizeof(double)), 0);
}

TEST_F(Comtrade, ReadsBinary32AndFloat32Samples) {
    for (const char* type : {"BINARY32", "FLOAT32"}) {
        const bool isFloat = std::strcmp(type, "FLOAT32") == 0;
        WriteFile(dir.File("w.cfg"),
                  Lines({"st,dev,2013", "2,2A,0D", "1,U,,,V,0.5,1,,0,0,1,1,P", "2,I,,,A,2,0,,0,0,1,1,P", "60", "0",
                         "0,2", "x", "x", type, "1000", "0,0", "0,0"},
                        "\n"));
        std::string dat;
        for (int k = 0; k < 2; ++k) {
            dat += Le32(k + 1) + Le32(500 * k);
            for (int c = 0; c < 2; ++c) {
                const std::int32_t integer = 100000 * (c + 1) * (k ? -1 : 1);
                dat +=
                    isFloat ? BytesOf(static_cast<float>(integer) + 0.5f) : Le32(static_cast<std::uint32_t>(integer));
            }
        }
        WriteFile(dir.File("w.dat"), dat);
        ChannelRead r(dir.File("w.cfg"));
        ASSERT_EQ(r.data, 1) << type << r.Error();
        const double extra = isFloat ? 0.5 : 0.0;
        EXPECT_DOUBLE_EQ(r.At(1, 0), (100000 + extra) * 0.5 + 1) << type;
        EXPECT_DOUBLE_EQ(r.At(2, 1), (-200000 + extra) * 2) << type;
        EXPECT_DOUBLE_EQ(r.At(0, 1), 0.5);  // time stamp 500 x multiplier 1000 us
    }
}

TEST_F(Comtrade, ToleratesBlanksLineEndsAndCtrlZ) {
    WriteFile(dir.File("t.cfg"),
              "st,dev,1999 \n 2 , 1A , 1D \n 1 , U , , , mV , 2 , 1 , , 0 , 9 , 1 , 1 , P  \n1,S,,,1\n60\n1\n"
              "0,2\nx\nx\n ascii \n2\n\x1a");
    WriteFile(dir.File("t.dat"), "1, 10 , 3 ,1\r\n2,20,4, 0 \r\n\r\n\x1a");
    ChannelRead r(dir.File("t.cfg"));
    ASSERT_EQ(r.data, 1) << r.Error() << r.Warnings();
    EXPECT_EQ(r.Names(), (Strings{"Time", "U(P)", "S"}));
    EXPECT_EQ(r.Unit(1), "V");
    EXPECT_DOUBLE_EQ(r.At(0, 1), 40e-6);  // time stamp 20 x multiplier 2
    EXPECT_DOUBLE_EQ(r.At(1, 0), 7e-3);
    EXPECT_EQ(r.Size(1), 2);
    EXPECT_EQ(r.Column(2), (Values{1, 0}));
}

TEST_F(Comtrade, ShortTextSampleWarnsAndReadsNaN) {
    WriteFile(dir.File("s.cfg"), Lines({"st,,1999", "2,2A,0D", "1,U,,,V,1,0,,0,9,1,1,P", "2,I,,,A,1,0,,0,9,1,1,P", "60",
                                        "1", "1000,2", "x", "x", "ASCII", "1"}));
    WriteFile(dir.File("s.dat"), "1,0,3,4\r\n2,1,5\r\n");
    const ChannelRead r(dir.File("s.cfg"));
    EXPECT_EQ(r.data, 2) << r.Error();
    EXPECT_NE(r.Warnings().find(TBFormatMessage(TBMsg::ComtradeShortSample, {dir.File("s.dat").c_str(), 2}).GetString()),
              std::string::npos)
        << r.Warnings();
    EXPECT_DOUBLE_EQ(r.At(1, 1), 5.0);
    EXPECT_TRUE(std::isnan(r.At(2, 1)));
}

TEST_F(Comtrade, ContinuesInContinuationFiles) {
    WriteFile(dir.File("c.cfg"), OneChannel("1000,4", "ASCII"));
    WriteFile(dir.File("c.dat"), "1,0,1\r\n2,0,2\r\n");
    ChannelRead missing(dir.File("c.cfg"));
    EXPECT_EQ(missing.data, 0);
    EXPECT_EQ(missing.engine.GetLastErrorNumber(), 3);
    EXPECT_NE(missing.Error().find("c.d00"), std::string::npos) << missing.Error();
    WriteFile(dir.File("c.d00"), "3,0,3\r\n4,0,4\r\n");
    ChannelRead r(dir.File("c.cfg"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_DOUBLE_EQ(r.At(1, 3), 4.0);
    EXPECT_DOUBLE_EQ(r.At(0, 3), 0.003);
    // More lines than the rates cover: the time base is undefined there.
    WriteFile(dir.File("c.d00"), "3,0,3\r\n4,0,4\r\n5,0,5\r\n");
    ChannelRead longer(dir.File("c.cfg"));
    EXPECT_EQ(longer.data, 0);
    EXPECT_EQ(longer.engine.GetLastError(), TBLoadString(TBMsg::BasisChannelIncomplete));
}

TEST_F(Comtrade, TruncatedBinaryRecordWarnsAndKeepsWholeSamples) {
    WriteFile(dir.File("b.cfg"), OneChannel("0,3", "BINARY"));
    std::string dat;
    for (int k = 0; k < 2; ++k) dat += Le32(k + 1) + Le32(k) + Le16(k + 5);
    WriteFile(dir.File("b.dat"), dat + std::string("\x03\0\0", 3));
    // The record is short: the reader looks for its continuation, which is missing.
    ChannelRead r(dir.File("b.cfg"));
    EXPECT_EQ(r.data, 0);
    EXPECT_NE(r.Error().find("b.d00"), std::string::npos) << r.Error();
    EXPECT_NE(r.Warnings().find("Only 2 values"), std::string::npos) << r.Warnings();
    ASSERT_EQ(r.Size(1), 2);
    EXPECT_DOUBLE_EQ(r.At(1, 1), 6.0);
}

TEST_F(Comtrade, RejectsCountsTheFileCannotHold) {
    for (const char* counts : {"1000000000,1000000000A,0D", "5,7A,0D", "-1,0A,0D", ",1A"}) {
        WriteFile(dir.File("x.cfg"),
                  Lines({"st,,1999", counts, "1,U,,,V,1,0,,0,9,1,1,P", "60", "1", "0,3", "x", "x", "ASCII", "1"}));
        WriteFile(dir.File("x.dat"), "1,0,1\r\n");
        ChannelRead r(dir.File("x.cfg"));
        EXPECT_EQ(r.info, 0) << counts;
        EXPECT_EQ(r.engine.GetLastErrorNumber(), 3) << counts;
        EXPECT_NE(r.Error().find("x.cfg"), std::string::npos) << r.Error();
    }
    // A rate count beyond the lines that follow.
    WriteFile(dir.File("x.cfg"), Lines({"st,,1999", "1,1A,0D", "1,U,,,V,1,0,,0,9,1,1,P", "60", "999999999", "0,3"}));
    EXPECT_EQ(ChannelRead(dir.File("x.cfg")).info, 0);
}

TEST_F(Comtrade, DatWithoutConfigurationReadsAsText) {
    // Neither file there: the missing data file is named.
    ChannelRead none(dir.File("none.CFG"));
    EXPECT_EQ(none.info, 0);
    EXPECT_EQ(none.engine.GetLastErrorNumber(), 3);
    EXPECT_NE(none.Error().find("none.dat"), std::string::npos) << none.Error();
    WriteFile(dir.File("plain.dat"), "1.5\r\n2.5\r\n3.5\r\n");
    ChannelRead r(dir.File("plain.cfg"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_NE(r.engine.GetLoadVersion(), 7);
    ASSERT_EQ(r.Channels(), 1);
    ASSERT_EQ(r.Size(0), 3);
    EXPECT_DOUBLE_EQ(r.At(0, 2), 3.5);
}

TEST_F(Comtrade, ReadsCombinedFile) {
    WriteFile(dir.File("all.cff"), "--- file type: CFG ---\r\n" +
                                       Lines({"st,,2013", "1,1A,0D", "1,U,,,V,2,0,,0,9,1,1,P", "60", "1", "100,2", "x",
                                              "x", "ASCII", "1", "0,0", "0,0"}) +
                                       "--- file type: INF ---\r\n\r\n--- file type: HDR ---\r\nnote\r\n"
                                       "--- file type: DAT ASCII ---\r\n1,0,3\r\n2,0,4\r\n");
    ChannelRead r(dir.File("all.cff"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_DOUBLE_EQ(r.At(1, 1), 8.0);
    EXPECT_DOUBLE_EQ(r.At(0, 1), 0.01);
    const CStringArray header = Header(r);
    ASSERT_EQ(header.GetSize(), 1);
    EXPECT_EQ(header[0], "note");
    WriteFile(dir.File("none.cff"), "just text\r\n");
    EXPECT_EQ(ChannelRead(dir.File("none.cff")).info, 0);
}

TEST_F(Comtrade, CombinedFileMarkersAsOtherProgramsWriteThem) {
    const std::string configuration =
        Lines({"st,,2013", "1,1A,0D", "1,U,,,V,2,0,,0,9,1,1,P", "60", "1", "100,3", "x", "x", "ASCII", "1"});
    const char* markers[][2] = {{"--file type: cfg--", "-- file type: dat ascii --"},
                                {"--- File Type CFG ---", "---  FILE  TYPE  DAT  ASCII  ---"},
                                {"---file type:CFG---", "--- file type : DAT ASCII: 42 ---"}};
    for (const auto& marker : markers) {
        SCOPED_TRACE(marker[0]);
        WriteFile(dir.File("m.cff"),
                  Lines({marker[0]}) + configuration + Lines({marker[1], "1,0,3", "2,0,4", "3,0,5"}));
        const ChannelRead r(dir.File("m.cff"));
        ASSERT_EQ(r.data, 1) << r.Error();
        EXPECT_DOUBLE_EQ(r.At(1, 2), 10.0);
    }
    WriteFile(dir.File("m.cff"), "--- file type: CFG ---\r\n" + configuration);
    EXPECT_EQ(ChannelRead(dir.File("m.cff")).Error(),
              TBFormatMessage(TBMsg::ComtradeCombinedNoData, {dir.File("m.cff").c_str()}).GetString());
    WriteFile(dir.File("m.cff"), "--- file type: DAT ASCII ---\r\n1,0,3\r\n");
    EXPECT_EQ(ChannelRead(dir.File("m.cff")).Error(),
              TBFormatMessage(TBMsg::ComtradeCombinedNoConfiguration, {dir.File("m.cff").c_str()}).GetString());
}

// Three samples announced, two present: the item count tells the host, no zero row
// stands in for the third.
TEST_F(Comtrade, CombinedFileWithFewerSamplesReportsThoseRead) {
    WriteFile(dir.File("f.cff"), "--- file type: CFG ---\r\n" +
                                     Lines({"st,,2013", "1,1A,0D", "1,U,,,V,2,0,,0,9,1,1,P", "60", "1", "100,3", "x",
                                            "x", "ASCII", "1", "--- file type: DAT ASCII ---", "1,0,3", "2,0,4"}));
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(dir.File("f.cff").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrItems(), 3);
    double* u = new double[3]();
    files.GetChannel(0)->SetDoublePtr(new double[3]());  // the channels own the blocks
    files.GetChannel(1)->SetDoublePtr(u);
    EXPECT_EQ(files.ReadDataFile(), 2);
    EXPECT_EQ(files.GetNrItems(), 2);
    EXPECT_NE(files.GetLastWarn().Find("Only 2 values"), -1) << files.GetLastWarn().GetString();
    EXPECT_DOUBLE_EQ(u[1], 8.0);
    files.GetChannel(0)->SetDoublePtr(nullptr);
    files.GetChannel(1)->SetDoublePtr(nullptr);
}

// ---------------------------------------------------------------- public samples

TEST(ComtradeSamples, EveryRecordReads) {
    for (const char* name : {"go-comtrade/test1.cfg", "go-comtrade/test2.cfg", "ieeecomtrade/keating_1999.CFG",
                             "python-comtrade/sample_ascii.cfg", "python-comtrade/sample_ascii.cff",
                             "python-comtrade/sample_bin.cfg", "python-comtrade/sample_float32.cff",
                             "python-comtrade/sample_iso8859-1.cfg", "python-comtrade/sample_iso8859-1_bin.cfg"}) {
        ChannelRead r(std::string(TOOLBOX_TEST_DATA "/samples/") + name);
        EXPECT_EQ(r.info, 1) << name << ": " << r.Error();
        EXPECT_EQ(r.engine.GetLoadVersion(), 7) << name;
        EXPECT_GE(r.data, 1) << name << ": " << r.Error();
        ASSERT_GT(r.Channels(), 0) << name;
        EXPECT_EQ(r.Size(0), r.engine.GetNrItems()) << name;
    }
}

TEST(ComtradeSamples, ValuesMatchTheFilesByHand) {
    const std::string root = TOOLBOX_TEST_DATA "/samples/";
    // keating: first line "1,,1571,-7576,...", rate 30707.244140625 Hz.
    ChannelRead keating(root + "ieeecomtrade/keating_1999.CFG");
    ASSERT_EQ(keating.data, 1) << keating.Error();
    EXPECT_EQ(keating.engine.GetNrItems(), 2048);
    EXPECT_DOUBLE_EQ(keating.At(1, 0), 1571 * -0.0197614394128323 + 25.3736882060767);
    EXPECT_DOUBLE_EQ(keating.At(2, 1), -7584 * -0.0197705887258053 + 25.8599300533533);
    EXPECT_DOUBLE_EQ(keating.At(0, 1), 1 / 30707.244140625);
    EXPECT_EQ(keating.Unit(1), "ampere");

    // sample_bin: 4 analog in kV, 16 digital; record 1 holds 0x9e6d for VA.
    ChannelRead bin(root + "python-comtrade/sample_bin.cfg");
    ASSERT_EQ(bin.data, 1) << bin.Error();
    EXPECT_EQ(bin.Unit(1), "V");
    EXPECT_EQ(bin.Name(1), "VA(P)");
    EXPECT_NEAR(bin.At(1, 0), static_cast<std::int16_t>(0x9e6d) * 0.000361849 * 1e3, 1e-9);
    EXPECT_NEAR(bin.At(2, 0), static_cast<std::int16_t>(0xf0bf) * 0.000365758 * 1e3, 1e-9);
    EXPECT_DOUBLE_EQ(bin.At(0, 1), 1 / 15360.0);
    ASSERT_EQ(bin.Channels(), 25);  // time, 4 analog, 16 digital, 4 derived
    EXPECT_EQ(bin.Name(21), "VA(S)");

    // go-comtrade test1: 20 analog, 84 digital (6 status words), record 1 starts 0x0676.
    ChannelRead go(root + "go-comtrade/test1.cfg");
    ASSERT_EQ(go.data, 1) << go.Error();
    EXPECT_EQ(go.engine.GetNrItems(), 11001);
    EXPECT_NEAR(go.At(1, 0), 0x0676 * 2.181993E-02, 1e-12);

    // sample_ascii_utf-8.cfg comes without samples: its configuration (a station name
    // in UTF-8 with a comma) is read beside the samples of sample_ascii;
    // sample_sub_char.cfg likewise, with CR LF and Ctrl-Z characters at its end.
    for (const char* name : {"sample_ascii_utf-8.cfg", "sample_sub_char.cfg"}) {
        ScratchDir scratch;
        WriteFile(scratch.File("u.cfg"), ReadFile(root + "python-comtrade/" + name));
        WriteFile(scratch.File("u.dat"), ReadFile(root + "python-comtrade/sample_ascii.dat"));
        ChannelRead r(scratch.File("u.cfg"));
        ASSERT_EQ(r.data, 1) << name << r.Error();
        EXPECT_EQ(r.engine.GetNrItems(), 40) << name;
        EXPECT_EQ(r.Name(4), "3I0(S)") << name;
        EXPECT_EQ(r.Unit(4), "A") << name;
        EXPECT_EQ(r.Name(8), "51N") << name;
    }

    // sample_ascii.cff equals the separate files.
    ChannelRead a(root + "python-comtrade/sample_ascii.cfg"), c(root + "python-comtrade/sample_ascii.cff");
    ASSERT_EQ(a.Channels(), c.Channels());
    for (int ch = 0; ch < a.Channels(); ++ch) EXPECT_EQ(a.Column(ch), c.Column(ch)) << ch;
    EXPECT_NEAR(a.At(1, 0), -83 * 0.1138916015625 + 0.05694580078125, 1e-12);

    // sample_float32.cff: FLOAT32 samples, 301 of them at 100 Hz.
    ChannelRead f(root + "python-comtrade/sample_float32.cff");
    ASSERT_EQ(f.data, 1) << f.Error();
    EXPECT_EQ(f.engine.GetNrItems(), 301);
    float first;
    const std::uint32_t bits = 0x4033d203u;
    std::memcpy(&first, &bits, 4);
    EXPECT_DOUBLE_EQ(f.At(1, 0), static_cast<double>(first));
}
