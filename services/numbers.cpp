// Engineering number formatting and parsing.
//
// Output must equal what the standard formatted print gives for the formats "%.15g",
// "%.*f", "%.*e" and "%.*g" followed by the prefix. std::to_chars with a precision is
// defined to give exactly that text (in the C locale) and is several times faster, so
// it does the printing; the common "%.15g" case goes faster still through the
// shortest round-trip digits (see WriteGeneral15). A plain number is parsed by
// fast_float (correctly rounded, so bit for bit what strtod gives); the general path
// goes through std::from_chars with strtod as the fallback for what it does not take.
#include <toolbox/services/numbers.h>

#include <fast_float/fast_float.h>

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>
#include <vector>

namespace {

struct PrefixRange {
    double lowerBound;
    double factor;
    const char* prefix;
};

// Tested from the top: the first range whose lower bound x reaches wins.
constexpr PrefixRange kPrefixRanges[] = {
    {1e12, 1e-12, "T"}, {1e9, 1e-9, "G"}, {1e6, 1e-6, "Meg"}, {1e3, 1e-3, "k"},   {1.0, 1.0, ""},
    {1e-3, 1e3, "m"},   {1e-6, 1e6, "u"}, {1e-9, 1e9, "n"},   {1e-12, 1e12, "p"}, {1e-15, 1e15, "f"},
};

constexpr double kExponentFormBound = 1e16;

// Writes the exponent of the %e and %g forms: sign and at least two digits.
char* WriteExponent(char* p, int exponent) {
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (e >= 100) {
        *p++ = static_cast<char>('0' + e / 100);
        e %= 100;
    }
    *p++ = static_cast<char>('0' + e / 10);
    *p++ = static_cast<char>('0' + e % 10);
    return p;
}

// "%.15g" of a finite non-zero value. The shortest round-trip digits of a double are
// exactly its rounding to 15 significant digits whenever they are 15 digits or fewer:
// 15-digit decimals lie at least four units in the last place apart, so only one of
// them is in the value's rounding interval. With 16 or 17 shortest digits, rounding
// those digits gives the rounding of the exact value unless the dropped digits lie
// within the value's half unit in the last place of one half; those few values take
// the precise path.
char* WriteGeneral15(char* p, char* end, double value) {
    // Subnormal values carry fewer significant bits than the argument above needs.
    if (std::fabs(value) < std::numeric_limits<double>::min()) {
        return std::to_chars(p, end, value, std::chars_format::general, 15).ptr;
    }
    char shortest[32];
    const char* shortestEnd =
        std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
    // shortest: [-]d[.ddd]e(+|-)XX
    const char* s = shortest;
    const bool negative = *s == '-';
    if (negative) ++s;
    char digits[20];
    int count = 0;
    for (; *s != 'e'; ++s)
        if (*s != '.') digits[count++] = *s;
    const bool negativeExponent = s[1] == '-';
    int exponent = 0;
    for (s += 2; s < shortestEnd; ++s) exponent = exponent * 10 + (*s - '0');
    if (negativeExponent) exponent = -exponent;

    if (count > 15) {
        // The dropped digits in units of the 17th significant digit, and the most the
        // exact value can differ from the shortest digits in those units: half an ulp
        // is at most 2^-53 of the value, i.e. 1.11 units per unit of the leading digit.
        const int dropped = (digits[15] - '0') * 10 + (count > 16 ? digits[16] - '0' : 0);
        const int margin = (digits[0] - '0' + 1) * 112 / 100 + 1;
        if (dropped >= 50 - margin && dropped <= 50 + margin) {
            return std::to_chars(p, end, value, std::chars_format::general, 15).ptr;
        }
        count = 15;
        if (dropped > 50) {
            // Round up, carrying through nines.
            int i = 14;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i < 0) {
                digits[0] = '1';
                ++exponent;
            } else {
                ++digits[i];
            }
        }
    }
    while (count > 1 && digits[count - 1] == '0') --count;

    if (negative) *p++ = '-';
    if (exponent < -4 || exponent >= 15) {
        *p++ = digits[0];
        if (count > 1) {
            *p++ = '.';
            std::memcpy(p, digits + 1, static_cast<size_t>(count - 1));
            p += count - 1;
        }
        return WriteExponent(p, exponent);
    }
    if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = -1; i > exponent; --i) *p++ = '0';
        std::memcpy(p, digits, static_cast<size_t>(count));
        return p + count;
    }
    // Fixed form with the point after exponent + 1 digits.
    int intDigits = exponent + 1;
    for (int i = 0; i < intDigits; ++i) *p++ = i < count ? digits[i] : '0';
    if (count > intDigits) {
        *p++ = '.';
        std::memcpy(p, digits + intDigits, static_cast<size_t>(count - intDigits));
        p += count - intDigits;
    }
    return p;
}

