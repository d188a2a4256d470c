// The table layer: databases, table definitions and recordsets over in-memory tables
// that a driver (exchange/dao_driver.h) reads from and writes to a file.
#include <toolbox/exchange/dao.h>

#include "exchange/tables/dao_driver.h"
#include "platform/types/byte_order.h"
#include "exchange/value_convert.h"

#include "exchange/tables/jet/dao_access.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>
#include <sys/stat.h>

// ---------------------------------------------------------------- object states

struct CDaoDatabaseState {
    bool open = false;
    bool readOnly = false;
    bool modified = false;
    int generation = 0;  // bumped when tables are removed or the database closes
    CString name;
    CString connect;
    CString version;
    std::unique_ptr<CDaoDriver> driver;
    std::vector<CDaoTableData> tables;
    CDaoStatus status;
};

struct CDaoTableDefState {
    CDaoDatabase* database = nullptr;
    bool creating = false;  // Create called, Append not yet
    bool open = false;      // refers to a table of the database
    int tableIndex = -1;
    int generation = 0;
    CDaoTableData pending;  // the table being defined
    CDaoStatus status;
};

struct CDaoRecordsetState {
    CDaoDatabase* database = nullptr;
    bool open = false;
    int tableIndex = -1;
    int generation = 0;
    long position = 0;
    bool adding = false;
    CDaoRecord newRecord;
    CDaoStatus status;
};

namespace {

bool FileExists(const CString& path) {
    struct stat st;
    return ::stat(path.GetString(), &st) == 0 && S_ISREG(st.st_mode);
}

CString ExtensionLower(const CString& path) {
    int slash = path.ReverseFind('/');
    int dot = path.ReverseFind('.');
    if (dot < 0 || dot < slash) return CString();
    CString ext = path.Mid(dot);
    ext.MakeLower();
    return ext;
}

bool StartsWithNoCase(const CString& text, const char* prefix) {
    CString head = text.Left(static_cast<int>(std::char_traits<char>::length(prefix)));
    return head.CompareNoCase(prefix) == 0;
}

// Field names as the database engine allows them: not empty, no leading blank, none of
// the characters it reserves for paths and expressions, no control characters.
bool CheckFieldName(const CString& name, CDaoStatus& status) {
    if (name.IsEmpty() || name[0] == ' ')
        return status.Fail(TB_DAO_E_NAME, CString("Invalid field name \"") + name + "\".");
    for (int i = 0; i < name.GetLength(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
            return status.Fail(TB_DAO_E_NAME,
                               CString("The field name \"") + name + "\" has a character that is not allowed.");
    }
    return true;
}

int FindTable(const std::vector<CDaoTableData>& tables, const CString& name) {
    for (size_t i = 0; i < tables.size(); ++i)
        if (tables[i].name.CompareNoCase(name) == 0) return static_cast<int>(i);
    return -1;
}

int FindField(const std::vector<CDaoFieldDef>& fields, const char* name) {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.CompareNoCase(name ? name : "") == 0) return static_cast<int>(i);
    return -1;
}

bool IsNumericType(short type) {
    switch (type) {
        case dbBoolean:
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbCurrency:
        case dbSingle:
        case dbDouble:
        case dbDate: return true;
        default: return false;
    }
}

// The number a variant holds; false for texts that are not a number and for Null.
bool VariantNumber(const COleVariant& v, double& out) {
    switch (v.vt) {
        case VT_UI1: out = v.bVal; return true;
        case VT_I2: out = v.iVal; return true;
        case VT_I4: out = v.lVal; return true;
        case VT_R4: out = v.fltVal; return true;
        case VT_R8: out = v.dblVal; return true;
        case VT_DATE: out = v.date; return true;
        case VT_BOOL: out = v.boolVal ? -1.0 : 0.0; return true;
        case VT_CY: out = static_cast<double>(v.cyVal.int64) / 10000.0; return true;
        case VT_BSTR: {
            std::string_view t = v.GetText().view();
            while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
            while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
            if (!t.empty() && t.front() == '+') t.remove_prefix(1);
            if (t.empty()) return false;
            auto r = std::from_chars(t.data(), t.data() + t.size(), out);
            return r.ec == std::errc() && r.ptr == t.data() + t.size();
        }
        default: return false;
    }
}

CString NumberText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return CString(buffer);
}

