// Delimited text: the writer, the scan, the value reader and their round trip.
#include "exchange/text/delimited_text.h"
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/exchange/text_symbols.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/engine_read.h"
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

class Csv : public ExchangeTest {
protected:
    // Writes the channels to name in the scratch directory; the writer's result.
    int Write(const char* name, int items, std::initializer_list<Channel> channels, const char* separator = ";",
              const char* decimal = ",", int count = -1) {
        SetChannels(files, items, channels, count);
        return files.WriteFile(dir.File(name).c_str(), "", -1, separator, decimal, 0, 0);
    }
    std::string Text(const char* name) const { return ReadFile(dir.File(name)); }
    CString Name(const char* name) const { return dir.File(name).c_str(); }
    CReadAndWriteFiles files;
};

}  // namespace

// ---------------------------------------------------------------- writing

TEST_F(Csv, WritesQuotedTitlesSeparatorAndDecimalSymbol) {
    double u[2] = {1.5, -0.25};
    Doubles i = DoublesOf({1e-20, 123456789012345678.0});
    ASSERT_EQ(Write("a.txt", 2, {{u, "U", "V"}, {&i, "I"}}), 1);
    EXPECT_EQ(Text("a.txt"), "\"U(V)\";\"I\"\r\n1,5;1e-20\r\n-0,25;1,23456789012346e+17");
    // A unit without a name, and a separator of several characters.
    ASSERT_EQ(Write("a.txt", 2, {{&i}, {&i, "", "A"}}, ";\t", "."), 1);
    EXPECT_EQ(Text("a.txt").substr(0, 14), "\"\";\t\"(A)\"\r\n1e-");
}

TEST_F(Csv, WritesNoTitleLineWithoutTitlesAndSpecialValuesAsTheLargestSingle) {
    double values[3] = {1, 2, 3};
    ASSERT_EQ(Write("n.txt", 3, {{values}}, ",", "."), 1);
    EXPECT_EQ(Text("n.txt"), "1\r\n2\r\n3");  // no line end after the last row
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    double special[4] = {nan, -nan, inf, -inf};
    ASSERT_EQ(Write("s.txt", 4, {{special}}, ",", "."), 1);
    EXPECT_EQ(Text("s.txt"),
              "3.40282346638529e+38\r\n-3.40282346638529e+38\r\n3.40282346638529e+38\r\n3.40282346638529e+38");
}

TEST_F(Csv, WritesStringAndVariantStorageAndZeroForMissingChannels) {
    CStringArray texts = TextsOf({"1.5", "abc"});
    Variants cells = VariantsOf({2.5, COleVariant(short(1), VT_BOOL)});
    Variants more = VariantsOf({BYTE(200), "x.y"});
    Variants others = VariantsOf({std::int32_t(-7), COleVariant::Date(3.5)});
    ASSERT_EQ(Write("v.txt", 2, {{&texts, "T"}, {&cells, "C"}, {}, {&more, "M"}, {&others, "O"}}), 2);
    EXPECT_EQ(Text("v.txt"), "\"T\";\"C\";\"\";\"M\";\"O\"\r\n1.5;2,5;0;200;-7\r\nabc;-1;0;x.y;3,5");  // a date is its serial day number
    EXPECT_EQ(files.GetLastWarn(), TBFormatMessage(TBMsg::ChannelNotWritten, {Name("v.txt"), 3}) + "\r\n");
}

TEST_F(Csv, RefusesChannelsWithoutStorageOrWithShortArraysBeforeTouchingTheFile) {
    WriteFile(dir.File("keep.txt"), "precious");
    Doubles shortArray = DoublesOf({1});
    SetChannels(files, 2, {{&shortArray, "A"}, {static_cast<double*>(nullptr), "B"}});
    EXPECT_EQ(files.WriteFile(Name("keep.txt"), "", -1, ";", ".", 0, 0), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 4);
    EXPECT_EQ(files.GetLastError(), TBLoadString(TBMsg::NoMemoryReserve));
    shortArray.Add(2);
    EXPECT_EQ(files.WriteFile(Name("keep.txt"), "", -1, ";", ".", 0, 0), 0);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {Name("keep.txt"), 2}));
    EXPECT_EQ(Text("keep.txt"), "precious");
}

