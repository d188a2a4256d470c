// Characteristic files (.mdx, .mdk/.mda): header keys, text and binary data, the
// round trips writer -> reader, warnings and malformed input.
#include <toolbox/exchange/read_and_write_files.h>
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

class Characteristic : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string Path(const char* name) const { return dir.File(name); }
};

// U in V and I in A, three items.
struct TwoChannels {
    CArray<double, double> u, i;
    TwoChannels() {
        for (double v : {1.5, -2.0, 1e-12}) u.Add(v);
        for (double v : {0.25, 3.0, 123456789.125}) i.Add(v);
    }
    void InsertInto(CReadAndWriteFileFunction& e) {
        e.SetNrChannels(2);
        e.SetNrItems(3);
        e.InsertChannel(0, &u, "U", "V");
        e.InsertChannel(1, &i, "I", "A");
    }
};

// Reads path with one double array per channel, as a host does.
struct Read {
    int info = 0, data = 0;
    CReadAndWriteFileFunction e;
    std::vector<CArray<double, double>> values;
    explicit Read(const std::string& path) {
        info = e.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2);
        if (!info) return;
        values.resize(e.GetNrChannels());
        for (int c = 0; c < e.GetNrChannels(); ++c)
            if (CExImPortChannel* ch = e.GetChannel(c)) ch->SetDoubleArray(&values[c]);
        data = e.ReadDataFile();
    }
};

TEST_F(Characteristic, TextPairHasTheExactHeaderAndDataLayout) {
    TwoChannels two;
    CReadAndWriteFileFunction e;
    two.InsertInto(e);
    ASSERT_EQ(e.WriteMdx_k_a(Path("x.mdk").c_str(), ';', 'A'), 1) << e.GetLastError();
    EXPECT_EQ(ReadFile(Path("x.mdk")), "typ:=A\r\ndim:=2\r\nlen:=3\r\nn01:=U\r\nu01:=V\r\nn02:=I\r\nu02:=A\r\nend:=");
    EXPECT_EQ(ReadFile(Path("x.mda")), "1.5;0.25;\r\n-2;3;\r\n1e-12;123456789.125;");
    EXPECT_EQ(e.FileKind, TB_KIND_MDA_MDK);
}

TEST_F(Characteristic, TabSeparatorWritesASepLineAndReadsBack) {
    TwoChannels two;
    CReadAndWriteFileFunction e;
    two.InsertInto(e);
    ASSERT_EQ(e.WriteMdx_k_a(Path("t.mdk").c_str(), '\t', 'A'), 1);
    const std::string header = ReadFile(Path("t.mdk"));
    EXPECT_NE(header.find("u02:=A\r\nsep:=\"\t\"\r\nend:="), std::string::npos) << header;
    EXPECT_EQ(ReadFile(Path("t.mda")).substr(0, 9), "1.5\t0.25\t");
    Read r(Path("t.mda"));
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    EXPECT_EQ(r.e.GetSep(), '\t');
    EXPECT_EQ(r.e.GetSeperator(), "\t");
    EXPECT_DOUBLE_EQ(r.values[1][2], 123456789.125);
}

TEST_F(Characteristic, ReadingAPairLowerCasesHeaderValuesAndFindsThePartner) {
    TwoChannels two;
    CReadAndWriteFileFunction w;
    two.InsertInto(w);
    ASSERT_EQ(w.WriteMdx_k_a(Path("x.mda").c_str(), ';', 'A'), 1);  // either name writes the pair
    ASSERT_TRUE(Exists(Path("x.mdk")));
    // Choosing the .mda file reads the header from x.mdk and the values from x.mda.
    Read r(Path("x.mda"));
    ASSERT_EQ(r.info, 1) << r.e.GetLastError();
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    EXPECT_EQ(r.e.GetChannel(0)->GetChannelName(), "u");
    EXPECT_EQ(r.e.GetChannel(0)->GetUnitName(), "v");
    EXPECT_EQ(r.e.GetChannel(1)->GetChannelName(), "i");
    EXPECT_EQ(r.e.GetChannel(1)->GetUnitName(), "a");
    EXPECT_EQ(r.e.GetFileName(), CString(Path("x.mda").c_str()));
    EXPECT_EQ(r.e.GetSaveVersion(), 3);
    EXPECT_EQ(r.e.GetLoadVersion(), 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.values[0][k], two.u[k]);
        EXPECT_EQ(r.values[1][k], two.i[k]);
    }
}

