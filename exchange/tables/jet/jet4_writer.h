// Jet 4 database writer: creates a new Access 2000-2003 database file (4 KB pages)
// holding one table of double and text fields and its records, together with the
// system catalogue (MSysObjects and the empty MSysRelationships) that readers walk to
// find the table.
//
// What it writes: page 0 (database definition), page 1 (global usage map), page 2
// (MSysObjects definition), the catalogue's data page, a page of usage-map rows, the
// table definitions (spanning pages for wide tables), the data pages of the records
// and, for tables larger than an inline usage map covers, bitmap pages of type 5.
// Text is stored as UCS-2, in the compressed form where every character allows it.
// No indexes are written. Records stream to disk one page at a time; memory holds a
// page and the table layout only.
#pragma once

#include "exchange/tables/jet/jet_codec.h"
#include <toolbox/types/windef.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

/// One field of the table a CJet4Writer writes.
struct CJet4Field {
    enum Kind { Double, Text };
    std::string name;  ///< UTF-8, 1 to 64 characters
    Kind kind = Double;
    int size = 20;  ///< text fields: declared characters; widened to the longest value (at most 255)
};

/// Why a CJet4Writer call failed.
enum class Jet4Failure {
    None,
    Name,   ///< a table or field name the format cannot hold, or a duplicate
    Limit,  ///< too many fields, a text too long, a record too large, a file too big
    Io,     ///< the file cannot be created or written
};

/// Writes a new Jet 4 database with one table (or none). Use: Open, then per record Set* and
/// AddRecord, then Close. Any failure leaves the reason in Error(); Abort (or the
/// destructor before Close) removes the unfinished file.
class CJet4Writer {
public:
    CJet4Writer();
    ~CJet4Writer();
    CJet4Writer(const CJet4Writer&) = delete;
    CJet4Writer& operator=(const CJet4Writer&) = delete;

    /// Creates (or replaces) the file at path with table tableName and these fields.
    /// Fails on an empty or over-long name, duplicate field names (compared without
    /// regard to ASCII case, as the database does), more than 255 fields or a file
    /// that cannot be created. An empty tableName with no fields writes a database
    /// holding the system catalogue only.
    bool Open(const std::string& path, const std::string& tableName, const std::vector<CJet4Field>& fields);

    /// Values of the record being built; a field not set is null.
    void SetDouble(int field, double value);
    void SetText(int field, const std::string& utf8);
    void SetNull(int field);

    /// Appends the record being built and starts a new, all-null one. Fails when a
    /// text is longer than 255 characters or the record exceeds a page.
    bool AddRecord();

    /// Writes catalogue, table definition and usage maps; the file is complete.
    bool Close();

    /// Closes and deletes an unfinished file.
    void Abort();

    const std::string& Error() const { return m_error; }
    Jet4Failure Failure() const { return m_failure; }
    std::uint32_t RecordCount() const;

    /// Largest record (bytes of one row) a data page holds.
    static constexpr int kMaxRowBytes = 4096 - 14 - 2;
    /// Longest text value in characters.
    static constexpr int kMaxTextChars = 255;
    /// Most fields in a table.
    static constexpr int kMaxFields = 255;
    /// Longest table or field name in characters.
    static constexpr int kMaxNameChars = 64;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
    bool Fail(Jet4Failure kind, const std::string& text);

    std::string m_error;
    Jet4Failure m_failure = Jet4Failure::None;
};
