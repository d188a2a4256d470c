// The layout of an archive's entries, for refusing entries whose data overlap.
#include "zip/entry_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <set>

namespace tbzip {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22, kZip64LocatorSize = 20, kZip64EndSize = 56;
constexpr std::size_t kCentralSize = 46, kLocalSize = 30;
constexpr std::uint32_t kInZip64 = 0xFFFFFFFFu;

std::uint64_t Little(const unsigned char* p, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

std::uint64_t AddCapped(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

struct Directory {
    std::uint64_t count = 0, offset = 0, size = 0;
};

struct Span {
    std::uint64_t begin, end;
    std::size_t entry;
};

// The directory an end record at position announces, through the zip64 end record
// when the locator precedes it.
bool ReadDirectoryAt(const ReadArchiveBytes& read, std::uint64_t position, Directory& directory) {
    unsigned char end[kEndSize];
    if (!read(position, end, sizeof end) || Little(end, 4) != kEndSignature) return false;
    directory.count = Little(end + 10, 2);
    directory.size = Little(end + 12, 4);
    directory.offset = Little(end + 16, 4);
    unsigned char locator[kZip64LocatorSize];
    if (position < kZip64LocatorSize || !read(position - kZip64LocatorSize, locator, sizeof locator) ||
        Little(locator, 4) != kZip64LocatorSignature)
        return true;
    unsigned char end64[kZip64EndSize];
    if (!read(Little(locator + 8, 8), end64, sizeof end64) || Little(end64, 4) != kZip64EndSignature) return false;
    directory.count = Little(end64 + 32, 8);
    directory.size = Little(end64 + 40, 8);
    directory.offset = Little(end64 + 48, 8);
    return true;
}

// The zip64 extra field holds, in this order, the values the fixed fields mark as
// kInZip64: uncompressed size, compressed size, local header offset.
bool ApplyZip64Extra(const std::vector<unsigned char>& extra, bool uncompressedIn64, std::uint64_t& compressed,
                     std::uint64_t& offset) {
    const bool compressedIn64 = compressed == kInZip64, offsetIn64 = offset == kInZip64;
    if (!compressedIn64 && !offsetIn64) return true;
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const std::uint64_t id = Little(&extra[at], 2), length = Little(&extra[at + 2], 2);
        if (at + 4 + length > extra.size()) return false;
        if (id == 1) {
            std::size_t field = at + 4;
            const std::size_t end = field + length;
            if (uncompressedIn64) field += 8;
            if (compressedIn64) {
                if (field + 8 > end) return false;
                compressed = Little(&extra[field], 8);
                field += 8;
            }
            if (offsetIn64) {
                if (field + 8 > end) return false;
                offset = Little(&extra[field], 8);
            }
            return true;
        }
        at += 4 + length;
    }
    return false;
}

// The bytes of one entry: its local header up to the end of its data. When the local
// header cannot be read the entry cannot be extracted anyway; its span then assumes a
// header without name or extra field.
Span EntrySpan(const ReadArchiveBytes& read, std::uint64_t offset, std::uint64_t compressed, std::size_t entry) {
    unsigned char local[kLocalSize];
    std::uint64_t dataStart = AddCapped(offset, kLocalSize);
    if (read(offset, local, sizeof local) && Little(local, 4) == kLocalSignature)
        dataStart = AddCapped(dataStart, Little(local + 26, 2) + Little(local + 28, 2));
    return Span{offset, AddCapped(dataStart, compressed), entry};
}

bool ReadSpans(const ReadArchiveBytes& read, std::uint64_t archiveSize, const Directory& directory,
               std::vector<Span>& spans) {
    const std::uint64_t directoryEnd = AddCapped(directory.offset, directory.size);
    if (directoryEnd > archiveSize || directory.count > directory.size / kCentralSize) return false;
    spans.clear();
    spans.reserve(static_cast<std::size_t>(directory.count));
    std::uint64_t at = directory.offset;
    for (std::uint64_t i = 0; i < directory.count; ++i) {
        unsigned char header[kCentralSize];
        if (at + kCentralSize > directoryEnd || !read(at, header, sizeof header) ||
            Little(header, 4) != kCentralSignature)
            return false;
        std::uint64_t compressed = Little(header + 20, 4), offset = Little(header + 42, 4);
        const bool uncompressedIn64 = Little(header + 24, 4) == kInZip64;
        const std::uint64_t nameLength = Little(header + 28, 2), extraLength = Little(header + 30, 2),
                            commentLength = Little(header + 32, 2);
        const std::uint64_t next = at + kCentralSize + nameLength + extraLength + commentLength;
        if (next > directoryEnd) return false;
        std::vector<unsigned char> extra(static_cast<std::size_t>(extraLength));
        if (!extra.empty() && !read(at + kCentralSize + nameLength, extra.data(), extra.size())) return false;
        if (!ApplyZip64Extra(extra, uncompressedIn64, compressed, offset)) return false;
        spans.push_back(EntrySpan(read, offset, compressed, static_cast<std::size_t>(i)));
        at = next;
    }
    return true;
}

// Marks the entries whose spans overlap: in order of their start, an entry overlaps an
// earlier one exactly when it starts before the furthest end so far, and that end's
// owner overlaps it too.
void MarkOverlaps(std::vector<Span> spans, std::vector<bool>& overlapping) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    const Span* furthest = nullptr;
    for (const Span& span : spans) {
        if (furthest && span.begin < furthest->end) {
            overlapping[span.entry] = true;
            overlapping[furthest->entry] = true;
        }
        if (!furthest || span.end > furthest->end) furthest = &span;
    }
}

}  // namespace

// Every end record in the last 64 KiB is a candidate (a comment may hold more than one,
// and the zip library may pick another than the last): each distinct directory with the
// expected number of entries is checked, so no choice of directory hides an overlap.
bool FindOverlappingEntries(const ReadArchiveBytes& read, std::uint64_t archiveSize, std::uint64_t expectedCount,
                            std::vector<bool>& overlapping) {
    if (archiveSize < kEndSize) return false;
    const std::uint64_t lowest = archiveSize > kEndSize + 0xFFFF ? archiveSize - kEndSize - 0xFFFF : 0;
    std::vector<unsigned char> tail(static_cast<std::size_t>(archiveSize - lowest));
    if (!read(lowest, tail.data(), tail.size())) return false;
    overlapping.assign(static_cast<std::size_t>(expectedCount), false);
    std::set<std::uint64_t> checked;
    std::vector<Span> spans;
    bool found = false;
    for (std::size_t at = tail.size() - kEndSize + 1; at-- > 0;) {
        if (Little(&tail[at], 4) != kEndSignature) continue;
        Directory directory;
        if (!ReadDirectoryAt(read, lowest + at, directory) || directory.count != expectedCount ||
            !checked.insert(directory.offset).second || !ReadSpans(read, archiveSize, directory, spans))
            continue;
        MarkOverlaps(spans, overlapping);
        found = true;
    }
    return found;
}

}  // namespace tbzip
