// COMTRADE records: the configuration (.cfg) and header (.hdr) files, read into the
// engine's channel table and COMTRADE state and written from it, and the combined
// file (.cff) that carries configuration, information, header and data in one file.
#include "exchange/comtrade/comtrade.h"
#include "exchange/format_state.h"
#include "exchange/format_table.h"
#include "exchange/text/delimited_text.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tb_comtrade {

namespace {

bool FileExists(const CString& path) {
    struct stat info;
    return ::stat(path.GetString(), &info) == 0 && S_ISREG(info.st_mode);
}

// Unit symbols that may follow a prefix letter. Metre and gram are left out on
// purpose: "Nm" (newton metre) or "pu" must never turn into a prefixed unit.
bool IsUnitSymbol(std::string_view rest) {
    static const char* const symbols[] = {"V",    "A",  "W",   "VA", "VAr", "VAR", "var", "Var",      "VArh",
                                          "varh", "Wh", "VAh", "Hz", "Ohm", "ohm", "OHM", "\xCE\xA9", "s",
                                          "F",    "H",  "J",   "Pa", "Wb",  "T",   "C",   "S",        "K"};
    for (const char* symbol : symbols)
        if (rest == symbol) return true;
    return false;
}

double PrefixFactor(char c) {
    switch (c) {
        case 'f':
        case 'F': return 1e-15;
        case 'p':
        case 'P': return 1e-12;
        case 'n':
        case 'N': return 1e-9;
        case 'u':
        case 'U': return 1e-6;
        case 'm': return 1e-3;
        case 'M': return 1e6;
        case 'k':
        case 'K': return 1e3;
        case 'g':
        case 'G': return 1e9;
        case 't':
        case 'T': return 1e12;
        default: return 0.0;
    }
}

}  // namespace

double SplitUnitPrefix(CString& unit) {
    if (unit.GetLength() < 2) return 1.0;
    const double factor = PrefixFactor(unit[0]);
    if (factor == 0.0 || !IsUnitSymbol(unit.view().substr(1))) return 1.0;
    unit = unit.Mid(1);
    return factor;
}

CString ConfigurationField(const CString& text) {
    CString out = text;
    out.Replace(',', ';');
    out.Replace('\r', ' ');
    out.Replace('\n', ' ');
    return out;
}

CString CompanionFile(const CString& fileName, const char* ext) {
    const CString base = fileName.Left(fileName.GetLength() - 4);
    const CString lower = base + ext;
    if (FileExists(lower)) return lower;
    CString upperExt = ext;
    upperExt.MakeUpper();
    const CString upper = base + upperExt;
    return FileExists(upper) ? upper : lower;
}

bool IsCombinedFile(const CString& fileName) {
    return fileName.GetLength() >= 4 && fileName.Right(4).CompareNoCase(".cff") == 0;
}

