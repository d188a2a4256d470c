// Shared by the fuzz targets that hand their input to a reader of files: scratch files
// in memory-backed /dev/shm (or /tmp), one per target and extension, removed at exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

namespace fuzz_input {

inline std::set<std::string>& ScratchFiles() {
    static std::set<std::string> files;
    return files;
}

inline void RemoveScratchFiles() {
    for (const std::string& path : ScratchFiles()) std::remove(path.c_str());
}

/// The scratch file of this process for target with extension (".cfg"), removed at exit.
inline std::string ScratchFile(const char* target, const char* extension) {
    static const std::string base =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_" + std::to_string(getpid()) + "_";
    if (ScratchFiles().empty()) std::atexit(RemoveScratchFiles);
    const std::string path = base + target + extension;
    ScratchFiles().insert(path);
    return path;
}

inline bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    return std::fclose(f) == 0;
}

}  // namespace fuzz_input
