// Where crash report files go: temporary directory, program path and base name, the
// reporter program and the directory that keeps unsent reports.
#pragma once

#include "platform/types/cstring.h"

/// The temporary directory: $TEMP, else $TMPDIR, else /tmp (no trailing "/").
TB_EXPORT CString TBCrashTempDirectory();
/// Full path of the running program (/proc/self/exe), empty when unknown.
TB_EXPORT CString TBCrashProgramPath();
/// The crash reporter program: $TOOLBOX_CRASH_REPORTER when set, else
/// "toolbox-crash-reporter" beside the library, in its bin/ folder or in
/// ../libexec/toolbox/. Empty when none is found.
TB_EXPORT CString TBCrashReporterPath();
/// The folder that keeps reports nobody could send:
/// $XDG_STATE_HOME (default ~/.local/state) + "/veltranix/crash-reports".
TB_EXPORT CString TBCrashStateDirectory();
/// Directory part of path ("/a/b/c" -> "/a/b"; no "/" -> ".").
TB_EXPORT CString TBDirectoryOf(const CString& path);
/// File name part of path ("/a/b/c.zip" -> "c.zip").
TB_EXPORT CString TBFileNameOf(const CString& path);
