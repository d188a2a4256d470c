// Text of workbooks: BIFF2 to BIFF5 store 8-bit text in the workbook's code page
// (Windows-1252 almost always), BIFF8 stores UTF-16 (or its Latin-1 subset one byte a
// character). Inside the library text is UTF-8.
#include "exchange/tables/xls/xls_biff.h"

#include <cstdio>
#include <iconv.h>

namespace tb_xls {

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
const std::uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Next code point of UTF-8 text; malformed sequences give U+FFFD and advance one byte.
std::uint32_t NextCodePoint(const std::string& s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    std::uint32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((d & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return 0xFFFD;
    return cp;
}

CString DecodeWindows1252(const unsigned char* bytes, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        unsigned char b = bytes[i];
        if (b < 0x80)
            out += static_cast<char>(b);
        else if (b < 0xA0)
            AppendCodePoint(out, kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : 0xFFFD);
        else
            AppendCodePoint(out, b);
    }
    return CString(std::move(out));
}

// Other code pages through iconv; Windows-1252 when iconv does not know the page.
CString DecodeWithIconv(const unsigned char* bytes, size_t count, const char* charset) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return DecodeWindows1252(bytes, count);
    std::string out(count * 4 + 4, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    size_t inLeft = count;
    char* dst = &out[0];
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
            if (outLeft < 3) break;
            // An invalid byte: write U+FFFD and go on after it.
            *dst++ = '\xEF';
            *dst++ = '\xBF';
            *dst++ = '\xBD';
            outLeft -= 3;
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return CString(std::move(out));
}

}  // namespace

CString DecodeCodePage(const unsigned char* bytes, size_t count, int codePage) {
    switch (codePage) {
        case 1252:
        case 0x8001:
        case 0:
        case 367:
        case 1200: return DecodeWindows1252(bytes, count);
        case 0x8000:
        case 10000: return DecodeWithIconv(bytes, count, "MACINTOSH");
        default: {
            char name[16];
            std::snprintf(name, sizeof name, "CP%d", codePage);
            return DecodeWithIconv(bytes, count, name);
        }
    }
}

std::string EncodeWindows1252(const CString& text) {
    const std::string& s = text.str();
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        std::uint32_t cp = NextCodePoint(s, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == cp) mapped = static_cast<char>(0x80 + k);
        out += mapped;
    }
    return out;
}

void AppendUtf16(std::string& out, const std::uint16_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        std::uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, u);
        }
    }
}

std::u16string Utf8ToUtf16(const CString& text) {
    const std::string& s = text.str();
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        std::uint32_t cp = NextCodePoint(s, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

}  // namespace tb_xls
