// SPICE raw files (.raw): the result files that simulators write besides a listing.
//
// A text header ("Title:", "Plotname:", "Flags:", "No. Variables:", "No. Points:",
// "Variables:" with one "index name type" line per vector) is followed by "Values:"
// (text: per point its index and one value per vector, complex values as "re,im") or
// "Binary:" (little-endian doubles, point after point; complex vectors take two).
// Some simulators write the header in UTF-16 and store the binary values of a real
// plot as single-precision floats after a double time value unless the flags say
// "double"; with the flag "fastaccess" the values are stored vector after vector.
// Only the first plot of a file is read.
//
// Every vector becomes one channel; the variable type gives its unit (time s, voltage
// V, current A, frequency Hz). A complex vector gives its magnitude, the scale vector
// of a complex plot its real part. The header's
// counts are checked against the bytes really present before anything is read.
#include <toolbox/exchange/engine.h>
#include "exchange/format_table.h"
#include "exchange/value_store.h"
#include "platform/types/byte_order.h"
#include <toolbox/os/file_io.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxHeaderBytes = 64u << 20;
constexpr long kMaxVariables = 1L << 20;

struct RawVariable {
    std::string name;
    std::string type;
};

struct RawHeader {
    bool utf16 = false;
    bool binary = false;
    bool complex = false;
    bool allDouble = true;  // false: time double, other vectors float (UTF-16 writers)
    bool fastAccess = false;
    long variables = -1;
    long long points = -1;
    std::vector<RawVariable> vars;
    long long dataOffset = 0;  // first byte after the "Binary:"/"Values:" line
};

class RawFile {
public:
    ~RawFile() {
        if (m_file) std::fclose(m_file);
    }
    bool Open(const CString& path) {
        m_file = std::fopen(path, "rb");
        if (!m_file) return false;
        std::setvbuf(m_file, nullptr, _IOFBF, 1 << 20);
        return true;
    }
    std::FILE* File() const { return m_file; }

private:
    std::FILE* m_file = nullptr;
};

// One header line (without line end) in 8-bit or UTF-16LE coding; false at the end
// or when the header grows beyond its limit.
bool ReadHeaderLine(std::FILE* f, bool utf16, std::string& line, std::size_t& total) {
    line.clear();
    for (;;) {
        int c = std::fgetc(f);
        if (c == EOF) return !line.empty();
        if (utf16) {
            const int high = std::fgetc(f);
            if (high == EOF) return false;
            total += 1;
            if (high != 0) c = '?';  // no header keyword uses characters beyond Latin-1
        }
        if (++total > kMaxHeaderBytes) return false;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string AfterColon(const std::string& line) {
    const std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : line.substr(colon + 1);
}

bool ParseCount(const std::string& text, long long limit, long long& out) {
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p || errno != 0 || v < 0 || v > limit) return false;
    out = v;
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t s = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > s) words.push_back(line.substr(s, i - s));
    }
    return words;
}

bool AddVariable(RawHeader& h, const std::vector<std::string>& words) {
    if (words.size() < 3) return false;
    h.vars.push_back({words[1], Lower(words[2])});
    return true;
}

// Reads the header up to "Binary:" or "Values:"; false when it is not a raw header.
bool ReadHeader(std::FILE* f, RawHeader& h) {
    unsigned char probe[2] = {0, 0};
    if (std::fread(probe, 1, 2, f) != 2) return false;
    h.utf16 = probe[0] != 0 && probe[1] == 0;
    if (h.utf16) h.allDouble = false;
    std::rewind(f);
    std::string line;
    std::size_t total = 0;
    bool inVariables = false;
    long long count = 0;
    while (ReadHeaderLine(f, h.utf16, line, total)) {
        const std::string key = Lower(line.substr(0, line.find(':') == std::string::npos ? 0 : line.find(':') + 1));
        if (inVariables && key.empty()) {
            if (!AddVariable(h, Words(line))) return false;
            if (static_cast<long>(h.vars.size()) > h.variables) return false;
            continue;
        }
        if (key == "flags:") {
            for (const std::string& w : Words(Lower(AfterColon(line)))) {
                if (w == "complex") h.complex = true;
                if (w == "double") h.allDouble = true;
                if (w == "fastaccess") h.fastAccess = true;
            }
        } else if (key == "no. variables:") {
            if (!ParseCount(AfterColon(line), kMaxVariables, count) || count < 1) return false;
            h.variables = static_cast<long>(count);
        } else if (key == "no. points:") {
            if (!ParseCount(AfterColon(line), 1LL << 40, count)) return false;
            h.points = count;
        } else if (key == "variables:") {
            if (h.variables < 1) return false;
            inVariables = true;
            const std::vector<std::string> words = Words(AfterColon(line));
            if (!words.empty() && !AddVariable(h, words)) return false;
        } else if (key == "binary:" || key == "values:") {
            h.binary = key == "binary:";
            if (h.variables < 1 || h.points < 0 || static_cast<long>(h.vars.size()) != h.variables) return false;
            h.dataOffset = std::ftell(f);
            return h.dataOffset >= 0;
        }
    }
    return false;
}

