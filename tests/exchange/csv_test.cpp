// Delimited text: the writer, the scan, the value reader and their round trip.
#include "exchange/text/delimited_text.h"
#include <toolbox/exchange/read_and_write_files.h>
#include "tests/support/files.h"
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <vector>

using namespace tbtest;

namespace {

class Csv : public ::testing::Test {
protected:
    void SetUp() override { TBOverrideUserNumberSymbols(";", ","); }
    void TearDown() override { TBOverrideUserNumberSymbols(nullptr, nullptr); }
    ScratchDir dir;
};

// Reads path as a host does: scan, one double array per channel, values.
struct ReadResult {
    int info = 0;
    int data = 0;
    std::vector<CString> names, units;
    std::vector<CArray<double, double>> values;
    CString warnings, error;
    int errorNumber = -1;
};

ReadResult ReadDoubles(const std::string& path, const char* separator = nullptr, const char* decimal = nullptr) {
    ReadResult r;
    CReadAndWriteFiles files;
    r.info = files.ReadInfoFile(path.c_str(), "", -1, separator, decimal, 0, 0, 2);
    r.error = files.GetLastError();
    r.errorNumber = files.GetLastErrorNumber();
    if (!r.info) return r;
    r.values.resize(static_cast<size_t>(files.GetNrChannels()));
    for (int i = 0; i < files.GetNrChannels(); ++i) {
        r.names.push_back(files.GetChannel(i)->GetChannelName());
        r.units.push_back(files.GetChannel(i)->GetUnitName());
        files.GetChannel(i)->SetDoubleArray(&r.values[static_cast<size_t>(i)]);
    }
    r.data = files.ReadDataFile();
    r.warnings = files.GetLastWarn();
    r.error = files.GetLastError();
    r.errorNumber = files.GetLastErrorNumber();
    return r;
}

}  // namespace

// ---------------------------------------------------------------- writing

TEST_F(Csv, WritesQuotedTitlesSeparatorAndDecimalSymbol) {
    double u[2] = {1.5, -0.25};
    CArray<double, double> i;
    i.Add(1e-20);
    i.Add(123456789012345678.0);
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(2);
    files.InsertChannel(0, u, "U", "V");
    files.InsertChannel(1, &i, "I", "");
    const std::string path = dir.File("a.txt");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, ";", ",", 0, 0), 1);
    EXPECT_EQ(ReadFile(path), "\"U(V)\";\"I\"\r\n1,5;1e-20\r\n-0,25;1,23456789012346e+17");
    *files.GetChannel(0) = CExImPortChannel();

    // A unit without a name, and a separator of several characters.
    files.GetChannel(1)->SetChannelName("");
    files.GetChannel(1)->SetUnitName("A");
    files.SetNrChannels(2);
    files.InsertChannel(0, &i, "", "");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, ";\t", ".", 0, 0), 1);
    EXPECT_EQ(ReadFile(path).substr(0, 14), "\"\";\t\"(A)\"\r\n1e-");
}

TEST_F(Csv, WritesNoTitleLineWhenAllTitlesAreEmptyAndNoLineEndAfterTheLastRow) {
    double values[3] = {1, 2, 3};
    CReadAndWriteFiles files;
    files.SetNrChannels(1);
    files.SetNrItems(3);
    files.InsertChannel(0, values, "", "");
    const std::string path = dir.File("n.txt");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, ",", ".", 0, 0), 1);
    EXPECT_EQ(ReadFile(path), "1\r\n2\r\n3");
    *files.GetChannel(0) = CExImPortChannel();
}

TEST_F(Csv, WritesSpecialValuesAsTheLargestSinglePrecisionValue) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    double values[4] = {nan, -nan, inf, -inf};
    CReadAndWriteFiles files;
    files.SetNrChannels(1);
    files.SetNrItems(4);
    files.InsertChannel(0, values, "", "");
    const std::string path = dir.File("s.txt");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, ",", ".", 0, 0), 1);
    EXPECT_EQ(ReadFile(path),
              "3.40282346638529e+38\r\n-3.40282346638529e+38\r\n3.40282346638529e+38\r\n3.40282346638529e+38");
    *files.GetChannel(0) = CExImPortChannel();
}

