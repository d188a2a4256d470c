// Structural reader of Jet 3 and Jet 4 files; see jet_file.h. The walks below follow
// the order and the arithmetic of libmdb's own (page reads past the end of the file,
// row offset masks, the jump tables of Jet 3 rows, the fallback scan when a usage map
// cannot be used), so that "checked here" means "safe there".
#include "exchange/tables/jet/jet_file.h"
#include "platform/types/byte_order.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOffsetMask = 0x1FFF;
constexpr int kDeletedRow = 0x4000;
constexpr int kMaxColumns = 256;     // libmdb decodes rows into arrays of this size
constexpr int kMaxRowNumber = 1000;  // libmdb does not look up rows beyond
constexpr int kMemoHeader = 12;
constexpr std::uint32_t kMaxDefinitionPages = 256;
constexpr std::uint32_t kMaxMemoHops = 1u << 20;
const char* const kDamagedRecord = "a record's layout is damaged";
constexpr std::uint64_t kMaxFileBytes = 0x100000000ull;

// Column types.
constexpr int kBool = 0x01, kByte = 0x02, kInt = 0x03, kLong = 0x04, kMoney = 0x05, kFloat = 0x06, kDouble = 0x07,
              kDate = 0x08, kText = 0x0A, kMemo = 0x0C, kGuid = 0x0F, kNumeric = 0x10;

// Offsets that differ between Jet 3 and Jet 4.
struct Layout {
    int pageSize;
    int rowCountOffset;  // data pages
    int numRowsOffset;   // table definition
    int numColsOffset;   // number of columns; variable columns 2 bytes before
    int realIndexOffset;
    int usageMapOffset;
    int freeMapOffset;
    int columnsStart;
    int realIndexEntry;
    int columnEntry;
    int columnNumber;
    int columnVarIndex;
    int columnFlags;
    int columnFixedOffset;
    int columnSize;
    int rowCountBytes;  // bytes of the column count at the start of a row
};
constexpr Layout kJet3{2048, 8, 12, 25, 31, 35, 39, 43, 8, 18, 1, 3, 13, 14, 16, 1};
constexpr Layout kJet4{4096, 12, 16, 45, 51, 55, 59, 63, 12, 25, 5, 7, 15, 21, 23, 2};

using tb_bytes::LoadU16;
using tb_bytes::LoadU32;

bool EqualNoCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

JetValueRoute TBJetValueRoute(const CJetColumn& column) {
    switch (column.type) {
        case kBool: return JetValueRoute::Raw;
        case kByte:
        case kInt:
        case kLong:
        case kMoney:
        case kFloat:
        case kDouble:
        case kDate: return column.fixed ? JetValueRoute::Raw : JetValueRoute::None;
        case kText: return JetValueRoute::Text;
        case kMemo: return column.fixed ? JetValueRoute::None : JetValueRoute::Text;
        case kNumeric: return column.fixed && column.size == 17 ? JetValueRoute::Text : JetValueRoute::None;
        case kGuid: return column.fixed && column.size == 16 ? JetValueRoute::Text : JetValueRoute::None;
        default: return JetValueRoute::None;
    }
}

bool CJetFile::Fail(const std::string& text) {
    m_error = text;
    return false;
}

bool CJetFile::Load(const std::string& bytes) {
    std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    return TakeBytes(std::move(copy), bytes.size());
}

bool CJetFile::LoadFile(const char* path) {
    m_bytes.reset();
    m_size = 0;
    m_unreadable = true;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail("the file cannot be opened");
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return Fail("the file cannot be read");
    }
    // Not zero-filled first: the bytes read are all that is used.
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> bytes(new char[size + 1]);
    std::size_t done = 0;
    bool failed = false;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes.get() + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;  // a file cut while being read is refused by its page count
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failed) return Fail("the file cannot be read");
    m_unreadable = false;
    return TakeBytes(std::move(bytes), done);
}

