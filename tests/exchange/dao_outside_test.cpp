// Workbooks and real spreadsheet programs: fixtures that LibreOffice and Gnumeric wrote
// (tests/data/xls, made from fixture_source.csv), LibreOffice opening what every one of
// our writers produces, and damaged input that must fail cleanly.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/xls/xls_biff.h"
#include "tests/support/bytes.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tbtest;

namespace {

/// The program's scratch directory, removed at exit.
std::string TempDir() {
    static const tbtest::ScratchDir dir;
    return dir.Path();
}

// The table as rows of texts (numbers in "%.15g"), field names first.
std::vector<std::vector<std::string>> ReadTable(const std::string& path, const char* table,
                                                CString* version = nullptr) {
    std::vector<std::vector<std::string>> rows;
    CDaoDatabase db;
    if (!db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;")) {
        ADD_FAILURE() << path << ": " << db.GetLastErrorText().GetString();
        return rows;
    }
    if (version) *version = db.GetVersion();
    CDaoTableDef def(&db);
    if (!def.Open(table)) {
        ADD_FAILURE() << def.GetLastErrorText().GetString();
        return rows;
    }
    std::vector<std::string> names;
    for (int f = 0; f < def.GetFieldCount(); ++f) {
        CDaoFieldInfo info;
        def.GetFieldInfo(f, info);
        names.push_back(info.m_strName.GetString());
    }
    rows.push_back(names);
    CDaoRecordset rs(&db);
    rs.Open(&def);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::vector<std::string> row;
        for (int f = 0; f < rs.GetFieldCount(); ++f) {
            COleVariant v = rs.GetFieldValue(f);
            char buffer[40] = "";
            if (v.vt == VT_R8) std::snprintf(buffer, sizeof buffer, "%.15g", v.dblVal);
            row.push_back(v.vt == VT_BSTR ? std::string(v.GetText().GetString()) : std::string(buffer));
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<std::vector<std::string>> kFixture = {
    {"U(V)", "I(A)", "Name"},
    {"1.5", "-0.25", "alpha"},
    {"2", "0.001", "beta"},
    {"-3.75", "1000000",
     "Gr\xC3\xBC\xC3\x9F"
     "e"},
};

}  // namespace

TEST(DaoOutside, ReadsWhatLibreOfficeAndGnumericWrote) {
    std::string data = TOOLBOX_TEST_DATA "/xls/";
    CString version;
    EXPECT_EQ(ReadTable(data + "libreoffice_biff8.xls", "sample", &version), kFixture);
    EXPECT_STREQ(version, "8.0");
    EXPECT_EQ(ReadTable(data + "gnumeric_biff5.xls", "sample.csv$", &version), kFixture);
    EXPECT_STREQ(version, "5.0");
    EXPECT_EQ(ReadTable(data + "gnumeric_biff8.xls", "sample.csv", &version), kFixture);
    EXPECT_STREQ(version, "8.0");
}

// LibreOffice opens the file of every version we write and gives back the same names
// and values as CSV.
TEST(DaoOutside, LibreOfficeReadsEveryVersionWeWrite) {
    TBTEST_REQUIRE_PROGRAM("soffice");
    std::string dir = TempDir();
    const char* connects[] = {"Excel 3.0;", "Excel 4.0;", "Excel 5.0;", "Excel 8.0;"};
    std::vector<std::string> files;
    for (int v = 0; v < 4; ++v) {
        std::string path = dir + "/v" + std::to_string(v) + ".xls";
        files.push_back(path);
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, connects[v]), 1);
        CDaoTableDef def(&db);
        ASSERT_EQ(def.Create("Data"), 1);
        def.CreateField("U(V)", dbDouble, 20, 0x22);
        def.CreateField("I(A)", dbDouble, 20, 0x22);
        def.CreateField("Name", dbText, 20, 0x22);
        ASSERT_EQ(def.Append(), 1);
        CDaoRecordset rs(&db);
        ASSERT_EQ(rs.Open(&def), 1);
        for (size_t r = 1; r < kFixture.size(); ++r) {
            rs.AddNew();
            for (int f = 0; f < 3; ++f)
                ASSERT_EQ(rs.SetFieldValue(f, COleVariant(CString(kFixture[r][static_cast<size_t>(f)]))), 1);
            ASSERT_EQ(rs.Update(), 1);
        }
        ASSERT_EQ(db.Close(), 1) << db.GetLastErrorText().GetString();
    }
    std::string cmd =
        "cd " + dir + " && soffice -env:UserInstallation=file://" + dir +
        "/profile --headless --convert-to csv:Text\\ -\\ txt\\ -\\ csv\\ \\(StarCalc\\):44,34,76 --outdir " + dir +
        "/csv";
    for (const std::string& f : files) cmd += " " + f;
    cmd += " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(connects[v]);
        std::string csv = ReadFile(dir + "/csv/v" + std::to_string(v) + ".csv");
        // Greek and umlaut survive even the 8-bit versions (Windows-1252 holds them).
        EXPECT_EQ(csv,
                  "U(V),I(A),Name\n1.5,-0.25,alpha\n2,0.001,beta\n-3.75,1000000,Gr\xC3\xBC\xC3\x9F"
                  "e\n");
    }
}

