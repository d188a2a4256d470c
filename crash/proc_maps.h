// Reading the kernel's memory map text (/proc/PID/maps) without allocating, so the
// crash handler can use it inside a signal handler; the reporter uses the same reader.
#pragma once

#include <toolbox/types/windef.h>

#include <cstddef>
#include <cstdint>

/// One line of a maps text. The path is a range of the text (not terminated).
struct TBMapping {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint64_t offset = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    std::size_t pathOffset = 0;
    std::size_t pathLength = 0;
};

/// One loaded file: its first mapping (file offset 0) up to the end of its last mapping.
struct TBModuleRange {
    std::uint64_t base = 0;
    std::uint64_t end = 0;
    std::size_t pathOffset = 0;
    std::size_t pathLength = 0;
};

/// Parses up to capacity lines of text into out and returns how many were parsed.
/// Malformed lines are skipped; a last line without newline is taken when complete.
/// Async-signal-safe: no allocation, no locale.
int TBParseMaps(const char* text, std::size_t length, TBMapping* out, int capacity);

/// Groups parsed mappings into loaded files: a mapping of an absolute path at file
/// offset 0 starts a module, later mappings of the same path extend it. Returns how many
/// were written to out (at most capacity). Async-signal-safe.
int TBModulesFromMappings(const char* text, const TBMapping* mappings, int count, TBModuleRange* out, int capacity);

/// Reads a whole file with read(2) into buffer (at most capacity bytes) and returns the
/// number of bytes, 0 when it cannot be read. Async-signal-safe.
std::size_t TBReadWholeFile(const char* path, char* buffer, std::size_t capacity);