bool CJetFile::TakeBytes(std::unique_ptr<char[]> bytes, std::size_t size) {
    m_bytes = std::move(bytes);
    m_size = size;
    m_unreadable = false;
    m_error.clear();
    m_version = 0;
    m_pageCount = 0;
    const auto* b = reinterpret_cast<const std::uint8_t*>(m_bytes.get());
    if (m_size < 0x80) return Fail("the file is too short for a database");
    if (b[0] != 0 || (std::memcmp(b + 4, "Standard Jet DB", 15) != 0 && std::memcmp(b + 4, "Standard ACE DB", 15) != 0))
        return Fail("the file has no database signature");
    // The version is read as one byte by some readers and as four by others.
    if (b[0x15] != 0 || b[0x16] != 0 || b[0x17] != 0 || b[0x14] > 6) return Fail("unknown database version");
    m_version = b[0x14] == 0 ? 3 : 4;
    m_pageSize = m_version == 3 ? kJet3.pageSize : kJet4.pageSize;
    if (m_size % m_pageSize != 0) return Fail("the file size is not a whole number of pages (truncated?)");
    m_pageCount = static_cast<std::uint32_t>(m_size / m_pageSize);
    if (m_pageCount < 3) return Fail("the file is too short for a database");
    std::uint8_t header[128];
    const int masked = m_version == 3 ? 126 : 128;
    std::memcpy(header, b + 0x18, masked);
    TBJetMaskHeader(header, masked);
    if (LoadU32(header + 0x3E - 0x18) != 0) return Fail("the database is encrypted");
    m_zeroPage.assign(m_pageSize, 0);
    return true;
}

// A page as libmdb reads it: the page itself, zeros for the page just past the end
// (its read succeeds with nothing read), null beyond.
const std::uint8_t* CJetFile::Page(std::uint32_t number) const {
    if (number < m_pageCount)
        return reinterpret_cast<const std::uint8_t*>(m_bytes.get()) + std::size_t(number) * m_pageSize;
    if (number == m_pageCount) return m_zeroPage.data();
    return nullptr;
}

bool CJetFile::FindRow(const std::uint8_t* page, int row, int& start, int& size) const {
    const Layout& l = m_version == 3 ? kJet3 : kJet4;
    if (row > kMaxRowNumber) return false;
    start = static_cast<int>(LoadU16(page + l.rowCountOffset + 2 + row * 2));
    const int next = row == 0 ? m_pageSize : static_cast<int>(LoadU16(page + l.rowCountOffset + row * 2) & kOffsetMask);
    const int begin = start & kOffsetMask;
    if (begin >= m_pageSize || begin > next || next > m_pageSize) return false;
    size = next - begin;
    return true;
}

bool CJetFile::FindPageRow(std::uint32_t pageRow, const std::uint8_t*& page, int& start, int& size) const {
    if (pageRow & 0x80000000u) return false;
    page = Page(pageRow >> 8);
    if (!page) return false;
    if (!FindRow(page, static_cast<int>(pageRow & 0xFF), start, size)) return false;
    start &= kOffsetMask;
    return true;
}

std::string CJetFile::DecodeText(const std::uint8_t* data, int size) const {
    if (size <= 0) return std::string();
    return m_version == 3 ? TBJet3DecodeText(data, size) : TBJet4DecodeText(data, size);
}

