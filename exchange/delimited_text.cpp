#include "exchange/delimited_text.h"

#include "services/numbers.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace tb_exchange {

int CountFields(std::string_view line, const SeparatorSet& separators, bool merge) {
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

DecimalSymbol::DecimalSymbol(const CString& decimal) : m_text(decimal) {
    if (decimal.GetLength() > 1) m_long = true;
    else if (decimal.GetLength() == 1 && decimal[0] != '.') m_replaced = decimal[0];
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

} // namespace

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
    double value = 0.0;
    auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc()) return negative ? -value : value;
    if (result.ec == std::errc::invalid_argument) return 0.0;
    return General(field, decimal);  // out of range: overflow and underflow as strtod gives them
}

char* FormatGeneral15(char* out, double value) {
    return std::to_chars(out, out + 32, value, std::chars_format::general, 15).ptr;
}

} // namespace tb_exchange