TEST_F(Csv, ReportsMissingNamesAndUnwritableFiles) {
    double v[1] = {1};
    SetChannels(files, 1, {{v, "A"}});
    // No name and the headless file dialog cancels: string 4.
    EXPECT_EQ(files.GetEngine()->WriteCSVFile("", ";", "."), 0);
    EXPECT_EQ(files.GetLastError(), TBLoadString(TBMsg::NoFileName));
    EXPECT_EQ(files.WriteFile(Name("no/such/dir.txt"), "", -1, ";", ".", 0, 0), 0);
    EXPECT_NE(files.GetLastError().Find("No such file or directory"), -1);
}

TEST_F(Csv, CsvFilesUseTheGivenSymbolsElseTheEngineOnesElseTheUserLocale) {
    double v[2] = {0.5, 1};
    ASSERT_EQ(Write("c.csv", 1, {{v, "a"}, {v + 1, "b"}}, "|", "#"), 1);
    EXPECT_EQ(Text("c.csv"), "\"a\"|\"b\"\r\n0#5|1");
    ChannelRead given(dir.File("c.csv"), "|", "#");  // read back with the same symbols
    ASSERT_EQ(given.data, 1) << given.Error();
    EXPECT_EQ(given.Column(0), Values{0.5});
    files.GetEngine()->Separator = "\t";
    files.GetEngine()->Decimal = ".";
    ASSERT_EQ(files.WriteFile(Name("c.csv"), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(Text("c.csv"), "\"a\"\t\"b\"\r\n0.5\t1");

    // Without a dialog a .csv file takes the user's symbols, so that it reads back.
    double u[3] = {1.5, -2.25e-7, 3e12}, t[3] = {0, 0.001, 0.002};
    CReadAndWriteFiles other;
    SetChannels(other, 3, {{t, "time", "s"}, {u, "U", "V"}});
    ASSERT_EQ(other.WriteFile(Name("r.csv"), "", -1, nullptr, nullptr, 0, 0), 1);
    ChannelRead r(dir.File("r.csv"));
    ASSERT_EQ(r.data, 1);
    EXPECT_EQ(r.Names(), (Strings{"time", "U"}));
    EXPECT_EQ(r.Units(), (Strings{"s", "V"}));
    EXPECT_EQ(r.Column(0), (Values{0, 0.001, 0.002}));
    EXPECT_EQ(r.Column(1), (Values{1.5, -2.25e-7, 3e12}));
}

// ---------------------------------------------------------------- scanning

TEST_F(Csv, TitleFieldsGiveNamesAndUnits) {
    WriteFile(dir.File("t.txt"), "\"Speed (rpm)\";\"(s)\";\"a(b)c\";\"()\";\"\";plain;\"U(V)\"\r\n1;2;3;4;5;6;7\r\n");
    ChannelRead r(dir.File("t.txt"), ";", ".");
    ASSERT_EQ(r.info, 1);
    // A field without quotes (5) gives no title.
    EXPECT_EQ(r.Names(), (Strings{"Speed ", "CH 1", "", "", "CH 4", "CH 5", "U"}));
    EXPECT_EQ(r.Units(), (Strings{"rpm", "s", "", "", "", "", "V"}));
    EXPECT_EQ(r.Column(6), Values{7});
}

TEST_F(Csv, UnquotedTitleLineNamesTheChannels) {
    WriteFile(dir.File("u.txt"), "time; V1(V) ;I\n1;2;3\n");
    ChannelRead titled(dir.File("u.txt"), ";", ".");
    ASSERT_EQ(titled.data, 1) << titled.Error();
    EXPECT_EQ(titled.Names(), (Strings{"time", "V1", "I"}));
    EXPECT_EQ(titled.Unit(1), "V");
    EXPECT_EQ(titled.Column(2), Values{3});  // no row of zeros
    // A field that can begin a number (or an empty one) makes the line data; channels
    // are then numbered from zero.
    for (const char* first : {"time;-1;I\n", "time;;I\n"}) {
        WriteFile(dir.File("u.txt"), std::string(first) + "1;2;3\n");
        ChannelRead r(dir.File("u.txt"), ";", ".");
        ASSERT_EQ(r.info, 1) << first;
        EXPECT_EQ(r.Names()[0], "CH 0") << first;
        EXPECT_EQ(r.Column(1).size(), 2u) << first;
        EXPECT_EQ(r.At(1, 1), 2);
    }
}

// A first line without quotes is titles only when its fields are words that cannot
// begin a number and numbers follow; numbers written ".5", ",5" (decimal comma), "inf"
// or "nan", and a file of words alone, keep their first row.
TEST_F(Csv, FirstLineIsDataUnlessWordsAboveNumbers) {
    struct Case {
        const char* name;
        const char* text;
        const char* decimal;
        size_t rows;
    };
    const Case cases[] = {{"point.txt", ".5;.25\n1;2\n", ".", 2},
                          {"comma.txt", ",5;,25\n1,5;2\n", ",", 2},
                          {"special.txt", "inf;NaN\n1;2\n", ".", 2},
                          {"words.csv", "alpha;beta\ngamma;delta\n", ",", 2},
                          {"alone.csv", "alpha;beta\n", ",", 1},
                          {"titles.csv", "alpha;beta\n\n1;2\n", ",", 1}};
    for (const Case& c : cases) {
        WriteFile(dir.File(c.name), c.text);
        ChannelRead r(dir.File(c.name), ";", c.decimal);
        ASSERT_EQ(r.data, 1) << c.name << r.Error();
        EXPECT_EQ(r.Column(0).size(), c.rows) << c.name;
        EXPECT_EQ(r.Names()[0], c.rows == 1 && std::string(c.name) == "titles.csv" ? "alpha" : "CH 0") << c.name;
    }
    ChannelRead point(dir.File("point.txt"), ";", ".");
    EXPECT_EQ(point.Column(1), (Values{0.25, 2}));
    ChannelRead comma(dir.File("comma.txt"), ";", ",");
    EXPECT_EQ(comma.Column(0), (Values{0.5, 1.5}));
}

TEST_F(Csv, ByteOrderMarkBelongsToNoField) {
    for (const char* titles : {"\"t(s)\";\"U\"", "t(s);U"}) {
        WriteFile(dir.File("b.txt"), std::string("\xEF\xBB\xBF") + titles + "\n1;2\n");
        ChannelRead r(dir.File("b.txt"), ";", ".");
        ASSERT_EQ(r.data, 1) << titles;
        EXPECT_EQ(r.Names()[0], "t") << titles;
        EXPECT_EQ(r.Unit(0), "s");
    }
    WriteFile(dir.File("b.txt"), "\xEF\xBB\xBF" "1.5;2\n3;4\n");
    ChannelRead r(dir.File("b.txt"), ";", ".");
    EXPECT_EQ(r.Column(0), (Values{1.5, 3}));
}

TEST_F(Csv, MergeFlagTurnsRunsOfSeparatorsIntoOne) {
    WriteFile(dir.File("m.txt"), "1   2    3\n");
    CReadAndWriteFileFunction merged, plain;
    merged.FileKind = plain.FileKind = 4;
    ASSERT_EQ(merged.ReadInfoCSVFile(Name("m.txt"), " ", ".", 1, 1), 1);
    EXPECT_EQ(merged.GetNrChannels(), 3);
    ASSERT_EQ(plain.ReadInfoCSVFile(Name("m.txt"), " ", ".", 1, 0), 1);
    EXPECT_EQ(plain.GetNrChannels(), 8);
    std::vector<CStringArray> texts(8);
    for (int i = 0; i < 8; ++i) plain.GetChannel(i)->SetStringArray(&texts[i]);
    ASSERT_EQ(plain.ReadDataCSVFile(), 1);
    EXPECT_EQ(texts[0][0], "1");
    EXPECT_EQ(texts[1][0], "");
    EXPECT_EQ(texts[3][0], "2");
    EXPECT_EQ(texts[7][0], "3");
    for (int i = 0; i < 3; ++i) merged.GetChannel(i)->SetStringArray(&texts[i]);
    ASSERT_EQ(merged.ReadDataCSVFile(), 1);
    EXPECT_EQ(texts[1][0], "2");
    EXPECT_EQ(texts[2][0], "3");
}

TEST_F(Csv, TextFooterEndsTheScanAndTheValueReaderStopsAtNrItems) {
    WriteFile(dir.File("f.txt"), "\"x\";\"y\"\n1;2\n\n-3;4\nEnd of data\n5;6\n");
    ChannelRead r(dir.File("f.txt"), ";", ".");
    ASSERT_EQ(r.data, 1);
    EXPECT_EQ(r.Column(0), (Values{1, -3}));
    // A .csv file has no footer: every non-empty line counts.
    WriteFile(dir.File("f.csv"), "\"x\";\"y\"\n1;2\nEnd;\n5;6\n");
    ChannelRead c(dir.File("f.csv"));
    EXPECT_EQ(c.Column(0), (Values{1, 0, 5}));
}

TEST_F(Csv, ShortLinesAreFilledWithZeroInEveryKindOfStorage) {
    WriteFile(dir.File("z.txt"), "1;2;3;4\n5\n");
    ASSERT_EQ(files.ReadInfoFile(Name("z.txt"), "", -1, ";", ".", 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrChannels(), 4);
    double block[2] = {9, 9};
    Doubles doubles;
    CStringArray strings;
    Variants variants;
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
}

TEST_F(Csv, RowsMixingPlainAndEngineeringNumbersReadLikeTheGeneralRules) {
    WriteFile(dir.File("mix.csv"), "1,5;2k2;-3e-3; 4;+5;;7,25e2;1.5;12345678901234567890;0x10\n;;\n8\n");
    ChannelRead r(dir.File("mix.csv"));
    ASSERT_EQ(r.data, 1);
    ASSERT_EQ(r.Channels(), 10);
    ASSERT_EQ(r.engine.GetNrItems(), 3);
    const char* fields[] = {"1,5", "2k2", "-3e-3", " 4", "+5", "", "7,25e2", "1.5", "12345678901234567890", "0x10"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(r.At(i, 0), TBExtended_atof(fields[i], ",")) << fields[i];
        EXPECT_EQ(r.At(i, 1), 0.0) << i;  // ";;" has empty fields, the rest zero
    }
    EXPECT_EQ(r.At(0, 2), 8);
    EXPECT_EQ(r.At(9, 2), 0);
}

TEST_F(Csv, ArraysKeepTheirLengthWhenLongerAndMissingSlotsWarn) {
    WriteFile(dir.File("w.txt"), "1;2\n3;4\n");
    ASSERT_EQ(files.ReadInfoFile(Name("w.txt"), "", -1, ";", ".", 0, 0, 2), 1);
    Doubles longer;
    longer.SetSize(5);
    longer[4] = 42;
    files.GetChannel(0)->SetDoubleArray(&longer);
    files.GetEngine()->ReplaceChannelSlot(1, nullptr);
    EXPECT_EQ(files.ReadDataFile(), 2);
    EXPECT_EQ(files.GetLastWarn(), TBFormatMessage(TBMsg::ChannelNotRead, {Name("w.txt"), 2}) + "\r\n");
    ASSERT_EQ(longer.GetSize(), 5);
    EXPECT_EQ(longer[1], 3);
    EXPECT_EQ(longer[4], 42);
}

TEST_F(Csv, ChannelWithoutStorageStopsTheValueReader) {
    WriteFile(dir.File("x.txt"), "1;2\n");
    ChannelRead r(dir.File("x.txt"), ";", ".", 2, {1});
    EXPECT_EQ(r.data, 0);
    EXPECT_EQ(r.engine.GetLastErrorNumber(), 4);
    EXPECT_EQ(r.engine.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {Name("x.txt"), 2}));
}

TEST_F(Csv, StartLineSkipsLinesAndMayHoldTheTitles) {
    WriteFile(dir.File("s.txt"), "header junk\nmore junk\n\"a\";\"b\"\n1;2\n3;4\n");
    CReadAndWriteFileFunction engine;
    engine.FileKind = 4;
    ASSERT_EQ(engine.ReadInfoCSVFile(Name("s.txt"), ";", ".", 3, 0), 1);
    EXPECT_EQ(engine.GetNrItems(), 2);
    EXPECT_EQ(engine.GetChannel(1)->GetChannelName(), "b");
    Doubles a;
    engine.GetChannel(0)->SetDoubleArray(&a);
    engine.GetChannel(1)->SetDoubleArray(&a);
    ASSERT_EQ(engine.ReadDataCSVFile(), 1);
    EXPECT_EQ(a.GetSize(), 2);
}

TEST_F(Csv, RoundTripKeepsFifteenSignificantDigits) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    const int rows = 2000;
    std::vector<double> a(rows), b(rows);
    for (int i = 0; i < rows; ++i) {
        a[i] = unit(random) * std::pow(10.0, i % 40 - 20);
        b[i] = i;
    }
    ASSERT_EQ(Write("big.txt", rows, {{a.data(), "a"}, {b.data(), "b"}}, "\t", ","), 1);
    ChannelRead r(dir.File("big.txt"), "\t", ",");
    ASSERT_EQ(r.data, 1);
    for (int i = 0; i < rows; ++i) {
        EXPECT_NEAR(r.At(0, i), a[i], std::fabs(a[i]) * 1e-14) << i;
        EXPECT_EQ(r.At(1, i), i);
    }
}

// ---------------------------------------------------------------- bad input

TEST_F(Csv, MissingDirectoryAndUnreadableFilesCannotBeOpened) {
    ChannelRead missing(dir.File("none.txt"), ";", ".");
    EXPECT_EQ(missing.info, 0);
    EXPECT_EQ(missing.engine.GetLastErrorNumber(), 3);
    EXPECT_EQ(missing.engine.GetLastError(), TBFormatMessage(TBMsg::CannotOpenFile, {Name("none.txt")}));
    mkdir(dir.File("d.txt").c_str(), 0755);
    ChannelRead directory(dir.File("d.txt"), ";", ".");
    EXPECT_EQ(directory.info, 0);
    EXPECT_EQ(directory.engine.GetLastErrorNumber(), 3);
    if (geteuid() != 0) {  // root reads everything
        WriteFile(dir.File("locked.txt"), "1\n");
        chmod(dir.File("locked.txt").c_str(), 0);
        EXPECT_EQ(ChannelRead(dir.File("locked.txt"), ";", ".").engine.GetLastErrorNumber(), 3);
    }
}

TEST_F(Csv, EmptyBinaryAndHugeLinesStayInsideTheStorage) {
    WriteFile(dir.File("e.txt"), "");
    ChannelRead empty(dir.File("e.txt"), ";", ".");
    EXPECT_EQ(empty.info, 1);
    EXPECT_EQ(empty.Channels(), 0);

    const char raw[] = "1;2\0;3\r\n\x01\x02;\xff\n";
    WriteFile(dir.File("b.txt"), std::string(raw, sizeof raw - 1));
    ChannelRead bin(dir.File("b.txt"), ";", ".");
    ASSERT_EQ(bin.info, 1);
    EXPECT_EQ(bin.At(0, 0), 1);
    EXPECT_EQ(bin.At(1, 0), 2);  // a field ends at its zero byte

    WriteFile(dir.File("h.txt"), "1;" + std::string(3 << 20, '7') + "\n2;3");
    ChannelRead h(dir.File("h.txt"), ";", ".");
    ASSERT_EQ(h.data, 1);
    EXPECT_EQ(h.Column(1), (Values{HUGE_VAL, 3}));
}

TEST_F(Csv, FileThatShrinksBetweenTheStepsWarnsAndZeroFillsRawBlocks) {
    WriteFile(dir.File("shrink.txt"), "1\n2\n3\n4\n");
    ASSERT_EQ(files.ReadInfoFile(Name("shrink.txt"), "", -1, ";", ".", 0, 0, 2), 1);
    ASSERT_EQ(files.GetNrItems(), 4);
    double block[4] = {9, 9, 9, 9};
    files.GetChannel(0)->SetDoublePtr(block);
    WriteFile(dir.File("shrink.txt"), "1\n2\n");
    EXPECT_EQ(files.ReadDataFile(), 2);
    EXPECT_EQ(files.GetLastWarn(), TBFormatMessage(TBMsg::FewerValuesThanLength, {Name("shrink.txt"), 2, 4}) + "\r\n");
    EXPECT_EQ(block[1], 2);
    EXPECT_EQ(block[2], 0);
    EXPECT_EQ(block[3], 0);

    // A file that grows: the reader stops after NrItems rows.
    WriteFile(dir.File("shrink.txt"), "1\n2\n3\n4\n5;6\n");
    CReadAndWriteFiles grown;
    ASSERT_EQ(grown.ReadInfoFile(Name("shrink.txt"), "", -1, ";", ".", 0, 0, 2), 1);
    double two[5] = {};
    grown.GetChannel(0)->SetDoublePtr(two);
    grown.GetChannel(1)->SetDoublePtr(two);
    WriteFile(dir.File("shrink.txt"), "1\n2\n3\n4\n5;6;7;8\n9\n10\n");
    EXPECT_EQ(grown.ReadDataFile(), 1);
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
    EXPECT_EQ(CountFields("1;2\t3", tb_exchange::SeparatorSet(";\t"), false), 3);
    EXPECT_EQ(CountFields(" 1  2", tb_exchange::SeparatorSet(" "), true), 3);
    EXPECT_EQ(CountFields("1,2", tb_exchange::SeparatorSet(""), false), 1);
}

TEST(DelimitedText, InPlaceNumbersEqualTheEngineeringParser) {
    const tb_exchange::DecimalSymbol point("."), comma(",");
    const tb_exchange::SeparatorSet separators(";");
    // The texts, '|' between them.
    const std::string texts =
        "1.5|-0.25|1e-20|1.23456789012346e+17|0|-0|.5|5.|1e400|-1e-400|4.9e-324|123456789012345678901234567890|"
        "0.00000000000000000000001|12345678901234567890|9007199254740993|1e22|1e23|-7.14773376647264|"
        "3.4028234663852886e38|00012.5000|1.5e|1e+|--1|+2|1,5|2k2|1.5Meg|inf|nan|-1.#INF|1.#NAN|0x1A| 3|3 ||-|.|"
        "1.7976931348623157e308|2.2250738585072014e-308|1e-7|99999999999999999999e-5";
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = texts.find('|', start);
        const std::string field = texts.substr(start, end == std::string::npos ? end : end - start);
        const char* text = field.c_str();
        for (const tb_exchange::DecimalSymbol* symbol : {&point, &comma}) {
            const double expected = TBExtended_atof(text, symbol->Text());
            const double parsed = tb_exchange::ParseNumberField(text, *symbol);
            EXPECT_TRUE(parsed == expected || (std::isnan(parsed) && std::isnan(expected)))
                << text << " with " << symbol->Text().GetString() << ": " << parsed << " vs " << expected;
            EXPECT_EQ(std::signbit(parsed), std::signbit(expected)) << text;
            // The in-place path agrees whenever it accepts the field.
            const std::string line = std::string(text) + ";";
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
        std::snprintf(buffer, sizeof buffer, "%.*g", 1 + i % 17, mantissa(random) * std::pow(10.0, exponent(random)));
        tb_exchange::FieldSplitter fields(buffer, separators, false);
        double inPlace = 0;
        const double expected = TBExtended_atof(buffer, ".");
        ASSERT_TRUE(fields.NextPlainNumber(inPlace, point)) << buffer;
        ASSERT_EQ(inPlace, expected) << buffer;
        ASSERT_EQ(tb_exchange::ParseNumberField(buffer, point), expected) << buffer;
    }
}

TEST(DelimitedText, FormatsLikeThePrintfGeneralForm) {
    for (double v : {0.0, -0.0, 1.5, 1e-20, 123456789012345678.0, 1e15, 1e16, 0.0001, 0.00001, -2.5e300}) {
        char expected[64], got[64];
        std::snprintf(expected, sizeof expected, "%.15g", v);
        *tb_exchange::FormatGeneral15(got, v) = 0;
        EXPECT_STREQ(got, expected);
    }
}

// ---------------------------------------------------------------- symbol detection

TEST_F(Csv, DetectedSymbolsFollowTheFieldsEveryDataLineSplitsInto) {
    const struct {
        const char* text;
        const char* separator;
        const char* decimal;
    } cases[] = {
        {"\"t\";\"u\"\n0;1,5\n1;2,25\n", ";", ","},   // quoted titles left out, comma decimals
        {"0\t1.5\n1\t2.5\n", "\t", "."},              // tab before the others
        {"0,1.5,2\n1,2.5,3\n", ",", "."},             // a comma separator has point decimals
        {"0 1.5\n1 2.5\n\n2 3.5\n", " ", "."},        // empty lines left out
        {"0;1,5\n1;2.5\n", ";", "."},                 // a point anywhere keeps the point
        {"0;1\n1;2;3\n", nullptr, "."},               // no candidate splits every line alike: the user's
    };
    for (const auto& c : cases) {
        WriteFile(dir.File("symbols.txt"), c.text);
        const TBTextSymbols symbols = TBDetectTextSymbols(Name("symbols.txt"));
        EXPECT_STREQ(symbols.separator, c.separator ? c.separator : TBGetUserListSeparator().GetString()) << c.text;
        EXPECT_STREQ(symbols.decimal, c.decimal) << c.text;
    }
    const TBTextSymbols missing = TBDetectTextSymbols(Name("missing.txt"));
    EXPECT_STREQ(missing.separator, TBGetUserListSeparator().GetString());
    EXPECT_STREQ(missing.decimal, ".");
}