TEST_F(Csv, WritesStringAndVariantStorageAndZeroForMissingChannels) {
    CStringArray texts;
    texts.Add("1.5");
    texts.Add("abc");
    CArray<COleVariant, COleVariant> cells;
    cells.Add(COleVariant(2.5));
    cells.Add(COleVariant(static_cast<short>(1), VT_BOOL));
    CArray<COleVariant, COleVariant> more;
    more.Add(COleVariant(static_cast<BYTE>(200)));
    more.Add(COleVariant("x.y"));
    CArray<COleVariant, COleVariant> others;
    others.Add(COleVariant(std::int32_t(-7)));
    others.Add(COleVariant::Date(3.5));
    CReadAndWriteFiles files;
    files.SetNrChannels(5);
    files.SetNrItems(2);
    files.InsertChannel(0, &texts, "T", "");
    files.InsertChannel(1, &cells, "C", "");
    files.InsertChannel(3, &more, "M", "");
    files.InsertChannel(4, &others, "O", "");
    const std::string path = dir.File("v.txt");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, ";", ",", 0, 0), 2);
    // A date is written as its serial day number.
    EXPECT_EQ(ReadFile(path), "\"T\";\"C\";\"\";\"M\";\"O\"\r\n1.5;2,5;0;200;-7\r\nabc;-1;0;x.y;3,5");
    EXPECT_EQ(files.GetLastWarn(), TBFormatMessage(TBMsg::ChannelNotWritten, {CString(path.c_str()), 3}) + "\r\n");
}

TEST_F(Csv, RefusesChannelsWithoutStorageOrWithShortArraysBeforeTouchingTheFile) {
    const std::string path = dir.File("keep.txt");
    WriteFile(path, "precious");
    CArray<double, double> shortArray;
    shortArray.Add(1);
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(2);
    files.InsertChannel(0, &shortArray, "A", "");
    files.AddEmptyChannel();
    files.InsertChannel(1, static_cast<double*>(nullptr), "B", "");
    EXPECT_EQ(files.WriteFile(path.c_str(), "", -1, ";", ".", 0, 0), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 4);
    EXPECT_EQ(files.GetLastError(), TBLoadString(TBMsg::NoMemoryReserve));
    shortArray.Add(2);
    EXPECT_EQ(files.WriteFile(path.c_str(), "", -1, ";", ".", 0, 0), 0);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {CString(path.c_str()), 2}));
    EXPECT_EQ(ReadFile(path), "precious");
}

TEST_F(Csv, ReportsMissingNamesAndUnwritableFiles) {
    double v[1] = {1};
    CReadAndWriteFiles files;
    files.SetNrChannels(1);
    files.SetNrItems(1);
    files.InsertChannel(0, v, "A", "");
    // No name and the headless file dialog cancels: string 4.
    CReadAndWriteFileFunction& engine = *files.GetEngine();
    EXPECT_EQ(engine.WriteCSVFile("", ";", "."), 0);
    EXPECT_EQ(files.GetLastError(), TBLoadString(TBMsg::NoFileName));
    EXPECT_EQ(files.WriteFile(dir.File("no/such/dir.txt").c_str(), "", -1, ";", ".", 0, 0), 0);
    EXPECT_NE(files.GetLastError().Find("No such file or directory"), -1);
    *files.GetChannel(0) = CExImPortChannel();
}

TEST_F(Csv, CsvFilesUseTheEngineSymbolsThenTheUserLocale) {
    double v[2] = {0.5, 1};
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(1);
    files.InsertChannel(0, v, "a", "");
    files.InsertChannel(1, v + 1, "b", "");
    const std::string path = dir.File("c.csv");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, "|", "#", 0, 0), 1);  // arguments ignored
    EXPECT_EQ(ReadFile(path), "\"a\";\"b\"\r\n0,5;1");
    files.GetEngine()->Separator = "\t";
    files.GetEngine()->Decimal = ".";
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(ReadFile(path), "\"a\"\t\"b\"\r\n0.5\t1");
    *files.GetChannel(0) = CExImPortChannel();
    *files.GetChannel(1) = CExImPortChannel();
}

// ---------------------------------------------------------------- scanning

