/// \file
/// \brief File helpers of the exchange formats: existence checks, a line reader that reads the file in large blocks (memory grows only with the longest line), and a writer that writes through a large buffer.
// File helpers of the exchange formats: existence checks, a line reader that reads
// the file in large blocks (memory grows only with the longest line), and a writer
// that writes through a large buffer. Errors are reported as the system's own text.
#pragma once

#include <toolbox/os/output_file.h>
#include <toolbox/types/cstring.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

/// True when path names an existing file system object of any kind.
TB_EXPORT bool TBFileExists(const CString& path);
/// True when path names a directory.
TB_EXPORT bool TBIsDirectory(const CString& path);
/// Size of a regular file in bytes; -1 when it cannot be examined.
TB_EXPORT std::int64_t TBFileSize(const CString& path);
/// The system's description of error number errnum ("No such file or directory").
TB_EXPORT CString TBSystemErrorText(int errnum);

/// Reads a file line by line. A line is the text up to "\n" without that byte (a
/// CR before it stays, callers trim); the last line may lack the "\n". Lines may hold
/// any byte including zero. Not copyable.
class TB_EXPORT CLineReader {
public:
    CLineReader() = default;
    ~CLineReader();
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    /// Opens path for reading; false (and LastErrorNumber set) when the file cannot be
    /// opened or is not a regular file or a pipe (a directory gives EISDIR).
    bool Open(const CString& path, std::size_t blockSize = 1 << 20);
    /// Closes the file; reading ends.
    void Close();
    /// True while a file is open.
    bool IsOpen() const { return m_fd >= 0; }
    /// The next line; false at the end of the file or on a read error (see Failed).
    /// The view stays valid until the next call.
    bool NextLine(std::string_view& line);
    /// True when reading stopped because of an error, not the end of the file.
    bool Failed() const { return m_errno != 0; }
    /// errno of the last failure (0 none).
    int LastErrorNumber() const { return m_errno; }
    /// Bytes consumed so far (lines returned including their line ends).
    std::uint64_t BytesConsumed() const { return m_consumed; }

private:
    bool Refill();
    int m_fd = -1;
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;     // first byte not yet returned
    std::size_t m_end = 0;       // end of the bytes read
    std::size_t m_searched = 0;  // bytes from m_begin known to hold no "\n"
    bool m_eof = false;
    int m_errno = 0;
    std::uint64_t m_consumed = 0;
};

/// Writes a file through a large buffer, under the output rule of <toolbox/os/output_file.h>:
/// a regular file is staged beside its target and replaces it only at Close, so a
/// failure leaves the old file as it was. After the first failure every further call
/// does nothing and Failed() stays true. An output neither closed nor published with
/// TBCloseWriters is abandoned when the object goes.
class TB_EXPORT CBufferedFileWriter {
public:
    CBufferedFileWriter() = default;
    ~CBufferedFileWriter();
    CBufferedFileWriter(const CBufferedFileWriter&) = delete;
    CBufferedFileWriter& operator=(const CBufferedFileWriter&) = delete;

    /// Opens the output for path (the old file stays until Close); false on failure.
    bool Create(const CString& path, std::size_t bufferSize = 1 << 20);
    /// Appends length bytes; nothing after a failure.
    void Write(const char* data, std::size_t length);
    /// Appends the text; nothing after a failure.
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    /// Appends one byte; nothing after a failure.
    void Put(char c) {
        if (m_used < m_capacity)
            m_buffer[m_used++] = c;
        else
            Write(&c, 1);
    }
    /// Room for at least n bytes at the returned pointer; Commit(n) makes them part of
    /// the file. Null after a failure. n must not exceed the buffer size.
    char* Reserve(std::size_t n);
    /// Makes n bytes written at Reserve's pointer part of the file.
    void Commit(std::size_t n) { m_used += n; }
    /// Writes what is buffered and puts the file in place; false when any step failed,
    /// the old file then untouched and nothing staged left behind.
    bool Close();
    /// Drops what was written; the old file stays as it was.
    void Abandon();
    /// True after the first failed write.
    bool Failed() const { return m_errno != 0; }
    /// errno of the first failure; 0 when none.
    int LastErrorNumber() const { return m_errno; }
    /// Size of the buffer in bytes (the most Reserve may ask for).
    std::size_t BufferSize() const { return m_capacity; }

private:
    friend TB_EXPORT bool TBCloseWriters(CBufferedFileWriter* const* writers, std::size_t count);
    bool Flush();
    void Release();
    TBOutputFile m_output;
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    int m_errno = 0;
};

/// Closes writers whose files belong together (the files of one record): they are put
/// in place only when every one was written completely, else none is and every old file
/// stays. False on failure, with each failed writer's LastErrorNumber set (the others
/// get the same number, since their files were dropped for it).
TB_EXPORT bool TBCloseWriters(CBufferedFileWriter* const* writers, std::size_t count);
