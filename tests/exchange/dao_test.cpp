// The table layer over workbooks: tables, fields and records written and read back in
// every Excel version, the layer's rules (names, types, states), and workbooks that
// other programs wrote.
#include <toolbox/exchange/dao.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tbtest;

namespace {

// Writes a table "Data" with a number field U(V) = k/8 - 3 and a text field Name = "t<k>",
// null in every third record, n records.
::testing::AssertionResult WriteSample(const std::string& path, const char* connect, int n) {
    std::vector<std::vector<COleVariant>> records;
    for (int k = 0; k < n; ++k)
        records.push_back(
            {k * 0.125 - 3.0, k % 3 != 2 ? COleVariant(("t" + std::to_string(k)).c_str()) : COleVariant()});
    return WriteTable(path, connect, "Data", {{"U(V)", dbDouble}, {"Name", dbText}}, records);
}

void CheckSample(const std::string& path, const char* version, int n) {
    TableRows expected = {{"U(V)", "Name"}};
    for (int k = 0; k < n; ++k)
        expected.push_back({CellText(k * 0.125 - 3.0), k % 3 != 2 ? "t" + std::to_string(k) : "<null>"});
    CString actual;
    EXPECT_EQ(ReadTable(path, "Data", "Excel 8.0;", &actual), expected);
    EXPECT_STREQ(actual, version);
    OpenedTable t;
    ASSERT_TRUE(t.Open(path, "Data", "Excel 8.0;"));
    EXPECT_EQ(t.db.GetTableDefCount(), 1);
    CDaoFieldInfo number, text;
    ASSERT_EQ(t.def.GetFieldInfo(0, number), 1);
    ASSERT_EQ(t.def.GetFieldInfo(1, text), 1);
    EXPECT_EQ(number.m_nType, dbDouble);
    EXPECT_EQ(text.m_nType, dbText);
    EXPECT_EQ(t.def.GetRecordCount(), n);
    EXPECT_EQ(ReadEveryTable(path, "Excel 8.0;"), TB_DAO_OK);  // the recordset's count too
}

}  // namespace

TEST(DaoWorkbook, RoundTripEveryVersion) {
    for (const char* version : {"3.0", "4.0", "5.0", "8.0"}) {
        SCOPED_TRACE(version);
        const std::string file = TempPath(std::string("round") + version + ".xls");
        ASSERT_TRUE(WriteSample(file, ("Excel " + std::string(version) + ";").c_str(), 300));
        CheckSample(file, version, 300);
    }
}

TEST(DaoWorkbook, ManySharedStringsSpanContinueRecords) {
    // Long texts force the shared string table across CONTINUE records, with strings
    // split in the middle of their characters, in both one-byte and two-byte forms.
    const std::string file = TempPath("sst.xls");
    std::vector<std::vector<COleVariant>> records;
    TableRows expected = {{"T"}};
    for (int k = 0; k < 400; ++k) {
        std::string s(50 + k % 97, static_cast<char>('a' + k % 26));
        s += std::to_string(k);
        if (k % 5 == 0) s += "\xCE\xA9\xE2\x82\xAC";  // Greek Omega and the euro sign
        records.push_back({s.c_str()});
        expected.push_back({s});
    }
    ASSERT_TRUE(WriteTable(file, "Excel 8.0;", "Texts", {{"T", dbText}}, records));
    EXPECT_EQ(ReadTable(file, "Texts$", "Excel 8.0;"), expected);
}

TEST(DaoWorkbook, SeveralSheetsAndNames) {
    const std::string file = TempPath("sheets.xls");
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 5.0;"), 1);
        for (const char* name : {"First", "Second"}) {
            CDaoTableDef def(&db);
            ASSERT_EQ(def.Create(name), 1);
            ASSERT_EQ(def.CreateField("x", dbDouble, 20, 0x22), 1);
            ASSERT_EQ(def.CreateField("X", dbDouble, 20, 0x22), 0) << "field names ignore case";
            EXPECT_EQ(def.GetLastErrorCode(), TB_DAO_E_DUPLICATE);
            ASSERT_EQ(def.Append(), 1);
        }
        CDaoTableDef again(&db);
        ASSERT_EQ(again.Create("first"), 1);
        ASSERT_EQ(again.CreateField("y", dbDouble, 20, 0x22), 1);
        EXPECT_EQ(again.Append(), 0);
        EXPECT_EQ(again.GetLastErrorCode(), TB_DAO_E_DUPLICATE);
        ASSERT_EQ(db.Close(), 1);
    }
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, ""), 1) << "the content picks the workbook driver";
    ASSERT_EQ(db.GetTableDefCount(), 2);
    CDaoTableDefInfo info;
    db.GetTableDefInfo(1, info);
    EXPECT_STREQ(info.m_strName, "Second$");
    EXPECT_EQ(info.m_lRecordCount, 0);
    CDaoTableDef def(&db);
    EXPECT_EQ(def.Open("Third"), 0);
    EXPECT_EQ(def.GetLastErrorCode(), TB_DAO_E_NOT_FOUND);
    EXPECT_EQ(def.Open("SECOND"), 1);
}