TEST_F(Csv, TitleFieldsGiveNamesAndUnits) {
    const std::string path = dir.File("t.txt");
    WriteFile(path, "\"Speed (rpm)\";\"(s)\";\"a(b)c\";\"()\";\"\";plain;\"U(V)\"\r\n1;2;3;4;5;6;7\r\n");
    ReadResult r = ReadDoubles(path, ";", ".");
    ASSERT_EQ(r.info, 1);
    ASSERT_EQ(r.names.size(), 7u);
    EXPECT_EQ(r.names[0], "Speed ");
    EXPECT_EQ(r.units[0], "rpm");
    EXPECT_EQ(r.names[1], "CH 1");
    EXPECT_EQ(r.units[1], "s");
    EXPECT_EQ(r.names[2], "");
    EXPECT_EQ(r.units[2], "");
    EXPECT_EQ(r.names[3], "");
    EXPECT_EQ(r.names[4], "CH 4");
    EXPECT_EQ(r.names[5], "CH 5");  // a field without quotes
    EXPECT_EQ(r.names[6], "U");
    EXPECT_EQ(r.units[6], "V");
    ASSERT_EQ(r.values[6].GetSize(), 1);
    EXPECT_EQ(r.values[6][0], 7);
}

TEST_F(Csv, UnquotedTitleLineNamesTheChannels) {
    const std::string path = dir.File("u.txt");
    WriteFile(path, "time; V1(V) ;I\n1;2;3\n");
    ReadResult r = ReadDoubles(path, ";", ".");
    ASSERT_EQ(r.data, 1) << r.error.GetString();
    ASSERT_EQ(r.names.size(), 3u);
    EXPECT_EQ(r.names[0], "time");
    EXPECT_EQ(r.names[1], "V1");
    EXPECT_EQ(r.units[1], "V");
    EXPECT_EQ(r.names[2], "I");
    ASSERT_EQ(r.values[0].GetSize(), 1);  // no row of zeros
    EXPECT_EQ(r.values[2][0], 3);
    // A field that can begin a number (or an empty one) makes the line data; channels
    // are then numbered from zero.
    for (const char* first : {"time;-1;I\n", "time;;I\n"}) {
        WriteFile(path, std::string(first) + "1;2;3\n");
        r = ReadDoubles(path, ";", ".");
        ASSERT_EQ(r.info, 1);
        EXPECT_EQ(r.names[0], "CH 0") << first;
        ASSERT_EQ(r.values[0].GetSize(), 2) << first;
        EXPECT_EQ(r.values[1][1], 2);
    }
}

TEST_F(Csv, ByteOrderMarkBelongsToNoField) {
    const std::string path = dir.File("b.txt");
    for (const char* titles : {"\"t(s)\";\"U\"", "t(s);U"}) {
        WriteFile(path, std::string("\xEF\xBB\xBF") + titles + "\n1;2\n");
        const ReadResult r = ReadDoubles(path, ";", ".");
        ASSERT_EQ(r.data, 1) << titles;
        EXPECT_EQ(r.names[0], "t") << titles;
        EXPECT_EQ(r.units[0], "s");
    }
    WriteFile(path,
              "\xEF\xBB\xBF"
              "1.5;2\n3;4\n");
    const ReadResult r = ReadDoubles(path, ";", ".");
    ASSERT_EQ(r.values.size(), 2u);
    ASSERT_EQ(r.values[0].GetSize(), 2);
    EXPECT_EQ(r.values[0][0], 1.5);
}

TEST_F(Csv, MergeFlagTurnsRunsOfSeparatorsIntoOne) {
    const std::string path = dir.File("m.txt");
    WriteFile(path, "1   2    3\n");
    CReadAndWriteFileFunction merged;
    merged.FileKind = 4;
    ASSERT_EQ(merged.ReadInfoCSVFile(path.c_str(), " ", ".", 1, 1), 1);
    EXPECT_EQ(merged.GetNrChannels(), 3);
    CReadAndWriteFileFunction plain;
    plain.FileKind = 4;
    ASSERT_EQ(plain.ReadInfoCSVFile(path.c_str(), " ", ".", 1, 0), 1);
    EXPECT_EQ(plain.GetNrChannels(), 8);

    std::vector<CStringArray> texts(8);
    for (int i = 0; i < 8; ++i) plain.GetChannel(i)->SetStringArray(&texts[static_cast<size_t>(i)]);
    ASSERT_EQ(plain.ReadDataCSVFile(), 1);
    EXPECT_EQ(texts[0][0], "1");
    EXPECT_EQ(texts[1][0], "");
    EXPECT_EQ(texts[3][0], "2");
    EXPECT_EQ(texts[7][0], "3");
    for (int i = 0; i < 3; ++i) merged.GetChannel(i)->SetStringArray(&texts[static_cast<size_t>(i)]);
    ASSERT_EQ(merged.ReadDataCSVFile(), 1);
    EXPECT_EQ(texts[1][0], "2");
    EXPECT_EQ(texts[2][0], "3");
}