// Converts a value to what a field of the given type stores.
bool ConvertForField(const COleVariant& value, short type, COleVariant& out, CDaoStatus& status) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        out = COleVariant::Null();
        return true;
    }
    if (!IsNumericType(type)) {
        if (value.vt == VT_BSTR) {
            out = value;
            return true;
        }
        double number = 0;
        if (!VariantNumber(value, number)) return status.Fail(TB_DAO_E_TYPE, "The value cannot be stored as text.");
        out = COleVariant(NumberText(number));
        return true;
    }
    double number = 0;
    if (!VariantNumber(value, number))
        return status.Fail(TB_DAO_E_TYPE,
                           CString("Data type conversion error: \"") + value.GetText() + "\" is not a number.");
    switch (type) {
        case dbBoolean: out = COleVariant(static_cast<short>(number != 0 ? 1 : 0), VT_BOOL); break;
        case dbByte:
            if (!(number >= 0 && number <= 255)) return status.Fail(TB_DAO_E_TYPE, "Numeric field overflow.");
            out = COleVariant(static_cast<BYTE>(std::lround(number)));
            break;
        case dbInteger:
            if (!(number >= -32768 && number <= 32767)) return status.Fail(TB_DAO_E_TYPE, "Numeric field overflow.");
            out = COleVariant(static_cast<short>(std::lround(number)));
            break;
        case dbLong:
            if (!(number >= -2147483648.0 && number <= 2147483647.0))
                return status.Fail(TB_DAO_E_TYPE, "Numeric field overflow.");
            out = COleVariant(static_cast<std::int32_t>(std::lround(number)));
            break;
        case dbSingle: out = COleVariant(static_cast<float>(number)); break;
        case dbDate: out = COleVariant::Date(number); break;
        case dbCurrency: {
            if (!(std::fabs(number) < 9.2e14)) return status.Fail(TB_DAO_E_TYPE, "Numeric field overflow.");
            CY cy;
            cy.int64 = static_cast<std::int64_t>(std::llround(number * 10000.0));
            out = COleVariant(cy);
            break;
        }
        default: out = COleVariant(number); break;
    }
    return true;
}

void FillFieldInfo(const CDaoFieldDef& field, int index, CDaoFieldInfo& info) {
    info = CDaoFieldInfo();
    info.m_strName = field.name;
    info.m_nType = field.type;
    info.m_lSize = field.size;
    info.m_lAttributes = field.attributes;
    info.m_nOrdinalPosition = static_cast<short>(index);
    info.m_bAllowZeroLength = field.type == dbText || field.type == dbMemo;
}

