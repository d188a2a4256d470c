// The Jet text codec and header mask; see jet_codec.h.
#include "exchange/tables/jet/jet_codec.h"

#include "platform/types/byte_order.h"

#include <utility>
#include <vector>

namespace {

using tb_bytes::AppendU16;
using tb_bytes::LoadU16;

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Windows-1252 bytes 0x80-0x9F; the rest maps to the same code point.
const std::uint16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                       0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void ApplyRc4(const std::uint8_t* key, int keyLength, std::uint8_t* data, int length) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

}  // namespace

void TBJetMaskHeader(std::uint8_t* data, int length) {
    static const std::uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    ApplyRc4(key, 4, data, length);
}

std::string TBJetUtf16Bytes(const std::u16string& text) {
    std::string s;
    s.reserve(text.size() * 2);
    for (char16_t c : text) AppendU16(s, c);
    return s;
}

std::string TBJet3DecodeText(const std::uint8_t* data, int size) {
    std::string out;
    for (int i = 0; i < size; ++i) {
        const std::uint8_t c = data[i];
        AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
    return out;
}

std::string TBJet4DecodeText(const std::uint8_t* data, int size) {
    if (!data || size <= 0) return std::string();
    std::vector<std::uint16_t> units;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // Compressed: one byte per character, a 0 byte switches to and from two-byte runs.
        bool compressed = true;
        int i = 2;
        while (i < size) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(data[i++]);
            } else if (i + 1 < size) {
                units.push_back(static_cast<std::uint16_t>(LoadU16(data + i)));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (int i = 0; i + 1 < size; i += 2) units.push_back(static_cast<std::uint16_t>(LoadU16(data + i)));
    }
    return Utf16ToUtf8(units);
}

std::u16string TBUtf8ToUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            const std::size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            std::uint32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
            std::size_t k = 1;
            for (; k < need && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) v = (v << 6) | (s[i + k] & 0x3F);
            if (k == need) {
                const bool overlong = (need == 3 && v < 0x800) || (need == 4 && v < 0x10000);
                const bool surrogate = v >= 0xD800 && v <= 0xDFFF;
                if (!overlong && !surrogate && v <= 0x10FFFF) {
                    cp = v;
                    len = need;
                }
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string TBJet4EncodeText(const std::u16string& text) {
    const std::string plain = TBJetUtf16Bytes(text);
    // A character whose low byte is 0 reads as a mode switch in the compressed form,
    // and the plain form must not start with the compression marker.
    for (char16_t c : text)
        if ((c & 0xFF) == 0) return plain;
    std::string packed("\xFF\xFE", 2);
    bool compressed = true;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool small = text[i] < 0x100;
        std::size_t j = i;
        while (j < text.size() && (text[j] < 0x100) == small) ++j;
        const std::size_t run = j - i;
        if (small) {
            // Inside a two-byte stretch, switching costs one byte each way.
            const bool last = j == text.size();
            const bool switchMode = !compressed && (run > 2 || (last && run > 1));
            if (!compressed && switchMode) {
                packed.push_back('\0');
                compressed = true;
            }
            for (std::size_t k = i; k < j; ++k) {
                if (compressed)
                    packed.push_back(static_cast<char>(text[k]));
                else
                    AppendU16(packed, text[k]);
            }
        } else {
            if (compressed) {
                packed.push_back('\0');
                compressed = false;
            }
            for (std::size_t k = i; k < j; ++k) AppendU16(packed, text[k]);
        }
        i = j;
    }
    const bool startsWithMarker = plain.size() >= 2 && plain[0] == '\xFF' && plain[1] == '\xFE';
    if (packed.size() < plain.size() || startsWithMarker) return packed;
    return plain;
}
