/// \file
/// \brief The library registry: outside shared libraries loaded by name with reference counts, shared by every part of the process that needs them.
// The library registry: outside shared libraries loaded by name with reference
// counts, so that every part of the process that needs a library (the formula
// plug-ins "Vexa2000.dll", "Lurvenc.dll", "Quendral.dll"...) shares one load of it.
//
// Names keep their Windows spelling. "Quendral.dll" finds, in this order,
// libQuendral.so, libquendral.so and Quendral.dll, first in the directory of
// toolbox-core's own shared object, then on the normal dlopen search path
// (LD_LIBRARY_PATH, RUNPATH, ld.so.cache, system directories). The full rules are in
// platform/os/dynamic_library.h; names with ".." components are refused.
#pragma once

#include <toolbox/types/maps.h>

/// The registry: name table (name -> module, 17 buckets) and count table (module ->
/// successful loads not yet freed, 17 buckets). The library keeps one process-wide
/// instance behind the free functions below; it frees what it still holds at unload.
class TB_EXPORT CTBLibraryTable {
public:
    CTBLibraryTable();
    ~CTBLibraryTable();
    CTBLibraryTable(const CTBLibraryTable&) = delete;
    CTBLibraryTable& operator=(const CTBLibraryTable&) = delete;

    /// TBLoadLibrary on this registry.
    HMODULE Load(const char* name);
    /// TBAdvancedLoadLibrary on this registry.
    HMODULE AdvancedLoad(const char* name);
    /// TBFreeLibrary on this registry.
    int Free(HMODULE module);
    /// TBFreeAllLibraries on this registry.
    void FreeAll();
    /// Reference count of module; 0 when the registry does not hold it.
    int GetCount(HMODULE module) const;

private:
    HMODULE Register(const CString& key, HMODULE loaded);

    CMapStringToPtr m_names;
    CMap<void*, void*, int, int> m_counts;
};

/// Loads the library name (a known name, compared in upper case, only counts up).
/// When the name rules find nothing it tries TBAdvancedLoadLibrary(name). A library
/// that is already held under another name is counted once more and returned.
/// Null when nothing loads.
TB_EXPORT HMODULE TBLoadLibrary(const char* name);
/// Loads name taken relative to the directory of toolbox-core's shared object (an
/// absolute name is used as given); the full name is the key, case-sensitive.
TB_EXPORT HMODULE TBAdvancedLoadLibrary(const char* name);
/// Drops one count of module; the last one unloads it and returns the unload's
/// result (1 success). 0 for a module the registry does not hold.
TB_EXPORT int TBFreeLibrary(HMODULE module);
/// Unloads every library of the name table once and empties the registry.
TB_EXPORT void TBFreeAllLibraries();
/// Reference count the registry keeps for module (0: not held).
TB_EXPORT int TBGetLibraryCount(HMODULE module);
