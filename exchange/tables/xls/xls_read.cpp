// Reads the cells of BIFF2 to BIFF8 worksheets.
//
// Reads: numbers (NUMBER, INTEGER, RK, MULRK), texts (LABEL, RSTRING, LABELSST with
// the shared string table), booleans, and the cached results of formulas. Formats,
// fonts, names, charts and everything else are skipped. Tolerates records it does not
// know and a stream that ends after the last EOF. Refuses, with a clear text, records
// that run past the stream, shared-string indices that do not exist, sheets wider than
// 256 columns, sheet offsets outside the stream and BIFF versions it does not know.
#include "exchange/tables/xls/xls_biff.h"
#include "platform/types/byte_order.h"

#include <cstring>
#include <set>

namespace tb_xls {

namespace {

enum : std::uint16_t {
    kBlank2 = 0x0001,
    kInteger2 = 0x0002,
    kNumber2 = 0x0003,
    kLabel2 = 0x0004,
    kBoolErr2 = 0x0005,
    kFormula2 = 0x0006,
    kString2 = 0x0007,
    kEof = 0x000A,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kBundleSheet = 0x008F,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kDimensions = 0x0200,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kFormula3 = 0x0206,
    kString = 0x0207,
    kArray2 = 0x0021,
    kTable2 = 0x0036,
    kSharedFormula3 = 0x00BC,
    kArray = 0x0221,
    kTable = 0x0236,
    kSharedFormula = 0x04BC,
    kRk = 0x027E,
    kFormula4 = 0x0406,
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
    kBof = 0x0809,
};

using tb_bytes::LoadF64;
using tb_bytes::LoadU16;
using tb_bytes::LoadU32;

double RkValue(std::uint32_t rk) {
    double value;
    if (rk & 2) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100.0 : value;
}

struct Record {
    std::uint16_t id = 0;
    const unsigned char* data = nullptr;
    std::uint16_t size = 0;
    size_t offset = 0;  // of the record header in the stream
};

// Walks the records of a stream; every record lies completely inside it.
class RecordReader {
public:
    RecordReader(const unsigned char* data, size_t size, size_t start) : m_data(data), m_size(size), m_pos(start) {}

    // Next record; false at the end of the stream or (status set) when a record runs past it.
    bool Next(Record& r, CDaoStatus& status) {
        if (m_pos >= m_size) return false;
        if (m_size - m_pos < 4) return status.Fail(TB_DAO_E_FORMAT, "A record header runs past the end of the stream.");
        r.offset = m_pos;
        r.id = LoadU16(m_data + m_pos);
        r.size = LoadU16(m_data + m_pos + 2);
        if (m_size - m_pos - 4 < r.size)
            return status.Fail(TB_DAO_E_FORMAT, "A record runs past the end of the stream.");
        r.data = m_data + m_pos + 4;
        m_pos += 4 + static_cast<size_t>(r.size);
        return true;
    }
    // Id of the next record without moving, 0 at the end.
    std::uint16_t PeekId() const { return m_size - m_pos >= 4 ? LoadU16(m_data + m_pos) : 0; }
    size_t Position() const { return m_pos; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos;
};

// The shared string table: one SST record and its CONTINUE records, read as one stream of
// segments in which a string's characters may be split (each continuation of characters
// starts with a fresh option byte).
class SstReader {
public:
    explicit SstReader(std::vector<std::pair<const unsigned char*, size_t>> segments)
        : m_segments(std::move(segments)) {}

