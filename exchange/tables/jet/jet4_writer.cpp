// Jet 4 database writer. Layout of a file it writes (4096-byte pages):
//
//   page 0   database definition: signature, version, RC4-masked header fields
//   page 1   global usage map (a data page holding one bitmap row)
//   page 2   MSysObjects table definition (readers look for the catalogue here)
//   page 3   MSysObjects records: containers, the system tables, the user table
//   page 4   usage-map rows of every table (owned pages and pages with free space)
//   page 5   MSysRelationships table definition (empty table)
//   page 6.. the user table's definition, then its data pages, then (large tables
//            only) the bitmap pages its usage map points to
//
// Records are streamed: each data page is written as soon as it is full, and the
// pages before the first data page are written last, once the row count, the
// longest texts and the page range are known.
#include "exchange/tables/jet/jet4_writer.h"
#include "platform/types/byte_order.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

namespace {

constexpr int kPageSize = 4096;
constexpr int kDataHeader = 14;  // data page header up to the row offset table
constexpr int kDataRowCountOffset = 12;
constexpr int kDefinitionHeader = 8;  // header of every table definition page
constexpr int kColumnEntrySize = 25;
constexpr int kColumnsStart = 63;
constexpr int kUsageMapRowSize = 69;                             // map type, start page, 64 bitmap bytes
constexpr int kInlineMapPages = 64 * 8;                          // pages an inline (type 0) map covers
constexpr std::uint32_t kBitmapPagePages = (kPageSize - 4) * 8;  // pages one type-5 page covers
// A Jet 4 file holds at most 2 GB; row pointers keep page numbers in 24 bits.
constexpr std::uint32_t kMaxPages = 0x80000000u / kPageSize;

// Column types of the file format.
enum : std::uint8_t {
    kTypeInt = 0x03,
    kTypeLong = 0x04,
    kTypeDouble = 0x07,
    kTypeDateTime = 0x08,
    kTypeBinary = 0x09,
    kTypeText = 0x0A,
    kTypeOle = 0x0B,
    kTypeMemo = 0x0C,
};

// Column flags: fixed length, and updatable/nullable (set on every column).
constexpr std::uint8_t kColumnFixed = 0x01;
constexpr std::uint8_t kColumnUpdatable = 0x02;
constexpr std::uint8_t kColumnCompressedText = 0x01;  // misc flags of text columns
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

// Catalogue object types and flags.
constexpr int kObjectTable = 1;
constexpr int kObjectContainer = 3;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002u;
constexpr std::uint32_t kTablesContainerId = 0x0F000001u;
constexpr std::uint32_t kDatabasesContainerId = 0x0F000002u;
constexpr std::uint32_t kRelationshipsContainerId = 0x0F000003u;
constexpr std::uint32_t kRootContainerId = 0x0F000000u;

constexpr std::uint32_t kGlobalMapPage = 1;
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kCatalogDataPage = 3;
constexpr std::uint32_t kUsageMapPage = 4;
constexpr std::uint32_t kRelationshipsPage = 5;
constexpr std::uint32_t kUserDefinitionPage = 6;

using tb_bytes::AppendU16;
using tb_bytes::AppendU32;
using tb_bytes::StoreU16;
using tb_bytes::StoreU32;

std::string DoubleBytes(double v) {
    std::string s;
    tb_bytes::AppendF64(s, v);
    return s;
}
std::string LongBytes(std::uint32_t v) {
    std::string s;
    AppendU32(s, v);
    return s;
}
std::string IntBytes(std::uint32_t v) {
    std::string s;
    AppendU16(s, v);
    return s;
}

// Date values are days since 1899-12-30 with the time as fraction.
double CurrentDateValue() { return static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0; }

bool EqualIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char16_t>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// One column of a table being written.
struct Column {
    std::u16string name;
    std::uint8_t type = kTypeDouble;
    std::uint16_t length = 8;  // bytes; 0 for memo and OLE
    bool fixed = true;
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
};

// A cell of a record: null or the stored bytes of its value.
struct Cell {
    bool null = true;
    std::string bytes;
};

struct TableLayout {
    std::u16string name;
    bool system = false;
    std::vector<Column> columns;
    int fixedBytes = 0;
    int varCount = 0;

