// Syntax descriptions and their loader. A description file is an INI file:
//
//   [General]  CaseSensitivity=1
//   [Ranges]   NumberOfRangeGroups=n, RangeGroup0..n-1 = section names
//   [Tokens]   NumberOfTokenGroups=n, TokenGroup0..n-1 = section names
//   range group:  Color (decimal 0x00BBGGRR), NumberOfDscr, Open%d, Close%d, CaseSensitivity
//   token group:  Color, StdStartSep, StdStopSep, NumberOfDscr, TokenDscr%d, StartSep%d,
//                 StopSep%d, CaseSensitivity
//
// Range groups load before token groups, groups and entries in index order. An entry
// with an empty pattern or one that does not compile is skipped without a word. Only
// indices below the group's count whose key is present are visited, so a huge count
// in a damaged file costs nothing.
#include <toolbox/ui/color_rich_edit_syntax.h>

#include <toolbox/os/profile_cache.h>

#include "controls/coloredit/model/pattern.h"

#include <algorithm>
#include <cstdlib>
#include <new>

using tb_coloredit::CPattern;

CTBSyntaxRangeEntry::CTBSyntaxRangeEntry() = default;
CTBSyntaxRangeEntry::~CTBSyntaxRangeEntry() = default;
CTBSyntaxTokenEntry::CTBSyntaxTokenEntry() = default;
CTBSyntaxTokenEntry::~CTBSyntaxTokenEntry() = default;
CTBSyntaxDscrColorRichEdit::CTBSyntaxDscrColorRichEdit() = default;
CTBSyntaxDscrColorRichEdit::~CTBSyntaxDscrColorRichEdit() { RemoveAll(); }

tb_coloredit::CMatchContext& CTBSyntaxDscrColorRichEdit::MatchContext() const {
    if (!m_context) m_context = std::make_unique<tb_coloredit::CMatchContext>();
    return *m_context;
}

namespace {

std::unique_ptr<CPattern> CompileNonEmpty(const char* text, int caseSensitive) {
    if (!text || !*text) return nullptr;
    auto pattern = std::make_unique<CPattern>();
    if (!pattern->Compile(text, caseSensitive != 0)) return nullptr;
    return pattern;
}

}  // namespace

int CTBSyntaxDscrColorRichEdit::AddRange(const char* open, const char* close, COLORREF color, int caseSensitive) {
    auto entry = std::make_unique<CTBSyntaxRangeEntry>();
    entry->m_openPattern = CompileNonEmpty(open, caseSensitive);
    entry->m_closePattern = CompileNonEmpty(close, caseSensitive);
    if (!entry->m_openPattern || !entry->m_closePattern) return 0;
    entry->m_open = open;
    entry->m_close = close;
    entry->m_color = color;
    m_ranges.push_back(std::move(entry));
    return 1;
}

int CTBSyntaxDscrColorRichEdit::AddToken(const char* token, const char* startSep, const char* stopSep, COLORREF color,
                                         int caseSensitive) {
    auto entry = std::make_unique<CTBSyntaxTokenEntry>();
    entry->m_tokenPattern = CompileNonEmpty(token, caseSensitive);
    entry->m_startPattern = CompileNonEmpty(startSep, caseSensitive);
    entry->m_stopPattern = CompileNonEmpty(stopSep, caseSensitive);
    if (!entry->m_tokenPattern || !entry->m_startPattern || !entry->m_stopPattern) return 0;
    entry->m_token = token;
    entry->m_startSep = startSep;
    entry->m_stopSep = stopSep;
    entry->m_color = color;
    m_tokens.push_back(std::move(entry));
    return 1;
}

void CTBSyntaxDscrColorRichEdit::RemoveAll() {
    while (!m_tokens.empty()) m_tokens.pop_back();
    while (!m_ranges.empty()) m_ranges.pop_back();
}

// ------------------------------------------------------------------ loader

namespace {

/// Reads one description file through a private profile cache of its own.
class CDescriptionReader {
public:
    explicit CDescriptionReader(const char* file) : m_file(file) {}
    CPrivateFileCache& Cache() { return m_cache; }

