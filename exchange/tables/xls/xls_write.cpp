// Writes tables as Excel worksheets: BIFF3 and BIFF4 worksheet streams (one table),
// BIFF5 and BIFF8 workbook streams (one worksheet per table). Row 0 holds the field
// names, row k+1 record k; numbers go into NUMBER cells as IEEE doubles, texts into
// LABEL cells (BIFF8: LABELSST cells and one shared string table), booleans into
// BOOLERR cells; Null values leave the cell out. Besides the cells the streams carry the
// least that spreadsheet programs expect: code page, a font, cell formats, the Normal
// style, window settings and the used range.
#include "exchange/tables/xls/xls_biff.h"
#include "platform/types/byte_order.h"

#include <cstring>
#include <unordered_map>

namespace tb_xls {

namespace {

constexpr size_t kMaxRecordData = 8224;  // BIFF8 limit; older versions allow 2080 for most records

class StreamWriter {
public:
    explicit StreamWriter(std::string& out) : m_out(out) {}

    void Begin(std::uint16_t id) {
        m_start = m_out.size();
        U16(id);
        U16(0);
    }
    void End() {
        size_t size = m_out.size() - m_start - 4;
        tb_bytes::StoreU16(reinterpret_cast<unsigned char*>(&m_out[m_start + 2]), static_cast<std::uint32_t>(size));
    }
    void U8(unsigned v) { m_out += static_cast<char>(v & 0xFF); }
    void U16(unsigned v) { tb_bytes::AppendU16(m_out, v); }
    void U32(std::uint32_t v) { tb_bytes::AppendU32(m_out, v); }
    void F64(double d) { tb_bytes::AppendF64(m_out, d); }
    void Bytes(const std::string& bytes) { m_out += bytes; }
    size_t Position() const { return m_out.size(); }
    size_t RecordSize() const { return m_out.size() - m_start - 4; }
    size_t RecordStart() const { return m_start; }
    void Patch32(size_t at, std::uint32_t v) { tb_bytes::StoreU32(reinterpret_cast<unsigned char*>(&m_out[at]), v); }

    // A whole record with a small fixed payload.
    void Record(std::uint16_t id, std::initializer_list<std::uint16_t> words) {
        Begin(id);
        for (std::uint16_t w : words) U16(w);
        End();
    }

private:
    std::string& m_out;
    size_t m_start = 0;
};

bool IsNull(const COleVariant& v) { return v.vt == VT_EMPTY || v.vt == VT_NULL; }

double NumberOf(const COleVariant& v) {
    switch (v.vt) {
        case VT_UI1: return v.bVal;
        case VT_I2: return v.iVal;
        case VT_I4: return v.lVal;
        case VT_R4: return v.fltVal;
        case VT_DATE: return v.date;
        case VT_CY: return static_cast<double>(v.cyVal.int64) / 10000.0;
        default: return v.dblVal;
    }
}

CString SheetName(const CString& tableName) {
    CString name = tableName;
    if (name.GetLength() > 0 && name[name.GetLength() - 1] == '$') name = name.Left(name.GetLength() - 1);
    return name;
}

// UTF-16 of a text and whether it fits one byte a character (BIFF8's compressed form).
struct WideText {
    std::u16string units;
    bool compressed = true;
};

WideText Widen(const CString& text) {
    WideText w;
    w.units = Utf8ToUtf16(text);
    for (char16_t u : w.units)
        if (u > 0xFF) {
            w.compressed = false;
            break;
        }
    return w;
}

void WriteChars(StreamWriter& w, const WideText& t, size_t from, size_t count) {
    for (size_t k = from; k < from + count; ++k) {
        if (t.compressed)
            w.U8(t.units[k]);
        else
            w.U16(t.units[k]);
    }
}

// BIFF8 shared strings in order of first use.
class SharedStrings {
public:
    std::uint32_t Index(const CString& text) {
        ++m_references;
        auto it = m_index.find(text.str());
        if (it != m_index.end()) return it->second;
        std::uint32_t index = static_cast<std::uint32_t>(m_texts.size());
        m_index.emplace(text.str(), index);
        m_texts.push_back(text);
        return index;
    }

