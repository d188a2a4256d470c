// The /proc maps reader: hand-written number parsing, no allocation, no locale.
#include "crash/proc_maps.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a hexadecimal number at text[pos..end); false when there is no digit or it
// does not fit 64 bits.
bool ReadHex(const char* text, std::size_t& pos, std::size_t end, std::uint64_t& value) {
    value = 0;
    std::size_t first = pos;
    while (pos < end && HexDigit(text[pos]) >= 0) {
        if (pos - first >= 16) return false;
        value = (value << 4) | static_cast<std::uint64_t>(HexDigit(text[pos]));
        ++pos;
    }
    return pos > first;
}

bool Expect(const char* text, std::size_t& pos, std::size_t end, char c) {
    if (pos >= end || text[pos] != c) return false;
    ++pos;
    return true;
}

void SkipBlanks(const char* text, std::size_t& pos, std::size_t end) {
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

bool SkipField(const char* text, std::size_t& pos, std::size_t end) {
    std::size_t first = pos;
    while (pos < end && text[pos] != ' ' && text[pos] != '\t') ++pos;
    return pos > first;
}

bool ParseLine(const char* text, std::size_t pos, std::size_t end, TBMapping& m) {
    if (!ReadHex(text, pos, end, m.start) || !Expect(text, pos, end, '-') || !ReadHex(text, pos, end, m.end) ||
        m.end < m.start)
        return false;
    SkipBlanks(text, pos, end);
    if (end - pos < 4) return false;
    m.readable = text[pos] == 'r';
    m.writable = text[pos + 1] == 'w';
    m.executable = text[pos + 2] == 'x';
    pos += 4;
    SkipBlanks(text, pos, end);
    if (!ReadHex(text, pos, end, m.offset)) return false;
    SkipBlanks(text, pos, end);
    if (!SkipField(text, pos, end)) return false;  // device
    SkipBlanks(text, pos, end);
    if (!SkipField(text, pos, end)) return false;  // inode
    SkipBlanks(text, pos, end);
    m.pathOffset = pos;
    m.pathLength = end - pos;
    return true;
}

bool SamePath(const char* text, const TBMapping& a, std::size_t offset, std::size_t length) {
    if (a.pathLength != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (text[a.pathOffset + i] != text[offset + i]) return false;
    return true;
}

}  // namespace

int TBParseMaps(const char* text, std::size_t length, TBMapping* out, int capacity) {
    int count = 0;
    std::size_t pos = 0;
    while (pos < length && count < capacity) {
        std::size_t end = pos;
        while (end < length && text[end] != '\n') ++end;
        TBMapping m;
        if (ParseLine(text, pos, end, m)) out[count++] = m;
        pos = end + 1;
    }
    return count;
}

int TBModulesFromMappings(const char* text, const TBMapping* mappings, int count, TBModuleRange* out, int capacity) {
    int modules = 0;
    for (int i = 0; i < count; ++i) {
        const TBMapping& m = mappings[i];
        if (m.pathLength == 0 || text[m.pathOffset] != '/') continue;
        bool extended = false;
        // Later mappings of a file extend the module begun at its offset-0 mapping.
        for (int k = modules - 1; k >= 0 && k >= modules - 8; --k) {
            if (SamePath(text, m, out[k].pathOffset, out[k].pathLength) && m.start >= out[k].base) {
                if (m.end > out[k].end) out[k].end = m.end;
                extended = true;
                break;
            }
        }
        if (extended || m.offset != 0 || modules >= capacity) continue;
        out[modules].base = m.start;
        out[modules].end = m.end;
        out[modules].pathOffset = m.pathOffset;
        out[modules].pathLength = m.pathLength;
        ++modules;
    }
    return modules;
}

std::size_t TBReadWholeFile(const char* path, char* buffer, std::size_t capacity) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t used = 0;
    while (used < capacity) {
        ssize_t n = read(fd, buffer + used, capacity - used);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        used += static_cast<std::size_t>(n);
    }
    close(fd);
    return used;
}
