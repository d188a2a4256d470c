// Delimited text (.csv, .txt, unknown extensions, .dat read as text).
//
// Reads and writes one column per channel and one line per item, with an optional
// first line of titles "Name(unit)", quoted or (when no field can begin a number) not. Any character of Separator
// separates fields; Decimal replaces the point of numbers. Tolerates CR LF and LF line ends, a last line without line
// end, lines of any length, NUL bytes (a field ends there as a number), short lines (the missing fields read as zero)
// and extra fields (ignored). The file is read in large blocks, never whole, and fields are parsed in place.
#include "exchange/format_table.h"
#include "exchange/text/delimited_text.h"
#include "exchange/value_convert.h"
#include "exchange/value_store.h"
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/file_io.h>
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <sys/mman.h>
#include <vector>

using tb_exchange::DecimalSymbol;
using tb_exchange::FieldSplitter;
using tb_exchange::SeparatorSet;

namespace {

// ---------------------------------------------------------------- titles

CString DefaultChannelName(int index) {
    CString name;
    name.Format("CH %i", index);
    return name;
}

// Name and unit from one title field: quotes removed; "Name(unit)", "(unit)" or a
// plain name; any other placement of parentheses leaves both empty. In a line of quoted
// titles only the quoted fields name their channels; in a line without quotes every
// field does.
void NameFromTitleField(std::string_view rawField, bool quotedTitles, int index, CString& name, CString& unit) {
    if (!quotedTitles) {
        while (!rawField.empty() && (rawField.front() == ' ' || rawField.front() == '\t')) rawField.remove_prefix(1);
        rawField = tb_exchange::TrimTrailingSpace(rawField);
    }
    CString field(rawField);
    const bool hadQuotes = field.Remove('"') > 0;
    if (field.IsEmpty() || (quotedTitles && !hadQuotes)) field = DefaultChannelName(index);
    name.Empty();
    unit.Empty();
    const int open = field.Find('(');
    const int last = field.GetLength() - 1;
    if (open < 0) {
        name = field;
    } else if (field.GetAt(last) == ')' && last > open) {
        if (open == 0 && field.GetLength() > 2) {
            name = DefaultChannelName(index);
            unit = field.Mid(1, last - 1);
        } else if (open > 0) {
            name = field.Left(open);
            unit = field.Mid(open + 1, last - open - 1);
        }
    }
}

// The next title field: up to the next separator (leading separators skipped when
// merging); the last field is the rest of the line; past the end it is empty.
std::string_view NextTitleField(std::string_view title, std::size_t& pos, const SeparatorSet& separators, bool merge) {
    if (merge)
        while (pos < title.size() && separators.Contains(title[pos])) ++pos;
    if (pos >= title.size()) return std::string_view();
    std::size_t p = separators.FindFrom(title, pos);
    std::string_view field;
    if (p == std::string_view::npos) {
        field = title.substr(pos);
        pos = title.size();
    } else {
        field = title.substr(pos, p - pos);
        pos = p + 1;
    }
    return field;
}

// ---------------------------------------------------------------- value sinks

// Where the reader puts the values of one channel, prepared once per read.
struct ChannelSink {
    enum Kind { None, NoStorage, Block, Doubles, Strings, Variants } kind = None;
    double* block = nullptr;  // raw block, or the data of a pre-sized double array
    CArray<double, double>* doubles = nullptr;
    CStringArray* strings = nullptr;
    CArray<COleVariant, COleVariant>* variants = nullptr;
    int originalSize = 0;
    int rowsTouched = 0;
};

// The reader is about to write every page of a large raw block: transparent huge pages,
// where the system offers them on request, spare most of the page faults. A hint only.
void AdviseWholeWrite(double* block, std::size_t count) {
    const std::size_t bytes = count * sizeof(double);
    if (bytes < (std::size_t(4) << 20)) return;
    const std::uintptr_t page = 4096;
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Arrays are sized for NrItems at once (instead of growing row by row) and trimmed back
// at the end to what the reader really filled, never below their size before.
void PrepareSinks(CReadAndWriteFileFunction& engine, std::vector<ChannelSink>& sinks) {
    sinks.assign(static_cast<std::size_t>(engine.NrChannels), ChannelSink());
    for (int c = 0; c < engine.NrChannels; ++c) {
        ChannelSink& s = sinks[static_cast<std::size_t>(c)];
        CExImPortChannel* channel = engine.GetChannel(c);
        if (!channel) continue;
        const tb_exchange::ChannelStorage storage = tb_exchange::StorageOf(channel);
        switch (storage.kind) {
            case tb_exchange::ChannelStorage::Block:
                s.kind = ChannelSink::Block;
                s.block = storage.block;
                if (engine.NrItems > 0) AdviseWholeWrite(s.block, static_cast<std::size_t>(engine.NrItems));
                break;
            case tb_exchange::ChannelStorage::Doubles:
                s.kind = ChannelSink::Doubles;
                s.doubles = storage.doubles;
                s.originalSize = s.doubles->GetSize();
                if (s.originalSize < engine.NrItems) s.doubles->SetSize(engine.NrItems);
                s.block = s.doubles->GetData();
                break;
            case tb_exchange::ChannelStorage::Strings:
                s.kind = ChannelSink::Strings;
                s.strings = storage.strings;
                s.originalSize = s.strings->GetSize();
                if (s.originalSize < engine.NrItems) s.strings->SetSize(engine.NrItems);
                break;
            case tb_exchange::ChannelStorage::Variants:
                s.kind = ChannelSink::Variants;
                s.variants = storage.variants;
                s.originalSize = s.variants->GetSize();
                if (s.originalSize < engine.NrItems) s.variants->SetSize(engine.NrItems);
                break;
            default: s.kind = ChannelSink::NoStorage; break;
        }
    }
}

void TrimSinks(std::vector<ChannelSink>& sinks) {
    for (ChannelSink& s : sinks) {
        int size = s.rowsTouched > s.originalSize ? s.rowsTouched : s.originalSize;
        if (s.kind == ChannelSink::Doubles)
            s.doubles->SetSize(size);
        else if (s.kind == ChannelSink::Strings)
            s.strings->SetSize(size);
        else if (s.kind == ChannelSink::Variants)
            s.variants->SetSize(size);
    }
}

// ---------------------------------------------------------------- writing helpers

enum class WriteSource { Missing, Block, Doubles, Strings, Variants };

struct ChannelSource {
    WriteSource kind = WriteSource::Missing;
    const double* values = nullptr;
    const CStringArray* strings = nullptr;
    const CArray<COleVariant, COleVariant>* variants = nullptr;
};

void ReplacePoint(std::string& text, const CString& decimal) {
    std::size_t at = 0;
    while ((at = text.find('.', at)) != std::string::npos) {
        text.replace(at, 1, decimal.str());
        at += decimal.str().size();
    }
}

// Text of a variant cell as the writer puts it.
std::string VariantText(const COleVariant& v, const CString& decimal) {
    std::string text;
    tb_exchange::AppendVariantText(text, v, decimal.view());
    return text;
}

// ---------------------------------------------------------------- writing steps

// The file to write: the given name, else the one the user picks (error TBMsg::NoFileName when none).
bool ChooseWriteFileName(CReadAndWriteFileFunction& e, const CString& fileName) {
    if (!fileName.IsEmpty()) {
        e.FileName = fileName;
    } else {
        const bool csv = e.FileKind == TB_KIND_CSV;
        e.FileName =
            AskExchangeFileName(csv ? "*.csv" : "*.txt", TBLoadString(csv ? TBMsg::FilterCsv : TBMsg::FilterText), 0);
    }
    if (e.FileName.IsEmpty()) {
        e.LastError = TBLoadString(TBMsg::NoFileName);
        return false;
    }
    return true;
}

// Warning TBMsg::ChannelNotWritten for every empty channel slot; 2 when there is one, else 1.
int WarnEmptyWriteSlots(CReadAndWriteFileFunction& e) {
    int result = 1;
    for (int c = 0; c < e.NrChannels; ++c) {
        if (!e.GetChannel(c)) {
            e.Warnings.Add(TBFormatMessage(TBMsg::ChannelNotWritten, {e.FileName, c + 1}));
            result = 2;
        }
    }
    return result;
}

// A .csv file keeps the engine's symbols, other text takes the caller's; an empty one
// becomes the user's.
void ChooseWriteSymbols(CReadAndWriteFileFunction& e, const CString& separator, const CString& decimal) {
    if (e.FileKind != TB_KIND_CSV) {
        e.Separator = separator;
        e.Decimal = decimal;
    }
    if (e.Separator.IsEmpty()) e.Separator = TBGetUserListSeparator();
    if (e.Decimal.IsEmpty()) e.Decimal = TBGetUserDecimalSymbol();
}

// The storage a channel's values are written from and how many values it holds; false
// when the channel has no storage.
bool SourceOf(CExImPortChannel& channel, int nrItems, ChannelSource& s, int& size) {
    const tb_exchange::ChannelStorage storage = tb_exchange::StorageOf(&channel);
    size = nrItems;
    switch (storage.kind) {
        case tb_exchange::ChannelStorage::Block:
            s.kind = WriteSource::Block;
            s.values = storage.block;
            return true;
        case tb_exchange::ChannelStorage::Doubles:
            s.kind = WriteSource::Doubles;
            s.values = storage.doubles->GetData();
            size = storage.doubles->GetSize();
            return true;
        case tb_exchange::ChannelStorage::Strings:
            s.kind = WriteSource::Strings;
            s.strings = storage.strings;
            size = s.strings->GetSize();
            return true;
        case tb_exchange::ChannelStorage::Variants:
            s.kind = WriteSource::Variants;
            s.variants = storage.variants;
            size = s.variants->GetSize();
            return true;
        default: return false;
    }
}

// Every channel's storage is checked before the file is created, so a write that cannot
// succeed leaves an existing file untouched: error TBMsg::InvalidChannelPointer for a channel without storage,
// TBMsg::NoMemoryReserve for one that holds fewer than NrItems values.
bool CollectWriteSources(CReadAndWriteFileFunction& e, std::vector<ChannelSource>& sources) {
    for (int c = 0; c < e.NrChannels; ++c) {
        CExImPortChannel* channel = e.GetChannel(c);
        if (!channel) continue;
        int size = 0;
        if (!SourceOf(*channel, e.NrItems, sources[static_cast<std::size_t>(c)], size)) {
            e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {e.FileName, c + 1}), TB_EXCHANGE_DATA_ERROR);
            return false;
        }
        if (size < e.NrItems) {
            e.SetError(TBLoadString(TBMsg::NoMemoryReserve), TB_EXCHANGE_DATA_ERROR);
            return false;
        }
    }
    return true;
}

