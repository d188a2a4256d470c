/// \file
/// \brief Shared libraries loaded at run time (dlopen, dlsym, dlclose) under name rules that let host code keep Windows library names ("Quendral.dll" finds libquendral.so).
// Shared libraries loaded at run time (dlopen, dlsym, dlclose) under the name rules
// that let host code keep Windows library names:
//
//  - A name ending in ".dll" (any case), such as "Quendral.dll", is looked for as
//    "libQuendral.so", then lower-cased as "libquendral.so", then literally as given.
//  - A bare name (no "/") is looked for first in the given directory (the library
//    registry passes the directory of toolbox-core's own shared object), then on the
//    normal dlopen search path (LD_LIBRARY_PATH, RUNPATH, ld.so.cache, /lib, /usr/lib).
//  - An absolute name is looked for only in its own directory, with the same
//    variants of its last component.
//  - A relative name with directories ("plugins/Lurvenc.dll") is looked for below the
//    given directory only; a name with a ".." component, an empty name or an empty
//    component ("a//b", trailing "/") is refused, so a name cannot climb out of the
//    directory it is looked up in.
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/types/cstring.h>

/// The file names tried for name, in order, as full paths or bare names for the
/// dlopen search path (see above). Empty for a refused name.
TB_EXPORT CStringArray TBLibraryCandidates(const char* name, const CString& besideDirectory);

/// Loads the first candidate of TBLibraryCandidates that dlopen accepts (RTLD_NOW,
/// RTLD_LOCAL); null when none loads. An already loaded library gives the same handle
/// again and takes one more reference.
TB_EXPORT HMODULE TBOpenLibrary(const char* name, const CString& besideDirectory);
/// Drops one reference taken by TBOpenLibrary; 1 on success, 0 on failure.
TB_EXPORT int TBCloseLibrary(HMODULE module);
/// Address of an exported symbol of module, or null.
TB_EXPORT void* TBGetProcAddress(HMODULE module, const char* symbol);
/// The loader's text for the last failure of TBOpenLibrary on this thread.
TB_EXPORT CString TBLastLibraryError();