// ---------------------------------------------------------------- damaged input

namespace {

int OpenBytes(const std::string& bytes, CString* text = nullptr) {
    std::string path = TempDir() + "/bad.xls";
    WriteFile(path, bytes);
    CDaoDatabase db;
    int ok = db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;");
    int code = ok ? TB_DAO_OK : db.GetLastErrorCode();
    if (ok) {
        // Opening the tables must not fail unexpectedly either.
        for (int t = 0; t < db.GetTableDefCount(); ++t) {
            CDaoTableDefInfo info;
            db.GetTableDefInfo(t, info);
            CDaoTableDef def(&db);
            def.Open(info.m_strName);
            CDaoRecordset rs(&db);
            if (!rs.Open(&def)) code = rs.GetLastErrorCode();
        }
    } else if (text) {
        *text = db.GetLastErrorText();
    }
    std::remove(path.c_str());
    return code;
}

// A BIFF record: identifier, payload length, payload.
std::string Rec(std::uint16_t id, const std::string& payload) {
    return Le16(id) + Le16(static_cast<std::uint16_t>(payload.size())) + payload;
}

std::string Biff8Workbook(const std::string& sstPayload, const std::string& cells) {
    std::string globals = Rec(0x0809, Le16(0x0600) + Le16(5) + std::string(12, '\0'));
    std::string bound = Rec(0x0085, Le32(0) + std::string("\0\0", 2) + std::string("\x01\x00S", 3));
    std::string sst = Rec(0x00FC, sstPayload);
    std::string eof = Rec(0x000A, "");
    size_t sheetAt = globals.size() + bound.size() + sst.size() + eof.size();
    bound =
        Rec(0x0085, Le32(static_cast<std::uint32_t>(sheetAt)) + std::string("\0\0", 2) + std::string("\x01\x00S", 3));
    std::string sheet = Rec(0x0809, Le16(0x0600) + Le16(0x10) + std::string(12, '\0')) + cells + eof;
    return globals + bound + sst + eof + sheet;
}

std::string Cell(unsigned row, unsigned col, double v) {
    return Rec(0x0203, Le16(row) + Le16(col) + Le16(15) + BytesOf(v));
}

}  // namespace

TEST(DaoDamaged, RecordsAndStringsThatDoNotFit) {
    std::string sst = Le32(1) + Le32(1) + Le16(2) + std::string("\0ab", 3);
    std::string good = Biff8Workbook(sst, Cell(0, 0, 1.0) + Rec(0x00FD, Le16(1) + Le16(0) + Le16(15) + Le32(0)));
    EXPECT_EQ(OpenBytes(good), TB_DAO_OK);

    CString text;
    std::string badIndex = Biff8Workbook(sst, Cell(0, 0, 1.0) + Rec(0x00FD, Le16(1) + Le16(0) + Le16(15) + Le32(7)));
    EXPECT_EQ(OpenBytes(badIndex, &text), TB_DAO_E_FORMAT);
    EXPECT_NE(std::string(text.GetString()).find("shared string"), std::string::npos) << text.GetString();

    std::string cut = good.substr(0, good.size() - 6);  // the last record runs past the end
    std::string pastEnd = good;
    pastEnd[pastEnd.size() - 2] = '\x40';  // EOF claims 64 bytes that are not there
    EXPECT_EQ(OpenBytes(pastEnd, &text), TB_DAO_E_FORMAT);
    EXPECT_NE(std::string(text.GetString()).find("past the end"), std::string::npos) << text.GetString();

    std::string wide = Biff8Workbook(sst, Cell(0, 0, 1.0) + Cell(0, 60000, 2.0));
    EXPECT_EQ(OpenBytes(wide, &text), TB_DAO_E_LIMIT);

    std::string unknownVersion = Rec(0x0809, Le16(0x0700) + Le16(0x10) + std::string(12, '\0')) + Rec(0x000A, "");
    EXPECT_EQ(OpenBytes(unknownVersion, &text), TB_DAO_E_FORMAT);
    EXPECT_NE(std::string(text.GetString()).find("BIFF version"), std::string::npos);

    std::string sheetOutside = good;
    // Point the sheet list far past the stream.
    size_t boundAt = good.find(std::string("\x85\x00", 2));
    ASSERT_NE(boundAt, std::string::npos);
    sheetOutside.replace(boundAt + 4, 4, Le32(0x7FFFFFF0));
    EXPECT_EQ(OpenBytes(sheetOutside, &text), TB_DAO_E_FORMAT);

    // A long label whose length runs past its record.
    std::string longLabel = Rec(0x0809, Le16(0x0500) + Le16(0x10) + std::string(4, '\0')) +
                            Rec(0x0204, Le16(0) + Le16(0) + Le16(15) + Le16(500) + "abc") + Rec(0x000A, "");
    EXPECT_EQ(OpenBytes(longLabel), TB_DAO_E_FORMAT);
}