std::string_view TrimField(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x1a'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace tb_comtrade

namespace {

using tb_comtrade::TrimField;

constexpr int kMaxWriteChannels = 999999;
const char* const kWrittenBy = "Comtrade File: Written by VELTRANIX";

/// Fields of one configuration line, split at commas, each trimmed.
std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(TrimField(line.substr(start, comma == std::string_view::npos ? line.npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::string_view Field(const std::vector<std::string_view>& fields, std::size_t i) {
    return i < fields.size() ? fields[i] : std::string_view();
}

double NumberField(const std::vector<std::string_view>& fields, std::size_t i, double fallback) {
    const std::string_view text = Field(fields, i);
    return text.empty() ? fallback : TBExtended_atof(CString(text), ".");
}

/// Splits text into lines at LF, dropping a CR before it and a UTF-8 byte order mark.
void AppendLines(std::string_view text, std::vector<std::string>& lines) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
}

bool ReadWholeFile(const CString& path, std::string& text) {
    std::ifstream in(path.GetString(), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0);
    text.resize(static_cast<std::size_t>(size));
    return size == 0 || static_cast<bool>(in.read(&text[0], size));
}

// Days from 1 January 1970 to the given date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const int shifted = month > 2 ? month - 3 : month + 9;
    const long long dayOfYear = (153 * shifted + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// A configuration date line "dd/mm/yy[yy],hh:mm:ss.ffffff" as whole seconds since 1970
// (the calendar's own time, no zone) and their fraction. False for any other shape.
bool ParseDateTime(std::string_view text, long long& seconds, double& fraction) {
    text = TrimField(text);
    long long numbers[6] = {};
    std::size_t at = 0;
    static const char separators[] = "//,::";
    for (int i = 0; i < 6; ++i) {
        std::size_t digits = 0;
        long long value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 9) {
            value = value * 10 + (text[at++] - '0');
            ++digits;
        }
        if (digits == 0) return false;
        numbers[i] = value;
        if (i < 5) {
            if (at >= text.size() || text[at] != separators[i]) return false;
            ++at;
        }
    }
    fraction = 0.0;
    double scale = 0.1;
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at, scale /= 10)
            fraction += (text[at] - '0') * scale;
    }
    if (at != text.size()) return false;
    const long long day = numbers[0], month = numbers[1];
    long long year = numbers[2];
    if (year < 100) year += year < 70 ? 2000 : 1900;  // two-digit years as written by strftime's %y
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    const long long days = DaysFromCivil(year, static_cast<int>(month), static_cast<int>(day));
    seconds = days * 86400 + numbers[3] * 3600 + numbers[4] * 60 + numbers[5];
    return true;
}

// Seconds from the trigger line to the first-sample line; 0 when either cannot be read.
// Whole seconds and their fractions are subtracted apart, so that microseconds survive.
double SecondsBetween(std::string_view trigger, std::string_view firstSample) {
    long long from = 0, to = 0;
    double fromFraction = 0.0, toFraction = 0.0;
    if (!ParseDateTime(trigger, from, fromFraction) || !ParseDateTime(firstSample, to, toFraction)) return 0.0;
    return static_cast<double>(to - from) + (toFraction - fromFraction);
}

/// The sections of a combined file up to its data: configuration and header lines,
/// the data type of the DAT marker and the offset of the first data byte.
struct CombinedFile {
    std::vector<std::string> configuration;
    std::vector<std::string> header;
    long long dataOffset = -1;
};

enum class Section { None, Cfg, Hdr, Dat, Other };

/// The section a marker line opens: "--- file type: CFG ---" as the standard writes it,
/// and the looser forms other programs write: two or more dashes, the colon optional,
/// any blanks and any case. None for a line that is no marker.
Section SectionMarker(std::string_view line) {
    line = TrimField(line);
    if (line.size() < 2 || line[0] != '-' || line[1] != '-') return Section::None;
    std::string words;  // lower case, blanks and dashes dropped
    for (char c : line)
        if (c != '-' && c != ' ' && c != '\t') words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (words.compare(0, 8, "filetype") != 0) return Section::None;
    std::size_t kind = 8;
    if (kind < words.size() && words[kind] == ':') ++kind;
    const std::string_view name = std::string_view(words).substr(kind, 3);
    if (name == "cfg") return Section::Cfg;
    if (name == "hdr") return Section::Hdr;
    if (name == "dat") return Section::Dat;
    return Section::Other;
}

bool ReadCombinedFile(const CString& path, CombinedFile& out) {
    std::ifstream in(path.GetString(), std::ios::binary);
    if (!in) return false;
    Section section = Section::None;
    std::string line;
    while (std::getline(in, line)) {
        const Section marker = SectionMarker(line);
        if (marker == Section::Dat) {
            out.dataOffset = static_cast<long long>(in.tellg());
            return out.dataOffset >= 0;
        }
        if (marker != Section::None) {
            section = marker;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (section == Section::Cfg) out.configuration.push_back(line);
        if (section == Section::Hdr) out.header.push_back(line);
    }
    return true;
}

struct ChannelText {
    CString name;
    CString unit;
};

/// Reads the configuration lines into the COMTRADE state; names and units go to
/// channels (analog first, then digital). False with LastError set on a fault.
bool ParseConfiguration(CReadAndWriteFileFunction& e, const std::vector<std::string>& lines, const CString& cfgName,
                        std::vector<ChannelText>& channels) {
    std::size_t next = 0;
    auto line = [&]() -> std::string_view {
        return next < lines.size() ? std::string_view(lines[next++]) : (++next, std::string_view());
    };
    auto invalid = [&](std::size_t lineNumber) {
        e.SetError(TBFormatMessage(TBMsg::ComtradeInvalidConfigLine, {cfgName, static_cast<int>(lineNumber)}),
                   TB_EXCHANGE_FILE_ERROR);
        return false;
    };

    const auto identification = SplitFields(line());
    const int year = TBExtended_atoi(CString(Field(identification, 2)));
    tb_comtrade::Layout(e).revision = year > 0 ? year : 1991;

    const auto counts = SplitFields(line());
    CString analogText(Field(counts, 1));
    analogText.Remove('A');
    analogText.Remove('a');
    const long long total = TBExtended_atoi(CString(Field(counts, 0)));
    const long long analog = TBExtended_atoi(analogText);
    if (Field(counts, 0).empty() || total < 0 || analog < 0 || analog > total) return invalid(2);
    // Every channel needs a line of its own: a count that the file cannot hold is a
    // damaged configuration, not a reason to reserve memory for it.
    const long long linesLeft = static_cast<long long>(lines.size()) - 2;
    if (total > linesLeft) {
        e.SetError(TBFormatMessage(TBMsg::ComtradeMissingChannelLines,
                                   {cfgName, static_cast<int>(total), static_cast<int>(linesLeft < 0 ? 0 : linesLeft)}),
                   TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    e.AnalogCount = static_cast<int>(analog);
    const int digital = static_cast<int>(total - analog);

    for (int i = 0; i < e.AnalogCount; ++i) {
        const auto f = SplitFields(line());
        ChannelText text;
        text.name = CString(Field(f, 1));
        text.unit = CString(Field(f, 4));
        e.PrefixFactors.Add(tb_comtrade::SplitUnitPrefix(text.unit));
        e.Multipliers.Add(NumberField(f, 5, 1.0));
        e.Offsets.Add(NumberField(f, 6, 0.0));
        e.PrimaryRatios.Add(NumberField(f, 10, 1.0));
        e.SecondaryRatios.Add(NumberField(f, 11, 1.0));
        const std::string_view ps = Field(f, 12);
        const char last = ps.empty() ? 0 : ps.back();
        e.PsFlags.Add(last == 'P' || last == 'p' ? 0 : last == 'S' || last == 's' ? 1 : -1);
        channels.push_back(text);
    }
    for (int i = 0; i < digital; ++i) {
        const auto f = SplitFields(line());
        ChannelText text;
        text.name = CString(Field(f, 1));
        const std::string_view normal = Field(f, 4);
        e.DigitalNormalStates.Add(normal.empty() ? -1 : TBExtended_atoi(CString(normal)));
        channels.push_back(text);
    }

    line();  // line frequency
    const std::size_t rateLine = next + 1;
    const int rateCount = TBExtended_atoi(CString(TrimField(line())));
    if (rateCount < 0) return invalid(rateLine);
    const int rates = rateCount == 0 ? 1 : rateCount;
    if (static_cast<long long>(rates) > static_cast<long long>(lines.size()) - static_cast<long long>(next))
        return invalid(rateLine);
    for (int i = 0; i < rates; ++i) {
        const std::string_view text = TrimField(line());
        const std::size_t comma = text.find(',');
        const std::string_view samp = TrimField(text.substr(0, comma));
        const std::string_view endsamp = comma == text.npos ? std::string_view() : TrimField(text.substr(comma + 1));
        e.SampleRates.Add(TBExtended_atof(CString(samp), "."));
        e.EndSamples.Add(TBExtended_atoi(CString(endsamp)));
    }
    const std::string_view firstSample = line();
    const std::string_view trigger = line();
    tb_comtrade::Layout(e).timeOrigin = SecondsBetween(trigger, firstSample);
    CString type(TrimField(line()));
    type.MakeLower();
    e.AsciiData = type.Find("ascii") >= 0 ? 1 : 0;
    tb_comtrade::Layout(e).sampleType = type.Find("binary32") >= 0 ? 1 : type.Find("float32") >= 0 ? 2 : 0;
    const std::string_view multiplier = TrimField(line());
    e.TimeMultiplier = multiplier.empty() ? 1.0 : TBExtended_atof(CString(multiplier), ".");
    // Lines of later revisions (time codes, time quality) follow here; they do not
    // change the samples.
    const int items = e.EndSamples[e.EndSamples.GetSize() - 1];
    e.NrItems = items > 0 ? items : 0;
    return true;
}

void ClearComtradeState(CReadAndWriteFileFunction& e) {
    e.PrefixFactors.RemoveAll();
    e.Multipliers.RemoveAll();
    e.Offsets.RemoveAll();
    e.PrimaryRatios.RemoveAll();
    e.SecondaryRatios.RemoveAll();
    e.PsFlags.RemoveAll();
    e.DigitalNormalStates.RemoveAll();
    e.SampleRates.RemoveAll();
    e.EndSamples.RemoveAll();
    e.DerivedSources.RemoveAll();
    tb_comtrade::Layout(e).sampleType = 0;
    tb_comtrade::Layout(e).dataOffset = 0;
}

CExImPortChannel* NewChannel(const CString& name, const CString& unit) {
    auto* channel = new CExImPortChannel;
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    return channel;
}

void BuildChannelTable(CReadAndWriteFileFunction& e, const std::vector<ChannelText>& channels) {
    e.DeleteAllChannels();
    const int total = static_cast<int>(channels.size());
    e.NrChannels = total + 1;
    e.ConfigChannelCount = total + 1;
    e.ReplaceChannelSlot(0, NewChannel("Time", "s"));
    for (int i = 0; i < total; ++i) {
        CString name = channels[i].name;
        if (i < e.AnalogCount) {
            if (e.PsFlags[i] == 0) name += "(P)";
            if (e.PsFlags[i] == 1) name += "(S)";
        }
        e.ReplaceChannelSlot(i + 1, NewChannel(name, channels[i].unit));
    }
    for (int k = 0; k < e.AnalogCount; ++k) {
        if (e.PrimaryRatios[k] == e.SecondaryRatios[k] || e.PsFlags[k] == -1) continue;
        const CString name = channels[k].name + (e.PsFlags[k] == 1 ? "(P)" : "(S)");
        e.ReplaceChannelSlot(e.NrChannels, NewChannel(name, channels[k].unit));
        ++e.NrChannels;
        e.DerivedSources.Add(k);
    }
}

// ---------------------------------------------------------------- writing

CString Number15(double value) {
    char buffer[40];
    char* end = tb_exchange::FormatGeneral15(buffer, value);
    return CString(buffer, static_cast<int>(end - buffer));
}

std::string HeaderText(const CReadAndWriteFileFunction& e) {
    std::string text = std::string(kWrittenBy) + "\r\n";
    for (int i = 0; i < e.EditionalStrings.GetSize(); ++i) text += e.EditionalStrings[i].str() + "\r\n";
    return text;
}

// A date line of the configuration: the calendar time given as seconds since 1970 (no
// zone applied) in the format of string ComtradeDateTimeFormat, then the microseconds.
std::string DateTimeText(long long calendarSeconds, long long microseconds) {
    const std::time_t seconds = static_cast<std::time_t>(calendarSeconds);
    std::tm parts{};
    if (!gmtime_r(&seconds, &parts)) return std::string();
    char buffer[64];
    const CString format = TBLoadString(TBMsg::ComtradeDateTimeFormat);
    const std::size_t length = std::strftime(buffer, sizeof buffer, format.GetString(), &parts);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%06lld", microseconds);
    return std::string(buffer, length) + fraction;
}

// The first-sample and trigger lines: the trigger is now (local time), the first sample
// origin seconds before it when the record starts before zero. The reader takes the
// difference of the two as the time of the first stamp.
std::string StartAndTriggerLines(double origin) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long long trigger = static_cast<long long>(timegm(&local));  // the local calendar time, counted as UTC
    long long offset = 0;
    if (origin < 0.0 && origin > -1e12) offset = std::llround(origin * 1e6);
    long long start = trigger + offset / 1000000;
    long long micro = offset % 1000000;
    if (micro < 0) {
        micro += 1000000;
        --start;
    }
    std::string first = DateTimeText(start, micro);
    const std::string triggerText = DateTimeText(trigger, 0);
    if (first.empty()) first = triggerText;
    return first + "\r\n" + triggerText + "\r\n";
}

// The configuration text of the record the engine holds, and its Multipliers, Offsets,
// SampleRates, EndSamples and TimeMultiplier. 0 on error, else 1, or 2 when channel
// slots were missing.
int ConfigurationText(CReadAndWriteFileFunction& e, int asciiData, int timeChannel, std::string& text) {
    e.Multipliers.RemoveAll();
    e.Offsets.RemoveAll();
    e.SampleRates.RemoveAll();
    e.EndSamples.RemoveAll();
    bool missing = false;
    for (int i = 0; i < e.NrChannels; ++i) {
        if (!e.GetChannel(i)) {
            e.AddWarning(TBFormatMessage(TBMsg::ChannelNotWritten, {e.FileName, i + 1}));
            missing = true;
        }
    }
    const bool hasTime = timeChannel >= 0 && timeChannel < e.NrChannels;
    const int analog = e.NrChannels - (hasTime ? 1 : 0);
    const double steps = asciiData ? 99998.0 : 32767.0;
    text = std::string(kWrittenBy) + ",,1999\r\n";
    text += std::to_string(analog) + "," + std::to_string(analog) + "A,0D\r\n";
    int running = 0;
    for (int i = 0; i < e.NrChannels; ++i) {
        if (i == timeChannel) continue;
        ++running;
        const CExImPortChannel* channel = e.GetChannel(i);
        if (!channel) {
            // An empty slot keeps its place; it is written as zeros.
            text += std::to_string(running) + ",\r\n";
            e.Multipliers.Add(1.0);
            e.Offsets.Add(0.0);
            continue;
        }
        if (!channel->HasStorage()) {
            e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {e.FileName, i + 1}), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
        // The scale comes from the finite values only: the data writer marks NaN and
        // infinities as missing, and one of them must not stretch the range of the rest.
        double minimum = 0.0, maximum = 0.0, value = 0.0;
        bool any = false;
        for (int k = 0; k < e.NrItems && tb_comtrade::ChannelValue(*channel, k, value); ++k) {
            if (!std::isfinite(value)) continue;
            if (!any || value < minimum) minimum = value;
            if (!any || value > maximum) maximum = value;
            any = true;
        }
        const CString a = Number15((maximum - minimum) / steps);
        const CString b = Number15(minimum);
        // The samples are encoded with the factors as printed, so that a reader of the
        // file decodes exactly what the writer meant.
        e.Multipliers.Add(std::strtod(a.GetString(), nullptr));
        e.Offsets.Add(std::strtod(b.GetString(), nullptr));
        text += std::to_string(running) + "," + tb_comtrade::ConfigurationField(channel->GetChannelName()).str() +
                ",,," + tb_comtrade::ConfigurationField(channel->GetUnitName()).str() + "," + a.str() + "," + b.str() +
                ",,0," + (asciiData ? "99998" : "32767") + ",1,1,P\r\n";
    }
    tb_comtrade::StampScale scale;
    if (!tb_comtrade::ChooseStampScale(e, timeChannel, !asciiData, scale)) return 0;
    text += "60\r\n0\r\n0," + std::to_string(e.NrItems) + "\r\n";
    text += StartAndTriggerLines(scale.origin);
    text += asciiData ? "ASCII\r\n" : "BINARY\r\n";
    text += Number15(scale.multiplier).str() + "\r\n";
    e.SampleRates.Add(0.0);
    e.EndSamples.Add(e.NrItems);
    e.TimeMultiplier = scale.multiplier;
    return missing ? 2 : 1;
}

// The files of one record are staged and put in place together: a failure leaves
// every old file of the record as it was. Failures name the file and what happened.
class RecordOutput {
public:
    explicit RecordOutput(CReadAndWriteFileFunction& e) : m_e(e) {}
    // Opens the staged file of name; false with the error set.
    CBufferedFileWriter* Open(const CString& name) {
        if (m_count == kMaxFiles) return nullptr;
        CBufferedFileWriter& writer = m_writers[m_count];
        if (!writer.Create(name)) {
            Fail(TBMsg::CannotOpenFile, name, writer.LastErrorNumber());
            return nullptr;
        }
        m_names[m_count++] = name;
        return &writer;
    }
    // Puts every file in place; false with the error set when any could not be written.
    bool Close() {
        int failed = -1;
        for (int i = 0; i < m_count && failed < 0; ++i)
            if (m_writers[i].Failed()) failed = i;
        CBufferedFileWriter* writers[kMaxFiles];
        for (int i = 0; i < m_count; ++i) writers[i] = &m_writers[i];
        if (TBCloseWriters(writers, static_cast<std::size_t>(m_count))) return true;
        for (int i = 0; i < m_count && failed < 0; ++i)
            if (m_writers[i].Failed()) failed = i;
        if (failed < 0) failed = 0;
        Fail(TBMsg::CreateFileFailed, m_names[failed], m_writers[failed].LastErrorNumber());
        return false;
    }

private:
    void Fail(UINT message, const CString& name, int error) {
        m_e.SetError(TBFormatMessage(message, {name}) + " (" + TBSystemErrorText(error ? error : EIO) + ")",
                     TB_EXCHANGE_FILE_ERROR);
    }
    static constexpr int kMaxFiles = 3;
    CReadAndWriteFileFunction& m_e;
    CBufferedFileWriter m_writers[kMaxFiles];
    CString m_names[kMaxFiles];
    int m_count = 0;
};

CString RecordFile(const CString& fileName, const char* ext) { return fileName.Left(fileName.GetLength() - 4) + ext; }

bool StageHeader(CReadAndWriteFileFunction& e, RecordOutput& files, const CString& fileName) {
    CBufferedFileWriter* out = files.Open(RecordFile(fileName, ".hdr"));
    if (out) out->Write(HeaderText(e));
    return out != nullptr;
}

int StageConfiguration(CReadAndWriteFileFunction& e, RecordOutput& files, const CString& fileName, int asciiData,
                       int timeChannel) {
    e.FileName = RecordFile(fileName, ".cfg");
    std::string text;
    const int result = ConfigurationText(e, asciiData, timeChannel, text);
    if (result == 0) return 0;
    CBufferedFileWriter* out = files.Open(e.FileName);
    if (!out) return 0;
    out->Write(text);
    return result;
}

int StageData(CReadAndWriteFileFunction& e, RecordOutput& files, const CString& fileName, int timeChannel,
              bool binary) {
    const CString name = RecordFile(fileName, ".dat");
    CBufferedFileWriter* out = files.Open(name);
    return out ? tb_comtrade::WriteData(e, *out, name, timeChannel, binary) : 0;
}

}  // namespace

// ---------------------------------------------------------------- reading the configuration

namespace {

// The free text lines of a separate .hdr file, when there is one; false (error set)
// when it cannot be read.
bool ReadHeaderFile(CReadAndWriteFileFunction& e, const CString& hdrName) {
    struct stat info;
    if (::stat(hdrName.GetString(), &info) != 0) return true;
    std::string text;
    if (!ReadWholeFile(hdrName, text)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {hdrName}), TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    std::vector<std::string> lines;
    AppendLines(text, lines);
    for (const std::string& line : lines) e.EditionalStrings.Add(CString(line));
    return true;
}

// A combined .cff file: header, configuration and where the samples begin.
bool ReadCombinedParts(CReadAndWriteFileFunction& e, const CString& fileName, std::vector<std::string>& configuration) {
    e.FileName = fileName;
    CombinedFile parts;
    if (!ReadCombinedFile(fileName, parts)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {fileName}), TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    if (parts.configuration.empty() || parts.dataOffset < 0) {
        e.SetError(TBFormatMessage(parts.configuration.empty() ? TBMsg::ComtradeCombinedNoConfiguration
                                                               : TBMsg::ComtradeCombinedNoData,
                                   {fileName}),
                   TB_EXCHANGE_FILE_ERROR);
        return false;
    }
    ClearComtradeState(e);
    e.EditionalStrings.RemoveAll();
    for (const std::string& line : parts.header) e.EditionalStrings.Add(CString(line));
    configuration = std::move(parts.configuration);
    tb_comtrade::Layout(e).dataOffset = parts.dataOffset;
    return true;
}

}  // namespace

namespace tb_exchange {

// A .dat file without its .cfg companion is not a record: it is read as delimited text.
int ReadComtradeInfo(CReadAndWriteFileFunction& e, const ReadRequest& request, ReadOutcome& outcome) {
    const CString& fileName = request.fileName;
    std::vector<std::string> configuration;
    CString cfgName = fileName;
    if (tb_comtrade::IsCombinedFile(fileName)) {
        if (!ReadCombinedParts(e, fileName, configuration)) return 0;
    } else {
        e.FileName = tb_comtrade::CompanionFile(fileName, ".dat");
        struct stat info;
        if (::stat(e.FileName.GetString(), &info) != 0) {
            e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        cfgName = tb_comtrade::CompanionFile(fileName, ".cfg");
        if (::stat(cfgName.GetString(), &info) != 0) {
            outcome.readAsText = e.FileName;
            return 0;
        }
        ClearComtradeState(e);
        e.EditionalStrings.RemoveAll();
        if (!ReadHeaderFile(e, tb_comtrade::CompanionFile(fileName, ".hdr"))) return 0;
        std::string text;
        if (!ReadWholeFile(cfgName, text)) {
            e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {cfgName}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        AppendLines(text, configuration);
    }
    std::vector<ChannelText> channels;
    if (!ParseConfiguration(e, configuration, cfgName, channels)) return 0;
    BuildChannelTable(e, channels);
    RecordFormat(e, TB_KIND_COMTRADE, e.AsciiData == 1 ? 'A' : 'B');
    return 1;
}

int WriteComtradeAscii(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return engine.WriteComtradeFile(request.name, 1, request.comtradeOption);
}
int WriteComtradeBinary(CReadAndWriteFileFunction& engine, const WriteRequest& request) {
    return engine.WriteComtradeFile(request.name, 0, request.comtradeOption);
}

}  // namespace tb_exchange

int CReadAndWriteFileFunction::ReadInfoComtradeFile(CString fileName) {
    return tb_exchange::ReadInfoAs(*this, TB_KIND_COMTRADE, {fileName, CString(), CString(), CString()});
}

int CReadAndWriteFileFunction::WriteComtradeFile(CString fileName, int asciiData, int comtradeOption) {
    if (NrChannels > kMaxWriteChannels) {
        SetError(TBFormatMessage(TBMsg::ComtradeTooManyChannels, {kMaxWriteChannels}), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    RecordOutput files(*this);
    if (EditionalStrings.GetSize() > 0 && !StageHeader(*this, files, fileName)) return 0;
    if (!StageConfiguration(*this, files, fileName, asciiData, comtradeOption)) return 0;
    const int result = StageData(*this, files, fileName, comtradeOption, asciiData != 1);
    return result != 0 && files.Close() ? result : 0;
}

int CReadAndWriteFileFunction::WriteComtradeHeaderFile(CString fileName) {
    RecordOutput files(*this);
    return StageHeader(*this, files, fileName) && files.Close() ? 1 : 0;
}

int CReadAndWriteFileFunction::WriteComtradeKonfigurationFile(CString fileName, int asciiData, int comtradeOption) {
    RecordOutput files(*this);
    const int result = StageConfiguration(*this, files, fileName, asciiData, comtradeOption);
    return result != 0 && files.Close() ? result : 0;
}

int CReadAndWriteFileFunction::WriteDataComtradeAsciiFile(CString fileName, int comtradeOption) {
    RecordOutput files(*this);
    const int result = StageData(*this, files, fileName, comtradeOption, false);
    return result != 0 && files.Close() ? result : 0;
}

int CReadAndWriteFileFunction::WriteDataComtradeBinaryFile(CString fileName, int comtradeOption) {
    RecordOutput files(*this);
    const int result = StageData(*this, files, fileName, comtradeOption, true);
    return result != 0 && files.Close() ? result : 0;
}
