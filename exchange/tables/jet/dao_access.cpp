// The Access driver of the table layer.
//
// Reading: the whole file is taken into memory, checked by CJetFile (catalogue, table
// definitions, usage maps, data pages, rows, memo chains) and only then handed to
// libmdb through an in-memory stream, so libmdb sees exactly the bytes that were
// checked. The catalogue comes from CJetFile; field definitions and values come from
// libmdb: texts and memos converted by libmdb (UCS-2 or the Jet 3 code page to UTF-8),
// fixed-size numbers taken from the row bytes libmdb located, so doubles keep every bit.
// Number fields asked for as whole columns (ReadNumberColumns) bypass libmdb: CJetFile
// decodes them in the walk that checks the rows, straight into the caller's storage.
//
// Writing: one Jet 4 file with the table given (or none), through CJet4Writer, into a
// private temporary file that is put at the target only when complete.
#include "exchange/tables/jet/dao_access.h"
#include "platform/types/byte_order.h"

#include "exchange/tables/jet/jet4_writer.h"
#include "exchange/tables/jet/jet_file.h"

#include <toolbox/os/file_io.h>
#include <toolbox/os/output_file.h>

#include <glib.h>
#include <mdbtools.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Bytes libmdb may write into a bound text buffer: long memos are cut here.
constexpr std::size_t kBindSize = 256 * 1024;
// A value inside one page converts to at most 8 KB of UTF-8 (4096 bytes of compressed
// Latin-1 text, two UTF-8 bytes each); libmdb writes only the converted text, so the
// buffers of fields other than memos can be smaller than the bind size.
constexpr std::size_t kInPageBindSize = 16 * 1024;

// A new empty file of this process in the temporary directory; empty on failure.
std::string NewTemporaryFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tb-access-XXXXXX";
    int fd = mkstemp(&path[0]);
    if (fd < 0) return std::string();
    close(fd);
    return path;
}

// Jet column types and the field types the table layer reports for them.
short DaoTypeOf(int jetType) {
    switch (jetType) {
        case MDB_BOOL: return dbBoolean;
        case MDB_BYTE: return dbByte;
        case MDB_INT: return dbInteger;
        case MDB_LONGINT: return dbLong;
        case MDB_MONEY: return dbCurrency;
        case MDB_FLOAT: return dbSingle;
        case MDB_DOUBLE: return dbDouble;
        case MDB_DATETIME: return dbDate;
        case MDB_TEXT: return dbText;
        case MDB_OLE: return dbLongBinary;
        case MDB_MEMO: return dbMemo;
        case MDB_BINARY: return 9;    // binary
        case MDB_REPID: return 15;    // GUID
        case MDB_NUMERIC: return 20;  // decimal
        default: return static_cast<short>(jetType);
    }
}

// The value of a fixed-size column of the row libmdb has just fetched.
COleVariant RawValue(MdbHandle* mdb, const MdbColumn* col) {
    if (col->col_type == MDB_BOOL) return COleVariant(static_cast<short>(col->cur_value_len == 0), VT_BOOL);
    const int start = col->cur_value_start;
    const int length = col->cur_value_len;
    auto fits = [&](int bytes) { return length == bytes && start >= 0 && start + bytes <= MDB_PGSIZE; };
    const unsigned char* p = mdb->pg_buf + (start >= 0 && start < MDB_PGSIZE ? start : 0);
    switch (col->col_type) {
        case MDB_BYTE:
            if (fits(1)) return COleVariant(static_cast<BYTE>(p[0]));
            break;
        case MDB_INT:
            if (fits(2)) return COleVariant(static_cast<short>(tb_bytes::LoadI16(p)));
            break;
        case MDB_LONGINT:
            if (fits(4)) return COleVariant(static_cast<std::int32_t>(tb_bytes::LoadU32(p)));
            break;
        case MDB_FLOAT:
            if (fits(4)) {
                return COleVariant(tb_bytes::LoadF32(p));
            }
            break;
        case MDB_DOUBLE:
        case MDB_DATETIME:
            if (fits(8)) {
                const double d = tb_bytes::LoadF64(p);
                return col->col_type == MDB_DATETIME ? COleVariant::Date(d) : COleVariant(d);
            }
            break;
        case MDB_MONEY:
            if (fits(8)) {
                CY cy;
                cy.int64 = static_cast<std::int64_t>(tb_bytes::LoadU64(p));
                return COleVariant(cy);
            }
            break;
        default: break;
    }
    return COleVariant::Null();
}