TEST_F(Characteristic, CommentLinesTravelThroughEditionalStrings) {
    WriteFile(Path("c.mdk"), "typ:=A\r\nMeasured On Bench 3\r\nDim:=1\r\nlen:=1\r\nOwner:=Lab\r\nend:=");
    WriteFile(Path("c.mda"), "7;");
    Read r(Path("c.mdk"));
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    CStringArray free;
    r.e.GetEditionalStringArray(&free);
    ASSERT_EQ(free.GetSize(), 2);
    EXPECT_EQ(free[0], "measured on bench 3");
    EXPECT_EQ(free[1], "owner:=lab");
    EXPECT_EQ(r.values[0][0], 7.0);
    // The next header write puts them back, lower-cased, before end:=.
    CArray<double, double> one;
    one.Add(1.0);
    r.e.SetNrChannels(1);
    r.e.SetNrItems(1);
    r.e.InsertChannel(0, &one, "", "");
    ASSERT_EQ(r.e.WriteMdx_k_a(Path("d.mdk").c_str(), ';', 'A'), 1);
    EXPECT_EQ(ReadFile(Path("d.mdk")), "typ:=A\r\ndim:=1\r\nlen:=1\r\nmeasured on bench 3\r\nowner:=lab\r\nend:=");
}

TEST_F(Characteristic, ChannelKeysAreN0FollowedByTheNumber) {
    CReadAndWriteFileFunction e;
    std::vector<CArray<double, double>> columns(12);
    e.SetNrChannels(12);
    e.SetNrItems(1);
    for (int c = 0; c < 12; ++c) {
        columns[c].Add(c);
        CString name;
        name.Format("C%i", c + 1);
        e.InsertChannel(c, &columns[c], name, c == 11 ? "Ohm" : "");
    }
    ASSERT_EQ(e.WriteMdx_k_a(Path("k.mdx").c_str(), ';', 'A'), 1);
    const std::string text = ReadFile(Path("k.mdx"));
    EXPECT_NE(text.find("\r\nn09:=C9\r\nn010:=C10\r\nn011:=C11\r\nn012:=C12\r\nu012:=Ohm\r\nend:=\r\n0;1;2;"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("u01:="), std::string::npos);  // no unit, no line
    Read r(Path("k.mdx"));
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    EXPECT_EQ(r.e.GetChannel(11)->GetChannelName(), "c12");
    EXPECT_EQ(r.e.GetChannel(11)->GetUnitName(), "ohm");
    EXPECT_EQ(r.values[11][0], 11.0);
    EXPECT_EQ(r.e.GetSaveVersion(), 0);
    EXPECT_EQ(r.e.GetLoadVersion(), 0);
}

TEST_F(Characteristic, EightByteMdxHoldsExactlyTheLittleEndianRows) {
    TwoChannels two;
    CReadAndWriteFileFunction e;
    two.InsertInto(e);
    ASSERT_EQ(e.WriteMdx_k_a(Path("b.mdx").c_str(), ';', '8'), 1);
    const std::string text = ReadFile(Path("b.mdx"));
    const size_t end = text.find("end:=\n");
    ASSERT_NE(end, std::string::npos);
    const std::string block = text.substr(end + 6);
    ASSERT_EQ(block.size(), 48u);
    const double expected[] = {1.5, 0.25, -2.0, 3.0, 1e-12, 123456789.125};
    for (int k = 0; k < 6; ++k) {
        std::uint64_t bits = 0;
        for (int b = 7; b >= 0; --b) bits = (bits << 8) | static_cast<unsigned char>(block[k * 8 + b]);
        double value;
        std::memcpy(&value, &bits, 8);
        EXPECT_EQ(value, expected[k]) << k;
    }
    Read r(Path("b.mdx"));
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    EXPECT_EQ(r.e.GetTyp(), '8');
    EXPECT_EQ(r.e.GetSaveVersion(), 2);
    EXPECT_EQ(r.values[1][2], 123456789.125);
}

TEST_F(Characteristic, FourBytePairRoundTripsAsSingles) {
    TwoChannels two;
    CReadAndWriteFileFunction e;
    two.InsertInto(e);
    ASSERT_EQ(e.WriteFile(Path("f.mdk").c_str(), "", 4, nullptr, nullptr, 0, 0), 1) << e.GetLastError();
    EXPECT_EQ(ReadFile(Path("f.mda")).size(), 24u);
    EXPECT_EQ(ReadFile(Path("f.mdk")).substr(0, 8), "typ:=4\r\n");
    Read r(Path("f.mdk"));
    ASSERT_EQ(r.data, 1) << r.e.GetLastError();
    EXPECT_EQ(r.e.GetSaveVersion(), 4);
    EXPECT_EQ(r.values[0][2], static_cast<double>(1e-12f));
    EXPECT_EQ(r.values[1][2], static_cast<double>(123456789.125f));
}

TEST_F(Characteristic, TextAndVariantStorageWriteAsTheirTexts) {
    CReadAndWriteFileFunction e;
    CStringArray texts;
    texts.Add("abc");
    texts.Add("2.5");
    CArray<COleVariant, COleVariant> cells;
    cells.Add(COleVariant(static_cast<short>(7)));
    cells.Add(COleVariant("4.25"));
    e.SetNrChannels(3);
    e.SetNrItems(2);
    e.InsertChannel(0, &texts, "t", "");
    e.InsertChannel(1, &cells, "v", "");  // slot 2 stays empty: warning 54 and zeros
    ASSERT_EQ(e.WriteMdx_k_a(Path("s.mdk").c_str(), ',', 'A'), 2);
    EXPECT_NE(e.GetLastWarn().Find(TBFormatMessage(TBMsg::ChannelNotWritten, {e.GetFileName(), 3})), -1);
    EXPECT_EQ(ReadFile(Path("s.mda")), "abc,7,0,\r\n2.5,4.25,0,");
    ASSERT_EQ(e.WriteMdx_k_a(Path("s8.mdx").c_str(), ';', '8'), 2);
    const std::string text = ReadFile(Path("s8.mdx"));
    const std::string block = text.substr(text.find("end:=\n") + 6);
    ASSERT_EQ(block.size(), 48u);
    double v[6];
    std::memcpy(v, block.data(), 48);
    EXPECT_EQ(v[0], 0.0);  // "abc" converts to 0
    EXPECT_EQ(v[1], 7.0);
    EXPECT_EQ(v[3], 2.5);
    EXPECT_EQ(v[4], 4.25);
}

TEST_F(Characteristic, ReaderFillsStringAndVariantStorage) {
    WriteFile(Path("r.mdx"), "typ:=a\r\ndim:=2\r\nlen:=2\r\nend:=\r\n1.5;Abc;\r\n2e3;x;");
    CReadAndWriteFileFunction e;
    ASSERT_EQ(e.ReadMdx_k(Path("r.mdx").c_str()), 1);
    CStringArray texts;
    CArray<COleVariant, COleVariant> cells;
    e.GetChannel(0)->SetStringArray(&texts);
    e.GetChannel(1)->SetVariantArray(&cells);
    ASSERT_EQ(e.ReadMdx_a(), 1) << e.GetLastError();
    ASSERT_EQ(texts.GetSize(), 2);
    EXPECT_EQ(texts[1], "2e3");
    ASSERT_EQ(cells.GetSize(), 2);
    EXPECT_EQ(cells[0].GetText(), "abc");  // data lines are lower-cased
}

TEST_F(Characteristic, WrongNamesAndMissingFilesFail) {
    CReadAndWriteFileFunction e;
    EXPECT_EQ(e.ReadMdx_k(Path("data.txt").c_str()), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::NotCharacteristicFormat, {Path("data.txt").c_str()}));
    EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
    EXPECT_EQ(e.WriteMdx_k_a(Path("data.txt").c_str(), ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::NotCharacteristicFormat, {Path("data.txt").c_str()}));

    EXPECT_EQ(e.ReadMdx_k(Path("none.mdx").c_str()), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::CannotOpenFile, {Path("none.mdx").c_str()}));
    // Header present, data partner missing.
    WriteFile(Path("p.mdk"), "typ:=A\r\ndim:=1\r\nlen:=1\r\nend:=");
    Read r(Path("p.mdk"));
    EXPECT_EQ(r.info, 1);
    EXPECT_EQ(r.data, 0);
    EXPECT_EQ(r.e.GetLastError(), TBFormatMessage(TBMsg::CannotOpenFile, {Path("p.mda").c_str()}));
    EXPECT_EQ(r.e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
}