// Reads the first bytes of a file (fewer when it is shorter).
std::string FileHead(const CString& path, size_t count) {
    std::ifstream in(path.GetString(), std::ios::binary);
    std::string head(count, '\0');
    if (!in) return std::string();
    in.read(&head[0], static_cast<std::streamsize>(count));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

bool LooksLikeWorkbook(const std::string& head) {
    static const char ole[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (head.size() >= 8 && head.compare(0, 8, ole, 8) == 0) return true;
    // A bare worksheet stream starts with a BOF record of some version.
    if (head.size() >= 4) {
        const unsigned id = tb_bytes::LoadU16(reinterpret_cast<const unsigned char*>(head.data()));
        return id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809;
    }
    return false;
}

bool LooksLikeJet(const std::string& head) {
    return head.size() >= 19 &&
           (head.compare(4, 15, "Standard Jet DB") == 0 || head.compare(4, 15, "Standard ACE DB") == 0);
}

std::unique_ptr<CDaoDriver> CreateAccessDriver(CDaoStatus& status) {
    std::unique_ptr<CDaoDriver> driver = CreateAccessDaoDriver();
    if (!driver) status.Fail(TB_DAO_E_UNSUPPORTED, "The Access driver is not available.");
    return driver;
}

}  // namespace

// ---------------------------------------------------------------- driver choice

std::unique_ptr<CDaoDriver> CreateDaoDriver(const CString& connect, const CString& path, CDaoStatus& status) {
    if (StartsWithNoCase(connect, "Excel")) return CreateExcelDaoDriver(connect, status);
    if (!connect.IsEmpty() && connect[0] != ';') {
        status.Fail(TB_DAO_E_UNSUPPORTED, CString("No driver for the connect string \"") + connect + "\".");
        return nullptr;
    }
    std::string head = FileHead(path, 32);
    if (LooksLikeWorkbook(head)) return CreateExcelDaoDriver("Excel 8.0;", status);
    if (LooksLikeJet(head)) return CreateAccessDriver(status);
    if (!head.empty() && ExtensionLower(path) != ".mdb" && ExtensionLower(path) != ".xls") {
        status.Fail(TB_DAO_E_FORMAT, CString("The file \"") + path + "\" is not a database or workbook.");
        return nullptr;
    }
    if (ExtensionLower(path) == ".xls") return CreateExcelDaoDriver("Excel 8.0;", status);
    return CreateAccessDriver(status);
}

// ---------------------------------------------------------------- CDaoDatabase

CDaoDatabase::CDaoDatabase() : m_state(new CDaoDatabaseState) {}

CDaoDatabase::~CDaoDatabase() {
    if (m_state->open) Close();
}

int CDaoDatabase::Create(const char* name, const char* locale, int options) {
    (void)locale;
    (void)options;
    CDaoDatabaseState& s = *m_state;
    s.status.Reset();
    if (s.open) return s.status.Fail(TB_DAO_E_STATE, "The database is already open."), 0;
    CString path(name);
    if (path.IsEmpty()) return s.status.Fail(TB_DAO_E_ARGUMENT, "No database name."), 0;
    if (FileExists(path))
        return s.status.Fail(TB_DAO_E_EXISTS, CString("The database \"") + path + "\" already exists."), 0;
    std::unique_ptr<CDaoDriver> driver =
        ExtensionLower(path) == ".xls" ? CreateExcelDaoDriver("Excel 8.0;", s.status) : CreateAccessDriver(s.status);
    if (!driver) return 0;
    s.driver = std::move(driver);
    s.name = path;
    s.connect.Empty();
    s.version = s.driver->GetWriteVersion();
    s.tables.clear();
    s.open = true;
    s.readOnly = false;
    s.modified = true;  // a created database is written even when it stays empty
    return 1;
}

int CDaoDatabase::Open(const char* name, BOOL exclusive, BOOL readOnly, const char* connect) {
    (void)exclusive;
    CDaoDatabaseState& s = *m_state;
    s.status.Reset();
    if (s.open) return s.status.Fail(TB_DAO_E_STATE, "The database is already open."), 0;
    CString path(name);
    CString connectText(connect);
    if (path.IsEmpty()) return s.status.Fail(TB_DAO_E_ARGUMENT, "No database name."), 0;
    bool exists = FileExists(path);
    if (!exists && (readOnly || !StartsWithNoCase(connectText, "Excel")))
        return s.status.Fail(TB_DAO_E_OPEN, CString("The file \"") + path + "\" cannot be found."), 0;
    std::unique_ptr<CDaoDriver> driver = CreateDaoDriver(connectText, path, s.status);
    if (!driver) return 0;
    std::vector<CDaoTableData> tables;
    CString version;
    if (exists) {
        try {
            if (!driver->ReadCatalog(path, tables, version, s.status)) return 0;
        } catch (const std::bad_alloc&) {
            return s.status.Fail(TB_DAO_E_MEMORY, "Not enough memory to read the file."), 0;
        }
    } else {
        version = driver->GetWriteVersion();
    }
    s.driver = std::move(driver);
    s.tables = std::move(tables);
    s.name = path;
    s.connect = connectText;
    s.version = version;
    s.open = true;
    s.readOnly = readOnly != FALSE;
    s.modified = !exists;  // a new workbook is written by Close even without tables
    return 1;
}

int CDaoDatabase::Close() {
    CDaoDatabaseState& s = *m_state;
    s.status.Reset();
    if (!s.open) return 1;
    bool ok = true;
    if (s.modified && !s.readOnly) {
        try {
            for (CDaoTableData& table : s.tables)
                if (!table.loaded && !s.driver->ReadRecords(table, s.status)) {
                    ok = false;
                    break;
                }
            if (ok) ok = s.driver->WriteFile(s.name, s.tables, s.status);
        } catch (const std::bad_alloc&) {
            ok = s.status.Fail(TB_DAO_E_MEMORY, "Not enough memory to write the file.");
        }
    }
    CDaoStatus kept = s.status;
    s.open = false;
    s.modified = false;
    s.tables.clear();
    s.driver.reset();
    ++s.generation;
    s.status = kept;
    return ok ? 1 : 0;
}

BOOL CDaoDatabase::IsOpen() const { return m_state->open; }
CString CDaoDatabase::GetName() const { return m_state->name; }
CString CDaoDatabase::GetConnect() const { return m_state->connect; }
CString CDaoDatabase::GetVersion() const { return m_state->open ? m_state->version : CString(); }

short CDaoDatabase::GetTableDefCount() const { return m_state->open ? static_cast<short>(m_state->tables.size()) : -1; }

int CDaoDatabase::GetTableDefInfo(int index, CDaoTableDefInfo& info, DWORD infoOptions) const {
    (void)infoOptions;
    CDaoDatabaseState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The database is not open."), 0;
    if (index < 0 || index >= static_cast<int>(s.tables.size()))
        return s.status.Fail(TB_DAO_E_ARGUMENT, "Table index out of range."), 0;
    const CDaoTableData& t = s.tables[static_cast<size_t>(index)];
    info = CDaoTableDefInfo();
    info.m_strName = t.name;
    info.m_bUpdatable = !s.readOnly;
    info.m_lAttributes = t.attributes;
    info.m_strConnect = s.connect;
    info.m_lRecordCount = t.recordCount;
    return 1;
}

int CDaoDatabase::DeleteTableDef(const char* name) {
    CDaoDatabaseState& s = *m_state;
    s.status.Reset();
    if (!s.open || s.readOnly) return s.status.Fail(TB_DAO_E_STATE, "The database is not open for writing."), 0;
    int index = FindTable(s.tables, CString(name));
    if (index < 0) return s.status.Fail(TB_DAO_E_NOT_FOUND, CString("No table \"") + name + "\"."), 0;
    s.tables.erase(s.tables.begin() + index);
    s.modified = true;
    ++s.generation;
    return 1;
}

int CDaoDatabase::GetLastErrorCode() const { return m_state->status.code; }
CString CDaoDatabase::GetLastErrorText() const { return m_state->status.text; }

// ---------------------------------------------------------------- CDaoTableDef

namespace {

// The table a definition or recordset refers to, or null (status set) when the
// database was closed or changed under it.
CDaoTableData* ResolveTable(CDaoDatabase* db, CDaoDatabaseState* dbs, int index, int generation, CDaoStatus& status) {
    if (!db || !dbs->open || dbs->generation != generation || index < 0 ||
        index >= static_cast<int>(dbs->tables.size())) {
        status.Fail(TB_DAO_E_STATE, "The table is not open.");
        return nullptr;
    }
    return &dbs->tables[static_cast<size_t>(index)];
}

// Loads the records of a table read from a file, once.
bool LoadRecords(CDaoDatabaseState& dbs, CDaoTableData& table, CDaoStatus& status) {
    if (table.loaded) return true;
    try {
        if (!dbs.driver->ReadRecords(table, status)) return false;
    } catch (const std::bad_alloc&) {
        return status.Fail(TB_DAO_E_MEMORY, "Not enough memory to read the table.");
    }
    table.loaded = true;
    table.recordCount = static_cast<long>(table.records.size());
    return true;
}

// Records of a table, loaded or not (a table whose records are not loaded is one the
// driver checked, whose count is exact).
long RecordCountOf(const CDaoTableData& table) {
    return table.loaded ? static_cast<long>(table.records.size()) : table.recordCount;
}

}  // namespace

CDaoTableDef::CDaoTableDef(CDaoDatabase* database) : m_state(new CDaoTableDefState) { m_state->database = database; }

CDaoTableDef::~CDaoTableDef() = default;

int CDaoTableDef::Create(const char* name, long attributes, const char* sourceTable, const char* connect) {
    (void)attributes;
    (void)sourceTable;
    (void)connect;
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (!s.database || !s.database->m_state->open) return s.status.Fail(TB_DAO_E_STATE, "The database is not open."), 0;
    if (s.database->m_state->readOnly) return s.status.Fail(TB_DAO_E_STATE, "The database is open read-only."), 0;
    CString tableName(name);
    if (!s.database->m_state->driver->CheckTableName(tableName, s.status)) return 0;
    s.pending = CDaoTableData();
    s.pending.name = s.database->m_state->driver->StoredTableName(tableName);
    s.pending.loaded = true;
    s.creating = true;
    s.open = false;
    return 1;
}

int CDaoTableDef::CreateField(const char* name, short type, long size, long attributes) {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (!s.creating) return s.status.Fail(TB_DAO_E_STATE, "No table is being defined."), 0;
    CString fieldName(name);
    if (!CheckFieldName(fieldName, s.status)) return 0;
    if (FindField(s.pending.fields, fieldName) >= 0)
        return s.status.Fail(TB_DAO_E_DUPLICATE, CString("The field \"") + fieldName + "\" already exists."), 0;
    if (type != dbText && type != dbMemo && !IsNumericType(type))
        return s.status.Fail(TB_DAO_E_TYPE, "Field type not supported."), 0;
    CDaoFieldDef field;
    field.name = fieldName;
    field.type = type;
    field.size = size;
    field.attributes = attributes;
    s.pending.fields.push_back(field);
    return 1;
}

int CDaoTableDef::CreateField(const CDaoFieldInfo& info) {
    return CreateField(info.m_strName, info.m_nType, info.m_lSize, info.m_lAttributes);
}

int CDaoTableDef::Append() {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (!s.creating) return s.status.Fail(TB_DAO_E_STATE, "No table is being defined."), 0;
    CDaoDatabaseState& dbs = *s.database->m_state;
    if (!dbs.open) return s.status.Fail(TB_DAO_E_STATE, "The database is not open."), 0;
    if (s.pending.fields.empty()) return s.status.Fail(TB_DAO_E_STATE, "A table needs at least one field."), 0;
    if (FindTable(dbs.tables, s.pending.name) >= 0)
        return s.status.Fail(TB_DAO_E_DUPLICATE, CString("The table \"") + s.pending.name + "\" already exists."), 0;
    dbs.tables.push_back(std::move(s.pending));
    dbs.modified = true;
    s.pending = CDaoTableData();
    s.creating = false;
    s.open = true;
    s.tableIndex = static_cast<int>(dbs.tables.size()) - 1;
    s.generation = dbs.generation;
    return 1;
}

int CDaoTableDef::Open(const char* name) {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (!s.database || !s.database->m_state->open) return s.status.Fail(TB_DAO_E_STATE, "The database is not open."), 0;
    CDaoDatabaseState& dbs = *s.database->m_state;
    CString wanted(name);
    int index = FindTable(dbs.tables, wanted);
    if (index < 0) index = FindTable(dbs.tables, wanted + "$");
    // A worksheet file holds one unnamed sheet; it answers to whatever name is asked.
    if (index < 0 && dbs.tables.size() == 1 && dbs.driver->SingleTableFile()) index = 0;
    if (index < 0) return s.status.Fail(TB_DAO_E_NOT_FOUND, CString("No table \"") + wanted + "\" in the database."), 0;
    s.creating = false;
    s.open = true;
    s.tableIndex = index;
    s.generation = dbs.generation;
    return 1;
}

void CDaoTableDef::Close() {
    m_state->open = false;
    m_state->creating = false;
    m_state->tableIndex = -1;
}

BOOL CDaoTableDef::IsOpen() const { return m_state->open || m_state->creating; }

CString CDaoTableDef::GetName() const {
    CDaoTableDefState& s = *m_state;
    if (s.creating) return s.pending.name;
    CDaoStatus ignored;
    CDaoTableData* t =
        s.open ? ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, ignored) : nullptr;
    return t ? t->name : CString();
}

