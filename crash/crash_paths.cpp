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

CString TBCrashBaseName(const char* programPath) {
    CString name = TBFileNameOf(programPath ? programPath : "");
    int dot = name.Find('.');
    return dot < 0 ? name : name.Left(dot);
}

CString TBCrashProcessDirectory() {
    const CString parent = TBPrivateTempDirectory();
    if (parent.IsEmpty()) return TBTempDirectory();
    CString dir;
    dir.Format("%s/%d", parent.GetString(), static_cast<int>(getpid()));
    if (mkdir(dir, 0700) == 0 || errno == EEXIST)
        if (TBIsPrivateDirectory(dir)) return dir;
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
