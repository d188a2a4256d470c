#include "tests/support/files.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbtest {

ScratchDir::ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    m_path = std::string(base && *base ? base : "/tmp") + "/tbtest.XXXXXX";
    if (!mkdtemp(m_path.data())) m_path.clear();
}

ScratchDir::~ScratchDir() {
    if (m_path.empty()) return;
    // Tests take permissions away to provoke errors: give them back before removing.
    ::chmod(m_path.c_str(), 0700);
    nftw(
        m_path.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) {
            ::chmod(path, 0700);
            return ::remove(path);
        },
        16, FTW_DEPTH | FTW_PHYS);
}

std::string TempPath(const std::string& name) {
    static const ScratchDir dir;
    return dir / name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

}  // namespace tbtest
