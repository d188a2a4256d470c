// Excel workbooks in the binary interchange file format (BIFF): the worksheet cells of
// BIFF2 to BIFF8 streams read into a small model, and BIFF3, BIFF4, BIFF5 and BIFF8
// streams written from tables. BIFF5 and BIFF8 streams live inside an OLE2 compound
// file ("Book" and "Workbook" streams); BIFF2 to BIFF4 worksheets are bare streams.
//
// Internal to the workbook driver of the table layer; exported only so that the fuzz
// targets reach the readers directly.
#pragma once

#include "exchange/tables/dao_driver.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tb_xls {

/// BIFF versions by their number: 2, 3, 4, 5 (Excel 5.0/95) and 8 (Excel 97).
enum BiffVersion { kBiff2 = 2, kBiff3 = 3, kBiff4 = 4, kBiff5 = 5, kBiff8 = 8 };

/// Largest row count and column count of a worksheet of any version read or written.
constexpr unsigned kMaxColumns = 256;
constexpr unsigned kMaxRowsBiff8 = 65536;
constexpr unsigned kMaxRowsBiff5 = 16384;

/// One non-empty cell: a number (VT_R8), a text (VT_BSTR) or a boolean (VT_BOOL).
struct Cell {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    COleVariant value;
};

struct Sheet {
    CString name;             ///< without "$"
    std::vector<Cell> cells;  ///< in file order
};

struct Workbook {
    int version = 0;  ///< BiffVersion
    std::vector<Sheet> sheets;
};

/// Reads a workbook held in memory: an OLE2 compound file with a "Workbook" or "Book"
/// stream, or a bare BIFF stream. title names the single sheet of a BIFF2-4 worksheet.
bool ReadWorkbookMemory(const unsigned char* data, size_t size, const CString& title, Workbook& out,
                        CDaoStatus& status);

/// Reads the worksheets of one BIFF stream (no compound file around it).
bool ParseBiffStream(const unsigned char* data, size_t size, const CString& title, Workbook& out, CDaoStatus& status);

/// Reads a workbook file.
bool ReadWorkbookFile(const CString& path, Workbook& out, CDaoStatus& status);

/// Builds the BIFF stream of tables in the given version (3, 4, 5 or 8). Fails with
/// TB_DAO_E_LIMIT when the data do not fit the version.
bool BuildBiffStream(int version, const std::vector<CDaoTableData>& tables, std::string& out, CDaoStatus& status);

/// Writes tables as a workbook file of the version: a bare stream for 3 and 4, a
/// compound file for 5 and 8.
bool WriteWorkbookFile(const CString& path, int version, const std::vector<CDaoTableData>& tables, CDaoStatus& status);

/// Reads the named stream of a compound file in memory into out. The stream's size is
/// checked against the data before anything is allocated.
bool ReadCompoundStream(const unsigned char* data, size_t size, std::string& out, bool& biff5, CDaoStatus& status);

/// Text conversion between UTF-8 and the 8-bit code pages of older workbooks.
CString DecodeCodePage(const unsigned char* bytes, size_t count, int codePage);
std::string EncodeWindows1252(const CString& text);
/// UTF-16LE code units to UTF-8 (unpaired surrogates become U+FFFD).
void AppendUtf16(std::string& out, const std::uint16_t* units, size_t count);
/// UTF-8 to UTF-16 code units (malformed bytes become U+FFFD).
std::u16string Utf8ToUtf16(const CString& text);

}  // namespace tb_xls
