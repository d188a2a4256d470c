// Safe extraction paths for the zip layer.
#include "zip/extract_path.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbzip {

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool MakeFoldersBelow(const std::string& root, const std::string& relative, std::string& error) {
    std::string path = root;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        path += "/" + part;
        if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "Cannot create the folder \"" + path + "\": " + std::strerror(errno);
            return false;
        }
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            error = "\"" + path + "\" is a link or not a folder";
            return false;
        }
    }
    return true;
}

namespace {

bool IsRefusedTarget(const std::string& path, std::string& error) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return false;
        error = "Cannot create \"" + path + "\": " + std::strerror(errno);
        return true;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "Cannot create \"" + path + "\": it exists as a link or not as a file";
        return true;
    }
    // Asks the system whether the file may be written, without truncating it.
    const int probe = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) {
        error = "Cannot create \"" + path + "\": " + std::strerror(errno);
        return true;
    }
    close(probe);
    return false;
}

}  // namespace

StagedFile::~StagedFile() { Abandon(); }

bool StagedFile::Open(const std::string& root, const std::string& relative, std::string& error) {
    Abandon();
    const std::string target = root + "/" + relative;
    if (IsRefusedTarget(target, error)) return false;
    const size_t slash = target.rfind('/');
    const std::string folder = target.substr(0, slash + 1), base = target.substr(slash + 1);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = folder + "." + base + "." + std::to_string(getpid()) + "." + std::to_string(++counter) + ".part";
        m_fd = open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        error = "Cannot create a temporary file beside \"" + target + "\": " + std::strerror(errno);
        m_temporary.clear();
        return false;
    }
    m_target = target;
    return true;
}

bool StagedFile::Commit(std::string& error) {
    const int fd = m_fd;
    m_fd = -1;
    // rename never writes through a link that appeared at the name meanwhile: it
    // replaces the link itself.
    if (fd < 0 || close(fd) != 0 || rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        error = "Cannot write \"" + m_target + "\": " + std::strerror(fd < 0 ? EBADF : errno);
        Abandon();
        return false;
    }
    m_temporary.clear();
    return true;
}

void StagedFile::Abandon() {
    if (m_fd >= 0) close(m_fd);
    if (!m_temporary.empty()) unlink(m_temporary.c_str());
    m_fd = -1;
    m_temporary.clear();
}

}  // namespace tbzip