    void Add(const std::u16string& columnName, std::uint8_t type, std::uint16_t length) {
        Column c;
        c.name = columnName;
        c.type = type;
        c.length = length;
        c.fixed = type != kTypeText && type != kTypeMemo && type != kTypeOle && type != kTypeBinary;
        c.number = static_cast<std::uint16_t>(columns.size());
        if (c.fixed) {
            c.fixedOffset = static_cast<std::uint16_t>(fixedBytes);
            fixedBytes += length;
        } else {
            c.varIndex = static_cast<std::uint16_t>(varCount++);
        }
        columns.push_back(c);
    }
};

// Row layout: column count, fixed area, variable data, then (when the table has
// variable columns) the end-of-data offset, the variable offsets last to first and
// their count, and finally the null mask (bit set = value present).
void EncodeRow(const TableLayout& table, const std::vector<Cell>& cells, std::string& row) {
    const std::size_t n = table.columns.size();
    row.assign(2 + table.fixedBytes, '\0');
    StoreU16(reinterpret_cast<std::uint8_t*>(&row[0]), static_cast<std::uint32_t>(n));
    std::vector<std::uint16_t> varOffsets(table.varCount);
    for (std::size_t i = 0; i < n; ++i) {
        const Column& c = table.columns[i];
        if (c.fixed && !cells[i].null) std::memcpy(&row[2 + c.fixedOffset], cells[i].bytes.data(), c.length);
    }
    if (table.varCount > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            const Column& c = table.columns[i];
            if (c.fixed) continue;
            varOffsets[c.varIndex] = static_cast<std::uint16_t>(row.size());
            if (!cells[i].null) row += cells[i].bytes;
        }
        AppendU16(row, static_cast<std::uint32_t>(row.size()));  // end of data
        for (int v = table.varCount - 1; v >= 0; --v) AppendU16(row, varOffsets[v]);
        AppendU16(row, static_cast<std::uint32_t>(table.varCount));
    }
    std::string mask((n + 7) / 8, '\0');
    for (std::size_t i = 0; i < n; ++i)
        if (!cells[i].null) mask[table.columns[i].number / 8] |= static_cast<char>(1 << (table.columns[i].number % 8));
    row += mask;
}

// A data page being filled from the end towards its header.
class DataPage {
public:
    explicit DataPage(std::uint32_t definitionPage) : m_definitionPage(definitionPage) { Reset(); }

    void Reset() {
        std::fill(m_bytes.begin(), m_bytes.end(), 0);
        m_bytes[0] = 0x01;
        m_bytes[1] = 0x01;
        StoreU32(&m_bytes[4], m_definitionPage);
        m_rows = 0;
        m_top = kPageSize;
        Update();
    }
    bool Fits(std::size_t rowBytes) const { return FreeSpace() >= static_cast<int>(rowBytes) + 2; }
    void Add(const std::string& row) {
        m_top -= static_cast<int>(row.size());
        std::memcpy(&m_bytes[m_top], row.data(), row.size());
        StoreU16(&m_bytes[kDataHeader + 2 * m_rows], static_cast<std::uint32_t>(m_top));
        ++m_rows;
        Update();
    }
    int Rows() const { return m_rows; }
    const std::uint8_t* Bytes() const { return m_bytes.data(); }

private:
    int FreeSpace() const { return m_top - (kDataHeader + 2 * m_rows); }
    void Update() {
        StoreU16(&m_bytes[2], static_cast<std::uint32_t>(FreeSpace()));
        StoreU16(&m_bytes[kDataRowCountOffset], static_cast<std::uint32_t>(m_rows));
    }

    std::vector<std::uint8_t> m_bytes = std::vector<std::uint8_t>(kPageSize);
    std::uint32_t m_definitionPage;
    int m_rows = 0;
    int m_top = kPageSize;
};