// "%.15g" of a value whose text has the fixed form (1e-4 <= |value| < 1e15, which is
// every value an engineering prefix brings into [1, 1000)), by exact integer
// arithmetic: the 15 significant digits are the value times a power of ten, rounded
// half to even as the formatted print does. Returns null when the value is outside
// that range, so the caller takes the general path.
char* WriteFixedGeneral15(char* p, double value) {
    double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e15)) return nullptr;
    int binaryExponent;
    double fraction = std::frexp(magnitude, &binaryExponent);  // magnitude = fraction * 2^binaryExponent
    const std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - binaryExponent;  // magnitude = mantissa / 2^shift, shift >= 4 here

    static const std::uint64_t kPowers[] = {1ull,
                                            10ull,
                                            100ull,
                                            1000ull,
                                            10000ull,
                                            100000ull,
                                            1000000ull,
                                            10000000ull,
                                            100000000ull,
                                            1000000000ull,
                                            10000000000ull,
                                            100000000000ull,
                                            1000000000000ull,
                                            10000000000000ull,
                                            100000000000000ull,
                                            1000000000000000ull,
                                            10000000000000000ull,
                                            100000000000000000ull,
                                            1000000000000000000ull,
                                            10000000000000000000ull};
    // Decimal exponent estimate from the binary one, corrected by the digit count.
    int exponent = static_cast<int>(std::floor((binaryExponent - 1) * 0.30102999566398120));
    std::uint64_t digits = 0;
    for (int attempt = 0;; ++attempt) {
        const int scale = 14 - exponent;
        if (attempt == 3 || scale < 0 || scale > 19) return nullptr;
        unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * kPowers[scale];
        digits = static_cast<std::uint64_t>(product >> shift);
        if (digits >= kPowers[15]) {
            ++exponent;
            continue;
        }
        if (digits < kPowers[14]) {
            --exponent;
            continue;
        }
        unsigned __int128 rest = product & ((static_cast<unsigned __int128>(1) << shift) - 1);
        unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        if (rest > half || (rest == half && (digits & 1))) ++digits;
        break;
    }
    if (digits == kPowers[15]) {  // 999...9 rounded up to the next power of ten
        digits = kPowers[14];
        ++exponent;
    }
    if (digits < kPowers[14] || exponent >= 15 || exponent < -4) return nullptr;

    char text[15];
    for (int i = 14; i >= 0; --i, digits /= 10) text[i] = static_cast<char>('0' + digits % 10);
    int count = 15;
    while (count > 1 && text[count - 1] == '0') --count;

    if (value < 0) *p++ = '-';
    if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = -1; i > exponent; --i) *p++ = '0';
        std::memcpy(p, text, static_cast<size_t>(count));
        return p + count;
    }
    const int intDigits = exponent + 1;
    std::memcpy(p, text, static_cast<size_t>(intDigits));
    p += intDigits;
    if (count > intDigits) {
        *p++ = '.';
        std::memcpy(p, text + intDigits, static_cast<size_t>(count - intDigits));
        p += count - intDigits;
    }
    return p;
}

enum class Form { General15, Fixed, Scientific, General };

// Longest text a form can produce for the given precision (sign, digits of a double's
// integer part, point, precision digits, exponent).
size_t MaxLength(int precision) { return static_cast<size_t>(precision) + 340; }

char* WriteNumber(char* p, char* end, double value, Form form, int precision) {
    switch (form) {
        case Form::General15:
            if (char* q = WriteFixedGeneral15(p, value)) return q;
            return WriteGeneral15(p, end, value);
        case Form::Fixed: return std::to_chars(p, end, value, std::chars_format::fixed, precision).ptr;
        case Form::Scientific: return std::to_chars(p, end, value, std::chars_format::scientific, precision).ptr;
        case Form::General:
            // printf takes precision 0 of %g as 1.
            return std::to_chars(p, end, value, std::chars_format::general, precision == 0 ? 1 : precision).ptr;
    }
    return p;
}