short CDaoTableDef::GetFieldCount() const {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (s.creating) return static_cast<short>(s.pending.fields.size());
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The table is not open."), -1;
    CDaoTableData* t = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    return t ? static_cast<short>(t->fields.size()) : -1;
}

// The fields of a table being created or of the open table (dbs: its database's
// state); null, with the status set, when the table is neither or no longer exists.
const std::vector<CDaoFieldDef>* CurrentFields(CDaoTableDefState& s, CDaoDatabaseState* dbs) {
    if (s.creating) return &s.pending.fields;
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The table is not open."), nullptr;
    CDaoTableData* t = ResolveTable(s.database, dbs, s.tableIndex, s.generation, s.status);
    return t ? &t->fields : nullptr;
}

int CDaoTableDef::GetFieldInfo(int index, CDaoFieldInfo& info, DWORD infoOptions) const {
    (void)infoOptions;
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    const std::vector<CDaoFieldDef>* fields = CurrentFields(s, s.open ? s.database->m_state.get() : nullptr);
    if (!fields) return 0;
    if (index < 0 || index >= static_cast<int>(fields->size()))
        return s.status.Fail(TB_DAO_E_ARGUMENT, "Field index out of range."), 0;
    FillFieldInfo((*fields)[static_cast<size_t>(index)], index, info);
    return 1;
}

