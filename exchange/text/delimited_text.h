// Building blocks of delimited text shared by the text reader, the Import dialog's
// previews and the clipboard: separator sets, line trimming, field counting and
// splitting, and number parsing without a heap allocation per field. Internal to the
// exchange formats; hosts use the engine.
#pragma once

#include <toolbox/types/cstring.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <cstddef>
#include <string_view>

namespace tb_exchange {

/// A set of separator characters (any character of the engine's Separator string).
class SeparatorSet {
public:
    explicit SeparatorSet(std::string_view characters) {
        for (unsigned char c : characters) m_member[c] = true;
        if (!characters.empty() && characters.find_first_not_of(characters[0]) == std::string_view::npos)
            m_single = characters[0];
    }
    /// The one character of a set of a single character, else 0.
    char Single() const { return m_single; }
    bool Contains(char c) const { return m_member[static_cast<unsigned char>(c)]; }
    /// Position of the first separator at or after from; npos when none.
    std::size_t FindFrom(std::string_view text, std::size_t from) const {
        for (std::size_t i = from; i < text.size(); ++i)
            if (m_member[static_cast<unsigned char>(text[i])]) return i;
        return std::string_view::npos;
    }

private:
    std::array<bool, 256> m_member{};
    char m_single = 0;
};

/// White space as the framework's TrimRight removes it.
inline bool IsTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

inline std::string_view TrimTrailingSpace(std::string_view line) {
    std::size_t n = line.size();
    while (n > 0 && IsTrimSpace(line[n - 1])) --n;
    return line.substr(0, n);
}

/// A text file's data block ends at a line whose first non-blank character cannot begin
/// a number (anything but a digit, '+' or '-'); an empty line counts as a number.
inline bool CanBeginNumber(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return true;
    char c = line[i];
    return (c >= '0' && c <= '9') || c == '+' || c == '-';
}

/// Number of fields the scan counts in a line: one per separator (a run of separators
/// counts once when merging) plus one, less one when the line ends with a separator.
int CountFields(std::string_view line, const SeparatorSet& separators, bool merge);

class DecimalSymbol;

/// Splits a data line field by field as the value reader does.
class FieldSplitter {
public:
    FieldSplitter(std::string_view line, const SeparatorSet& separators, bool merge)
        : m_line(line), m_separators(separators), m_merge(merge) {}
    /// A splitter that continues a line at position (the start of the next field).
    FieldSplitter(std::string_view line, std::size_t position, const SeparatorSet& separators, bool merge)
        : m_line(line), m_separators(separators), m_pos(position), m_merge(merge) {}
    /// The next field; false when no field remains.
    bool Next(std::string_view& field);
    /// Fast path of Next plus ParseNumberField: when the next field is exactly one plain
    /// decimal number, consumes it, sets value and returns true. Otherwise consumes
    /// nothing and returns false (the caller then uses Next). Only valid when
    /// CanReadNumbersInPlace(separators, decimal) holds.
    bool NextPlainNumber(double& value, const DecimalSymbol& decimal);

private:
    std::string_view m_line;
    const SeparatorSet& m_separators;
    std::size_t m_pos = 0;
    bool m_done = false;
    bool m_merge;
};

/// The first line of a file without a UTF-8 byte-order mark: the mark belongs to no field.
inline std::string_view WithoutByteOrderMark(std::string_view firstLine) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    if (firstLine.substr(0, mark.size()) == mark) firstLine.remove_prefix(mark.size());
    return firstLine;
}

/// True when a field may be the start of a number: after blanks a digit, a sign, a
/// point or the decimal symbol (".5", ",5" with a decimal comma), "inf" or "nan"; an
/// empty field counts as a number too.
bool FieldCanBeginNumber(std::string_view field, char decimal);

/// What the first line read is: titles when it has a double quote; possibly titles
/// when every field is a word that cannot begin a number ("time,V1,I" as most programs
/// write titles), which they are only when the line below holds a number; else data.
enum class FirstLine { Titles, TitlesIfNumbersFollow, Data };
FirstLine JudgeFirstLine(std::string_view line, const SeparatorSet& separators, bool merge, char decimal);

/// True when some field of line may begin a number (the test for the line below a
/// line of words).
bool HoldsNumber(std::string_view line, const SeparatorSet& separators, bool merge, char decimal);

