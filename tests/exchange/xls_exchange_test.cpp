// Channels exchanged with Excel workbooks through the engine: names and units, the
// characters a field name cannot hold, the 31-character title rule, the version codes,
// the table choice, and a target that is replaced only by a complete file.
#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/exchange/table_choice.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/dialog_hub.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>

using namespace tbtest;

namespace {

// Writes channels U (V) and I (A) of n items with the given format code.
int WriteUI(const std::string& path, int formatCode, int n, Doubles& u, Doubles& i, const char* table = "",
            CReadAndWriteFiles* out = nullptr) {
    u.SetSize(n);
    i.SetSize(n);
    for (int k = 0; k < n; ++k) {
        u[k] = 0.1 * k + 0.2;  // not exact in binary: the reader must give back every bit
        i[k] = -k / 3.0;
    }
    CReadAndWriteFiles local;
    CReadAndWriteFiles& files = out ? *out : local;
    SetChannels(files, n, {{&u, "U", "V"}, {&i, "I", "A"}});
    return files.WriteFile(path.c_str(), table, formatCode, nullptr, nullptr, 0, 0);
}

// The FONT record every written workbook holds: 10 points, automatic colour, Arial.
std::string FontRecord(int formatCode) {
    using namespace std::string_literals;
    if (formatCode < 8) return "\x31\x02\x0C\x00\xC8\x00\x00\x00\xFF\x7F\x05"s + "Arial";
    const std::string common = "\xC8\x00\x00\x00\xFF\x7F\x90\x01\x00\x00\x00\x02\x00\x00\x05"s;
    if (formatCode == 8) return "\x31\x00\x14\x00"s + common + "Arial";
    return "\x31\x00\x15\x00"s + common + "\x00"s + "Arial";
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(XlsExchange, ChannelsRoundTripInEveryVersion) {
    for (int code = 6; code <= 9; ++code) {
        SCOPED_TRACE(code);
        const std::string path = TempPath("ui" + std::to_string(code) + ".xls");
        Doubles u, i;
        ASSERT_EQ(WriteUI(path, code, 1000, u, i), 1);
        EXPECT_EQ(CountOf(ReadFile(path), FontRecord(code)), code >= 8 ? 5u : 1u) << "10-point Arial, automatic colour";

        CReadAndWriteFiles files;
        ASSERT_EQ(files.ReadInfoFile(path.c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 1)
            << files.GetLastError().GetString();
        EXPECT_EQ(files.GetSaveVersion(), code) << "the version the workbook reports";
        EXPECT_EQ(files.GetLoadVersion(), 3);
        ASSERT_EQ(files.GetNrChannels(), 2);
        EXPECT_EQ(files.GetNrItems(), 1000);
        EXPECT_STREQ(files.GetChannel(0)->GetChannelName(), "U");
        EXPECT_STREQ(files.GetChannel(0)->GetUnitName(), "V");
        EXPECT_STREQ(files.GetChannel(1)->GetChannelName(), "I");
        EXPECT_STREQ(files.GetChannel(1)->GetUnitName(), "A");
        Doubles ru;
        double* ri = new double[1000];
        files.GetChannel(0)->SetDoubleArray(&ru);
        files.GetChannel(1)->SetDoublePtr(ri);
        ASSERT_EQ(files.ReadDataFile(), 1) << files.GetLastError().GetString();
        ASSERT_EQ(ru.GetSize(), 1000);
        for (int k = 0; k < 1000; ++k) {
            ASSERT_EQ(ru[k], u[k]) << k;
            ASSERT_EQ(ri[k], i[k]) << k;
        }
        files.GetChannel(1)->SetDoublePtr(nullptr);  // frees the block
    }
}

TEST(XlsExchange, NoTableNameGivesDataAndTitleIsTheDefaultTable) {
    const std::string path = TempPath("plain.xls");
    Doubles u, i;
    ASSERT_EQ(WriteUI(path, 9, 3, u, i), 1);
    CDaoDatabase db;
    ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;"), 1);
    CDaoTableDefInfo info;
    ASSERT_EQ(db.GetTableDefInfo(0, info), 1);
    EXPECT_STREQ(info.m_strName, "Data$");

    // Without a table name and without dialogs the file title names the table: "plain"
    // is no sheet of this workbook.
    CReadAndWriteFiles files;
    EXPECT_EQ(files.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 6);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::OpenTableFailed, {CString(path.c_str())}));
}

TEST(XlsExchange, ForbiddenCharactersAndNamelessChannels) {
    const std::string path = TempPath("names.xls");
    Doubles a = DoublesOf({1}), b = DoublesOf({2}), c = DoublesOf({3});
    CReadAndWriteFiles files;
    SetChannels(files, 1, {{&a, "a.b[1]"}, {&b, "", "m!s"}, {&c, "say \"hi\"`"}});
    ASSERT_EQ(files.WriteFile(path.c_str(), "T", 9, nullptr, nullptr, 0, 0), 1) << files.GetLastError().GetString();
    EXPECT_STREQ(files.GetChannel(0)->GetChannelName(), "a#b(1)") << "the channels keep the replaced names";
    EXPECT_NE(files.GetLastWarn().Find(TBFormatMessage(TBMsg::InvalidChannelName, {CString(path.c_str())})), -1);
    EXPECT_EQ(ReadTable(path, "T", "Excel 8.0;")[0],
              (std::vector<std::string>{"a#b(1)", "Ch2(m~s)", "say \xC2\xB2hi\xC2\xB2|"}));
}

TEST(XlsExchange, LongTitleIsShortenedWithWarning) {
    const std::string title(40, 'x');
    Doubles u, i;
    CReadAndWriteFiles files;
    EXPECT_EQ(WriteUI(TempPath(title + ".xls"), 9, 2, u, i, "", &files), 2);
    EXPECT_FALSE(Exists(TempPath(title + ".xls")));
    EXPECT_TRUE(Exists(TempPath(title.substr(0, 31) + ".xls")));
    EXPECT_NE(files.GetLastWarn().Find("The file name is to long"), -1);
}

TEST(XlsExchange, ExistingFileIsReplacedCompletely) {
    const std::string path = TempPath("replace.xls");
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, "Excel 8.0;"), 1);
        ASSERT_TRUE(AddTable(db, "Old1", {{"x", dbDouble}}));
        ASSERT_TRUE(AddTable(db, "Old2", {{"x", dbDouble}}));
        ASSERT_EQ(db.Close(), 1);
    }
    Doubles u, i;
    ASSERT_EQ(WriteUI(path, 9, 5, u, i), 1);
    CDaoDatabase db;
    ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;"), 1);
    EXPECT_EQ(db.GetTableDefCount(), 1);
}

