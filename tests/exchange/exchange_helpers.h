// Helpers of the exchange tests: arrays from lists, a writer's channels set in one call,
// tables written and read back through the table layer.
#pragma once

#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/engine.h>
#include <toolbox/os/locale_info.h>
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace tbtest {

using Doubles = CArray<double, double>;
using Variants = CArray<COleVariant, COleVariant>;
using Strings = std::vector<std::string>;
using Values = std::vector<double>;

/// A scratch directory, with ";" and "," as the user's list separator and decimal
/// symbol while the test runs.
class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { TBOverrideUserNumberSymbols(";", ","); }
    void TearDown() override { TBOverrideUserNumberSymbols(nullptr, nullptr); }
    ScratchDir dir;
};

/// An array of the given values, in order.
template <class Array, class T>
Array ArrayOf(std::initializer_list<T> values) {
    Array array;
    for (const T& value : values) array.Add(value);
    return array;
}
inline Doubles DoublesOf(std::initializer_list<double> values) { return ArrayOf<Doubles>(values); }
inline CStringArray TextsOf(std::initializer_list<const char*> values) { return ArrayOf<CStringArray>(values); }
inline Variants VariantsOf(std::initializer_list<COleVariant> values) { return ArrayOf<Variants>(values); }

/// One channel handed to a writer: its storage (null: the slot stays empty), name, unit.
struct Channel {
    std::variant<std::nullptr_t, double*, Doubles*, CStringArray*, Variants*> values = nullptr;
    const char* name = "";
    const char* unit = "";
};

/// Sets the channel count (that of channels unless count is given) and the item count
/// of engine (the engine or the facade) and inserts the channels at their indexes.
template <class Engine>
void SetChannels(Engine& engine, int items, std::initializer_list<Channel> channels, int count = -1) {
    engine.SetNrChannels(count < 0 ? static_cast<int>(channels.size()) : count);
    engine.SetNrItems(items);
    int index = 0;
    for (const Channel& channel : channels) {
        std::visit(
            [&](auto values) {
                if constexpr (!std::is_same_v<decltype(values), std::nullptr_t>) {
                    EXPECT_EQ(engine.InsertChannel(index, values, channel.name, channel.unit), 1) << index;
                }
            },
            channel.values);
        ++index;
    }
}

/// A field value as text: numbers "%.15g", null "<null>", other kinds "?".
inline std::string CellText(const COleVariant& v) {
    char buffer[64] = "?";
    switch (v.vt) {
        case VT_NULL: return "<null>";
        case VT_BSTR: return v.GetText().GetString();
        case VT_R8:
        case VT_DATE: std::snprintf(buffer, sizeof buffer, "%.15g", v.dblVal); break;
        case VT_R4: std::snprintf(buffer, sizeof buffer, "%.7g", v.fltVal); break;
        case VT_I2: return std::to_string(v.iVal);
        case VT_I4: return std::to_string(v.lVal);
        case VT_UI1: return std::to_string(v.bVal);
        case VT_BOOL: return v.boolVal ? "true" : "false";
        case VT_CY: std::snprintf(buffer, sizeof buffer, "%.4f", v.cyVal.int64 / 10000.0); break;
        default: break;
    }
    return buffer;
}

/// A table of a database opened read-only, with a recordset over it.
struct OpenedTable {
    CDaoDatabase db;
    CDaoTableDef def{&db};
    CDaoRecordset rs{&db};
    /// Opens the database at path, its table and the recordset; the first failure's text.
    ::testing::AssertionResult Open(const std::string& path, const char* table, const char* connect = "") {
        if (db.Open(path.c_str(), FALSE, TRUE, connect) != 1)
            return ::testing::AssertionFailure() << path << ": " << db.GetLastErrorText().GetString();
        if (def.Open(table) != 1 || rs.Open(&def) != 1)
            return ::testing::AssertionFailure() << table << ": " << def.GetLastErrorText().GetString()
                                                 << rs.GetLastErrorText().GetString();
        return ::testing::AssertionSuccess();
    }
};

using TableRows = std::vector<Strings>;

