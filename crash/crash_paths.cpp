// Paths of the crash report files.
#include "crash/crash_paths.h"
#include <toolbox/crash/crash_report.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>
#include <unistd.h>

namespace {
bool IsExecutable(const CString& path) { return !path.IsEmpty() && access(path, X_OK) == 0; }

CString EnvOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? CString(v) : CString(fallback);
}
}  // namespace

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

CString TBCrashBaseName(const char* programPath) {
    CString name = TBFileNameOf(programPath ? programPath : "");
    int dot = name.Find('.');
    return dot < 0 ? name : name.Left(dot);
}

CString TBCrashTempDirectory() {
    CString dir = EnvOr("TEMP", "");
    if (dir.IsEmpty()) dir = EnvOr("TMPDIR", "/tmp");
    while (dir.GetLength() > 1 && dir[dir.GetLength() - 1] == '/') dir = dir.Left(dir.GetLength() - 1);
    return dir;
}

namespace {

// Ours alone: a real directory (no link), owned by this user, closed to others.
bool IsPrivateDirectory(const char* path) {
    struct stat status;
    if (lstat(path, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != geteuid()) return false;
    return (status.st_mode & 077) == 0 || chmod(path, 0700) == 0;
}

}  // namespace

CString TBCrashPrivateDirectory() {
    const CString temp = TBCrashTempDirectory();
    CString dir;
    dir.Format("%s/veltranix-%u", temp.GetString(), static_cast<unsigned>(geteuid()));
    if (mkdir(dir, 0700) == 0 || errno == EEXIST)
        if (IsPrivateDirectory(dir)) return dir;
    // Taken by someone else: a fresh directory with a name nobody can guess.
    CString pattern = dir + "-XXXXXX";
    std::vector<char> buffer(pattern.GetString(), pattern.GetString() + pattern.GetLength() + 1);
    return mkdtemp(buffer.data()) ? CString(buffer.data()) : CString();
}

CString TBCrashProcessDirectory() {
    const CString parent = TBCrashPrivateDirectory();
    if (parent.IsEmpty()) return TBCrashTempDirectory();
    CString dir;
    dir.Format("%s/%d", parent.GetString(), static_cast<int>(getpid()));
    if (mkdir(dir, 0700) == 0 || errno == EEXIST)
        if (IsPrivateDirectory(dir)) return dir;
    return parent;
}

void TBRemoveCrashDirectories(const CString& processDirectory) {
    CString dir = processDirectory;
    for (int level = 0; level < 2; ++level) {
        const CString name = TBFileNameOf(dir);
        const bool crashDirectory =
            name.Find("veltranix-") == 0 || (level == 0 && TBFileNameOf(TBDirectoryOf(dir)).Find("veltranix-") == 0);
        if (!crashDirectory || rmdir(dir) != 0) return;
        dir = TBDirectoryOf(dir);
    }
}

int TBCreateCrashFile(const char* path) {
    unlink(path);
    return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

CString TBCrashProgramPath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return CString();
    buffer[n] = 0;
    return CString(buffer);
}

CString TBCrashReporterPath() {
    const char* overridePath = std::getenv("TOOLBOX_CRASH_REPORTER");
    if (overridePath && *overridePath) return IsExecutable(overridePath) ? CString(overridePath) : CString();
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&InstallCrashReport), &info) || !info.dli_fname) return CString();
    char resolved[PATH_MAX];
    CString library = realpath(info.dli_fname, resolved) ? CString(resolved) : CString(info.dli_fname);
    CString dir = TBDirectoryOf(library);
    const char* candidates[] = {"/toolbox-crash-reporter", "/bin/toolbox-crash-reporter",
                                "/../libexec/toolbox/toolbox-crash-reporter",
                                "/../../libexec/toolbox/toolbox-crash-reporter"};
    for (const char* candidate : candidates) {
        CString path = dir + candidate;
        if (IsExecutable(path)) return path;
    }
    return CString();
}

CString TBCrashStateDirectory() {
    CString base = EnvOr("XDG_STATE_HOME", "");
    if (base.IsEmpty() || base[0] != '/') base = EnvOr("HOME", "/tmp") + "/.local/state";
    return base + "/veltranix/crash-reports";
}
