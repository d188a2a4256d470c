// COMTRADE records: the configuration (.cfg) and header (.hdr) files, read into the
// engine's channel table and COMTRADE state and written from it, and the combined
// file (.cff) that carries configuration, information, header and data in one file.
#include "exchange/comtrade/comtrade.h"
#include "exchange/text/delimited_text.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <cctype>
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
    e.ComtradeRevision = year > 0 ? year : 1991;

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
    line();  // first sample time
    line();  // trigger time
    CString type(TrimField(line()));
    type.MakeLower();
    e.AsciiData = type.Find("ascii") >= 0 ? 1 : 0;
    e.ComtradeSampleType = type.Find("binary32") >= 0 ? 1 : type.Find("float32") >= 0 ? 2 : 0;
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
    e.ComtradeSampleType = 0;
    e.ComtradeDataOffset = 0;
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

int WriteHeaderFile(CReadAndWriteFileFunction& e, const CString& fileName) {
    const CString name = fileName.Left(fileName.GetLength() - 4) + ".hdr";
    FILE* file = std::fopen(name.GetString(), "wb");
    if (!file) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {name}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    std::string text = std::string(kWrittenBy) + "\r\n";
    for (int i = 0; i < e.EditionalStrings.GetSize(); ++i) text += e.EditionalStrings[i].str() + "\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {name}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return 1;
}

CString LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    const CString format = TBLoadString(TBMsg::ComtradeDateTimeFormat);
    const std::size_t length = std::strftime(buffer, sizeof buffer, format.GetString(), &local);
    return CString(buffer, static_cast<int>(length)) + ".000000";
}

int WriteConfigurationFile(CReadAndWriteFileFunction& e, const CString& fileName, int asciiData, int timeChannel) {
    e.Multipliers.RemoveAll();
    e.Offsets.RemoveAll();
    e.SampleRates.RemoveAll();
    e.EndSamples.RemoveAll();
    e.FileName = fileName.Left(fileName.GetLength() - 4) + ".cfg";
    FILE* file = std::fopen(e.FileName.GetString(), "wb");
    if (!file) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    bool missing = false;
    for (int i = 0; i < e.NrChannels; ++i) {
        if (!e.GetChannel(i)) {
            e.AddWarning(TBFormatMessage(TBMsg::ChannelNotWritten, {e.FileName, i}));
            missing = true;
        }
    }
    const bool hasTime = timeChannel >= 0 && timeChannel < e.NrChannels;
    const int analog = e.NrChannels - (hasTime ? 1 : 0);
    const double steps = asciiData ? 99998.0 : 32767.0;
    std::string text = std::string(kWrittenBy) + ",,1999\r\n";
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
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
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
    const CString stamp = LocalTimeStamp();
    text += "60\r\n0\r\n0," + std::to_string(e.NrItems) + "\r\n";
    text += stamp.str() + "\r\n" + stamp.str() + "\r\n";
    text += asciiData ? "ASCII\r\n" : "BINARY\r\n";
    text += "1\r\n";
    e.SampleRates.Add(0.0);
    e.EndSamples.Add(e.NrItems);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return missing ? 2 : 1;
}

}  // namespace

int CReadAndWriteFileFunction::ReadInfoComtradeFile(CString fileName) {
    const bool combined = tb_comtrade::IsCombinedFile(fileName);
    std::vector<std::string> configuration;
    CString cfgName;
    if (combined) {
        FileName = fileName;
        CombinedFile parts;
        if (!ReadCombinedFile(fileName, parts)) {
            SetError(TBFormatMessage(TBMsg::CannotOpenFile, {fileName}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        if (parts.configuration.empty() || parts.dataOffset < 0) {
            SetError(TBFormatMessage(parts.configuration.empty() ? TBMsg::ComtradeCombinedNoConfiguration
                                                                 : TBMsg::ComtradeCombinedNoData,
                                     {fileName}),
                     TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        ClearComtradeState(*this);
        EditionalStrings.RemoveAll();
        for (const std::string& line : parts.header) EditionalStrings.Add(CString(line));
        configuration = std::move(parts.configuration);
        cfgName = fileName;
        ComtradeDataOffset = parts.dataOffset;
    } else {
        FileName = tb_comtrade::CompanionFile(fileName, ".dat");
        struct stat info;
        if (::stat(FileName.GetString(), &info) != 0) {
            SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        cfgName = tb_comtrade::CompanionFile(fileName, ".cfg");
        if (::stat(cfgName.GetString(), &info) != 0) {
            FileKind = TB_KIND_TEXT;
            return ReadInfoCSVFile(FileName, "", "", 1, 0);
        }
        ClearComtradeState(*this);
        EditionalStrings.RemoveAll();
        const CString hdrName = tb_comtrade::CompanionFile(fileName, ".hdr");
        if (::stat(hdrName.GetString(), &info) == 0) {
            std::string text;
            if (!ReadWholeFile(hdrName, text)) {
                SetError(TBFormatMessage(TBMsg::CannotOpenFile, {hdrName}), TB_EXCHANGE_FILE_ERROR);
                return 0;
            }
            std::vector<std::string> lines;
            AppendLines(text, lines);
            for (const std::string& line : lines) EditionalStrings.Add(CString(line));
        }
        std::string text;
        if (!ReadWholeFile(cfgName, text)) {
            SetError(TBFormatMessage(TBMsg::CannotOpenFile, {cfgName}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        AppendLines(text, configuration);
    }
    std::vector<ChannelText> channels;
    if (!ParseConfiguration(*this, configuration, cfgName, channels)) return 0;
    BuildChannelTable(*this, channels);
    LoadVersion = 7;
    SaveVersion = AsciiData == 1 ? 13 : 14;
    return 1;
}

int CReadAndWriteFileFunction::WriteComtradeFile(CString fileName, int asciiData, int comtradeOption) {
    if (NrChannels > kMaxWriteChannels) {
        SetError(TBFormatMessage(TBMsg::ComtradeTooManyChannels, {kMaxWriteChannels}), TB_EXCHANGE_DATA_ERROR);
        return 0;
    }
    // Ten-digit sample numbers in text, unsigned 32-bit ones in binary: neither ceiling
    // can be passed with an int item count.
    if (EditionalStrings.GetSize() > 0 && !WriteComtradeHeaderFile(fileName)) return 0;
    if (!WriteComtradeKonfigurationFile(fileName, asciiData, comtradeOption)) return 0;
    return asciiData == 1 ? WriteDataComtradeAsciiFile(fileName, comtradeOption)
                          : WriteDataComtradeBinaryFile(fileName, comtradeOption);
}

int CReadAndWriteFileFunction::WriteComtradeHeaderFile(CString fileName) { return WriteHeaderFile(*this, fileName); }

int CReadAndWriteFileFunction::WriteComtradeKonfigurationFile(CString fileName, int asciiData, int comtradeOption) {
    return WriteConfigurationFile(*this, fileName, asciiData, comtradeOption);
}

int CReadAndWriteFileFunction::WriteDataComtradeAsciiFile(CString fileName, int comtradeOption) {
    return tb_comtrade::WriteAsciiData(*this, fileName, comtradeOption);
}

int CReadAndWriteFileFunction::WriteDataComtradeBinaryFile(CString fileName, int comtradeOption) {
    return tb_comtrade::WriteBinaryData(*this, fileName, comtradeOption);
}
