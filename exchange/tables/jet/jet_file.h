// Structural reader of Jet 3 (Access 97) and Jet 4 (Access 2000-2003) database files.
//
// The values of an Access database are decoded by mdbtools' libmdb, which trusts the
// page numbers, counts and offsets it finds and can crash or loop on a damaged file.
// This reader walks exactly the structures libmdb will walk for a table (database
// definition page, table definition pages and their chain, usage maps, data pages,
// row offset tables, row layouts, long-value chains of memo fields) with every count,
// length and offset checked against the bytes really there, so that a file reaches
// libmdb only once it is known to be safe. It also reads the system catalogue
// (MSysObjects) itself: the catalogue reader of libmdb parses the property blobs of
// every object, a parser this library does not need and would rather not expose.
//
// It tolerates what real files contain: deleted rows, rows shorter than the table
// (fields added later), columns of kinds it does not decode, unknown usage-map kinds
// (libmdb then scans every page, as this reader does).
#pragma once

#include "exchange/tables/jet/jet_codec.h"
#include <toolbox/types/windef.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// One column of a table definition, in definition order.
struct CJetColumn {
    std::string name;     ///< UTF-8
    int type = 0;         ///< Jet column type (1 boolean ... 0x0C memo, 0x10 decimal)
    int number = 0;       ///< position in the null mask
    int varIndex = 0;     ///< position among variable-length columns
    int fixedOffset = 0;  ///< offset in the fixed area of a row
    int size = 0;         ///< bytes (text: bytes of the longest value, 2 per character in Jet 4)
    bool fixed = false;
};

/// A table definition as stored.
struct CJetTableDefinition {
    std::uint32_t page = 0;
    std::uint32_t rows = 0;  ///< row count the definition states
    int varColumns = 0;
    std::vector<CJetColumn> columns;
    std::vector<std::uint8_t> usageMap;
};

/// A table listed in the catalogue.
struct CJetCatalogEntry {
    std::string name;  ///< UTF-8
    std::uint32_t definitionPage = 0;
    std::uint32_t flags = 0;
    bool system = false;  ///< the database's own tables (flags 0x80000002)
};

/// How the Access driver takes a column's value from libmdb.
enum class JetValueRoute {
    None,  ///< not decoded (binary, OLE, unknown kinds): read as empty
    Raw,   ///< fixed-size number, date, currency or boolean: decoded from the row bytes
    Text,  ///< bound to a text buffer: text, memo, decimal, GUID
};

/// The route for a column (shared by the checks here and the driver, so that every
/// value libmdb is asked to convert has been checked).
JetValueRoute TBJetValueRoute(const CJetColumn& column);

/// A database file held in memory, checked and walked without trusting it.
class CJetFile {
public:
    /// Takes the file's bytes and checks the database definition page: a known
    /// signature, Jet 3 or Jet 4 (Jet 5 and later Access files too), a size that is a
    /// whole number of pages, no encryption. False with Error() set otherwise.
    bool Load(const std::string& bytes);
    /// Load from the file at path, read in one go into a buffer of its size. False
    /// with Error() set when it cannot be read (or is over 4 GiB) or is no database.
    bool LoadFile(const char* path);
    /// After a failed LoadFile: the file could not be opened or read at all.
    bool Unreadable() const { return m_unreadable; }

    const char* Data() const { return m_bytes.get(); }
    std::size_t Size() const { return m_size; }
    /// 3 for Jet 3, 4 for Jet 4 and later.
    int Version() const { return m_version; }
    int PageSize() const { return m_pageSize; }
    std::uint32_t PageCount() const { return m_pageCount; }
    const std::string& Error() const { return m_error; }

    /// Reads the catalogue: every table (type 1 object) with its name, flags and
    /// definition page. Every page a listed table's definition names must exist.
    bool ReadCatalog(std::vector<CJetCatalogEntry>& tables);

    /// Reads and checks the definition at page: page kind, continuation chain, counts,
    /// column entries and names, usage-map rows.
    bool ReadDefinition(std::uint32_t page, CJetTableDefinition& definition);

    /// Walks every data page and row of a table the way libmdb does and checks every
    /// value libmdb will convert (row layout, text extents, memo chains). liveRows
    /// receives the number of records libmdb will deliver.
    bool CheckRows(const CJetTableDefinition& definition, std::uint32_t& liveRows);

    /// True when every column of which ReadNumbers is to take values is a fixed-size
    /// number, date, currency or boolean (the Raw route).
    static bool NumbersOnly(const CJetTableDefinition& definition, const std::vector<double*>& targets);
    /// The walk of CheckRows, with the same checks, that also decodes the values of
    /// Raw columns in place: targets[i] (one per column, null: not wanted) receives
    /// column i of the first limit records as doubles (date: serial day, currency:
    /// its value, boolean: -1 or 0, Null: 0). rows receives the number of records.
    bool ReadNumbers(const CJetTableDefinition& definition, const std::vector<double*>& targets, std::uint32_t limit,
                     std::uint32_t& rows);

private:
    struct Field {
        bool present = false;  // not null and inside the row
        int start = 0;         // offset in the page
        int size = 0;
    };
    // A row as a walk hands it over: its values located in fields, or, for a row of
    // the table's plain shape (see PlainShape), fields null: every column is then a
    // fixed value at its offset from start, and its null bit in the mask at nullMask.
    struct Row {
        const std::vector<Field>* fields;
        int start;
        std::uint32_t nullMask;
    };
    // Tables whose columns are all fixed and numbered below their count: a record
    // that holds every column and is long enough for all of them needs no cracking.
    struct PlainShape {
        bool usable = false;
        std::uint32_t columns = 0;
        int minSize = 0;  // bytes from the row start to the end of the last value
    };
    PlainShape PlainShapeOf(const CJetTableDefinition& definition) const;
    template <class Visit>
    bool ForEachRow(const CJetTableDefinition& definition, bool plainRows, Visit visit);
    bool CrackRow(const CJetTableDefinition& definition, const std::uint8_t* page, int rowStart, int rowSize,
                  std::vector<Field>& fields, bool& usable);
    bool FindRow(const std::uint8_t* page, int row, int& start, int& size) const;
    bool FindPageRow(std::uint32_t pageRow, const std::uint8_t*& page, int& start, int& size) const;
    bool CheckMemo(const std::uint8_t* page, const Field& field);
    const std::uint8_t* Page(std::uint32_t number) const;
    std::string DecodeText(const std::uint8_t* data, int size) const;
    bool Fail(const std::string& text);

    bool TakeBytes(std::unique_ptr<char[]> bytes, std::size_t size);

    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
    bool m_unreadable = false;
    std::string m_error;
    std::vector<Field> m_fields;            // of the row being walked
    std::vector<std::uint32_t> m_offsets;  // its variable-length value offsets
    std::vector<std::size_t> m_textColumns;  // of the table being walked: values libmdb converts
    int m_version = 0;
    int m_pageSize = 0;
    std::uint32_t m_pageCount = 0;
    std::vector<std::uint8_t> m_zeroPage;
};