    void Read(std::vector<CString>& strings) {
        if (!Skip(4)) return;  // total count of references
        std::uint32_t unique = 0;
        if (!ReadU32(unique)) return;
        // Each string takes at least three bytes, so the table cannot claim more.
        for (std::uint32_t i = 0; i < unique; ++i) {
            CString text;
            if (!ReadString(text)) return;
            strings.push_back(std::move(text));
        }
    }

private:
    bool AtSegmentEnd() const { return m_pos >= m_segments[m_seg].second; }
    bool NextSegment() {
        if (m_seg + 1 >= m_segments.size()) return false;
        ++m_seg;
        m_pos = 0;
        return true;
    }
    bool ReadByte(unsigned char& b) {
        while (m_seg < m_segments.size() && AtSegmentEnd())
            if (!NextSegment()) return false;
        if (m_seg >= m_segments.size()) return false;
        b = m_segments[m_seg].first[m_pos++];
        return true;
    }
    bool ReadU16(std::uint16_t& v) {
        unsigned char a, b;
        if (!ReadByte(a) || !ReadByte(b)) return false;
        v = static_cast<std::uint16_t>(a | (b << 8));
        return true;
    }
    bool ReadU32(std::uint32_t& v) {
        std::uint16_t lo, hi;
        if (!ReadU16(lo) || !ReadU16(hi)) return false;
        v = lo | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool Skip(size_t count) {
        while (count > 0) {
            if (m_seg >= m_segments.size()) return false;
            size_t avail = m_segments[m_seg].second - m_pos;
            if (avail == 0) {
                if (!NextSegment()) return false;
                continue;
            }
            size_t step = avail < count ? avail : count;
            m_pos += step;
            count -= step;
        }
        return true;
    }
    bool ReadString(CString& text) {
        std::uint16_t chars = 0;
        unsigned char flags = 0;
        if (!ReadU16(chars) || !ReadByte(flags)) return false;
        std::uint16_t runs = 0;
        std::uint32_t extSize = 0;
        if ((flags & 0x08) && !ReadU16(runs)) return false;
        if ((flags & 0x04) && !ReadU32(extSize)) return false;
        std::string out;
        std::vector<std::uint16_t> units;
        size_t left = chars;
        bool high = flags & 0x01;
        while (left > 0) {
            if (AtSegmentEnd()) {
                // Characters go on in the next CONTINUE record, which starts with its own option byte.
                if (!NextSegment()) return false;
                if (AtSegmentEnd()) continue;  // an empty CONTINUE record holds no option byte
                high = m_segments[m_seg].first[m_pos++] & 0x01;
                continue;
            }
            const unsigned char* p = m_segments[m_seg].first + m_pos;
            size_t avail = m_segments[m_seg].second - m_pos;
            if (high) {
                size_t n = avail / 2 < left ? avail / 2 : left;
                if (n == 0) return false;  // half a character at the end of a record
                units.clear();
                for (size_t k = 0; k < n; ++k) units.push_back(LoadU16(p + 2 * k));
                AppendUtf16(out, units.data(), n);
                m_pos += 2 * n;
                left -= n;
            } else {
                size_t n = avail < left ? avail : left;
                for (size_t k = 0; k < n; ++k) {
                    std::uint16_t u = p[k];
                    AppendUtf16(out, &u, 1);
                }
                m_pos += n;
                left -= n;
            }
        }
        if (!Skip(static_cast<size_t>(runs) * 4) || !Skip(extSize)) {
            // Formatting runs cut off at the very end of the table: the text itself is whole.
            text = CString(std::move(out));
            return true;
        }
        text = CString(std::move(out));
        return true;
    }

    std::vector<std::pair<const unsigned char*, size_t>> m_segments;
    size_t m_seg = 0;
    size_t m_pos = 0;
};

// State of one stream being read.
struct StreamContext {
    const unsigned char* data = nullptr;
    size_t size = 0;
    int version = 0;
    int codePage = 1252;
    std::vector<CString> sst;
    size_t workDone = 0;  // bytes walked over all sheets, bounds overlapping sheet offsets
};

// An 8-bit or BIFF8 string inside one record at pos: lengthBytes (1 or 2) of character
// count, then (BIFF8) the option byte, optional run and extension sizes, the characters.
bool ReadRecordString(const StreamContext& ctx, const Record& r, size_t pos, int lengthBytes, CString& text,
                      CDaoStatus& status) {
    auto tooShort = [&]() { return status.Fail(TB_DAO_E_FORMAT, "A text runs past the end of its record."); };
    if (pos + static_cast<size_t>(lengthBytes) > r.size) return tooShort();
    size_t chars = lengthBytes == 1 ? r.data[pos] : LoadU16(r.data + pos);
    pos += static_cast<size_t>(lengthBytes);
    if (ctx.version < kBiff8) {
        if (pos + chars > r.size) return tooShort();
        text = DecodeCodePage(r.data + pos, chars, ctx.codePage);
        return true;
    }
    if (pos + 1 > r.size) {
        if (chars == 0) {
            text.Empty();
            return true;
        }
        return tooShort();
    }
    unsigned char flags = r.data[pos++];
    if (flags & 0x08) pos += 2;
    if (flags & 0x04) pos += 4;
    size_t bytes = (flags & 0x01) ? chars * 2 : chars;
    if (pos > r.size || bytes > r.size - pos) return tooShort();
    std::string out;
    if (flags & 0x01) {
        std::vector<std::uint16_t> units(chars);
        for (size_t k = 0; k < chars; ++k) units[k] = LoadU16(r.data + pos + 2 * k);
        AppendUtf16(out, units.data(), chars);
    } else {
        for (size_t k = 0; k < chars; ++k) {
            std::uint16_t u = r.data[pos + k];
            AppendUtf16(out, &u, 1);
        }
    }
    text = CString(std::move(out));
    return true;
}

bool AddCell(Sheet& sheet, std::uint32_t row, std::uint32_t column, COleVariant value, CDaoStatus& status) {
    if (column >= kMaxColumns) return status.Fail(TB_DAO_E_LIMIT, "The sheet has cells beyond column 256.");
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.value = std::move(value);
    sheet.cells.push_back(std::move(cell));
    return true;
}

bool NeedSize(const Record& r, size_t size, CDaoStatus& status) {
    if (r.size >= size) return true;
    CString text;
    text.Format("Record 0x%04X is too short (%u bytes).", static_cast<unsigned>(r.id), static_cast<unsigned>(r.size));
    return status.Fail(TB_DAO_E_FORMAT, text);
}

// The cached result of a formula: a number, a boolean, an empty text, or a text that
// the next STRING record carries (pendingText set).
bool FormulaResult(const unsigned char* result, COleVariant& value, bool& pendingText) {
    pendingText = false;
    if (result[6] == 0xFF && result[7] == 0xFF) {
        switch (result[0]) {
            case 0: pendingText = true; return false;
            case 1: value = COleVariant(static_cast<short>(result[2] ? 1 : 0), VT_BOOL); return true;
            case 3: value = COleVariant(""); return true;
            default: return false;  // an error value reads as an empty cell
        }
    }
    value = COleVariant(LoadF64(result));
    return true;
}

// Records that may stand between a FORMULA record and the STRING record with its text
// result: the shared formula, array formula or data table the FORMULA refers to.
bool BetweenFormulaAndString(std::uint16_t id) {
    switch (id) {
        case kString:
        case kString2:
        case kArray2:
        case kTable2:
        case kSharedFormula3:
        case kArray:
        case kTable:
        case kSharedFormula: return true;
        default: return false;
    }
}

bool IsBof(std::uint16_t id) { return id == kBof || id == kBof2 || id == kBof3 || id == kBof4; }

// Reads the cell records of one worksheet into a sheet, one handler per family of cell
// records. A formula whose result is text leaves its place for the STRING record that
// follows it.
class SheetCellReader {
public:
    SheetCellReader(StreamContext& ctx, Sheet& sheet, CDaoStatus& status)
        : m_ctx(ctx), m_sheet(sheet), m_status(status) {}

