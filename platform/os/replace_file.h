// Replacing a file's whole content without ever leaving it half written.
#pragma once

#include <toolbox/types/windef.h>

#include <string_view>

/// Writes data to a new file beside path, syncs it and renames it over path, so that
/// a crash or a full disk leaves either the old or the new file, never a mix. A
/// symbolic link is followed (the link stays, its target is replaced); the mode of an
/// existing file is kept, a new file gets 0666 less the umask. Returns false, with the
/// old file untouched and no temporary file left, when any step fails or path names
/// something other than a regular file. On success modificationTime (when given)
/// receives the new file's modification time in nanoseconds since the epoch.
bool TBReplaceFileContents(const char* path, std::string_view data, long long* modificationTime = nullptr);