// The title line of quoted "Name(unit)" fields, written only when some channel has a
// name or a unit.
void WriteTitleLine(CReadAndWriteFileFunction& e, CBufferedFileWriter& out) {
    const std::string& sep = e.Separator.str();
    std::string title;
    bool anyTitle = false;
    for (int c = 0; c < e.NrChannels; ++c) {
        CExImPortChannel* channel = e.GetChannel(c);
        CString text;
        if (channel) {
            text = channel->GetChannelName();
            if (!channel->GetUnitName().IsEmpty()) text += "(" + channel->GetUnitName() + ")";
        }
        anyTitle = anyTitle || !text.IsEmpty();
        title += '"';
        title += text.str();
        title += '"';
        if (c + 1 < e.NrChannels) title += sep;
    }
    if (anyTitle) {
        out.Write(title);
        out.Write("\r\n", 2);
    }
}

// Writes the value lines: one per item, the channels' cells between separators.
class RowWriter {
public:
    RowWriter(const CString& decimal, CBufferedFileWriter& out)
        : m_decimal(decimal), m_dec(decimal.str()), m_replacePoint(m_dec != "."), m_singleDecimal(m_dec.size() == 1),
          m_out(out) {}

    void WriteRows(const std::vector<ChannelSource>& sources, const std::string& sep, int nrItems) {
        const int channels = static_cast<int>(sources.size());
        for (int r = 0; r < nrItems && !m_out.Failed(); ++r) {
            for (int c = 0; c < channels; ++c) {
                PutCell(sources[static_cast<std::size_t>(c)], r);
                if (c + 1 < channels) m_out.Write(sep);
            }
            if (r + 1 < nrItems) m_out.Write("\r\n", 2);
        }
    }

private:
    void PutCell(const ChannelSource& s, int r) {
        switch (s.kind) {
            case WriteSource::Missing: m_out.Put('0'); break;
            case WriteSource::Block:
            case WriteSource::Doubles: PutNumber(s.values[r]); break;
            case WriteSource::Strings: m_out.Write(s.strings->GetAt(r).view()); break;
            case WriteSource::Variants: m_out.Write(VariantText(s.variants->GetAt(r), m_decimal)); break;
        }
    }