bool CJetFile::ReadDefinition(std::uint32_t pageNumber, CJetTableDefinition& def) {
    const Layout& l = m_version == 3 ? kJet3 : kJet4;
    def = CJetTableDefinition();
    def.page = pageNumber;
    if (pageNumber == 0 || pageNumber >= m_pageCount) return Fail("a table definition lies outside the file");
    const std::uint8_t* first = Page(pageNumber);
    if (first[0] != 0x02) return Fail("a table definition page is not of the definition kind");

    // The definition as one stream over its page chain.
    std::string stream(reinterpret_cast<const char*>(first), m_pageSize);
    std::set<std::uint32_t> seen{pageNumber};
    for (std::uint32_t next = LoadU32(first + 4); next != 0 && seen.size() < kMaxDefinitionPages;) {
        if (next >= m_pageCount || seen.count(next)) break;
        const std::uint8_t* p = Page(next);
        if (p[0] != 0x02) break;
        seen.insert(next);
        stream.append(reinterpret_cast<const char*>(p) + 8, m_pageSize - 8);
        next = LoadU32(p + 4);
    }
    const auto* s = reinterpret_cast<const std::uint8_t*>(stream.data());
    const std::size_t length = stream.size();

    def.rows = LoadU32(s + l.numRowsOffset);
    def.varColumns = static_cast<int>(LoadU16(s + l.numColsOffset - 2));
    const int columns = static_cast<int>(LoadU16(s + l.numColsOffset));
    const std::uint32_t realIndexes = LoadU32(s + l.realIndexOffset);
    if (columns > kMaxColumns) return Fail("a table has more columns than a table can have");
    std::uint64_t pos = l.columnsStart + std::uint64_t(realIndexes) * l.realIndexEntry;
    if (pos + std::uint64_t(columns) * l.columnEntry > length) return Fail("a table definition is cut short");
    for (int i = 0; i < columns; ++i) {
        const std::uint8_t* e = s + pos;
        CJetColumn c;
        c.type = e[0];
        c.number = e[l.columnNumber];
        c.varIndex = static_cast<int>(LoadU16(e + l.columnVarIndex));
        c.fixed = (e[l.columnFlags] & 0x01) != 0;
        c.fixedOffset = static_cast<int>(LoadU16(e + l.columnFixedOffset));
        c.size = c.type == kBool ? 0 : static_cast<int>(LoadU16(e + l.columnSize));
        def.columns.push_back(c);
        pos += l.columnEntry;
    }
    for (CJetColumn& c : def.columns) {
        const int lengthBytes = m_version == 3 ? 1 : 2;
        if (pos + lengthBytes > length) return Fail("a table definition is cut short");
        const std::uint32_t nameBytes = m_version == 3 ? s[pos] : LoadU16(s + pos);
        pos += lengthBytes;
        if (pos + nameBytes > length) return Fail("a table definition is cut short");
        c.name = DecodeText(s + pos, static_cast<int>(nameBytes));
        pos += nameBytes;
    }
    // Readers present the columns in the order of their numbers; two columns with one
    // number would make that order ambiguous.
    std::stable_sort(def.columns.begin(), def.columns.end(),
                     [](const CJetColumn& a, const CJetColumn& b) { return a.number < b.number; });
    for (std::size_t i = 1; i < def.columns.size(); ++i)
        if (def.columns[i].number == def.columns[i - 1].number) return Fail("two columns of a table share a number");

    const std::uint8_t* mapPage = nullptr;
    int mapStart = 0, mapSize = 0;
    if (!FindPageRow(LoadU32(s + l.usageMapOffset), mapPage, mapStart, mapSize) || mapSize < 1)
        return Fail("the usage map of a table points nowhere");
    def.usageMap.assign(mapPage + mapStart, mapPage + mapStart + mapSize);
    if (!FindPageRow(LoadU32(s + l.freeMapOffset), mapPage, mapStart, mapSize))
        return Fail("the free-space map of a table points nowhere");
    return true;
}

// libmdb returns page numbers as signed 32-bit values; one past 2^31 reads as
// "map unusable".
static long long AsPageNumber(std::uint64_t page) {
    const std::uint32_t truncated = static_cast<std::uint32_t>(page);
    return truncated > 0x7FFFFFFFu ? -1 : static_cast<long long>(truncated);
}

// The next page after current the usage map lists: > 0 a page, 0 none, -1 the map
// cannot be used (unknown kind or unreadable bitmap page: scan every page instead).
static long long MapFindNext(const CJetFile& file, const std::vector<std::uint8_t>& map, std::uint32_t current,
                             const std::uint8_t* (*page)(const CJetFile&, std::uint32_t)) {
    if (map[0] == 0) {
        if (map.size() < 5) return 0;
        const std::uint32_t first = LoadU32(map.data() + 1);
        const std::uint32_t bits = static_cast<std::uint32_t>(map.size() - 5) * 8;
        for (std::uint32_t i = current >= first ? current - first + 1 : 0; i < bits; ++i)
            if (map[5 + i / 8] & (1 << (i % 8))) return AsPageNumber(std::uint64_t(first) + i);
        return 0;
    }
    if (map[0] == 1) {
        const std::uint32_t bits = static_cast<std::uint32_t>(file.PageSize() - 4) * 8;
        const std::uint32_t maps = static_cast<std::uint32_t>(map.size() - 1) / 4;
        std::uint32_t offset = (current + 1) % bits;
        for (std::uint32_t index = (current + 1) / bits; index < maps; ++index, offset = 0) {
            const std::uint32_t mapPage = LoadU32(map.data() + 1 + index * 4);
            if (!mapPage) continue;
            const std::uint8_t* bitmap = page(file, mapPage);
            if (!bitmap) return -1;
            for (std::uint32_t i = offset; i < bits; ++i)
                if (bitmap[4 + i / 8] & (1 << (i % 8))) return AsPageNumber(std::uint64_t(index) * bits + i);
        }
        return 0;
    }
    return -1;
}

