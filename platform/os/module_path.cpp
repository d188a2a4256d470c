#include <toolbox/os/module_path.h>

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace {

// Any address inside this shared object identifies it to dladdr.
void AnchorInsideLibrary() {}

}  // namespace

CString TBGetLibraryFileName() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&AnchorInsideLibrary), &info) || !info.dli_fname || !*info.dli_fname)
        return CString();
    // dli_fname is the name the loader used, which may be relative to the start
    // directory; resolve it so that the directory stays right after a chdir.
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return CString(resolved);
    return CString(info.dli_fname);
}

CString TBGetLibraryDirectory() { return TBDirectoryOfPath(TBGetLibraryFileName()); }

CString TBGetProgramFileName() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return CString();
        if (static_cast<size_t>(n) < buffer.size()) return CString(buffer.data(), static_cast<int>(n));
        if (buffer.size() > (1u << 20)) return CString();
        buffer.resize(buffer.size() * 2);
    }
}

CString TBDirectoryOfPath(const CString& path) {
    int slash = path.ReverseFind('/');
    if (slash < 0) return CString();
    if (slash == 0) return CString("/");
    return path.Left(slash);
}