COleVariant TextValue(MdbHandle* mdb, int version, const MdbColumn* col, const char* text) {
    if (col->cur_value_len == 0) return COleVariant::Null();
    // Jet 4 texts are UTF-16; libmdb converts them as UCS-2, which loses characters
    // outside the basic plane, so they are decoded from the row bytes libmdb located.
    const int start = col->cur_value_start;
    const int length = col->cur_value_len;
    if (version == 4 && col->col_type == MDB_TEXT && start >= 0 && length > 0 && start + length <= MDB_PGSIZE)
        return COleVariant(CString(TBJet4DecodeText(mdb->pg_buf + start, length)));
    if (col->col_type == MDB_NUMERIC) {
        // Decimal values come as plain digits with "."; keep them as numbers.
        const char* end = text + std::strlen(text);
        double v = 0;
        const auto r = std::from_chars(text, end, v);
        if (r.ec == std::errc() && r.ptr == end) return COleVariant(v);
    }
    return COleVariant(CString(text));
}

// Table names the database accepts: 1 to 64 characters, no leading blank, none of
// . ! ` [ ] and no control characters.
bool ValidObjectName(const CString& name, CString& why) {
    const std::u16string wide = TBUtf8ToUtf16(name.GetString());
    if (wide.empty()) return why = "A table needs a name.", false;
    if (wide.size() > static_cast<std::size_t>(CJet4Writer::kMaxNameChars))
        return why = CString("The name \"") + name + "\" is longer than 64 characters.", false;
    if (wide[0] == ' ') return why = CString("The name \"") + name + "\" begins with a blank.", false;
    for (char16_t c : wide)
        if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
            return why = CString("The name \"") + name + "\" has a character that is not allowed.", false;
    return true;
}

struct TableState {
    CString name;
    CJetCatalogEntry entry;
    CJetTableDefinition definition;
    bool checked = false;  // rows walked and found safe
};

class CAccessDaoDriver : public CDaoDriver {
public:
    ~CAccessDaoDriver() override { CloseHandle(); }

    bool ReadCatalog(const CString& path, std::vector<CDaoTableData>& tables, CString& version,
                     CDaoStatus& status) override {
        CloseHandle();
        m_tables.clear();
        if (!m_file.LoadFile(path.GetString())) {
            if (m_file.Unreadable())
                return status.Fail(TB_DAO_E_OPEN, CString("The file \"") + path + "\" cannot be read.");
            return status.Fail(TB_DAO_E_FORMAT, CString("\"") + path + "\" is not a readable Access database: " +
                                                    m_file.Error().c_str() + ".");
        }
        std::vector<CJetCatalogEntry> entries;
        if (!m_file.ReadCatalog(entries))
            return status.Fail(TB_DAO_E_FORMAT,
                               CString("The database \"") + path + "\" is damaged: " + m_file.Error().c_str() + ".");
        for (const CJetCatalogEntry& e : entries) {
            TableState t;
            t.name = CString(e.name);
            t.entry = e;
            if (!m_file.ReadDefinition(e.definitionPage, t.definition)) {
                // The engine's own tables are not exchanged; a damaged one is left out.
                if (e.system) continue;
                return status.Fail(TB_DAO_E_FORMAT, CString("The table \"") + t.name + "\" of \"" + path +
                                                        "\" is damaged: " + m_file.Error().c_str() + ".");
            }
            m_tables.push_back(t);
        }
        if (!OpenHandle())
            return status.Fail(TB_DAO_E_FORMAT, CString("The database \"") + path + "\" cannot be opened.");

        std::vector<CDaoTableData> result;
        for (TableState& t : m_tables) {
            std::uint32_t live = t.definition.rows;
            if (!t.entry.system) {
                if (!m_file.CheckRows(t.definition, live))
                    return status.Fail(TB_DAO_E_FORMAT, CString("The table \"") + t.name + "\" of \"" + path +
                                                            "\" is damaged: " + m_file.Error().c_str() + ".");
                t.checked = true;
            }
            CDaoTableData data;
            data.name = t.name;
            data.attributes = t.entry.system ? dbSystemObject : 0;
            data.recordCount = static_cast<long>(live);
            if (!ReadFields(t, data.fields, status)) return false;
            result.push_back(std::move(data));
        }
        tables = std::move(result);
        version = m_file.Version() == 3 ? "3.0" : "4.0";
        return true;
    }