TEST_F(Csv, TextFooterEndsTheScanAndTheValueReaderStopsAtNrItems) {
    const std::string path = dir.File("f.txt");
    WriteFile(path, "\"x\";\"y\"\n1;2\n\n-3;4\nEnd of data\n5;6\n");
    ReadResult r = ReadDoubles(path, ";", ".");
    ASSERT_EQ(r.info, 1);
    ASSERT_EQ(r.data, 1);
    ASSERT_EQ(r.values[0].GetSize(), 2);
    EXPECT_EQ(r.values[0][1], -3);
    // A .csv file has no footer: every non-empty line counts.
    const std::string csv = dir.File("f.csv");
    WriteFile(csv, "\"x\";\"y\"\n1;2\nEnd;\n5;6\n");
    ReadResult c = ReadDoubles(csv);
    ASSERT_EQ(c.values[0].GetSize(), 3);
    EXPECT_EQ(c.values[0][2], 5);
}

TEST_F(Csv, ShortLinesAreFilledWithZeroInEveryKindOfStorage) {
    const std::string path = dir.File("z.txt");
    WriteFile(path, "1;2;3;4\n5\n");
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrChannels(), 4);
    double block[2] = {9, 9};
    CArray<double, double> doubles;
    CStringArray strings;
    CArray<COleVariant, COleVariant> variants;
    files.GetChannel(0)->SetDoublePtr(block);
    files.GetChannel(1)->SetDoubleArray(&doubles);
    files.GetChannel(2)->SetStringArray(&strings);
    files.GetChannel(3)->SetVariantArray(&variants);
    ASSERT_EQ(files.ReadDataFile(), 1);
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(block[1], 5);
    ASSERT_EQ(doubles.GetSize(), 2);
    EXPECT_EQ(doubles[1], 0.0);
    ASSERT_EQ(strings.GetSize(), 2);
    EXPECT_EQ(strings[0], "3");
    EXPECT_EQ(strings[1], "0");
    ASSERT_EQ(variants.GetSize(), 2);
    EXPECT_EQ(variants[0].vt, VT_BSTR);
    EXPECT_EQ(variants[0].GetText(), "4");
    EXPECT_EQ(variants[1].GetText(), "0");
    *files.GetChannel(0) = CExImPortChannel();  // the block is on the stack: detach it
}

TEST_F(Csv, RowsMixingPlainAndEngineeringNumbersReadLikeTheGeneralRules) {
    const std::string path = dir.File("mix.csv");
    WriteFile(path, "1,5;2k2;-3e-3; 4;+5;;7,25e2;1.5;12345678901234567890;0x10\n;;\n8\n");
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrChannels(), 10);
    ASSERT_EQ(files.GetNrItems(), 3);
    std::vector<CArray<double, double>> columns(10);
    for (int i = 0; i < 10; ++i) files.GetChannel(i)->SetDoubleArray(&columns[static_cast<size_t>(i)]);
    ASSERT_EQ(files.ReadDataFile(), 1);
    const char* fields[] = {"1,5", "2k2", "-3e-3", " 4", "+5", "", "7,25e2", "1.5", "12345678901234567890", "0x10"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(columns[static_cast<size_t>(i)][0], TBExtended_atof(fields[i], ",")) << fields[i];
        EXPECT_EQ(columns[static_cast<size_t>(i)][1], 0.0) << i;  // ";;" has empty fields, the rest zero
    }
    EXPECT_EQ(columns[0][2], 8);
    EXPECT_EQ(columns[9][2], 0);
}

