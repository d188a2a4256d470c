// The least of the zip layer that crash reports and mail delivery need: create an
// archive, add files under chosen names, close it. Standard zip files on libzip.
#pragma once

#include <toolbox/types/cstring.h>

/// One zip archive being written. Not copyable; the destructor closes it.
class TB_EXPORT CZipArchive {
public:
    enum OpenMode { zipCreate = 1 };
    CZipArchive();
    ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    /// Opens path as a new, empty archive (an existing file is replaced when the archive
    /// is closed). Returns false with GetLastError set when it cannot be created.
    bool Open(LPCTSTR path, int mode = zipCreate);
    /// Adds the file at filePath under nameInZip (no directory part is added for you).
    /// compressionLevel -1 is the default deflate level, 0 stores, 1..9 as usual;
    /// bufferSize is accepted for compatibility (libzip chooses its own buffers).
    /// The file is opened at once, so a file that vanishes later still goes in whole;
    /// returns false (and adds nothing) when it cannot be opened or added.
    bool AddNewFile(LPCTSTR filePath, LPCTSTR nameInZip, int compressionLevel = -1, unsigned long bufferSize = 65536);
    /// Writes the archive to disk. Returns false when writing failed; the archive is
    /// then not left half-written.
    bool Close();
    bool IsOpen() const { return m_zip != nullptr; }
    /// Number of files added so far.
    int GetCount() const { return m_count; }
    /// Text of the last failure (empty when none).
    CString GetLastError() const { return m_lastError; }

private:
    void* m_zip = nullptr;
    int m_count = 0;
    CString m_lastError;
    CString m_path;
};
