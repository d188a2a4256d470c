// Clipboard exchange. Lines end with CR LF when written; text from other programs may
// end its lines with LF alone, which is read the same way. Text after the last line
// end is no line. Numbers are copied with the user's decimal symbol so that they
// paste back unchanged in every locale and spreadsheets of that locale read them.
#include <toolbox/exchange/clipboard.h>

#include "exchange/value_store.h"
#include "exchange/value_convert.h"
#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cctype>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace {

using std::string_view;

// The forms the user's thousands separator takes in pasted text. A blank of any kind
// (space, no-break space U+00A0, narrow no-break space U+202F, the last two in UTF-8)
// stands for all three: spreadsheets and locales differ in which one they write.
std::vector<std::string> ThousandsSeparatorForms(const CString& thousands, const CString& decimal) {
    const std::string t(thousands);
    if (t.empty() || thousands == decimal) return {};
    if (t == " " || t == "\xC2\xA0" || t == "\xE2\x80\xAF") return {" ", "\xC2\xA0", "\xE2\x80\xAF"};
    return {t};
}

// Lines ended by LF (a CR before it is dropped); the rest after the last LF is ignored.
void SplitLines(string_view text, std::vector<string_view>& lines) {
    lines.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        if (lf == string_view::npos) break;
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r') --end;
        lines.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
}

// Fields at each whole occurrence of separator; an empty separator gives one field.
void SplitFields(string_view line, string_view separator, std::vector<string_view>& fields) {
    fields.clear();
    if (separator.empty()) {
        fields.push_back(line);
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find(separator, start);
        if (at == string_view::npos) break;
        fields.push_back(line.substr(start, at - start));
        start = at + separator.size();
    }
    fields.push_back(line.substr(start));
}

// The standard conversion with a point: leading blanks and a plus sign allowed, text
// without a number gives 0.
double PointNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

// A pasted field as a number: the user's thousands separator removed, the user's
// decimal symbol turned into a point.
double PastedNumber(string_view field, const std::vector<std::string>& thousands, const CString& decimal) {
    std::string text(field);
    const std::string d(decimal);
    for (const std::string& t : thousands)
        for (std::size_t at = 0; (at = text.find(t, at)) != std::string::npos;) text.erase(at, t.size());
    if (!d.empty() && d != ".")
        for (std::size_t at = 0; (at = text.find(d, at)) != std::string::npos; ++at) text.replace(at, d.size(), ".");
    return PointNumber(text);
}

// 15 significant digits, the shortest form of "%.15g", with decimal for the point.
void AppendNumber(std::string& out, double value, const std::string& decimal) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    for (char* p = buffer; p < result.ptr; ++p) {
        if (*p == '.')
            out += decimal;
        else
            out.push_back(*p);
    }
}

}  // namespace

CReadAndWriteClipboardFunction::CReadAndWriteClipboardFunction() { Separator = "\t"; }

int CReadAndWriteClipboardFunction::ReadClipboardDimension(CString separator) {
    Separator = separator;
    CClipboardHub& hub = TBGetClipboardHub();
    if (!hub.HasText()) {
        SetError(TBLoadString(TBMsg::ClipboardInvalidFormat), 0);
        return 0;
    }
    m_clipboardFormat = 1;
    return ReadTextClipboardDimension(hub.GetText());
}

