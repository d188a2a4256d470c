// XXencode codec. Encoding works line by line (45 bytes per full line); decoding reads
// a length character, then the groups of that line, and stops at the first length
// character that decodes to 0. Characters are looked up by their low 7 bits, so a
// character outside the alphabet decodes as 0. Every decoder checks the text that is
// really there: a line that runs past the end of the text yields its complete groups
// and ends the decoding, and no output is written beyond strlen(text) / 4 * 3 bytes.
#include <toolbox/services/xxcode.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr char kAlphabet[] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr size_t kLineBytes = 45;
// Streams are worked in blocks of whole lines.
constexpr size_t kLinesPerBlock = 1024;
constexpr size_t kTextBlock = 1 << 16;

struct DecodeTable {
    unsigned char value[256];
    constexpr DecodeTable() : value() {
        for (int c = 0; c < 256; ++c) {
            value[c] = 0;
            for (int k = 0; k < 64; ++k)
                if (kAlphabet[k] == (c & 0x7f)) value[c] = static_cast<unsigned char>(k);
        }
    }
};
constexpr DecodeTable kDecode;

inline unsigned Decoded(unsigned char c) { return kDecode.value[c]; }

inline char* EncodeGroup(const unsigned char* b, char* out) {
    out[0] = kAlphabet[b[0] >> 2];
    out[1] = kAlphabet[((b[0] & 3) << 4) | (b[1] >> 4)];
    out[2] = kAlphabet[((b[1] & 15) << 2) | (b[2] >> 6)];
    out[3] = kAlphabet[b[2] & 63];
    return out + 4;
}

inline unsigned char* DecodeGroup(const unsigned char* c, unsigned char* out, size_t bytes) {
    std::uint32_t v = (Decoded(c[0]) << 18) | (Decoded(c[1]) << 12) | (Decoded(c[2]) << 6) | Decoded(c[3]);
    unsigned char b[3] = {static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v)};
    if (bytes >= 3) {
        out[0] = b[0];
        out[1] = b[1];
        out[2] = b[2];
        return out + 3;
    }
    for (size_t k = 0; k < bytes; ++k) out[k] = b[k];
    return out + bytes;
}

/// Text length of one line of count bytes (count <= 63).
inline size_t LineTextLength(size_t count) { return 1 + 4 * ((count + 2) / 3); }

/// Writes the line of count bytes (at most 45) and returns the end of its text.
char* EncodeLine(const unsigned char* data, size_t count, char* out) {
    *out++ = kAlphabet[count];
    size_t full = count / 3;
    for (size_t g = 0; g < full; ++g) out = EncodeGroup(data + 3 * g, out);
    size_t rest = count - 3 * full;
    if (rest) {
        unsigned char last[3] = {0, 0, 0};
        std::memcpy(last, data + 3 * full, rest);
        out = EncodeGroup(last, out);
    }
    return out;
}

/// Encodes size bytes as lines of 45 and a shorter last line; returns the text end.
char* EncodeLines(const unsigned char* data, size_t size, char* out) {
    size_t pos = 0;
    for (; size - pos >= kLineBytes; pos += kLineBytes) out = EncodeLine(data + pos, kLineBytes, out);
    if (pos < size) out = EncodeLine(data + pos, size - pos, out);
    return out;
}

/// Text length of EncodeLines over size bytes.
size_t LinesTextLength(size_t size) {
    size_t rest = size % kLineBytes;
    return size / kLineBytes * LineTextLength(kLineBytes) + (rest ? LineTextLength(rest) : 0);
}

struct DecodeStep {
    size_t consumed = 0;    // characters used from the text
    bool finished = false;  // an end line was met, or the text ended inside a line
};

