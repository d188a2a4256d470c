#include "exchange/text/delimited_text.h"

#include <toolbox/services/numbers.h>

#include <cctype>
#include <charconv>
#include <cstdint>
#include <fast_float/fast_float.h>
#include <cstring>
#include <system_error>

namespace tb_exchange {

namespace {
// Occurrences of byte in text, eight bytes at a time: a zero byte of word ^ pattern
// marks a match, found exactly with the high-bit trick and summed by one multiplication.
std::size_t CountByte(std::string_view text, char byte) {
    const std::uint64_t pattern = 0x0101010101010101ULL * static_cast<unsigned char>(byte);
    const std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    std::size_t count = 0, i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        std::uint64_t x = word ^ pattern;
        std::uint64_t zeroHigh = ~(((x & low7) + low7) | x | low7);
        // The marks sit in bit 7 of each byte: gathering them by multiplication counts them.
        count += static_cast<std::size_t>(((zeroHigh >> 7) * 0x0101010101010101ULL) >> 56);
    }
    for (; i < text.size(); ++i) count += text[i] == byte;
    return count;
}
}  // namespace

int CountFields(std::string_view line, const SeparatorSet& separators, bool merge) {
    if (!merge && separators.Single() != 0) {
        // One separator character and no merging: a plain count the compiler vectorises.
        const char sep = separators.Single();
        long count = 1 + static_cast<long>(CountByte(line, sep));
        if (!line.empty() && line.back() == sep) --count;
        return count > 0x7fffffffL ? 0x7fffffff : static_cast<int>(count);
    }
    // Each removal of "text up to and including the first separator" counts a field
    // when text remains; when no separator is left, one more field counts.
    long count = 1;
    bool previousWasSeparator = false;
    for (char c : line) {
        bool isSeparator = separators.Contains(c);
        if (isSeparator && !(merge && previousWasSeparator)) ++count;
        previousWasSeparator = isSeparator;
    }
    if (!line.empty() && separators.Contains(line.back())) --count;
    return count > 0x7fffffffL ? 0x7fffffff : static_cast<int>(count);
}

bool FieldCanBeginNumber(std::string_view field, char decimal) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    if (i == field.size()) return true;
    const char c = field[i];
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == decimal) return true;
    if (field.size() - i < 3) return false;
    char word[3];
    for (int k = 0; k < 3; ++k) word[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(field[i + k])));
    const std::string_view start(word, 3);
    return start == "inf" || start == "nan";
}

FirstLine JudgeFirstLine(std::string_view line, const SeparatorSet& separators, bool merge, char decimal) {
    if (line.find('"') != std::string_view::npos) return FirstLine::Titles;
    FieldSplitter fields(line, separators, merge);
    std::string_view field;
    bool any = false;
    while (fields.Next(field)) {
        if (FieldCanBeginNumber(field, decimal)) return FirstLine::Data;
        any = true;
    }
    return any ? FirstLine::TitlesIfNumbersFollow : FirstLine::Data;
}

bool HoldsNumber(std::string_view line, const SeparatorSet& separators, bool merge, char decimal) {
    FieldSplitter fields(line, separators, merge);
    std::string_view field;
    while (fields.Next(field))
        if (!field.empty() && FieldCanBeginNumber(field, decimal)) return true;
    return false;
}

bool FieldSplitter::Next(std::string_view& field) {
    if (m_done || m_pos >= m_line.size()) {
        m_done = true;
        return false;
    }
    std::size_t p = m_separators.FindFrom(m_line, m_pos);
    if (p == m_pos) {
        if (m_merge) {
            while (m_pos < m_line.size() && m_separators.Contains(m_line[m_pos])) ++m_pos;
            if (m_pos >= m_line.size()) {
                m_done = true;
                return false;
            }
            p = m_separators.FindFrom(m_line, m_pos);
        } else {
            field = std::string_view();
            m_pos = p + 1;
            return true;
        }
    }
    if (p == std::string_view::npos) {
        field = m_line.substr(m_pos);
        m_done = true;
        return true;
    }
    field = m_line.substr(m_pos, p - m_pos);
    m_pos = p + 1;
    return true;
}

bool FieldSplitter::NextPlainNumber(double& value, const DecimalSymbol& decimal) {
    if (m_done || m_pos >= m_line.size()) return false;
    const char* first = m_line.data() + m_pos;
    const char* last = m_line.data() + m_line.size();
    // A plain number starts with a digit, the point, or a minus sign followed by one of
    // them; this keeps "inf" and "nan", which the general parser reads differently, out.
    const char point = decimal.PointCharacter();
    const char* p = first + (*first == '-');
    if (p == last || !((*p >= '0' && *p <= '9') || *p == point)) return false;
    double parsed = 0.0;
    const char* stop = detail::ParseShortDecimal(first, last, point, parsed);
    if (!stop) {
        fast_float::parse_options options(fast_float::chars_format::general, point);
        auto result = fast_float::from_chars_advanced(first, last, parsed, options);
        if (result.ec != std::errc()) return false;
        stop = result.ptr;
    }
    if (stop != last && !m_separators.Contains(*stop)) return false;
    value = parsed;
    if (stop == last)
        m_done = true;
    else
        m_pos = static_cast<std::size_t>(stop - m_line.data()) + 1;
    return true;
}

bool CanReadNumbersInPlace(const SeparatorSet& separators, const DecimalSymbol& decimal) {
    if (decimal.IsLong()) return false;
    for (char c : std::string_view("0123456789.eE+-"))
        if (separators.Contains(c)) return false;
    return !separators.Contains(decimal.PointCharacter());
}

DecimalSymbol::DecimalSymbol(const CString& decimal) : m_text(decimal) {
    if (decimal.GetLength() > 1)
        m_long = true;
    else if (decimal.GetLength() == 1 && decimal[0] != '.')
        m_replaced = decimal[0];
}

namespace {

// Bytes that send a field to the general parser: prefix letters, '#' (special
// values), 'x' (hexadecimal) and the zero byte (C strings end there).
struct GeneralOnly {
    std::array<bool, 256> table{};
    GeneralOnly() {
        for (unsigned char c : std::string_view("fpnumkgtFPNUMKGT#xX")) table[c] = true;
        table[0] = true;
    }
};
const GeneralOnly kGeneralOnly;

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

double General(std::string_view field, const DecimalSymbol& decimal) {
    return TBExtended_atof(CString(field), decimal.Text());
}

}  // namespace

double ParseNumberField(std::string_view field, const DecimalSymbol& decimal) {
    constexpr std::size_t kMax = 64;
    if (field.size() >= kMax || decimal.IsLong()) return General(field, decimal);
    char text[kMax];
    const char replaced = decimal.Replaced();
    for (std::size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == replaced && replaced != 0) c = '.';
        if (kGeneralOnly.table[static_cast<unsigned char>(c)]) return General(field, decimal);
        text[i] = c;
    }
    // The standard atof: leading white space, one optional sign, the longest number.
    const char* p = text;
    const char* end = text + field.size();
    while (p < end && IsCSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
        if (p < end && (*p == '+' || *p == '-')) return 0.0;
    }
    // A second minus sign is no number for atof; fast_float would take it as the sign.
    if (p < end && *p == '-') return 0.0;
    double value = 0.0;
    auto result = fast_float::from_chars(p, end, value, fast_float::chars_format::general);
    if (result.ec != std::errc()) return 0.0;  // no number at all
    // Overflow gives infinity and underflow the correctly rounded tiny value, as strtod.
    return negative ? -value : value;
}

char* FormatGeneral15(char* out, double value) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 15).ptr;
}

}  // namespace tb_exchange