CJetFile::PlainShape CJetFile::PlainShapeOf(const CJetTableDefinition& def) const {
    const Layout& l = m_version == 3 ? kJet3 : kJet4;
    PlainShape shape;
    if (def.varColumns != 0 || def.columns.empty()) return shape;
    const std::size_t count = def.columns.size();
    int minSize = l.rowCountBytes;
    for (const CJetColumn& c : def.columns) {
        if (!c.fixed || c.number < 0 || static_cast<std::size_t>(c.number) >= count ||
            TBJetValueRoute(c) == JetValueRoute::Text)
            return shape;
        minSize = std::max(minSize, l.rowCountBytes + c.fixedOffset + c.size);
    }
    shape.usable = true;
    shape.columns = static_cast<std::uint32_t>(count);
    shape.minSize = minSize;
    return shape;
}

template <class Visit>
bool CJetFile::ForEachRow(const CJetTableDefinition& def, bool plainRows, Visit visit) {
    // The stated row count is not trusted (libmdb reads the pages even when it is 0).
    const Layout& l = m_version == 3 ? kJet3 : kJet4;
    auto pageOf = [](const CJetFile& f, std::uint32_t n) { return f.Page(n); };
    std::vector<Field>& fields = m_fields;
    m_textColumns.clear();
    for (std::size_t i = 0; i < def.columns.size(); ++i)
        if (TBJetValueRoute(def.columns[i]) == JetValueRoute::Text) m_textColumns.push_back(i);
    const PlainShape plain = plainRows ? PlainShapeOf(def) : PlainShape();
    std::uint64_t current = 0;
    for (;;) {
        const std::uint8_t* page = nullptr;
        const long long next =
            current > 0xFFFFFFFFull ? 0 : MapFindNext(*this, def.usageMap, static_cast<std::uint32_t>(current), pageOf);
        if (next < 0) {
            // Scan from the current page on (it is read again, as libmdb does).
            for (;;) {
                if (current > 0xFFFFFFFFull) return true;
                page = Page(static_cast<std::uint32_t>(current));
                ++current;
                if (!page) return true;
                if (page[0] == 0x01 && LoadU32(page + 4) == def.page) break;
            }
        } else if (next == 0) {
            return true;
        } else {
            // libmdb stops quietly at a listed page past the end; that is a cut file.
            if (static_cast<std::uint64_t>(next) >= m_pageCount)
                return Fail("a table lists pages past the end of the file (truncated?)");
            page = Page(static_cast<std::uint32_t>(next));
            current = static_cast<std::uint64_t>(next);
            if (page[0] != 0x01 || LoadU32(page + 4) != def.page) continue;
        }
        // The row offset table as FindRow reads it, inline: rows past kMaxRowNumber are
        // never looked up.
        const int rows = std::min(static_cast<int>(LoadU16(page + l.rowCountOffset)), kMaxRowNumber + 1);
        const std::uint8_t* offsets = page + l.rowCountOffset + 2;
        for (int r = 0; r < rows; ++r) {
            int start = static_cast<int>(LoadU16(offsets + r * 2));
            const int next = r == 0 ? m_pageSize : static_cast<int>(LoadU16(offsets + r * 2 - 2) & kOffsetMask);
            const int begin = start & kOffsetMask;
            if (begin >= m_pageSize || begin > next || next > m_pageSize) continue;
            const int size = next - begin;
            if (size == 0 || (start & kDeletedRow)) continue;
            start = begin;
            if (plain.usable && size >= plain.minSize) {
                // The checks of CrackRow, which a row of this shape passes as a whole.
                const std::uint32_t rowEnd = static_cast<std::uint32_t>(start + size - 1);
                const std::uint32_t rowCols = m_version == 3 ? page[start] : LoadU16(page + start);
                const std::uint32_t bitmask = (rowCols + 7) / 8;
                if (rowCols == plain.columns && bitmask + (m_version == 3 ? 0 : 1) < rowEnd) {
                    if (!visit(page, Row{nullptr, start, rowEnd - bitmask + 1})) return false;
                    continue;
                }
            }
            bool usable = false;
            if (!CrackRow(def, page, start, size, fields, usable)) return false;
            if (usable && !visit(page, Row{&fields, start, 0})) return false;
        }
    }
}

