/// \file
/// \brief Where the library and the program live on disk: the library's own shared object (found through dladdr) and the running program (/proc/self/exe).
// Where the library and the program live on disk: the library's own shared object
// (found through dladdr) and the running program (/proc/self/exe).
#pragma once

#include <toolbox/types/cstring.h>

/// Full path of the toolbox-core shared object; empty when the system cannot tell.
TB_EXPORT CString TBGetLibraryFileName();
/// Directory of TBGetLibraryFileName(), without a trailing "/"; empty when unknown.
TB_EXPORT CString TBGetLibraryDirectory();
/// Full path of the running program; empty when the system cannot tell.
TB_EXPORT CString TBGetProgramFileName();
/// The directory part of path without a trailing "/" ("/" for a file in the root,
/// empty for a bare name).
TB_EXPORT CString TBDirectoryOfPath(const CString& path);