TEST_F(Characteristic, HeaderWarningsAndErrors) {
    WriteFile(Path("w.mdx"), "typ:=A\r\ndim:=3\r\nlen:=1\r\nn04:=x\r\nu0:=y\r\nn02:=ok\r\nend:=\r\n1;2;3;");
    CReadAndWriteFileFunction w;
    ASSERT_EQ(w.ReadMdx_k(Path("w.mdx").c_str()), 2);
    const CString file = Path("w.mdx").c_str();
    EXPECT_EQ(w.GetLastWarn(), TBFormatMessage(TBMsg::InvalidChannelNumber, {file, 4}) + "\r\n" +
                                   TBFormatMessage(TBMsg::InvalidUnitNumber, {file, 0}) + "\r\n");
    Read r(Path("w.mdx"));
    ASSERT_EQ(r.info, 2);
    EXPECT_EQ(r.e.GetChannel(1)->GetChannelName(), "ok");
    EXPECT_EQ(r.data, 1);
    EXPECT_EQ(r.values[2][0], 3.0);

    struct Case {
        const char* header;
        UINT error;
    } cases[] = {
        {"dim:=1\r\nlen:=1\r\nend:=", TBMsg::ReadTypFailed},
        {"typ:=A\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=1\r\nend:=", TBMsg::ReadLenFailed},
        {"typ:=A\r\ndim:=1000000000\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=-4\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=1\r\nlen:=-3\r\nend:=", TBMsg::ReadLenFailed},
    };
    for (const Case& c : cases) {
        WriteFile(Path("h.mdk"), c.header);
        CReadAndWriteFileFunction e;
        EXPECT_EQ(e.ReadMdx_k(Path("h.mdk").c_str()), 0) << c.header;
        EXPECT_EQ(e.GetLastError(), TBFormatMessage(c.error, {Path("h.mdk").c_str()})) << c.header;
        EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_HEADER_ERROR);
    }
    WriteFile(Path("q.mdk"), "typ:=q\r\ndim:=1\r\nlen:=1\r\nend:=");
    WriteFile(Path("q.mda"), "1;");
    Read q(Path("q.mdk"));
    EXPECT_EQ(q.info, 1);
    EXPECT_EQ(q.data, 0);
    EXPECT_EQ(q.e.GetLastError(), TBFormatMessage(TBMsg::InvalidDataType, {Path("q.mda").c_str()}));
}