TEST(DaoWorkbook, ExcelThreeHoldsOneTableThatAnswersToAnyName) {
    const std::string file = TempPath("single.xls");
    ASSERT_TRUE(WriteSample(file, "Excel 3.0;", 4));
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, "Excel 3.0;"), 1);
    CDaoTableDefInfo info;
    ASSERT_EQ(db.GetTableDefInfo(0, info), 1);
    EXPECT_STREQ(info.m_strName, "single$");
    CDaoTableDef def(&db);
    EXPECT_EQ(def.Open("Whatever"), 1);

    CDaoDatabase w;
    ASSERT_EQ(w.Open(TempPath("two.xls").c_str(), FALSE, FALSE, "Excel 4.0;"), 1);
    ASSERT_TRUE(AddTable(w, "A", {{"x", dbDouble}}));
    ASSERT_TRUE(AddTable(w, "B", {{"x", dbDouble}}));
    EXPECT_EQ(w.Close(), 0);
    EXPECT_EQ(w.GetLastErrorCode(), TB_DAO_E_LIMIT);
}

TEST(DaoLayer, NamesTypesAndStates) {
    const std::string file = TempPath("rules.xls");
    CDaoDatabase db;
    EXPECT_EQ(db.GetTableDefCount(), -1);
    EXPECT_EQ(db.Open(file.c_str(), FALSE, TRUE, "Excel 8.0;"), 0) << "read-only needs an existing file";
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_OPEN);
    EXPECT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 9.9;"), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_UNSUPPORTED);
    ASSERT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 8.0;HDR=YES;"), 1);
    EXPECT_STREQ(db.GetVersion(), "8.0");
    CDaoTableDef def(&db);
    EXPECT_EQ(def.CreateField("x", dbDouble, 20, 0x22), 0);
    EXPECT_EQ(def.GetLastErrorCode(), TB_DAO_E_STATE);
    EXPECT_EQ(def.Create("a:b"), 0);
    EXPECT_EQ(def.GetLastErrorCode(), TB_DAO_E_NAME);
    EXPECT_EQ(def.Create("ThisSheetNameIsLongerThanThirtyOne"), 0);
    ASSERT_EQ(def.Create("T"), 1);
    for (const char* bad : {"a.b", "a!b", "a`b", "a[1]", "", " lead"}) {
        EXPECT_EQ(def.CreateField(bad, dbDouble, 20, 0x22), 0) << bad;
        EXPECT_EQ(def.GetLastErrorCode(), TB_DAO_E_NAME) << bad;
    }
    ASSERT_EQ(def.CreateField("num", dbDouble, 20, 0x22), 1);
    ASSERT_EQ(def.CreateField("txt", dbText, 20, 0x22), 1);
    ASSERT_EQ(def.Append(), 1);
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def), 1);
    EXPECT_EQ(rs.SetFieldValue(0, COleVariant(1.0)), 0) << "no AddNew yet";
    ASSERT_EQ(rs.AddNew(), 1);
    EXPECT_EQ(rs.SetFieldValue(0, COleVariant("12.5")), 1);
    EXPECT_EQ(rs.SetFieldValue(0, COleVariant("12.5 V")), 0);
    EXPECT_EQ(rs.GetLastErrorCode(), TB_DAO_E_TYPE);
    EXPECT_EQ(rs.SetFieldValue("TXT", COleVariant(0.1)), 1);
    EXPECT_EQ(rs.SetFieldValue(5, COleVariant(1.0)), 0);
    EXPECT_EQ(rs.GetLastErrorCode(), TB_DAO_E_NOT_FOUND);
    ASSERT_EQ(rs.Update(), 1);
    EXPECT_EQ(rs.Update(), 0);
    rs.MoveFirst();
    EXPECT_EQ(rs.GetFieldValue(0).dblVal, 12.5);
    EXPECT_STREQ(rs.GetFieldValue(1).GetText(), "0.1");
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_EQ(rs.GetFieldValue(0).vt, VT_EMPTY);
    EXPECT_EQ(rs.GetLastErrorCode(), TB_DAO_E_STATE);
    ASSERT_EQ(db.Close(), 1);
    EXPECT_EQ(def.GetFieldCount(), -1) << "a closed database leaves its tables unusable";
}

TEST(DaoLayer, LimitsOfTheVersions) {
    const std::string file = TempPath("limits.xls");
    std::vector<std::vector<COleVariant>> records;
    for (int k = 0; k < 16384; ++k) records.push_back({1.0 * k});
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 5.0;"), 1);
    ASSERT_TRUE(AddTable(db, "Rows", {{"x", dbDouble}}, records));
    EXPECT_EQ(db.Close(), 0) << "16384 records and the header exceed an Excel 5.0 sheet";
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_LIMIT);
    EXPECT_FALSE(Exists(file)) << "nothing written";
}

TEST(DaoLayer, AccessWithoutDriverOrMissingFile) {
    CDaoDatabase db;
    EXPECT_EQ(db.Open("/nonexistent/x.mdb", FALSE, TRUE, ""), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_OPEN);
    const std::string text = TempPath("plain.xls");
    WriteFile(text, "just text, not a workbook\n");
    EXPECT_EQ(db.Open(text.c_str(), FALSE, TRUE, "Excel 8.0;"), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_FORMAT);
}

// Workbooks written by other programs, every version from BIFF2 to BIFF8: every table
// reads to its end.
TEST(DaoWorkbook, ReadsSampleWorkbooks) {
    int workbooks = 0;
    for (const char* sub : {"exceldatareader", "poi", "xlrd"}) {
        const std::string dir = std::string(TOOLBOX_TEST_DATA "/samples/") + sub;
        for (const std::string& name : ListDir(dir)) {
            if (name.size() < 5 || name.substr(name.size() - 4) != ".xls") continue;
            ++workbooks;
            CString error;
            EXPECT_EQ(ReadEveryTable(dir + "/" + name, "Excel 8.0;", &error), TB_DAO_OK) << name << ": " << error;
        }
    }
    EXPECT_GT(workbooks, 10);
}