TEST_F(Csv, ArraysKeepTheirLengthWhenLongerAndMissingSlotsWarn) {
    const std::string path = dir.File("w.txt");
    WriteFile(path, "1;2\n3;4\n");
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2), 1);
    CArray<double, double> longer;
    longer.SetSize(5);
    longer[4] = 42;
    files.GetChannel(0)->SetDoubleArray(&longer);
    files.GetEngine()->ReplaceChannelSlot(1, nullptr);
    EXPECT_EQ(files.ReadDataFile(), 2);
    EXPECT_EQ(files.GetLastWarn(), TBFormatMessage(TBMsg::ChannelNotRead, {CString(path.c_str()), 2}) + "\r\n");
    ASSERT_EQ(longer.GetSize(), 5);
    EXPECT_EQ(longer[1], 3);
    EXPECT_EQ(longer[4], 42);
}

TEST_F(Csv, ChannelWithoutStorageStopsTheValueReader) {
    const std::string path = dir.File("x.txt");
    WriteFile(path, "1;2\n");
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2), 1);
    CArray<double, double> first;
    files.GetChannel(0)->SetDoubleArray(&first);
    EXPECT_EQ(files.ReadDataFile(), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 4);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {CString(path.c_str()), 2}));
}

TEST_F(Csv, StartLineSkipsLinesAndMayHoldTheTitles) {
    const std::string path = dir.File("s.txt");
    WriteFile(path, "header junk\nmore junk\n\"a\";\"b\"\n1;2\n3;4\n");
    CReadAndWriteFileFunction engine;
    engine.FileKind = 4;
    ASSERT_EQ(engine.ReadInfoCSVFile(path.c_str(), ";", ".", 3, 0), 1);
    EXPECT_EQ(engine.GetNrItems(), 2);
    EXPECT_EQ(engine.GetChannel(1)->GetChannelName(), "b");
    CArray<double, double> a;
    engine.GetChannel(0)->SetDoubleArray(&a);
    engine.GetChannel(1)->SetDoubleArray(&a);
    ASSERT_EQ(engine.ReadDataCSVFile(), 1);
    EXPECT_EQ(a.GetSize(), 2);
}

TEST_F(Csv, CsvWithoutDialogUsesTheUserSymbolsSoWrittenFilesReadBack) {
    double u[3] = {1.5, -2.25e-7, 3e12};
    double t[3] = {0, 0.001, 0.002};
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(3);
    files.InsertChannel(0, t, "time", "s");
    files.InsertChannel(1, u, "U", "V");
    const std::string path = dir.File("r.csv");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    *files.GetChannel(0) = CExImPortChannel();
    *files.GetChannel(1) = CExImPortChannel();
    ReadResult r = ReadDoubles(path);
    ASSERT_EQ(r.info, 1);
    ASSERT_EQ(r.data, 1);
    EXPECT_EQ(r.names[0], "time");
    EXPECT_EQ(r.units[1], "V");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.values[0][i], t[i]);
        EXPECT_EQ(r.values[1][i], u[i]);
    }
}

TEST_F(Csv, RoundTripKeepsFifteenSignificantDigits) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    const int rows = 2000;
    std::vector<double> a(rows), b(rows);
    for (int i = 0; i < rows; ++i) {
        a[static_cast<size_t>(i)] = unit(random) * std::pow(10.0, i % 40 - 20);
        b[static_cast<size_t>(i)] = i;
    }
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(rows);
    files.InsertChannel(0, a.data(), "a", "");
    files.InsertChannel(1, b.data(), "b", "");
    const std::string path = dir.File("big.txt");
    ASSERT_EQ(files.WriteFile(path.c_str(), "", -1, "\t", ",", 0, 0), 1);
    *files.GetChannel(0) = CExImPortChannel();
    *files.GetChannel(1) = CExImPortChannel();
    ReadResult r = ReadDoubles(path, "\t", ",");
    ASSERT_EQ(r.data, 1);
    for (int i = 0; i < rows; ++i) {
        const double expected = a[static_cast<size_t>(i)];
        EXPECT_NEAR(r.values[0][i], expected, std::fabs(expected) * 1e-14) << i;
        EXPECT_EQ(r.values[1][i], i);
    }
}

// ---------------------------------------------------------------- bad input