TEST(DaoDamaged, SparseSheetStaysWithinMemory) {
    // Two cells at opposite corners of a BIFF8 sheet: 256 x 65536 dense values would be
    // far out of proportion to the file.
    std::string sst = Le32(0) + Le32(0);
    std::string sparse = Biff8Workbook(sst, Cell(0, 0, 1.0) + Cell(65535, 255, 2.0));
    EXPECT_EQ(OpenBytes(sparse), TB_DAO_E_LIMIT);
}

TEST(DaoDamaged, CompoundFileWithCyclicChain) {
    // A workbook of our own, then its stream's first sector made to point at itself.
    std::string path = TempDir() + "/cycle.xls";
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, "Excel 8.0;"), 1);
        CDaoTableDef def(&db);
        def.Create("Data");
        def.CreateField("x", dbDouble, 20, 0x22);
        ASSERT_EQ(def.Append(), 1);
        CDaoRecordset rs(&db);
        rs.Open(&def);
        for (int k = 0; k < 2000; ++k) {
            rs.AddNew();
            rs.SetFieldValue(0, COleVariant(1.0 * k));
            rs.Update();
        }
        ASSERT_EQ(db.Close(), 1);
    }
    std::string bytes = ReadFile(path);
    auto u32 = [&](size_t at) { return static_cast<std::uint32_t>(LoadLittleEndian(bytes, at, 4)); };
    size_t sectorSize = size_t(1) << (static_cast<unsigned char>(bytes[0x1E]));
    std::uint32_t fatSector = u32(0x4C);
    std::uint32_t dirSector = u32(0x30);
    size_t dirAt = (dirSector + 1) * sectorSize;
    std::uint32_t start = 0xFFFFFFFF;
    for (int e = 0; e < 4; ++e) {
        size_t entry = dirAt + static_cast<size_t>(e) * 128;
        if (bytes[entry] == 'W' && bytes[entry + 1] == 0) start = u32(entry + 0x74);
    }
    ASSERT_NE(start, 0xFFFFFFFFu);
    size_t fatAt = (fatSector + 1) * sectorSize;
    bytes.replace(fatAt + 4 * start, 4, Le32(start));
    WriteFile(path, bytes);
    CDaoDatabase db;
    EXPECT_EQ(db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;"), 0);
    EXPECT_EQ(db.GetLastErrorCode(), TB_DAO_E_FORMAT);
    std::remove(path.c_str());
}

// Gnumeric reads every version we write as well.
TEST(DaoOutside, GnumericReadsEveryVersionWeWrite) {
    TBTEST_REQUIRE_PROGRAM("ssconvert");
    std::string dir = TempDir();
    const char* connects[] = {"Excel 3.0;", "Excel 4.0;", "Excel 5.0;", "Excel 8.0;"};
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(connects[v]);
        std::string path = dir + "/g" + std::to_string(v) + ".xls";
        {
            CDaoDatabase db;
            ASSERT_EQ(db.Open(path.c_str(), FALSE, FALSE, connects[v]), 1);
            CDaoTableDef def(&db);
            def.Create("Data");
            def.CreateField("U(V)", dbDouble, 20, 0x22);
            def.CreateField("Name", dbText, 20, 0x22);
            ASSERT_EQ(def.Append(), 1);
            CDaoRecordset rs(&db);
            rs.Open(&def);
            for (int k = 0; k < 3; ++k) {
                rs.AddNew();
                rs.SetFieldValue(0, COleVariant(k * 0.5 - 1.0));
                rs.SetFieldValue(1, COleVariant(CString("row") + CString(std::to_string(k))));
                ASSERT_EQ(rs.Update(), 1);
            }
            ASSERT_EQ(db.Close(), 1);
        }
        std::string csv = dir + "/g" + std::to_string(v) + ".csv";
        std::string cmd = "ssconvert -T Gnumeric_stf:stf_csv " + path + " " + csv + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(ReadFile(csv), "U(V),Name\n-1,row0\n-0.5,row1\n0,row2\n");
    }
}
