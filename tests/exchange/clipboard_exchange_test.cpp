// Clipboard exchange through the clipboard hub: copy layout, paste of spreadsheet
// text, round trips in a point and in a comma locale, and the failures.
#include <toolbox/exchange/clipboard.h>
#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/locale_info.h>
#include "tests/exchange/exchange_helpers.h"

#include "tests/support/env.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <vector>
using namespace tbtest;

namespace {

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { TBGetClipboardHub().Clear(); }
    void TearDown() override {
        TBOverrideUserNumberSymbols(nullptr, nullptr);
        TBGetClipboardHub().Clear();
    }
};

std::string ClipboardText() { return std::string(TBGetClipboardHub().GetText()); }

TEST_F(ClipboardTest, CopyWritesTabSeparatedLinesWithCrLf) {
    TBOverrideUserNumberSymbols(",", ".");
    Doubles u = DoublesOf({1.5, 2.0, 1e-20}), i = DoublesOf({-3.25, 0.1, 123456789012345678.0});
    CReadAndWriteClipboardFunction engine;
    SetChannels(engine, 3, {{&u, "U", "V"}, {&i, "I", "A"}});
    ASSERT_EQ(engine.WriteClipboard("\t"), 1);
    EXPECT_EQ(ClipboardText(), "1.5\t-3.25\r\n2\t0.1\r\n1e-20\t1.23456789012346e+17\r\n");
}

TEST_F(ClipboardTest, CopyAndPasteRoundTripInACommaLocale) {
    TBOverrideUserNumberSymbols(";", ",");
    Doubles a = DoublesOf({1.5, -1234.25});
    Variants b = VariantsOf({short(7), "text"});
    CReadAndWriteClipboardFunction writer;
    SetChannels(writer, 2, {{&a, "a"}, {&b, "b"}});
    ASSERT_EQ(writer.WriteClipboard("\t"), 1);
    EXPECT_EQ(ClipboardText(), "1,5\t7\r\n-1234,25\ttext\r\n");

    CReadAndWriteClipboardFunction reader;
    ASSERT_EQ(reader.ReadClipboardDimension("\t"), 1);
    EXPECT_EQ(reader.GetClipboardFormat(), 1);
    ASSERT_EQ(reader.GetNrChannels(), 2);
    ASSERT_EQ(reader.GetNrItems(), 2);
    Doubles backA;
    CStringArray backB;
    reader.GetChannel(0)->SetDoubleArray(&backA);
    reader.GetChannel(1)->SetStringArray(&backB);
    ASSERT_EQ(reader.ReadClipboardData(), 1);
    EXPECT_DOUBLE_EQ(backA[0], 1.5);
    EXPECT_DOUBLE_EQ(backA[1], -1234.25);
    EXPECT_EQ(std::string(backB[1]), "text");
}

// Pastes one line of text in the user's locale (LC_ALL), one double channel per column.
std::vector<double> PasteRow(const char* locale, const char* text) {
    tbtest::ScopedEnv user("LC_ALL", locale);
    TBGetClipboardHub().SetText(text);
    CReadAndWriteClipboardFunction reader;
    if (reader.ReadClipboardDimension("\t") != 1) return {};
    std::vector<double> row(static_cast<std::size_t>(reader.GetNrChannels()), -1);
    for (int c = 0; c < reader.GetNrChannels(); ++c) reader.GetChannel(c)->SetDoublePtr(&row[c]);
    if (reader.ReadClipboardData() != 1) return {};
    return row;
}

bool LocaleInstalled(const char* name) {
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return false;
    freelocale(locale);
    return true;
}

// The thousands separator is the locale's own: "." in German, a narrow no-break space in
// French (where a no-break space and a plain space are taken as well), none in C.
TEST_F(ClipboardTest, PasteRemovesThousandsSeparatorsOfTheLocale) {
    EXPECT_EQ(PasteRow("C", "1,5\t2.5\r\n"), (std::vector<double>{1, 2.5}));
    if (!LocaleInstalled("de_DE.UTF-8") || !LocaleInstalled("fr_FR.UTF-8"))
        GTEST_SKIP() << "locales de_DE.UTF-8 and fr_FR.UTF-8 are not installed (scripts/install-deps makes them)";
    EXPECT_EQ(PasteRow("de_DE.UTF-8", "1.234,5\t2\r\n"), (std::vector<double>{1234.5, 2}));
    EXPECT_EQ(PasteRow("fr_FR.UTF-8", "1\u202F234,5\t1\u00A0234\t-1 234 567\r\n"),
              (std::vector<double>{1234.5, 1234, -1234567}));

    TBOverrideUserNumberSymbols(",", ".", ",");
    EXPECT_EQ(PasteRow("de_DE.UTF-8", "1,234.5\r\n"), (std::vector<double>{1234.5}));
}