TEST_F(Csv, MissingDirectoryAndUnreadableFilesCannotBeOpened) {
    ReadResult missing = ReadDoubles(dir.File("none.txt"), ";", ".");
    EXPECT_EQ(missing.info, 0);
    EXPECT_EQ(missing.errorNumber, 3);
    EXPECT_EQ(missing.error, TBFormatMessage(TBMsg::CannotOpenFile, {CString(dir.File("none.txt").c_str())}));
    mkdir(dir.File("d.txt").c_str(), 0755);
    ReadResult directory = ReadDoubles(dir.File("d.txt"), ";", ".");
    EXPECT_EQ(directory.info, 0);
    EXPECT_EQ(directory.errorNumber, 3);
    if (geteuid() != 0) {  // root reads everything
        WriteFile(dir.File("locked.txt"), "1\n");
        chmod(dir.File("locked.txt").c_str(), 0);
        EXPECT_EQ(ReadDoubles(dir.File("locked.txt"), ";", ".").errorNumber, 3);
    }
}

TEST_F(Csv, EmptyBinaryAndHugeLinesStayInsideTheStorage) {
    WriteFile(dir.File("e.txt"), "");
    ReadResult empty = ReadDoubles(dir.File("e.txt"), ";", ".");
    EXPECT_EQ(empty.info, 1);
    EXPECT_TRUE(empty.names.empty());

    const char raw[] = "1;2\0;3\r\n\x01\x02;\xff\n";
    std::string binary(raw, sizeof raw - 1);
    WriteFile(dir.File("b.txt"), binary);
    ReadResult bin = ReadDoubles(dir.File("b.txt"), ";", ".");
    ASSERT_EQ(bin.info, 1);
    EXPECT_EQ(bin.values[0][0], 1);
    EXPECT_EQ(bin.values[1][0], 2);  // a field ends at its zero byte

    std::string huge(3 << 20, '7');
    WriteFile(dir.File("h.txt"), "1;" + huge + "\n2;3");
    ReadResult h = ReadDoubles(dir.File("h.txt"), ";", ".");
    ASSERT_EQ(h.data, 1);
    EXPECT_TRUE(std::isinf(h.values[1][0]));
    EXPECT_EQ(h.values[1][1], 3);
}

TEST_F(Csv, FileThatShrinksBetweenTheStepsWarnsAndZeroFillsRawBlocks) {
    const std::string path = dir.File("shrink.txt");
    WriteFile(path, "1\n2\n3\n4\n");
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrItems(), 4);
    double block[4] = {9, 9, 9, 9};
    files.GetChannel(0)->SetDoublePtr(block);
    WriteFile(path, "1\n2\n");
    EXPECT_EQ(files.ReadDataFile(), 2);
    EXPECT_EQ(files.GetLastWarn(),
              TBFormatMessage(TBMsg::FewerValuesThanLength, {CString(path.c_str()), 2, 4}) + "\r\n");
    EXPECT_EQ(block[1], 2);
    EXPECT_EQ(block[2], 0);
    EXPECT_EQ(block[3], 0);
    *files.GetChannel(0) = CExImPortChannel();

    // A file that grows: the reader stops after NrItems rows.
    WriteFile(path, "1\n2\n3\n4\n5;6\n");
    CReadAndWriteFiles grown;
    ASSERT_EQ(grown.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2), 1);
    double two[5] = {};
    grown.GetChannel(0)->SetDoublePtr(two);
    grown.GetChannel(1)->SetDoublePtr(two);
    WriteFile(path, "1\n2\n3\n4\n5;6;7;8\n9\n10\n");
    EXPECT_EQ(grown.ReadDataFile(), 1);
    *grown.GetChannel(0) = CExImPortChannel();
    *grown.GetChannel(1) = CExImPortChannel();
}

// ---------------------------------------------------------------- building blocks

