// SPICE listings (.out).
//
// Two listing styles are read. The classic style prints the ".PRINT TRAN" request as
// tables under a "TRANSIENT ANALYSIS" banner: a header such as TIME V(2) I(VIN) and one
// line of numbers per time point; wide requests are split into several tables that
// each repeat the time column, and a long table may be cut by page banners, after
// which the same header appears again and the time goes on. Tables drawn as plots
// (.PLOT: a scale line wider than the header, then marker lines) are passed over.
// The batch style of ngspice prints "Index time v(1) ..." tables split into blocks of
// a few vectors and into pages; every block's rows carry their index, so the blocks
// are joined into one channel per vector.
//
// Both passes (information and data) run the same scanner, so the data pass finds
// exactly the tables and channels the information pass announced. Memory does not
// grow with the file: values go straight into the host's storage.
#include <toolbox/exchange/engine.h>
#include "exchange/format_table.h"
#include "exchange/value_store.h"
#include <toolbox/os/file_io.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using std::string_view;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == '\0'; }

// Blank- and tab-separated tokens of a line (CR and form feeds count as blanks).
void SplitTokens(string_view line, std::vector<string_view>& tokens) {
    tokens.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
}

bool IsEmptyLine(string_view line) {
    for (char c : line)
        if (!IsBlank(c)) return false;
    return true;
}

// Asterisks or nothing: banners, rules between sections, page ends.
bool IsDecoration(string_view line) { return line.find('*') != string_view::npos || IsEmptyLine(line); }

// A line holding only the letter X or Y: start and end marks around printed tables.
bool IsTableMark(string_view line) {
    std::vector<string_view> tokens;
    SplitTokens(line, tokens);
    return tokens.size() == 1 && (tokens[0] == "X" || tokens[0] == "Y");
}

bool ContainsUpperCased(string_view line, const char* what) {
    const std::size_t n = std::strlen(what);
    if (line.size() < n) return false;
    for (std::size_t i = 0; i + n <= line.size(); ++i) {
        std::size_t k = 0;
        while (k < n) {
            char c = line[i + k];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != what[k]) break;
            ++k;
        }
        if (k == n) return true;
    }
    return false;
}

// A token that starts like a number: optional sign, then a digit or a point and digit.
bool LooksNumeric(string_view token) {
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (i < token.size() && token[i] == '.') ++i;
    return i < token.size() && token[i] >= '0' && token[i] <= '9';
}

bool IsUnsignedInteger(string_view token) {
    if (token.empty() || token.size() > 9) return false;
    for (char c : token)
        if (c < '0' || c > '9') return false;
    return true;
}

double TokenValue(string_view token) { return TBExtended_atof(CString(token), CString()); }

// Channel name and unit from a classic header token: V(2) is unit V, name 2.
void ClassicNameAndUnit(string_view token, CString& name, CString& unit) {
    const std::size_t open = token.find('(');
    const std::size_t close = token.rfind(')');
    if (open != string_view::npos && close != string_view::npos && close > open) {
        unit = CString(token.substr(0, open));
        name = CString(token.substr(open + 1, close - open - 1));
    } else {
        name = CString(token);
        unit.Empty();
    }
}

// Channel name and unit from an ngspice vector name: time in s, v(x) in V, i(x) and
// x#branch (named x) in A; anything else keeps its name without unit.
void BatchNameAndUnit(string_view token, CString& name, CString& unit) {
    CString lower(token);
    lower.MakeLower();
    const std::size_t open = token.find('(');
    const std::size_t close = token.rfind(')');
    unit.Empty();
    name = CString(token);
    if (lower == "time") {
        unit = "s";
    } else if (open == 1 && close == token.size() - 1 && close > open + 1 && (lower[0] == 'v' || lower[0] == 'i')) {
        unit = lower[0] == 'v' ? "V" : "A";
        name = CString(token.substr(2, close - 2));
    } else if (lower.GetLength() > 7 && lower.Right(7) == "#branch") {
        unit = "A";
        name = CString(token.substr(0, token.size() - 7));
    }
}

