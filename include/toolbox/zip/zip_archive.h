/// \file
/// \brief Zip archives on libzip: create one, open one to read or change it, list its entries with sizes, times and comments, extract entries to files or memory, add files and memory blocks, remove and rename entries.
// Zip archives on libzip: create one, open one to read or change it, list its entries
// with sizes, times and comments, extract entries to files or memory, add files and
// memory blocks, remove and rename entries. Names are UTF-8. Extraction never writes
// outside its target folder (names with "..", absolute names and links are refused),
// never replaces a file with a partial one, and is bounded in total.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/types/windef.h>

#include <ctime>
#include <vector>

typedef DWORD ZIP_INDEX_TYPE;  ///< Index of an archive entry.
typedef unsigned long long ZIP_SIZE_TYPE;  ///< A size in bytes.
/// What FindFile returns when no entry has the name.
constexpr ZIP_INDEX_TYPE ZIP_FILE_INDEX_NOT_FOUND = 0xFFFFFFFFu;

/// What the archive says about one entry.
struct TB_EXPORT CZipFileHeader {
    CString m_fileName;  ///< UTF-8; folders end with '/'
    CString m_comment;   ///< UTF-8
    ZIP_SIZE_TYPE m_uUncomprSize = 0;  ///< Size of the entry's data after extraction.
    ZIP_SIZE_TYPE m_uComprSize = 0;  ///< Size of the entry's data in the archive.
    DWORD m_uCrc32 = 0;  ///< CRC-32 of the extracted data.
    WORD m_uMethod = 0;  ///< 0 stored, 8 deflated
    time_t m_tModificationTime = 0;  ///< Modification time (local time stored in the archive, converted to time_t).
    bool m_bSymbolicLink = false;  ///< made on Unix as a symbolic link

    /// The entry's name (UTF-8; folders end with '/').
    CString GetFileName() const { return m_fileName; }
    /// The entry's comment.
    CString GetComment() const { return m_comment; }
    /// The entry's modification time.
    time_t GetTime() const { return m_tModificationTime; }
    /// True for a folder entry (name ending with '/').
    bool IsDirectory() const;
};

/// A growable memory block that entries are extracted into or added from.
class TB_EXPORT CZipMemFile {
public:
    CZipMemFile() = default;
    /// A block holding a copy of size bytes at data.
    CZipMemFile(const void* data, size_t size);
    /// Number of bytes held.
    size_t GetLength() const { return m_bytes.size(); }
    /// The bytes held; valid until the block changes.
    const BYTE* GetData() const { return m_bytes.data(); }
    /// The bytes, to fill or change.
    std::vector<BYTE>& Bytes() { return m_bytes; }
    /// The bytes.
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
};

/// Told about the progress of long work (writing the archive on Close, extracting).
class TB_EXPORT CZipActionCallback {
public:
    virtual ~CZipActionCallback();
    /// progress runs from 0 to 1; return false to cancel the work.
    virtual bool Callback(double progress) = 0;
};

/// One zip archive. Not copyable; the destructor closes it (writing the changes).
/// Entry indexes run from 0 to GetCount() - 1; a removed entry keeps its index (and
/// GetFileInfo fails for it) until the archive is closed.
class TB_EXPORT CZipArchive {
public:
    /// How Open treats the file.
    enum OpenMode {
        zipCreate = 1,        ///< a new, empty archive (an existing file is replaced on Close)
        zipOpen = 2,          ///< an existing archive to read and change
        zipOpenReadOnly = 3,  ///< an existing archive to read
    };
    /// The most bytes the extractions from one opened archive write together unless
    /// SetMaxExtractSize says otherwise: an entry that would take the total beyond it (a
    /// zip bomb, or many entries inflating to the limit each) fails and leaves nothing.
    static constexpr ZIP_SIZE_TYPE kDefaultMaxExtractSize = 1ull << 30;

    CZipArchive();
    ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    /// Opens path in mode. Returns false with GetLastError set when it cannot be created
    /// or is not a readable archive. Nothing is written before Close: a new archive that
    /// is never closed successfully leaves no file behind.
    bool Open(LPCTSTR path, int mode = zipCreate);
    /// Opens a copy of the archive held in memory, read only.
    bool Open(const CZipMemFile& archive);
    /// Adds the file at filePath under nameInZip (no directory part is added for you).
    /// compressionLevel -1 is the default deflate level, 0 stores, 1..9 as usual;
    /// bufferSize is accepted for compatibility (libzip chooses its own buffers).
    /// Returns false (and adds nothing) when filePath is not a readable regular file (a
    /// folder is refused here). The file is read only while Close writes the archive, so
    /// no descriptor is held per entry; a file gone by then makes Close fail. An entry
    /// of the same name is replaced.
    bool AddNewFile(LPCTSTR filePath, LPCTSTR nameInZip, int compressionLevel = -1, unsigned long bufferSize = 65536);
    /// Adds a copy of the memory block under nameInZip; as above otherwise.
    bool AddNewFile(const CZipMemFile& data, LPCTSTR nameInZip, int compressionLevel = -1);
    /// Removes the entry (written on Close).
    bool RemoveFile(ZIP_INDEX_TYPE index);
    /// Gives the entry a new name; false when the name is taken.
    bool RenameFile(ZIP_INDEX_TYPE index, LPCTSTR newName);

