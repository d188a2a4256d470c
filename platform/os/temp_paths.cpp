// The temporary directory, a directory in it that only this user can write, and the
// parts of a path: what the crash reports and the mailing of files share.
#include "platform/os/temp_paths.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

CString TBDirectoryOf(const CString& path) {
    int slash = path.ReverseFind('/');
    if (slash < 0) return ".";
    if (slash == 0) return "/";
    return path.Left(slash);
}

CString TBFileNameOf(const CString& path) {
    int slash = path.ReverseFind('/');
    return slash < 0 ? path : path.Mid(slash + 1);
}

CString TBTempDirectory() {
    const char* temp = std::getenv("TEMP");
    const char* tmpdir = std::getenv("TMPDIR");
    CString dir = temp && *temp ? temp : tmpdir && *tmpdir ? tmpdir : "/tmp";
    while (dir.GetLength() > 1 && dir[dir.GetLength() - 1] == '/') dir = dir.Left(dir.GetLength() - 1);
    return dir;
}

bool TBIsPrivateDirectory(const char* path) {
    struct stat status;
    if (lstat(path, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != geteuid()) return false;
    return (status.st_mode & 077) == 0 || chmod(path, 0700) == 0;
}

CString TBPrivateTempDirectory() {
    const CString temp = TBTempDirectory();
    CString dir;
    dir.Format("%s/veltranix-%u", temp.GetString(), static_cast<unsigned>(geteuid()));
    if (mkdir(dir, 0700) == 0 || errno == EEXIST)
        if (TBIsPrivateDirectory(dir)) return dir;
    // Taken by someone else: a fresh directory with a name nobody can guess.
    CString pattern = dir + "-XXXXXX";
    std::vector<char> buffer(pattern.GetString(), pattern.GetString() + pattern.GetLength() + 1);
    return mkdtemp(buffer.data()) ? CString(buffer.data()) : CString();
}
