#include <toolbox/services/numbers.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <iterator>
#include <string>

namespace {

const CString kNone;

// The formatted-print route written out plainly: the format string of the table for
// the value's range, one snprintf call, then the separator replacement.
std::string ReferenceFtoa(double value, short digits, int spaced, const char* separator) {
    if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
    if (std::isnan(value)) return "1.#NAN";
    if (value == 0) return spaced ? "0 " : "0";
    struct Row {
        double lower, factor;
        const char* prefix;
    };
    static const Row rows[] = {{1e12, 1e-12, "T"}, {1e9, 1e-9, "G"},  {1e6, 1e-6, "Meg"}, {1e3, 1e-3, "k"},
                               {1, 1, ""},         {1e-3, 1e3, "m"},  {1e-6, 1e6, "u"},   {1e-9, 1e9, "n"},
                               {1e-12, 1e12, "p"}, {1e-15, 1e15, "f"}};
    double x = std::fabs(value);
    std::string format;
    double printed = value;
    if (x >= 1e16 || x < 1e-15) {
        if (digits < 0)
            format = spaced ? "%.15g " : "%.15g";
        else
            format = x >= 1e16 ? (spaced ? "%.*g " : "%.*e") : (spaced ? "%.*g " : "%.*g");
    } else {
        for (const Row& r : rows) {
            if (x >= r.lower) {
                printed = value * r.factor;
                format = std::string(digits < 0 ? "%.15g" : "%.*f") + (spaced ? " " : "") + r.prefix;
                break;
            }
        }
    }
    std::vector<char> buffer(static_cast<size_t>(digits) + 400);
    if (format.find('*') != std::string::npos)
        std::snprintf(buffer.data(), buffer.size(), format.c_str(), static_cast<int>(digits), printed);
    else
        std::snprintf(buffer.data(), buffer.size(), format.c_str(), printed);
    std::string text(buffer.data());
    if (*separator) {
        for (size_t p = 0; (p = text.find('.', p)) != std::string::npos; p += std::strlen(separator))
            text.replace(p, 1, separator);
    }
    return text;
}

std::string Ftoa(double v, short digits = -1, int spaced = 0, const char* sep = "") {
    return TBExtended_ftoa(v, digits, spaced, CString(sep)).GetString();
}

double Atof(const char* text, const char* sep = "") { return TBExtended_atof(CString(text), CString(sep)); }

}  // namespace

TEST(FtoaPrefixes, DocumentedCasesAndRangeBoundariesOnTheLowerSide) {
    EXPECT_EQ(Ftoa(1234.5, 2, 0), "1.23k");
    EXPECT_EQ(Ftoa(1234.5, 2, 1), "1.23 k");
    EXPECT_EQ(Ftoa(0.5), "500m");
    EXPECT_EQ(Ftoa(-0.5), "-500m");
    EXPECT_EQ(Ftoa(12, 1, 1, ","), "12,0 ");
    EXPECT_EQ(Ftoa(0, 3, 1), "0 ");
    EXPECT_EQ(Ftoa(-0.0, 3, 0), "0");
    EXPECT_EQ(Ftoa(std::nan(""), -1, 0, ","), "1.#NAN");
    EXPECT_EQ(Ftoa(std::numeric_limits<double>::signaling_NaN()), "1.#NAN");
    EXPECT_EQ(Ftoa(HUGE_VAL, 2, 1, ","), "1.#INF");
    EXPECT_EQ(Ftoa(-HUGE_VAL), "-1.#INF");
    EXPECT_EQ(Ftoa(999999.5, 2), "1000.00k");  // no re-normalisation after rounding
    // Range boundaries fall on the lower side.
    EXPECT_EQ(Ftoa(1000), "1k");
    EXPECT_EQ(Ftoa(999.9999), "999.9999");
    EXPECT_EQ(Ftoa(1e-3), "1m");
    EXPECT_EQ(Ftoa(1e6), "1Meg");
    EXPECT_EQ(Ftoa(1e9, -1, 1), "1 G");
    EXPECT_EQ(Ftoa(1e12), "1T");
    EXPECT_EQ(Ftoa(9.99e15), "9990T");
    EXPECT_EQ(Ftoa(1e16), "1e+16");
    EXPECT_EQ(Ftoa(1e16, 3, 0), "1.000e+16");
    EXPECT_EQ(Ftoa(1e16, 3, 1), "1e+16 ");
    EXPECT_EQ(Ftoa(1e-15), "1f");
    EXPECT_EQ(Ftoa(9.9e-16), "9.9e-16");
    EXPECT_EQ(Ftoa(9.9e-16, 2, 0), "9.9e-16");
    EXPECT_EQ(Ftoa(1.0, -1, 1), "1 ");
    EXPECT_EQ(Ftoa(5e-324), "4.94065645841247e-324");
    EXPECT_EQ(Ftoa(DBL_MAX, 0, 0), "2e+308");
    EXPECT_EQ(Ftoa(1.5e-20, 0, 1), "2e-20 ");
}