    // Formatted straight into the output buffer; a one-character decimal symbol
    // replaces the point there, a longer one goes through the scratch text.
    void PutNumber(double value) {
        char* p = m_out.Reserve(64);
        if (!p) return;
        char* end = tb_exchange::FormatGeneral15(p, LimitExportValue(value));
        if (m_replacePoint && m_singleDecimal) {
            for (char* q = p; q < end; ++q)
                if (*q == '.') *q = m_dec[0];
            m_out.Commit(static_cast<std::size_t>(end - p));
        } else if (m_replacePoint) {
            m_scratch.assign(p, end);
            ReplacePoint(m_scratch, m_decimal);
            m_out.Write(m_scratch);
        } else {
            m_out.Commit(static_cast<std::size_t>(end - p));
        }
    }

    const CString& m_decimal;
    const std::string& m_dec;
    const bool m_replacePoint;
    const bool m_singleDecimal;
    CBufferedFileWriter& m_out;
    std::string m_scratch;
};

// ---------------------------------------------------------------- information scan

// The file to read: the given name, the engine's, else the one the user picks; error
// TBMsg::NoFileName when there is none, TBMsg::CannotOpenFile when it does not exist.
bool ChooseReadFileName(CReadAndWriteFileFunction& e, const CString& fileName) {
    if (!fileName.IsEmpty()) {
        e.FileName = fileName;
    } else if (e.FileName.IsEmpty()) {
        const bool csv = e.FileKind == TB_KIND_CSV;
        e.FileName =
            AskExchangeFileName(csv ? "*.csv" : "*.txt", TBLoadString(csv ? TBMsg::FilterCsv : TBMsg::FilterText), 1);
    }
    if (e.FileName.IsEmpty()) {
        e.LastError = TBLoadString(TBMsg::NoFileName);
        return false;
    }
    if (!TBFileExists(e.FileName)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    return true;
}

// Separator, decimal symbol, first line and merging from the import dialog, when it may
// be shown and a symbol is missing. False when the user cancels.
bool AskImportRules(CReadAndWriteFileFunction& e, int& start) {
    if (e.Separator.IsEmpty()) e.Separator = TBGetUserListSeparator();
    if (e.Decimal.IsEmpty()) e.Decimal = TBGetUserDecimalSymbol();
    CTextImportRules dialog(e.FileName);
    if (e.FileKind == TB_KIND_CSV) {
        dialog.LoadSeparators(e.Separator);
        dialog.LoadDecimal(e.Decimal);
    }
    dialog.StartLine = start;
    dialog.MergeSeparators = e.TextMergeSeparators == 1;
    // The dialog closes at once as cancelled for a file that is not text.
    if (!dialog.CheckFileIsText() || TBGetDialogHub().DoModal(dialog) != IDOK || !dialog.OnOK()) {
        e.LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return false;
    }
    e.Separator = dialog.GetChosenSeparator();
    e.Decimal = dialog.GetChosenDecimal();
    start = dialog.GetChosenStartLine();
    e.TextMergeSeparators = dialog.GetChosenMergeFlag();
    return true;
}

// The rules the file is read with; start is the first line. False when the user
// cancels.
bool ChooseImportRules(CReadAndWriteFileFunction& e, const CString& separator, const CString& decimal, int& start) {
    if (e.WithDialog == 1 && (separator.IsEmpty() || decimal.IsEmpty())) return AskImportRules(e, start);
    if (e.FileKind == TB_KIND_CSV) {
        // Without the dialog a .csv file is read with the user's symbols, as the writer
        // writes it; an empty separator would make every line one field.
        if (e.Separator.IsEmpty()) e.Separator = TBGetUserListSeparator();
        if (e.Decimal.IsEmpty()) e.Decimal = TBGetUserDecimalSymbol();
    }
    return true;
}

// What the scan finds: the widest line, the data lines and the title line.
struct TextScan {
    std::string titleLine;
    bool hasTitle = false;
    int channels = 0;
    int items = 0;
};

// The decimal symbol's character for telling numbers from words ('.' when it is none).
char DecimalChar(const CReadAndWriteFileFunction& e) { return e.Decimal.IsEmpty() ? '.' : e.Decimal[0]; }

// Counts the fields and data lines from the first line on: the first line is the title
// when it holds a quote, or when no field can begin a number and the next line holds a
// number; plain text ends at the first line that cannot begin a number. Error
// TBMsg::ReadCsvFailed when the file cannot be read or holds more lines than items can.
bool ScanTextLines(CReadAndWriteFileFunction& e, CLineReader& in, int start, TextScan& scan) {
    const bool csv = e.FileKind == TB_KIND_CSV;
    const SeparatorSet separators(e.Separator.view());
    const bool merge = e.TextMergeSeparators == 1;
    const char decimal = DecimalChar(e);
    bool wordsFirst = false;  // the first line holds words only: titles if numbers follow
    long long n = 0;
    std::string_view raw;
    while (in.NextLine(raw)) {
        ++n;
        if (n == 1) raw = tb_exchange::WithoutByteOrderMark(raw);
        if (n < start) continue;
        std::string_view line = tb_exchange::TrimTrailingSpace(raw);
        if (wordsFirst && !line.empty()) {
            wordsFirst = false;
            scan.hasTitle = tb_exchange::HoldsNumber(line, separators, merge, decimal);
            if (!scan.hasTitle) ++scan.items;  // the first line was data
        }
        if (n > start && !csv && !tb_exchange::CanBeginNumber(line)) break;
        int count = tb_exchange::CountFields(line, separators, merge);
        if (count > scan.channels) scan.channels = count;
        if (n == start) {
            const auto first = tb_exchange::JudgeFirstLine(line, separators, merge, decimal);
            if (first != tb_exchange::FirstLine::Data) {
                scan.titleLine.assign(line);
                scan.hasTitle = first == tb_exchange::FirstLine::Titles;
                wordsFirst = !scan.hasTitle;
                continue;
            }
        }
        if (!line.empty()) {
            if (scan.items == INT_MAX) {
                e.SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
                return false;
            }
            ++scan.items;
        }
    }
    if (wordsFirst) ++scan.items;  // nothing follows the line of words: it is data
    if (!scan.hasTitle) scan.titleLine.clear();
    if (in.Failed()) {
        e.SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    return true;
}

// One channel per column, named from the title line when there is one.
void CreateTitledChannels(CReadAndWriteFileFunction& e, const TextScan& scan) {
    const SeparatorSet separators(e.Separator.view());
    const bool merge = e.TextMergeSeparators == 1;
    std::size_t titlePos = 0;
    const bool quotedTitles = scan.titleLine.find('"') != std::string::npos;
    for (int i = 0; i < e.NrChannels; ++i) {
        auto* channel = new CExImPortChannel;
        if (!scan.hasTitle) {
            channel->SetChannelName(DefaultChannelName(i));
        } else {
            CString name, unit;
            NameFromTitleField(NextTitleField(scan.titleLine, titlePos, separators, merge), quotedTitles, i, name,
                               unit);
            channel->SetChannelName(name);
            channel->SetUnitName(unit);
        }
        e.ReplaceChannelSlot(i, channel);
    }
}

// ---------------------------------------------------------------- data read

// Warning TBMsg::ChannelNotRead for every empty channel slot; 2 when there is one, else 1.
int WarnEmptyReadSlots(CReadAndWriteFileFunction& e) {
    int result = 1;
    for (int c = 0; c < e.NrChannels; ++c) {
        if (!e.GetChannel(c)) {
            e.Warnings.Add(TBFormatMessage(TBMsg::ChannelNotRead, {e.FileName, c + 1}));
            result = 2;
        }
    }
    return result;
}

// Reads data lines into the channels' storage, one row per line.
class TextRowReader {
public:
    explicit TextRowReader(CReadAndWriteFileFunction& e)
        : m_engine(e), m_separators(e.Separator.view()), m_decimal(e.Decimal), m_merge(e.TextMergeSeparators == 1),
          m_numbersInPlace(tb_exchange::CanReadNumbersInPlace(m_separators, m_decimal)),
          m_point(m_decimal.PointCharacter()) {
        PrepareSinks(e, m_sinks);
        m_channels = e.NrChannels;
        m_fastRows = m_numbersInPlace && !m_merge && m_channels > 0;
        for (const ChannelSink& s : m_sinks) m_fastRows = m_fastRows && s.block != nullptr;
        m_zeroText = TBExtended_ftoa(0.0, -1, 0, "");
    }

    // Row r from one line; false (error TBMsg::InvalidChannelPointer recorded, arrays trimmed) when a field falls
    // to a channel without storage.
    bool ReadRow(std::string_view line, int r) {
        int c = 0;
        std::size_t position = 0;
        if (m_fastRows) c = ReadPlainNumbers(line, r, position);
        FieldSplitter fields(line, position, m_separators, m_merge);
        if (!ReadFields(fields, r, c)) return false;
        if (m_fastRows)
            for (int k = 0; k < c && k < m_channels; ++k) m_sinks[static_cast<std::size_t>(k)].rowsTouched = r + 1;
        ZeroRestOfRow(r, c);
        return true;
    }

    void Trim() { TrimSinks(m_sinks); }

    // The file lost lines since the scan: the missing rows of raw blocks read as zero,
    // arrays keep the rows really read.
    void ZeroMissingRows(int r, int nrItems) {
        for (ChannelSink& s : m_sinks)
            if (s.kind == ChannelSink::Block)
                std::memset(s.block + r, 0, sizeof(double) * static_cast<std::size_t>(nrItems - r));
    }

private:
    // Rows of plain numbers into double storage: parsed in place, field by field, until
    // a field needs the general rules. Returns the channels filled; position is where
    // the rest of the row starts (past the end when no field remains).
    int ReadPlainNumbers(std::string_view line, int r, std::size_t& position) {
        // Locals rather than members in the loop: the stores into the values would
        // otherwise make the compiler load them again for every field.
        ChannelSink* const sinks = m_sinks.data();
        const int channels = m_channels;
        const char point = m_point;
        const SeparatorSet& separators = m_separators;
        const char* begin = line.data();
        const char* p = begin;
        const char* end = begin + line.size();
        int c = 0;
        while (c < channels && p < end) {
            double value;
            const char* stop = tb_exchange::detail::ParseShortDecimal(p, end, point, value);
            if (!stop || stop == p || (stop != end && !separators.Contains(*stop))) break;
            sinks[c].block[r] = value;
            ++c;
            p = stop == end ? end : stop + 1;
        }
        position = static_cast<std::size_t>(p - begin);
        if (p >= end) position = line.size() + 1;  // no field remains
        return c;
    }

    // The fields from channel c on, by the general rules; c ends at the first channel
    // the line has no field for.
    bool ReadFields(FieldSplitter& fields, int r, int& c) {
        std::string_view field;
        for (; c < m_channels; ++c) {
            ChannelSink& s = m_sinks[static_cast<std::size_t>(c)];
            if (m_numbersInPlace && s.block && fields.NextPlainNumber(s.block[r], m_decimal)) {
                s.rowsTouched = r + 1;
                continue;
            }
            if (!fields.Next(field)) break;
            if (s.kind == ChannelSink::NoStorage) {
                TrimSinks(m_sinks);
                m_engine.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {m_engine.FileName, c + 1}),
                                  TB_EXCHANGE_DATA_ERROR);
                return false;
            }
            StoreField(s, field, r);
            s.rowsTouched = r + 1;
        }
        return true;
    }

    void StoreField(ChannelSink& s, std::string_view field, int r) {
        switch (s.kind) {
            case ChannelSink::Block:
            case ChannelSink::Doubles: s.block[r] = tb_exchange::ParseNumberField(field, m_decimal); break;
            case ChannelSink::Strings: s.strings->ElementAt(r) = CString(field); break;
            case ChannelSink::Variants: s.variants->ElementAt(r).SetText(CString(field)); break;
            default: break;
        }
    }

    // A short line: the remaining channels of this row read as zero.
    void ZeroRestOfRow(int r, int c) {
        for (; c < m_channels; ++c) {
            ChannelSink& s = m_sinks[static_cast<std::size_t>(c)];
            switch (s.kind) {
                case ChannelSink::Block:
                case ChannelSink::Doubles: s.block[r] = 0.0; break;
                case ChannelSink::Strings: s.strings->ElementAt(r) = m_zeroText; break;
                case ChannelSink::Variants: s.variants->ElementAt(r).SetText(m_zeroText); break;
                default: continue;
            }
            s.rowsTouched = r + 1;
        }
    }

    CReadAndWriteFileFunction& m_engine;
    const SeparatorSet m_separators;
    const DecimalSymbol m_decimal;
    const bool m_merge;
    const bool m_numbersInPlace;
    const char m_point;
    std::vector<ChannelSink> m_sinks;
    int m_channels = 0;
    bool m_fastRows = false;
    CString m_zeroText;
};

}  // namespace