TEST_F(Characteristic, ShortDataGivesWarning57AndKeepsWhatWasRead) {
    WriteFile(Path("a.mdx"), "typ:=A\r\ndim:=2\r\nlen:=5\r\nend:=\r\n1;2;\r\n3;4;");
    Read r(Path("a.mdx"));
    ASSERT_EQ(r.data, 2);
    EXPECT_EQ(r.e.GetLastWarn(), TBFormatMessage(TBMsg::FewerValuesThanLength, {Path("a.mdx").c_str(), 2, 5}) + "\r\n");
    EXPECT_EQ(r.values[1].GetSize(), 2);
    EXPECT_EQ(r.values[1][1], 4.0);

    // A binary block cut inside the third row: two whole rows and the cut row's
    // complete values, never more than the raw block holds.
    std::string bin = "typ:=8\r\ndim:=2\r\nlen:=1000000000\r\nend:=\n";
    const double rows[] = {1, 2, 3, 4, 5};
    bin.append(reinterpret_cast<const char*>(rows), sizeof rows);
    bin += "abc";
    WriteFile(Path("cut.mdx"), bin);
    CReadAndWriteFileFunction e;
    ASSERT_EQ(e.ReadMdx_k(Path("cut.mdx").c_str()), 1);
    EXPECT_EQ(e.GetNrItems(), 1000000000);
    CArray<double, double> c0, c1;
    e.GetChannel(0)->SetDoubleArray(&c0);
    e.GetChannel(1)->SetDoubleArray(&c1);
    ASSERT_EQ(e.ReadMdx_a(), 2);
    EXPECT_EQ(e.GetLastWarn(),
              TBFormatMessage(TBMsg::FewerValuesThanLength, {Path("cut.mdx").c_str(), 2, 1000000000}) + "\r\n");
    EXPECT_EQ(c0.GetSize(), 3);
    EXPECT_EQ(c1.GetSize(), 2);
    EXPECT_EQ(c0[2], 5.0);
}

