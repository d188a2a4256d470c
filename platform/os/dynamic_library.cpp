#include <toolbox/os/dynamic_library.h>

#include <dlfcn.h>

#include <string>

namespace {

thread_local std::string t_lastError;

bool EndsWithDll(const CString& name) {
    int n = name.GetLength();
    return n > 4 && name.Right(4).CompareNoCase(".dll") == 0;
}

// The file names one component may stand for: for "X.dll" first "libX.so", then
// "libx.so", then the name itself.
CStringArray FileNameVariants(const CString& fileName) {
    CStringArray variants;
    if (EndsWithDll(fileName)) {
        CString stem = fileName.Left(fileName.GetLength() - 4);
        CString lower = stem;
        lower.MakeLower();
        variants.Add("lib" + stem + ".so");
        if (lower != stem) variants.Add("lib" + lower + ".so");
    }
    variants.Add(fileName);
    return variants;
}

// True when every "/"-separated component is a real name: not empty, ".", or "..".
bool ComponentsAreSafe(const CString& relative) {
    int start = 0;
    const int length = relative.GetLength();
    while (start <= length) {
        int slash = relative.Find('/', start);
        int end = slash < 0 ? length : slash;
        CString part = relative.Mid(start, end - start);
        if (part.IsEmpty() || part == "." || part == "..") return false;
        if (slash < 0) break;
        start = slash + 1;
    }
    return true;
}

CString JoinPath(const CString& directory, const CString& name) {
    if (directory.IsEmpty()) return name;
    if (directory[directory.GetLength() - 1] == '/') return directory + name;
    return directory + "/" + name;
}

}  // namespace

CStringArray TBLibraryCandidates(const char* name, const CString& besideDirectory) {
    CStringArray candidates;
    if (!name || !*name) return candidates;
    CString path(name);
    int slash = path.ReverseFind('/');
    if (path[0] == '/') {
        CString directory = slash == 0 ? CString("/") : path.Left(slash);
        CString fileName = path.Mid(slash + 1);
        if (fileName.IsEmpty() || fileName == "." || fileName == "..") return candidates;
        CStringArray variants = FileNameVariants(fileName);
        for (int i = 0; i < variants.GetSize(); ++i) candidates.Add(JoinPath(directory, variants[i]));
        return candidates;
    }
    if (!ComponentsAreSafe(path)) return candidates;
    CString subDirectory = slash < 0 ? CString() : path.Left(slash);
    CString fileName = path.Mid(slash + 1);
    CStringArray variants = FileNameVariants(fileName);
    if (!besideDirectory.IsEmpty()) {
        CString directory = subDirectory.IsEmpty() ? besideDirectory : JoinPath(besideDirectory, subDirectory);
        for (int i = 0; i < variants.GetSize(); ++i) candidates.Add(JoinPath(directory, variants[i]));
    }
    // Only bare names go to the loader's own search path; a name with directories would
    // be taken relative to the current directory there.
    if (subDirectory.IsEmpty())
        for (int i = 0; i < variants.GetSize(); ++i) candidates.Add(variants[i]);
    return candidates;
}

HMODULE TBOpenLibrary(const char* name, const CString& besideDirectory) {
    CStringArray candidates = TBLibraryCandidates(name, besideDirectory);
    if (candidates.GetSize() == 0) {
        t_lastError = "invalid library name";
        return nullptr;
    }
    t_lastError.clear();
    for (int i = 0; i < candidates.GetSize(); ++i) {
        if (void* handle = dlopen(candidates[i].GetString(), RTLD_NOW | RTLD_LOCAL)) {
            return static_cast<HMODULE>(handle);
        }
        // Keep the first loader message: it names the most specific candidate.
        const char* error = dlerror();
        if (t_lastError.empty() && error) t_lastError = error;
    }
    return nullptr;
}

int TBCloseLibrary(HMODULE module) {
    if (!module) return 0;
    return dlclose(module) == 0 ? 1 : 0;
}

void* TBGetProcAddress(HMODULE module, const char* symbol) {
    if (!module || !symbol) return nullptr;
    return dlsym(module, symbol);
}

CString TBLastLibraryError() { return CString(t_lastError); }