TEST(FtoaEquivalence, MatchesFormattedPrintOnLargeSample) {
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<int> exponent(-330, 310);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    const char* separators[] = {"", ",", "."};
    int mismatches = 0;
    for (int i = 0; i < 400000 && mismatches < 5; ++i) {
        double v;
        switch (i % 4) {
            case 0: v = mantissa(rng) * std::pow(10.0, exponent(rng)); break;
            case 1: {  // any bit pattern, subnormals and specials included
                std::uint64_t b = bits(rng);
                std::memcpy(&v, &b, sizeof v);
                break;
            }
            case 2: v = std::round(mantissa(rng) * 1e6) / std::pow(10.0, (i / 4) % 24); break;  // short decimals
            default: v = std::nextafter(std::pow(10.0, (i / 4) % 40 - 20), (i & 8) ? 0.0 : HUGE_VAL); break;
        }
        if (i & 16) v = -v;
        short digits = (i % 3 == 0) ? static_cast<short>((i / 3) % 20) : -1;
        int spaced = (i / 7) % 2;
        const char* sep = separators[(i / 11) % 3];
        std::string expected = ReferenceFtoa(v, digits, spaced, sep);
        std::string actual = Ftoa(v, digits, spaced, sep);
        if (expected != actual) {
            ++mismatches;
            ADD_FAILURE() << "value " << std::hexfloat << v << " digits " << digits << " spaced " << spaced
                          << ": expected \"" << expected << "\", got \"" << actual << "\"";
        }
    }
}

TEST(FtoaEquivalence, FifteenDigitRoundingNearHalf) {
    // Values whose 16th and 17th shortest digits lie near one half need the exact
    // rounding of the binary value, not of the shortest digits.
    const double values[] = {0.1 + 0.2, 1.0000000000000049, 1.000000000000005, 1.0000000000000051, 9.9999999999999947,
                             9.999999999999995, 123456789012345.5, 0.30000000000000004, 2.0000000000000049e-7,
                             999.99999999999955,
                             // exact ties at the 16th digit round half to even
                             1.000030517578125, 1.000091552734375, 100.00000762939453125, 0.0001220703125};
    for (double v : values) {
        for (int spaced = 0; spaced < 2; ++spaced) {
            EXPECT_EQ(Ftoa(v, -1, spaced), ReferenceFtoa(v, -1, spaced, "")) << std::hexfloat << v;
        }
    }
}

TEST(Atof, PrefixLettersAndSeparator) {
    EXPECT_DOUBLE_EQ(Atof("1.5Meg"), 1.5e6);
    EXPECT_DOUBLE_EQ(Atof("1.5 MEG"), 1.5e6);
    EXPECT_DOUBLE_EQ(Atof("1.5M"), 0.0015);
    EXPECT_DOUBLE_EQ(Atof("2k2"), 2000);
    EXPECT_DOUBLE_EQ(Atof("3,3u", ","), 3.3e-6);
    EXPECT_DOUBLE_EQ(Atof("1.5e-3"), 0.0015);
    EXPECT_DOUBLE_EQ(Atof("5 mm"), 0.005);
    EXPECT_DOUBLE_EQ(Atof("  -4.7n"), -4.7e-9);
    EXPECT_DOUBLE_EQ(Atof("10f"), 10e-15);
    EXPECT_DOUBLE_EQ(Atof("10P"), 10e-12);
    EXPECT_DOUBLE_EQ(Atof("3G"), 3e9);
    EXPECT_DOUBLE_EQ(Atof("3t"), 3e12);
    EXPECT_DOUBLE_EQ(Atof("7m", "m"), 7.0);  // the separator is replaced before letters are seen
    EXPECT_DOUBLE_EQ(Atof("12;5", ";"), 12.5);
    EXPECT_DOUBLE_EQ(Atof("2mega"), 2e6);
    EXPECT_DOUBLE_EQ(Atof("1 m of wire, omega"), 1e6);  // "MEG" anywhere counts
}