CString FinishText(char* begin, char* p, bool spaced, const char* prefix, const CString& separator) {
    if (spaced) *p++ = ' ';
    while (*prefix) *p++ = *prefix++;
    CString text(begin, static_cast<int>(p - begin));
    if (!separator.IsEmpty() && separator != ".") text.Replace(".", separator);
    return text;
}

// Byte classes for the one scan of a text that atof makes.
enum ByteClass : unsigned char { kPlain = 0, kPrefixLetter = 1, kHash = 2, kEndOfText = 3 };

const std::array<unsigned char, 256>& ByteClasses() {
    static const auto table = [] {
        std::array<unsigned char, 256> t{};
        for (unsigned char c : std::string_view("fpnumkgtFPNUMKGT")) t[c] = kPrefixLetter;
        t['#'] = kHash;
        t[0] = kEndOfText;
        return t;
    }();
    return table;
}

struct TextScan {
    size_t length;        // up to the first zero byte: the text as C functions see it
    size_t prefixLetter;  // position of the first prefix letter, or length
    bool hasHash;
};

TextScan ScanText(std::string_view text) {
    const auto& classes = ByteClasses();
    TextScan scan{text.size(), std::string_view::npos, false};
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = classes[static_cast<unsigned char>(text[i])];
        if (c == kPlain) continue;
        if (c == kPrefixLetter) {
            if (scan.prefixLetter == std::string_view::npos) scan.prefixLetter = i;
        } else if (c == kHash) {
            scan.hasHash = true;
        } else {
            scan.length = i;
            break;
        }
    }
    if (scan.prefixLetter == std::string_view::npos) scan.prefixLetter = scan.length;
    return scan;
}

bool ContainsNoCase(std::string_view text, std::string_view upperWord) {
    if (upperWord.size() > text.size()) return false;
    for (size_t i = 0; i + upperWord.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < upperWord.size()) {
            char c = text[i + k];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != upperWord[k]) break;
            ++k;
        }
        if (k == upperWord.size()) return true;
    }
    return false;
}

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The standard atof of the text up to its first zero byte: leading white space, an
// optional sign, then the longest prefix that forms a number; 0 when there is none.
// The text holds no zero byte.
double StandardAtof(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && IsCSpace(*p)) ++p;
    bool negative = false;
    const char* afterSign = p;
    if (afterSign < end && (*afterSign == '+' || *afterSign == '-')) {
        negative = *afterSign == '-';
        ++afterSign;
        // from_chars takes a minus sign of its own; a second sign is no number.
        if (afterSign < end && (*afterSign == '+' || *afterSign == '-')) return 0.0;
    }
    // Hexadecimal numbers are strtod's alone; from_chars would stop at the "x".
    bool hex = end - afterSign >= 2 && afterSign[0] == '0' && (afterSign[1] == 'x' || afterSign[1] == 'X');
    if (!hex) {
        double value = 0.0;
        auto res = std::from_chars(afterSign, end, value, std::chars_format::general);
        if (res.ec == std::errc()) return negative ? -value : value;
        if (res.ec == std::errc::invalid_argument) return 0.0;
    }
    // Out of range or hexadecimal: strtod needs a terminated copy of the text.
    std::string copy(p, end);
    return std::strtod(copy.c_str(), nullptr);
}

// The multiplier of a prefix letter; text is the text from the letter on (for "Meg").
double PrefixMultiplier(char letter, std::string_view text) {
    switch (letter) {
        case 'f':
        case 'F': return 1e-15;
        case 'p':
        case 'P': return 1e-12;
        case 'n':
        case 'N': return 1e-9;
        case 'u':
        case 'U': return 1e-6;
        case 'm':
        case 'M': return ContainsNoCase(text, "MEG") ? 1e6 : 1e-3;
        case 'k':
        case 'K': return 1e3;
        case 'g':
        case 'G': return 1e9;
        case 't':
        case 'T': return 1e12;
    }
    return 1.0;
}

