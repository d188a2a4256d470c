// Conversions between variant cells and the numbers and texts of the other channel
// storage kinds, shared by the table exchange, the clipboard and the writers.
#pragma once

#include "exchange/text/delimited_text.h"
#include <toolbox/services/numbers.h>
#include <toolbox/types/types.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace tb_exchange {

/// Currency in decimal: the ten-thousandths of the scaled integer as up to four
/// fraction digits, trailing zeros dropped, so that every value keeps every digit.
inline char* FormatCurrency(char* out, std::int64_t scaled) {
    const bool negative = scaled < 0;
    std::uint64_t magnitude = negative ? 0ULL - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    if (negative) *out++ = '-';
    out = std::to_chars(out, out + 24, magnitude / 10000).ptr;
    unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction == 0) return out;
    *out++ = '.';
    for (unsigned divisor = 1000; fraction != 0; divisor /= 10) {
        *out++ = static_cast<char>('0' + fraction / divisor);
        fraction %= divisor;
    }
    return out;
}

/// Appends a variant as the writers put it in text: 1-byte and 2-byte integers and
/// booleans in decimal, 4-byte integers, both floats and dates (days since 30 December
/// 1899, the time as the fraction) with 15 significant digits ("%.15g"), currency with
/// its four decimals, decimal for the point; a string its text, any other type "0".
inline void AppendVariantText(std::string& out, const COleVariant& v, std::string_view decimal = ".") {
    char buffer[40];
    char* end = buffer;
    switch (v.vt) {
        case VT_UI1: end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int>(v.bVal)).ptr; break;
        case VT_I2: end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int>(v.iVal)).ptr; break;
        case VT_BOOL: end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<int>(v.boolVal)).ptr; break;
        case VT_I4: end = FormatGeneral15(buffer, static_cast<double>(v.lVal)); break;
        case VT_R4: end = FormatGeneral15(buffer, static_cast<double>(v.fltVal)); break;
        case VT_R8: end = FormatGeneral15(buffer, v.dblVal); break;
        case VT_DATE: end = FormatGeneral15(buffer, v.date); break;
        case VT_CY: end = FormatCurrency(buffer, v.cyVal.int64); break;
        case VT_BSTR: out.append(v.GetText().view()); return;
        default: *end++ = '0'; break;
    }
    for (const char* p = buffer; p < end; ++p) {
        if (*p == '.')
            out.append(decimal);
        else
            out.push_back(*p);
    }
}

/// The text of AppendVariantText with '.' as the point.
inline CString VariantText(const COleVariant& v) {
    std::string text;
    AppendVariantText(text, v);
    return CString(std::string_view(text));
}

/// A variant as a number. Numbers keep every bit (an IEEE double read back from a
/// table is the one written), a date is its serial day number, currency its scaled
/// integer / 10,000; everything else goes through its text.
inline double VariantNumber(const COleVariant& v) {
    switch (v.vt) {
        case VT_R8: return v.dblVal;
        case VT_DATE: return v.date;
        case VT_CY: return static_cast<double>(v.cyVal.int64) / 10000.0;
        case VT_R4: return v.fltVal;
        case VT_I4: return v.lVal;
        case VT_I2: return v.iVal;
        case VT_UI1: return v.bVal;
        default: return TBExtended_atof(VariantText(v), CString());
    }
}

/// A variant as the number its text (VariantText) reads back as: floats and 4-byte
/// integers rounded to 15 significant digits.
inline double VariantNumberThroughText(const COleVariant& v) { return TBExtended_atof(VariantText(v), CString()); }

}  // namespace tb_exchange