// Receives what the scanner finds. The information pass creates channels; the data
// pass stores values.
class ListingSink {
public:
    virtual ~ListingSink() = default;
    /// A new channel in the next free slot.
    virtual void NewChannel(const CString& name, const CString& unit) = 0;
    /// token goes to channel slot index, row. False stops the scan (error recorded).
    virtual bool Value(int index, int row, string_view token) = 0;
};

enum class ScanResult { Done, NoListing, Broken };

// ---------------------------------------------------------------- classic tables

struct ClassicTable {
    std::vector<std::string> header;
    int base = 0;  // slot of the header's second column (first column for table 0)
    int rows = 0;  // rows stored so far (continued over page breaks)
    double lastTime = 0.0;
};

class ClassicScanner {
public:
    ClassicScanner(CLineReader& in, ListingSink& sink) : m_in(in), m_sink(sink) {}

    /// NoListing when no ".PRINT" line or no value table was found.
    ScanResult Scan() {
        if (!SeekPrint()) return ScanResult::NoListing;
        m_sawPrint = true;
        string_view line;
        while (m_in.NextLine(line)) {
            if (line.find("TRANSIENT ANALYSIS") == string_view::npos) continue;
            const ScanResult r = ReadTable();
            if (r == ScanResult::Broken) return r;
        }
        return m_tables.empty() ? ScanResult::NoListing : ScanResult::Done;
    }
    int Channels() const { return m_channels; }
    int Items() const { return m_items; }
    /// True when the listing holds a ".PRINT" request, tables or not.
    bool SawPrint() const { return m_sawPrint; }

private:
    bool SeekPrint() {
        string_view line;
        while (m_in.NextLine(line))
            if (ContainsUpperCased(line, ".PRINT")) return true;
        return false;
    }

    // The next line that is neither decoration nor a table mark; false at the end.
    bool NextContentLine(string_view& line) {
        while (m_in.NextLine(line))
            if (!IsDecoration(line) && !IsTableMark(line)) return true;
        return false;
    }

    ScanResult ReadTable() {
        string_view line;
        if (!NextContentLine(line)) return ScanResult::Broken;
        std::vector<string_view> tokens;
        SplitTokens(line, tokens);
        std::vector<std::string> header(tokens.begin(), tokens.end());
        if (!NextContentLine(line)) return ScanResult::Broken;
        SplitTokens(line, tokens);
        // A plot's scale line is wider than its header; a word means no value table.
        if (tokens.empty() || !LooksNumeric(tokens[0]) || tokens.size() > header.size() || header.empty())
            return ScanResult::Done;

        ClassicTable* table = Continued(header, TokenValue(tokens[0]));
        if (!table) table = StartTable(header);
        const bool firstTable = table == &m_tables.front();
        for (;;) {
            const int row = table->rows;
            for (std::size_t j = firstTable ? 0 : 1; j < tokens.size() && j < header.size(); ++j) {
                const int slot = table->base + static_cast<int>(j) - (firstTable ? 0 : 1);
                if (!m_sink.Value(slot, row, tokens[j])) return ScanResult::Broken;
            }
            table->lastTime = TokenValue(tokens[0]);
            ++table->rows;
            if (table->rows > m_items) m_items = table->rows;
            if (!m_in.NextLine(line)) return ScanResult::Broken;  // cut off inside the table
            if (IsDecoration(line)) return ScanResult::Done;
            SplitTokens(line, tokens);
            if (tokens.empty() || !LooksNumeric(tokens[0])) return ScanResult::Done;
        }
    }

    // The table a page break interrupted: same header as the last table and a time
    // that goes on from its last row.
    ClassicTable* Continued(const std::vector<std::string>& header, double firstTime) {
        if (m_tables.empty()) return nullptr;
        ClassicTable& last = m_tables.back();
        if (last.header != header || last.rows == 0 || !(firstTime > last.lastTime)) return nullptr;
        return &last;
    }

    ClassicTable* StartTable(const std::vector<std::string>& header) {
        ClassicTable table;
        table.header = header;
        table.base = m_channels;
        const std::size_t first = m_tables.empty() ? 0 : 1;
        for (std::size_t j = first; j < header.size(); ++j) {
            CString name, unit;
            ClassicNameAndUnit(header[j], name, unit);
            m_sink.NewChannel(name, unit);
            ++m_channels;
        }
        m_tables.push_back(std::move(table));
        return &m_tables.back();
    }