TEST_F(Characteristic, MissingSlotsAndStorageWhileReading) {
    WriteFile(Path("m.mdx"), "typ:=A\r\ndim:=2\r\nlen:=1\r\nend:=\r\n1;2;");
    CReadAndWriteFileFunction e;
    ASSERT_EQ(e.ReadMdx_k(Path("m.mdx").c_str()), 1);
    double block[1] = {0};
    e.GetChannel(0)->SetDoublePtr(block);
    e.ReplaceChannelSlot(1, nullptr);  // an empty slot: warning 55, nothing stored there
    ASSERT_EQ(e.ReadMdx_a(), 2);
    EXPECT_EQ(e.GetLastWarn(), TBFormatMessage(TBMsg::ChannelNotRead, {Path("m.mdx").c_str(), 2}) + "\r\n");
    EXPECT_EQ(block[0], 1.0);

    CReadAndWriteFileFunction f;
    ASSERT_EQ(f.ReadMdx_k(Path("m.mdx").c_str()), 1);
    EXPECT_EQ(f.ReadMdx_a(), 0);  // channels without storage
    EXPECT_EQ(f.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {Path("m.mdx").c_str(), 1}));
    EXPECT_EQ(f.GetLastErrorNumber(), TB_EXCHANGE_DATA_ERROR);
}

TEST_F(Characteristic, DataWriterFailuresNameTheFileAndKeepTheReason) {
    CReadAndWriteFileFunction e;
    CArray<double, double> shortArray;
    shortArray.Add(1.0);
    e.SetNrChannels(1);
    e.SetNrItems(2);
    e.InsertChannel(0, &shortArray, "a", "");
    EXPECT_EQ(e.WriteMdx_k_a(Path("e.mdk").c_str(), ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdaFailed, {Path("e.mda").c_str()}));
    EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
    EXPECT_EQ(e.GetLastWarn(), TBLoadString(TBMsg::NoMemoryReserve) + "\r\n");

    e.ReplaceChannelSlot(0, new CExImPortChannel());  // a channel without storage
    EXPECT_EQ(e.WriteMdx_k_a(Path("e.mdx").c_str(), ';', '4'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdxFailed, {Path("e.mdx").c_str()}));
    EXPECT_NE(e.GetLastWarn().Find(TBFormatMessage(TBMsg::InvalidChannelPointer, {Path("e.mdx").c_str(), 1})), -1);

    EXPECT_EQ(e.WriteMdx_k_a("/nonexistent-dir/x.mdk", ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdkFailed, {"/nonexistent-dir/x.mdk"}));
}

