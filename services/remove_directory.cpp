// Removing a directory tree without following links swapped in meanwhile.
#include <toolbox/services/system_helpers.h>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsReadOnly(const struct stat& s) { return S_ISREG(s.st_mode) && (s.st_mode & 0222) == 0; }

// Empties the directory open as fd (which this function closes); works only through
// descriptors and no-follow lookups, so that a link swapped in meanwhile is removed
// as a link and never entered.
bool EmptyDirectory(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    while (ok) {
        errno = 0;
        dirent* entry = ::readdir(dir);
        if (!entry) {
            ok = errno == 0;
            break;
        }
        const char* name = entry->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..")) continue;
        struct stat s;
        if (::fstatat(fd, name, &s, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
        } else if (S_ISDIR(s.st_mode)) {
            int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ok = child >= 0 && EmptyDirectory(child) && ::unlinkat(fd, name, AT_REMOVEDIR) == 0;
        } else if (IsReadOnly(s)) {
            ok = false;
        } else {
            ok = ::unlinkat(fd, name, 0) == 0;
        }
    }
    ::closedir(dir);
    return ok;
}

}  // namespace

int TBRemoveDirectory(const char* path) {
    if (!path || !*path) return 0;
    struct stat s;
    if (::lstat(path, &s) != 0) return 0;
    if (S_ISLNK(s.st_mode)) return ::unlink(path) == 0 ? 1 : 0;
    if (!S_ISDIR(s.st_mode)) return 0;
    int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !EmptyDirectory(fd)) return 0;
    return ::rmdir(path) == 0 ? 1 : 0;
}
