// Characteristic files: a keyword header ("typ:=", "dim:=", "len:=", "n0<i>:=",
// "u0<i>:=", "sep:=", free lines, "end:=") and a block of values, either in one .mdx
// file (header, "end:=", values) or in an .mdk header file and an .mda data file of
// the same base name. Values are text (typ A), 4-byte or 8-byte little-endian IEEE
// floats (typ 4, 8). Typ T marks an N-dimensional table, read by
// characteristic_ndim.cpp.
//
// Reading is bounded by the file: the text and binary readers store at most NrItems
// rows and stop at the end of the data with warning TBMsg::FewerValuesThanLength; arrays grow only with the
// values really read. Files are read and written through large buffers.
#include "exchange/format_table.h"
#include "exchange/read_ahead.h"
#include "exchange/text/delimited_text.h"
#include "exchange/value_convert.h"
#include "exchange/value_store.h"
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/file_io.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <string_view>
#include <vector>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "binary characteristic data is little-endian and copied as it stands");

namespace {

// A header announcing more channels than this is refused (error TBMsg::ReadDimFailed): every channel is
// an object of its own, and no real characteristic comes near this count.
constexpr int kMaxCharacteristicChannels = 100000;

bool HasCharacteristicExtension(const CString& name) {
    CString lower = name;
    lower.MakeLower();
    return lower.Find(".mda") >= 0 || lower.Find(".mdk") >= 0 || lower.Find(".mdx") >= 0;
}

// The partner of a pair: the last character replaced when the name's last '.' is four
// characters from its end (x.mda -> x.mdk); other names stay.
CString PartnerName(const CString& name, char last) {
    const int length = name.GetLength();
    if (length >= 4 && name.ReverseFind('.') == length - 4) {
        CString partner = name;
        partner.SetAt(length - 1, last);
        return partner;
    }
    return name;
}

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool HasUpperCase(std::string_view text) {
    for (char c : text)
        if (c >= 'A' && c <= 'Z') return true;
    return false;
}

void LowerInto(std::string_view text, std::string& out) {
    out.assign(text.data(), text.size());
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

// The line that ends the header of an .mdx file: "end" with ":=" right behind it.
bool IsEndLine(std::string_view line) {
    return line.size() >= 5 && (line[0] | 0x20) == 'e' && (line[1] | 0x20) == 'n' && (line[2] | 0x20) == 'd' &&
           line[3] == ':' && line[4] == '=';
}

int FirstSeparatorIn(const CString& value) {
    for (int i = 0; i < value.GetLength(); ++i) {
        char c = value.GetAt(i);
        if (c == ';' || c == ',' || c == ' ' || c == '\t') return c;
    }
    return 0;
}

// The standard conversion of a text value (point as decimal symbol), locale-free.
double StandardAtof(const CString& text) {
    const char* p = text.GetString();
    const char* end = p + text.GetLength();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')) ++p;
    if (p < end && *p == '+') ++p;
    double value = 0.0;
    if (std::from_chars(p, end, value).ec != std::errc()) return 0.0;
    return value;
}

double VariantAsDouble(const COleVariant& v) {
    switch (v.vt) {
        case VT_I2: return v.iVal;
        case VT_BOOL: return v.boolVal;
        case VT_I4: return v.lVal;
        case VT_UI1: return v.bVal;
        case VT_R4: return v.fltVal;
        case VT_R8: return v.dblVal;
        case VT_BSTR: return StandardAtof(v.GetText());
        default: return 0.0;
    }
}

using tb_exchange::AppendVariantText;

// Where one channel's values go (reading) or come from (writing).
struct ChannelStore : tb_exchange::ChannelStorage {
    int kept = 0;  // a double array's length before a binary read
};

ChannelStore StoreOf(const CExImPortChannel* channel) {
    ChannelStore s;
    static_cast<tb_exchange::ChannelStorage&>(s) = tb_exchange::StorageOf(channel);
    return s;
}

// The channel stores of the engine; warning TBMsg::ChannelNotRead (reading) or TBMsg::ChannelNotWritten (writing) for
// every empty slot. Returns false when a slot is empty.
bool CollectStores(CReadAndWriteFileFunction& e, std::vector<ChannelStore>& stores, UINT missingWarning) {
    bool complete = true;
    stores.clear();
    for (int c = 0; c < e.NrChannels; ++c) {
        stores.push_back(StoreOf(e.GetChannel(c)));
        if (stores.back().kind == ChannelStore::Missing) {
            e.AddWarning(TBFormatMessage(missingWarning, {e.FileName, c + 1}));
            complete = false;
        }
    }
    return complete;
}

// Error TBMsg::InvalidChannelPointer for the first channel without any storage; -1 when every channel has some.
int FirstChannelWithoutStorage(const std::vector<ChannelStore>& stores) {
    for (size_t c = 0; c < stores.size(); ++c)
        if (stores[c].kind == ChannelStore::None) return static_cast<int>(c);
    return -1;
}

void StoreDouble(ChannelStore& s, int r, double value) {
    switch (s.kind) {
        case ChannelStore::Block: s.block[r] = value; break;
        case ChannelStore::Doubles:
            if (r >= s.doubles->GetSize()) s.doubles->SetSize(r + 1);
            s.doubles->ElementAt(r) = value;
            break;
        case ChannelStore::Strings: {
            char buffer[40];
            char* end = tb_exchange::FormatGeneral15(buffer, value);
            s.strings->SetAtGrow(r, CString(std::string_view(buffer, static_cast<size_t>(end - buffer))));
            break;
        }
        case ChannelStore::Variants: s.variants->SetAtGrow(r, COleVariant(value)); break;
        default: break;
    }
}

template <int Size>
inline double DecodeValue(const unsigned char* p) {
    if constexpr (Size == 8) {
        double value;
        std::memcpy(&value, p, 8);
        return value;
    } else {
        float single;
        std::memcpy(&single, p, 4);
        return single;
    }
}

// Rows decoded into every channel's block, one channel at a time over slices of rows
// that stay in the first-level cache: each block is then written front to back, which
// lets large ones be streamed around the caches in whole lines.
template <int Size, bool Stream>
void StoreRowsByChannel(const unsigned char* p, size_t rows, size_t channels, size_t first, double* const* blocks) {
    const size_t rowBytes = channels * Size;
    const size_t sliceRows = std::max<size_t>(1, (size_t(32) << 10) / rowBytes);
    for (size_t k = 0; k < rows; k += sliceRows) {
        const size_t n = std::min(sliceRows, rows - k);
        const unsigned char* slice = p + k * rowBytes;
        for (size_t c = 0; c < channels; ++c) {
            double* out = blocks[c] + first + k;
            const unsigned char* q = slice + c * Size;
            for (size_t r = 0; r < n; ++r, q += rowBytes) tb_exchange::PutValue<Stream>(out + r, DecodeValue<Size>(q));
        }
    }
}

// Stores `values` consecutive binary values (rows of `channels` values; the last row
// may be cut) starting at row `first`. blocks holds every channel's raw block when all
// channels have one (the common case), else it is empty.
template <int Size>
void StoreRows(const unsigned char* p, size_t values, size_t channels, size_t first, std::vector<ChannelStore>& stores,
               const std::vector<double*>& blocks, bool stream) {
    const size_t rows = values / channels;
    size_t row = first;
    if (!blocks.empty()) {
        if (stream)
            StoreRowsByChannel<Size, true>(p, rows, channels, first, blocks.data());
        else
            StoreRowsByChannel<Size, false>(p, rows, channels, first, blocks.data());
        row += rows;
        p += rows * channels * Size;
    } else {
        for (size_t k = 0; k < rows; ++k, ++row)
            for (size_t c = 0; c < channels; ++c, p += Size)
                StoreDouble(stores[c], static_cast<int>(row), DecodeValue<Size>(p));
    }
    for (size_t c = 0; c < values % channels; ++c, p += Size)
        StoreDouble(stores[c], static_cast<int>(row), DecodeValue<Size>(p));
}

// A file written through one large buffer under the library's output rule: it is staged
// beside its target and replaces it only when complete. Remembers the first failure.
class OutputFile {
public:
    bool Create(const CString& path) {
        if (!m_output.Open(path.GetString())) return Fail();
        m_buffer.reserve(kBufferSize + 4096);
        return true;
    }
    // The existing file's content followed by what is written: an append that leaves
    // the file as it was when it fails.
    bool Append(const CString& path) { return Create(path) && CopyExisting(path); }
    void Write(const char* data, size_t n) {
        if (m_buffer.size() + n > kBufferSize) Flush();
        if (n > kBufferSize) {
            if (!m_failed && !m_output.Write(std::string_view(data, n))) Fail();
            return;
        }
        m_buffer.append(data, n);
    }
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    std::string& Buffer() { return m_buffer; }
    // Flushes when the buffer is full; callers append to Buffer() directly in between.
    void MaybeFlush() {
        if (m_buffer.size() >= kBufferSize) Flush();
    }
    // Writes what is buffered; the file is then ready to be put in place.
    bool Complete() {
        Flush();
        return !m_failed;
    }
    bool Close() { return Complete() && (m_output.Commit() || Fail()); }
    TBOutputFile& Output() { return m_output; }
    int ErrorNumber() const { return m_errno; }
    bool Fail() {
        m_failed = true;
        m_errno = errno ? errno : EIO;
        m_output.Abandon();
        return false;
    }

private:
    static constexpr size_t kBufferSize = 1 << 20;
    bool CopyExisting(const CString& path) {
        std::FILE* in = std::fopen(path.GetString(), "rb");
        if (!in) return Fail();
        char block[1 << 16];
        size_t n = 0;
        while (!m_failed && (n = std::fread(block, 1, sizeof block, in)) > 0)
            if (!m_output.Write(std::string_view(block, n))) Fail();
        const bool readFailed = std::ferror(in) != 0;
        std::fclose(in);
        if (readFailed && !m_failed) Fail();
        return !m_failed;
    }
    void Flush() {
        if (!m_failed && !m_buffer.empty() && !m_output.Write(m_buffer)) Fail();
        m_buffer.clear();
    }
    TBOutputFile m_output;
    std::string m_buffer;
    bool m_failed = false;
    int m_errno = 0;
};

void AppendNumber(std::string& out, double value) {
    char buffer[40];
    out.append(buffer, tb_exchange::FormatGeneral15(buffer, value));
}

}  // namespace

// ---------------------------------------------------------------- read dispatch

int CReadAndWriteFileFunction::ReadMdx_k(CString fileName) {
    ResetWarnAndErrorMsg();
    ResetAllVars();
    CString name = fileName;
    if (name.IsEmpty()) name = AskExchangeFileName("*.mdx", TBLoadString(TBMsg::FilterCharacteristic), 1);
    if (name.IsEmpty()) {
        SetError(TBLoadString(TBMsg::NoFileName), 0);
        return 0;
    }
    if (!HasCharacteristicExtension(name)) {
        FileName = name;
        SetError(TBFormatMessage(TBMsg::NotCharacteristicFormat, {name}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    int isMdx = 0;
    const char last = name.GetAt(name.GetLength() - 1);
    if (last == 'x' || last == 'X') {
        isMdx = 1;
        FileKind = TB_KIND_MDX;
    } else {
        FileKind = TB_KIND_MDA_MDK;
        name = PartnerName(name, 'k');  // a chosen .mda file: the header is in its .mdk partner
    }
    FileName = name;
    return ReadMdkFile(isMdx);
}

int CReadAndWriteFileFunction::ReadMdx_a() {
    const int isMdx = FileKind == TB_KIND_MDX ? 1 : 0;
    if (!isMdx) FileName = PartnerName(FileName, 'a');
    switch (Typ) {
        case 'A':
        case 'a': return ReadMdaFile_A(isMdx);
        case '4': return ReadMdaFile_B(isMdx, 4);
        case '8': return ReadMdaFile_B(isMdx, 8);
        case 'T':
        case 't': return ReadMdxFileForNDimTable(0);
        default: SetError(TBFormatMessage(TBMsg::InvalidDataType, {FileName}), TB_EXCHANGE_FILE_ERROR); return 0;
    }
}

// ---------------------------------------------------------------- header

namespace {

// What one "key:=value" line of the header asks of the reader.
enum class HeaderStep { Continue, End, Table, Failed };

// "dim": the channel count, with an empty channel for each; error TBMsg::ReadDimFailed
// beyond the limit.
HeaderStep ApplyChannelCount(CReadAndWriteFileFunction& e, const CString& value, int& result) {
    const int count = TBExtended_atoi(value);
    if (count < 0 || count > kMaxCharacteristicChannels) {
        e.SetError(TBFormatMessage(TBMsg::ReadDimFailed, {e.FileName}), TB_EXCHANGE_HEADER_ERROR);
        return HeaderStep::Failed;
    }
    e.NrChannels = count;
    for (int i = 0; i < count; ++i)
        if (e.AddEmptyChannel() == 2) result = 2;
    return HeaderStep::Continue;
}

// "n0<i>" and "u0<i>" name channel i and give its unit; warning
// TBMsg::InvalidChannelNumber or TBMsg::InvalidUnitNumber for a number outside the channels.
void ApplyNameOrUnit(CReadAndWriteFileFunction& e, const CString& key, const CString& value, int& result) {
    const bool isName = key.GetAt(0) == 'n';
    const int number = TBExtended_atoi(key.Mid(1));
    if (number <= 0 || number > e.Channels.GetSize()) {
        e.AddWarning(
            TBFormatMessage(isName ? TBMsg::InvalidChannelNumber : TBMsg::InvalidUnitNumber, {e.FileName, number}));
        result = 2;
        return;
    }
    CExImPortChannel* channel = e.Channels[number - 1];
    if (!channel) {
        channel = new CExImPortChannel();
        e.ReplaceChannelSlot(number - 1, channel);
    }
    if (isName)
        channel->SetChannelName(value);
    else
        channel->SetUnitName(value);
}

bool IsNameOrUnitKey(const CString& key) {
    return (key.Left(1) == "n" && key.Left(3) != "nam" && key.Left(3) != "new") ||
           (key.Left(1) == "u" && key.Left(3) != "usr");
}

// One header entry (key and value lower-cased); keys the reader does not know are
// kept as free lines.
HeaderStep ApplyHeaderEntry(CReadAndWriteFileFunction& e, const CString& key, const CString& value, int& result) {
    if (key == "typ") {
        e.Typ = value.IsEmpty() ? 0 : static_cast<unsigned char>(value.GetAt(0));
        return e.Typ == 't' ? HeaderStep::Table : HeaderStep::Continue;
    }
    if (key == "dim") return ApplyChannelCount(e, value, result);
    if (key == "len") {
        e.NrItems = TBExtended_atoi(value);
    } else if (key == "end") {
        return HeaderStep::End;
    } else if (IsNameOrUnitKey(key)) {
        ApplyNameOrUnit(e, key, value, result);
    } else if (key == "sep") {
        if (int separator = FirstSeparatorIn(value)) e.Sep = separator;
    } else {
        e.EditionalStrings.Add(key + ":=" + value);
    }
    return HeaderStep::Continue;
}

// Errors TBMsg::ReadTypFailed, TBMsg::ReadDimFailed and TBMsg::ReadLenFailed for a header
// without type, channel count or length.
bool CheckHeaderComplete(CReadAndWriteFileFunction& e) {
    UINT missing = 0;
    if (e.Typ == -1)
        missing = TBMsg::ReadTypFailed;
    else if (e.NrChannels < 0)
        missing = TBMsg::ReadDimFailed;
    else if (e.NrItems < 0)
        missing = TBMsg::ReadLenFailed;  // a negative length is as unusable as none
    if (missing) {
        e.SetError(TBFormatMessage(missing, {e.FileName}), TB_EXCHANGE_HEADER_ERROR);
        return false;
    }
    return true;
}

// The format and family codes of the file read: its kind of file and value type.
void SetReadVersions(CReadAndWriteFileFunction& e, int isMdx) {
    tb_exchange::RecordFormat(e, isMdx ? TB_KIND_MDX : TB_KIND_MDA_MDK, e.Typ == 'a' ? 'A' : e.Typ);
}

}  // namespace

int CReadAndWriteFileFunction::ReadMdkFile(int isMdx) {
    CLineReader reader;
    if (!reader.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    Typ = -1;
    NrChannels = -1;
    NrItems = -1;
    EditionalStrings.RemoveAll();
    int result = 1;
    std::string_view raw;
    std::string lowered;
    while (reader.NextLine(raw)) {
        LowerInto(WithoutCarriageReturn(raw), lowered);
        const size_t assign = lowered.find(":=");
        if (assign == std::string::npos) {
            EditionalStrings.Add(CString(lowered));
            continue;
        }
        const CString key(std::string_view(lowered).substr(0, assign));
        const CString value(std::string_view(lowered).substr(assign + 2));
        const HeaderStep step = ApplyHeaderEntry(*this, key, value, result);
        if (step == HeaderStep::Table) {
            reader.Close();
            return ReadMdxFileForNDimTable(1);
        }
        if (step == HeaderStep::Failed) return 0;
        if (step == HeaderStep::End) break;
    }
    if (reader.Failed()) {
        SetError(TBFormatMessage(isMdx ? TBMsg::ReadMdxFailed : TBMsg::ReadMdkFailed, {FileName}),
                 TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (!CheckHeaderComplete(*this)) return 0;
    SetReadVersions(*this, isMdx);
    return result;
}

// ---------------------------------------------------------------- text data

namespace {

// Reads lines of text values, one row per line, into the channels' stores.
class TextValueReader {
public:
    TextValueReader(std::vector<ChannelStore>& stores, char separator)
        : m_stores(stores), m_separator(separator),
          m_numbersInPlace(tb_exchange::CanReadNumbersInPlace(
              tb_exchange::SeparatorSet(std::string_view(&separator, 1)), m_noDecimal)) {
        for (size_t c = 0; c < stores.size(); ++c)
            if (stores[c].kind == ChannelStore::Block) m_rawBlocks.push_back(c);
    }

    void ReadLine(std::string_view line, int r) {
        // Locals rather than members in the loop: the stores into the values would
        // otherwise make the compiler load them again for every field.
        ChannelStore* const stores = m_stores.data();
        const size_t count = m_stores.size();
        const bool numbersInPlace = m_numbersInPlace;
        const char separator = m_separator;
        size_t pos = 0;
        for (size_t c = 0; c < count; ++c) {
            ChannelStore& s = stores[c];
            if (pos >= line.size() && c > 0) {
                ZeroRawBlocksFrom(c, r);
                break;
            }
            if (numbersInPlace && pos < line.size() &&
                (s.kind == ChannelStore::Block || s.kind == ChannelStore::Doubles) &&
                ReadPlainNumber(line, pos, separator, s, r))
                continue;
            StoreField(s, NextField(line, pos), r);
        }
    }

private:
    // The line holds no more fields: the rest of the channels read as 0. Raw blocks get
    // the 0; arrays are not grown for a field that is not there (a later row's value
    // still grows them with zeros in between), so a header announcing many channels
    // cannot make a short file fill memory with channels x lines values.
    void ZeroRawBlocksFrom(size_t c, int r) {
        for (size_t k : m_rawBlocks)
            if (k >= c) m_stores[k].block[r] = 0.0;
    }

    // A plain decimal number read where it stands (the common case); any other field
    // takes the general path with the same result. False leaves pos unchanged.
    static bool ReadPlainNumber(std::string_view line, size_t& pos, char separator, ChannelStore& s, int r) {
        const char* first = line.data() + pos;
        const char* last = line.data() + line.size();
        const char* digit = first + (*first == '-');
        double value;
        const char* stop = nullptr;
        if (digit < last && ((*digit >= '0' && *digit <= '9') || *digit == '.'))
            stop = tb_exchange::detail::ParseShortDecimal(first, last, '.', value);
        if (!stop || (stop != last && *stop != separator)) return false;
        if (s.kind == ChannelStore::Block) {
            s.block[r] = value;
        } else {
            if (r >= s.doubles->GetSize()) s.doubles->SetSize(r + 1);
            s.doubles->ElementAt(r) = value;
        }
        pos = stop == last ? line.size() : static_cast<size_t>(stop - line.data()) + 1;
        return true;
    }

    // The field at pos up to the next separator (empty past the end); pos moves past it.
    std::string_view NextField(std::string_view line, size_t& pos) const {
        std::string_view field;
        if (pos < line.size()) {
            const size_t next = line.find(m_separator, pos);
            if (next == std::string_view::npos) {
                field = line.substr(pos);
                pos = line.size();
            } else {
                field = line.substr(pos, next - pos);
                pos = next + 1;
            }
        }
        return field;
    }

    void StoreField(ChannelStore& s, std::string_view field, int r) {
        if (HasUpperCase(field)) {  // data lines are read lower-cased
            LowerInto(field, m_lowered);
            field = m_lowered;
        }
        switch (s.kind) {
            case ChannelStore::Block: s.block[r] = tb_exchange::ParseNumberField(field, m_noDecimal); break;
            case ChannelStore::Doubles:
                if (r >= s.doubles->GetSize()) s.doubles->SetSize(r + 1);
                s.doubles->ElementAt(r) = tb_exchange::ParseNumberField(field, m_noDecimal);
                break;
            case ChannelStore::Strings: s.strings->SetAtGrow(r, CString(field)); break;
            case ChannelStore::Variants: s.variants->SetAtGrow(r, COleVariant(CString(field))); break;
            default: break;
        }
    }

    std::vector<ChannelStore>& m_stores;
    std::vector<size_t> m_rawBlocks;
    const char m_separator;
    const tb_exchange::DecimalSymbol m_noDecimal{CString()};
    const bool m_numbersInPlace;
    std::string m_lowered;
};

}  // namespace

int CReadAndWriteFileFunction::ReadMdaFile_A(int isMdx) {
    ResetWarnAndErrorMsg();
    CLineReader reader;
    if (!reader.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    std::vector<ChannelStore> stores;
    int result = CollectStores(*this, stores, TBMsg::ChannelNotRead) ? 1 : 2;

    std::string_view line;
    if (isMdx) {
        while (reader.NextLine(line))
            if (IsEndLine(line)) break;
    }
    const char separator = static_cast<char>(Sep);
    TextValueReader values(stores, separator);
    int r = 0;
    while (r < NrItems && reader.NextLine(line)) {
        if (r == 0) {
            const int bad = FirstChannelWithoutStorage(stores);
            if (bad >= 0) {
                SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, bad + 1}), TB_EXCHANGE_DATA_ERROR);
                return 0;
            }
        }
        values.ReadLine(WithoutCarriageReturn(line), r);
        ++r;
    }
    if (reader.Failed()) {
        SetError(TBFormatMessage(isMdx ? TBMsg::ReadMdxFailed : TBMsg::ReadMdaFailed, {FileName}),
                 TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (r < NrItems) {
        AddWarning(TBFormatMessage(TBMsg::FewerValuesThanLength, {FileName, r, NrItems}));
        result = 2;
    }
    Separator = CString(separator);
    Decimal.Empty();
    return result;
}

// ---------------------------------------------------------------- binary data

namespace {

constexpr std::uint64_t kNoDataBlock = static_cast<std::uint64_t>(-1);

// Where the binary block of an .mdx file starts: right after the line end of the
// "end:=" line; kNoDataBlock when there is none. False (error TBMsg::CannotOpenFile)
// when the file cannot be opened.
bool FindBinaryBlock(CReadAndWriteFileFunction& e, std::uint64_t& offset) {
    CLineReader reader;
    if (!reader.Open(e.FileName, 1 << 16)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    std::string_view line;
    bool found = false;
    while (!found && reader.NextLine(line)) found = IsEndLine(line);
    offset = found ? reader.BytesConsumed() : kNoDataBlock;
    return true;
}

// The rows (the last one possibly cut) from where file stands to its end, at most
// NrItems: a header may announce any length.
int RowsTheFileHolds(const CReadAndWriteFileFunction& e, std::FILE* file, size_t rowBytes) {
    struct stat info;
    const off_t position = ftello(file);
    if (fstat(fileno(file), &info) != 0 || position < 0 || info.st_size <= position) return 0;
    const unsigned long long bytes = static_cast<unsigned long long>(info.st_size - position);
    const unsigned long long rows = (bytes + rowBytes - 1) / rowBytes;
    return rows < static_cast<unsigned long long>(e.NrItems) ? static_cast<int>(rows) : e.NrItems;
}

// The double arrays of a binary read as long as the values read into them (or as they
// were, when longer): rows whole rows, and one more for the first cut channels.
void ArraysToRowsRead(std::vector<ChannelStore>& stores, int rows, size_t cut) {
    for (size_t c = 0; c < stores.size(); ++c) {
        ChannelStore& s = stores[c];
        if (s.kind != ChannelStore::Doubles) continue;
        const int read = rows + (c < cut ? 1 : 0);
        s.doubles->SetSize(std::max(read, s.kept));
    }
}

// Reads rows of binary values from where file stands, in chunks of about 1 MiB, until
// NrItems rows or the end of the file. Returns the rows read, or -1 after error
// TBMsg::InvalidChannelPointer (a channel without storage, checked once the first value
// is there); readError is set when the file cannot be read.
int ReadBinaryChunks(CReadAndWriteFileFunction& e, std::FILE* file, std::vector<ChannelStore>& stores, int valueSize,
                     bool& readError) {
    const size_t channels = stores.size();
    const size_t rowBytes = channels * static_cast<size_t>(valueSize);
    const int rows = RowsTheFileHolds(e, file, rowBytes);
    // Double arrays are sized once for the rows there are and then filled like raw
    // blocks; ArraysToRowsRead trims them to what was read.
    for (ChannelStore& s : stores)
        if (s.kind == ChannelStore::Doubles) {
            s.kept = s.doubles->GetSize();
            s.block = tb_exchange::SizeArrayForRead(*s.doubles, rows);
        }
    std::vector<double*> blocks;  // all raw blocks or arrays: the direct path
    for (const ChannelStore& s : stores)
        if (s.kind == ChannelStore::Block || s.kind == ChannelStore::Doubles) blocks.push_back(s.block);
    if (blocks.size() != channels) blocks.clear();
    // Output far larger than the caches is streamed around them.
    const bool stream = !blocks.empty() && static_cast<size_t>(rows) * channels * sizeof(double) >=
                                               tb_exchange::kStreamingBytes;
    const size_t rowsPerChunk = std::max<size_t>(1, (size_t(1) << 20) / rowBytes);
    tb_exchange::ReadAhead chunks(file, rowsPerChunk * rowBytes, static_cast<size_t>(rows) * rowBytes);
    bool checked = false;
    int r = 0;
    size_t cut = 0;  // values of a last row cut short
    while (r < rows) {
        const size_t wanted = std::min<size_t>(rowsPerChunk, static_cast<size_t>(rows - r)) * rowBytes;
        const unsigned char* chunk = nullptr;
        const size_t got = chunks.Next(chunk);
        if (got < wanted && chunks.Failed()) readError = true;
        const size_t values = got / static_cast<size_t>(valueSize);  // complete values only
        if (values == 0) break;
        if (!checked) {
            checked = true;
            const int bad = FirstChannelWithoutStorage(stores);
            if (bad >= 0) {
                e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {e.FileName, bad + 1}),
                           TB_EXCHANGE_DATA_ERROR);
                ArraysToRowsRead(stores, 0, 0);
                return -1;
            }
        }
        cut = values % channels;
        if (valueSize == 8)
            StoreRows<8>(chunk, values, channels, static_cast<size_t>(r), stores, blocks, stream);
        else
            StoreRows<4>(chunk, values, channels, static_cast<size_t>(r), stores, blocks, stream);
        r += static_cast<int>(values / channels);
        if (got < wanted) break;
    }
    if (stream) tb_exchange::EndStreaming();
    ArraysToRowsRead(stores, r, cut);
    return r;
}

// The rows of the binary block at dataOffset: none without a block, all of them
// without channels; -1 after error TBMsg::InvalidChannelPointer.
int ReadBinaryBlock(CReadAndWriteFileFunction& e, std::FILE* file, std::uint64_t dataOffset,
                    std::vector<ChannelStore>& stores, int valueSize, bool& readError) {
    if (dataOffset == kNoDataBlock) return 0;  // no "end:=" line: no data block
    if (stores.empty()) return e.NrItems;
    if (e.NrItems <= 0) return 0;
    if (fseeko(file, static_cast<off_t>(dataOffset), SEEK_SET) != 0) {
        readError = true;
        return 0;
    }
    return ReadBinaryChunks(e, file, stores, valueSize, readError);
}

}  // namespace

int CReadAndWriteFileFunction::ReadMdaFile_B(int isMdx, int valueSize) {
    ResetWarnAndErrorMsg();
    std::uint64_t dataOffset = 0;
    if (isMdx && !FindBinaryBlock(*this, dataOffset)) return 0;
    std::FILE* file = std::fopen(FileName.GetString(), "rb");
    if (!file) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    std::vector<ChannelStore> stores;
    int result = CollectStores(*this, stores, TBMsg::ChannelNotRead) ? 1 : 2;
    bool readError = false;
    const int r = ReadBinaryBlock(*this, file, dataOffset, stores, valueSize, readError);
    std::fclose(file);
    if (r < 0) return 0;
    if (readError) {
        SetError(TBFormatMessage(isMdx ? TBMsg::ReadMdxFailed : TBMsg::ReadMdaFailed, {FileName}),
                 TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (r < NrItems) {
        AddWarning(TBFormatMessage(TBMsg::FewerValuesThanLength, {FileName, r, NrItems}));
        result = 2;
    }
    Separator = CString(static_cast<char>(Sep));
    Decimal.Empty();
    return result;
}

// ---------------------------------------------------------------- write

namespace {

// The header lines in the order of the format; the caller opens and closes the file.
// Result 1, or 2 when channel slots were missing.
int WriteHeader(CReadAndWriteFileFunction& e, OutputFile& out) {
    std::vector<ChannelStore> stores;
    const int result = CollectStores(e, stores, TBMsg::ChannelNotWritten) ? 1 : 2;
    std::string& text = out.Buffer();
    auto line = [&](const char* key, const std::string& value) {
        text += key;
        text += ":=";
        text += value;
        text += "\r\n";
        out.MaybeFlush();
    };
    line("typ", std::string(1, static_cast<char>(e.Typ)));
    line("dim", std::to_string(e.NrChannels));
    line("len", std::to_string(e.NrItems));
    for (int c = 0; c < e.NrChannels; ++c) {
        const CExImPortChannel* channel = e.GetChannel(c);
        if (!channel) continue;
        const std::string number = std::to_string(c + 1);
        if (!channel->GetChannelName().IsEmpty()) line(("n0" + number).c_str(), channel->GetChannelName().str());
        if (!channel->GetUnitName().IsEmpty()) line(("u0" + number).c_str(), channel->GetUnitName().str());
    }
    if (e.Sep != ';') line("sep", std::string("\"") + static_cast<char>(e.Sep) + "\"");
    for (int i = 0; i < e.EditionalStrings.GetSize(); ++i) {
        text += e.EditionalStrings[i].str();
        text += "\r\n";
        out.MaybeFlush();
    }
    text += "end:=";
    return result;
}

// The checks every data writer makes before it writes: warning TBMsg::ChannelNotWritten for empty slots,
// error TBMsg::InvalidChannelPointer for a channel without storage, error TBMsg::NoMemoryReserve for an array shorter
// than NrItems. Returns 0 on error, else 1 or 2.
int PrepareWrite(CReadAndWriteFileFunction& e, std::vector<ChannelStore>& stores) {
    int result = CollectStores(e, stores, TBMsg::ChannelNotWritten) ? 1 : 2;
    const int bad = FirstChannelWithoutStorage(stores);
    if (bad >= 0) {
        e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {e.FileName, bad + 1}), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    for (const ChannelStore& s : stores) {
        int size = e.NrItems;
        if (s.kind == ChannelStore::Doubles)
            size = s.doubles->GetSize();
        else if (s.kind == ChannelStore::Strings)
            size = s.strings->GetSize();
        else if (s.kind == ChannelStore::Variants)
            size = s.variants->GetSize();
        if (size < e.NrItems) {
            e.SetError(TBLoadString(TBMsg::NoMemoryReserve), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
    }
    return result;
}

double ValueAt(const ChannelStore& s, int r) {
    switch (s.kind) {
        case ChannelStore::Block: return s.block[r];
        case ChannelStore::Doubles: return s.doubles->GetAt(r);
        case ChannelStore::Strings: return StandardAtof(s.strings->GetAt(r));
        case ChannelStore::Variants: return VariantAsDouble(s.variants->GetAt(r));
        default: return 0.0;
    }
}

// Text values (typ A): each followed by the separator, rows apart by line ends. In an
// .mdx file a line end separates them from "end:=".
void WriteTextRows(const CReadAndWriteFileFunction& e, const std::vector<ChannelStore>& stores, OutputFile& out,
                   int isMdx) {
    std::string& text = out.Buffer();
    if (isMdx) text += "\r\n";
    const char separator = static_cast<char>(e.Sep);
    for (int r = 0; r < e.NrItems; ++r) {
        if (r > 0) text += "\r\n";
        for (const ChannelStore& s : stores) {
            switch (s.kind) {
                case ChannelStore::Block: AppendNumber(text, s.block[r]); break;
                case ChannelStore::Doubles: AppendNumber(text, s.doubles->GetAt(r)); break;
                case ChannelStore::Strings: text += s.strings->GetAt(r).str(); break;
                case ChannelStore::Variants: AppendVariantText(text, s.variants->GetAt(r)); break;
                default: text += '0'; break;
            }
            text += separator;
        }
        out.MaybeFlush();
    }
}

// Binary values (typ 4 or 8), little-endian floats row by row; one LF byte after "end:="
// in an .mdx file.
void WriteBinaryRows(const CReadAndWriteFileFunction& e, const std::vector<ChannelStore>& stores, OutputFile& out,
                     int isMdx, int valueSize) {
    std::string& bytes = out.Buffer();
    if (isMdx) bytes += '\n';
    char row[16];
    for (int r = 0; r < e.NrItems; ++r) {
        for (const ChannelStore& s : stores) {
            const double value = ValueAt(s, r);
            if (valueSize == 8) {
                std::memcpy(row, &value, 8);
            } else {
                const float single = static_cast<float>(value);
                std::memcpy(row, &single, 4);
            }
            bytes.append(row, static_cast<size_t>(valueSize));
        }
        out.MaybeFlush();
    }
}

// The values by Typ into out after the checks of PrepareWrite. 0 on error.
int WriteRows(CReadAndWriteFileFunction& e, OutputFile& out, int isMdx) {
    std::vector<ChannelStore> stores;
    const int result = PrepareWrite(e, stores);
    if (result == 0) return 0;
    if (e.Typ == '4' || e.Typ == '8')
        WriteBinaryRows(e, stores, out, isMdx, e.Typ - '0');
    else
        WriteTextRows(e, stores, out, isMdx);
    return result;
}

bool IsWrittenType(int typ) { return typ == 'A' || typ == 'a' || typ == '4' || typ == '8'; }

// The failure of a file that could not be written: the format's message with the
// system's description of what went wrong.
void SetWriteFailure(CReadAndWriteFileFunction& e, UINT message, const CString& name, int error) {
    e.SetError(TBFormatMessage(message, {name}) + " (" + TBSystemErrorText(error) + ")", TB_EXCHANGE_FILE_ERROR);
}

}  // namespace

int CReadAndWriteFileFunction::WriteMdx_k_a(CString fileName, int separatorChar, int typ) {
    ResetWarnAndErrorMsg();
    CString name = fileName.IsEmpty() ? FileName : fileName;
    if (name.IsEmpty()) name = AskExchangeFileName("*.mdx", TBLoadString(TBMsg::FilterCharacteristic), 0);
    if (name.IsEmpty()) {
        SetError(TBLoadString(TBMsg::NoFileName), 0);
        return 0;
    }
    FileName = name;
    Typ = typ;
    // A NUL separator could not be read back: the default takes its place.
    Sep = separatorChar > 0 && separatorChar < 256 ? separatorChar : ';';
    if (!HasCharacteristicExtension(name)) {
        SetError(TBFormatMessage(TBMsg::NotCharacteristicFormat, {name}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    const char last = name.GetAt(name.GetLength() - 1);
    if (last == 'a' || last == 'A' || last == 'k' || last == 'K')
        FileKind = TB_KIND_MDA_MDK;
    else if (last == 'x' || last == 'X')
        FileKind = TB_KIND_MDX;
    const int isMdx = FileKind == TB_KIND_MDX ? 1 : 0;

    // Header and values are staged (one .mdx file, or the .mdk and .mda pair) and put in
    // place together once both are complete, so a failure keeps the old file or pair.
    const CString headerName = isMdx ? name : PartnerName(name, 'k');
    const CString dataName = isMdx ? name : PartnerName(name, 'a');
    FileName = headerName;
    OutputFile header;
    if (!header.Create(headerName)) {
        SetWriteFailure(*this, isMdx ? TBMsg::WriteMdxFailed : TBMsg::WriteMdkFailed, headerName, header.ErrorNumber());
        return 0;
    }
    const int headerResult = WriteHeader(*this, header);
    if (!isMdx) FileName = dataName;
    if (!IsWrittenType(Typ)) {
        SetError(TBFormatMessage(TBMsg::InvalidDataType, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    OutputFile pairData;
    OutputFile& data = isMdx ? header : pairData;
    if (!isMdx && !pairData.Create(dataName)) {
        SetWriteFailure(*this, TBMsg::WriteMdaFailed, dataName, pairData.ErrorNumber());
        return 0;
    }
    const int result = WriteRows(*this, data, isMdx);
    if (result == 0) {
        // The data writer's own message (which channel, which file) stays readable as a
        // warning; the error names the file that could not be written.
        if (!LastError.IsEmpty()) AddWarning(LastError);
        SetError(TBFormatMessage(isMdx ? TBMsg::WriteMdxFailed : TBMsg::WriteMdaFailed, {FileName}),
                 TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (!header.Complete()) {
        SetWriteFailure(*this, isMdx ? TBMsg::WriteMdxFailed : TBMsg::WriteMdkFailed, headerName, header.ErrorNumber());
        return 0;
    }
    if (!isMdx && !pairData.Complete()) {
        SetWriteFailure(*this, TBMsg::WriteMdaFailed, dataName, pairData.ErrorNumber());
        return 0;
    }
    TBOutputFile* outputs[] = {&header.Output(), &pairData.Output()};
    if (!TBCommitOutputs(outputs, isMdx ? 1 : 2)) {
        SetWriteFailure(*this, isMdx ? TBMsg::WriteMdxFailed : TBMsg::WriteMdaFailed, FileName, errno ? errno : EIO);
        return 0;
    }
    return result == 2 || headerResult == 2 ? 2 : 1;
}

int CReadAndWriteFileFunction::WriteMdkFile() {
    OutputFile out;
    if (!out.Create(FileName)) {
        SetError(TBSystemErrorText(out.ErrorNumber()), 0);
        return 0;
    }
    const int result = WriteHeader(*this, out);
    if (!out.Close()) {
        SetError(TBSystemErrorText(out.ErrorNumber()), 0);
        return 0;
    }
    return result;
}

namespace {

// One data file on its own: a pair's .mda file is created, an .mdx file gets the values
// after its header (staged as a copy, so a failure leaves it as it was).
int WriteDataFile(CReadAndWriteFileFunction& e, int isMdx, int typ) {
    std::vector<ChannelStore> stores;
    const int result = PrepareWrite(e, stores);
    if (result == 0) return 0;
    OutputFile out;
    const bool opened = isMdx ? out.Append(e.FileName) : out.Create(e.FileName);
    if (!opened) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (typ == '4' || typ == '8')
        WriteBinaryRows(e, stores, out, isMdx, typ - '0');
    else
        WriteTextRows(e, stores, out, isMdx);
    if (!out.Close()) {
        e.SetError(TBSystemErrorText(out.ErrorNumber()), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return result;
}

}  // namespace

int CReadAndWriteFileFunction::WriteMdaFile_A(int isMdx) { return WriteDataFile(*this, isMdx, 'A'); }

int CReadAndWriteFileFunction::WriteMdaFile_B(int isMdx, int valueSize) {
    return WriteDataFile(*this, isMdx, valueSize == 8 ? '8' : '4');
}

// ---------------------------------------------------------------- entries of the format table

namespace tb_exchange {

namespace {

// The separator character of a characteristic file: the first character of the
// caller's separator, else the one chosen in the Export dialog when dialogs are
// allowed, else ';'. An empty separator counts as none given: its first character
// would be a NUL in the file. False when the user cancelled.
bool AskCharacteristicSeparator(CReadAndWriteFileFunction& engine, const char* separator, int& chosen) {
    if (separator && separator[0]) {
        chosen = static_cast<unsigned char>(separator[0]);
        return true;
    }
    if (engine.WithDialog != 1) {
        chosen = ';';
        return true;
    }
    CExportSeparatorRules dialog(0);
    if (TBGetDialogHub().DoModal(dialog) != IDOK) {
        engine.LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return false;
    }
    chosen = dialog.GetSeparatorChar();
    return true;
}

// Typ 'A' (text), '4' or '8' (binary values). A characteristic name written without a
// characteristic format code is text with ';' separators, without asking.
int WriteCharacteristic(CReadAndWriteFileFunction& engine, const WriteRequest& request, int typ) {
    if (!request.codeChoseEntry) return engine.WriteMdx_k_a(request.name, ';', 'A');
    int separatorChar = ';';
    if (typ == 'A' && !AskCharacteristicSeparator(engine, request.separator, separatorChar)) return 0;
    return engine.WriteMdx_k_a(request.name, separatorChar, typ);
}

}  // namespace

int ReadCharacteristicInfo(CReadAndWriteFileFunction& engine, const ReadRequest& request, ReadOutcome&) {
    return engine.ReadMdx_k(request.fileName);
}
int ReadCharacteristicData(CReadAndWriteFileFunction& engine) { return engine.ReadMdx_a(); }
int WriteCharacteristicText(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteCharacteristic(engine, request, 'A');
}
int WriteCharacteristic4(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteCharacteristic(engine, request, '4');
}
int WriteCharacteristic8(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return WriteCharacteristic(engine, request, '8');
}

}  // namespace tb_exchange
