// The workbook driver of the table layer: every worksheet of a workbook is a table
// named after the sheet with a trailing "$"; the sheet's first used row holds the field
// names, every further row up to the last used one is a record. A field is a text field
// when a text appears among its first eight values, otherwise a number field; each cell
// reads as what it holds (number, text, boolean; an empty cell is Null).
#include "exchange/tables/dao_driver.h"
#include "exchange/tables/xls/xls_biff.h"

#include <algorithm>

namespace {

using tb_xls::Cell;
using tb_xls::Sheet;

// Dense records are limited relative to the cells a sheet really has, so that a few
// cells far apart cannot make the reader allocate gigabytes.
constexpr size_t kDenseFloor = size_t(1) << 22;
constexpr size_t kDensePerCell = 64;

struct SheetShape {
    bool empty = true;
    std::uint32_t firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
};

SheetShape ShapeOf(const Sheet& sheet) {
    SheetShape s;
    for (const Cell& c : sheet.cells) {
        if (s.empty) {
            s.firstRow = s.lastRow = c.row;
            s.firstColumn = s.lastColumn = c.column;
            s.empty = false;
            continue;
        }
        s.firstRow = std::min(s.firstRow, c.row);
        s.lastRow = std::max(s.lastRow, c.row);
        s.firstColumn = std::min(s.firstColumn, c.column);
        s.lastColumn = std::max(s.lastColumn, c.column);
    }
    return s;
}

CString FieldNameOf(const COleVariant& v, unsigned position) {
    if (v.vt == VT_BSTR && !v.GetText().IsEmpty()) return v.GetText();
    if (v.vt == VT_R8) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.15g", v.dblVal);
        return CString(buffer);
    }
    CString name;
    name.Format("F%u", position + 1);
    return name;
}

// Fields and record count of a sheet; the records too when withRecords.
bool BuildTable(Sheet& sheet, CDaoTableData& table, bool withRecords, CDaoStatus& status) {
    table.fields.clear();
    table.records.clear();
    table.recordCount = 0;
    SheetShape shape = ShapeOf(sheet);
    if (shape.empty) {
        table.loaded = withRecords;
        return true;
    }
    size_t fieldCount = shape.lastColumn - shape.firstColumn + 1;
    size_t recordCount = shape.lastRow - shape.firstRow;
    table.fields.resize(fieldCount);
    std::vector<const COleVariant*> header(fieldCount, nullptr);
    std::vector<int> texts(fieldCount, 0);
    for (const Cell& c : sheet.cells) {
        size_t f = c.column - shape.firstColumn;
        if (c.row == shape.firstRow)
            header[f] = &c.value;
        else if (c.row <= shape.firstRow + 8 && c.value.vt == VT_BSTR)
            ++texts[f];
    }
    for (size_t f = 0; f < fieldCount; ++f) {
        CDaoFieldDef& field = table.fields[f];
        field.name = header[f] ? FieldNameOf(*header[f], static_cast<unsigned>(f))
                               : FieldNameOf(COleVariant(), static_cast<unsigned>(f));
        if (texts[f] > 0) {
            field.type = dbText;
            field.size = 255;
            field.attributes = dbVariableField | dbUpdatableField;
        } else {
            field.type = dbDouble;
            field.size = 8;
            field.attributes = dbFixedField | dbUpdatableField;
        }
    }
    table.recordCount = static_cast<long>(recordCount);
    if (!withRecords) return true;
    size_t dense = fieldCount * recordCount;
    if (dense > kDenseFloor && dense / kDensePerCell > sheet.cells.size())
        return status.Fail(TB_DAO_E_LIMIT,
                           CString("The sheet \"") + sheet.name + "\" is too sparse to be read as a table.");
    table.records.assign(recordCount, CDaoRecord(fieldCount, COleVariant::Null()));
    // The cells move into the records: the caller drops the sheet's cells afterwards.
    for (Cell& c : sheet.cells) {
        if (c.row == shape.firstRow) continue;
        table.records[c.row - shape.firstRow - 1][c.column - shape.firstColumn] = std::move(c.value);
    }
    table.loaded = true;
    return true;
}

