// The table layer over workbooks: tables, fields and records written and read back in
// every Excel version, the layer's rules (names, types, states), and workbooks that
// other programs wrote.
#include <toolbox/exchange/dao.h>
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

/// A file in the program's scratch directory, removed at exit.
std::string TempPath(const std::string& name) {
    static const tbtest::ScratchDir dir;
    return dir / name;
}

// Writes a table "Data" with a number field, a text field and n records.
void WriteSample(const std::string& path, const char* connect, int n) {
    CDaoDatabase db;
    ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, connect), 1) << db.GetLastErrorText().GetString();
    CDaoTableDef def(&db);
    ASSERT_EQ(def.Create("Data"), 1);
    ASSERT_EQ(def.CreateField("U(V)", dbDouble, 20, 0x22), 1);
    ASSERT_EQ(def.CreateField("Name", dbText, 20, 0x22), 1);
    ASSERT_EQ(def.Append(), 1) << def.GetLastErrorText().GetString();
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
    for (int k = 0; k < n; ++k) {
        ASSERT_EQ(rs.AddNew(), 1);
        ASSERT_EQ(rs.SetFieldValue(0, COleVariant(k * 0.125 - 3.0)), 1);
        if (k % 3 != 2) {
            ASSERT_EQ(rs.SetFieldValue(1, COleVariant(CString("t") + CString(std::to_string(k)))), 1);
        }
        ASSERT_EQ(rs.Update(), 1);
    }
    rs.Close();
    def.Close();
    ASSERT_EQ(db.Close(), 1) << db.GetLastErrorText().GetString();
}

void CheckSample(const std::string& path, const char* version, int n) {
    CDaoDatabase db;
    ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;"), 1) << db.GetLastErrorText().GetString();
    EXPECT_STREQ(db.GetVersion(), version);
    ASSERT_EQ(db.GetTableDefCount(), 1);
    CDaoTableDefInfo info;
    ASSERT_EQ(db.GetTableDefInfo(0, info), 1);
    CDaoTableDef def(&db);
    ASSERT_EQ(def.Open("Data"), 1) << def.GetLastErrorText().GetString();
    ASSERT_EQ(def.GetFieldCount(), 2);
    CDaoFieldInfo f0, f1;
    ASSERT_EQ(def.GetFieldInfo(0, f0), 1);
    ASSERT_EQ(def.GetFieldInfo(1, f1), 1);
    EXPECT_STREQ(f0.m_strName, "U(V)");
    EXPECT_EQ(f0.m_nType, dbDouble);
    EXPECT_STREQ(f1.m_strName, "Name");
    EXPECT_EQ(f1.m_nType, dbText);
    EXPECT_EQ(def.GetRecordCount(), n);
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
    EXPECT_EQ(rs.GetRecordCount(), n);
    int k = 0;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext(), ++k) {
        COleVariant v = rs.GetFieldValue(0);
        ASSERT_EQ(v.vt, VT_R8);
        EXPECT_EQ(v.dblVal, k * 0.125 - 3.0);
        COleVariant t = rs.GetFieldValue(1);
        if (k % 3 == 2) {
            EXPECT_EQ(t.vt, VT_NULL);
        } else {
            ASSERT_EQ(t.vt, VT_BSTR);
            EXPECT_EQ(t.GetText(), CString("t") + CString(std::to_string(k)));
        }
    }
    EXPECT_EQ(k, n);
}

}  // namespace

