// Scratch directories and small file helpers for the services tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

/// A fresh directory below $TMPDIR (or /tmp), removed with its content at the end.
class ScratchDir {
public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tbtest.XXXXXX";
        m_path = pattern;
        if (!mkdtemp(m_path.data())) m_path.clear();
    }
    ~ScratchDir() {
        if (m_path.empty()) return;
        ::chmod(m_path.c_str(), 0700);
        nftw(
            m_path.c_str(),
            [](const char* p, const struct stat*, int, struct FTW*) {
                ::chmod(p, 0700);
                return ::remove(p);
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool Exists(const std::string& path) {
    struct stat s;
    return ::lstat(path.c_str(), &s) == 0;
}

/// Moves the modification time of path by seconds (a change another program made).
inline void Touch(const std::string& path, int seconds) {
    struct stat s;
    ASSERT_EQ(::stat(path.c_str(), &s), 0);
    struct timespec times[2] = {s.st_atim, s.st_mtim};
    times[1].tv_sec += seconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}