// The bytes of a table definition as one stream: the first kPageSize bytes go to the
// first page, every further kPageSize - 8 bytes to a continuation page behind its own
// 8-byte header.
std::string BuildDefinition(const TableLayout& table, std::uint32_t rows, std::uint32_t usedMapRow,
                            std::uint32_t freeMapRow) {
    std::string s(kColumnsStart, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(&s[0]);
    p[0] = 0x02;
    p[1] = 0x01;
    StoreU32(p + 16, rows);
    p[24] = 0x01;  // autonumber flag
    p[40] = table.system ? 0x53 : 0x4E;
    StoreU16(p + 41, static_cast<std::uint32_t>(table.columns.size()));
    StoreU16(p + 43, static_cast<std::uint32_t>(table.varCount));
    StoreU16(p + 45, static_cast<std::uint32_t>(table.columns.size()));
    StoreU32(p + 47, 0);  // logical indexes
    StoreU32(p + 51, 0);  // index entries
    StoreU32(p + 55, usedMapRow);
    StoreU32(p + 59, freeMapRow);
    for (const Column& c : table.columns) {
        std::string e(kColumnEntrySize, '\0');
        auto* q = reinterpret_cast<std::uint8_t*>(&e[0]);
        q[0] = c.type;
        StoreU16(q + 5, c.number);
        StoreU16(q + 7, c.varIndex);
        StoreU16(q + 9, c.number);
        StoreU16(q + 11, kGeneralSortOrder);
        q[15] = static_cast<std::uint8_t>(kColumnUpdatable | (c.fixed ? kColumnFixed : 0));
        q[16] = c.type == kTypeText || c.type == kTypeMemo ? kColumnCompressedText : 0;
        StoreU16(q + 21, c.fixed ? c.fixedOffset : 0);
        StoreU16(q + 23, c.length);
        s += e;
    }
    for (const Column& c : table.columns) {
        AppendU16(s, static_cast<std::uint32_t>(c.name.size() * 2));
        s += TBJetUtf16Bytes(c.name);
    }
    AppendU16(s, 0xFFFF);  // no long-value usage maps follow
    StoreU32(reinterpret_cast<std::uint8_t*>(&s[8]), static_cast<std::uint32_t>(s.size()));
    return s;
}

int DefinitionPages(std::size_t streamBytes) {
    if (streamBytes <= static_cast<std::size_t>(kPageSize)) return 1;
    const std::size_t rest = streamBytes - kPageSize;
    const std::size_t perPage = kPageSize - kDefinitionHeader;
    return 1 + static_cast<int>((rest + perPage - 1) / perPage);
}

// Splits a definition stream over consecutive pages starting at firstPage.
std::vector<std::vector<std::uint8_t>> SplitDefinition(const std::string& stream, std::uint32_t firstPage) {
    const int count = DefinitionPages(stream.size());
    std::vector<std::vector<std::uint8_t>> pages(count, std::vector<std::uint8_t>(kPageSize, 0));
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        std::uint8_t* p = pages[i].data();
        const std::size_t start = i == 0 ? 0 : kDefinitionHeader;
        const std::size_t take = std::min(stream.size() - pos, static_cast<std::size_t>(kPageSize) - start);
        std::memcpy(p + start, stream.data() + pos, take);
        pos += take;
        p[0] = 0x02;
        p[1] = 0x01;
        StoreU16(p + 2, static_cast<std::uint32_t>(kPageSize - start - take));
        StoreU32(p + 4, i + 1 < count ? firstPage + i + 1 : 0);
    }
    return pages;
}