/// The table's field names, then its records as CellText; a failure adds a test failure
/// and gives what was read until then. version receives the database's version.
inline TableRows ReadTable(const std::string& path, const char* table, const char* connect = "",
                           CString* version = nullptr) {
    TableRows rows;
    OpenedTable t;
    const ::testing::AssertionResult opened = t.Open(path, table, connect);
    if (version) *version = t.db.GetVersion();
    if (!opened) {
        ADD_FAILURE() << opened.message();
        return rows;
    }
    rows.emplace_back();
    for (int f = 0; f < t.def.GetFieldCount(); ++f) {
        CDaoFieldInfo info;
        t.def.GetFieldInfo(f, info);
        rows.back().push_back(info.m_strName.GetString());
    }
    for (; !t.rs.IsEOF(); t.rs.MoveNext()) {
        rows.emplace_back();
        for (int f = 0; f < t.rs.GetFieldCount(); ++f) rows.back().push_back(CellText(t.rs.GetFieldValue(f)));
    }
    return rows;
}

/// Opens path and reads every table, system tables too, to its end: the error code of
/// the first failure (TB_DAO_E_FORMAT when a table gives other than its record count),
/// TB_DAO_OK when everything read; error receives the failure's text.
inline int ReadEveryTable(const std::string& path, const char* connect = "", CString* error = nullptr) {
    auto fail = [error](int code, const CString& text) {
        if (error) *error = text;
        return code;
    };
    CDaoDatabase db;
    if (db.Open(path.c_str(), FALSE, TRUE, connect) != 1) return fail(db.GetLastErrorCode(), db.GetLastErrorText());
    for (int i = 0; i < db.GetTableDefCount(); ++i) {
        CDaoTableDefInfo info;
        db.GetTableDefInfo(i, info);
        CDaoTableDef def(&db);
        if (def.Open(info.m_strName) != 1) return fail(def.GetLastErrorCode(), def.GetLastErrorText());
        CDaoRecordset rs(&db);
        if (rs.Open(&def) != 1) return fail(rs.GetLastErrorCode(), rs.GetLastErrorText());
        long n = 0;
        for (; !rs.IsEOF(); rs.MoveNext(), ++n) rs.GetFieldValue(0);
        const int last = rs.GetLastErrorCode();
        if (last != TB_DAO_OK && last != TB_DAO_E_STATE) return fail(last, rs.GetLastErrorText());
        if (n != rs.GetRecordCount() || n != def.GetRecordCount()) return fail(TB_DAO_E_FORMAT, "record count");
    }
    return fail(TB_DAO_OK, "");
}

/// A table of the open database db: fields (name, dbDouble or dbText), then records;
/// an empty variant leaves its field null.
inline ::testing::AssertionResult AddTable(CDaoDatabase& db, const char* name,
                                           std::vector<std::pair<const char*, short>> fields,
                                           const std::vector<std::vector<COleVariant>>& records = {}) {
    CDaoTableDef def(&db);
    int ok = def.Create(name);
    for (const auto& field : fields) ok = ok && def.CreateField(field.first, field.second, 20, 0x22);
    ok = ok && def.Append();
    if (!ok) return ::testing::AssertionFailure() << name << ": " << def.GetLastErrorText().GetString();
    CDaoRecordset rs(&db);
    if (rs.Open(&def) != 1) return ::testing::AssertionFailure() << rs.GetLastErrorText().GetString();
    for (const auto& record : records) {
        ok = rs.AddNew();
        for (size_t f = 0; f < record.size(); ++f)
            if (record[f].vt != VT_EMPTY) ok = ok && rs.SetFieldValue(static_cast<int>(f), record[f]);
        if (!(ok && rs.Update())) return ::testing::AssertionFailure() << rs.GetLastErrorText().GetString();
    }
    return ::testing::AssertionSuccess();
}

/// A new workbook (connect "Excel 8.0;" and the like) or database (connect "") at path
/// holding one table, closed.
inline ::testing::AssertionResult WriteTable(const std::string& path, const char* connect, const char* name,
                                             std::vector<std::pair<const char*, short>> fields,
                                             const std::vector<std::vector<COleVariant>>& records = {}) {
    CDaoDatabase db;
    if ((*connect ? db.Open(path.c_str(), FALSE, FALSE, connect)
                  : db.Create(path.c_str(), dbLangGeneral, dbVersion30)) != 1)
        return ::testing::AssertionFailure() << path << ": " << db.GetLastErrorText().GetString();
    ::testing::AssertionResult added = AddTable(db, name, std::move(fields), records);
    if (!added) return added;
    if (db.Close() != 1) return ::testing::AssertionFailure() << "closing: " << db.GetLastErrorText().GetString();
    return ::testing::AssertionSuccess();
}

}  // namespace tbtest
