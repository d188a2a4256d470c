/// \file
/// \brief The table layer: databases, table definitions and recordsets in the shape the exchange engine has always used for spreadsheet and database files.
// The table layer: databases, table definitions and recordsets in the shape the
// exchange engine has always used for spreadsheet and database files. A database is a
// file of tables; a table has named, typed fields and a sequence of records, each record
// one value (a COleVariant) per field.
//
// Files are reached through drivers (exchange/dao_driver.h), one per file kind: Excel
// workbooks of versions 3.0, 4.0, 5.0/95 and 97 (a worksheet is a table named with a
// trailing "$"; its first row holds the field names, every further row is a record) and
// Access databases. The driver is chosen by the connect string ("Excel 8.0;" and so on)
// and, where that is empty, by the file's content.
//
// Errors: nothing throws. Every operation that can fail returns an int, 1 for success
// and 0 for failure (counts and values have their own documented failure values); the
// object then holds a code from TBDaoError (GetLastErrorCode) and an English text that
// names the case (GetLastErrorText). A successful operation resets both. The code lets a
// caller map a failure to its own message (a duplicate field name, a file that cannot be
// opened...); the text is for logs and diagnostics.
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/types/cstring.h>
#include <toolbox/types/variant.h>
#include <toolbox/types/windef.h>

#include <memory>

// ---------------------------------------------------------------- constants

/// Field types (the numbers the database engine stores).
enum : short {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
};

/// Field attributes.
///@{
constexpr long dbFixedField = 0x0001;
constexpr long dbVariableField = 0x0002;
constexpr long dbAutoIncrField = 0x0010;
constexpr long dbUpdatableField = 0x0020;
///@}

/// Table attribute of the database's own system tables.
constexpr long dbSystemObject = static_cast<long>(0x80000002L);

/// Recordset types: only table-type recordsets exist here.
constexpr int dbOpenTable = 1;

/// Database format options of CDaoDatabase::Create.
///@{
constexpr int dbVersion30 = 0x20;
constexpr int dbVersion40 = 0x40;
///@}

/// Collation and code page of a new database ("general" sort order).
#define dbLangGeneral ";LANGID=0x0409;CP=1252;COUNTRY=0"

/// Information levels of the Get...Info members; every level fills every field here.
///@{
constexpr DWORD AFX_DAO_PRIMARY_INFO = 0x0001;
constexpr DWORD AFX_DAO_SECONDARY_INFO = 0x0002;
constexpr DWORD AFX_DAO_ALL_INFO = 0x0003;
///@}

/// Failure codes of the table layer (GetLastErrorCode).
enum TBDaoError : int {
    TB_DAO_OK = 0,
    TB_DAO_E_OPEN = 1,          ///< the file cannot be opened or read
    TB_DAO_E_FORMAT = 2,        ///< the file is damaged or of a kind no driver reads
    TB_DAO_E_WRITE = 3,         ///< the file cannot be written
    TB_DAO_E_EXISTS = 4,        ///< Create: the file already exists
    TB_DAO_E_NOT_FOUND = 5,     ///< no table or field of that name or index
    TB_DAO_E_DUPLICATE = 6,     ///< a table or field of that name already exists
    TB_DAO_E_NAME = 7,          ///< the name is empty or has a character not allowed
    TB_DAO_E_STATE = 8,         ///< the object is not in a state for this operation
    TB_DAO_E_TYPE = 9,          ///< a value cannot be converted to the field's type
    TB_DAO_E_LIMIT = 10,        ///< the file kind cannot hold that many rows, columns or characters
    TB_DAO_E_MEMORY = 11,       ///< not enough memory
    TB_DAO_E_ARGUMENT = 12,     ///< a null pointer or an index out of range
    TB_DAO_E_UNSUPPORTED = 13,  ///< no driver for that connect string or file
};

// ---------------------------------------------------------------- information records

/// Describes one table of a database (CDaoDatabase::GetTableDefInfo).
struct TB_EXPORT CDaoTableDefInfo {
    CString m_strName;  ///< table name; a worksheet's name carries a trailing "$"
    BOOL m_bUpdatable = TRUE;  ///< False for tables that cannot be changed.
    long m_lAttributes = 0;  ///< dbSystemObject for the engine's own tables
    CString m_strSrcTableName;  ///< Source table of a linked table (none here: empty).
    CString m_strConnect;  ///< Connect string of a linked table (none here: empty).
    CString m_strValidationRule;  ///< Validation rule of the table (kept, not enforced).
    CString m_strValidationText;  ///< Text shown when the validation rule fails (kept, not enforced).
    long m_lRecordCount = 0;  ///< Number of records.
};

