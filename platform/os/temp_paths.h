// The temporary directory, a directory in it that only this user can write, and the
// parts of a path: what the crash reports and the mailing of files share.
#pragma once

#include <toolbox/types/cstring.h>

/// The temporary directory: $TEMP, else $TMPDIR, else /tmp (no trailing "/").
CString TBTempDirectory();
/// A directory (for crash files, archives to mail) that only this user can write:
/// temporary directory + "/veltranix-<uid>" (created 0700; a link there, or a directory
/// of another user or writable by others, is not taken), else a new unique directory
/// beside it. Empty when neither can be made.
CString TBPrivateTempDirectory();
/// True for a directory that is ours alone: a real directory (no link), owned by this
/// user, closed to others (its mode is tightened to 0700 when only that is missing).
bool TBIsPrivateDirectory(const char* path);
/// Directory part of path ("/a/b/c" -> "/a/b"; no "/" -> ".").
CString TBDirectoryOf(const CString& path);
/// File name part of path ("/a/b/c.zip" -> "c.zip").
CString TBFileNameOf(const CString& path);
