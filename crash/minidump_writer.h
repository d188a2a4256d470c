// The memory dump of a crashed process in the minidump (MDMP) format: system
// information, the exception, the crashing thread with its register context and stack
// memory, the loaded modules with their build ids, and the raw memory map and process
// status as Linux streams. Written with raw write(2) from buffers reserved in advance,
// so it runs inside a signal handler.
#pragma once

#include "crash/proc_maps.h"

#include <cstddef>
#include <cstdint>

/// Everything the dump writer needs, reserved before any crash.
struct TBMinidumpScratch {
    static constexpr std::size_t kMapsCapacity = 1u << 20;
    static constexpr int kMaxMappings = 8192;
    static constexpr int kMaxModules = 1024;
    static constexpr std::size_t kStatusCapacity = 16384;
    static constexpr std::size_t kOutCapacity = 65536;
    char maps[kMapsCapacity];
    char status[kStatusCapacity];
    TBMapping mappings[kMaxMappings];
    TBModuleRange modules[kMaxModules];
    unsigned char buildIds[kMaxModules][40];
    unsigned char buildIdLength[kMaxModules];
    unsigned char out[kOutCapacity];
    int processorCount;
};

/// The crash as the signal handler saw it.
struct TBMinidumpCrash {
    int signal = 0;  ///< 0: no exception (a report made on request)
    int signalCode = 0;
    std::uint64_t faultAddress = 0;
    const void* ucontext = nullptr;  ///< ucontext_t* of the crashing thread, or null
};

/// Writes the dump to fd (positioned at 0). Returns true when every byte was written.
/// Async-signal-safe.
bool TBWriteMinidump(int fd, const TBMinidumpCrash& crash, TBMinidumpScratch& scratch);