    CLineReader& m_in;
    ListingSink& m_sink;
    std::vector<ClassicTable> m_tables;
    int m_channels = 0;
    int m_items = 0;
    bool m_sawPrint = false;
};

// ---------------------------------------------------------------- ngspice batch tables

class BatchScanner {
public:
    BatchScanner(CLineReader& in, ListingSink& sink) : m_in(in), m_sink(sink) {}

    ScanResult Scan() {
        string_view line;
        std::vector<string_view> tokens;
        std::vector<int> slots;
        bool inTable = false;
        while (m_in.NextLine(line)) {
            SplitTokens(line, tokens);
            if (tokens.size() >= 2 && tokens[0] == "Index" && EqualsNoCase(tokens[1], "time")) {
                MapHeader(tokens, slots);
                inTable = true;
                continue;
            }
            if (!inTable) continue;
            if (tokens.empty() || (tokens[0].size() > 1 && tokens[0].find_first_not_of('-') == string_view::npos))
                continue;  // rules under the header and between pages
            if (!IsUnsignedInteger(tokens[0])) {
                inTable = false;
                continue;
            }
            // Indexes run from 0 within each block: a larger one than the rows seen so
            // far is no data line (and could not be stored in bounded memory).
            const int row = std::stoi(std::string(tokens[0]));
            if (row > m_dataLines) {
                inTable = false;
                continue;
            }
            ++m_dataLines;
            for (std::size_t j = 1; j < tokens.size() && j - 1 < slots.size(); ++j)
                if (!m_sink.Value(slots[j - 1], row, tokens[j])) return ScanResult::Broken;
            if (row + 1 > m_items) m_items = row + 1;
        }
        return m_channels == 0 ? ScanResult::NoListing : ScanResult::Done;
    }
    int Channels() const { return m_channels; }
    int Items() const { return m_items; }

private:
    static bool EqualsNoCase(string_view a, const char* b) {
        return a.size() == std::strlen(b) && ContainsUpperCased(a, CString(b).MakeUpper());
    }

    // Slots of a block's columns: a vector met in an earlier block keeps its channel.
    void MapHeader(const std::vector<string_view>& tokens, std::vector<int>& slots) {
        slots.clear();
        for (std::size_t j = 1; j < tokens.size(); ++j) {
            const std::string key(tokens[j]);
            int slot = -1;
            for (std::size_t k = 0; k < m_names.size(); ++k)
                if (m_names[k] == key) slot = static_cast<int>(k);
            if (slot < 0) {
                CString name, unit;
                BatchNameAndUnit(tokens[j], name, unit);
                m_sink.NewChannel(name, unit);
                m_names.push_back(key);
                slot = m_channels++;
            }
            slots.push_back(slot);
        }
    }

    CLineReader& m_in;
    ListingSink& m_sink;
    std::vector<std::string> m_names;
    int m_dataLines = 0;
    int m_channels = 0;
    int m_items = 0;
};

// ---------------------------------------------------------------- sinks

class InfoSink : public ListingSink {
public:
    explicit InfoSink(CReadAndWriteFileFunction& engine) : m_engine(engine) {}
    void NewChannel(const CString& name, const CString& unit) override {
        auto* channel = new CExImPortChannel;
        channel->SetChannelName(name);
        channel->SetUnitName(unit);
        m_engine.ReplaceChannelSlot(m_engine.Channels.GetSize(), channel);
    }
    bool Value(int, int, string_view) override { return true; }

private:
    CReadAndWriteFileFunction& m_engine;
};

class DataSink : public ListingSink {
public:
    explicit DataSink(CReadAndWriteFileFunction& engine) : m_engine(engine) {}
    void NewChannel(const CString&, const CString&) override {}
    bool Value(int index, int row, string_view token) override {
        if (index >= m_engine.NrChannels || row >= m_engine.NrItems) return true;
        CExImPortChannel* channel = m_engine.GetChannel(index);
        if (!channel) return true;
        const CString text(token);
        const double value = tb_exchange::ChannelWantsText(*channel) ? 0.0 : TBExtended_atof(text, CString());
        if (tb_exchange::StoreChannelValue(*channel, row, m_engine.NrItems, value, text)) return true;
        m_engine.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {m_engine.FileName, index + 1}),
                          TB_EXCHANGE_DATA_ERROR);
        return false;
    }