    CString Value(const char* section, const char* key, const char* fallback) {
        return m_cache.GetStringValue(section, key, fallback, m_file, 1);
    }
    int Int(const char* section, const char* key, int fallback) {
        return m_cache.GetIntValue(section, key, fallback, m_file, 1);
    }
    /// The indices n (0 <= n < count, ascending) for which section holds key prefix<n>.
    std::vector<int> Indices(const char* section, const char* prefix, int count) {
        std::vector<int> found;
        if (count <= 0) return found;
        CMapStringToString entries;
        m_cache.GetSection(section, entries, m_file, 1);
        const std::size_t prefixLength = std::char_traits<char>::length(prefix);
        POSITION pos = entries.GetStartPosition();
        while (pos) {
            CString key, value;
            entries.GetNextAssoc(pos, key, value);
            const std::string_view k = key.view();
            if (k.size() <= prefixLength || k.substr(0, prefixLength) != prefix) continue;
            const std::string_view digits = k.substr(prefixLength);
            // Only the form "%d" writes: no sign, no leading zero, at most 10 digits.
            if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) continue;
            if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
            const long long n = std::atoll(std::string(digits).c_str());
            if (n < count) found.push_back(static_cast<int>(n));
        }
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    CPrivateFileCache m_cache;
    const char* m_file;
};

CString Indexed(const char* prefix, int index) {
    CString key;
    key.Format("%s%d", prefix, index);
    return key;
}

void LoadRangeGroup(CDescriptionReader& reader, const CString& section, int generalCase,
                    CTBSyntaxDscrColorRichEdit& description) {
    const COLORREF color = static_cast<COLORREF>(reader.Int(section, "Color", 0));
    const int caseSensitive = reader.Int(section, "CaseSensitivity", generalCase);
    const int count = reader.Int(section, "NumberOfDscr", 0);
    for (int i : reader.Indices(section, "Open", count)) {
        const CString open = reader.Value(section, Indexed("Open", i), "");
        const CString close = reader.Value(section, Indexed("Close", i), "");
        description.AddRange(open, close, color, caseSensitive);
    }
}

void LoadTokenGroup(CDescriptionReader& reader, const CString& section, int generalCase,
                    CTBSyntaxDscrColorRichEdit& description) {
    const COLORREF color = static_cast<COLORREF>(reader.Int(section, "Color", 0));
    const int caseSensitive = reader.Int(section, "CaseSensitivity", generalCase);
    const CString stdStart = reader.Value(section, "StdStartSep", "");
    const CString stdStop = reader.Value(section, "StdStopSep", "");
    const int count = reader.Int(section, "NumberOfDscr", 0);
    for (int i : reader.Indices(section, "TokenDscr", count)) {
        const CString token = reader.Value(section, Indexed("TokenDscr", i), "");
        const CString start = reader.Value(section, Indexed("StartSep", i), stdStart);
        const CString stop = reader.Value(section, Indexed("StopSep", i), stdStop);
        description.AddToken(token, start, stop, color, caseSensitive);
    }
}

void LoadDescription(CDescriptionReader& reader, CTBSyntaxDscrColorRichEdit& description) {
    try {
        const int generalCase = reader.Int("General", "CaseSensitivity", 1);
        const int rangeGroups = reader.Int("Ranges", "NumberOfRangeGroups", 0);
        for (int g : reader.Indices("Ranges", "RangeGroup", rangeGroups))
            LoadRangeGroup(reader, reader.Value("Ranges", Indexed("RangeGroup", g), ""), generalCase, description);
        const int tokenGroups = reader.Int("Tokens", "NumberOfTokenGroups", 0);
        for (int g : reader.Indices("Tokens", "TokenGroup", tokenGroups))
            LoadTokenGroup(reader, reader.Value("Tokens", Indexed("TokenGroup", g), ""), generalCase, description);
    } catch (const std::bad_alloc&) {
        // What was loaded so far stays; the rest of the file is lost to the memory shortage.
    }
}

}  // namespace

void TBLoadSyntaxDescrforColorRichEdit(CString fileName, CTBSyntaxDscrColorRichEdit* description) {
    if (!description || fileName.IsEmpty()) return;
    CDescriptionReader reader(fileName);
    reader.Cache().Reload(fileName);
    LoadDescription(reader, *description);
}

void TBLoadSyntaxDescrFromText(const char* text, int length, CTBSyntaxDscrColorRichEdit* description) {
    if (!description || !text || length <= 0) return;
    // A name no file can have: the reader never goes to the disk for it.
    static const char* const kInMemory = "\n<syntax description text>";
    CDescriptionReader reader(kInMemory);
    reader.Cache().MergeText(kInMemory, std::string_view(text, static_cast<std::size_t>(length)));
    LoadDescription(reader, *description);
}

void TBFreeSyntaxDescrforColorRichEdit(CTBSyntaxDscrColorRichEdit* description) { delete description; }
