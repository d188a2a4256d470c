// Running a piece of a test in a forked child: for faults that end the process (a
// crash, an escaped exception) and for limits that must not touch the test program
// (a smaller address space, the peak memory of one call).
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tbtest {

/// The sanitizers reserve address space and keep freed memory in quarantine: limits
/// and peaks of the address space mean nothing under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif
#else
constexpr bool kUnderSanitizer = false;
#endif

/// Runs body in a forked child: its return value as the exit code, 126 when an
/// exception left it, or 128 + the signal that ended it (an abort, a crash); -1 when
/// the child could not start.
inline int ExitCodeInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        try {
            _exit(body());
        } catch (...) {
            _exit(126);
        }
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

/// Bytes of address space the process uses now (from /proc/self/statm).
inline std::size_t AddressSpaceInUse() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long pages = 0;
    const int read = std::fscanf(f, "%lu", &pages);
    std::fclose(f);
    return read == 1 ? pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

/// Lets the process map only `extra` more bytes: larger allocations fail from now on.
inline bool LimitAddressSpace(std::size_t extra) {
    const std::size_t used = AddressSpaceInUse();
    if (!used) return false;
    const rlimit limit{used + extra, used + extra};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

/// Takes all the memory malloc can still hand out (free space the heap already holds
/// included), then gives back `spare` bytes in pieces of 64 KB: afterwards small
/// allocations succeed and any single one much larger than `spare` fails. For a
/// child after LimitAddressSpace; the memory is never given back.
inline void TakeAllMemoryBut(std::size_t spare) {
    std::vector<void*> pieces;
    pieces.reserve(std::size_t(1) << 16);
    for (std::size_t size : {std::size_t(64) << 10, std::size_t(4) << 10, std::size_t(256)})
        while (void* p = std::malloc(size)) {
            if (size == (std::size_t(64) << 10)) pieces.push_back(p);
        }
    for (std::size_t i = 0; i < pieces.size() && i * (std::size_t(64) << 10) < spare; ++i) std::free(pieces[i]);
}

/// Peak resident memory of the process so far, in bytes.
inline std::size_t PeakResident() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

}  // namespace tbtest