/// The decimal symbol prepared for parsing many fields.
class DecimalSymbol {
public:
    explicit DecimalSymbol(const CString& decimal);
    const CString& Text() const { return m_text; }
    /// Single character that stands for '.', or 0 when none needs replacing.
    char Replaced() const { return m_replaced; }
    /// True when the symbol has several characters (always the general parser).
    bool IsLong() const { return m_long; }
    /// The character plain numbers use as their decimal point ('.' or the symbol).
    char PointCharacter() const { return m_replaced ? m_replaced : '.'; }

private:
    CString m_text;
    char m_replaced = 0;
    bool m_long = false;
};

/// True when no separator character can be part of a plain number (digits, sign,
/// exponent letter, point or the decimal symbol), so numbers can be read in place.
bool CanReadNumbersInPlace(const SeparatorSet& separators, const DecimalSymbol& decimal);

/// TBExtended_atof(field, decimal) for a field: plain decimal numbers take a fast
/// path without allocation, everything else (prefix letters, "#INF", hexadecimal,
/// long fields, out-of-range exponents) the general parser. Results are identical.
double ParseNumberField(std::string_view field, const DecimalSymbol& decimal);

namespace detail {
inline bool IsEightDigits(std::uint64_t v) {
    return ((v & 0xF0F0F0F0F0F0F0F0ULL) | (((v + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ==
           0x3333333333333333ULL;
}

inline std::uint32_t ParseEightDigits(std::uint64_t v) {
    const std::uint64_t mask = 0x000000FF000000FFULL;
    const std::uint64_t mul1 = 0x000F424000000064ULL;  // 100 + (1000000ULL << 32)
    const std::uint64_t mul2 = 0x0000271000000001ULL;  // 1 + (10000ULL << 32)
    v -= 0x3030303030303030ULL;
    v = (v * 10) + (v >> 8);
    v = (((v & mask) * mul1) + (((v >> 16) & mask) * mul2)) >> 32;
    return static_cast<std::uint32_t>(v);
}

inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case of numbers written with up to 15-17 significant digits: at most 19
// digits and a decimal exponent within +-22 give a mantissa and a power of ten that
// are both exact doubles, so one multiplication or division rounds correctly (the
// result equals strtod's). Returns the end of the number, or null when another parser
// must decide.
inline const char* ParseShortDecimal(const char* p, const char* end, char point, double& out) {
    const bool negative = p < end && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int exponent = 0;
    while (p < end && static_cast<unsigned>(*p - '0') < 10) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        ++p;
        if (++digits > 19) return nullptr;
    }
    if (p < end && *p == point) {
        ++p;
        const char* fraction = p;
        while (end - p >= 8 && digits <= 11) {
            std::uint64_t chunk;
            std::memcpy(&chunk, p, 8);
            if (!IsEightDigits(chunk)) break;
            mantissa = mantissa * 100000000ULL + ParseEightDigits(chunk);
            p += 8;
            digits += 8;
        }
        while (p < end && static_cast<unsigned>(*p - '0') < 10) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++p;
            if (++digits > 19) return nullptr;
        }
        exponent = -static_cast<int>(p - fraction);
    }
    if (digits == 0) return nullptr;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        const bool negativeExponent = q < end && *q == '-';
        if (q < end && (*q == '-' || *q == '+')) ++q;
        int value = 0, count = 0;
        while (q < end && static_cast<unsigned>(*q - '0') < 10 && count < 4) {
            value = value * 10 + (*q - '0');
            ++q;
            ++count;
        }
        if (count == 0 || (q < end && static_cast<unsigned>(*q - '0') < 10)) return nullptr;
        exponent += negativeExponent ? -value : value;
        p = q;
    }
    if (mantissa > (std::uint64_t(1) << 53) || exponent < -22 || exponent > 22) return nullptr;
    double value = static_cast<double>(mantissa);
    value = exponent < 0 ? value / kExactPowersOfTen[-exponent] : value * kExactPowersOfTen[exponent];
    out = negative ? -value : value;
    return p;
}

}  // namespace detail

/// Writes value as "%.15g" would into out (at least 32 bytes); returns the end.
char* FormatGeneral15(char* out, double value);

}  // namespace tb_exchange