bool CJetFile::CrackRow(const CJetTableDefinition& def, const std::uint8_t* page, int rowStart, int rowSize,
                        std::vector<Field>& fields, bool& usable) {
    const Layout& l = m_version == 3 ? kJet3 : kJet4;
    usable = false;
    if (rowSize < l.rowCountBytes) return Fail("a record is shorter than its own header");
    const std::uint32_t rowEnd = static_cast<std::uint32_t>(rowStart + rowSize - 1);
    const std::uint32_t rowCols = m_version == 3 ? page[rowStart] : LoadU16(page + rowStart);
    const std::uint32_t bitmask = (rowCols + 7) / 8;
    // Where libmdb would skip a record as malformed, the file is damaged: refuse it
    // rather than lose the record without a word.
    if (bitmask + (m_version == 3 ? 0 : 1) >= rowEnd) return Fail(kDamagedRecord);
    const std::uint32_t nullMask = rowEnd - bitmask + 1;

    std::uint32_t rowVarCols = 0;
    std::vector<std::uint32_t>& offsets = m_offsets;
    if (def.varColumns > 0) {
        if (m_version == 4) {
            rowVarCols = LoadU16(page + rowEnd - bitmask - 1);
            if (bitmask + 3 + rowVarCols * 2 + 2 > rowEnd) return Fail(kDamagedRecord);
            offsets.resize(rowVarCols + 1);
            for (std::uint32_t i = 0; i <= rowVarCols; ++i) offsets[i] = LoadU16(page + rowEnd - bitmask - 3 - i * 2);
        } else {
            rowVarCols = page[rowEnd - bitmask];
            const std::uint32_t rowLength = rowEnd - rowStart + 1;
            std::uint32_t jumps = (rowLength - 1) / 256;
            const std::uint32_t columnPointer = rowEnd - bitmask - jumps - 1;
            if ((columnPointer - rowStart - rowVarCols) / 256 < jumps) --jumps;
            if (bitmask + jumps + 1 > rowEnd) return Fail(kDamagedRecord);
            if (columnPointer < rowVarCols) return Fail("a record's offset table runs off its page");
            offsets.resize(rowVarCols + 1);
            std::uint32_t used = 0;
            for (std::uint32_t i = 0; i <= rowVarCols; ++i) {
                while (used < jumps && i == page[rowEnd - bitmask - used - 1]) ++used;
                offsets[i] = page[columnPointer - i] + used * 256;
            }
        }
    }
    const std::uint32_t rowFixedCols = rowCols - rowVarCols;
    std::uint32_t fixedFound = 0;
    fields.resize(def.columns.size());  // every member of every field is set below
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        const CJetColumn& c = def.columns[i];
        Field& f = fields[i];
        const std::uint32_t maskByte = nullMask + c.number / 8;
        // Past a Jet 4 page libmdb sees unrelated memory: take the value as present so
        // that it is checked; past a Jet 3 page its buffer holds zeros.
        const bool notNull =
            maskByte < static_cast<std::uint32_t>(m_pageSize) ? (page[maskByte] >> (c.number % 8)) & 1 : m_version == 4;
        long long start = 0, size = 0;
        bool located = false;
        if (c.fixed && fixedFound < rowFixedCols) {
            start = rowStart + c.fixedOffset + l.rowCountBytes;
            size = c.size;
            ++fixedFound;
            located = true;
        } else if (!c.fixed && static_cast<std::uint32_t>(c.varIndex) < rowVarCols) {
            start = rowStart + static_cast<long long>(offsets[c.varIndex]);
            size = static_cast<long long>(offsets[c.varIndex + 1]) - static_cast<long long>(offsets[c.varIndex]);
            located = true;
        }
        // libmdb's own check of the extent (as the unsigned sum it computes).
        const long long end = start + size;
        if (located && (end < 0 || end > rowStart + rowSize)) return Fail(kDamagedRecord);
        f.present = located && notNull;
        f.start = static_cast<int>(start);
        f.size = static_cast<int>(size);
    }
    // Values libmdb will convert must lie inside the record.
    for (std::size_t i : m_textColumns) {
        const Field& f = fields[i];
        if (!f.present) continue;
        if (f.size < 0 || f.start < rowStart) return Fail("a record's value lies outside the record");
        if (def.columns[i].type == kMemo && !CheckMemo(page, f)) return false;
    }
    usable = true;
    return true;
}

