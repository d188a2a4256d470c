/// \file
/// \brief File adaptors of the image objects: one interface over a stdio file and over a growable memory block, so every codec reads and writes either the same way.
// File adaptors of the image objects: one interface over a stdio file and over a
// growable memory block, so every codec reads and writes either the same way.
#pragma once

#include <toolbox/types/windef.h>

#include <cstddef>
#include <cstdio>
#include <vector>

/// A byte stream the image codecs read from and write to. Offsets and sizes are bytes;
/// origin is SEEK_SET, SEEK_CUR or SEEK_END as for fseek.
class TB_EXPORT CxFile {
public:
    virtual ~CxFile();
    /// Reads up to count items of size bytes; returns the number of whole items read.
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    /// Writes count items of size bytes; returns the number of whole items written.
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    /// Moves the position (origin SEEK_SET, SEEK_CUR or SEEK_END); false when it cannot.
    virtual bool Seek(long offset, int origin) = 0;
    /// The position in bytes from the start; -1 when unknown.
    virtual long Tell() = 0;
    /// Total length of the stream in bytes, -1 when unknown.
    virtual long Size() = 0;
    /// Writes buffered bytes out; false on failure.
    virtual bool Flush() = 0;
    /// True once the position is at (or past) the end.
    virtual bool Eof() = 0;
    /// Ends the stream; false when the final write failed.
    virtual bool Close() = 0;
    /// Writes one byte; false when it could not be written.
    bool PutC(BYTE c) { return Write(&c, 1, 1) == 1; }
    /// The next byte, or -1 at the end.
    long GetC();
};

/// A stdio file. Open and Close it here, or attach a FILE* the caller keeps owning.
class TB_EXPORT CxIOFile : public CxFile {
public:
    /// A stream over attached (or none until Open); an attached file stays the caller's.
    explicit CxIOFile(FILE* attached = nullptr);
    ~CxIOFile() override;
    CxIOFile(const CxIOFile&) = delete;
    CxIOFile& operator=(const CxIOFile&) = delete;

    /// Opens name with an fopen mode ("rb", "wb"...); false when it cannot be opened.
    bool Open(LPCTSTR name, LPCTSTR mode);
    /// The stdio file; null when none is open or attached.
    FILE* GetFile() const { return m_file; }
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    /// fseek; false on failure or without a file.
    bool Seek(long offset, int origin) override;
    /// ftell; -1 without a file.
    long Tell() override;
    long Size() override;
    /// fflush; false on failure or without a file.
    bool Flush() override;
    /// True at the end of the file or without a file.
    bool Eof() override;
    /// Closes a file opened here (an attached one is only let go); false when the
    /// final write failed.
    bool Close() override;

private:
    FILE* m_file = nullptr;
    bool m_owned = false;
};

/// A memory block that grows as it is written; reading stops at its end.
class TB_EXPORT CxMemFile : public CxFile {
public:
    CxMemFile() = default;
    /// A stream over a copy of size bytes at data, positioned at the start.
    CxMemFile(const BYTE* data, size_t size);

    /// Empties the block and starts again at offset 0.
    bool Open();
    /// Replaces the block by a copy of size bytes at data, positioned at the start.
    bool Open(const BYTE* data, size_t size);
    /// The bytes written so far (valid until the next write); null when empty.
    const BYTE* GetBuffer() const { return m_data.data(); }
    /// The bytes written so far.
    const std::vector<BYTE>& GetBytes() const { return m_data; }
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    /// Seeking past the end is allowed; a later write fills the gap with zeros.
    bool Seek(long offset, int origin) override;
    /// The position in bytes from the start.
    long Tell() override { return static_cast<long>(m_position); }
    long Size() override { return static_cast<long>(m_data.size()); }
    /// Nothing to write out: true.
    bool Flush() override { return true; }
    /// True when the position is at or past the end of the block.
    bool Eof() override { return m_position >= m_data.size(); }
    /// Nothing to release: true (the bytes stay readable).
    bool Close() override { return true; }

private:
    std::vector<BYTE> m_data;
    size_t m_position = 0;
};