// Usage map row of a table whose pages are exactly [first, first + count): inline
// bitmap when the range fits in one, else a list of type-5 bitmap pages starting at
// bitmapPage (one per kBitmapPagePages page numbers, counted from page 0).
std::string UsageMapRow(std::uint32_t first, std::uint32_t count, std::uint32_t bitmapPage) {
    std::string row(kUsageMapRowSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(&row[0]);
    if (count <= static_cast<std::uint32_t>(kInlineMapPages)) {
        p[0] = 0;
        StoreU32(p + 1, first);
        for (std::uint32_t i = 0; i < count; ++i) p[5 + i / 8] |= static_cast<std::uint8_t>(1 << (i % 8));
        return row;
    }
    p[0] = 1;
    const std::uint32_t last = first + count - 1;
    std::uint32_t next = bitmapPage;
    for (std::uint32_t m = first / kBitmapPagePages; m <= last / kBitmapPagePages; ++m) StoreU32(p + 1 + 4 * m, next++);
    return row;
}

// Number of type-5 pages the usage map of [first, first + count) needs.
std::uint32_t BitmapPagesNeeded(std::uint32_t first, std::uint32_t count) {
    if (count <= static_cast<std::uint32_t>(kInlineMapPages)) return 0;
    const std::uint32_t last = first + count - 1;
    return last / kBitmapPagePages - first / kBitmapPagePages + 1;
}

std::vector<std::uint8_t> BitmapPage(std::uint32_t mapIndex, std::uint32_t first, std::uint32_t count) {
    std::vector<std::uint8_t> page(kPageSize, 0);
    page[0] = 0x05;
    page[1] = 0x01;
    const std::uint32_t base = mapIndex * kBitmapPagePages;
    const std::uint32_t from = std::max(first, base);
    const std::uint32_t to = std::min(first + count, base + kBitmapPagePages);
    for (std::uint32_t pg = from; pg < to; ++pg) {
        const std::uint32_t bit = pg - base;
        page[4 + bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
    }
    return page;
}

std::vector<std::uint8_t> DatabaseDefinitionPage() {
    std::vector<std::uint8_t> page(kPageSize, 0);
    std::uint8_t* p = page.data();
    p[1] = 0x01;
    std::memcpy(p + 4, "Standard Jet DB", 16);
    p[0x14] = 0x01;  // Jet 4
    // Masked header fields: code page 1252, no encryption key, empty password (its
    // mask derives from a creation date of 0), general sort order.
    StoreU16(p + 0x3C, 1252);
    StoreU32(p + 0x3E, 0);
    StoreU32(p + 0x6E, kGeneralSortOrder);
    TBJetMaskHeader(p + 0x18, 128);
    return page;
}

TableLayout CatalogLayout() {
    TableLayout t;
    t.name = u"MSysObjects";
    t.system = true;
    t.Add(u"Id", kTypeLong, 4);
    t.Add(u"ParentId", kTypeLong, 4);
    t.Add(u"Name", kTypeText, 510);
    t.Add(u"Type", kTypeInt, 2);
    t.Add(u"DateCreate", kTypeDateTime, 8);
    t.Add(u"DateUpdate", kTypeDateTime, 8);
    t.Add(u"Owner", kTypeBinary, 510);
    t.Add(u"Flags", kTypeLong, 4);
    t.Add(u"Database", kTypeMemo, 0);
    t.Add(u"Connect", kTypeMemo, 0);
    t.Add(u"ForeignName", kTypeText, 510);
    t.Add(u"RmtInfoShort", kTypeBinary, 510);
    t.Add(u"RmtInfoLong", kTypeOle, 0);
    t.Add(u"Lv", kTypeOle, 0);
    t.Add(u"LvProp", kTypeOle, 0);
    t.Add(u"LvModule", kTypeOle, 0);
    t.Add(u"LvExtra", kTypeOle, 0);
    return t;
}

TableLayout RelationshipsLayout() {
    TableLayout t;
    t.name = u"MSysRelationships";
    t.system = true;
    t.Add(u"ccolumn", kTypeLong, 4);
    t.Add(u"grbit", kTypeLong, 4);
    t.Add(u"icolumn", kTypeLong, 4);
    t.Add(u"szColumn", kTypeText, 128);
    t.Add(u"szObject", kTypeText, 128);
    t.Add(u"szReferencedColumn", kTypeText, 128);
    t.Add(u"szReferencedObject", kTypeText, 128);
    t.Add(u"szRelationship", kTypeText, 128);
    return t;
}

std::string CatalogRow(const TableLayout& catalog, std::uint32_t id, std::uint32_t parent, const std::u16string& name,
                       int type, std::uint32_t flags, double date) {
    std::vector<Cell> cells(catalog.columns.size());
    auto set = [&cells](int i, std::string bytes) {
        cells[i].null = false;
        cells[i].bytes = std::move(bytes);
    };
    set(0, LongBytes(id));
    set(1, LongBytes(parent));
    set(2, TBJet4EncodeText(name));
    set(3, IntBytes(static_cast<std::uint32_t>(type)));
    set(4, DoubleBytes(date));
    set(5, DoubleBytes(date));
    set(7, LongBytes(flags));
    std::string row;
    EncodeRow(catalog, cells, row);
    return row;
}

}  // namespace

struct CJet4Writer::Impl {
    std::FILE* file = nullptr;
    std::string path;
    bool hasTable = true;
    TableLayout table;
    std::vector<int> declaredChars;
    std::vector<int> longestChars;
    std::vector<int> pendingChars;
    std::vector<bool> overlong;
    std::vector<Cell> cells;
    std::string rowScratch;
    DataPage page{0};
    std::uint32_t definitionPages = 0;
    std::uint32_t firstDataPage = 0;
    std::uint32_t nextPage = 0;
    std::uint32_t records = 0;
    std::vector<std::uint8_t> zeroPage = std::vector<std::uint8_t>(kPageSize, 0);

    bool WritePage(std::uint32_t number, const std::uint8_t* bytes) {
        const long long offset = static_cast<long long>(number) * kPageSize;
        if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        return std::fwrite(bytes, 1, kPageSize, file) == static_cast<std::size_t>(kPageSize);
    }
    bool AppendPage(const std::uint8_t* bytes) { return WritePage(nextPage++, bytes); }
    void CloseFile() {
        if (file) std::fclose(file);
        file = nullptr;
    }
};

namespace {

// The failure of a page write: the file and what the system said ("No space left on device").
std::string CannotWrite(const std::string& path, int error) {
    return "cannot write \"" + path + "\": " + std::strerror(error ? error : EIO);
}

}  // namespace

CJet4Writer::CJet4Writer() = default;

CJet4Writer::~CJet4Writer() {
    if (m_impl && m_impl->file) Abort();
}

std::uint32_t CJet4Writer::RecordCount() const { return m_impl ? m_impl->records : 0; }

bool CJet4Writer::Open(const std::string& path, const std::string& tableName, const std::vector<CJet4Field>& fields) {
    if (m_impl && m_impl->file) Abort();
    m_error.clear();
    m_failure = Jet4Failure::None;
    auto impl = std::make_unique<Impl>();
    impl->table.name = TBUtf8ToUtf16(tableName);
    impl->hasTable = !tableName.empty() || !fields.empty();
    if (impl->hasTable) {
        if (impl->table.name.empty() || impl->table.name.size() > static_cast<std::size_t>(kMaxNameChars))
            return Fail(Jet4Failure::Name, "invalid table name \"" + tableName + "\"");
        if (EqualIgnoringAsciiCase(impl->table.name, u"MSysObjects") ||
            EqualIgnoringAsciiCase(impl->table.name, u"MSysRelationships"))
            return Fail(Jet4Failure::Name, "the name \"" + tableName + "\" belongs to a system table");
        if (fields.empty()) return Fail(Jet4Failure::Limit, "a table needs at least one field");
        if (fields.size() > static_cast<std::size_t>(kMaxFields))
            return Fail(Jet4Failure::Limit, "a table holds at most 255 fields");
    }
    for (const CJet4Field& f : fields) {
        const std::u16string name = TBUtf8ToUtf16(f.name);
        if (name.empty() || name.size() > static_cast<std::size_t>(kMaxNameChars))
            return Fail(Jet4Failure::Name, "invalid field name \"" + f.name + "\"");
        for (const Column& c : impl->table.columns) {
            if (EqualIgnoringAsciiCase(c.name, name))
                return Fail(Jet4Failure::Name, "duplicate field name \"" + f.name + "\"");
        }
        if (f.kind == CJet4Field::Text) {
            const int chars = std::clamp(f.size, 1, kMaxTextChars);
            impl->table.Add(name, kTypeText, static_cast<std::uint16_t>(chars * 2));
            impl->declaredChars.push_back(chars);
        } else {
            impl->table.Add(name, kTypeDouble, 8);
            impl->declaredChars.push_back(0);
        }
    }
    impl->longestChars.assign(fields.size(), 0);
    impl->pendingChars.assign(fields.size(), 0);
    impl->overlong.assign(fields.size(), false);
    impl->cells.assign(fields.size(), Cell());
    // The definition's size does not depend on the values, so its page count is
    // known now and the data pages can follow it directly.
    impl->definitionPages = impl->hasTable ? DefinitionPages(BuildDefinition(impl->table, 0, 0, 0).size()) : 0;
    impl->firstDataPage = kUserDefinitionPage + impl->definitionPages;
    impl->nextPage = impl->firstDataPage;
    impl->page = DataPage(kUserDefinitionPage);
    impl->file = std::fopen(path.c_str(), "wb");
    if (!impl->file) return Fail(Jet4Failure::Io, "cannot create \"" + path + "\": " + std::strerror(errno));
    impl->path = path;
    // Reserve the leading pages; they are written at Close.
    for (std::uint32_t pg = 0; pg < impl->firstDataPage; ++pg) {
        if (!impl->WritePage(pg, impl->zeroPage.data())) {
            m_impl = std::move(impl);
            Abort();
            return Fail(Jet4Failure::Io, CannotWrite(path, errno));
        }
    }
    m_impl = std::move(impl);
    return true;
}

void CJet4Writer::SetDouble(int field, double value) {
    if (!m_impl || field < 0 || field >= static_cast<int>(m_impl->cells.size())) return;
    if (m_impl->table.columns[field].type != kTypeDouble) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
        SetText(field, std::string(text, result.ptr));
        return;
    }
    Cell& c = m_impl->cells[field];
    c.null = false;
    c.bytes = DoubleBytes(value);
}

