// N-dimensional characteristic tables (typ T): a header of keys (typ, dimx, dimy, sep,
// n<i>, u<i>, s<i>, end), then one line per x vector (its values in order) and one
// line per grid point with the dimy y values. "//" starts a comment; lines are
// trimmed and empty lines skipped.
//
// The table is read in two passes over the same text file: the header pass creates
// the channels (x vectors first, then y channels) and learns the x lengths and NrItems
// (their product); the data pass checks the header again and stores the values. Held
// as an .mdk/.mda pair, the whole table lives in the .mdk file and both passes read it.
#include "exchange/format_table.h"
#include "exchange/text/delimited_text.h"
#include <toolbox/exchange/engine.h>
#include <toolbox/os/file_io.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <charconv>
#include <climits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// More x vectors or y channels than this are refused as invalid dimensions.
constexpr int kMaxTableChannels = 100000;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A positive whole number in text (blanks around allowed); -1 for anything else.
long long WholeNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return -1;
    return value;
}

// A value of an x or y line is valid when it begins with a number (an engineering
// prefix letter may follow, as the number reader accepts it).
bool ParseTableValue(std::string_view field, const tb_exchange::DecimalSymbol& noDecimal, double& value) {
    std::string_view t = Trim(field);
    std::string_view digits = t;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    double probe = 0;
    if (digits.empty() || digits.front() == '-' || digits.front() == '+') return false;
    auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), probe);
    if (parsed.ec == std::errc::invalid_argument) return false;
    value = tb_exchange::ParseNumberField(t, noDecimal);
    return true;
}

struct TableChannel {
    double* block = nullptr;
    CArray<double, double>* doubles = nullptr;
    CArray<COleVariant, COleVariant>* variants = nullptr;
    bool warned = false;
    bool HasStorage() const { return block || doubles || variants; }
    void Store(int r, double value) {
        if (block)
            block[r] = value;
        else if (doubles)
            doubles->SetAtGrow(r, value);
        else if (variants)
            variants->SetAtGrow(r, COleVariant(value));
    }
};

class NDimTableReader {
public:
    NDimTableReader(CReadAndWriteFileFunction& e, bool headerOnly) : m_e(e), m_headerOnly(headerOnly) {}

    int Run() {
        CLineReader reader;
        if (!reader.Open(m_e.FileName)) return Fail(TBFormatMessage(TBMsg::NdimCannotOpen, {m_e.FileName}));
        if (m_headerOnly) {
            m_e.DeleteAllChannels();
            m_e.NrChannels = 0;
            m_e.NrItems = 0;
            m_e.XVecLengths.RemoveAll();
        }
        std::string_view raw;
        try {
            while (reader.NextLine(raw)) {
                ++m_line;
                std::string_view line = raw;
                const size_t comment = line.find("//");
                if (comment != std::string_view::npos) line = line.substr(0, comment);
                line = Trim(line);
                if (line.empty()) continue;
                int status = 0;
                switch (m_phase) {
                    case Phase::Header: status = HeaderLine(line); break;
                    case Phase::X: status = XLine(line); break;
                    case Phase::Y: status = YLine(line); break;
                    case Phase::Done: break;
                }
                if (status == 0) return 0;
                if (status == 3) return m_result;  // header pass complete, or reading ended
            }
        } catch (const std::bad_alloc&) {
            return Fail(TBFormatMessage(TBMsg::NdimNoMemory, {m_e.FileName, m_line}));
        }
        if (reader.Failed()) return Fail(TBFormatMessage(TBMsg::NdimReadError, {m_e.FileName, m_line}));
        if (m_phase == Phase::Header) return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
        if (m_phase != Phase::Done && (m_phase == Phase::X || m_row < m_e.NrItems))
            return Fail(TBFormatMessage(TBMsg::NdimTooFewYLines, {m_e.FileName}));
        return m_result;
    }

private:
    enum class Phase { Header, X, Y, Done };