    bool ReadRecords(CDaoTableData& table, CDaoStatus& status) override {
        TableState* t = Find(table.name);
        if (!t || !m_mdb)
            return status.Fail(TB_DAO_E_NOT_FOUND, CString("No table \"") + table.name + "\" in the database.");
        std::uint32_t live = 0;
        if (!t->checked) {
            if (!m_file.CheckRows(t->definition, live))
                return status.Fail(TB_DAO_E_FORMAT, CString("The table \"") + t->name +
                                                        "\" is damaged: " + m_file.Error().c_str() + ".");
            t->checked = true;
        }
        MdbCatalogEntry entry;
        MdbTableDef* mdbTable = OpenTable(*t, entry);
        if (!mdbTable || mdbTable->num_cols != table.fields.size()) {
            if (mdbTable) mdb_free_tabledef(mdbTable);
            return status.Fail(TB_DAO_E_FORMAT, CString("The table \"") + t->name + "\" cannot be read.");
        }
        const unsigned columns = mdbTable->num_cols;
        std::vector<std::vector<char>> buffers(columns);
        std::vector<JetValueRoute> routes(columns);
        for (unsigned i = 0; i < columns; ++i) {
            MdbColumn* col = static_cast<MdbColumn*>(g_ptr_array_index(mdbTable->columns, i));
            routes[i] = TBJetValueRoute(t->definition.columns[i]);
            if (routes[i] == JetValueRoute::Text) {
                buffers[i].assign(col->col_type == MDB_MEMO ? kBindSize : kInPageBindSize, '\0');
                mdb_bind_column(mdbTable, static_cast<int>(i + 1), buffers[i].data(), nullptr);
            }
        }
        std::vector<CDaoRecord> records;
        records.reserve(t->definition.rows < 1u << 24 ? t->definition.rows : 1u << 24);
        mdb_rewind_table(mdbTable);
        while (mdb_fetch_row(mdbTable)) {
            CDaoRecord record(columns);
            for (unsigned i = 0; i < columns; ++i) {
                const MdbColumn* col = static_cast<const MdbColumn*>(g_ptr_array_index(mdbTable->columns, i));
                switch (routes[i]) {
                    case JetValueRoute::Raw: record[i] = RawValue(m_mdb, col); break;
                    case JetValueRoute::Text:
                        record[i] = TextValue(m_mdb, m_file.Version(), col, buffers[i].data());
                        break;
                    default: record[i] = COleVariant::Null(); break;
                }
            }
            records.push_back(std::move(record));
        }
        mdb_free_tabledef(mdbTable);
        table.records = std::move(records);
        table.recordCount = static_cast<long>(table.records.size());
        table.loaded = true;
        return true;
    }

    bool RecordsChecked(const CDaoTableData& table) const override {
        const TableState* t = Find(table.name);
        return t && t->checked;
    }