std::string ChannelNameOf(const RawVariable& v) {
    const std::string& n = v.name;
    if (n.size() > 3 && (n[0] == 'v' || n[0] == 'V' || n[0] == 'i' || n[0] == 'I') && n[1] == '(' && n.back() == ')')
        return n.substr(2, n.size() - 3);
    return n;
}

const char* UnitOf(const std::string& type) {
    if (type == "time") return "s";
    if (type == "voltage") return "V";
    if (type == "current") return "A";
    if (type == "frequency") return "Hz";
    return "";
}

// Bytes of one value of vector k.
int ValueBytes(const RawHeader& h, long k) {
    if (h.complex) return 16;
    return (h.allDouble || k == 0) ? 8 : 4;
}

long long BytesPerPoint(const RawHeader& h) {
    long long bytes = 0;
    for (long k = 0; k < h.variables; ++k) bytes += ValueBytes(h, k);
    return bytes;
}

// The scale vector (frequency) of a complex plot is real; writers leave its imaginary
// part undefined, so only the real part is taken.
double DecodeValue(const unsigned char* p, int bytes, bool scale) {
    if (bytes == 4) return tb_bytes::LoadF32(p);
    const double re = tb_bytes::LoadF64(p);
    if (bytes == 8 || scale) return re;
    return std::hypot(re, tb_bytes::LoadF64(p + 8));
}

// Stores value of vector k at row; false (error recorded) for a channel without storage.
bool Store(CReadAndWriteFileFunction& engine, long k, long long row, double value, bool isTime) {
    if (k >= engine.NrChannels || row >= engine.NrItems) return true;
    CExImPortChannel* channel = engine.GetChannel(static_cast<int>(k));
    if (!channel) return true;
    if (isTime) value = std::fabs(value);  // some writers mark points by a negative time
    const CString text = tb_exchange::ChannelWantsText(*channel) ? TBExtended_ftoa(value, -1, 0, CString()) : CString();
    if (tb_exchange::StoreChannelValue(*channel, static_cast<int>(row), engine.NrItems, value, text)) return true;
    engine.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {engine.FileName, static_cast<int>(k) + 1}),
                    TB_EXCHANGE_DATA_ERROR);
    return false;
}

bool ReadBinary(CReadAndWriteFileFunction& engine, std::FILE* f, const RawHeader& h, bool timeScale) {
    const long long points = engine.NrItems;
    if (h.fastAccess) {
        long long offset = h.dataOffset;
        std::vector<unsigned char> value(16);
        for (long k = 0; k < h.variables; ++k) {
            const int bytes = ValueBytes(h, k);
            if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) return false;
            for (long long r = 0; r < points; ++r) {
                if (std::fread(value.data(), 1, static_cast<std::size_t>(bytes), f) != static_cast<std::size_t>(bytes))
                    return false;
                if (!Store(engine, k, r, DecodeValue(value.data(), bytes, k == 0), timeScale && k == 0)) return false;
            }
            offset += static_cast<long long>(bytes) * h.points;
        }
        return true;
    }
    const std::size_t perPoint = static_cast<std::size_t>(BytesPerPoint(h));
    std::vector<unsigned char> point(perPoint);
    if (std::fseek(f, static_cast<long>(h.dataOffset), SEEK_SET) != 0) return false;
    for (long long r = 0; r < points; ++r) {
        if (std::fread(point.data(), 1, perPoint, f) != perPoint) return false;
        std::size_t at = 0;
        for (long k = 0; k < h.variables; ++k) {
            const int bytes = ValueBytes(h, k);
            if (!Store(engine, k, r, DecodeValue(point.data() + at, bytes, k == 0), timeScale && k == 0)) return false;
            at += static_cast<std::size_t>(bytes);
        }
    }
    return true;
}

// Next blank-separated token of the text values; false at the end of the file.
bool NextToken(std::FILE* f, std::string& token) {
    token.clear();
    int c;
    do {
        c = std::fgetc(f);
    } while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f');
    while (c != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f') {
        if (token.size() < 256) token.push_back(static_cast<char>(c));
        c = std::fgetc(f);
    }
    return !token.empty();
}

