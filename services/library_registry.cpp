#include <toolbox/services/library_registry.h>

#include <toolbox/os/dynamic_library.h>
#include <toolbox/os/module_path.h>

#include <new>

namespace {

CTBLibraryTable g_libraries;

}  // namespace

CTBLibraryTable::CTBLibraryTable() {
    m_names.InitHashTable(17);
    m_counts.InitHashTable(17);
}

CTBLibraryTable::~CTBLibraryTable() { FreeAll(); }

int CTBLibraryTable::GetCount(HMODULE module) const {
    const int* count = m_counts.PLookup(module);
    return count ? *count : 0;
}

// A fresh handle: a module already counted (reached under another name) takes one
// more count and gives back the extra reference of this load; a new one is recorded.
HMODULE CTBLibraryTable::Register(const CString& key, HMODULE loaded) {
    if (int* count = const_cast<int*>(m_counts.PLookup(loaded))) {
        ++*count;
        TBCloseLibrary(loaded);
        return loaded;
    }
    m_names[key] = loaded;
    m_counts[loaded] = 1;
    return loaded;
}

HMODULE CTBLibraryTable::Load(const char* name) {
    if (!name || !*name) return nullptr;
    try {
        CString key(name);
        key.MakeUpper();
        void* known = nullptr;
        if (m_names.Lookup(key, known)) {
            ++m_counts[known];
            return static_cast<HMODULE>(known);
        }
        HMODULE loaded = TBOpenLibrary(name, TBGetLibraryDirectory());
        if (!loaded) return AdvancedLoad(name);
        return Register(key, loaded);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HMODULE CTBLibraryTable::AdvancedLoad(const char* name) {
    if (!name || !*name) return nullptr;
    try {
        CString key(name);
        if (key[0] != '/') {
            // A relative name must stay below the library's directory.
            if (TBLibraryCandidates(name, CString()).GetSize() == 0) return nullptr;
            CString directory = TBGetLibraryDirectory();
            if (directory.IsEmpty()) return nullptr;
            key = directory + "/" + key;
        }
        void* known = nullptr;
        if (m_names.Lookup(key, known)) {
            ++m_counts[known];
            return static_cast<HMODULE>(known);
        }
        // The plug-ins find their own dependencies beside them through their RUNPATH
        // ($ORIGIN); the current directory plays no part in that here, so it stays as it
        // is. The full name is looked up only where it points.
        HMODULE loaded = TBOpenLibrary(key, CString());
        if (!loaded) return nullptr;
        return Register(key, loaded);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int CTBLibraryTable::Free(HMODULE module) {
    int* count = const_cast<int*>(m_counts.PLookup(module));
    if (!module || !count) return 0;
    if (*count > 1) {
        --*count;
        return 1;
    }
    m_counts.RemoveKey(module);
    CString name;
    void* handle = nullptr;
    for (POSITION pos = m_names.GetStartPosition(); pos;) {
        m_names.GetNextAssoc(pos, name, handle);
        if (handle == module) {
            m_names.RemoveKey(name);
            break;
        }
    }
    return TBCloseLibrary(module);
}

void CTBLibraryTable::FreeAll() {
    CString name;
    void* handle = nullptr;
    for (POSITION pos = m_names.GetStartPosition(); pos;) {
        m_names.GetNextAssoc(pos, name, handle);
        TBCloseLibrary(static_cast<HMODULE>(handle));
    }
    m_names.RemoveAll();
    m_counts.RemoveAll();
}

HMODULE TBLoadLibrary(const char* name) { return g_libraries.Load(name); }
HMODULE TBAdvancedLoadLibrary(const char* name) { return g_libraries.AdvancedLoad(name); }
int TBFreeLibrary(HMODULE module) { return g_libraries.Free(module); }
void TBFreeAllLibraries() { g_libraries.FreeAll(); }
int TBGetLibraryCount(HMODULE module) { return g_libraries.GetCount(module); }