// ---------------------------------------------------------------- WriteCSVFile

int CReadAndWriteFileFunction::WriteCSVFile(CString fileName, CString separator, CString decimal) try {
    if (!ChooseWriteFileName(*this, fileName)) return 0;
    const int result = WarnEmptyWriteSlots(*this);
    ChooseWriteSymbols(*this, separator, decimal);
    std::vector<ChannelSource> sources(NrChannels > 0 ? static_cast<std::size_t>(NrChannels) : 0);
    if (!CollectWriteSources(*this, sources)) return 0;

    CBufferedFileWriter out;
    if (!out.Create(FileName)) {
        LastError = FileName + ": " + TBSystemErrorText(out.LastErrorNumber());
        return 0;
    }
    WriteTitleLine(*this, out);
    RowWriter(Decimal, out).WriteRows(sources, Separator.str(), NrItems);
    if (!out.Close()) {
        LastError = FileName + ": " + TBSystemErrorText(out.LastErrorNumber());
        return 0;
    }
    return result;
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
}

// ---------------------------------------------------------------- ReadInfoCSVFile

int CReadAndWriteFileFunction::ReadInfoCSVFile(CString fileName, CString separator, CString decimal, int startLine,
                                               int mergeSeparators) try {
    ResetWarnAndErrorMsg();
    TextMergeSeparators = mergeSeparators;
    Separator = separator;
    Decimal = decimal;
    if (!ChooseReadFileName(*this, fileName)) return 0;
    int start = startLine;
    if (!ChooseImportRules(*this, separator, decimal, start)) return 0;

    CLineReader in;
    if (!in.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    tb_exchange::RecordFormat(*this, FileKind == TB_KIND_CSV ? TB_KIND_CSV : TB_KIND_TEXT);
    TextStartLine = start;
    TextScan scan;
    scan.channels = NrChannels;
    scan.items = NrItems;
    if (!ScanTextLines(*this, in, start, scan)) return 0;
    in.Close();

    NrChannels = scan.channels;
    NrItems = scan.items;
    CreateTitledChannels(*this, scan);
    return 1;
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
}

// ---------------------------------------------------------------- ReadDataCSVFile

int CReadAndWriteFileFunction::ReadDataCSVFile() try {
    ResetWarnAndErrorMsg();
    CLineReader in;
    if (!in.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    int result = WarnEmptyReadSlots(*this);
    TextRowReader rows(*this);

    long long n = 0;
    int r = 0;
    std::string_view raw;
    const SeparatorSet separators(Separator.view());
    const bool merge = TextMergeSeparators == 1;
    const char decimal = DecimalChar(*this);
    // A first line of words is held back until the next line tells whether it is
    // titles (numbers follow) or data, as the scan decided.
    std::string wordsFirst;
    bool holding = false;
    while (r < NrItems && in.NextLine(raw)) {
        ++n;
        if (n == 1) raw = tb_exchange::WithoutByteOrderMark(raw);
        if (n < TextStartLine) continue;
        std::string_view line = tb_exchange::TrimTrailingSpace(raw);
        if (line.empty()) continue;
        if (holding) {
            holding = false;
            if (!tb_exchange::HoldsNumber(line, separators, merge, decimal)) {
                if (!rows.ReadRow(wordsFirst, r)) return 0;
                if (++r >= NrItems) break;
            }
        }
        if (n == TextStartLine) {
            const auto first = tb_exchange::JudgeFirstLine(line, separators, merge, decimal);
            if (first == tb_exchange::FirstLine::Titles) continue;
            if (first == tb_exchange::FirstLine::TitlesIfNumbersFollow) {
                wordsFirst.assign(line);
                holding = true;
                continue;
            }
        }
        if (!rows.ReadRow(line, r)) return 0;
        ++r;
    }
    if (holding && r < NrItems) {  // nothing followed the line of words: it is data
        if (!rows.ReadRow(wordsFirst, r)) return 0;
        ++r;
    }
    rows.Trim();
    if (in.Failed()) {
        SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (r < NrItems) {
        // The file lost lines since the scan; the caller is told.
        rows.ZeroMissingRows(r, NrItems);
        Warnings.Add(TBFormatMessage(TBMsg::FewerValuesThanLength, {FileName, r, NrItems}));
        result = 2;
    }
    return result;
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
}

// ---------------------------------------------------------------- entries of the format table

namespace tb_exchange {

namespace {

CString TextOrEmpty(const char* text) { return text ? CString(text) : CString(); }

}  // namespace

// Delimited text and CSV take the symbols the caller passes; a .csv file read without
// them takes the user's list separator and decimal symbol, other text asks in the
// Import dialog when dialogs are allowed.
int ReadTextInfo(CReadAndWriteFileFunction& engine, const ReadRequest& request, ReadOutcome&) {
    return engine.ReadInfoCSVFile(request.fileName, request.separator, request.decimal, 1, 0);
}

int ReadTextData(CReadAndWriteFileFunction& engine) { return engine.ReadDataCSVFile(); }

// A .txt file: the caller's symbols, else the Export dialog's when dialogs are allowed,
// else the user's locale symbols (through WriteCSVFile).
int WriteText(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    if (request.separator && request.decimal)
        return engine.WriteCSVFile(request.name, request.separator, request.decimal);
    if (engine.WithDialog == 1) {
        CExportSeparatorRules dialog(1);
        if (TBGetDialogHub().DoModal(dialog) != IDOK) {
            engine.LastErrorNumber = TB_EXCHANGE_CANCELLED;
            return 0;
        }
        return engine.WriteCSVFile(request.name, dialog.GetSeparator(), dialog.GetDecimal());
    }
    return engine.WriteCSVFile(request.name, TextOrEmpty(request.separator), TextOrEmpty(request.decimal));
}

// A .csv file keeps the symbols of the text file read last (the engine's), unless the
// caller passes its own: a symbol given takes the place of the engine's.
int WriteCsv(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    if (request.separator) engine.Separator = request.separator;
    if (request.decimal) engine.Decimal = request.decimal;
    return engine.WriteCSVFile(request.name, CString(), CString());
}

}  // namespace tb_exchange
