#include "platform/os/replace_file.h"

#include <atomic>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The path to replace: a symbolic link is followed so that the link itself survives.
bool ResolveTarget(const char* path, std::string& target) {
    struct stat link;
    if (::lstat(path, &link) != 0 || !S_ISLNK(link.st_mode)) {
        target = path;
        return true;
    }
    char resolved[PATH_MAX];
    if (!::realpath(path, resolved)) return false;  // a dangling link: nothing safe to replace
    target = resolved;
    return true;
}

// Writes text to a new file beside target and renames it over target once it is
// completely on disk; the old file stays untouched on any failure.
}  // namespace

bool TBReplaceFileContents(const char* path, std::string_view text, long long* modificationTime) {
    if (!path || !*path) return false;
    std::string target;
    if (!ResolveTarget(path, target)) return false;
    struct stat old;
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;

    size_t slash = target.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = directory + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tmp";
        // 0666 lets the umask decide for a new file, as creating it directly would.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = true;
    if (existed) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Another owner cannot be kept by an ordinary user; the content matters more.
        }
    }
    ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    int dirFd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    struct stat now;
    if (modificationTime)
        *modificationTime = ::stat(target.c_str(), &now) == 0
                                ? static_cast<long long>(now.st_mtim.tv_sec) * 1000000000LL + now.st_mtim.tv_nsec
                                : 0;
    return true;
}
