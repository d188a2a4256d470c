#include "exchange/delimited_text.h"

#include "services/numbers.h"

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
} // namespace

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

namespace {

bool IsEightDigits(std::uint64_t v) {
    return ((v & 0xF0F0F0F0F0F0F0F0ULL) | (((v + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ==
           0x3333333333333333ULL;
}

std::uint32_t ParseEightDigits(std::uint64_t v) {
    const std::uint64_t mask = 0x000000FF000000FFULL;
    const std::uint64_t mul1 = 0x000F424000000064ULL;  // 100 + (1000000ULL << 32)
    const std::uint64_t mul2 = 0x0000271000000001ULL;  // 1 + (10000ULL << 32)
    v -= 0x3030303030303030ULL;
    v = (v * 10) + (v >> 8);
    v = (((v & mask) * mul1) + (((v >> 16) & mask) * mul2)) >> 32;
    return static_cast<std::uint32_t>(v);
}

const double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case of numbers written with up to 15-17 significant digits: at most 19
// digits and a decimal exponent within +-22 give a mantissa and a power of ten that
// are both exact doubles, so one multiplication or division rounds correctly (the
// result equals strtod's). Returns the end of the number, or null when another parser
// must decide.
const char* ParseShortDecimal(const char* p, const char* end, char point, double& out) {
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

} // namespace

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
    const char* stop = ParseShortDecimal(first, last, point, parsed);
    if (!stop) {
        fast_float::parse_options options(fast_float::chars_format::general, point);
        auto result = fast_float::from_chars_advanced(first, last, parsed, options);
        if (result.ec != std::errc()) return false;
        stop = result.ptr;
    }
    if (stop != last && !m_separators.Contains(*stop)) return false;
    value = parsed;
    if (stop == last) m_done = true;
    else m_pos = static_cast<std::size_t>(stop - m_line.data()) + 1;
    return true;
}

bool CanReadNumbersInPlace(const SeparatorSet& separators, const DecimalSymbol& decimal) {
    if (decimal.IsLong()) return false;
    for (char c : std::string_view("0123456789.eE+-"))
        if (separators.Contains(c)) return false;
    return !separators.Contains(decimal.PointCharacter());
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

} // namespace tb_exchange