class CExcelDaoDriver : public CDaoDriver {
public:
    explicit CExcelDaoDriver(int writeVersion) : m_writeVersion(writeVersion) {}

    bool ReadCatalog(const CString& path, std::vector<CDaoTableData>& tables, CString& version,
                     CDaoStatus& status) override {
        if (!tb_xls::ReadWorkbookFile(path, m_book, status)) return false;
        switch (m_book.version) {
            case tb_xls::kBiff2: version = "2.0"; break;
            case tb_xls::kBiff3: version = "3.0"; break;
            case tb_xls::kBiff4: version = "4.0"; break;
            case tb_xls::kBiff5: version = "5.0"; break;
            default: version = "8.0"; break;
        }
        m_single = m_book.version <= tb_xls::kBiff4 && m_book.sheets.size() == 1;
        tables.clear();
        for (Sheet& sheet : m_book.sheets) {
            CDaoTableData table;
            table.name = sheet.name + "$";
            if (!BuildTable(sheet, table, false, status)) return false;
            tables.push_back(std::move(table));
        }
        return true;
    }

    bool ReadRecords(CDaoTableData& table, CDaoStatus& status) override {
        for (Sheet& sheet : m_book.sheets) {
            if ((sheet.name + "$").CompareNoCase(table.name) != 0) continue;
            if (!BuildTable(sheet, table, true, status)) return false;
            // The cells are now in the records; keep memory to one copy.
            std::vector<Cell>().swap(sheet.cells);
            return true;
        }
        return status.Fail(TB_DAO_E_NOT_FOUND, CString("No sheet for the table \"") + table.name + "\".");
    }

    bool WriteFile(const CString& path, const std::vector<CDaoTableData>& tables, CDaoStatus& status) override {
        return tb_xls::WriteWorkbookFile(path, m_writeVersion, tables, status);
    }

    CString GetWriteVersion() const override {
        switch (m_writeVersion) {
            case tb_xls::kBiff3: return "3.0";
            case tb_xls::kBiff4: return "4.0";
            case tb_xls::kBiff5: return "5.0";
            default: return "8.0";
        }
    }

    bool CheckTableName(const CString& name, CDaoStatus& status) const override {
        CString sheet = name;
        if (sheet.GetLength() > 0 && sheet[sheet.GetLength() - 1] == '$') sheet = sheet.Left(sheet.GetLength() - 1);
        if (sheet.IsEmpty()) return status.Fail(TB_DAO_E_NAME, "A sheet needs a name.");
        if (tb_xls::Utf8ToUtf16(sheet).size() > 31)
            return status.Fail(TB_DAO_E_NAME,
                               CString("The sheet name \"") + sheet + "\" is longer than 31 characters.");
        if (sheet.FindOneOf(":\\/?*[]") >= 0)
            return status.Fail(TB_DAO_E_NAME,
                               CString("The sheet name \"") + sheet + "\" has a character that is not allowed.");
        return true;
    }

    CString StoredTableName(const CString& name) const override {
        if (name.GetLength() > 0 && name[name.GetLength() - 1] == '$') return name;
        return name + "$";
    }

    bool SingleTableFile() const override { return m_single; }

private:
    int m_writeVersion;
    tb_xls::Workbook m_book;
    bool m_single = false;
};

}  // namespace

std::unique_ptr<CDaoDriver> CreateExcelDaoDriver(const CString& connect, CDaoStatus& status) {
    // "Excel 8.0;" and the like; options after the first ";" do not matter here.
    CString version = connect.Mid(5);
    int semicolon = version.Find(';');
    if (semicolon >= 0) version = version.Left(semicolon);
    version.Trim();
    int biff = 0;
    if (version == "3.0")
        biff = tb_xls::kBiff3;
    else if (version == "4.0")
        biff = tb_xls::kBiff4;
    else if (version == "5.0" || version == "7.0")
        biff = tb_xls::kBiff5;
    else if (version == "8.0" || version == "97")
        biff = tb_xls::kBiff8;
    if (biff == 0) {
        status.Fail(TB_DAO_E_UNSUPPORTED, CString("No workbook driver for the connect string \"") + connect + "\".");
        return nullptr;
    }
    return std::unique_ptr<CDaoDriver>(new CExcelDaoDriver(biff));
}
