// Helpers of the exchange tests: a scratch directory and whole-file access.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/tbx-exchange-test-XXXXXX";
        m_path = mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~ScratchDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
