// Delimited text (.csv, .txt, unknown extensions, .dat read as text).
//
// Reads and writes one column per channel and one line per item, with an optional
// first line of quoted titles "Name(unit)". Any character of Separator separates
// fields; Decimal replaces the point of numbers. Tolerates CR LF and LF line ends, a
// last line without line end, lines of any length, NUL bytes (a field ends there as a
// number), short lines (the missing fields read as zero) and extra fields (ignored).
// The file is read in large blocks, never whole, and fields are parsed in place.
#include "exchange/text/delimited_text.h"
#include "exchange/value_convert.h"
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/exchange_dialogs.h>
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
// plain name; any other placement of parentheses leaves both empty.
void NameFromTitleField(std::string_view rawField, int index, CString& name, CString& unit) {
    CString field(rawField);
    const bool hadQuotes = field.Remove('"') > 0;
    if (field.IsEmpty() || !hadQuotes) field = DefaultChannelName(index);
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
        if (channel->GetDoublePtr()) {
            s.kind = ChannelSink::Block;
            s.block = channel->GetDoublePtr();
            if (engine.NrItems > 0) AdviseWholeWrite(s.block, static_cast<std::size_t>(engine.NrItems));
        } else if ((s.doubles = channel->GetDoubleArray())) {
            s.kind = ChannelSink::Doubles;
            s.originalSize = s.doubles->GetSize();
            if (s.originalSize < engine.NrItems) s.doubles->SetSize(engine.NrItems);
            s.block = s.doubles->GetData();
        } else if ((s.strings = channel->GetStringArray())) {
            s.kind = ChannelSink::Strings;
            s.originalSize = s.strings->GetSize();
            if (s.originalSize < engine.NrItems) s.strings->SetSize(engine.NrItems);
        } else if ((s.variants = channel->GetVariantArray())) {
            s.kind = ChannelSink::Variants;
            s.originalSize = s.variants->GetSize();
            if (s.originalSize < engine.NrItems) s.variants->SetSize(engine.NrItems);
        } else {
            s.kind = ChannelSink::NoStorage;
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

}  // namespace

// ---------------------------------------------------------------- WriteCSVFile

int CReadAndWriteFileFunction::WriteCSVFile(CString fileName, CString separator, CString decimal) try {
    if (!fileName.IsEmpty()) {
        FileName = fileName;
    } else {
        const bool csv = FileKind == TB_KIND_CSV;
        FileName =
            AskExchangeFileName(csv ? "*.csv" : "*.txt", TBLoadString(csv ? TBMsg::FilterCsv : TBMsg::FilterText), 0);
    }
    if (FileName.IsEmpty()) {
        LastError = TBLoadString(TBMsg::NoFileName);
        return 0;
    }

    int result = 1;
    std::vector<ChannelSource> sources(NrChannels > 0 ? static_cast<std::size_t>(NrChannels) : 0);
    for (int c = 0; c < NrChannels; ++c) {
        CExImPortChannel* channel = GetChannel(c);
        if (!channel) {
            Warnings.Add(TBFormatMessage(TBMsg::ChannelNotWritten, {FileName, c + 1}));
            result = 2;
        }
    }

    if (FileKind != TB_KIND_CSV) {
        Separator = separator;
        Decimal = decimal;
    }
    if (Separator.IsEmpty()) Separator = TBGetUserListSeparator();
    if (Decimal.IsEmpty()) Decimal = TBGetUserDecimalSymbol();

    // Every channel's storage is checked before the file is created, so a write that
    // cannot succeed leaves an existing file untouched.
    for (int c = 0; c < NrChannels; ++c) {
        CExImPortChannel* channel = GetChannel(c);
        ChannelSource& s = sources[static_cast<std::size_t>(c)];
        if (!channel) continue;
        int size = NrItems;
        if (channel->GetDoublePtr()) {
            s.kind = WriteSource::Block;
            s.values = channel->GetDoublePtr();
        } else if (channel->GetDoubleArray()) {
            s.kind = WriteSource::Doubles;
            s.values = channel->GetDoubleArray()->GetData();
            size = channel->GetDoubleArray()->GetSize();
        } else if (channel->GetStringArray()) {
            s.kind = WriteSource::Strings;
            s.strings = channel->GetStringArray();
            size = s.strings->GetSize();
        } else if (channel->GetVariantArray()) {
            s.kind = WriteSource::Variants;
            s.variants = channel->GetVariantArray();
            size = s.variants->GetSize();
        } else {
            SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, c + 1}), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
        if (size < NrItems) {
            SetError(TBLoadString(TBMsg::NoMemoryReserve), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
    }

    CBufferedFileWriter out;
    if (!out.Create(FileName)) {
        LastError = FileName + ": " + TBSystemErrorText(out.LastErrorNumber());
        return 0;
    }
    const std::string& sep = Separator.str();
    const std::string& dec = Decimal.str();
    const bool replacePoint = dec != ".";
    const bool singleDecimal = dec.size() == 1;

    // Title line, only when some channel has a name or a unit.
    std::string title;
    bool anyTitle = false;
    for (int c = 0; c < NrChannels; ++c) {
        CExImPortChannel* channel = GetChannel(c);
        CString text;
        if (channel) {
            text = channel->GetChannelName();
            if (!channel->GetUnitName().IsEmpty()) text += "(" + channel->GetUnitName() + ")";
        }
        anyTitle = anyTitle || !text.IsEmpty();
        title += '"';
        title += text.str();
        title += '"';
        if (c + 1 < NrChannels) title += sep;
    }
    if (anyTitle) {
        out.Write(title);
        out.Write("\r\n", 2);
    }

    std::string scratch;
    for (int r = 0; r < NrItems && !out.Failed(); ++r) {
        for (int c = 0; c < NrChannels; ++c) {
            const ChannelSource& s = sources[static_cast<std::size_t>(c)];
            switch (s.kind) {
                case WriteSource::Missing: out.Put('0'); break;
                case WriteSource::Block:
                case WriteSource::Doubles: {
                    char* p = out.Reserve(64);
                    if (!p) break;
                    char* end = tb_exchange::FormatGeneral15(p, LimitExportValue(s.values[r]));
                    if (replacePoint && singleDecimal) {
                        for (char* q = p; q < end; ++q)
                            if (*q == '.') *q = dec[0];
                        out.Commit(static_cast<std::size_t>(end - p));
                    } else if (replacePoint) {
                        scratch.assign(p, end);
                        ReplacePoint(scratch, Decimal);
                        out.Write(scratch);
                    } else {
                        out.Commit(static_cast<std::size_t>(end - p));
                    }
                    break;
                }
                case WriteSource::Strings: out.Write(s.strings->GetAt(r).view()); break;
                case WriteSource::Variants: out.Write(VariantText(s.variants->GetAt(r), Decimal)); break;
            }
            if (c + 1 < NrChannels) out.Write(sep);
        }
        if (r + 1 < NrItems) out.Write("\r\n", 2);
    }
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

    if (!fileName.IsEmpty()) {
        FileName = fileName;
    } else if (FileName.IsEmpty()) {
        const bool csv = FileKind == TB_KIND_CSV;
        FileName =
            AskExchangeFileName(csv ? "*.csv" : "*.txt", TBLoadString(csv ? TBMsg::FilterCsv : TBMsg::FilterText), 1);
    }
    if (FileName.IsEmpty()) {
        LastError = TBLoadString(TBMsg::NoFileName);
        return 0;
    }
    if (!TBFileExists(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }

    int start = startLine;
    if (WithDialog == 1 && (separator.IsEmpty() || decimal.IsEmpty())) {
        if (Separator.IsEmpty()) Separator = TBGetUserListSeparator();
        if (Decimal.IsEmpty()) Decimal = TBGetUserDecimalSymbol();
        CTextImportRules dialog(FileName);
        if (FileKind == TB_KIND_CSV) {
            dialog.LoadSeparators(Separator);
            dialog.LoadDecimal(Decimal);
        }
        dialog.StartLine = start;
        dialog.MergeSeparators = TextMergeSeparators == 1;
        // The dialog closes at once as cancelled for a file that is not text.
        if (!dialog.CheckFileIsText() || TBGetDialogHub().DoModal(dialog) != IDOK || !dialog.OnOK()) {
            LastErrorNumber = TB_EXCHANGE_CANCELLED;
            return 0;
        }
        Separator = dialog.GetChosenSeparator();
        Decimal = dialog.GetChosenDecimal();
        start = dialog.GetChosenStartLine();
        TextMergeSeparators = dialog.GetChosenMergeFlag();
    } else if (FileKind == TB_KIND_CSV) {
        // Without the dialog a .csv file is read with the user's symbols, as the
        // writer writes it; an empty separator would make every line one field.
        if (Separator.IsEmpty()) Separator = TBGetUserListSeparator();
        if (Decimal.IsEmpty()) Decimal = TBGetUserDecimalSymbol();
    }

    CLineReader in;
    if (!in.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    const bool csv = FileKind == TB_KIND_CSV;
    SaveVersion = csv ? 12 : -1;
    LoadVersion = csv ? 5 : 4;
    TextStartLine = start;

    const SeparatorSet separators(Separator.view());
    const bool merge = TextMergeSeparators == 1;
    std::string titleLine;
    bool hasTitle = false;
    int channels = NrChannels;
    int items = NrItems;
    long long n = 0;
    std::string_view raw;
    while (in.NextLine(raw)) {
        ++n;
        if (n < start) continue;
        std::string_view line = tb_exchange::TrimTrailingSpace(raw);
        if (n > start && !csv && !tb_exchange::CanBeginNumber(line)) break;
        int count = tb_exchange::CountFields(line, separators, merge);
        if (count > channels) channels = count;
        if (n == start && line.find('"') != std::string_view::npos) {
            titleLine.assign(line);
            hasTitle = true;
            continue;
        }
        if (!line.empty()) {
            if (items == INT_MAX) {
                SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
                return 0;
            }
            ++items;
        }
    }
    if (in.Failed()) {
        SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    in.Close();

    NrChannels = channels;
    NrItems = items;
    std::size_t titlePos = 0;
    for (int i = 0; i < NrChannels; ++i) {
        auto* channel = new CExImPortChannel;
        if (!hasTitle) {
            channel->SetChannelName(DefaultChannelName(i));
        } else {
            CString name, unit;
            NameFromTitleField(NextTitleField(titleLine, titlePos, separators, merge), i, name, unit);
            channel->SetChannelName(name);
            channel->SetUnitName(unit);
        }
        ReplaceChannelSlot(i, channel);
    }
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
    int result = 1;
    for (int c = 0; c < NrChannels; ++c) {
        if (!GetChannel(c)) {
            Warnings.Add(TBFormatMessage(TBMsg::ChannelNotRead, {FileName, c + 1}));
            result = 2;
        }
    }

    std::vector<ChannelSink> sinks;
    PrepareSinks(*this, sinks);
    const SeparatorSet separators(Separator.view());
    const DecimalSymbol decimal(Decimal);
    const bool merge = TextMergeSeparators == 1;
    const bool numbersInPlace = tb_exchange::CanReadNumbersInPlace(separators, decimal);
    const char point = decimal.PointCharacter();
    bool fastRows = numbersInPlace && !merge && NrChannels > 0;
    for (const ChannelSink& s : sinks) fastRows = fastRows && s.block != nullptr;
    const CString zeroText = TBExtended_ftoa(0.0, -1, 0, "");

    long long n = 0;
    int r = 0;
    std::string_view raw;
    while (r < NrItems && in.NextLine(raw)) {
        ++n;
        if (n < TextStartLine) continue;
        std::string_view line = tb_exchange::TrimTrailingSpace(raw);
        if (line.empty()) continue;
        if (n == TextStartLine && line.find('"') != std::string_view::npos) continue;

        // Rows of plain numbers into double storage: parsed in place, field by field,
        // until a field needs the general rules; the rest of the row takes them.
        int c = 0;
        std::size_t position = 0;
        if (fastRows) {
            const char* begin = line.data();
            const char* p = begin;
            const char* end = begin + line.size();
            while (c < NrChannels && p < end) {
                double value;
                const char* stop = tb_exchange::detail::ParseShortDecimal(p, end, point, value);
                if (!stop || stop == p || (stop != end && !separators.Contains(*stop))) break;
                sinks[static_cast<std::size_t>(c)].block[r] = value;
                ++c;
                p = stop == end ? end : stop + 1;
            }
            position = static_cast<std::size_t>(p - begin);
            if (p >= end) position = line.size() + 1;  // no field remains
        }
        FieldSplitter fields(line, position, separators, merge);
        std::string_view field;
        for (; c < NrChannels; ++c) {
            ChannelSink& s = sinks[static_cast<std::size_t>(c)];
            if (numbersInPlace && s.block && fields.NextPlainNumber(s.block[r], decimal)) {
                s.rowsTouched = r + 1;
                continue;
            }
            if (!fields.Next(field)) break;
            switch (s.kind) {
                case ChannelSink::None: break;
                case ChannelSink::Block:
                case ChannelSink::Doubles: s.block[r] = tb_exchange::ParseNumberField(field, decimal); break;
                case ChannelSink::Strings: s.strings->ElementAt(r) = CString(field); break;
                case ChannelSink::Variants: s.variants->ElementAt(r).SetText(CString(field)); break;
                case ChannelSink::NoStorage:
                    TrimSinks(sinks);
                    SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, c + 1}), TB_EXCHANGE_DATA_ERROR);
                    return 0;
            }
            s.rowsTouched = r + 1;
        }
        if (fastRows)
            for (int k = 0; k < c && k < NrChannels; ++k) sinks[static_cast<std::size_t>(k)].rowsTouched = r + 1;
        // A short line: the remaining channels of this row read as zero.
        for (; c < NrChannels; ++c) {
            ChannelSink& s = sinks[static_cast<std::size_t>(c)];
            switch (s.kind) {
                case ChannelSink::Block:
                case ChannelSink::Doubles: s.block[r] = 0.0; break;
                case ChannelSink::Strings: s.strings->ElementAt(r) = zeroText; break;
                case ChannelSink::Variants: s.variants->ElementAt(r).SetText(zeroText); break;
                default: continue;
            }
            s.rowsTouched = r + 1;
        }
        ++r;
    }
    TrimSinks(sinks);
    if (in.Failed()) {
        SetError(TBFormatMessage(TBMsg::ReadCsvFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (r < NrItems) {
        // The file lost lines since the scan: the missing rows of raw blocks read as
        // zero, arrays keep the rows really read, and the caller is told.
        for (ChannelSink& s : sinks)
            if (s.kind == ChannelSink::Block)
                std::memset(s.block + r, 0, sizeof(double) * static_cast<std::size_t>(NrItems - r));
        Warnings.Add(TBFormatMessage(TBMsg::FewerValuesThanLength, {FileName, r, NrItems}));
        result = 2;
    }
    return result;
} catch (const std::bad_alloc&) {
    SetError(TBLoadString(TBMsg::NoMemory), TB_EXCHANGE_DATA_ERROR);
    return 0;
}