/// Describes one field of a table (CDaoTableDef::GetFieldInfo).
struct TB_EXPORT CDaoFieldInfo {
    CString m_strName;  ///< Field name.
    short m_nType = 0;             ///< dbDouble, dbText...
    long m_lSize = 0;              ///< bytes of a number, characters of a text
    long m_lAttributes = 0;        ///< dbVariableField | dbUpdatableField...
    short m_nOrdinalPosition = 0;  ///< 0-based position in the table
    BOOL m_bRequired = FALSE;  ///< True when the field must have a value.
    BOOL m_bAllowZeroLength = TRUE;  ///< True when a text field may hold the empty text.
    long m_lCollatingOrder = 0;  ///< Collating order of text comparisons.
    CString m_strForeignName;  ///< Name of the field in a foreign table (linked tables only).
    CString m_strSourceField;  ///< Field of the source table (linked tables only).
    CString m_strSourceTable;  ///< Source table (linked tables only).
    CString m_strValidationRule;  ///< Validation rule of the field (kept, not enforced).
    CString m_strValidationText;  ///< Text shown when the validation rule fails (kept, not enforced).
    CString m_strDefaultValue;  ///< Default value, as text.
};

class CDaoTableDef;
class CDaoRecordset;
struct CDaoDatabaseState;
struct CDaoTableDefState;
struct CDaoRecordsetState;

// ---------------------------------------------------------------- database

/// A database file opened through its driver. Tables read from a file are loaded when
/// first opened; tables and records added are written to the file by Close (or by the
/// destructor) in one go, so a failed write leaves no half-changed file behind other
/// than the one being written.
class TB_EXPORT CDaoDatabase {
public:
    /// A database object without workspace (the only kind there is here).
    CDaoDatabase();
    /// Closes the database (writing changes) when it is still open.
    virtual ~CDaoDatabase();
    CDaoDatabase(const CDaoDatabase&) = delete;
    CDaoDatabase& operator=(const CDaoDatabase&) = delete;

    /// Creates a new, empty Access database at name. locale is a collation string such
    /// as dbLangGeneral, options the format (dbVersion30, dbVersion40). Fails with
    /// TB_DAO_E_EXISTS when the file exists, TB_DAO_E_UNSUPPORTED without an Access
    /// driver. The file is written by Close.
    int Create(const char* name, const char* locale = dbLangGeneral, int options = 0);

    /// Opens the database name. connect selects the driver: "Excel 3.0;", "Excel 4.0;",
    /// "Excel 5.0;", "Excel 7.0;" (the same as 5.0) or "Excel 8.0;" for workbooks (options
    /// after the first ";" are ignored), empty for Access (or any file the content tells).
    /// A workbook opened for writing that does not exist yet is created empty and written
    /// by Close in the connect string's version; an existing file is read in whatever
    /// version it has. exclusive is accepted and has no effect.
    int Open(const char* name, BOOL exclusive = FALSE, BOOL readOnly = FALSE, const char* connect = "");

    /// Writes the changes (when any) and closes. Returns 0 when writing failed; the
    /// database is closed either way.
    int Close();

    /// True between a successful Create or Open and Close.
    BOOL IsOpen() const;
    /// The file name given to Create or Open.
    CString GetName() const;
    /// The connect string given to Open.
    CString GetConnect() const;
    /// The format version of the open file: "2.0", "3.0", "4.0", "5.0" or "8.0" for a
    /// workbook, "3.0" or "4.0" for an Access database; empty when nothing is open.
    CString GetVersion() const;

    /// Number of tables, -1 when nothing is open.
    short GetTableDefCount() const;
    /// Fills info for the table at index (0-based). Returns 0 for a bad index.
    int GetTableDefInfo(int index, CDaoTableDefInfo& info, DWORD infoOptions = AFX_DAO_PRIMARY_INFO) const;
    /// Removes a table. Returns 0 when there is none of that name.
    int DeleteTableDef(const char* name);

    /// Last failure (TBDaoError) and its text; TB_DAO_OK and empty after a success.
    int GetLastErrorCode() const;
    /// English text of the last failure; empty after a success.
    CString GetLastErrorText() const;

private:
    friend class CDaoTableDef;
    friend class CDaoRecordset;
    std::unique_ptr<CDaoDatabaseState> m_state;
};

// ---------------------------------------------------------------- table definition

/// A table of an open database: either a new table being defined (Create, CreateField,
/// Append) or an existing one (Open). Field names compare without regard to ASCII case.
class TB_EXPORT CDaoTableDef {
public:
    /// A table definition in database (not owned; must outlive this object).
    explicit CDaoTableDef(CDaoDatabase* database);
    virtual ~CDaoTableDef();
    CDaoTableDef(const CDaoTableDef&) = delete;
    CDaoTableDef& operator=(const CDaoTableDef&) = delete;