    /// Writes the archive to disk (nothing for a read-only one). Returns false when
    /// writing failed or was cancelled; the old file is then left as it was.
    bool Close();
    /// Closes the archive without writing any change: an existing archive stays as it
    /// was, a new one is not created. For an operation that failed part way.
    void Discard();
    /// True between a successful Open and Close.
    bool IsOpen() const { return m_zip != nullptr; }
    /// True when opened with zipOpenReadOnly.
    bool IsReadOnly() const { return m_mode == zipOpenReadOnly; }
    /// Number of entry indexes (files added included); after Close, the number of
    /// entries the archive was written with.
    int GetCount() const;
    /// Text of the last failure (empty when none).
    CString GetLastError() const { return m_lastError; }

    /// Fills info for entry index; false (message in GetLastError) for a bad or removed index.
    bool GetFileInfo(CZipFileHeader& info, ZIP_INDEX_TYPE index) const;
    /// The index of the entry called name, or ZIP_FILE_INDEX_NOT_FOUND.
    ZIP_INDEX_TYPE FindFile(LPCTSTR name, bool caseSensitive = true) const;
    /// Extracts the entry into folder, below its path in the archive (fullPath) or by
    /// its last name part only; newName replaces the name. Folders are created. The file
    /// is written under a temporary name beside its target and renamed over it when
    /// complete, so a failed extraction leaves the file that was there. Refused: names
    /// with "..", absolute names, links, paths through links in folder, a target that is
    /// a link or not a regular file, and entries whose data overlap another entry's.
    bool ExtractFile(ZIP_INDEX_TYPE index, LPCTSTR folder, bool fullPath = true, LPCTSTR newName = nullptr);
    /// Extracts the entry's bytes into out (replacing its content).
    bool ExtractFile(ZIP_INDEX_TYPE index, CZipMemFile& out);
    /// The most bytes the extractions that follow write together (see
    /// kDefaultMaxExtractSize); the count starts again here and on Open.
    void SetMaxExtractSize(ZIP_SIZE_TYPE limit) {
        m_maxExtractSize = limit;
        m_extracted = 0;
    }
    /// The most bytes the extractions since Open or the last SetMaxExtractSize write
    /// together (kDefaultMaxExtractSize unless set).
    ZIP_SIZE_TYPE GetMaxExtractSize() const { return m_maxExtractSize; }

    /// The archive's comment; empty when none or not open.
    CString GetGlobalComment() const;
    /// Sets the archive's comment (written on Close); false when not open or read-only.
    bool SetGlobalComment(LPCTSTR comment);
    /// Sets an entry's comment (written on Close); false for a bad index, or when not open or read-only.
    bool SetFileComment(ZIP_INDEX_TYPE index, LPCTSTR comment);

    /// The callback told about Close and extraction (null for none); not owned.
    void SetCallback(CZipActionCallback* callback) { m_callback = callback; }

private:
    /// Records a printf-formatted message as the last error; returns false.
    template <typename... Args>
    bool Fail(const char* format, Args&&... args) {
        m_lastError.Format(format, std::forward<Args>(args)...);
        return false;
    }
    bool RequireWritable();
    bool SetCompression(ZIP_INDEX_TYPE index, int compressionLevel);
    bool CopyEntry(ZIP_INDEX_TYPE index, bool (*sink)(void* target, const BYTE* data, size_t size), void* target);
    bool WriteEmptyArchive();
    bool CheckEntryLayout(ZIP_INDEX_TYPE index, const CString& name);
    bool ReadEntryLayout();
    void ForgetEntryLayout();

    void* m_zip = nullptr;
    int m_mode = 0;
    int m_closedCount = 0;
    CString m_lastError;
    CString m_path;
    std::vector<BYTE> m_memory;  // the archive opened from memory
    ZIP_SIZE_TYPE m_maxExtractSize = kDefaultMaxExtractSize;
    ZIP_SIZE_TYPE m_extracted = 0;    // written by extractions since Open or SetMaxExtractSize
    int m_layoutState = 0;            // entry layout: 0 not read yet, 1 read, -1 unreadable
    std::vector<bool> m_overlapping;  // per entry of the archive as opened
    CZipActionCallback* m_callback = nullptr;
};