bool CJetFile::CheckMemo(const std::uint8_t* page, const Field& field) {
    if (field.size == 0) return true;
    if (field.size < kMemoHeader) return Fail("a memo value is shorter than its header");
    const std::uint8_t* v = page + field.start;
    const std::uint32_t header = LoadU32(v);
    const std::uint32_t length = header & 0x3FFFFFFFu;
    if (header & 0x80000000u) {
        if (length > static_cast<std::uint32_t>(field.size - kMemoHeader))
            return Fail("a memo value is longer than its record");
        return true;
    }
    if (header & 0x40000000u) {
        const std::uint8_t* p = nullptr;
        int start = 0, size = 0;
        if (FindPageRow(LoadU32(v + 4), p, start, size) && length > static_cast<std::uint32_t>(size))
            return Fail("a memo value is longer than its page");
        return true;
    }
    if ((header & 0xFF000000u) != 0) return true;  // kinds libmdb leaves empty
    std::set<std::uint32_t> seen;
    std::uint64_t total = 0;
    for (std::uint32_t pageRow = LoadU32(v + 4), hops = 0; pageRow != 0; ++hops) {
        if ((pageRow >> 8) == 0 || hops > kMaxMemoHops || !seen.insert(pageRow).second)
            return Fail("a memo value's page chain is broken");
        const std::uint8_t* p = nullptr;
        int start = 0, size = 0;
        if (!FindPageRow(pageRow, p, start, size)) return true;  // libmdb stops there
        if (size < 4) return Fail("a memo value's page chain is broken");
        total += static_cast<std::uint64_t>(size - 4);
        if (total > length) return Fail("a memo value's pages hold more than its length");
        pageRow = LoadU32(p + start);
    }
    return true;
}

bool CJetFile::CheckRows(const CJetTableDefinition& def, std::uint32_t& liveRows) {
    liveRows = 0;
    return ForEachRow(def, true, [&liveRows](const std::uint8_t*, const Row&) {
        ++liveRows;
        return true;
    });
}

bool CJetFile::NumbersOnly(const CJetTableDefinition& def, const std::vector<double*>& targets) {
    if (targets.size() != def.columns.size()) return false;
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (targets[i] && TBJetValueRoute(def.columns[i]) != JetValueRoute::Raw) return false;
    return true;
}

namespace {

// A Raw value as the table layer turns it into a number: the value itself for
// numbers and dates, currency scaled back by 10,000, a boolean -1 (true) or 0, and 0
// for Null and for a value whose size does not fit its kind.
inline double RawNumber(int type, bool present, const std::uint8_t* p, int size) {
    if (type == kBool) return present ? -1.0 : 0.0;
    if (!present) return 0.0;
    switch (type) {
        case kByte: return size == 1 ? p[0] : 0.0;
        case kInt: return size == 2 ? tb_bytes::LoadI16(p) : 0.0;
        case kLong: return size == 4 ? static_cast<std::int32_t>(LoadU32(p)) : 0.0;
        case kFloat: return size == 4 ? tb_bytes::LoadF32(p) : 0.0;
        case kDouble:
        case kDate: return size == 8 ? tb_bytes::LoadF64(p) : 0.0;
        case kMoney: return size == 8 ? static_cast<std::int64_t>(tb_bytes::LoadU64(p)) / 10000.0 : 0.0;
        default: return 0.0;
    }
}

}  // namespace