    // From the record after the worksheet's BOF up to its EOF.
    bool Read(RecordReader& reader) {
        Record r;
        int nested = 0;  // charts embedded in a worksheet bring their own BOF..EOF
        size_t start = reader.Position();
        while (reader.Next(r, m_status)) {
            m_ctx.workDone += 4 + r.size;
            if (m_ctx.workDone > 4 * m_ctx.size + 65536)
                return m_status.Fail(TB_DAO_E_FORMAT, "The worksheets overlap in the stream.");
            if (IsBof(r.id)) {
                ++nested;
                continue;
            }
            if (r.id == kEof) {
                if (nested == 0) return true;
                --nested;
                continue;
            }
            if (nested == 0 && !OnRecord(r)) return false;
        }
        if (m_status.code != TB_DAO_OK) return false;
        // A worksheet stream that ends without EOF is accepted when it has any records.
        return reader.Position() > start || m_status.Fail(TB_DAO_E_FORMAT, "The worksheet is empty.");
    }

private:
    bool OnRecord(const Record& r) {
        const std::uint32_t row = r.size >= 4 ? LoadU16(r.data) : 0;
        const std::uint32_t column = r.size >= 4 ? LoadU16(r.data + 2) : 0;
        if (!BetweenFormulaAndString(r.id)) m_wantString = false;
        switch (r.id) {
            case kCodePage:
                if (r.size >= 2) m_ctx.codePage = LoadU16(r.data);
                return true;
            case kDimensions: ReserveCells(r); return true;
            case kInteger2:
            case kNumber2:
            case kNumber:
            case kRk: return OnNumber(r, row, column);
            case kMulRk: return OnMulRk(r, row, column);
            case kLabel2:
            case kLabel:
            case kRString: return OnLabel(r, row, column);
            case kLabelSst: return OnSharedLabel(r, row, column);
            case kBoolErr2:
            case kBoolErr: return OnBoolean(r, row, column);
            case kFormula2:
            case kFormula3:
            case kFormula4: return OnFormula(r, row, column);
            case kString2:
            case kString: return OnFormulaText(r);
            default: return true;
        }
    }

