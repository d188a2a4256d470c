// The symbol table of the unit notation and the conversions between the catalogue's
// spelling, the shown Unicode form and the form lookups compare.
#include <toolbox/units/unit_notation.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

const TBNotationSymbol kSymbols[] = {
    {"mu", "\xC2\xB5", 0xB5},           {"2super", "\xC2\xB2", 0xB2},       {"3super", "\xC2\xB3", 0xB3},
    {"4super", "\xE2\x81\xB4", 0x2074}, {"5super", "\xE2\x81\xB5", 0x2075}, {"degree", "\xC2\xB0", 0xB0},
    {"Ohm", "\xCE\xA9", 0x3A9},         {"Omega", "\xCE\xA9", 0x3A9},       {"AA", "\xC3\x85", 0xC5},
};

const char kMicro[] = "\xC2\xB5";        // U+00B5 MICRO SIGN
const char kGreekMu[] = "\xCE\xBC";      // U+03BC GREEK SMALL LETTER MU
const char kMiddleDot[] = "\xC2\xB7";    // U+00B7
const char kDotOperator[] = "\xE2\x8B\x85";  // U+22C5

/// One-character signs that stand for a whole unit or symbol, as escapes.
struct Sign {
    const char* utf8;
    const char* escapes;
};
const Sign kSigns[] = {
    {"\xE2\x84\x83", "\\degree\\C"},  // U+2103 DEGREE CELSIUS
    {"\xE2\x84\x89", "\\degree\\F"},  // U+2109 DEGREE FAHRENHEIT
    {"\xE2\x84\xA6", "\\Ohm\\"},      // U+2126 OHM SIGN
};

/// ASCII words users type for a symbol.
struct Word {
    const char* word;
    const char* escape;
};
const Word kWords[] = {{"deg", "\\degree\\"}, {"ohm", "\\Ohm\\"}};

bool StartsWith(const std::string& s, std::size_t at, const char* prefix) {
    return s.compare(at, std::strlen(prefix), prefix) == 0;
}

bool StartsWithNoCase(const std::string& s, std::size_t at, const char* word) {
    const std::size_t n = std::strlen(word);
    if (at + n > s.size()) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
    return true;
}

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }
bool IsAsciiLetter(char c) { return IsLowerAscii(c) || (c >= 'A' && c <= 'Z'); }

/// A word that names a symbol at 'at': its escape, with length set; null otherwise.
/// A lower-case letter right after it makes it part of a longer word.
const char* WordAt(const std::string& s, std::size_t at, std::size_t& length) {
    for (const Word& w : kWords) {
        const std::size_t n = std::strlen(w.word);
        if (StartsWithNoCase(s, at, w.word) && !(at + n < s.size() && IsLowerAscii(s[at + n]))) {
            length = n;
            return w.escape;
        }
    }
    return nullptr;
}

void ReplaceAll(std::string& s, const char* from, const char* to) {
    const std::size_t n = std::strlen(from), m = std::strlen(to);
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + m)) s.replace(at, n, to);
}

/// Whether a micro prefix may stand at 'at': at the start or after an operator.
bool StartsFactor(const std::string& s, std::size_t at) {
    return at == 0 || std::strchr("/*( ", s[at - 1]) != nullptr;
}

/// The first byte of the UTF-8 characters that may follow a micro prefix: Ω and Å.
bool StartsSymbolLetter(const std::string& s, std::size_t at) {
    return StartsWith(s, at, "\xCE\xA9") || StartsWith(s, at, "\xC3\x85");
}

}  // namespace

const TBNotationSymbol* TBFindNotationSymbol(const CString& name) {
    for (const TBNotationSymbol& s : kSymbols)
        if (name == s.name) return &s;
    return nullptr;
}

std::vector<TBNotationPiece> TBSplitNotation(const CString& text) {
    std::vector<TBNotationPiece> pieces;
    CString plain;
    int i = 0;
    const int n = text.GetLength();
    while (i < n) {
        const int open = text.Find('\\', i);
        const int close = open < 0 ? -1 : text.Find('\\', open + 1);
        if (close < 0) {
            plain += text.Mid(i);
            break;
        }
        plain += text.Mid(i, open - i);
        const CString name = text.Mid(open + 1, close - open - 1);
        if (const TBNotationSymbol* symbol = TBFindNotationSymbol(name)) {
            if (!plain.IsEmpty()) pieces.push_back({plain, nullptr});
            plain.Empty();
            pieces.push_back({CString(), symbol});
        } else {
            plain += name;
        }
        i = close + 1;
    }
    if (!plain.IsEmpty()) pieces.push_back({plain, nullptr});
    return pieces;
}

CString TBNotationToUnicode(const CString& text) {
    CString out;
    for (const TBNotationPiece& piece : TBSplitNotation(text))
        out += piece.symbol ? CString(piece.symbol->utf8) : piece.text;
    return out;
}

CString TBUnitNotationEscapes(const CString& unit) {
    const std::string& s = unit.str();
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '\\') {
            const std::size_t close = s.find('\\', i + 1);
            if (close != std::string::npos) {
                const std::string name = s.substr(i + 1, close - i - 1);
                // The catalogue's own name of the degree sign.
                out += name == "deg" ? std::string("\\degree\\") : s.substr(i, close - i + 1);
                i = close + 1;
                continue;
            }
            out += s.substr(i);
            break;
        }
        if (s[i] == '^' && i + 1 < s.size() && s[i + 1] >= '2' && s[i + 1] <= '5') {
            out += std::string("\\") + s[i + 1] + "super\\";
            i += 2;
            continue;
        }
        std::size_t length = 0;
        if (const char* escape = WordAt(s, i, length)) {
            out += escape;
            i += length;
            continue;
        }
        const Sign* sign = nullptr;
        for (const Sign& candidate : kSigns)
            if (StartsWith(s, i, candidate.utf8)) sign = &candidate;
        if (sign) {
            out += sign->escapes;
            i += std::strlen(sign->utf8);
            continue;
        }
        out += s[i++];
    }
    return CString(std::move(out));
}

CString TBUnitToUnicode(const CString& unit) { return TBNotationToUnicode(TBUnitNotationEscapes(unit)); }

CString TBUnitLookupForm(const CString& unit) {
    CString trimmed(unit);
    trimmed.Trim();
    std::string s = TBUnitToUnicode(trimmed).str();
    ReplaceAll(s, kGreekMu, kMicro);
    ReplaceAll(s, kMiddleDot, "*");
    ReplaceAll(s, kDotOperator, "*");
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool micro = s[i] == 'u' && StartsFactor(s, i) && i + 1 < s.size() &&
                           (IsAsciiLetter(s[i + 1]) || StartsSymbolLetter(s, i + 1));
        if (micro)
            out += kMicro;
        else
            out += s[i];
    }
    return CString(std::move(out));
}
