// Building blocks of delimited text shared by the text reader, the Import dialog's
// previews and the clipboard: separator sets, line trimming, field counting and
// splitting, and number parsing without a heap allocation per field. Internal to the
// exchange formats; hosts use the engine.
#pragma once

#include "platform/types/cstring.h"

#include <array>
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
inline bool IsTrimSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

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
TB_EXPORT int CountFields(std::string_view line, const SeparatorSet& separators, bool merge);

class DecimalSymbol;

/// Splits a data line field by field as the value reader does.
class TB_EXPORT FieldSplitter {
public:
    FieldSplitter(std::string_view line, const SeparatorSet& separators, bool merge)
        : m_line(line), m_separators(separators), m_merge(merge) {}
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

/// The decimal symbol prepared for parsing many fields.
class TB_EXPORT DecimalSymbol {
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
TB_EXPORT bool CanReadNumbersInPlace(const SeparatorSet& separators, const DecimalSymbol& decimal);

/// TBExtended_atof(field, decimal) for a field: plain decimal numbers take a fast
/// path without allocation, everything else (prefix letters, "#INF", hexadecimal,
/// long fields, out-of-range exponents) the general parser. Results are identical.
TB_EXPORT double ParseNumberField(std::string_view field, const DecimalSymbol& decimal);

/// Writes value as "%.15g" would into out (at least 32 bytes); returns the end.
TB_EXPORT char* FormatGeneral15(char* out, double value);

} // namespace tb_exchange