/// Decodes whole lines of text[0, size) into out (which advances). When more text may
/// follow (atEnd false) an incomplete last line is left unconsumed; at the end of the
/// text it yields its complete groups and finishes the decoding. Output never exceeds
/// 3 bytes per 4 consumed characters.
DecodeStep DecodeLines(const unsigned char* text, size_t size, bool atEnd, unsigned char*& out) {
    DecodeStep step;
    size_t pos = 0;
    while (pos < size) {
        size_t count = Decoded(text[pos]);
        if (count == 0) {
            step.finished = true;
            pos += 1;
            break;
        }
        size_t groups = (count + 2) / 3;
        size_t need = 1 + 4 * groups;
        const unsigned char* chars = text + pos + 1;
        if (size - pos < need) {
            if (!atEnd) break;
            size_t complete = (size - pos - 1) / 4;  // fewer than groups, so all of them are full
            for (size_t g = 0; g < complete; ++g) out = DecodeGroup(chars + 4 * g, out, 3);
            pos = size;
            step.finished = true;
            break;
        }
        for (size_t g = 0; g + 1 < groups; ++g) out = DecodeGroup(chars + 4 * g, out, 3);
        out = DecodeGroup(chars + 4 * (groups - 1), out, count - 3 * (groups - 1));
        pos += need;
    }
    step.consumed = pos;
    return step;
}

/// Encodes the rest of a stream, handing each block of text to sink(text, length),
/// which returns false to give up. Returns false on a read error or a refusal.
template <class Sink>
bool EncodeStream(FILE* in, Sink sink) {
    if (std::feof(in)) return true;
    const size_t blockBytes = kLinesPerBlock * kLineBytes;
    std::vector<unsigned char> data(blockBytes);
    std::vector<char> text(LinesTextLength(blockBytes) + 1);
    for (;;) {
        size_t got = std::fread(data.data(), 1, blockBytes, in);
        char* end = EncodeLines(data.data(), got, text.data());
        bool last = got < blockBytes;
        // A stream that ends on a line boundary gets the end line; one that ends with
        // a short line does not.
        if (last && got % kLineBytes == 0) *end++ = kAlphabet[0];
        if (!sink(text.data(), static_cast<size_t>(end - text.data()))) return false;
        if (last) return !std::ferror(in);
    }
}

/// Large output buffers are filled once from front to back; on Linux huge pages spare
/// the thousands of page faults that dominate filling fresh memory of that size.
void PreferHugePages(void* buffer, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::uintptr_t huge = 2u << 20;
    if (size < 4 * huge) return;
    std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(buffer) + huge - 1) & ~(huge - 1);
    std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(huge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)size;
#endif
}

bool WriteAll(FILE* out, const void* data, size_t size) { return size == 0 || std::fwrite(data, 1, size, out) == size; }

/// Decodes text[0, size) (no more follows) into out in bounded blocks.
bool DecodeTextToFile(const unsigned char* text, size_t size, FILE* out) {
    std::vector<unsigned char> bytes(kTextBlock / 4 * 3 + 3);
    size_t pos = 0;
    while (pos < size) {
        size_t take = size - pos < kTextBlock ? size - pos : kTextBlock;
        unsigned char* end = bytes.data();
        DecodeStep step = DecodeLines(text + pos, take, pos + take == size, end);
        if (!WriteAll(out, bytes.data(), static_cast<size_t>(end - bytes.data()))) return false;
        if (step.finished) break;
        pos += step.consumed;
    }
    return true;
}

}  // namespace

CString& CTBXXCode::ResultString() {
    static CString result;
    return result;
}

int CTBXXCode::xxe_EncodeFileToFile(FILE* in, FILE* out) {
    if (!in || !out) return 0;
    return EncodeStream(in, [out](const char* text, size_t size) { return WriteAll(out, text, size); }) ? 1 : 0;
}

const CString& CTBXXCode::xxe_EncodeFileToString(FILE* in) {
    CString& result = ResultString();
    result.Empty();
    if (!in) return result;
    std::string text;
    bool ok = EncodeStream(in, [&text](const char* block, size_t size) {
        if (size > static_cast<size_t>(INT_MAX) - text.size()) return false;
        text.append(block, size);
        return true;
    });
    if (ok) result = CString(std::move(text));
    return result;
}