void CJet4Writer::SetText(int field, const std::string& utf8) {
    if (!m_impl || field < 0 || field >= static_cast<int>(m_impl->cells.size())) return;
    Cell& c = m_impl->cells[field];
    if (m_impl->table.columns[field].type == kTypeDouble) {
        // A text for a double field is read as a number; anything else stores null.
        const char* begin = utf8.data();
        while (begin < utf8.data() + utf8.size() && (*begin == ' ' || *begin == '+')) ++begin;
        double v = 0;
        const auto result = std::from_chars(begin, utf8.data() + utf8.size(), v);
        c.null = result.ec != std::errc();
        c.bytes = c.null ? std::string() : DoubleBytes(v);
        return;
    }
    const std::u16string text = TBUtf8ToUtf16(utf8);
    m_impl->overlong[field] = text.size() > static_cast<std::size_t>(kMaxTextChars);
    c.null = false;
    c.bytes = TBJet4EncodeText(text);
    m_impl->pendingChars[field] = static_cast<int>(text.size());
}

void CJet4Writer::SetNull(int field) {
    if (!m_impl || field < 0 || field >= static_cast<int>(m_impl->cells.size())) return;
    m_impl->cells[field] = Cell();
    m_impl->overlong[field] = false;
    m_impl->pendingChars[field] = 0;
}