TEST_F(Characteristic, WriteFileDispatchAndCodes) {
    TwoChannels two;
    CReadAndWriteFileFunction e;
    two.InsertInto(e);
    ASSERT_EQ(e.WriteFile(Path("w").c_str(), "", 1, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(Path("w.mdx")));
    EXPECT_EQ(e.GetSaveVersion(), 1);
    EXPECT_EQ(e.GetLoadVersion(), 0);
    Read r(Path("w.mdx"));
    ASSERT_EQ(r.data, 1);
    EXPECT_EQ(r.values[0][0], 1.5);
    EXPECT_EQ(r.e.GetTyp(), '4');
    ASSERT_EQ(e.WriteFile(Path("g.MDX").c_str(), "", 0, ",", nullptr, 0, 0), 1);
    EXPECT_NE(ReadFile(Path("g.MDX")).find("sep:=\",\""), std::string::npos);
    Read g(Path("g.MDX"));
    ASSERT_EQ(g.data, 1);
    EXPECT_EQ(g.values[1][1], 3.0);
    // An empty separator is the default ';', never a NUL byte in the file.
    ASSERT_EQ(e.WriteFile(Path("e.mdx").c_str(), "", 0, "", nullptr, 0, 0), 1);
    EXPECT_EQ(ReadFile(Path("e.mdx")).find('\0'), std::string::npos);
    Read empty(Path("e.mdx"));
    ASSERT_EQ(empty.data, 1);
    EXPECT_EQ(empty.values[1][2], 123456789.125);
    ASSERT_EQ(e.WriteMdx_k_a(Path("z.mdx").c_str(), 0, 'A'), 1);
    EXPECT_EQ(ReadFile(Path("z.mdx")).find('\0'), std::string::npos);
}

TEST_F(Characteristic, LargeRoundTripIsExact) {
    const int n = 20000;
    CArray<double, double> a, b;
    for (int k = 0; k < n; ++k) {
        a.Add(k * 0.1 + 1e-7);
        b.Add(-1.0 / (k + 1));
    }
    for (int typ : {'A', '8'}) {
        CReadAndWriteFileFunction e;
        e.SetNrChannels(2);
        e.SetNrItems(n);
        e.InsertChannel(0, &a, "a", "");
        e.InsertChannel(1, &b, "b", "");
        ASSERT_EQ(e.WriteMdx_k_a(Path("big.mdx").c_str(), ';', typ), 1);
        Read r(Path("big.mdx"));
        ASSERT_EQ(r.data, 1);
        ASSERT_EQ(r.values[0].GetSize(), n);
        for (int k = 0; k < n; k += 997) {
            // "%.15g" keeps 15 digits; the binary form is exact.
            if (typ == '8') {
                EXPECT_EQ(r.values[0][k], a[k]);
                EXPECT_EQ(r.values[1][k], b[k]);
            } else {
                EXPECT_NEAR(r.values[0][k], a[k], 1e-14 * std::abs(a[k]));
                EXPECT_NEAR(r.values[1][k], b[k], 1e-14 * std::abs(b[k]));
            }
        }
    }
}

}  // namespace

namespace {

TEST_F(Characteristic, ShortLinesReadAsZeroWithoutPaddingArrays) {
    WriteFile(Path("z.mdx"), "typ:=A\r\ndim:=3\r\nlen:=3\r\nend:=\r\n1;2;3;\r\n4\r\n7;8;9;");
    CReadAndWriteFileFunction e;
    ASSERT_EQ(e.ReadMdx_k(Path("z.mdx").c_str()), 1);
    double raw[3] = {-1, -1, -1};
    CArray<double, double> middle;
    e.GetChannel(0)->SetDoubleArray(&middle);  // the first channel is always stored
    CArray<double, double> second;
    e.GetChannel(1)->SetDoubleArray(&second);
    e.GetChannel(2)->SetDoublePtr(raw);
    ASSERT_EQ(e.ReadMdx_a(), 1);
    EXPECT_EQ(raw[1], 0.0);
    EXPECT_EQ(raw[2], 9.0);
    ASSERT_EQ(second.GetSize(), 3);
    EXPECT_EQ(second[1], 0.0);
    EXPECT_EQ(second[2], 8.0);
}

}  // namespace