    // Fixed-size numbers straight from the checked row bytes into the storage, in the
    // walk that checks them; libmdb is not involved.
    bool ReadNumberColumns(CDaoTableData& table, const std::vector<double*>& values, long limit, long& stored,
                           CDaoStatus& status) override {
        stored = 0;
        TableState* t = Find(table.name);
        if (!t) return status.Fail(TB_DAO_E_NOT_FOUND, CString("No table \"") + table.name + "\" in the database.");
        if (!CJetFile::NumbersOnly(t->definition, values))
            return status.Fail(TB_DAO_E_UNSUPPORTED, "The values are read record by record.");
        std::uint32_t rows = 0;
        const std::uint32_t wanted = limit < 0 ? 0u : limit > 0xFFFFFFFFL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(limit);
        if (!m_file.ReadNumbers(t->definition, values, wanted, rows))
            return status.Fail(TB_DAO_E_FORMAT,
                               CString("The table \"") + t->name + "\" is damaged: " + m_file.Error().c_str() + ".");
        t->checked = true;
        stored = static_cast<long>(rows < wanted ? rows : wanted);
        return true;
    }

    bool WriteFile(const CString& path, const std::vector<CDaoTableData>& tables, CDaoStatus& status) override {
        if (tables.size() > 1) return status.Fail(TB_DAO_E_LIMIT, "A new Access database holds one table here.");
        std::string tableName;
        std::vector<CJet4Field> fields;
        if (!tables.empty()) {
            CString why;
            if (!ValidObjectName(tables[0].name, why)) return status.Fail(TB_DAO_E_NAME, why);
            tableName = tables[0].name.GetString();
            for (const CDaoFieldDef& f : tables[0].fields) {
                CJet4Field field;
                field.name = f.name.GetString();
                // Texts stay texts; every number, date and boolean is stored as a double.
                field.kind = f.type == dbText || f.type == dbMemo ? CJet4Field::Text : CJet4Field::Double;
                field.size = static_cast<int>(f.size > 0 && f.size < 256 ? f.size : 255);
                fields.push_back(field);
            }
        }
        // The writer seeks in its file, so it writes a private temporary file first; the
        // result is then put at path under the output rule (links, pipes, devices).
        const std::string temporary = NewTemporaryFile();
        if (temporary.empty())
            return status.Fail(TB_DAO_E_WRITE, CString("The database \"") + path + "\" cannot be written.");
        CJet4Writer writer;
        bool ok = writer.Open(temporary, tableName, fields);
        if (ok && !tables.empty()) {
            for (const CDaoRecord& record : tables[0].records) {
                for (std::size_t i = 0; i < fields.size() && i < record.size(); ++i)
                    SetValue(writer, static_cast<int>(i), record[i]);
                if (!(ok = writer.AddRecord())) break;
            }
        }
        if (ok) ok = writer.Close();
        if (!ok) {
            writer.Abort();
            std::remove(temporary.c_str());
            const int code = writer.Failure() == Jet4Failure::Limit  ? TB_DAO_E_LIMIT
                             : writer.Failure() == Jet4Failure::Name ? TB_DAO_E_NAME
                                                                     : TB_DAO_E_WRITE;
            return status.Fail(
                code, CString("The database \"") + path + "\" cannot be written: " + writer.Error().c_str() + ".");
        }
        const bool placed = TBReplaceFileFrom(temporary.c_str(), path.GetString());
        const int error = errno;
        std::remove(temporary.c_str());
        if (!placed)
            return status.Fail(TB_DAO_E_WRITE, CString("The database \"") + path +
                                                   "\" cannot be written: " + TBSystemErrorText(error) + ".");
        return true;
    }

    CString GetWriteVersion() const override { return "4.0"; }