    // DIMENSIONS gives the used range before the cells: their vector is sized once
    // instead of growing through copies. A range the rest of the stream could not
    // fill (every cell takes at least 6 bytes, in a MULRK) is not believed.
    void ReserveCells(const Record& r) {
        const auto span = [](std::uint64_t first, std::uint64_t end) { return end > first ? end - first : 0; };
        std::uint64_t rows = 0, columns = 0;
        if (r.size >= 14) {  // BIFF8: 32-bit rows
            rows = span(LoadU32(r.data), LoadU32(r.data + 4));
            columns = span(LoadU16(r.data + 8), LoadU16(r.data + 10));
        } else if (r.size >= 8) {
            rows = span(LoadU16(r.data), LoadU16(r.data + 2));
            columns = span(LoadU16(r.data + 4), LoadU16(r.data + 6));
        }
        const std::size_t end = r.offset + 4 + r.size;
        const std::uint64_t room = m_ctx.size > end ? (m_ctx.size - end) / 6 : 0;
        const std::uint64_t cells = rows * columns < room ? rows * columns : room;
        if (cells > m_sheet.cells.size()) m_sheet.cells.reserve(static_cast<std::size_t>(cells));
    }

    bool Add(std::uint32_t row, std::uint32_t column, COleVariant value) {
        return AddCell(m_sheet, row, column, std::move(value), m_status);
    }

    // INTEGER and NUMBER of BIFF2 (value at 7), NUMBER and RK of BIFF3 on (value at 6).
    bool OnNumber(const Record& r, std::uint32_t row, std::uint32_t column) {
        switch (r.id) {
            case kInteger2:
                return NeedSize(r, 9, m_status) &&
                       Add(row, column, COleVariant(static_cast<double>(LoadU16(r.data + 7))));
            case kNumber2: return NeedSize(r, 15, m_status) && Add(row, column, COleVariant(LoadF64(r.data + 7)));
            case kNumber: return NeedSize(r, 14, m_status) && Add(row, column, COleVariant(LoadF64(r.data + 6)));
            default:  // kRk
                return NeedSize(r, 10, m_status) && Add(row, column, COleVariant(RkValue(LoadU32(r.data + 6))));
        }
    }

    // Several RK values in a row, one per column from the first.
    bool OnMulRk(const Record& r, std::uint32_t row, std::uint32_t column) {
        if (!NeedSize(r, 6, m_status)) return false;
        size_t count = (r.size - 6) / 6;
        for (size_t k = 0; k < count; ++k)
            if (!Add(row, column + static_cast<std::uint32_t>(k),
                     COleVariant(RkValue(LoadU32(r.data + 4 + 6 * k + 2)))))
                return false;
        return true;
    }

    // LABEL of BIFF2 (1-byte length at 7), LABEL and RSTRING of BIFF3 on (2-byte length at 6).
    bool OnLabel(const Record& r, std::uint32_t row, std::uint32_t column) {
        const bool biff2 = r.id == kLabel2;
        CString text;
        return ReadRecordString(m_ctx, r, biff2 ? 7 : 6, biff2 ? 1 : 2, text, m_status) &&
               Add(row, column, COleVariant(text));
    }

    // A text of the shared string table, by its index.
    bool OnSharedLabel(const Record& r, std::uint32_t row, std::uint32_t column) {
        if (!NeedSize(r, 10, m_status)) return false;
        std::uint32_t index = LoadU32(r.data + 6);
        if (index >= m_ctx.sst.size()) {
            CString text;
            text.Format("A cell refers to shared string %u of %u.", index, static_cast<unsigned>(m_ctx.sst.size()));
            return m_status.Fail(TB_DAO_E_FORMAT, text);
        }
        return Add(row, column, COleVariant(m_ctx.sst[index]));
    }

    // BOOLERR: a boolean when its error flag is clear; error values read as empty cells.
    bool OnBoolean(const Record& r, std::uint32_t row, std::uint32_t column) {
        const size_t at = r.id == kBoolErr2 ? 7 : 6;
        if (!NeedSize(r, at + 2, m_status)) return false;
        if (r.data[at + 1] != 0) return true;
        return Add(row, column, COleVariant(static_cast<short>(r.data[at] ? 1 : 0), VT_BOOL));
    }