TEST(DaoWorkbook, RoundTripEveryVersion) {
    const struct {
        const char* connect;
        const char* version;
    } cases[] = {{"Excel 3.0;", "3.0"}, {"Excel 4.0;", "4.0"}, {"Excel 5.0;", "5.0"}, {"Excel 8.0;", "8.0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connect);
        const std::string file = TempPath(std::string("round") + c.version + ".xls");
        WriteSample(file, c.connect, 300);
        CheckSample(file, c.version, 300);
    }
}

TEST(DaoWorkbook, ManySharedStringsSpanContinueRecords) {
    // Long texts force the shared string table across CONTINUE records, with strings
    // split in the middle of their characters, in both one-byte and two-byte forms.
    const std::string file = TempPath("sst.xls");
    std::vector<CString> texts;
    for (int k = 0; k < 400; ++k) {
        std::string s(50 + k % 97, static_cast<char>('a' + k % 26));
        s += std::to_string(k);
        if (k % 5 == 0) s += "\xCE\xA9\xE2\x82\xAC";  // Greek Omega and the euro sign
        texts.push_back(CString(s));
    }
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 8.0;"), 1);
        CDaoTableDef def(&db);
        ASSERT_EQ(def.Create("Texts"), 1);
        ASSERT_EQ(def.CreateField("T", dbText, 20, 0x22), 1);
        ASSERT_EQ(def.Append(), 1);
        CDaoRecordset rs(&db);
        ASSERT_EQ(rs.Open(&def), 1);
        for (const CString& t : texts) {
            rs.AddNew();
            rs.SetFieldValue(0, COleVariant(t));
            ASSERT_EQ(rs.Update(), 1);
        }
        ASSERT_EQ(db.Close(), 1);
    }
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, "Excel 8.0;"), 1) << db.GetLastErrorText().GetString();
    CDaoTableDef def(&db);
    ASSERT_EQ(def.Open("Texts$"), 1);
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def), 1);
    size_t k = 0;
    for (; !rs.IsEOF(); rs.MoveNext(), ++k) {
        ASSERT_LT(k, texts.size());
        EXPECT_EQ(rs.GetFieldValue(0).GetText(), texts[k]) << k;
    }
    EXPECT_EQ(k, texts.size());
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
    WriteSample(file, "Excel 3.0;", 4);
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, "Excel 3.0;"), 1);
    CDaoTableDefInfo info;
    ASSERT_EQ(db.GetTableDefInfo(0, info), 1);
    std::string title = file.substr(file.rfind('/') + 1);
    title = title.substr(0, title.size() - 4) + "$";
    EXPECT_EQ(std::string(info.m_strName.GetString()), title);
    CDaoTableDef def(&db);
    EXPECT_EQ(def.Open("Whatever"), 1);

    const std::string two = TempPath("two.xls");
    CDaoDatabase w;
    ASSERT_EQ(w.Open(two.c_str(), FALSE, FALSE, "Excel 4.0;"), 1);
    for (const char* name : {"A", "B"}) {
        CDaoTableDef d(&w);
        d.Create(name);
        d.CreateField("x", dbDouble, 20, 0x22);
        ASSERT_EQ(d.Append(), 1);
    }
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
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, FALSE, "Excel 5.0;"), 1);
    CDaoTableDef def(&db);
    def.Create("Rows");
    def.CreateField("x", dbDouble, 20, 0x22);
    ASSERT_EQ(def.Append(), 1);
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def), 1);
    for (int k = 0; k < 16384; ++k) {
        rs.AddNew();
        rs.SetFieldValue(0, COleVariant(1.0 * k));
        rs.Update();
    }
    EXPECT_EQ(db.Close(), 0) << "16384 records and the header exceed an Excel 5.0 sheet";
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_LIMIT);
    struct stat st;
    EXPECT_NE(stat(file.c_str(), &st), 0) << "nothing written";
}

TEST(DaoLayer, AccessWithoutDriverOrMissingFile) {
    CDaoDatabase db;
    EXPECT_EQ(db.Open("/nonexistent/x.mdb", FALSE, TRUE, ""), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_OPEN);
    const std::string text = TempPath("plain.xls");
    std::ofstream(text) << "just text, not a workbook\n";
    EXPECT_EQ(db.Open(text.c_str(), FALSE, TRUE, "Excel 8.0;"), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_FORMAT);
}

// Workbooks written by other programs, every version from BIFF2 to BIFF8.
TEST(DaoWorkbook, ReadsSampleWorkbooks) {
    const std::string root = TOOLBOX_TEST_DATA "/samples";
    int opened = 0, refused = 0;
    for (const char* sub : {"exceldatareader", "poi", "xlrd"}) {
        std::string dir = root + "/" + sub;
        DIR* d = opendir(dir.c_str());
        ASSERT_NE(d, nullptr) << dir;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".xls") continue;
            std::string path = dir + "/" + name;
            SCOPED_TRACE(path);
            CDaoDatabase db;
            if (!db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;")) {
                ++refused;
                EXPECT_FALSE(db.GetLastErrorText().IsEmpty());
                EXPECT_TRUE(db.GetLastErrorCode() == TB_DAO_E_FORMAT || db.GetLastErrorCode() == TB_DAO_E_LIMIT);
                continue;
            }
            ++opened;
            for (int t = 0; t < db.GetTableDefCount(); ++t) {
                CDaoTableDefInfo info;
                ASSERT_EQ(db.GetTableDefInfo(t, info), 1);
                CDaoTableDef def(&db);
                ASSERT_EQ(def.Open(info.m_strName), 1);
                CDaoRecordset rs(&db);
                if (!rs.Open(&def)) continue;
                long n = 0;
                for (; !rs.IsEOF(); rs.MoveNext()) ++n;
                EXPECT_EQ(n, def.GetRecordCount());
            }
        }
        closedir(d);
    }
    EXPECT_GT(opened, 10);
    EXPECT_LE(refused, 2);
}