int CDaoTableDef::GetFieldInfo(const char* name, CDaoFieldInfo& info, DWORD infoOptions) const {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    const std::vector<CDaoFieldDef>* fields = CurrentFields(s, s.open ? s.database->m_state.get() : nullptr);
    if (!fields) return 0;
    int index = FindField(*fields, name);
    if (index < 0) return s.status.Fail(TB_DAO_E_NOT_FOUND, CString("No field \"") + name + "\"."), 0;
    return GetFieldInfo(index, info, infoOptions);
}

long CDaoTableDef::GetRecordCount() const {
    CDaoTableDefState& s = *m_state;
    s.status.Reset();
    if (s.creating) return 0;
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The table is not open."), -1;
    CDaoTableData* t = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    return t ? t->recordCount : -1;
}

int CDaoTableDef::GetLastErrorCode() const { return m_state->status.code; }
CString CDaoTableDef::GetLastErrorText() const { return m_state->status.text; }

// ---------------------------------------------------------------- CDaoRecordset

CDaoRecordset::CDaoRecordset(CDaoDatabase* database) : m_state(new CDaoRecordsetState) { m_state->database = database; }

CDaoRecordset::~CDaoRecordset() = default;

int CDaoRecordset::Open(CDaoTableDef* tableDef, int openType, int options) {
    (void)options;
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is already open."), 0;
    if (!tableDef || !tableDef->m_state->open)
        return s.status.Fail(TB_DAO_E_ARGUMENT, "The table definition is not open."), 0;
    if (openType != dbOpenTable)
        return s.status.Fail(TB_DAO_E_ARGUMENT, "Only table-type recordsets are supported."), 0;
    CDaoTableDefState& ts = *tableDef->m_state;
    CDaoDatabaseState& dbs = *ts.database->m_state;
    CDaoTableData* table = ResolveTable(ts.database, &dbs, ts.tableIndex, ts.generation, s.status);
    if (!table) return 0;
    // Records a driver has checked load when a value is first asked for, so that a
    // recordset opened for its count or for whole number fields reads no records.
    if (!table->loaded && !dbs.driver->RecordsChecked(*table) && !LoadRecords(dbs, *table, s.status)) return 0;
    s.database = ts.database;
    s.tableIndex = ts.tableIndex;
    s.generation = ts.generation;
    s.position = 0;
    s.adding = false;
    s.open = true;
    return 1;
}

