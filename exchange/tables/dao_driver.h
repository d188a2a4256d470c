// The driver interface behind the table layer (exchange/dao.h). One driver per file
// kind; a driver object serves one database object from Open or Create to Close and may
// keep whatever it parsed of the file in between.
//
// The table layer holds a database as a list of tables in memory (CDaoTableData). A
// driver fills that list from a file (ReadCatalog: names, fields, record counts; then
// ReadRecords for the tables that are opened) and writes the whole list as a new file
// (WriteFile). Drivers never throw: they return false and describe the failure in the
// CDaoStatus they are given (a TBDaoError code and a text).
//
// Registering a driver: the workbook driver is built in. An Access driver plugs in by
// providing the header "exchange/dao_access.h" that declares
//     std::unique_ptr<CDaoDriver> CreateAccessDaoDriver();
// and a source defining it; the table layer picks it up when that header exists.
#pragma once

#include <toolbox/exchange/dao.h>

#include <memory>
#include <vector>

/// Outcome of a driver call: a TBDaoError code and an English text.
struct CDaoStatus {
    int code = TB_DAO_OK;
    CString text;

    /// Records a failure and returns false, so that drivers can `return status.Fail(...)`.
    bool Fail(int failureCode, const CString& failureText) {
        code = failureCode;
        text = failureText;
        return false;
    }
    void Reset() {
        code = TB_DAO_OK;
        text.Empty();
    }
};

/// A field as the table layer keeps it.
struct CDaoFieldDef {
    CString name;
    short type = dbDouble;
    long size = 8;
    long attributes = dbVariableField | dbUpdatableField;
};

/// One record: one value per field, in field order. VT_NULL (or VT_EMPTY) is an empty cell.
typedef std::vector<COleVariant> CDaoRecord;

/// One table of a database.
struct CDaoTableData {
    CString name;         ///< as stored: a worksheet's name ends in "$"
    long attributes = 0;  ///< dbSystemObject for the engine's own tables
    std::vector<CDaoFieldDef> fields;
    long recordCount = 0;  ///< known from ReadCatalog even before loading
    bool loaded = false;   ///< records holds every record
    std::vector<CDaoRecord> records;
};

/// A file kind the table layer reads and writes.
class CDaoDriver {
public:
    virtual ~CDaoDriver() = default;

    /// Reads the table directory of the existing file path: every table with its name,
    /// attributes, fields and record count (loaded may be set when the records came
    /// along at no extra cost). version receives the file's format version ("8.0"...).
    virtual bool ReadCatalog(const CString& path, std::vector<CDaoTableData>& tables, CString& version,
                             CDaoStatus& status) = 0;

    /// Loads every record of a table that ReadCatalog listed (same driver object, same
    /// file) and sets loaded. Each record has exactly table.fields.size() values.
    virtual bool ReadRecords(CDaoTableData& table, CDaoStatus& status) = 0;

    /// True when the records of a table ReadCatalog listed are known to load (the file
    /// was checked): a recordset then loads them only when a value is first asked for.
    virtual bool RecordsChecked(const CDaoTableData& table) const {
        (void)table;
        return false;
    }

    /// Reads number fields of a table that is not loaded straight from the file into
    /// number storage, without records in between: values[i] (one per field, null:
    /// not wanted) receives field i of the first limit records as doubles, as
    /// tb_exchange::VariantNumber gives them. stored receives the records stored. Fails
    /// with TB_DAO_E_UNSUPPORTED when the driver cannot for these fields: the caller
    /// then loads the records.
    virtual bool ReadNumberColumns(CDaoTableData& table, const std::vector<double*>& values, long limit, long& stored,
                                   CDaoStatus& status) {
        (void)table;
        (void)values;
        (void)limit;
        stored = 0;
        return status.Fail(TB_DAO_E_UNSUPPORTED, "The values are read record by record.");
    }

    /// Writes tables (all loaded) as a new file at path, replacing what is there.
    /// A driver that cannot hold the data (too many rows, columns, characters, tables)
    /// fails with TB_DAO_E_LIMIT before it writes anything.
    virtual bool WriteFile(const CString& path, const std::vector<CDaoTableData>& tables, CDaoStatus& status) = 0;

    /// The format version a file written by this driver reports ("8.0", "4.0"...).
    virtual CString GetWriteVersion() const = 0;

    /// True when a table name is valid for this file kind; otherwise sets status.
    virtual bool CheckTableName(const CString& name, CDaoStatus& status) const = 0;

    /// The name under which a table created as name is stored (a workbook adds "$").
    virtual CString StoredTableName(const CString& name) const { return name; }

    /// True for files that hold exactly one unnamed table (an Excel 2.0 to 4.0
    /// worksheet): that table then answers to any name.
    virtual bool SingleTableFile() const { return false; }
};

/// Chooses and creates the driver for a database: by the connect string when it names
/// a workbook version ("Excel 8.0;"), otherwise by the first bytes of the file at path
/// (a compound file or a worksheet stream: workbook driver; a Jet file: Access driver),
/// otherwise by the extension (".xls", ".mdb"). Null with status set when no driver fits.
std::unique_ptr<CDaoDriver> CreateDaoDriver(const CString& connect, const CString& path, CDaoStatus& status);

/// The workbook driver for a connect string's version ("Excel 3.0;" ... "Excel 8.0;");
/// null with status set for an unknown version.
std::unique_ptr<CDaoDriver> CreateExcelDaoDriver(const CString& connect, CDaoStatus& status);
