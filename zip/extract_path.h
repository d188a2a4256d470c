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

/// One file being extracted: written under a temporary name beside root/relative and
/// renamed over it only when complete, so a failed extraction (a bad checksum, the size
/// limit, a cancel, a full disk) leaves the file that was there. A target that exists
/// as a link or as anything but a writable regular file is refused. The destructor
/// abandons an extraction that was not committed.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    /// false with error set when the target is refused or no temporary file can be made.
    bool Open(const std::string& root, const std::string& relative, std::string& error);
    /// The temporary file's descriptor to write to.
    int Descriptor() const { return m_fd; }
    /// Closes the temporary file and renames it over the target; false with error set
    /// (and the temporary file removed) when that fails.
    bool Commit(std::string& error);
    /// Removes the temporary file.
    void Abandon();

private:
    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
};

}  // namespace tbzip
