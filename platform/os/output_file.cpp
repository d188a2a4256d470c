#include <toolbox/os/output_file.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class TargetKind { Missing, Regular, Direct };

struct Target {
    TargetKind kind = TargetKind::Missing;
    std::string path;
};

std::string DirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows a chain of symbolic links that ends at a name that does not exist: that name is
// where the new file goes, so the link keeps pointing at it. A relative link is relative
// to the directory of the link.
bool FollowToMissingName(std::string path, std::string& missing) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat s;
        if (::lstat(path.c_str(), &s) != 0) {
            if (errno != ENOENT) return false;
            missing = path;
            return true;
        }
        if (!S_ISLNK(s.st_mode)) {
            errno = EBUSY;  // something appeared at the name meanwhile
            return false;
        }
        char link[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), link, sizeof link);
        if (n < 0) return false;
        if (n == static_cast<ssize_t>(sizeof link)) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::string next(link, static_cast<size_t>(n));
        path = next[0] == '/' ? next : DirectoryPart(path) + next;
    }
    errno = ELOOP;
    return false;
}

// What path names once links are followed. stat, not the link text, decides the kind,
// so that links the system makes up (/dev/stdout to a pipe) are classified right.
bool ClassifyTarget(const char* path, Target& target) {
    struct stat s;
    if (::stat(path, &s) != 0) {
        if (errno != ENOENT) return false;
        target.kind = TargetKind::Missing;
        return FollowToMissingName(path, target.path);
    }
    if (S_ISDIR(s.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (!S_ISREG(s.st_mode)) {
        target.kind = TargetKind::Direct;
        target.path = path;  // opened through the link, which also works for /dev/stdout
        return true;
    }
    target.kind = TargetKind::Regular;
    struct stat link;
    if (::lstat(path, &link) == 0 && !S_ISLNK(link.st_mode)) {
        target.path = path;
        return true;
    }
    char resolved[PATH_MAX];
    if (!::realpath(path, resolved)) return false;
    target.path = resolved;
    return true;
}

bool WriteAll(int fd, std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Renames a new file to a name that was free when the output was opened, failing
// instead of replacing whatever appeared there since.
bool RenameToFreeName(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    return ::rename(from, to) == 0;  // a file system without the no-replace rename
}

void SyncDirectoryOf(const std::string& path) {
    std::string directory = DirectoryPart(path);
    int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

long long ModificationTimeOf(const std::string& path) {
    struct stat s;
    if (::stat(path.c_str(), &s) != 0) return 0;
    return static_cast<long long>(s.st_mtim.tv_sec) * 1000000000LL + s.st_mtim.tv_nsec;
}

}  // namespace

TBOutputFile::~TBOutputFile() { Abandon(); }

bool TBOutputFile::Open(const char* path) {
    Abandon();
    if (!path || !*path) {
        errno = ENOENT;
        return false;
    }
    Target target;
    if (!ClassifyTarget(path, target)) return false;
    if (target.kind == TargetKind::Direct) return OpenDirect(target.path.c_str());
    m_target = target.path;
    m_existed = target.kind == TargetKind::Regular;
    if (OpenStaged()) return true;
    int error = errno;
    Abandon();
    errno = error;
    return false;
}

bool TBOutputFile::OpenDirect(const char* path) {
    int fd = ::open(path, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat s;
    if (::fstat(fd, &s) != 0 || S_ISREG(s.st_mode) || S_ISDIR(s.st_mode)) {
        ::close(fd);
        errno = EBUSY;  // replaced by a file meanwhile: writing into it would leave old bytes
        return false;
    }
    m_fd = fd;
    m_direct = true;
    return true;
}

bool TBOutputFile::OpenStaged() {
    struct stat old {};
    if (m_existed) {
        // Opening for writing (without truncating) asks the system whether the file may be
        // written: a read-only file is refused here instead of being renamed over.
        int probe = ::open(m_target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (probe < 0) return false;
        bool regular = ::fstat(probe, &old) == 0 && S_ISREG(old.st_mode);
        ::close(probe);
        if (!regular) {
            errno = EBUSY;
            return false;
        }
        m_device = old.st_dev;
        m_inode = old.st_ino;
    }
    std::string directory = DirectoryPart(m_target);
    std::string base = m_target.substr(directory.size());
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary =
            directory + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tmp";
        // 0666 lets the umask decide for a new file, as creating it directly would.
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            m_temporary.clear();
            return false;
        }
    }
    if (m_fd < 0) {
        m_temporary.clear();
        return false;
    }
    if (!m_existed) return true;
    if (::fchown(m_fd, old.st_uid, old.st_gid) != 0) {
        // Another owner cannot be kept by an ordinary user; the content matters more.
    }
    return ::fchmod(m_fd, old.st_mode & 07777) == 0;
}

bool TBOutputFile::Write(std::string_view data) {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    return WriteAll(m_fd, data);
}

// The file seen when opening must still be there: never replace what someone put at the
// name meanwhile (a link, a pipe, another file). A new name must still be free.
bool TBOutputFile::TargetUnchanged() const {
    if (m_temporary.empty()) return true;  // a direct target is written where it is
    struct stat now;
    if (!m_existed) {
        if (::lstat(m_target.c_str(), &now) == 0 || errno != ENOENT) {
            errno = EBUSY;
            return false;
        }
        return true;
    }
    if (::lstat(m_target.c_str(), &now) != 0 || !S_ISREG(now.st_mode) ||
        static_cast<unsigned long long>(now.st_dev) != m_device ||
        static_cast<unsigned long long>(now.st_ino) != m_inode) {
        errno = EBUSY;
        return false;
    }
    return true;
}

bool TBOutputFile::Publish() {
    if (!m_existed) return RenameToFreeName(m_temporary.c_str(), m_target.c_str());
    if (!TargetUnchanged()) return false;
    return ::rename(m_temporary.c_str(), m_target.c_str()) == 0;
}

bool TBOutputFile::Finish() {
    if (m_finished) return true;
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    int fd = m_fd;
    m_fd = -1;
    if (m_direct) {
        // Nothing is left to publish: the data went straight to the device or pipe.
        m_direct = false;
        m_finished = true;
        if (::close(fd) == 0) return true;
        int error = errno;
        Abandon();
        errno = error;
        return false;
    }
    bool ok = ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        Abandon();
        errno = error;
        return false;
    }
    m_finished = true;
    return true;
}

bool TBOutputFile::Commit(long long* modificationTime) {
    if (modificationTime) *modificationTime = 0;
    if (!Finish()) return false;
    if (m_temporary.empty()) {  // a direct target, already complete
        Abandon();
        return true;
    }
    if (!Publish()) {
        int error = errno;
        Abandon();
        errno = error;
        return false;
    }
    m_temporary.clear();
    SyncDirectoryOf(m_target);
    if (modificationTime) *modificationTime = ModificationTimeOf(m_target);
    Abandon();  // nothing staged is left: this only resets the state for another Open
    return true;
}

void TBOutputFile::Abandon() {
    int error = errno;
    if (m_fd >= 0) ::close(m_fd);
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_fd = -1;
    m_temporary.clear();
    m_target.clear();
    m_direct = false;
    m_existed = false;
    m_finished = false;
    errno = error;
}

bool TBCommitOutputs(TBOutputFile* const* outputs, size_t count) {
    auto abandonAll = [&] {
        int error = errno;
        for (size_t i = 0; i < count; ++i) outputs[i]->Abandon();
        errno = error;
        return false;
    };
    for (size_t i = 0; i < count; ++i)
        if (!outputs[i]->Finish()) return abandonAll();
    for (size_t i = 0; i < count; ++i)
        if (!outputs[i]->TargetUnchanged()) return abandonAll();
    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i) ok = outputs[i]->Commit();
    return ok || abandonAll();
}

bool TBReplaceFileContents(const char* path, std::string_view data, long long* modificationTime) {
    TBOutputFile out;
    return out.Open(path) && out.Write(data) && out.Commit(modificationTime);
}

bool TBReplaceFileFrom(const char* source, const char* path) {
    int in = ::open(source, O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    TBOutputFile out;
    bool ok = out.Open(path);
    char buffer[1 << 16];
    while (ok) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = out.Write(std::string_view(buffer, static_cast<size_t>(n)));
    }
    int error = errno;
    ::close(in);
    if (ok) return out.Commit();
    errno = error;
    return false;
}