int CReadAndWriteClipboardFunction::ReadTextClipboardDimension(const CString& text) {
    const string_view all(text.GetString(), static_cast<std::size_t>(text.GetLength()));
    std::vector<string_view> lines, fields;
    SplitLines(all, lines);
    if (lines.empty() && !all.empty()) {
        SetError(TBLoadString(TBMsg::ClipboardNoCompleteLine), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    const string_view separator(Separator.GetString(), static_cast<std::size_t>(Separator.GetLength()));
    int columns = 0;
    for (string_view line : lines) {
        SplitFields(line, separator, fields);
        if (static_cast<int>(fields.size()) > columns) columns = static_cast<int>(fields.size());
    }
    if (columns > NrChannels) NrChannels = columns;
    if (static_cast<int>(lines.size()) > NrItems) NrItems = static_cast<int>(lines.size());
    for (int i = 0; i < NrChannels; ++i) ReplaceChannelSlot(i, new CExImPortChannel);
    return 1;
}

int CReadAndWriteClipboardFunction::ReadClipboardData() {
    CClipboardHub& hub = TBGetClipboardHub();
    if (!hub.HasText()) {
        SetError(TBLoadString(TBMsg::ClipboardInvalidFormat), 0);
        return 0;
    }
    return ReadTextClipboardData(hub.GetText());
}

int CReadAndWriteClipboardFunction::ReadTextClipboardData(const CString& text) {
    const CString decimal = TBGetUserDecimalSymbol();
    const std::vector<std::string> thousands = ThousandsSeparatorForms(TBGetUserThousandsSeparator(), decimal);
    const string_view all(text.GetString(), static_cast<std::size_t>(text.GetLength()));
    const string_view separator(Separator.GetString(), static_cast<std::size_t>(Separator.GetLength()));
    std::vector<string_view> lines, fields;
    SplitLines(all, lines);
    if (lines.empty() && !all.empty()) {
        SetError(TBLoadString(TBMsg::ClipboardNoCompleteLine), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        SplitFields(lines[r], separator, fields);
        for (int c = 0; c < static_cast<int>(fields.size()) && c < NrChannels; ++c) {
            CExImPortChannel* channel = GetChannel(c);
            if (!channel) {
                AddWarning(TBFormatMessage(TBMsg::ClipboardChannelNotRead, {c + 1}));
                continue;
            }
            const CString fieldText(fields[c]);
            const double value =
                tb_exchange::ChannelWantsText(*channel) ? 0.0 : PastedNumber(fields[c], thousands, decimal);
            if (!tb_exchange::StoreChannelValue(*channel, r, NrItems, value, fieldText)) {
                SetError(TBFormatMessage(TBMsg::ClipboardInvalidChannelPointer, {c + 1}), TB_EXCHANGE_DATA_ERROR);
                return 0;
            }
        }
    }
    return 1;
}

int CReadAndWriteClipboardFunction::WriteClipboard(CString separator) {
    Separator = separator;
    CClipboardHub& hub = TBGetClipboardHub();
    hub.Clear();
    CString text;
    const int result = WriteTextClipboard(text);
    if (result == 0) return 0;
    if (!hub.SetText(text)) {
        SetError(TBLoadString(TBMsg::ClipboardOpenFailed), 0);
        return 0;
    }
    return result;
}

int CReadAndWriteClipboardFunction::WriteTextClipboard(CString& text) {
    // A separator that contains the decimal symbol would split numbers: keep the point.
    std::string decimal(TBGetUserDecimalSymbol());
    if (decimal.empty() || Separator.Find(decimal.c_str()) >= 0) decimal = ".";
    const std::string separator(Separator);
    std::string out;
    bool warned = false;
    std::vector<bool> missingReported(static_cast<std::size_t>(NrChannels > 0 ? NrChannels : 0), false);
    for (int r = 0; r < NrItems; ++r) {
        for (int c = 0; c < NrChannels; ++c) {
            const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(GetChannel(c));
            // An array shorter than the item count cannot give this row.
            const int stored = s.doubles    ? s.doubles->GetSize()
                               : s.strings  ? s.strings->GetSize()
                               : s.variants ? s.variants->GetSize()
                                            : NrItems;
            if (stored < NrItems) {
                SetError(TBLoadString(TBMsg::ClipboardNoMemory), TB_EXCHANGE_DATA_ERROR);
                return 0;
            }
            switch (s.kind) {
                case tb_exchange::ChannelStorage::Missing:
                    if (!missingReported[static_cast<std::size_t>(c)]) {
                        AddWarning(TBFormatMessage(TBMsg::ClipboardChannelNotWritten, {c + 1}));
                        missingReported[static_cast<std::size_t>(c)] = true;
                    }
                    warned = true;
                    out += "0";
                    break;
                case tb_exchange::ChannelStorage::Block: AppendNumber(out, s.block[r], decimal); break;
                case tb_exchange::ChannelStorage::Doubles: AppendNumber(out, (*s.doubles)[r], decimal); break;
                case tb_exchange::ChannelStorage::Strings: out += (*s.strings)[r].GetString(); break;
                case tb_exchange::ChannelStorage::Variants:
                    tb_exchange::AppendVariantText(out, (*s.variants)[r], decimal);
                    break;
                default:
                    SetError(TBFormatMessage(TBMsg::ClipboardInvalidChannelPointer, {c + 1}), TB_EXCHANGE_DATA_ERROR);
                    return 0;
            }
            if (c + 1 < NrChannels)
                out += separator;
            else
                out += "\r\n";
        }
    }
    text = CString(std::string_view(out));
    return warned ? 2 : 1;
}

// ---------------------------------------------------------------- facade

// The file engine of the base facade is the clipboard engine itself; it is deleted here
// as what it is (the engine classes have no virtual destructor).
CReadAndWriteClipboard::CReadAndWriteClipboard() : CReadAndWriteClipboard(new CReadAndWriteClipboardFunction) {}

CReadAndWriteClipboard::CReadAndWriteClipboard(CReadAndWriteClipboardFunction* engine)
    : CReadAndWriteFiles(engine), m_clipboard(engine) {}

CReadAndWriteClipboard::CReadAndWriteClipboard(const CReadAndWriteClipboard& other)
    : CReadAndWriteClipboard(new CReadAndWriteClipboardFunction(*other.m_clipboard)) {}

CReadAndWriteClipboard& CReadAndWriteClipboard::operator=(const CReadAndWriteClipboard& other) {
    if (this != &other) *m_clipboard = *other.m_clipboard;
    return *this;
}

CReadAndWriteClipboard::~CReadAndWriteClipboard() {
    ReleaseEngine();
    delete m_clipboard;
}