void CDaoRecordset::Close() {
    m_state->open = false;
    m_state->adding = false;
    m_state->newRecord.clear();
}

BOOL CDaoRecordset::IsOpen() const { return m_state->open; }

int CDaoRecordset::AddNew() {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), 0;
    CDaoDatabaseState& dbs = *s.database->m_state;
    if (dbs.readOnly) return s.status.Fail(TB_DAO_E_STATE, "The database is open read-only."), 0;
    CDaoTableData* table = ResolveTable(s.database, &dbs, s.tableIndex, s.generation, s.status);
    if (!table || !LoadRecords(dbs, *table, s.status)) return 0;
    s.newRecord.assign(table->fields.size(), COleVariant::Null());
    s.adding = true;
    return 1;
}

int CDaoRecordset::SetFieldValue(int index, const COleVariant& value) {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open || !s.adding) return s.status.Fail(TB_DAO_E_STATE, "No record is being added (AddNew)."), 0;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    if (!table) return 0;
    if (index < 0 || index >= static_cast<int>(table->fields.size()))
        return s.status.Fail(TB_DAO_E_NOT_FOUND, "Field index out of range."), 0;
    COleVariant converted;
    if (!ConvertForField(value, table->fields[static_cast<size_t>(index)].type, converted, s.status)) return 0;
    s.newRecord[static_cast<size_t>(index)] = std::move(converted);
    return 1;
}