TEST(Atof, SpecialTextsAndTheEndOfTheText) {
    EXPECT_EQ(Atof("-1.#INF"), -HUGE_VAL);
    EXPECT_EQ(Atof("1.#INF"), HUGE_VAL);
    EXPECT_EQ(Atof("1,#INF", ","), HUGE_VAL);
    EXPECT_EQ(Atof("#INF"), 0.0);
    EXPECT_TRUE(std::isnan(Atof("1.#NAN")));
    EXPECT_TRUE(std::isnan(Atof("-1.#IND")));
    EXPECT_DOUBLE_EQ(Atof("3#5"), 3.0);
    EXPECT_EQ(Atof(""), 0.0);
    EXPECT_EQ(Atof("abc"), 0.0);
    EXPECT_EQ(Atof("inf"), 0.0);  // "n" is a prefix letter: "i" reads as nothing
    EXPECT_EQ(Atof("1e400"), HUGE_VAL);
    EXPECT_EQ(Atof("-1e400"), -HUGE_VAL);
    EXPECT_EQ(Atof("1e-400"), 0.0);
    EXPECT_EQ(Atof("0x1A"), 26.0);
    EXPECT_EQ(Atof("+-3"), 0.0);
    EXPECT_EQ(Atof("+.5"), 0.5);
    EXPECT_EQ(Atof("."), 0.0);
    // Reading stops at the end of the text: at a zero byte, and after a huge run of digits.
    CString withZero(
        "12\0"
        "345",
        6);
    EXPECT_EQ(TBExtended_atof(withZero, kNone), 12.0);
    std::string longDigits(100000, '7');
    EXPECT_EQ(TBExtended_atof(CString(longDigits), kNone), HUGE_VAL);
}

TEST(AtofEquivalence, AgreesWithStrtodAndReadsBackFtoa) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        std::uint64_t b = bits(rng);
        double v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) continue;
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", v);
        if (std::strpbrk(text, "fpnumkgtFPNUMKGT")) continue;
        const double expected = std::strtod(text, nullptr);
        ASSERT_EQ(Atof(text), expected) << text;
        // The same digits with a decimal comma, and after blanks and a plus sign.
        std::string comma = text, withSign = std::string(" \t+") + text;
        for (char& c : comma)
            if (c == '.') c = ',';
        ASSERT_EQ(Atof(comma.c_str(), ","), expected) << comma;
        if (v >= 0) {
            ASSERT_EQ(Atof(withSign.c_str()), expected) << withSign;
        }
        // What ftoa writes with 15 digits reads back within 15 significant digits.
        double back = Atof(Ftoa(v).c_str());
        ASSERT_NEAR(back, v, std::fabs(v) * 1e-14) << Ftoa(v);
    }
}

namespace {

// The prefix route written out plainly: separator to point, the special values, then
// strtod of the text before the first prefix letter times the letter's multiplier.
double ReferenceAtof(std::string text, const std::string& separator) {
    if (!separator.empty())
        for (size_t p = 0; (p = text.find(separator, p)) != std::string::npos; ++p)
            text.replace(p, separator.size(), ".");
    text = text.c_str();  // C functions see the text up to its first zero byte
    if (text.find('#') != std::string::npos) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (text.find("INF") != std::string::npos) return std::strtod(text.c_str(), nullptr) * DBL_MAX * DBL_MAX;
        if (text.find("NAN") != std::string::npos || text.find("IND") != std::string::npos) return std::nan("");
    }
    const size_t letter = text.find_first_of("fpnumkgtFPNUMKGT");
    if (letter == std::string::npos) return std::strtod(text.c_str(), nullptr);
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    double multiplier = 1.0;
    switch (std::toupper(static_cast<unsigned char>(text[letter]))) {
        case 'F': multiplier = 1e-15; break;
        case 'P': multiplier = 1e-12; break;
        case 'N': multiplier = 1e-9; break;
        case 'U': multiplier = 1e-6; break;
        case 'M': multiplier = upper.find("MEG") != std::string::npos ? 1e6 : 1e-3; break;
        case 'K': multiplier = 1e3; break;
        case 'G': multiplier = 1e9; break;
        case 'T': multiplier = 1e12; break;
    }
    return std::strtod(text.substr(0, letter).c_str(), nullptr) * multiplier;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

}  // namespace

