// Workbooks and real spreadsheet programs: fixtures that LibreOffice and Gnumeric wrote
// (tests/data/xls, made from fixture_source.csv), LibreOffice and Gnumeric opening what
// every one of our writers produces, and damaged input that must fail cleanly.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/xls/xls_biff.h"
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tbtest;

namespace {

const TableRows kFixture = {
    {"U(V)", "I(A)", "Name"},
    {"1.5", "-0.25", "alpha"},
    {"2", "0.001", "beta"},
    {"-3.75", "1000000", "Gr\u00fc\u00dfe"},
};
// The fixture as CSV; Greek and umlaut survive even the 8-bit versions (Windows-1252
// holds them).
const char* const kFixtureCsv = "U(V),I(A),Name\n1.5,-0.25,alpha\n2,0.001,beta\n-3.75,1000000,Gr\u00fc\u00dfe\n";
const char* const kConnects[] = {"Excel 3.0;", "Excel 4.0;", "Excel 5.0;", "Excel 8.0;"};

// Writes the fixture as table "Data" of a new workbook; the texts go into number fields
// as they are.
::testing::AssertionResult WriteFixture(const std::string& path, const char* connect) {
    std::vector<std::vector<COleVariant>> records;
    for (size_t r = 1; r < kFixture.size(); ++r)
        records.push_back({kFixture[r][0].c_str(), kFixture[r][1].c_str(), kFixture[r][2].c_str()});
    return WriteTable(path, connect, "Data", {{"U(V)", dbDouble}, {"I(A)", dbDouble}, {"Name", dbText}}, records);
}

}  // namespace

TEST(DaoOutside, ReadsWhatLibreOfficeAndGnumericWrote) {
    const std::string data = TOOLBOX_TEST_DATA "/xls/";
    CString version;
    EXPECT_EQ(ReadTable(data + "libreoffice_biff8.xls", "sample", "Excel 8.0;", &version), kFixture);
    EXPECT_STREQ(version, "8.0");
    EXPECT_EQ(ReadTable(data + "gnumeric_biff5.xls", "sample.csv$", "Excel 8.0;", &version), kFixture);
    EXPECT_STREQ(version, "5.0");
    EXPECT_EQ(ReadTable(data + "gnumeric_biff8.xls", "sample.csv", "Excel 8.0;", &version), kFixture);
    EXPECT_STREQ(version, "8.0");
}

// LibreOffice and Gnumeric open the file of every version we write and give back the
// same names and values as CSV.
TEST(DaoOutside, LibreOfficeReadsEveryVersionWeWrite) {
    TBTEST_REQUIRE_PROGRAM("soffice");
    std::string files;
    for (int v = 0; v < 4; ++v) {
        ASSERT_TRUE(WriteFixture(TempPath("v" + std::to_string(v) + ".xls"), kConnects[v]));
        files += " " + TempPath("v" + std::to_string(v) + ".xls");
    }
    const std::string dir = TempPath("");
    ASSERT_EQ(
        Shell("cd " + dir + " && soffice -env:UserInstallation=file://" + dir +
              "/profile --headless --convert-to csv:Text\\ -\\ txt\\ -\\ csv\\ \\(StarCalc\\):44,34,76 --outdir " +
              dir + "/csv" + files)
            .status,
        0);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(ReadFile(TempPath("csv/v" + std::to_string(v) + ".csv")), kFixtureCsv) << v;
}

TEST(DaoOutside, GnumericReadsEveryVersionWeWrite) {
    TBTEST_REQUIRE_PROGRAM("ssconvert");
    for (const char* connect : kConnects) {
        const std::string path = TempPath(std::string("g") + connect[6] + ".xls");
        ASSERT_TRUE(WriteTable(path, connect, "Data", {{"U(V)", dbDouble}, {"Name", dbText}},
                               {{-1.0, "row0"}, {-0.5, "row1"}, {0.0, "row2"}}));
        ASSERT_EQ(Shell("ssconvert -T Gnumeric_stf:stf_csv " + path + " " + path + ".csv").status, 0);
        EXPECT_EQ(ReadFile(path + ".csv"), "U(V),Name\n-1,row0\n-0.5,row1\n0,row2\n") << connect;
    }
}

// ---------------------------------------------------------------- damaged input

namespace {

// Opens a workbook of these bytes and reads every table: the error code, TB_DAO_OK when
// everything read; text receives the failure's text.
int OpenBytes(const std::string& bytes, CString* text = nullptr) {
    WriteFile(TempPath("bad.xls"), bytes);
    return ReadEveryTable(TempPath("bad.xls"), "Excel 8.0;", text);
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
    EXPECT_NE(text.Find("shared string"), -1) << text.GetString();

    EXPECT_EQ(OpenBytes(good.substr(0, good.size() - 6)), TB_DAO_E_FORMAT);  // the last record runs past the end
    std::string pastEnd = good;
    pastEnd[pastEnd.size() - 2] = '\x40';  // EOF claims 64 bytes that are not there
    EXPECT_EQ(OpenBytes(pastEnd, &text), TB_DAO_E_FORMAT);
    EXPECT_NE(text.Find("past the end"), -1) << text.GetString();

    std::string wide = Biff8Workbook(sst, Cell(0, 0, 1.0) + Cell(0, 60000, 2.0));
    EXPECT_EQ(OpenBytes(wide, &text), TB_DAO_E_LIMIT);

    std::string unknownVersion = Rec(0x0809, Le16(0x0700) + Le16(0x10) + std::string(12, '\0')) + Rec(0x000A, "");
    EXPECT_EQ(OpenBytes(unknownVersion, &text), TB_DAO_E_FORMAT);
    EXPECT_NE(text.Find("BIFF version"), -1);

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
    const std::string path = TempPath("cycle.xls");
    std::vector<std::vector<COleVariant>> records;
    for (int k = 0; k < 2000; ++k) records.push_back({1.0 * k});
    ASSERT_TRUE(WriteTable(path, "Excel 8.0;", "Data", {{"x", dbDouble}}, records));
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
    EXPECT_EQ(OpenBytes(bytes), TB_DAO_E_FORMAT);
}
