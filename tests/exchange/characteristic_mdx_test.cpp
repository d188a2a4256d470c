// Characteristic files (.mdx, .mdk/.mda): header keys, text and binary data, the
// round trips writer -> reader, warnings and malformed input.
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/os/file_io.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

using namespace tbtest;

namespace {

class Characteristic : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.File(name); }
    CString Name(const char* name) const { return dir.File(name).c_str(); }
    // The engine e holds U in V and I in A, three items.
    void TwoChannels() { SetChannels(e, 3, {{&u, "U", "V"}, {&i, "I", "A"}}); }
    // The eight-byte block after the header of an .mdx file, as doubles.
    std::vector<double> Block(const char* name) const {
        const std::string text = ReadFile(Path(name));
        const std::string block = text.substr(text.find("end:=\n") + 6);
        std::vector<double> values(block.size() / 8);
        for (size_t k = 0; k < values.size(); ++k) {
            const std::uint64_t bits = LoadLittleEndian(block, k * 8, 8);
            std::memcpy(&values[k], &bits, 8);
        }
        return values;
    }
    ScratchDir dir;
    Doubles u = DoublesOf({1.5, -2.0, 1e-12}), i = DoublesOf({0.25, 3.0, 123456789.125});
    CReadAndWriteFileFunction e;
};

}  // namespace

TEST_F(Characteristic, TextPairHasTheExactHeaderAndDataLayout) {
    TwoChannels();
    ASSERT_EQ(e.WriteMdx_k_a(Name("x.mdk"), ';', 'A'), 1) << e.GetLastError();
    EXPECT_EQ(ReadFile(Path("x.mdk")), "typ:=A\r\ndim:=2\r\nlen:=3\r\nn01:=U\r\nu01:=V\r\nn02:=I\r\nu02:=A\r\nend:=");
    EXPECT_EQ(ReadFile(Path("x.mda")), "1.5;0.25;\r\n-2;3;\r\n1e-12;123456789.125;");
    EXPECT_EQ(e.FileKind, TB_KIND_MDA_MDK);
}

