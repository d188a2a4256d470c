// Where crash report files go: temporary directory, program path and base name, the
// reporter program and the directory that keeps unsent reports.
#pragma once

#include <toolbox/types/cstring.h>

/// The temporary directory: $TEMP, else $TMPDIR, else /tmp (no trailing "/").
CString TBCrashTempDirectory();
/// Full path of the running program (/proc/self/exe), empty when unknown.
CString TBCrashProgramPath();
/// The crash reporter program: $TOOLBOX_CRASH_REPORTER when set, else
/// "toolbox-crash-reporter" beside the library, in its bin/ folder or in
/// ../libexec/toolbox/. Empty when none is found.
CString TBCrashReporterPath();
/// The folder that keeps reports nobody could send:
/// $XDG_STATE_HOME (default ~/.local/state) + "/veltranix/crash-reports".
CString TBCrashStateDirectory();
/// Directory part of path ("/a/b/c" -> "/a/b"; no "/" -> ".").
CString TBDirectoryOf(const CString& path);
/// File name part of path ("/a/b/c.zip" -> "c.zip").
CString TBFileNameOf(const CString& path);