bool CJet4Writer::AddRecord() {
    if (!m_impl || !m_impl->file || !m_impl->hasTable) return Fail(Jet4Failure::Io, "no table is open for records");
    Impl& d = *m_impl;
    for (std::size_t i = 0; i < d.overlong.size(); ++i) {
        if (d.overlong[i]) {
            std::string name;
            for (char16_t ch : d.table.columns[i].name) name.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
            return Fail(Jet4Failure::Limit, "text longer than 255 characters in field \"" + name + "\"");
        }
    }
    EncodeRow(d.table, d.cells, d.rowScratch);
    if (d.rowScratch.size() > static_cast<std::size_t>(kMaxRowBytes))
        return Fail(Jet4Failure::Limit, "record too large for a data page");
    if (d.records == 0xFFFFFFFFu || d.nextPage >= kMaxPages)
        return Fail(Jet4Failure::Limit, "the database is full (2 GB)");
    if (!d.page.Fits(d.rowScratch.size())) {
        if (!d.AppendPage(d.page.Bytes())) return Fail(Jet4Failure::Io, CannotWrite(d.path, errno));
        d.page.Reset();
    }
    d.page.Add(d.rowScratch);
    ++d.records;
    for (std::size_t i = 0; i < d.cells.size(); ++i) {
        d.longestChars[i] = std::max(d.longestChars[i], d.pendingChars[i]);
        d.pendingChars[i] = 0;
        d.cells[i].null = true;
    }
    return true;
}

