// Where each entry's bytes lie in an archive, read from its central directory and
// local headers: an archive whose entries share data (one compressed block named by
// many entries, or entries nested in another's data) makes a small file inflate into
// far more than its size, and no archive written for real does that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tbzip {

/// Reads size bytes at offset into buffer; false when they are not all there.
using ReadArchiveBytes = std::function<bool(std::uint64_t offset, void* buffer, std::size_t size)>;

/// For each entry of the central directory, in its order: whether its local header and
/// data overlap those of another entry. False when the directory cannot be read or does
/// not hold expectedCount entries.
bool FindOverlappingEntries(const ReadArchiveBytes& read, std::uint64_t archiveSize, std::uint64_t expectedCount,
                            std::vector<bool>& overlapping);

}  // namespace tbzip