bool CJetFile::ReadNumbers(const CJetTableDefinition& def, const std::vector<double*>& targets, std::uint32_t limit,
                           std::uint32_t& rows) {
    rows = 0;
    if (!NumbersOnly(def, targets)) return Fail("a column asked for as numbers holds no numbers");
    const int countBytes = m_version == 3 ? kJet3.rowCountBytes : kJet4.rowCountBytes;
    struct Wanted {
        std::size_t column;
        int type;
        int size;
        int offset;    // of the value from the row start, in a plain row
        int maskByte;  // of its null bit from the null mask
        int bit;
        bool plainDouble;  // an 8-byte double or date
        double* target;
    };
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const CJetColumn& c = def.columns[i];
        if (targets[i])
            wanted.push_back({i, c.type, c.size, countBytes + c.fixedOffset, c.number / 8, c.number % 8,
                              (c.type == kDouble || c.type == kDate) && c.size == 8, targets[i]});
    }
    // Plain rows are gathered page by page and decoded column by column, each column a
    // tight loop over the page's rows; other rows are decoded as they come.
    struct Plain {
        std::uint32_t index;
        int start;
        std::uint32_t nullMask;
    };
    std::vector<Plain> batch(kMaxRowNumber + 1);  // a page holds no more rows that are read
    std::size_t batched = 0;
    const std::uint8_t* batchPage = nullptr;
    auto flush = [&] {
        for (const Wanted& w : wanted) {
            const std::uint8_t* page = batchPage;
            double* target = w.target;
            const int maskByte = w.maskByte, bit = w.bit, offset = w.offset;
            if (w.plainDouble) {
                for (std::size_t i = 0; i < batched; ++i) {
                    const Plain& p = batch[i];
                    const double value = tb_bytes::LoadF64(page + p.start + offset);
                    target[p.index] = (page[p.nullMask + maskByte] >> bit) & 1 ? value : 0.0;
                }
            } else {
                for (std::size_t i = 0; i < batched; ++i) {
                    const Plain& p = batch[i];
                    target[p.index] = RawNumber(w.type, (page[p.nullMask + maskByte] >> bit) & 1,
                                                page + p.start + offset, w.size);
                }
            }
        }
        batched = 0;
    };
    const bool ok = ForEachRow(def, true, [&](const std::uint8_t* page, const Row& row) {
        if (rows < limit) {
            if (row.fields) {
                for (const Wanted& w : wanted) {
                    const Field& f = (*row.fields)[w.column];
                    // A boolean lives in the null mask; its start may lie anywhere.
                    const std::uint8_t* at = f.present && w.type != kBool ? page + f.start : page;
                    w.target[rows] = RawNumber(w.type, f.present, at, f.size);
                }
            } else {
                // A page may come twice in a row (the scan reads the current page again).
                if (page != batchPage || batched == batch.size()) {
                    flush();
                    batchPage = page;
                }
                batch[batched++] = Plain{rows, row.start, row.nullMask};
            }
        }
        ++rows;
        return true;
    });
    flush();
    return ok;
}

bool CJetFile::ReadCatalog(std::vector<CJetCatalogEntry>& tables) {
    tables.clear();
    CJetTableDefinition def;
    if (!ReadDefinition(2, def)) return Fail("the catalogue cannot be read: " + m_error);
    int id = -1, name = -1, type = -1, flags = -1;
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        const CJetColumn& c = def.columns[i];
        if (EqualNoCase(c.name, "Id") && c.type == kLong && c.fixed) id = static_cast<int>(i);
        if (EqualNoCase(c.name, "Name") && c.type == kText) name = static_cast<int>(i);
        if (EqualNoCase(c.name, "Type") && c.type == kInt && c.fixed) type = static_cast<int>(i);
        if (EqualNoCase(c.name, "Flags") && c.type == kLong && c.fixed) flags = static_cast<int>(i);
    }
    if (id < 0 || name < 0 || type < 0 || flags < 0)
        return Fail("the catalogue lacks its Id, Name, Type or Flags column");
    const bool ok = ForEachRow(def, false, [&](const std::uint8_t* page, const Row& row) {
        const std::vector<Field>& fields = *row.fields;
        const Field& t = fields[type];
        if (!t.present || t.size != 2 || LoadU16(page + t.start) != 1) return true;
        const Field& i = fields[id];
        const Field& n = fields[name];
        if (!i.present || i.size != 4 || !n.present || n.size <= 0)
            return Fail("a catalogue row of a table lacks its id or name");
        CJetCatalogEntry entry;
        entry.name = DecodeText(page + n.start, n.size);
        entry.definitionPage = LoadU32(page + i.start) & 0x00FFFFFFu;
        const Field& f = fields[flags];
        entry.flags = f.present && f.size == 4 ? LoadU32(page + f.start) : 0;
        entry.system = (entry.flags & 0x80000002u) != 0;
        if (entry.definitionPage == 0 || entry.definitionPage >= m_pageCount || Page(entry.definitionPage)[0] != 0x02)
            return Fail("the catalogue row of table \"" + entry.name + "\" points nowhere");
        tables.push_back(entry);
        return true;
    });
    return ok;
}