bool CJet4Writer::Close() {
    if (!m_impl || !m_impl->file) return Fail(Jet4Failure::Io, "the database is not open");
    Impl& d = *m_impl;
    bool ok = true;
    if (d.page.Rows() > 0) ok = d.AppendPage(d.page.Bytes());
    const std::uint32_t dataPages = d.nextPage - d.firstDataPage;

    // Text columns take the width of their longest value (at least the declared one).
    TableLayout& t = d.table;
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].type == kTypeText)
            t.columns[i].length = static_cast<std::uint16_t>(
                2 * std::max(d.declaredChars[i], std::min(d.longestChars[i], kMaxTextChars)));

    // Usage maps of the user table; bitmap pages follow the data pages.
    const std::uint32_t bitmapPages = BitmapPagesNeeded(d.firstDataPage, dataPages);
    const std::uint32_t firstBitmapPage = d.nextPage;
    for (std::uint32_t m = 0; ok && m < bitmapPages; ++m) {
        const std::uint32_t index = d.firstDataPage / kBitmapPagePages + m;
        ok = d.AppendPage(BitmapPage(index, d.firstDataPage, dataPages).data());
    }
    const std::uint32_t totalPages = d.nextPage;

    const TableLayout catalog = CatalogLayout();
    const TableLayout relationships = RelationshipsLayout();
    auto mapRow = [](std::uint32_t row) { return (kUsageMapPage << 8) | row; };

    DataPage maps(0);
    maps.Add(UsageMapRow(kCatalogDataPage, 1, 0));                       // row 0: catalogue pages
    maps.Add(UsageMapRow(kCatalogDataPage, 0, 0));                       // row 1: catalogue free space
    maps.Add(UsageMapRow(kRelationshipsPage, 0, 0));                     // row 2: relationships pages
    maps.Add(UsageMapRow(kRelationshipsPage, 0, 0));                     // row 3: relationships free space
    maps.Add(UsageMapRow(d.firstDataPage, dataPages, firstBitmapPage));  // row 4: user table pages
    maps.Add(UsageMapRow(d.firstDataPage, 0, 0));                        // row 5: user table free space

    const double now = CurrentDateValue();
    DataPage catalogPage(kCatalogPage);
    catalogPage.Add(CatalogRow(catalog, kTablesContainerId, kRootContainerId, u"Tables", kObjectContainer, 0, now));
    catalogPage.Add(
        CatalogRow(catalog, kDatabasesContainerId, kRootContainerId, u"Databases", kObjectContainer, 0, now));
    catalogPage.Add(
        CatalogRow(catalog, kRelationshipsContainerId, kRootContainerId, u"Relationships", kObjectContainer, 0, now));
    catalogPage.Add(
        CatalogRow(catalog, kCatalogPage, kTablesContainerId, catalog.name, kObjectTable, kSystemObjectFlags, now));
    catalogPage.Add(CatalogRow(catalog, kRelationshipsPage, kTablesContainerId, relationships.name, kObjectTable,
                               kSystemObjectFlags, now));
    if (d.hasTable)
        catalogPage.Add(CatalogRow(catalog, kUserDefinitionPage, kTablesContainerId, t.name, kObjectTable, 0, now));

    // Global usage map: the pages this file occupies (as far as one row reaches).
    DataPage global(0);
    global.Add(UsageMapRow(0, std::min<std::uint32_t>(totalPages, kInlineMapPages), 0));

    auto catalogDefinition =
        SplitDefinition(BuildDefinition(catalog, catalogPage.Rows(), mapRow(0), mapRow(1)), kCatalogPage);
    auto relationshipsDefinition =
        SplitDefinition(BuildDefinition(relationships, 0, mapRow(2), mapRow(3)), kRelationshipsPage);
    std::vector<std::vector<std::uint8_t>> userDefinition;
    if (d.hasTable)
        userDefinition = SplitDefinition(BuildDefinition(t, d.records, mapRow(4), mapRow(5)), kUserDefinitionPage);
    if (catalogDefinition.size() != 1 || relationshipsDefinition.size() != 1 ||
        userDefinition.size() != d.definitionPages) {
        m_error = "internal layout error";
        ok = false;
    }
    if (ok) {
        ok = d.WritePage(0, DatabaseDefinitionPage().data()) && d.WritePage(kGlobalMapPage, global.Bytes()) &&
             d.WritePage(kCatalogPage, catalogDefinition[0].data()) &&
             d.WritePage(kCatalogDataPage, catalogPage.Bytes()) && d.WritePage(kUsageMapPage, maps.Bytes()) &&
             d.WritePage(kRelationshipsPage, relationshipsDefinition[0].data());
        for (std::uint32_t i = 0; ok && i < userDefinition.size(); ++i)
            ok = d.WritePage(kUserDefinitionPage + i, userDefinition[i].data());
    }
    if (ok) ok = std::fflush(d.file) == 0;
    int error = errno;
    const bool closed = std::fclose(d.file) == 0;
    if (ok && !closed) error = errno;
    d.file = nullptr;
    if (!ok || !closed) {
        std::remove(d.path.c_str());
        return Fail(Jet4Failure::Io, m_error.empty() ? CannotWrite(d.path, error) : m_error);
    }
    return true;
}

bool CJet4Writer::Fail(Jet4Failure kind, const std::string& text) {
    m_failure = kind;
    m_error = text;
    return false;
}

void CJet4Writer::Abort() {
    if (!m_impl) return;
    if (m_impl->file) {
        m_impl->CloseFile();
        std::remove(m_impl->path.c_str());
    }
}