const CString& CTBXXCode::xxe_Encode(unsigned char* data, long length) {
    CString& result = ResultString();
    result.Empty();
    if (length < 0 || (!data && length > 0)) return result;
    size_t size = static_cast<size_t>(length);
    // Text length: the lines plus the end line; refuse what a string cannot hold.
    if (size / 3 > static_cast<size_t>(INT_MAX) / 4) return result;
    size_t textLength = LinesTextLength(size) + 1;
    if (textLength > static_cast<size_t>(INT_MAX)) return result;
    char* text = result.GetBufferSetLength(static_cast<int>(textLength));
    char* end = size ? EncodeLines(data, size, text) : text;
    *end = kAlphabet[0];
    return result;
}

int CTBXXCode::xxe_DecodeFileToFile(FILE* in, FILE* out) {
    if (!in || !out) return 0;
    // Text is read in blocks; an incomplete line at the end of a block is carried to
    // the front of the next one.
    std::vector<unsigned char> text(kTextBlock + LineTextLength(63));
    std::vector<unsigned char> bytes(text.size() / 4 * 3 + 3);
    size_t carried = 0;
    for (;;) {
        size_t got = std::fread(text.data() + carried, 1, text.size() - carried, in);
        size_t size = carried + got;
        bool atEnd = carried + got < text.size();
        unsigned char* end = bytes.data();
        DecodeStep step = DecodeLines(text.data(), size, atEnd, end);
        if (!WriteAll(out, bytes.data(), static_cast<size_t>(end - bytes.data()))) return 0;
        if (step.finished || atEnd) return std::ferror(in) ? 0 : 1;
        carried = size - step.consumed;
        std::memmove(text.data(), text.data() + step.consumed, carried);
    }
}

int CTBXXCode::xxe_DecodeCStringToFile(const char* text, FILE* out) {
    if (!text || !out) return 0;
    return DecodeTextToFile(reinterpret_cast<const unsigned char*>(text), std::strlen(text), out) ? 1 : 0;
}

int CTBXXCode::xxe_Decode(const char* text, long& length, unsigned char*& data) {
    length = 0;
    data = nullptr;
    if (!text) return 0;
    size_t size = std::strlen(text);
    unsigned char* buffer = new (std::nothrow) unsigned char[size / 4 * 3 + 1];
    if (!buffer) return 0;
    PreferHugePages(buffer, size / 4 * 3);
    unsigned char* end = buffer;
    DecodeLines(reinterpret_cast<const unsigned char*>(text), size, true, end);
    data = buffer;
    length = static_cast<long>(end - buffer);
    return 1;
}

void CTBXXCode::outencFile(const unsigned char* group, FILE* out) {
    char text[4];
    EncodeGroup(group, text);
    WriteAll(out, text, 4);
}

void CTBXXCode::outencString(const unsigned char* group, CString& text) {
    char chars[4];
    EncodeGroup(group, chars);
    text.Append(chars, 4);
}

void CTBXXCode::outencString(const unsigned char* group) { outencString(group, ResultString()); }

void CTBXXCode::outdecFile(const char* chars, int count, FILE* out) {
    unsigned char bytes[3];
    unsigned char* end =
        DecodeGroup(reinterpret_cast<const unsigned char*>(chars), bytes, count > 0 ? static_cast<size_t>(count) : 0);
    WriteAll(out, bytes, static_cast<size_t>(end - bytes));
}

void CTBXXCode::outdecString(const char* chars, int count, CString& bytes) {
    unsigned char group[3];
    unsigned char* end =
        DecodeGroup(reinterpret_cast<const unsigned char*>(chars), group, count > 0 ? static_cast<size_t>(count) : 0);
    bytes.Append(reinterpret_cast<const char*>(group), static_cast<int>(end - group));
}

void CTBXXCode::outdecBuffer(const char* chars, int count, unsigned char* buffer) {
    DecodeGroup(reinterpret_cast<const unsigned char*>(chars), buffer, count > 0 ? static_cast<size_t>(count) : 0);
}
