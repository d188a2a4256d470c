// Where crash report files go: temporary directory, program path and base name, the
// reporter program and the directory that keeps unsent reports.
#pragma once

#include <toolbox/types/cstring.h>

#include "platform/os/temp_paths.h"

/// The crash files' directory of this process: TBPrivateTempDirectory() + "/<pid>",
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