int CDaoRecordset::SetFieldValue(const char* name, const COleVariant& value) {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), 0;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    if (!table) return 0;
    int index = FindField(table->fields, name);
    if (index < 0) return s.status.Fail(TB_DAO_E_NOT_FOUND, CString("No field \"") + name + "\"."), 0;
    return SetFieldValue(index, value);
}

int CDaoRecordset::Update() {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open || !s.adding) return s.status.Fail(TB_DAO_E_STATE, "No record is being added (AddNew)."), 0;
    CDaoDatabaseState& dbs = *s.database->m_state;
    CDaoTableData* table = ResolveTable(s.database, &dbs, s.tableIndex, s.generation, s.status);
    if (!table) return 0;
    try {
        table->records.push_back(std::move(s.newRecord));
    } catch (const std::bad_alloc&) {
        return s.status.Fail(TB_DAO_E_MEMORY, "Not enough memory for the record."), 0;
    }
    s.newRecord.clear();
    table->recordCount = static_cast<long>(table->records.size());
    dbs.modified = true;
    s.adding = false;
    return 1;
}

void CDaoRecordset::CancelUpdate() {
    m_state->adding = false;
    m_state->newRecord.clear();
}

COleVariant CDaoRecordset::GetFieldValue(int index) {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), COleVariant();
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    if (!table) return COleVariant();
    if (index < 0 || index >= static_cast<int>(table->fields.size()))
        return s.status.Fail(TB_DAO_E_NOT_FOUND, "Field index out of range."), COleVariant();
    if (!LoadRecords(*s.database->m_state, *table, s.status)) return COleVariant();
    if (s.position < 0 || s.position >= static_cast<long>(table->records.size()))
        return s.status.Fail(TB_DAO_E_STATE, "No current record."), COleVariant();
    const CDaoRecord& record = table->records[static_cast<size_t>(s.position)];
    if (static_cast<size_t>(index) >= record.size()) return COleVariant::Null();
    const COleVariant& v = record[static_cast<size_t>(index)];
    return v.vt == VT_EMPTY ? COleVariant::Null() : v;
}