    /// Starts a new table definition called name (not yet part of the database).
    /// attributes, sourceTable and connect are accepted for linked tables and ignored.
    int Create(const char* name, long attributes = 0, const char* sourceTable = nullptr, const char* connect = nullptr);
    /// Adds a field to a table being defined. Fails with TB_DAO_E_DUPLICATE for a name
    /// already used, TB_DAO_E_NAME for an empty name or one with . ! ` [ ] or a control
    /// character.
    int CreateField(const char* name, short type, long size, long attributes = 0);
    /// CreateField from a field description (name, type, size, attributes).
    int CreateField(const CDaoFieldInfo& info);
    /// Makes the new table part of the database. Fails with TB_DAO_E_DUPLICATE when a
    /// table of that name exists.
    int Append();
    /// Opens an existing table. A workbook's table answers to its sheet name with or
    /// without the trailing "$"; names compare without regard to ASCII case.
    int Open(const char* name);
    /// Closes the table definition; a table being defined and not appended is dropped.
    void Close();

    /// True after a successful Open, or Create until Close.
    BOOL IsOpen() const;
    /// The table's name as the database stores it ("Data$" for a worksheet).
    CString GetName() const;
    /// Number of fields, -1 when not open.
    short GetFieldCount() const;
    /// Fills info for the field at index; 0 for a bad index.
    int GetFieldInfo(int index, CDaoFieldInfo& info, DWORD infoOptions = AFX_DAO_PRIMARY_INFO) const;
    /// Fills info for the field called name; 0 when there is none.
    int GetFieldInfo(const char* name, CDaoFieldInfo& info, DWORD infoOptions = AFX_DAO_PRIMARY_INFO) const;
    /// Number of records, -1 when not open or when the records cannot be read.
    long GetRecordCount() const;

    /// The last failure (TBDaoError); TB_DAO_OK after a success.
    int GetLastErrorCode() const;
    /// English text of the last failure; empty after a success.
    CString GetLastErrorText() const;

private:
    friend class CDaoRecordset;
    std::unique_ptr<CDaoTableDefState> m_state;
};

// ---------------------------------------------------------------- recordset

/// A table-type recordset: walks the records of a table and appends new ones.
class TB_EXPORT CDaoRecordset {
public:
    /// A recordset of database (not owned; must outlive this object).
    explicit CDaoRecordset(CDaoDatabase* database = nullptr);
    virtual ~CDaoRecordset();
    CDaoRecordset(const CDaoRecordset&) = delete;
    CDaoRecordset& operator=(const CDaoRecordset&) = delete;

    /// Opens the records of an open (or appended) table definition and positions on the
    /// first record. openType must be dbOpenTable; options are ignored.
    int Open(CDaoTableDef* tableDef, int openType = dbOpenTable, int options = 0);
    /// Closes the recordset; a record started by AddNew and not updated is dropped.
    void Close();
    /// True between a successful Open and Close.
    BOOL IsOpen() const;

    /// Starts a new record, every field Null.
    int AddNew();
    /// Sets a field of the record started by AddNew. A number for a text field becomes
    /// its text ("%.15g"); a text for a number field must read as a number completely
    /// (TB_DAO_E_TYPE otherwise); Null and empty variants leave the field empty.
    int SetFieldValue(int index, const COleVariant& value);
    /// SetFieldValue for the field called name (ASCII case ignored); 0 with TB_DAO_E_NOT_FOUND when there is none.
    int SetFieldValue(const char* name, const COleVariant& value);
    /// Appends the record started by AddNew to the table.
    int Update();
    /// Drops the record started by AddNew.
    void CancelUpdate();

    /// The value of a field of the current record; an empty variant (VT_EMPTY) with
    /// TB_DAO_E_STATE at the end of the records, TB_DAO_E_NOT_FOUND for a bad field.
    /// An empty cell reads as VT_NULL.
    COleVariant GetFieldValue(int index);
    /// GetFieldValue for the field called name (ASCII case ignored).
    COleVariant GetFieldValue(const char* name);

    /// Reads whole fields into number storage, the fast way to fill channels:
    /// values[i] (fieldCount entries, null: field i skipped) receives field i of the
    /// first count records as doubles (a date its serial day number, currency its
    /// value, a boolean -1 or 0, a text the number it reads as, Null 0). Straight from
    /// the file when the driver can, from the records otherwise. Returns the number of
    /// records stored (at most count), -1 on failure; the current record stays.
    long GetNumberColumns(double* const* values, int fieldCount, long count);

    /// Makes the first record current; 1, or 0 when not open.
    int MoveFirst();
    /// Makes the next record current (IsEOF after the last); 0 when not open or already at the end.
    int MoveNext();
    /// True past the last record (and for an empty table or a recordset that is not open).
    BOOL IsEOF() const;
    /// True when there are no records (or the recordset is not open).
    BOOL IsBOF() const;
    /// Number of records, -1 when not open.
    long GetRecordCount() const;
    /// Number of fields, -1 when not open.
    short GetFieldCount() const;

    /// The last failure (TBDaoError); TB_DAO_OK after a success.
    int GetLastErrorCode() const;
    /// English text of the last failure; empty after a success.
    CString GetLastErrorText() const;

private:
    std::unique_ptr<CDaoRecordsetState> m_state;
};
