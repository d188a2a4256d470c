// Where an archive entry may be written on extraction: names are checked before any
// file is touched, and folders are created one by one without following links.
#pragma once

#include <string>

namespace tbzip {

/// Whether name stays below the target folder: not empty, not absolute (no leading
/// slash or backslash, no drive letter) and without a ".." part ('\\' counts as a
/// separator too, as archives made on Windows use it).
bool IsSafeEntryName(const std::string& name);
/// Creates the folders of relative (a safe name, '/'-separated) below root, refusing
/// any part that exists as a link or as something other than a folder.
bool MakeFoldersBelow(const std::string& root, const std::string& relative, std::string& error);
/// Opens root/relative for writing without following a link at its last part;
/// -1 with error set when it cannot.
int CreateFileBelow(const std::string& root, const std::string& relative, std::string& error);

}  // namespace tbzip