    // BIFF5 and BIFF8 formulas share the id with BIFF2 but have the BIFF3 layout.
    bool OnFormula(const Record& r, std::uint32_t row, std::uint32_t column) {
        const size_t resultAt = r.id == kFormula2 && m_ctx.version == kBiff2 ? 7 : 6;
        if (!NeedSize(r, resultAt + 8, m_status)) return false;
        COleVariant value;
        bool pending = false;
        if (FormulaResult(r.data + resultAt, value, pending) && !Add(row, column, value)) return false;
        m_wantString = pending;
        m_stringRow = row;
        m_stringColumn = column;
        return true;
    }

    // STRING: the text result of the formula just before it; elsewhere ignored.
    bool OnFormulaText(const Record& r) {
        if (!m_wantString) return true;
        m_wantString = false;
        CString text;
        int lengthBytes = (r.id == kString2) ? 1 : 2;
        return ReadRecordString(m_ctx, r, 0, lengthBytes, text, m_status) &&
               Add(m_stringRow, m_stringColumn, COleVariant(text));
    }

    StreamContext& m_ctx;
    Sheet& m_sheet;
    CDaoStatus& m_status;
    bool m_wantString = false;
    std::uint32_t m_stringRow = 0;
    std::uint32_t m_stringColumn = 0;
};

bool ReadSheetCells(StreamContext& ctx, RecordReader& reader, Sheet& sheet, CDaoStatus& status) {
    return SheetCellReader(ctx, sheet, status).Read(reader);
}

int BofVersion(const Record& r) {
    switch (r.id) {
        case kBof2: return kBiff2;
        case kBof3: return kBiff3;
        case kBof4: return kBiff4;
        case kBof: {
            if (r.size < 4) return 0;
            std::uint16_t vers = LoadU16(r.data);
            if (vers == 0x0600) return kBiff8;
            if (vers == 0x0500 || vers == 0x0000) return kBiff5;
            return 0;
        }
        default: return 0;
    }
}

// A worksheet the sheet list of the workbook globals points at.
struct BoundSheet {
    std::uint32_t offset;
    CString name;
};

// The SST record and the CONTINUE records that follow it, read into ctx.sst.
bool ReadSharedStrings(StreamContext& ctx, RecordReader& reader, const Record& sst, CDaoStatus& status) {
    std::vector<std::pair<const unsigned char*, size_t>> segments;
    segments.emplace_back(sst.data, sst.size);
    while (reader.PeekId() == kContinue) {
        Record c;
        if (!reader.Next(c, status)) return false;
        segments.emplace_back(c.data, c.size);
    }
    ctx.sst.clear();
    SstReader(std::move(segments)).Read(ctx.sst);
    return true;
}

// The records of the workbook globals up to their EOF: code page, the worksheets of the
// sheet list, shared strings.
bool ReadGlobalRecords(StreamContext& ctx, RecordReader& reader, std::vector<BoundSheet>& bounds, CDaoStatus& status) {
    Record r;
    bool sawEof = false;
    while (!sawEof && reader.Next(r, status)) {
        switch (r.id) {
            case kCodePage:
                if (r.size >= 2) ctx.codePage = LoadU16(r.data);
                break;
            case kBoundSheet: {
                if (!NeedSize(r, 7, status)) return false;
                BoundSheet b;
                b.offset = LoadU32(r.data);
                unsigned char type = r.data[5];
                if (!ReadRecordString(ctx, r, 6, 1, b.name, status)) return false;
                if (type == 0) bounds.push_back(b);
                break;
            }
            case kSst:
                if (!ReadSharedStrings(ctx, reader, r, status)) return false;
                break;
            case kEof: sawEof = true; break;
            default: break;
        }
    }
    return status.code == TB_DAO_OK;
}

// One worksheet of the sheet list (its offset inside the stream), read where its BOF lies; charts, macro and module
// sheets are passed over.
bool ReadBoundSheet(StreamContext& ctx, const BoundSheet& b, Workbook& out, CDaoStatus& status) {
    RecordReader sheetReader(ctx.data, ctx.size, b.offset);
    Record bof;
    if (!sheetReader.Next(bof, status)) {
        if (status.code == TB_DAO_OK) status.Fail(TB_DAO_E_FORMAT, "A sheet lies outside the workbook stream.");
        return false;
    }
    if (BofVersion(bof) == 0)
        return status.Fail(TB_DAO_E_FORMAT,
                           CString("The sheet \"") + b.name + "\" does not start where the workbook says.");
    std::uint16_t type = bof.size >= 4 ? LoadU16(bof.data + 2) : 0;
    if (type != 0x0010) return true;  // charts, macro and module sheets hold no table
    Sheet sheet;
    sheet.name = b.name;
    if (!ReadSheetCells(ctx, sheetReader, sheet, status)) return false;
    out.sheets.push_back(std::move(sheet));
    return true;
}

// The workbook globals of BIFF5 and BIFF8: code page, sheet list, shared strings; then
// every worksheet the sheet list points at.
bool ReadWorkbookGlobals(StreamContext& ctx, RecordReader& reader, Workbook& out, CDaoStatus& status) {
    std::vector<BoundSheet> bounds;
    if (!ReadGlobalRecords(ctx, reader, bounds, status)) return false;
    std::set<std::uint32_t> seen;
    for (const BoundSheet& b : bounds) {
        if (b.offset >= ctx.size)
            return status.Fail(TB_DAO_E_FORMAT,
                               CString("The sheet \"") + b.name + "\" lies outside the workbook stream.");
        if (!seen.insert(b.offset).second)
            return status.Fail(TB_DAO_E_FORMAT, "Two sheets share one place in the workbook stream.");
        if (!ReadBoundSheet(ctx, b, out, status)) return false;
    }
    return true;
}

// An Excel 4.0 workbook: globals with the sheet names, then one worksheet after another.
bool ReadBundledWorkbook(StreamContext& ctx, RecordReader& reader, Workbook& out, CDaoStatus& status) {
    std::vector<CString> names;
    Record r;
    while (reader.Next(r, status) && r.id != kEof) {
        if (r.id == kBundleSheet && r.size >= 7) {
            CString name;
            if (ReadRecordString(ctx, r, 6, 1, name, status)) names.push_back(name);
            status.Reset();
        } else if (r.id == kCodePage && r.size >= 2) {
            ctx.codePage = LoadU16(r.data);
        }
    }
    if (status.code != TB_DAO_OK) return false;
    while (reader.Next(r, status)) {
        if (BofVersion(r) == 0) continue;
        std::uint16_t sheetType = r.size >= 4 ? LoadU16(r.data + 2) : 0;
        Sheet sheet;
        size_t index = out.sheets.size();
        sheet.name = index < names.size() ? names[index] : CString("Sheet") + CString(std::to_string(index + 1));
        if (!ReadSheetCells(ctx, reader, sheet, status)) return false;
        if (sheetType == 0x0010) out.sheets.push_back(std::move(sheet));
    }
    return status.code == TB_DAO_OK;
}

}  // namespace

bool ParseBiffStream(const unsigned char* data, size_t size, const CString& title, Workbook& out, CDaoStatus& status) {
    out = Workbook();
    StreamContext ctx;
    ctx.data = data;
    ctx.size = size;
    RecordReader reader(data, size, 0);
    Record bof;
    if (!reader.Next(bof, status)) {
        if (status.code == TB_DAO_OK) status.Fail(TB_DAO_E_FORMAT, "The workbook stream is empty.");
        return false;
    }
    ctx.version = BofVersion(bof);
    if (ctx.version == 0) {
        if (IsBof(bof.id)) return status.Fail(TB_DAO_E_FORMAT, "The workbook has a BIFF version that cannot be read.");
        return status.Fail(TB_DAO_E_FORMAT, "The stream is not an Excel workbook.");
    }
    if (ctx.version == kBiff8) ctx.codePage = 1200;
    out.version = ctx.version;
    std::uint16_t type = bof.size >= 4 ? LoadU16(bof.data + 2) : 0x0010;
    if (ctx.version == kBiff2 && bof.size < 4) type = 0x0010;
    if (type == 0x0005) return ReadWorkbookGlobals(ctx, reader, out, status);
    if (type == 0x0100) return ReadBundledWorkbook(ctx, reader, out, status);
    if (type != 0x0010 && type != 0x0040) return status.Fail(TB_DAO_E_FORMAT, "The stream holds no worksheet.");
    Sheet sheet;
    sheet.name = title;
    if (!ReadSheetCells(ctx, reader, sheet, status)) return false;
    out.sheets.push_back(std::move(sheet));
    return true;
}

}  // namespace tb_xls