COleVariant CDaoRecordset::GetFieldValue(const char* name) {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), COleVariant();
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    if (!table) return COleVariant();
    int index = FindField(table->fields, name);
    if (index < 0) return s.status.Fail(TB_DAO_E_NOT_FOUND, CString("No field \"") + name + "\"."), COleVariant();
    return GetFieldValue(index);
}

int CDaoRecordset::MoveFirst() {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), 0;
    s.position = 0;
    return 1;
}

int CDaoRecordset::MoveNext() {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), 0;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, s.status);
    if (!table) return 0;
    if (s.position >= RecordCountOf(*table))
        return s.status.Fail(TB_DAO_E_STATE, "Already at the end of the records."), 0;
    ++s.position;
    return 1;
}

BOOL CDaoRecordset::IsEOF() const {
    CDaoRecordsetState& s = *m_state;
    if (!s.open) return TRUE;
    CDaoStatus ignored;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, ignored);
    return !table || s.position >= RecordCountOf(*table);
}

BOOL CDaoRecordset::IsBOF() const {
    CDaoRecordsetState& s = *m_state;
    if (!s.open) return TRUE;
    CDaoStatus ignored;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, ignored);
    return !table || RecordCountOf(*table) == 0;
}

long CDaoRecordset::GetRecordCount() const {
    CDaoRecordsetState& s = *m_state;
    if (!s.open) return -1;
    CDaoStatus ignored;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, ignored);
    return table ? RecordCountOf(*table) : -1;
}

long CDaoRecordset::GetNumberColumns(double* const* values, int fieldCount, long count) {
    CDaoRecordsetState& s = *m_state;
    s.status.Reset();
    if (!s.open) return s.status.Fail(TB_DAO_E_STATE, "The recordset is not open."), -1;
    CDaoDatabaseState& dbs = *s.database->m_state;
    CDaoTableData* table = ResolveTable(s.database, &dbs, s.tableIndex, s.generation, s.status);
    if (!table) return -1;
    if (!values || fieldCount < 0 || fieldCount > static_cast<int>(table->fields.size()) || count < 0)
        return s.status.Fail(TB_DAO_E_ARGUMENT, "Invalid number storage."), -1;
    std::vector<double*> targets(values, values + fieldCount);
    targets.resize(table->fields.size(), nullptr);
    if (!table->loaded) {
        long stored = 0;
        try {
            if (dbs.driver->ReadNumberColumns(*table, targets, count, stored, s.status)) return stored;
        } catch (const std::bad_alloc&) {
            return s.status.Fail(TB_DAO_E_MEMORY, "Not enough memory to read the table."), -1;
        }
        if (s.status.code != TB_DAO_E_UNSUPPORTED) return -1;
        s.status.Reset();
        if (!LoadRecords(dbs, *table, s.status)) return -1;
    }
    const long stored = std::min(count, static_cast<long>(table->records.size()));
    for (std::size_t f = 0; f < targets.size(); ++f) {
        if (!targets[f]) continue;
        for (long r = 0; r < stored; ++r) {
            const CDaoRecord& record = table->records[static_cast<std::size_t>(r)];
            targets[f][r] = f < record.size() ? tb_exchange::VariantNumber(record[f]) : 0.0;
        }
    }
    return stored;
}

short CDaoRecordset::GetFieldCount() const {
    CDaoRecordsetState& s = *m_state;
    if (!s.open) return -1;
    CDaoStatus ignored;
    CDaoTableData* table = ResolveTable(s.database, s.database->m_state.get(), s.tableIndex, s.generation, ignored);
    return table ? static_cast<short>(table->fields.size()) : -1;
}

int CDaoRecordset::GetLastErrorCode() const { return m_state->status.code; }
CString CDaoRecordset::GetLastErrorText() const { return m_state->status.text; }