    bool CheckTableName(const CString& name, CDaoStatus& status) const override {
        CString why;
        if (!ValidObjectName(name, why)) return status.Fail(TB_DAO_E_NAME, why);
        return true;
    }

private:
    static void SetValue(CJet4Writer& writer, int field, const COleVariant& v) {
        switch (v.vt) {
            case VT_R8: writer.SetDouble(field, v.dblVal); break;
            case VT_R4: writer.SetDouble(field, v.fltVal); break;
            case VT_I2: writer.SetDouble(field, v.iVal); break;
            case VT_I4: writer.SetDouble(field, v.lVal); break;
            case VT_UI1: writer.SetDouble(field, v.bVal); break;
            case VT_BOOL: writer.SetDouble(field, v.boolVal ? -1.0 : 0.0); break;
            case VT_DATE: writer.SetDouble(field, v.date); break;
            case VT_CY: writer.SetDouble(field, static_cast<double>(v.cyVal.int64) / 10000.0); break;
            case VT_BSTR: writer.SetText(field, v.GetText().GetString()); break;
            default: writer.SetNull(field); break;
        }
    }

    TableState* Find(const CString& name) {
        for (TableState& t : m_tables)
            if (t.name == name) return &t;
        return nullptr;
    }
    const TableState* Find(const CString& name) const { return const_cast<CAccessDaoDriver*>(this)->Find(name); }

    bool OpenHandle() {
        m_mdb = mdb_open_buffer(const_cast<char*>(m_file.Data()), m_file.Size(), MDB_NOFLAGS);
        if (!m_mdb) return false;
        mdb_set_bind_size(m_mdb, kBindSize);
        return true;
    }

    void CloseHandle() {
        if (m_mdb) mdb_close(m_mdb);
        m_mdb = nullptr;
    }

    MdbTableDef* OpenTable(const TableState& t, MdbCatalogEntry& entry) {
        std::memset(&entry, 0, sizeof entry);
        entry.mdb = m_mdb;
        entry.object_type = MDB_TABLE;
        entry.table_pg = t.entry.definitionPage;
        entry.flags = static_cast<int>(t.entry.flags);
        std::snprintf(entry.object_name, sizeof entry.object_name, "%s", t.entry.name.c_str());
        MdbTableDef* table = mdb_read_table(&entry);
        if (!table) return nullptr;
        if (!mdb_read_columns(table) || table->num_cols != t.definition.columns.size()) {
            mdb_free_tabledef(table);
            return nullptr;
        }
        // The checks were made on the same columns in the same order.
        for (unsigned i = 0; i < table->num_cols; ++i) {
            const MdbColumn* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (col->col_type != t.definition.columns[i].type || col->col_num != t.definition.columns[i].number) {
                mdb_free_tabledef(table);
                return nullptr;
            }
        }
        return table;
    }

    bool ReadFields(const TableState& t, std::vector<CDaoFieldDef>& fields, CDaoStatus& status) {
        MdbCatalogEntry entry;
        MdbTableDef* table = OpenTable(t, entry);
        if (!table) return status.Fail(TB_DAO_E_FORMAT, CString("The table \"") + t.name + "\" cannot be read.");
        fields.clear();
        for (unsigned i = 0; i < table->num_cols; ++i) {
            const MdbColumn* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
            CDaoFieldDef f;
            f.name = CString(col->name);
            f.type = DaoTypeOf(col->col_type);
            f.size = col->col_type == MDB_TEXT && m_file.Version() == 4 ? col->col_size / 2 : col->col_size;
            f.attributes = (col->is_fixed ? dbFixedField : dbVariableField) | dbUpdatableField |
                           (col->is_long_auto ? dbAutoIncrField : 0);
            fields.push_back(f);
        }
        mdb_free_tabledef(table);
        return true;
    }

    CJetFile m_file;
    MdbHandle* m_mdb = nullptr;
    std::vector<TableState> m_tables;
};

}  // namespace

std::unique_ptr<CDaoDriver> CreateAccessDaoDriver() { return std::unique_ptr<CDaoDriver>(new CAccessDaoDriver); }