TEST(XlsExchange, FailedWriteLeavesTheTargetAsItWas) {
    const std::string path = TempPath("keep.xls");
    WriteFile(path, "previous content");
    // Identical field names.
    Doubles a = DoublesOf({1}), b = DoublesOf({2});
    CReadAndWriteFiles files;
    SetChannels(files, 1, {{&a, "x", "V"}, {&b, "X", "V"}});
    EXPECT_EQ(files.WriteFile(path.c_str(), "", 9, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 6);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::IdenticalChannelNames, {CString(path.c_str())}));
    EXPECT_EQ(ReadFile(path), "previous content");

    // More items than an Excel 5.0 sheet has rows.
    Doubles u, i;
    EXPECT_EQ(WriteUI(path, 8, 16384, u, i), 0);
    EXPECT_EQ(ReadFile(path), "previous content");

    // A channel whose array is shorter than the item count.
    CReadAndWriteFiles more;
    SetChannels(more, 3, {{&a, "s"}});
    EXPECT_EQ(more.WriteFile(path.c_str(), "", 9, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(more.GetLastError(), TBFormatMessage(TBMsg::InvalidChannelPointer, {CString(path.c_str()), 1}));
    EXPECT_EQ(ReadFile(path), "previous content");
}

TEST(XlsExchange, TextsAndVariantsAndEmptyTables) {
    const std::string path = TempPath("mixed.xls");
    CStringArray numbers = TextsOf({"1.5", "2e3"});
    Variants names = VariantsOf({"first", "second"});
    CReadAndWriteFiles files;
    SetChannels(files, 2, {{&numbers, "n"}, {&names, "name"}});
    ASSERT_EQ(files.WriteFile(path.c_str(), "Mixed$", 9, nullptr, nullptr, 0, 0), 1)
        << files.GetLastError().GetString();

    CReadAndWriteFiles back;
    ASSERT_EQ(back.ReadInfoFile(path.c_str(), "Mixed", -1, nullptr, nullptr, 0, 0, 2), 1);
    CStringArray n;
    Variants v;
    back.GetChannel(0)->SetStringArray(&n);
    back.GetChannel(1)->SetVariantArray(&v);
    ASSERT_EQ(back.ReadDataFile(), 1);
    ASSERT_EQ(n.GetSize(), 2);
    EXPECT_STREQ(n[0], "1.5");
    EXPECT_STREQ(n[1], "2000");
    ASSERT_EQ(v.GetSize(), 2);
    EXPECT_EQ(v[1].vt, VT_BSTR);
    EXPECT_STREQ(v[1].GetText(), "second");

    CReadAndWriteFiles none;
    Doubles empty;
    SetChannels(none, 0, {{&empty, "x"}});
    ASSERT_EQ(none.WriteFile(path.c_str(), "Empty", 9, nullptr, nullptr, 0, 0), 1);
    CReadAndWriteFiles read;
    ASSERT_EQ(read.ReadInfoFile(path.c_str(), "Empty", -1, nullptr, nullptr, 0, 0, 2), 1);
    EXPECT_EQ(read.GetNrItems(), 0);
    EXPECT_NE(read.GetLastWarn().Find("There are no values"), -1);
}

TEST(XlsExchange, TableDialogListsSheetsWithoutDollar) {
    const std::string path = TempPath("choice.xls");
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, "Excel 8.0;"), 1);
        ASSERT_TRUE(AddTable(db, "First", {{"First", dbDouble}}));
        ASSERT_TRUE(AddTable(db, "Second", {{"Second", dbDouble}}));
        ASSERT_EQ(db.Close(), 1);
    }
    TableChoiceHub pick(1);
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1)
        << files.GetLastError().GetString();
    EXPECT_EQ(pick.offered, (std::vector<std::string>{"First", "Second"}));
    EXPECT_STREQ(files.GetTableName(), "Second$");
    EXPECT_STREQ(files.GetChannel(0)->GetChannelName(), "Second");

    TableChoiceHub cancel(-1);
    CReadAndWriteFiles cancelled;
    EXPECT_EQ(cancelled.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(cancelled.GetLastErrorNumber(), 7);
}