// The common cases of TBExtended_atof, read in place: blanks, a sign and a decimal
// number with point as its decimal symbol that either ends the text ("0.25", "1e-18")
// or, when prefixes may follow, is directly followed by a prefix letter ("4.7k",
// "-1.5Meg", "2k2"). The number holds no prefix letter, so the letter that ends it is
// the first one of the text; the text after it counts only for "Meg" and must hold no
// '#' (the special values) and no zero byte. Anything else (hexadecimal, other text
// after the number) is left to the general path, which gives the same value.
bool ReadNumberInPlace(std::string_view text, char point, bool prefixMayFollow, double& value) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && IsCSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // A digit or the point must follow: "inf" and "nan" carry prefix letters.
    if (p == end || !((*p >= '0' && *p <= '9') || *p == point)) return false;
    fast_float::parse_options options(fast_float::chars_format::general, point);
    const auto result = fast_float::from_chars_advanced(p, end, value, options);
    if (result.ec != std::errc()) return false;
    double multiplier = 1.0;
    if (result.ptr != end) {
        if (!prefixMayFollow) return false;
        const std::string_view rest(result.ptr, static_cast<size_t>(end - result.ptr));
        if (ByteClasses()[static_cast<unsigned char>(rest[0])] != kPrefixLetter) return false;
        for (char c : rest)
            if (c == '#' || c == '\0') return false;
        multiplier = PrefixMultiplier(rest[0], rest);
    }
    if (negative) value = -value;
    value *= multiplier;
    return true;
}

}  // namespace

CString TBExtended_ftoa(double value, short digits, int spaced, const CString& separator) {
    if (std::isinf(value)) return CString(value < 0 ? "-1.#INF" : "1.#INF");
    if (std::isnan(value)) return CString("1.#NAN");
    if (value == 0.0) return CString(spaced ? "0 " : "0");

    const double x = std::fabs(value);
    const bool fifteenDigits = digits < 0;
    const int precision = fifteenDigits ? 15 : digits;
    double printed = value;
    const char* prefix = "";
    Form form = fifteenDigits ? Form::General15 : Form::Fixed;

    if (x >= kExponentFormBound) {
        if (!fifteenDigits) form = spaced ? Form::General : Form::Scientific;
    } else if (x < kPrefixRanges[std::size(kPrefixRanges) - 1].lowerBound) {
        if (!fifteenDigits) form = Form::General;
    } else {
        for (const PrefixRange& range : kPrefixRanges) {
            if (x >= range.lowerBound) {
                printed = value * range.factor;
                prefix = range.prefix;
                break;
            }
        }
    }

    char small[512];
    const size_t needed = MaxLength(precision) + 8;
    std::vector<char> large;
    char* begin = small;
    if (needed > sizeof small) {
        large.resize(needed);
        begin = large.data();
    }
    char* p = WriteNumber(begin, begin + needed - 8, printed, form, precision);
    return FinishText(begin, p, spaced != 0, prefix, separator);
}

double TBExtended_atof(const CString& original, const CString& separator) {
    const bool pointSeparator = separator.IsEmpty() || separator == ".";
    if (pointSeparator || separator.GetLength() == 1) {
        double value = 0.0;
        const char point = pointSeparator ? '.' : separator[0];
        // A prefix may follow only where the decimal symbol cannot stand for a letter.
        if (ReadNumberInPlace(original.view(), point, point == '.' || point == ',', value)) return value;
    }
    CString text = original;
    if (!pointSeparator) text.Replace(separator, ".");
    std::string_view view = text.view();
    TextScan scan = ScanText(view);
    view = view.substr(0, scan.length);

    if (scan.hasHash) {
        text.MakeUpper();
        view = text.view().substr(0, scan.length);
        if (view.find("INF") != std::string_view::npos) {
            const double big = std::numeric_limits<double>::max();
            return StandardAtof(view) * big * big;
        }
        if (view.find("NAN") != std::string_view::npos || view.find("IND") != std::string_view::npos) {
            return std::numeric_limits<double>::quiet_NaN();
        }
    }
    if (scan.prefixLetter == scan.length) return StandardAtof(view);

    const double multiplier = PrefixMultiplier(view[scan.prefixLetter], view);
    return StandardAtof(view.substr(0, scan.prefixLetter)) * multiplier;
}

int TBExtended_atoi(const CString& text) {
    long value = std::strtol(text.GetString(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

CString TBExtended_itoa(int value) {
    char buffer[16];
    auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    return CString(buffer, static_cast<int>(res.ptr - buffer));
}

long TBExtended_ftol(double value) {
    if (std::isnan(value) || value <= -2147483648.0) return -2147483648L;
    if (value >= 2147483647.0) return 2147483647L;
    return static_cast<long>(value);
}

int TBExtended_ftoi(double value) { return static_cast<int>(TBExtended_ftol(value)); }