private:
    CReadAndWriteFileFunction& m_engine;
};

// Runs the classic scanner and, when the file holds no classic table, the batch one.
ScanResult ScanListing(const CString& path, ListingSink& sink, int& channels, int& items, bool& opened) {
    CLineReader in;
    opened = in.Open(path);
    if (!opened) return ScanResult::Broken;
    ClassicScanner classic(in, sink);
    ScanResult result = classic.Scan();
    if (result != ScanResult::NoListing) {
        channels = classic.Channels();
        items = classic.Items();
        return result;
    }
    in.Close();
    if (!in.Open(path)) {
        opened = false;
        return ScanResult::Broken;
    }
    BatchScanner batch(in, sink);
    result = batch.Scan();
    channels = batch.Channels();
    items = batch.Items();
    // A ".PRINT" request whose analysis printed no table is still a listing: it holds
    // no channels, and reading it as delimited text would invent one from the echo.
    if (result == ScanResult::NoListing && classic.SawPrint()) return ScanResult::Done;
    return result;
}

}  // namespace

namespace tb_exchange {

// A file without a listing is read as delimited text.
int ReadListingInfo(CReadAndWriteFileFunction& e, const ReadRequest& request, ReadOutcome& outcome) {
    e.ResetWarnAndErrorMsg();
    if (!request.fileName.IsEmpty()) e.FileName = request.fileName;
    if (e.FileName.IsEmpty()) {
        e.FileName = AskExchangeFileName("*.out", TBLoadString(TBMsg::FilterSpiceOut), 1);
        if (e.FileName.IsEmpty()) {
            e.SetError(TBLoadString(TBMsg::NoFileName), 0);
            return 0;
        }
    }
    e.DeleteAllChannels();
    e.NrChannels = 0;
    e.NrItems = 0;
    InfoSink sink(e);
    int channels = 0, items = 0;
    bool opened = false;
    const ScanResult result = ScanListing(e.FileName, sink, channels, items, opened);
    if (!opened) {
        e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (result == ScanResult::NoListing) {
        e.DeleteAllChannels();
        outcome.readAsText = e.FileName;
        return 0;
    }
    if (result == ScanResult::Broken) {
        e.DeleteAllChannels();
        e.SetError(TBFormatMessage(TBMsg::ReadOutFailed, {e.FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    e.NrChannels = channels;
    e.NrItems = items;
    RecordFormat(e, TB_KIND_OUT);
    return 1;
}

int ReadListingData(CReadAndWriteFileFunction& engine) { return engine.ReadDataOUTFile(); }

}  // namespace tb_exchange

int CReadAndWriteFileFunction::ReadInfoOUTFile(CString fileName) {
    return tb_exchange::ReadInfoAs(*this, TB_KIND_OUT, {fileName, CString(), CString(), CString()});
}

int CReadAndWriteFileFunction::ReadDataOUTFile() {
    ResetWarnAndErrorMsg();
    for (int i = 0; i < NrChannels; ++i)
        if (!GetChannel(i)) AddWarning(TBFormatMessage(TBMsg::ChannelNotRead, {FileName, i + 1}));
    NrChannels = Channels.GetSize() < NrChannels ? Channels.GetSize() : NrChannels;
    DataSink sink(*this);
    int channels = 0, items = 0;
    bool opened = false;
    const ScanResult result = ScanListing(FileName, sink, channels, items, opened);
    if (!opened) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (result != ScanResult::Done) {
        if (LastError.IsEmpty()) SetError(TBFormatMessage(TBMsg::ReadOutFailed, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return 1;  // missing channel slots are reported as warnings only
}

int CReadAndWriteFileFunction::WriteOUTFile(CString fileName) {
    (void)fileName;  // SPICE listings are written by simulators only
    return 0;
}