    int Fail(const CString& text) {
        m_e.SetError(text, TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    int Fail(UINT id, std::string_view offending) {
        return Fail(TBFormatMessage(id, {m_e.FileName, m_line, CString(offending)}));
    }
    void Warn(const CString& text) {
        m_e.AddWarning(text);
        m_result = 2;
    }
    bool DimensionsKnown() const { return m_dimx > 0 && m_dimy > 0; }

    // Returns 0 on error, 3 when the header pass is complete, 1 to go on.
    int HeaderLine(std::string_view line) {
        const size_t assign = line.find(":=");
        if (assign == std::string_view::npos) return 1;  // not a key line: ignored
        const std::string key = Lower(Trim(line.substr(0, assign)));
        const std::string_view rawValue = line.substr(assign + 2);
        const std::string_view value = Trim(rawValue);
        if (key == "typ") {
            if (Lower(value) != "t") return Fail(TBMsg::NdimInvalidType, value);
        } else if (key == "dimx" || key == "dimy") {
            const bool isX = key == "dimx";
            const long long count = WholeNumber(value);
            int& dim = isX ? m_dimx : m_dimy;
            if (count < 1 || count > kMaxTableChannels || dim > 0)
                return Fail(isX ? TBMsg::NdimInvalidXDimension : TBMsg::NdimInvalidYDimension, value);
            dim = static_cast<int>(count);
            if (isX) m_lengths.assign(static_cast<size_t>(dim), 0);
            if (DimensionsKnown() && m_headerOnly) {
                m_e.NrChannels = m_dimx + m_dimy;
                for (int i = 0; i < m_e.NrChannels; ++i) m_e.AddEmptyChannel();
            }
        } else if (key == "sep") {
            for (char c : rawValue) {
                if (c == ';' || c == ',' || c == ' ' || c == '\t') {
                    m_e.Sep = c;
                    break;
                }
            }
        } else if (key == "end") {
            if (!value.empty()) return Fail(TBMsg::NdimInvalidEnd, value);
            return EndOfHeader();
        } else if (key.size() > 1 && (key[0] == 'n' || key[0] == 'u' || key[0] == 's') &&
                   key.find_first_not_of("0123456789", 1) == std::string::npos) {
            if (!DimensionsKnown()) return Fail(TBMsg::NdimNoDimension, line);
            const long long index = WholeNumber(std::string_view(key).substr(1));
            const int limit = key[0] == 's' ? m_dimx : m_dimx + m_dimy;
            if (index < 1 || index > limit) return Fail(TBMsg::NdimInvalidChannelIndex, line);
            if (key[0] == 's') {
                const long long length = WholeNumber(value);
                if (length < 1 || length > INT_MAX) return Fail(TBMsg::NdimInvalidChannelSize, value);
                m_lengths[static_cast<size_t>(index - 1)] = static_cast<int>(length);
            } else if (m_headerOnly) {
                if (CExImPortChannel* channel = m_e.GetChannel(static_cast<int>(index - 1))) {
                    if (key[0] == 'n')
                        channel->SetChannelName(CString(value));
                    else
                        channel->SetUnitName(CString(value));
                }
            }
        }
        return 1;  // unknown keys are ignored
    }

    int EndOfHeader() {
        if (!DimensionsKnown() || m_e.NrChannels != m_dimx + m_dimy)
            return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
        long long items = 1;
        for (int length : m_lengths) {
            if (length < 1) return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
            items *= length;
            if (items > INT_MAX) return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
        }
        if (m_headerOnly) {
            m_e.NrItems = static_cast<int>(items);
            for (int length : m_lengths) m_e.XVecLengths.Add(static_cast<UINT>(length));
            return 3;
        }
        // The data pass reads what the header pass announced, never more.
        if (items != m_e.NrItems || m_e.XVecLengths.GetSize() != m_dimx)
            return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
        for (int i = 0; i < m_dimx; ++i)
            if (static_cast<int>(m_e.XVecLengths[i]) != m_lengths[static_cast<size_t>(i)])
                return Fail(TBFormatMessage(TBMsg::NdimInvalidHeader, {m_e.FileName, m_line}));
        m_channels.resize(static_cast<size_t>(m_e.NrChannels));
        for (int c = 0; c < m_e.NrChannels; ++c) {
            if (const CExImPortChannel* channel = m_e.GetChannel(c)) {
                m_channels[c].block = channel->GetDoublePtr();
                m_channels[c].doubles = channel->GetDoubleArray();
                m_channels[c].variants = channel->GetVariantArray();
            }
        }
        m_phase = Phase::X;
        return 1;
    }

    // The channel for value storage; warning TBMsg::NdimNoChannelMemory once when it has no storage.
    TableChannel* StorageOf(int c, std::string_view line) {
        TableChannel& channel = m_channels[static_cast<size_t>(c)];
        if (channel.HasStorage()) return &channel;
        if (!channel.warned) {
            channel.warned = true;
            const CExImPortChannel* slot = m_e.GetChannel(c);
            Warn(TBFormatMessage(TBMsg::NdimNoChannelMemory,
                                 {m_e.FileName, m_line, slot ? slot->GetChannelName() : CString(), CString(line)}));
        }
        return nullptr;
    }

    int XLine(std::string_view line) {
        const char sep = static_cast<char>(m_e.Sep);
        std::string_view rest = line;
        if (!rest.empty() && rest.back() == sep) rest.remove_suffix(1);
        size_t pos = 0;
        while (pos <= rest.size()) {
            size_t next = rest.find(sep, pos);
            if (next == std::string_view::npos) next = rest.size();
            const std::string_view field = rest.substr(pos, next - pos);
            pos = next + 1;
            if (m_xIndex >= m_dimx || m_xCount >= m_lengths[static_cast<size_t>(m_xIndex)])
                return Fail(TBMsg::NdimTooManyXValues, line);
            double value = 0;
            if (!ParseTableValue(field, m_noDecimal, value)) return Fail(TBMsg::NdimInvalidValue, field);
            if (TableChannel* channel = StorageOf(m_xIndex, line)) channel->Store(m_xCount, value);
            ++m_xCount;
        }
        if (m_xCount >= m_lengths[static_cast<size_t>(m_xIndex)]) {
            ++m_xIndex;
            m_xCount = 0;
            if (m_xIndex >= m_dimx) m_phase = Phase::Y;
        }
        return 1;
    }

    int YLine(std::string_view line) {
        if (m_row >= m_e.NrItems) {
            Warn(TBFormatMessage(TBMsg::NdimTooManyYLines, {m_e.FileName, m_line, CString(line)}));
            m_phase = Phase::Done;
            return 3;
        }
        const char sep = static_cast<char>(m_e.Sep);
        size_t pos = 0;
        for (int j = 0; j < m_dimy; ++j) {
            if (pos > line.size()) return Fail(TBMsg::NdimTooFewYValues, line);
            size_t next = line.find(sep, pos);
            if (next == std::string_view::npos) next = line.size();
            const std::string_view field = line.substr(pos, next - pos);
            pos = next + 1;
            double value = 0;
            if (Trim(field).empty()) return Fail(TBMsg::NdimTooFewYValues, line);  // a missing value
            if (!ParseTableValue(field, m_noDecimal, value)) return Fail(TBMsg::NdimInvalidValue, field);
            if (TableChannel* channel = StorageOf(m_dimx + j, line)) channel->Store(m_row, value);
        }
        if (pos < line.size() && !Trim(line.substr(pos)).empty())
            Warn(TBFormatMessage(TBMsg::NdimTooManyYValues, {m_e.FileName, m_line, CString(line)}));
        ++m_row;
        return 1;
    }

    CReadAndWriteFileFunction& m_e;
    const bool m_headerOnly;
    Phase m_phase = Phase::Header;
    int m_line = 0;
    int m_result = 1;
    int m_dimx = -1;
    int m_dimy = -1;
    std::vector<int> m_lengths;
    std::vector<TableChannel> m_channels;
    int m_xIndex = 0;
    int m_xCount = 0;
    int m_row = 0;
    const tb_exchange::DecimalSymbol m_noDecimal{CString()};
};

}  // namespace

int CReadAndWriteFileFunction::ReadMdxFileForNDimTable(int headerOnly) {
    // A pair keeps the whole table in its .mdk file; the data pass reads it there too.
    if (!headerOnly && FileKind != TB_KIND_MDX) {
        const int length = FileName.GetLength();
        if (length >= 4 && FileName.ReverseFind('.') == length - 4) FileName.SetAt(length - 1, 'k');
    }
    if (!headerOnly) ResetWarnAndErrorMsg();
    NDimTableReader reader(*this, headerOnly != 0);
    const int result = reader.Run();
    if (headerOnly && result) {
        tb_exchange::RecordFormat(*this, FileKind, 'T');  // tables are read, not written
    }
    if (!headerOnly && result) {
        Separator = CString(static_cast<char>(Sep));
        Decimal.Empty();
    }
    return result;
}
