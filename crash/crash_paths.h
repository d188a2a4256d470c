// Where crash report files go: temporary directory, program path and base name, the
// reporter program and the directory that keeps unsent reports.
#pragma once

#include <toolbox/types/cstring.h>

/// The temporary directory: $TEMP, else $TMPDIR, else /tmp (no trailing "/").
CString TBCrashTempDirectory();
/// A directory for crash files that only this user can write: temporary directory +
/// "/veltranix-<uid>" (created 0700; a link there, or a directory of another user or
/// writable by others, is not taken), else a new unique directory beside it. Empty
/// when neither can be made.
CString TBCrashPrivateDirectory();
/// The crash files' directory of this process: TBCrashPrivateDirectory() + "/<pid>",
/// else the private directory itself, else the temporary directory.
CString TBCrashProcessDirectory();
/// Removes a process directory of TBCrashProcessDirectory and the user's directory
/// above it, each only when empty; any other directory is left alone.
void TBRemoveCrashDirectories(const CString& processDirectory);
/// Creates path afresh for writing (mode 0600): a file left there is removed first,
/// and neither a link nor a file someone else creates in between is followed.
/// Async-signal-safe. The descriptor, or -1.
int TBCreateCrashFile(const char* path);
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