TEST(XlsExchange, UnreadableWorkbookIsError19) {
    const std::string path = TempPath("broken.xls");
    WriteFile(path, "no workbook here");
    CReadAndWriteFiles files;
    EXPECT_EQ(files.ReadInfoFile(path.c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 6);
    EXPECT_EQ(files.GetLastError(), TBFormatMessage(TBMsg::OpenDatabaseFailed, {CString(path.c_str())}));
}

TEST(XlsExchange, EmptyConnectStringFallsBackToExcel97) {
    const std::string path = TempPath("connect.xls");
    Doubles x = DoublesOf({4.5});
    CReadAndWriteFileFunction engine;
    SetChannels(engine, 1, {{&x, "x"}});
    ASSERT_TRUE(engine.ConnectTitle.IsEmpty());
    EXPECT_EQ(engine.WriteExcelFile(path.c_str(), ""), 2);
    EXPECT_STREQ(engine.GetConnectTitle(), "Excel 8.0;");
    EXPECT_EQ(engine.GetLastWarn(), TBFormatMessage(TBMsg::InvalidFileTypePointer, {CString(path.c_str())}) + "\r\n");

    // An Excel 4.0 worksheet read without a table name: the title names its only table.
    const std::string sheet = TempPath("single.xls");
    Doubles u, i;
    ASSERT_EQ(WriteUI(sheet, 7, 4, u, i), 1);
    CReadAndWriteFileFunction reader;
    ASSERT_EQ(reader.ReadInfoFile(sheet.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1)
        << reader.GetLastError().GetString();
    EXPECT_EQ(reader.GetSaveVersion(), 7);
    Doubles ru, ri;
    reader.GetChannel(0)->SetDoubleArray(&ru);
    reader.GetChannel(1)->SetDoubleArray(&ri);
    reader.TableName.Empty();
    ASSERT_EQ(reader.ReadDataExcel40File(), 1) << reader.GetLastError().GetString();
    EXPECT_STREQ(reader.GetTableName(), "single");
    ASSERT_EQ(ri.GetSize(), 4);
    EXPECT_EQ(ri[3], i[3]);
}
