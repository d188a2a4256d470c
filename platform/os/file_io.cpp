#include <toolbox/os/file_io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool TBFileExists(const CString& path) {
    struct stat st;
    return !path.IsEmpty() && ::stat(path.GetString(), &st) == 0;
}

bool TBIsDirectory(const CString& path) {
    struct stat st;
    return !path.IsEmpty() && ::stat(path.GetString(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t TBFileSize(const CString& path) {
    struct stat st;
    if (path.IsEmpty() || ::stat(path.GetString(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

CString TBSystemErrorText(int errnum) {
    char buffer[256];
    // The GNU strerror_r may return a static text instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    return CString(strerror_r(errnum, buffer, sizeof buffer));
#else
    if (strerror_r(errnum, buffer, sizeof buffer) != 0) return CString("Unknown error");
    return CString(buffer);
#endif
}

// ---------------------------------------------------------------- CLineReader

CLineReader::~CLineReader() { Close(); }

bool CLineReader::Open(const CString& path, std::size_t blockSize) {
    Close();
    m_errno = 0;
    int fd = ::open(path.GetString(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_errno = errno ? errno : ENOENT;
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        m_errno = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return false;
    }
    m_capacity = blockSize < 4096 ? 4096 : blockSize;
    // A small file needs no large block (the buffer still grows if the file does).
    if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) < m_capacity)
        m_capacity = static_cast<std::size_t>(st.st_size) + 4096;
    m_buffer = static_cast<char*>(std::malloc(m_capacity));
    if (!m_buffer) {
        ::close(fd);
        m_errno = ENOMEM;
        return false;
    }
    m_fd = fd;
    m_begin = m_end = m_searched = 0;
    m_eof = false;
    m_consumed = 0;
    return true;
}

void CLineReader::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    std::free(m_buffer);
    m_buffer = nullptr;
    m_capacity = m_begin = m_end = m_searched = 0;
}

// Moves the unread rest to the front, grows the buffer when the rest fills it, and
// reads the next block. False at the end of the file or on an error.
bool CLineReader::Refill() {
    if (m_eof || m_fd < 0) return false;
    if (m_begin > 0) {
        std::memmove(m_buffer, m_buffer + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_capacity) {
        std::size_t grown = m_capacity * 2;
        char* bigger = static_cast<char*>(std::realloc(m_buffer, grown));
        if (!bigger) {
            m_errno = ENOMEM;
            return false;
        }
        m_buffer = bigger;
        m_capacity = grown;
    }
    for (;;) {
        ssize_t n = ::read(m_fd, m_buffer + m_end, m_capacity - m_end);
        if (n > 0) {
            m_end += static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        if (errno != EINTR) {
            m_errno = errno;
            return false;
        }
    }
}

bool CLineReader::NextLine(std::string_view& line) {
    if (m_fd < 0 || m_errno) return false;
    for (;;) {
        const char* start = m_buffer + m_begin;
        const char* from = start + m_searched;
        const void* newline = std::memchr(from, '\n', m_end - m_begin - m_searched);
        if (newline) {
            std::size_t length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
            line = std::string_view(start, length);
            m_begin += length + 1;
            m_searched = 0;
            m_consumed += length + 1;
            return true;
        }
        m_searched = m_end - m_begin;
        if (!Refill()) {
            if (m_errno) return false;
            if (m_end > m_begin) {  // last line without a line end
                line = std::string_view(m_buffer + m_begin, m_end - m_begin);
                m_consumed += m_end - m_begin;
                m_begin = m_end;
                m_searched = 0;
                return true;
            }
            return false;
        }
    }
}

// ---------------------------------------------------------------- CBufferedFileWriter

CBufferedFileWriter::~CBufferedFileWriter() { Abandon(); }

bool CBufferedFileWriter::Create(const CString& path, std::size_t bufferSize) {
    Abandon();
    m_errno = 0;
    if (!m_output.Open(path.GetString())) {
        m_errno = errno ? errno : EIO;
        return false;
    }
    m_capacity = bufferSize < 4096 ? 4096 : bufferSize;
    m_buffer = static_cast<char*>(std::malloc(m_capacity));
    if (!m_buffer) {
        m_output.Abandon();
        m_errno = ENOMEM;
        return false;
    }
    m_used = 0;
    return true;
}

bool CBufferedFileWriter::Flush() {
    if (m_used > 0 && !m_errno && !m_output.Write(std::string_view(m_buffer, m_used))) m_errno = errno ? errno : EIO;
    m_used = 0;
    return !m_errno;
}

void CBufferedFileWriter::Write(const char* data, std::size_t length) {
    if (!m_buffer || m_errno) return;
    while (length > 0) {
        if (m_used == m_capacity && !Flush()) return;
        std::size_t room = m_capacity - m_used;
        std::size_t n = length < room ? length : room;
        std::memcpy(m_buffer + m_used, data, n);
        m_used += n;
        data += n;
        length -= n;
    }
}

char* CBufferedFileWriter::Reserve(std::size_t n) {
    if (!m_buffer || m_errno || n > m_capacity) return nullptr;
    if (m_capacity - m_used < n && !Flush()) return nullptr;
    return m_buffer + m_used;
}

void CBufferedFileWriter::Release() {
    std::free(m_buffer);
    m_buffer = nullptr;
    m_capacity = m_used = 0;
}

bool CBufferedFileWriter::Close() {
    CBufferedFileWriter* self = this;
    return TBCloseWriters(&self, 1);
}

void CBufferedFileWriter::Abandon() {
    m_output.Abandon();
    Release();
}

bool TBCloseWriters(CBufferedFileWriter* const* writers, std::size_t count) {
    int error = 0;
    std::vector<TBOutputFile*> outputs;
    for (std::size_t i = 0; i < count; ++i) {
        CBufferedFileWriter& w = *writers[i];
        if (!w.m_buffer && !w.m_errno) w.m_errno = EBADF;  // never created
        if (w.m_buffer) w.Flush();
        w.Release();
        if (w.m_errno && !error) error = w.m_errno;
        outputs.push_back(&w.m_output);
    }
    if (!error && TBCommitOutputs(outputs.data(), outputs.size())) return true;
    if (!error) error = errno ? errno : EIO;
    for (std::size_t i = 0; i < count; ++i) {
        writers[i]->m_output.Abandon();
        if (!writers[i]->m_errno) writers[i]->m_errno = error;
    }
    return false;
}