double TextValue(const std::string& token, bool scale) {
    const std::size_t comma = token.find(',');
    if (comma == std::string::npos || scale) return std::strtod(token.substr(0, comma).c_str(), nullptr);
    const double re = std::strtod(token.substr(0, comma).c_str(), nullptr);
    const double im = std::strtod(token.c_str() + comma + 1, nullptr);
    return std::hypot(re, im);
}

// Text values; a missing value or a point index out of order means the file is cut
// off or damaged: false without an error text (the caller reports it).
bool ReadText(CReadAndWriteFileFunction& engine, std::FILE* f, const RawHeader& h, bool timeScale) {
    if (std::fseek(f, static_cast<long>(h.dataOffset), SEEK_SET) != 0) return false;
    std::string token;
    for (long long r = 0; r < engine.NrItems; ++r) {
        if (!NextToken(f, token)) return false;
        char* end = nullptr;
        const long long index = std::strtoll(token.c_str(), &end, 10);
        if (*end != '\0' || index != r) return false;
        for (long k = 0; k < h.variables; ++k) {
            if (!NextToken(f, token)) return false;
            if (!Store(engine, k, r, TextValue(token, k == 0), timeScale && k == 0)) return false;
        }
    }
    return true;
}

// The header, checked against the size of the file. 0 when fine, else a string id.
UINT CheckedHeader(std::FILE* f, const CString& path, RawHeader& h) {
    if (!ReadHeader(f, h)) return TBMsg::RawInvalidHeader;
    const long long available = TBFileSize(path) - h.dataOffset;
    // Text values need at least a digit and a blank each, the point index included.
    const long long needed = h.binary ? BytesPerPoint(h) * h.points : 2LL * (h.variables + 1) * h.points;
    if (available < 0 || needed > available) return TBMsg::RawFileTruncated;
    return 0;
}

}  // namespace

namespace tb_exchange {

// The header of a raw file (ASCII or binary): variables become channels with their units.
int ReadRawInfo(CReadAndWriteFileFunction& e, const ReadRequest& request, ReadOutcome&) {
    e.ResetWarnAndErrorMsg();
    if (!request.fileName.IsEmpty()) e.FileName = request.fileName;
    e.DeleteAllChannels();
    e.NrChannels = 0;
    e.NrItems = 0;
    RawFile file;
    if (!file.Open(e.FileName)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    RawHeader h;
    if (const UINT problem = CheckedHeader(file.File(), e.FileName, h)) {
        e.SetError(problem == TBMsg::RawFileTruncated
                       ? TBFormatMessage(TBMsg::RawFileTruncated,
                                         {e.FileName, static_cast<int>(std::min<long long>(h.points, 2147483647))})
                       : TBFormatMessage(TBMsg::RawInvalidHeader, {e.FileName}),
                   TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (h.points > 2147483647) {
        e.SetError(TBFormatMessage(TBMsg::RawFileTruncated, {e.FileName, 2147483647}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    for (const RawVariable& v : h.vars) {
        auto* channel = new CExImPortChannel;
        channel->SetChannelName(CString(ChannelNameOf(v).c_str()));
        channel->SetUnitName(UnitOf(v.type));
        e.ReplaceChannelSlot(e.Channels.GetSize(), channel);
    }
    e.NrChannels = static_cast<int>(h.variables);
    e.NrItems = static_cast<int>(h.points);
    RecordFormat(e, TB_KIND_SPICE_RAW);
    return 1;
}

// The values of the raw file ReadRawInfo scanned (real, or magnitude of complex values).
int ReadRawData(CReadAndWriteFileFunction& e) {
    e.ResetWarnAndErrorMsg();
    for (int i = 0; i < e.NrChannels; ++i)
        if (!e.GetChannel(i)) e.AddWarning(TBFormatMessage(TBMsg::ChannelNotRead, {e.FileName, i + 1}));
    RawFile file;
    if (!file.Open(e.FileName)) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    RawHeader h;
    if (const UINT problem = CheckedHeader(file.File(), e.FileName, h)) {
        e.SetError(TBFormatMessage(problem, {e.FileName, e.NrItems}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (h.points < e.NrItems) e.NrItems = static_cast<int>(h.points);  // the file changed since the first step
    const bool timeScale = !h.vars.empty() && h.vars[0].type == "time";
    const bool ok = h.binary ? ReadBinary(e, file.File(), h, timeScale) : ReadText(e, file.File(), h, timeScale);
    if (!ok) {
        if (e.LastError.IsEmpty())
            e.SetError(TBFormatMessage(TBMsg::RawFileTruncated, {e.FileName, e.NrItems}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return e.Warnings.GetSize() > 0 ? 2 : 1;
}

}  // namespace tb_exchange