TEST_F(Characteristic, TabSeparatorWritesASepLineAndReadsBack) {
    TwoChannels();
    ASSERT_EQ(e.WriteMdx_k_a(Name("t.mdk"), '\t', 'A'), 1);
    const std::string header = ReadFile(Path("t.mdk"));
    EXPECT_NE(header.find("u02:=A\r\nsep:=\"\t\"\r\nend:="), std::string::npos) << header;
    EXPECT_EQ(ReadFile(Path("t.mda")).substr(0, 9), "1.5\t0.25\t");
    ChannelRead r(Path("t.mda"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.engine.GetSep(), '\t');
    EXPECT_EQ(r.engine.GetSeperator(), "\t");
    EXPECT_DOUBLE_EQ(r.At(1, 2), 123456789.125);
}

TEST_F(Characteristic, ReadingAPairLowerCasesHeaderValuesAndFindsThePartner) {
    TwoChannels();
    ASSERT_EQ(e.WriteMdx_k_a(Name("x.mda"), ';', 'A'), 1);  // either name writes the pair
    ASSERT_TRUE(Exists(Path("x.mdk")));
    // Choosing the .mda file reads the header from x.mdk and the values from x.mda.
    ChannelRead r(Path("x.mda"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.Names(), (Strings{"u", "i"}));
    EXPECT_EQ(r.Units(), (Strings{"v", "a"}));
    EXPECT_EQ(r.engine.GetFileName(), Name("x.mda"));
    EXPECT_EQ(r.engine.GetSaveVersion(), 3);
    EXPECT_EQ(r.engine.GetLoadVersion(), 1);
    EXPECT_EQ(r.Column(0), (Values{1.5, -2.0, 1e-12}));
    EXPECT_EQ(r.Column(1), (Values{0.25, 3.0, 123456789.125}));
}

TEST_F(Characteristic, CommentLinesTravelThroughEditionalStrings) {
    WriteFile(Path("c.mdk"), "typ:=A\r\nMeasured On Bench 3\r\nDim:=1\r\nlen:=1\r\nOwner:=Lab\r\nend:=");
    WriteFile(Path("c.mda"), "7;");
    ChannelRead r(Path("c.mdk"));
    ASSERT_EQ(r.data, 1) << r.Error();
    CStringArray free;
    r.engine.GetEditionalStringArray(&free);
    ASSERT_EQ(free.GetSize(), 2);
    EXPECT_EQ(free[0], "measured on bench 3");
    EXPECT_EQ(free[1], "owner:=lab");
    EXPECT_EQ(r.At(0, 0), 7.0);
    // The next header write puts them back, lower-cased, before end:=.
    Doubles one = DoublesOf({1.0});
    SetChannels(r.engine, 1, {{&one}});
    ASSERT_EQ(r.engine.WriteMdx_k_a(Name("d.mdk"), ';', 'A'), 1);
    EXPECT_EQ(ReadFile(Path("d.mdk")), "typ:=A\r\ndim:=1\r\nlen:=1\r\nmeasured on bench 3\r\nowner:=lab\r\nend:=");
}

TEST_F(Characteristic, ChannelKeysAreN0FollowedByTheNumber) {
    std::vector<Doubles> columns(12);
    e.SetNrChannels(12);
    e.SetNrItems(1);
    for (int c = 0; c < 12; ++c) {
        columns[c].Add(c);
        e.InsertChannel(c, &columns[c], ("C" + std::to_string(c + 1)).c_str(), c == 11 ? "Ohm" : "");
    }
    ASSERT_EQ(e.WriteMdx_k_a(Name("k.mdx"), ';', 'A'), 1);
    const std::string text = ReadFile(Path("k.mdx"));
    EXPECT_NE(text.find("\r\nn09:=C9\r\nn010:=C10\r\nn011:=C11\r\nn012:=C12\r\nu012:=Ohm\r\nend:=\r\n0;1;2;"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("u01:="), std::string::npos);  // no unit, no line
    ChannelRead r(Path("k.mdx"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.Name(11), "c12");
    EXPECT_EQ(r.Unit(11), "ohm");
    EXPECT_EQ(r.At(11, 0), 11.0);
    EXPECT_EQ(r.engine.GetSaveVersion(), 0);
    EXPECT_EQ(r.engine.GetLoadVersion(), 0);
}

TEST_F(Characteristic, EightByteMdxHoldsExactlyTheLittleEndianRowsAndFourBytePairsSingles) {
    TwoChannels();
    ASSERT_EQ(e.WriteMdx_k_a(Name("b.mdx"), ';', '8'), 1);
    EXPECT_EQ(Block("b.mdx"), (std::vector<double>{1.5, 0.25, -2.0, 3.0, 1e-12, 123456789.125}));
    ChannelRead r(Path("b.mdx"));
    ASSERT_EQ(r.data, 1) << r.Error();
    EXPECT_EQ(r.engine.GetTyp(), '8');
    EXPECT_EQ(r.engine.GetSaveVersion(), 2);
    EXPECT_EQ(r.At(1, 2), 123456789.125);

    ASSERT_EQ(e.WriteFile(Name("f.mdk"), "", 4, nullptr, nullptr, 0, 0), 1) << e.GetLastError();
    EXPECT_EQ(ReadFile(Path("f.mda")).size(), 24u);
    EXPECT_EQ(ReadFile(Path("f.mdk")).substr(0, 8), "typ:=4\r\n");
    ChannelRead f(Path("f.mdk"));
    ASSERT_EQ(f.data, 1) << f.Error();
    EXPECT_EQ(f.engine.GetSaveVersion(), 4);
    EXPECT_EQ(f.At(0, 2), static_cast<double>(1e-12f));
    EXPECT_EQ(f.At(1, 2), static_cast<double>(123456789.125f));
}

TEST_F(Characteristic, TextAndVariantStorageWriteAsTheirTextsAndReadBack) {
    CStringArray texts = TextsOf({"abc", "2.5"});
    Variants cells = VariantsOf({short(7), "4.25"});
    SetChannels(e, 2, {{&texts, "t"}, {&cells, "v"}}, 3);  // slot 2 stays empty: warning 54 and zeros
    ASSERT_EQ(e.WriteMdx_k_a(Name("s.mdk"), ',', 'A'), 2);
    EXPECT_NE(e.GetLastWarn().Find(TBFormatMessage(TBMsg::ChannelNotWritten, {e.GetFileName(), 3})), -1);
    EXPECT_EQ(ReadFile(Path("s.mda")), "abc,7,0,\r\n2.5,4.25,0,");
    ASSERT_EQ(e.WriteMdx_k_a(Name("s8.mdx"), ';', '8'), 2);
    EXPECT_EQ(Block("s8.mdx"), (std::vector<double>{0, 7, 0, 2.5, 4.25, 0}));  // "abc" converts to 0

    WriteFile(Path("r.mdx"), "typ:=a\r\ndim:=2\r\nlen:=2\r\nend:=\r\n1.5;Abc;\r\n2e3;x;");
    CReadAndWriteFileFunction reader;
    ASSERT_EQ(reader.ReadMdx_k(Name("r.mdx")), 1);
    CStringArray readTexts;
    Variants readCells;
    reader.GetChannel(0)->SetStringArray(&readTexts);
    reader.GetChannel(1)->SetVariantArray(&readCells);
    ASSERT_EQ(reader.ReadMdx_a(), 1) << reader.GetLastError();
    ASSERT_EQ(readTexts.GetSize(), 2);
    EXPECT_EQ(readTexts[1], "2e3");
    ASSERT_EQ(readCells.GetSize(), 2);
    EXPECT_EQ(readCells[0].GetText(), "abc");  // data lines are lower-cased
}

TEST_F(Characteristic, WrongNamesAndMissingFilesFail) {
    EXPECT_EQ(e.ReadMdx_k(Name("data.txt")), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::NotCharacteristicFormat, {Name("data.txt")}));
    EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
    EXPECT_EQ(e.WriteMdx_k_a(Name("data.txt"), ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::NotCharacteristicFormat, {Name("data.txt")}));
    EXPECT_EQ(e.ReadMdx_k(Name("none.mdx")), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::CannotOpenFile, {Name("none.mdx")}));
    // Header present, data partner missing.
    WriteFile(Path("p.mdk"), "typ:=A\r\ndim:=1\r\nlen:=1\r\nend:=");
    ChannelRead r(Path("p.mdk"));
    EXPECT_EQ(r.info, 1);
    EXPECT_EQ(r.data, 0);
    EXPECT_EQ(r.engine.GetLastError(), TBFormatMessage(TBMsg::CannotOpenFile, {Name("p.mda")}));
    EXPECT_EQ(r.engine.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
}

TEST_F(Characteristic, HeaderWarningsAndErrors) {
    WriteFile(Path("w.mdx"), "typ:=A\r\ndim:=3\r\nlen:=1\r\nn04:=x\r\nu0:=y\r\nn02:=ok\r\nend:=\r\n1;2;3;");
    ASSERT_EQ(e.ReadMdx_k(Name("w.mdx")), 2);
    EXPECT_EQ(e.GetLastWarn(), TBFormatMessage(TBMsg::InvalidChannelNumber, {Name("w.mdx"), 4}) + "\r\n" +
                                   TBFormatMessage(TBMsg::InvalidUnitNumber, {Name("w.mdx"), 0}) + "\r\n");
    ChannelRead r(Path("w.mdx"));
    ASSERT_EQ(r.info, 2);
    EXPECT_EQ(r.Name(1), "ok");
    EXPECT_EQ(r.data, 1);
    EXPECT_EQ(r.At(2, 0), 3.0);

    const std::pair<const char*, UINT> cases[] = {
        {"dim:=1\r\nlen:=1\r\nend:=", TBMsg::ReadTypFailed},
        {"typ:=A\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=1\r\nend:=", TBMsg::ReadLenFailed},
        {"typ:=A\r\ndim:=1000000000\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=-4\r\nlen:=1\r\nend:=", TBMsg::ReadDimFailed},
        {"typ:=A\r\ndim:=1\r\nlen:=-3\r\nend:=", TBMsg::ReadLenFailed},
    };
    for (const auto& [header, error] : cases) {
        WriteFile(Path("h.mdk"), header);
        CReadAndWriteFileFunction h;
        EXPECT_EQ(h.ReadMdx_k(Name("h.mdk")), 0) << header;
        EXPECT_EQ(h.GetLastError(), TBFormatMessage(error, {Name("h.mdk")})) << header;
        EXPECT_EQ(h.GetLastErrorNumber(), TB_EXCHANGE_HEADER_ERROR);
    }
    WriteFile(Path("q.mdk"), "typ:=q\r\ndim:=1\r\nlen:=1\r\nend:=");
    WriteFile(Path("q.mda"), "1;");
    ChannelRead q(Path("q.mdk"));
    EXPECT_EQ(q.info, 1);
    EXPECT_EQ(q.data, 0);
    EXPECT_EQ(q.engine.GetLastError(), TBFormatMessage(TBMsg::InvalidDataType, {Name("q.mda")}));
}

TEST_F(Characteristic, ShortDataGivesWarning57AndKeepsWhatWasRead) {
    WriteFile(Path("a.mdx"), "typ:=A\r\ndim:=2\r\nlen:=5\r\nend:=\r\n1;2;\r\n3;4;");
    ChannelRead r(Path("a.mdx"));
    ASSERT_EQ(r.data, 2);
    EXPECT_EQ(r.Warnings(),
              (TBFormatMessage(TBMsg::FewerValuesThanLength, {Name("a.mdx"), 2, 5}) + "\r\n").GetString());
    EXPECT_EQ(r.Size(1), 2);
    EXPECT_EQ(r.At(1, 1), 4.0);

    // A binary block cut inside the third row: two whole rows and the cut row's
    // complete values, never more than the raw block holds.
    const double rows[] = {1, 2, 3, 4, 5};
    WriteFile(Path("cut.mdx"), "typ:=8\r\ndim:=2\r\nlen:=1000000000\r\nend:=\n" +
                                   std::string(reinterpret_cast<const char*>(rows), sizeof rows) + "abc");
    ASSERT_EQ(e.ReadMdx_k(Name("cut.mdx")), 1);
    EXPECT_EQ(e.GetNrItems(), 1000000000);
    Doubles c0, c1;
    e.GetChannel(0)->SetDoubleArray(&c0);
    e.GetChannel(1)->SetDoubleArray(&c1);
    ASSERT_EQ(e.ReadMdx_a(), 2);
    EXPECT_EQ(e.GetLastWarn(),
              TBFormatMessage(TBMsg::FewerValuesThanLength, {Name("cut.mdx"), 2, 1000000000}) + "\r\n");
    EXPECT_EQ(c0.GetSize(), 3);
    EXPECT_EQ(c1.GetSize(), 2);
    EXPECT_EQ(c0[2], 5.0);
}

TEST_F(Characteristic, ShortLinesReadAsZeroWithoutPaddingArrays) {
    WriteFile(Path("z.mdx"), "typ:=A\r\ndim:=3\r\nlen:=3\r\nend:=\r\n1;2;3;\r\n4\r\n7;8;9;");
    ASSERT_EQ(e.ReadMdx_k(Name("z.mdx")), 1);
    double raw[3] = {-1, -1, -1};
    Doubles first, second;
    e.GetChannel(0)->SetDoubleArray(&first);  // the first channel is always stored
    e.GetChannel(1)->SetDoubleArray(&second);
    e.GetChannel(2)->SetDoublePtr(raw);
    ASSERT_EQ(e.ReadMdx_a(), 1);
    EXPECT_EQ(raw[1], 0.0);
    EXPECT_EQ(raw[2], 9.0);
    ASSERT_EQ(second.GetSize(), 3);
    EXPECT_EQ(second[1], 0.0);
    EXPECT_EQ(second[2], 8.0);
}

TEST_F(Characteristic, MissingSlotsAndStorageWhileReading) {
    WriteFile(Path("m.mdx"), "typ:=A\r\ndim:=2\r\nlen:=1\r\nend:=\r\n1;2;");
    const ChannelRead slot(Path("m.mdx"), nullptr, nullptr, 2, {1, true});  // warning 55, nothing stored there
    ASSERT_EQ(slot.data, 2);
    EXPECT_EQ(slot.Warnings(), (TBFormatMessage(TBMsg::ChannelNotRead, {Name("m.mdx"), 2}) + "\r\n").GetString());
    EXPECT_EQ(slot.At(0, 0), 1.0);
    const ChannelRead bare(Path("m.mdx"), nullptr, nullptr, 2, {0});  // a channel without storage
    EXPECT_EQ(bare.data, 0);
    EXPECT_EQ(bare.engine.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {Name("m.mdx"), 1}));
    EXPECT_EQ(bare.engine.GetLastErrorNumber(), TB_EXCHANGE_DATA_ERROR);
}

TEST_F(Characteristic, DataWriterFailuresNameTheFileAndKeepTheReason) {
    Doubles shortArray = DoublesOf({1.0});
    SetChannels(e, 2, {{&shortArray, "a"}});
    EXPECT_EQ(e.WriteMdx_k_a(Name("e.mdk"), ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdaFailed, {Name("e.mda")}));
    EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
    EXPECT_EQ(e.GetLastWarn(), TBLoadString(TBMsg::NoMemoryReserve) + "\r\n");

    e.ReplaceChannelSlot(0, new CExImPortChannel());  // a channel without storage
    EXPECT_EQ(e.WriteMdx_k_a(Name("e.mdx"), ';', '4'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdxFailed, {Name("e.mdx")}));
    EXPECT_NE(e.GetLastWarn().Find(TBFormatMessage(TBMsg::InvalidChannelPointer, {Name("e.mdx"), 1})), -1);

    EXPECT_EQ(e.WriteMdx_k_a("/nonexistent-dir/x.mdk", ';', 'A'), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::WriteMdkFailed, {"/nonexistent-dir/x.mdk"}) + " (" +
                                    TBSystemErrorText(ENOENT) + ")");
}

TEST_F(Characteristic, WriteFileDispatchAndCodes) {
    TwoChannels();
    ASSERT_EQ(e.WriteFile(Name("w"), "", 1, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(Path("w.mdx")));
    EXPECT_EQ(e.GetSaveVersion(), 1);
    EXPECT_EQ(e.GetLoadVersion(), 0);
    ChannelRead r(Path("w.mdx"));
    ASSERT_EQ(r.data, 1);
    EXPECT_EQ(r.At(0, 0), 1.5);
    EXPECT_EQ(r.engine.GetTyp(), '4');
    ASSERT_EQ(e.WriteFile(Name("g.MDX"), "", 0, ",", nullptr, 0, 0), 1);
    EXPECT_NE(ReadFile(Path("g.MDX")).find("sep:=\",\""), std::string::npos);
    ChannelRead g(Path("g.MDX"));
    ASSERT_EQ(g.data, 1);
    EXPECT_EQ(g.At(1, 1), 3.0);
    // An empty separator is the default ';', never a NUL byte in the file.
    ASSERT_EQ(e.WriteFile(Name("e.mdx"), "", 0, "", nullptr, 0, 0), 1);
    EXPECT_EQ(ReadFile(Path("e.mdx")).find('\0'), std::string::npos);
    ChannelRead empty(Path("e.mdx"));
    ASSERT_EQ(empty.data, 1);
    EXPECT_EQ(empty.At(1, 2), 123456789.125);
    ASSERT_EQ(e.WriteMdx_k_a(Name("z.mdx"), 0, 'A'), 1);
    EXPECT_EQ(ReadFile(Path("z.mdx")).find('\0'), std::string::npos);
}

TEST_F(Characteristic, LargeRoundTripIsExact) {
    const int n = 20000;
    Doubles a, b;
    for (int k = 0; k < n; ++k) {
        a.Add(k * 0.1 + 1e-7);
        b.Add(-1.0 / (k + 1));
    }
    SetChannels(e, n, {{&a, "a"}, {&b, "b"}});
    for (int typ : {'A', '8'}) {
        ASSERT_EQ(e.WriteMdx_k_a(Name("big.mdx"), ';', typ), 1);
        ChannelRead r(Path("big.mdx"));
        ASSERT_EQ(r.data, 1);
        ASSERT_EQ(r.Size(0), n);
        // "%.15g" keeps 15 digits; the binary form is exact.
        const double tolerance = typ == '8' ? 0 : 1e-14;
        for (int k = 0; k < n; k += 997) {
            EXPECT_NEAR(r.At(0, k), a[k], tolerance * std::abs(a[k]));
            EXPECT_NEAR(r.At(1, k), b[k], tolerance * std::abs(b[k]));
        }
    }
}

// Past 64 MiB of output the binary reader decodes channel by channel and streams the
// values around the caches: every value must still land in its own row, in fresh
// arrays (sized once, never zeroed first) as in raw blocks.
TEST_F(Characteristic, StreamedBinaryReadPutsEveryValueInItsRow) {
    const int rows = 2800000;  // 3 channels x 8 bytes: 67 MB
    Doubles x, y, z;
    x.SetSize(rows);
    y.SetSize(rows);
    z.SetSize(rows);
    for (int k = 0; k < rows; ++k) {
        x[k] = k;
        y[k] = -0.5 * k;
        z[k] = k % 7;
    }
    SetChannels(e, rows, {{&x, "x"}, {&y, "y"}, {&z, "z"}});
    ASSERT_EQ(e.WriteMdx_k_a(Name("stream.mdx"), ';', '8'), 1);
    const auto misplaced = [&](const double* cx, const double* cy, const double* cz) {
        int wrong = 0;
        for (int k = 0; k < rows; ++k) wrong += cx[k] != x[k] || cy[k] != y[k] || cz[k] != z[k];
        return wrong;
    };
    const ChannelRead arrays(Path("stream.mdx"));
    ASSERT_EQ(arrays.data, 1);
    ASSERT_EQ(arrays.Size(2), rows);
    EXPECT_EQ(misplaced(arrays.values[0]->GetData(), arrays.values[1]->GetData(), arrays.values[2]->GetData()), 0);

    CReadAndWriteFileFunction raw;
    ASSERT_EQ(raw.ReadMdx_k(Name("stream.mdx")), 1);
    std::vector<double> bx(rows, -1), by(rows, -1), bz(rows, -1);
    raw.GetChannel(0)->SetDoublePtr(bx.data());
    raw.GetChannel(1)->SetDoublePtr(by.data());
    raw.GetChannel(2)->SetDoublePtr(bz.data());
    ASSERT_EQ(raw.ReadMdx_a(), 1);
    EXPECT_EQ(misplaced(bx.data(), by.data(), bz.data()), 0);
    for (int c = 0; c < 3; ++c) *raw.GetChannel(c) = CExImPortChannel();
}