// Engineering texts as the library writes them and as people type them read bit for
// bit as the plain prefix route does, whatever path the parser takes for them.
TEST(AtofEquivalence, PrefixedTextsReadAsThePlainRoute) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> exponent(-20.0, 20.0);
    const char* tails[] = {"", "V", "eg", "2", " ", "#", "x", "Meg", "EG", "e", "5"};
    const char* separators[] = {"", ".", ","};
    for (int i = 0; i < 300000; ++i) {
        const double v = (i & 1 ? -1 : 1) * std::pow(10.0, exponent(rng));
        const char* separator = separators[i % 3];
        std::string text = Ftoa(v, static_cast<short>(i % 9 - 1), i % 7 == 0, separator);
        if (i % 5 == 0) text += tails[(i / 5) % std::size(tails)];
        const CString typed(text.c_str(), static_cast<int>(text.size()));
        ASSERT_TRUE(SameBits(TBExtended_atof(typed, CString(separator)), ReferenceAtof(text, separator)))
            << '"' << text << "\" with separator \"" << separator << '"';
    }
    const char* odd[] = {"2k2",      "1.5M",    "1.5 MEG", " \t-4.7u", "- 5k",     "+-5k",   ".5u",     "5.u",
                         "1e5k",     "1e+k",    "0x1p3k",  "1,5.3k",   "1.5,3k",   "1e400k", "1e-400p", "3,3u",
                         "-1.#INFk", "1.#NANm", "7m#",     "1k#INF",   "2u#nan",   "12kMeg", "1.5mmeg", "inf",
                         "nan",      "1.5e-3",  "+.5T",    "1..5k",    "00012.50G"};
    for (const char* text : odd)
        for (const char* separator : separators)
            EXPECT_TRUE(SameBits(TBExtended_atof(CString(text), CString(separator)), ReferenceAtof(text, separator)))
                << '"' << text << "\" with separator \"" << separator << '"';
    const std::string withZero("4.7k\0#", 6);
    EXPECT_TRUE(SameBits(TBExtended_atof(CString(withZero.data(), 6), kNone), ReferenceAtof(withZero, "")));
}

TEST(IntegerHelpers, ClampedTruncationAndItoa) {
    EXPECT_EQ(TBExtended_ftol(2147483647.0), 2147483647L);
    EXPECT_EQ(TBExtended_ftol(3e9), 2147483647L);
    EXPECT_EQ(TBExtended_ftol(-2.9), -2L);
    EXPECT_EQ(TBExtended_ftol(2.9), 2L);
    EXPECT_EQ(TBExtended_ftol(-2147483648.0), -2147483648L);
    EXPECT_EQ(TBExtended_ftol(-1e300), -2147483648L);
    EXPECT_EQ(TBExtended_ftol(std::nan("")), -2147483648L);
    EXPECT_EQ(TBExtended_ftoi(2147483646.7), 2147483646);
    EXPECT_EQ(TBExtended_ftoi(-2147483647.9), -2147483647);
    EXPECT_EQ(TBExtended_itoa(0), "0");
    EXPECT_EQ(TBExtended_itoa(-42), "-42");
    EXPECT_EQ(TBExtended_itoa(INT32_MIN), "-2147483648");
    EXPECT_EQ(TBExtended_atoi(CString(" 17abc")), 17);
    EXPECT_EQ(TBExtended_atoi(CString("x")), 0);
    EXPECT_EQ(TBExtended_atoi(CString("99999999999")), 2147483647);
    EXPECT_EQ(TBExtended_atoi(CString("-99999999999")), -2147483647 - 1);
}