TEST(DelimitedText, CountsFieldsAsTheScanDoes) {
    using tb_exchange::CountFields;
    tb_exchange::SeparatorSet semicolon(";");
    EXPECT_EQ(CountFields("", semicolon, false), 1);
    EXPECT_EQ(CountFields("1;2;3", semicolon, false), 3);
    EXPECT_EQ(CountFields("1;2;", semicolon, false), 2);  // a trailing separator adds nothing
    EXPECT_EQ(CountFields(";1", semicolon, false), 2);
    const std::string run = "1" + std::string(19, ';') + "2";
    EXPECT_EQ(CountFields(run, semicolon, false), 20);
    EXPECT_EQ(CountFields(run, semicolon, true), 2);
    // The word-at-a-time count agrees with a byte-by-byte one on any bytes.
    std::mt19937 random(5);
    for (int i = 0; i < 2000; ++i) {
        std::string line(static_cast<size_t>(random() % 70), 'x');
        for (char& c : line) c = static_cast<char>(random() % 4 == 0 ? ';' : random() % 256);
        int expected = 1;
        for (char c : line) expected += c == ';';
        if (!line.empty() && line.back() == ';') --expected;
        ASSERT_EQ(CountFields(line, semicolon, false), expected);
    }
    tb_exchange::SeparatorSet two(";\t");
    EXPECT_EQ(CountFields("1;2\t3", two, false), 3);
    EXPECT_EQ(CountFields(" 1  2", tb_exchange::SeparatorSet(" "), true), 3);
    EXPECT_EQ(CountFields("1,2", tb_exchange::SeparatorSet(""), false), 1);
}

TEST(DelimitedText, InPlaceNumbersEqualTheEngineeringParser) {
    const tb_exchange::DecimalSymbol point(".");
    const tb_exchange::DecimalSymbol comma(",");
    const char* texts[] = {"1.5",
                           "-0.25",
                           "1e-20",
                           "1.23456789012346e+17",
                           "0",
                           "-0",
                           ".5",
                           "5.",
                           "1e400",
                           "-1e-400",
                           "4.9e-324",
                           "123456789012345678901234567890",
                           "0.00000000000000000000001",
                           "12345678901234567890",
                           "9007199254740993",
                           "1e22",
                           "1e23",
                           "-7.14773376647264",
                           "3.4028234663852886e38",
                           "00012.5000",
                           "1.5e",
                           "1e+",
                           "--1",
                           "+2",
                           "1,5",
                           "2k2",
                           "1.5Meg",
                           "inf",
                           "nan",
                           "-1.#INF",
                           "1.#NAN",
                           "0x1A",
                           " 3",
                           "3 ",
                           "",
                           "-",
                           ".",
                           "1.7976931348623157e308",
                           "2.2250738585072014e-308",
                           "1e-7",
                           "99999999999999999999e-5"};
    for (const char* text : texts) {
        for (const tb_exchange::DecimalSymbol* symbol : {&point, &comma}) {
            const double expected = TBExtended_atof(text, symbol->Text());
            const double parsed = tb_exchange::ParseNumberField(text, *symbol);
            EXPECT_TRUE(parsed == expected || (std::isnan(parsed) && std::isnan(expected)))
                << text << " with " << symbol->Text().GetString() << ": " << parsed << " vs " << expected;
            EXPECT_EQ(std::signbit(parsed), std::signbit(expected)) << text;

            // The in-place path agrees whenever it accepts the field.
            std::string line = std::string(text) + ";";
            tb_exchange::SeparatorSet separators(";");
            tb_exchange::FieldSplitter fields(line, separators, false);
            double inPlace = 0;
            if (fields.NextPlainNumber(inPlace, *symbol)) {
                EXPECT_EQ(inPlace, expected) << text << " in place with " << symbol->Text().GetString();
            }
        }
    }
    std::mt19937_64 random(3);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    char buffer[64];
    for (int i = 0; i < 20000; ++i) {
        double value = mantissa(random) * std::pow(10.0, exponent(random));
        int digits = 1 + i % 17;
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        tb_exchange::SeparatorSet separators(";");
        tb_exchange::FieldSplitter fields(buffer, separators, false);
        double inPlace = 0;
        const double expected = TBExtended_atof(buffer, ".");
        ASSERT_TRUE(fields.NextPlainNumber(inPlace, point)) << buffer;
        ASSERT_EQ(inPlace, expected) << buffer;
        ASSERT_EQ(tb_exchange::ParseNumberField(buffer, point), expected) << buffer;
    }
}

TEST(DelimitedText, FormatsLikeThePrintfGeneralForm) {
    const double values[] = {0.0, -0.0, 1.5, 1e-20, 123456789012345678.0, 1e15, 1e16, 0.0001, 0.00001, -2.5e300};
    for (double v : values) {
        char expected[64], got[64];
        std::snprintf(expected, sizeof expected, "%.15g", v);
        *tb_exchange::FormatGeneral15(got, v) = 0;
        EXPECT_STREQ(got, expected);
    }
}