    // SST with CONTINUE records as needed, then EXTSST.
    void Write(StreamWriter& w) const {
        const std::uint32_t bucket = 8;
        std::vector<std::pair<std::uint32_t, std::uint16_t>> marks;
        w.Begin(0x00FC);
        w.U32(m_references);
        w.U32(static_cast<std::uint32_t>(m_texts.size()));
        for (size_t i = 0; i < m_texts.size(); ++i) {
            WideText t = Widen(m_texts[i]);
            size_t charBytes = t.compressed ? 1 : 2;
            // The header and at least one character stay together in one record.
            if (w.RecordSize() + 3 + charBytes > kMaxRecordData) {
                w.End();
                w.Begin(0x003C);
            }
            if (i % bucket == 0)
                marks.emplace_back(static_cast<std::uint32_t>(w.Position()),
                                   static_cast<std::uint16_t>(w.Position() - w.RecordStart()));
            w.U16(static_cast<unsigned>(t.units.size()));
            w.U8(t.compressed ? 0 : 1);
            size_t done = 0;
            while (done < t.units.size()) {
                size_t room = (kMaxRecordData - w.RecordSize()) / charBytes;
                if (room == 0) {
                    // Characters go on in a CONTINUE record that repeats the option byte.
                    w.End();
                    w.Begin(0x003C);
                    w.U8(t.compressed ? 0 : 1);
                    continue;
                }
                size_t n = t.units.size() - done < room ? t.units.size() - done : room;
                WriteChars(w, t, done, n);
                done += n;
            }
        }
        w.End();
        w.Begin(0x00FF);
        w.U16(bucket);
        for (const auto& m : marks) {
            w.U32(m.first);
            w.U16(m.second);
            w.U16(0);
        }
        w.End();
    }

private:
    std::unordered_map<std::string, std::uint32_t> m_index;
    std::vector<CString> m_texts;
    std::uint32_t m_references = 0;
};

// ---------------------------------------------------------------- checks

bool CheckLimits(int version, const std::vector<CDaoTableData>& tables, CDaoStatus& status) {
    if ((version == kBiff3 || version == kBiff4) && tables.size() > 1)
        return status.Fail(TB_DAO_E_LIMIT, "An Excel 3.0 or 4.0 file holds only one worksheet.");
    unsigned maxRows = version == kBiff8 ? kMaxRowsBiff8 : kMaxRowsBiff5;
    for (const CDaoTableData& t : tables) {
        if (t.fields.size() > kMaxColumns) {
            CString text;
            text.Format("The table \"%s\" has %u fields; a worksheet holds at most 256.", t.name,
                        static_cast<unsigned>(t.fields.size()));
            return status.Fail(TB_DAO_E_LIMIT, text);
        }
        if (t.records.size() + 1 > maxRows) {
            CString text;
            text.Format("The table \"%s\" has %u records; this Excel version holds at most %u rows.", t.name,
                        static_cast<unsigned>(t.records.size()), maxRows);
            return status.Fail(TB_DAO_E_LIMIT, text);
        }
        auto checkText = [&](const CString& s) {
            size_t length = version == kBiff8 ? Utf8ToUtf16(s).size() : EncodeWindows1252(s).size();
            size_t limit = version == kBiff8 ? 32767 : 255;
            if (length <= limit) return true;
            CString text;
            text.Format("A text of table \"%s\" is longer than the %u characters a cell of this Excel version holds.",
                        t.name, static_cast<unsigned>(limit));
            return status.Fail(TB_DAO_E_LIMIT, text);
        };
        for (const CDaoFieldDef& f : t.fields)
            if (!checkText(f.name)) return false;
        for (const CDaoRecord& r : t.records)
            for (const COleVariant& v : r)
                if (v.vt == VT_BSTR && !checkText(v.GetText())) return false;
    }
    for (size_t i = 0; i < tables.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (SheetName(tables[i].name).CompareNoCase(SheetName(tables[j].name)) == 0)
                return status.Fail(TB_DAO_E_DUPLICATE,
                                   CString("Two sheets are called \"") + SheetName(tables[i].name) + "\".");
    return true;
}

// ---------------------------------------------------------------- common records

void WriteFonts(StreamWriter& w, int version) {
    // Five fonts: index 4 is never used by convention, so formats refer to 0..3 and 5.
    for (int i = 0; i < (version >= kBiff5 ? 5 : 1); ++i) {
        w.Begin(version >= kBiff5 ? 0x0031 : 0x0231);
        w.U16(200);     // height in twips: 10 points
        w.U16(0);       // options
        w.U16(0x7FFF);  // automatic colour
        if (version >= kBiff5) {
            w.U16(400);  // weight: normal
            w.U16(0);    // escapement
            w.U8(0);     // underline
            w.U8(2);     // family: swiss
            w.U8(0);     // character set: ANSI
            w.U8(0);
        }
        w.U8(5);
        if (version == kBiff8) w.U8(0);
        w.Bytes("Arial");
        w.End();
    }
}

// Sixteen style formats (the Normal style and its built-in relatives) and one cell format,
// index 15, that every cell uses. BIFF3 and BIFF4 get one style and one cell format.
std::uint16_t WriteFormats(StreamWriter& w, int version) {
    if (version == kBiff3 || version == kBiff4) {
        for (int cell = 0; cell < 2; ++cell) {
            if (version == kBiff3) {
                w.Begin(0x0243);
                w.U8(0);                        // font
                w.U8(0);                        // number format: General
                w.U8(cell ? 0x01 : 0x05);       // locked; style flag for the style format
                w.U8(0);                        // attributes used
                w.U16(cell ? 0x0000 : 0xFFF0);  // alignment and parent style
                w.U16(0);                       // background
                w.U32(0);                       // borders
            } else {
                w.Begin(0x0443);
                w.U8(0);
                w.U8(0);
                w.U16(cell ? 0x0001 : 0xFFF5);
                w.U8(0);
                w.U8(0);
                w.U16(0);
                w.U32(0);
                w.U32(0);
            }
            w.End();
        }
        return 1;
    }
    for (int i = 0; i < 17; ++i) {
        bool cell = i == 16;
        bool normal = i == 0 || cell;
        w.Begin(0x00E0);
        w.U16(normal ? 0 : (i < 3 ? 1 : i < 5 ? 2 : 0));  // font
        w.U16(0);                                         // number format: General
        w.U16(cell ? 0x0001 : 0xFFF5);                    // locked; style formats have no parent
        if (version == kBiff8) {
            w.U8(0x20);                       // alignment: general, bottom
            w.U8(0);                          // rotation
            w.U8(0);                          // indent
            w.U8(cell || normal ? 0 : 0xF4);  // attributes used
            w.U32(0);                         // borders
            w.U32(0);
            w.U16(0x20C0);  // background colours: automatic
        } else {
            w.U8(0x20);
            w.U8(cell || normal ? 0 : 0xF4);
            w.U32(0x000020C0);
            w.U32(0);
        }
        w.End();
    }
    w.Begin(0x0293);  // STYLE: Normal, built in
    w.U16(0x8000);
    w.U8(0);
    w.U8(0xFF);
    w.End();
    return 16;
}

void WriteDimensions(StreamWriter& w, int version, const CDaoTableData& t) {
    std::uint32_t rows = static_cast<std::uint32_t>(t.records.size()) + 1;
    std::uint16_t columns = static_cast<std::uint16_t>(t.fields.size());
    w.Begin(0x0200);
    if (version == kBiff8) {
        w.U32(0);
        w.U32(rows);
    } else {
        w.U16(0);
        w.U16(rows);
    }
    w.U16(0);
    w.U16(columns);
    w.U16(0);
    w.End();
}

void WriteWindow2(StreamWriter& w, int version, bool selected) {
    w.Begin(0x023E);
    w.U16(selected ? 0x06B6 : 0x00B6);  // grid, headers, zeros, outline, automatic grid colour
    w.U16(0);
    w.U16(0);
    if (version == kBiff8) {
        w.U16(64);  // grid colour: automatic
        w.U16(0);
        w.U16(0);
        w.U16(0);
        w.U32(0);
    } else {
        w.U32(0);
    }
    w.End();
}

// A text cell of BIFF3 to BIFF5: LABEL with the text in Windows-1252.
void WriteLabel(StreamWriter& w, unsigned row, unsigned column, std::uint16_t xf, const CString& text) {
    std::string bytes = EncodeWindows1252(text);
    w.Begin(0x0204);
    w.U16(row);
    w.U16(column);
    w.U16(xf);
    w.U16(static_cast<unsigned>(bytes.size()));
    w.Bytes(bytes);
    w.End();
}

void WriteCells(StreamWriter& w, int version, const CDaoTableData& t, std::uint16_t xf, SharedStrings* sst) {
    auto text = [&](unsigned row, unsigned column, const CString& s) {
        if (sst) {
            w.Begin(0x00FD);
            w.U16(row);
            w.U16(column);
            w.U16(xf);
            w.U32(sst->Index(s));
            w.End();
        } else {
            WriteLabel(w, row, column, xf, s);
        }
    };
    for (size_t c = 0; c < t.fields.size(); ++c) text(0, static_cast<unsigned>(c), t.fields[c].name);
    for (size_t r = 0; r < t.records.size(); ++r) {
        const CDaoRecord& record = t.records[r];
        unsigned row = static_cast<unsigned>(r + 1);
        size_t count = record.size() < t.fields.size() ? record.size() : t.fields.size();
        for (size_t c = 0; c < count; ++c) {
            const COleVariant& v = record[c];
            if (IsNull(v)) continue;
            if (v.vt == VT_BSTR) {
                text(row, static_cast<unsigned>(c), v.GetText());
            } else if (v.vt == VT_BOOL) {
                w.Begin(0x0205);
                w.U16(row);
                w.U16(static_cast<unsigned>(c));
                w.U16(xf);
                w.U8(v.boolVal ? 1 : 0);
                w.U8(0);
                w.End();
            } else {
                w.Begin(0x0203);
                w.U16(row);
                w.U16(static_cast<unsigned>(c));
                w.U16(xf);
                w.F64(NumberOf(v));
                w.End();
            }
        }
    }
    (void)version;
}

void WriteBof(StreamWriter& w, int version, std::uint16_t type) {
    switch (version) {
        case kBiff3: w.Record(0x0209, {0x0000, type, 0x0000}); break;
        case kBiff4: w.Record(0x0409, {0x0000, type, 0x0000}); break;
        case kBiff5: w.Record(0x0809, {0x0500, type, 0x0DBB, 0x07CC}); break;
        default: w.Record(0x0809, {0x0600, type, 0x0DBB, 0x07CC, 0x0041, 0x0000, 0x0006, 0x0000}); break;
    }
}

}  // namespace

bool BuildBiffStream(int version, const std::vector<CDaoTableData>& tables, std::string& out, CDaoStatus& status) {
    if (version != kBiff3 && version != kBiff4 && version != kBiff5 && version != kBiff8)
        return status.Fail(TB_DAO_E_UNSUPPORTED, "Workbooks are written as Excel 3.0, 4.0, 5.0 or 97 only.");
    if (!CheckLimits(version, tables, status)) return false;
    out.clear();
    StreamWriter w(out);
    std::vector<CDaoTableData> noTables;
    const std::vector<CDaoTableData>* written = &tables;
    CDaoTableData emptySheet;
    if (tables.empty()) {
        // A workbook needs one sheet even without tables.
        emptySheet.name = "Sheet1$";
        noTables.push_back(emptySheet);
        written = &noTables;
    }

    if (version == kBiff3 || version == kBiff4) {
        const CDaoTableData& t = written->front();
        WriteBof(w, version, 0x0010);
        w.Record(0x0042, {1252});
        WriteFonts(w, version);
        std::uint16_t xf = WriteFormats(w, version);
        WriteDimensions(w, version, t);
        WriteWindow2(w, version, true);
        WriteCells(w, version, t, xf, nullptr);
        w.Record(0x000A, {});
        return true;
    }

    // Workbook globals.
    WriteBof(w, version, 0x0005);
    w.Record(0x0042, {static_cast<std::uint16_t>(version == kBiff8 ? 1200 : 1252)});
    w.Record(0x003D, {0x0168, 0x001E, 0x3A5C, 0x23BE, 0x0038, 0x0000, 0x0000, 0x0001, 0x0258});  // WINDOW1
    WriteFonts(w, version);
    std::uint16_t xf = WriteFormats(w, version);
    std::vector<size_t> offsetFields;
    for (const CDaoTableData& t : *written) {
        CString name = SheetName(t.name);
        w.Begin(0x0085);
        offsetFields.push_back(w.Position());
        w.U32(0);  // stream offset of the sheet's BOF, patched below
        w.U8(0);   // visible
        w.U8(0);   // worksheet
        if (version == kBiff8) {
            WideText wide = Widen(name);
            w.U8(static_cast<unsigned>(wide.units.size()));
            w.U8(wide.compressed ? 0 : 1);
            WriteChars(w, wide, 0, wide.units.size());
        } else {
            std::string bytes = EncodeWindows1252(name);
            w.U8(static_cast<unsigned>(bytes.size()));
            w.Bytes(bytes);
        }
        w.End();
    }
    // The shared strings come before the sheets that use them: collect them first.
    SharedStrings sst;
    std::vector<std::string> sheetStreams;
    for (size_t i = 0; i < written->size(); ++i) {
        std::string sheet;
        StreamWriter s(sheet);
        WriteBof(s, version, 0x0010);
        WriteDimensions(s, version, (*written)[i]);
        WriteWindow2(s, version, i == 0);
        WriteCells(s, version, (*written)[i], xf, version == kBiff8 ? &sst : nullptr);
        s.Record(0x000A, {});
        sheetStreams.push_back(std::move(sheet));
    }
    if (version == kBiff8) sst.Write(w);
    w.Record(0x000A, {});
    for (size_t i = 0; i < sheetStreams.size(); ++i) {
        w.Patch32(offsetFields[i], static_cast<std::uint32_t>(out.size()));
        out += sheetStreams[i];
    }
    return true;
}

}  // namespace tb_xls
