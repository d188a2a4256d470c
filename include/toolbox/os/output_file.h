/// \file
/// \brief Writing a file's whole content under one rule shared by every writer of the library and of tbx: a temporary file beside the target, synced and renamed into place.
// Writing a file's whole content under one rule shared by every writer of the library
// and of tbx:
// - a regular file (or a new name) is written to a temporary file beside it, synced and
//   renamed into place, so a failure or a crash leaves either the old or the new file;
// - a symbolic link is followed: the file it names is replaced (or created), the link stays;
// - anything else that exists and is not a directory (a character or block device, a
//   FIFO, a socket) is written directly, never removed or renamed over;
// - a directory is refused (errno EISDIR).
// A regular file that cannot be written (read-only) is refused, as opening it would be.
#pragma once

#include <toolbox/types/windef.h>

#include <string>
#include <string_view>

/// Output open under the rule above. Not copyable. Until Commit the target is untouched
/// (for a staged file); the destructor abandons an output that was not committed.
class TB_EXPORT TBOutputFile {
public:
    TBOutputFile() = default;
    ~TBOutputFile();
    TBOutputFile(const TBOutputFile&) = delete;
    TBOutputFile& operator=(const TBOutputFile&) = delete;

    /// Opens the output for path; false with errno set (EISDIR for a directory).
    bool Open(const char* path);
    /// The descriptor to write to; -1 when not open.
    int Descriptor() const { return m_fd; }
    /// True when the target is written directly (a device, FIFO or socket).
    bool IsDirect() const { return m_direct; }
    /// Writes all of data; false with errno set.
    bool Write(std::string_view data);
    /// Finishes the output: a staged file is synced and renamed over the target. False
    /// with errno set and the old target untouched when that fails or the target was
    /// changed by someone else meanwhile. modificationTime (when given) receives the
    /// new file's modification time in nanoseconds since the epoch (0 for a direct target).
    bool Commit(long long* modificationTime = nullptr);
    /// Completes a staged file without publishing it: written data is synced and the file
    /// closed, the target still untouched (a direct target is closed). Commit publishes
    /// it afterwards; formats of several files finish every one before any is published
    /// (TBCommitOutputs). False with errno set, the output then abandoned.
    bool Finish();
    /// Drops the output: a staged temporary file is removed; a direct target keeps what
    /// was written, since nothing can be taken back from a device or pipe.
    void Abandon();

    /// False when a staged file can no longer be renamed over its target: the file seen
    /// when opening was replaced or removed meanwhile (errno EBUSY).
    bool TargetUnchanged() const;

private:
    bool OpenStaged();
    bool OpenDirect(const char* path);
    bool Publish();

    std::string m_target;  // the file that is replaced (links resolved)
    std::string m_temporary;
    int m_fd = -1;
    bool m_direct = false;
    bool m_existed = false;
    bool m_finished = false;  // staged file synced and closed, awaiting the rename
    unsigned long long m_device = 0, m_inode = 0;  // of the existing target, to notice a swap
};

/// Publishes outputs that belong together (the files of one record): every one is
/// finished first, and only when all are complete and every old target is still the
/// file seen when opening are they renamed into place. Otherwise every output is
/// abandoned, no old file is touched, and false is returned with errno set. A rename
/// that fails after others were made (the directory changed under the writer) leaves
/// the files published so far; false is returned then too.
TB_EXPORT bool TBCommitOutputs(TBOutputFile* const* outputs, size_t count);

/// Writes data to path under the rule above. Returns false with errno set and a regular
/// target untouched when any step fails. A new file gets 0666 less the umask, an
/// existing one keeps its mode. modificationTime as for TBOutputFile::Commit.
TB_EXPORT bool TBReplaceFileContents(const char* path, std::string_view data, long long* modificationTime = nullptr);

/// Copies the file source to path under the rule above: for writers whose library needs
/// a seekable file of its own, which they write in a temporary place first.
TB_EXPORT bool TBReplaceFileFrom(const char* source, const char* path);