// Ragged lines: the widest sets the channel count and a short line leaves the rest of its
// row untouched; a text channel takes the field as it stands.
TEST_F(ClipboardTest, PasteOfRaggedLinesAndTextChannels) {
    TBOverrideUserNumberSymbols(";", ",", ".");
    TBGetClipboardHub().SetText("1.234,5\t2\r\n3\r\n");
    CReadAndWriteClipboardFunction reader;
    ASSERT_EQ(reader.ReadClipboardDimension("\t"), 1);
    EXPECT_EQ(reader.GetNrChannels(), 2);
    EXPECT_EQ(reader.GetNrItems(), 2);
    std::vector<double> first(2, -1), second(2, -1);
    reader.GetChannel(0)->SetDoublePtr(first.data());
    reader.GetChannel(1)->SetDoublePtr(second.data());
    ASSERT_EQ(reader.ReadClipboardData(), 1);
    EXPECT_EQ(first, (std::vector<double>{1234.5, 3}));
    EXPECT_EQ(second, (std::vector<double>{2, -1}));

    TBOverrideUserNumberSymbols(",", ".", ",");
    TBGetClipboardHub().SetText("1,234.5;x\r\n");
    CReadAndWriteClipboardFunction pointLocale;
    ASSERT_EQ(pointLocale.ReadClipboardDimension(";"), 1);
    Doubles v;
    CStringArray text;
    pointLocale.GetChannel(0)->SetDoubleArray(&v);
    pointLocale.GetChannel(1)->SetStringArray(&text);
    ASSERT_EQ(pointLocale.ReadClipboardData(), 1);
    EXPECT_DOUBLE_EQ(v[0], 1234.5);
    EXPECT_EQ(std::string(text[0]), "x");
}

TEST_F(ClipboardTest, TextAfterTheLastLineEndAndTextWithoutLineEnds) {
    TBGetClipboardHub().SetText("1\t2\r\n3\t4");
    CReadAndWriteClipboardFunction reader;
    ASSERT_EQ(reader.ReadClipboardDimension("\t"), 1);
    EXPECT_EQ(reader.GetNrItems(), 1);

    TBGetClipboardHub().SetText("1\t2\t3");
    CReadAndWriteClipboardFunction noLine;
    EXPECT_EQ(noLine.ReadClipboardDimension("\t"), 0);
    EXPECT_EQ(std::string(noLine.GetLastError()), "The clipboard text holds no complete line!");

    TBGetClipboardHub().Clear();
    CReadAndWriteClipboardFunction empty;
    EXPECT_EQ(empty.ReadClipboardDimension("\t"), 0);
    EXPECT_EQ(std::string(empty.GetLastError()), "No valid clipboard data format!");
}

TEST_F(ClipboardTest, CopyFailuresLeaveTheClipboardEmpty) {
    TBGetClipboardHub().SetText("old\r\n");
    Doubles a = DoublesOf({1, 2}), shortArray = DoublesOf({1});
    CReadAndWriteClipboardFunction engine;
    SetChannels(engine, 2, {{&a, "a"}, {static_cast<double*>(nullptr)}});  // a channel without storage
    EXPECT_EQ(engine.WriteClipboard("\t"), 0);
    EXPECT_EQ(std::string(engine.GetLastError()), "There is a invalid pointer of the data array from channel 2!");
    EXPECT_EQ(engine.GetLastErrorNumber(), 4);
    EXPECT_FALSE(TBGetClipboardHub().HasText());

    engine.InsertChannel(1, &shortArray, "b", "");
    EXPECT_EQ(engine.WriteClipboard("\t"), 0);
    EXPECT_EQ(std::string(engine.GetLastError()), "Not enough memory reserve!");

    CReadAndWriteClipboardFunction missing;
    SetChannels(missing, 2, {{&a, "a"}}, 2);
    EXPECT_EQ(missing.WriteClipboard(";"), 2);
    EXPECT_EQ(std::string(missing.GetLastWarn()), "It couldn't be written into channel 2 !\r\n");
    EXPECT_EQ(ClipboardText(), "1;0\r\n2;0\r\n");
}

// The obvious host code through the facade alone: its channels, counts and errors are
// those of the clipboard.
TEST_F(ClipboardTest, FacadeChannelsCountsAndErrorsAreTheClipboards) {
    TBOverrideUserNumberSymbols(",", ".");
    TBGetClipboardHub().SetText("5\t1\r\n6\t2\r\n");
    CReadAndWriteClipboard facade;
    EXPECT_EQ(facade.GetEngine(), facade.GetClipboardEngine());
    ASSERT_EQ(facade.ReadInfoClipboard("\t"), 1);
    ASSERT_EQ(facade.GetNrChannels(), 2);
    ASSERT_EQ(facade.GetNrItems(), 2);
    Doubles v, w;
    facade.GetChannel(0)->SetDoubleArray(&v);
    facade.GetChannel(1)->SetDoubleArray(&w);
    ASSERT_EQ(facade.ReadDataClipboard(), 1);
    EXPECT_DOUBLE_EQ(v[1], 6);
    EXPECT_DOUBLE_EQ(w[1], 2);

    CReadAndWriteClipboard copy(facade);
    copy = facade;
    EXPECT_EQ(copy.GetNrItems(), 2);
    EXPECT_NE(copy.GetClipboardEngine(), facade.GetClipboardEngine());

    CReadAndWriteClipboard writer;
    writer.SetNrChannels(1);
    writer.SetNrItems(2);
    ASSERT_EQ(writer.InsertChannel(0, &w, "w", ""), 1);
    EXPECT_EQ(writer.WriteClipboard("\t"), 1);
    EXPECT_EQ(ClipboardText(), "1\r\n2\r\n");

    TBGetClipboardHub().Clear();
    EXPECT_EQ(writer.ReadInfoClipboard("\t"), 0);
    EXPECT_EQ(std::string(writer.GetLastError()), "No valid clipboard data format!");
}

}  // namespace
