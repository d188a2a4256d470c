// The image file adaptors: stdio files and growable memory blocks.
#include <toolbox/image/xfile.h>

#include <cstring>
#include <limits>

CxFile::~CxFile() = default;

long CxFile::GetC() {
    BYTE c = 0;
    return Read(&c, 1, 1) == 1 ? c : -1;
}

CxIOFile::CxIOFile(FILE* attached) : m_file(attached) {}

CxIOFile::~CxIOFile() { Close(); }

bool CxIOFile::Open(LPCTSTR name, LPCTSTR mode) {
    Close();
    if (!name || !mode) return false;
    m_file = std::fopen(name, mode);
    m_owned = m_file != nullptr;
    return m_file != nullptr;
}

size_t CxIOFile::Read(void* buffer, size_t size, size_t count) {
    return m_file && size ? std::fread(buffer, size, count, m_file) : 0;
}

size_t CxIOFile::Write(const void* buffer, size_t size, size_t count) {
    return m_file && size ? std::fwrite(buffer, size, count, m_file) : 0;
}

bool CxIOFile::Seek(long offset, int origin) { return m_file && std::fseek(m_file, offset, origin) == 0; }

long CxIOFile::Tell() { return m_file ? std::ftell(m_file) : -1; }

long CxIOFile::Size() {
    if (!m_file) return -1;
    long here = std::ftell(m_file);
    if (here < 0 || std::fseek(m_file, 0, SEEK_END) != 0) return -1;
    long size = std::ftell(m_file);
    std::fseek(m_file, here, SEEK_SET);
    return size;
}

bool CxIOFile::Flush() { return m_file && std::fflush(m_file) == 0; }

bool CxIOFile::Eof() { return !m_file || std::feof(m_file); }

bool CxIOFile::Close() {
    bool ok = true;
    if (m_file && m_owned) ok = std::fclose(m_file) == 0;
    m_file = nullptr;
    m_owned = false;
    return ok;
}

CxMemFile::CxMemFile(const BYTE* data, size_t size) { Open(data, size); }

bool CxMemFile::Open() {
    m_data.clear();
    m_position = 0;
    return true;
}

bool CxMemFile::Open(const BYTE* data, size_t size) {
    if (!data && size) return false;
    m_data.assign(data, data + size);
    m_position = 0;
    return true;
}

size_t CxMemFile::Read(void* buffer, size_t size, size_t count) {
    if (!size || m_position >= m_data.size()) return 0;
    size_t available = (m_data.size() - m_position) / size;
    size_t items = count < available ? count : available;
    std::memcpy(buffer, m_data.data() + m_position, items * size);
    m_position += items * size;
    return items;
}

size_t CxMemFile::Write(const void* buffer, size_t size, size_t count) {
    if (!size || count > std::numeric_limits<size_t>::max() / size) return 0;
    size_t bytes = size * count;
    if (m_position + bytes > m_data.size()) m_data.resize(m_position + bytes);
    if (bytes) std::memcpy(m_data.data() + m_position, buffer, bytes);
    m_position += bytes;
    return count;
}

bool CxMemFile::Seek(long offset, int origin) {
    long base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<long>(m_position) : Size();
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return false;
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > std::numeric_limits<long>::max() - offset))
        return false;
    m_position = static_cast<size_t>(base + offset);
    return true;
}
