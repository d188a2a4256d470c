// CZipArchive on libzip.
#include <toolbox/zip/zip_archive.h>

#include "zip/entry_layout.h"
#include "zip/extract_path.h"

#include <toolbox/os/output_file.h>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

zip_t* AsZip(void* p) { return static_cast<zip_t*>(p); }

// A gap in an archive's indexes (a removed entry) has no name.
bool IsLive(zip_t* zip, ZIP_INDEX_TYPE index) { return zip_get_name(zip, index, 0) != nullptr; }

// The host's callback during zip_close: libzip reports progress and asks separately
// whether to stop, so the answer to the last report is kept for the question.
struct CloseProgress {
    CZipActionCallback* callback;
    bool cancelled;
};

void ReportProgress(zip_t*, double progress, void* state) {
    auto* close = static_cast<CloseProgress*>(state);
    if (!close->callback->Callback(progress)) close->cancelled = true;
}

int AskCancel(zip_t*, void* state) { return static_cast<CloseProgress*>(state)->cancelled ? 1 : 0; }

bool AppendToMemory(void* target, const BYTE* data, size_t size) {
    auto* bytes = static_cast<std::vector<BYTE>*>(target);
    bytes->insert(bytes->end(), data, data + size);
    return true;
}

bool WriteToDescriptor(void* target, const BYTE* data, size_t size) {
    const int fd = *static_cast<int*>(target);
    while (size) {
        ssize_t written = write(fd, data, size);
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Whether a new archive could be written at path, without creating anything there yet.
bool CanCreateAt(const char* path) {
    struct stat info;
    if (stat(path, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            return false;
        }
        return access(path, W_OK) == 0;
    }
    if (errno != ENOENT) return false;
    const std::string name(path);
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool CZipFileHeader::IsDirectory() const {
    const int length = m_fileName.GetLength();
    return length > 0 && m_fileName[length - 1] == '/';
}

CZipMemFile::CZipMemFile(const void* data, size_t size)
    : m_bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + (data ? size : 0)) {}

CZipActionCallback::~CZipActionCallback() = default;

CZipArchive::CZipArchive() = default;

CZipArchive::~CZipArchive() {
    if (m_zip) Close();
}

bool CZipArchive::Open(LPCTSTR path, int mode) {
    if (m_zip) Close();
    m_lastError.Empty();
    m_memory.clear();
    m_closedCount = 0;
    m_extracted = 0;
    ForgetEntryLayout();
    if ((mode != zipCreate && mode != zipOpen && mode != zipOpenReadOnly) || !path || !*path)
        return Fail("Unsupported archive mode or empty archive name");
    // A new archive must be creatable before anything is packed, but nothing is written
    // until Close succeeds.
    if (mode == zipCreate && !CanCreateAt(path))
        return Fail("Cannot create the archive \"%s\": %s", path, std::strerror(errno));
    const int flags = mode == zipCreate ? ZIP_CREATE | ZIP_TRUNCATE : mode == zipOpenReadOnly ? ZIP_RDONLY : 0;
    int error = 0;
    zip_t* zip = zip_open(path, flags, &error);
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        Fail("Cannot %s the archive \"%s\": %s", mode == zipCreate ? "create" : "open", path, zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return false;
    }
    m_zip = zip;
    m_mode = mode;
    m_path = path;
    return true;
}

bool CZipArchive::Open(const CZipMemFile& archive) {
    if (m_zip) Close();
    m_lastError.Empty();
    m_closedCount = 0;
    m_extracted = 0;
    ForgetEntryLayout();
    m_memory = archive.Bytes();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(m_memory.data(), m_memory.size(), 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!zip) {
        Fail("Cannot open the archive in memory: %s", zip_error_strerror(&error));
        if (source) zip_source_free(source);
        zip_error_fini(&error);
        m_memory.clear();
        return false;
    }
    zip_error_fini(&error);
    m_zip = zip;
    m_mode = zipOpenReadOnly;
    m_path.Empty();
    return true;
}

bool CZipArchive::RequireWritable() {
    if (!m_zip) return Fail("The archive is not open");
    if (m_mode == zipOpenReadOnly) return Fail("The archive is open for reading only");
    return true;
}

bool CZipArchive::SetCompression(ZIP_INDEX_TYPE index, int compressionLevel) {
    if (compressionLevel == 0) return zip_set_file_compression(AsZip(m_zip), index, ZIP_CM_STORE, 0) == 0;
    zip_uint32_t level = compressionLevel < 0 || compressionLevel > 9 ? 0 : static_cast<zip_uint32_t>(compressionLevel);
    return zip_set_file_compression(AsZip(m_zip), index, ZIP_CM_DEFLATE, level) == 0;
}

bool CZipArchive::AddNewFile(LPCTSTR filePath, LPCTSTR nameInZip, int compressionLevel, unsigned long bufferSize) {
    (void)bufferSize;
    if (!RequireWritable()) return false;
    if (!filePath || !nameInZip || !*nameInZip) return Fail("Missing file or name in the archive");
    // A folder or a device would only fail when Close reads it, and sink the archive.
    struct stat info;
    if (stat(filePath, &info) != 0 || access(filePath, R_OK) != 0)
        return Fail("Cannot open \"%s\": %s", filePath, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return Fail("Cannot add \"%s\": it is not a regular file", filePath);
    // The source opens the file only while Close writes the archive.
    zip_source_t* source = zip_source_file(AsZip(m_zip), filePath, 0, -1);
    if (!source) return Fail("Cannot read \"%s\": %s", filePath, zip_strerror(AsZip(m_zip)));
    zip_int64_t index = zip_file_add(AsZip(m_zip), nameInZip, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return Fail("Cannot add \"%s\": %s", filePath, zip_strerror(AsZip(m_zip)));
    }
    SetCompression(static_cast<ZIP_INDEX_TYPE>(index), compressionLevel);
    return true;
}

bool CZipArchive::AddNewFile(const CZipMemFile& data, LPCTSTR nameInZip, int compressionLevel) {
    if (!RequireWritable()) return false;
    if (!nameInZip || !*nameInZip) return Fail("Missing name in the archive");
    // libzip reads the data only on Close: it gets its own copy, which it frees.
    void* copy = std::malloc(data.GetLength() ? data.GetLength() : 1);
    if (!copy) return Fail("Not enough memory to add \"%s\"", nameInZip);
    if (data.GetLength()) std::memcpy(copy, data.GetData(), data.GetLength());
    zip_source_t* source = zip_source_buffer(AsZip(m_zip), copy, data.GetLength(), 1);
    if (!source) {
        std::free(copy);
        return Fail("Cannot add \"%s\": %s", nameInZip, zip_strerror(AsZip(m_zip)));
    }
    zip_int64_t index = zip_file_add(AsZip(m_zip), nameInZip, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return Fail("Cannot add \"%s\": %s", nameInZip, zip_strerror(AsZip(m_zip)));
    }
    SetCompression(static_cast<ZIP_INDEX_TYPE>(index), compressionLevel);
    return true;
}

bool CZipArchive::RemoveFile(ZIP_INDEX_TYPE index) {
    if (!RequireWritable()) return false;
    if (zip_delete(AsZip(m_zip), index) != 0)
        return Fail("Cannot remove entry %lu: %s", static_cast<unsigned long>(index), zip_strerror(AsZip(m_zip)));
    return true;
}

bool CZipArchive::RenameFile(ZIP_INDEX_TYPE index, LPCTSTR newName) {
    if (!RequireWritable()) return false;
    if (!newName || !*newName) return Fail("Missing new name");
    if (zip_file_rename(AsZip(m_zip), index, newName, ZIP_FL_ENC_UTF_8) != 0)
        return Fail("Cannot rename entry %lu to \"%s\": %s", static_cast<unsigned long>(index), newName,
                    zip_strerror(AsZip(m_zip)));
    return true;
}

int CZipArchive::GetCount() const {
    if (!m_zip) return m_closedCount;
    zip_int64_t count = zip_get_num_entries(AsZip(m_zip), 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

bool CZipArchive::GetFileInfo(CZipFileHeader& info, ZIP_INDEX_TYPE index) const {
    info = CZipFileHeader();
    if (!m_zip) return false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(AsZip(m_zip), index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)) return false;
    info.m_fileName = stat.name;
    info.m_uUncomprSize = stat.valid & ZIP_STAT_SIZE ? stat.size : 0;
    info.m_uComprSize = stat.valid & ZIP_STAT_COMP_SIZE ? stat.comp_size : 0;
    info.m_uCrc32 = stat.valid & ZIP_STAT_CRC ? stat.crc : 0;
    info.m_uMethod = stat.valid & ZIP_STAT_COMP_METHOD ? static_cast<WORD>(stat.comp_method) : 0;
    info.m_tModificationTime = stat.valid & ZIP_STAT_MTIME ? stat.mtime : 0;
    zip_uint32_t length = 0;
    if (const char* comment = zip_file_get_comment(AsZip(m_zip), index, &length, 0))
        info.m_comment = CString(comment, static_cast<int>(length));
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(AsZip(m_zip), index, 0, &system, &attributes) == 0 && system == ZIP_OPSYS_UNIX)
        info.m_bSymbolicLink = S_ISLNK(attributes >> 16);
    return true;
}

ZIP_INDEX_TYPE CZipArchive::FindFile(LPCTSTR name, bool caseSensitive) const {
    if (!m_zip || !name) return ZIP_FILE_INDEX_NOT_FOUND;
    zip_int64_t index = zip_name_locate(AsZip(m_zip), name, caseSensitive ? 0 : ZIP_FL_NOCASE);
    return index < 0 ? ZIP_FILE_INDEX_NOT_FOUND : static_cast<ZIP_INDEX_TYPE>(index);
}

void CZipArchive::ForgetEntryLayout() {
    m_layoutState = 0;
    m_overlapping.clear();
}

// Reads where the entries of the archive as opened lie, from memory or from its file.
bool CZipArchive::ReadEntryLayout() {
    const zip_int64_t count = zip_get_num_entries(AsZip(m_zip), ZIP_FL_UNCHANGED);
    if (count < 0) return false;
    if (!m_memory.empty() || m_path.IsEmpty()) {
        const std::vector<BYTE>& bytes = m_memory;
        auto read = [&bytes](std::uint64_t offset, void* buffer, size_t size) {
            if (offset > bytes.size() || size > bytes.size() - offset) return false;
            std::memcpy(buffer, bytes.data() + offset, size);
            return true;
        };
        return tbzip::FindOverlappingEntries(read, bytes.size(), static_cast<std::uint64_t>(count), m_overlapping);
    }
    const int fd = open(m_path.GetString(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0) return false;
    auto read = [fd](std::uint64_t offset, void* buffer, size_t size) {
        for (size_t done = 0; done < size;) {
            const ssize_t got =
                pread(fd, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<size_t>(got);
        }
        return true;
    };
    const bool ok =
        fstat(fd, &info) == 0 && tbzip::FindOverlappingEntries(read, static_cast<std::uint64_t>(info.st_size),
                                                               static_cast<std::uint64_t>(count), m_overlapping);
    close(fd);
    return ok;
}

// Entries that share their bytes with another (many names for one compressed block, or
// one entry inside another's data) turn a small archive into a huge extraction and are
// refused. Entries added since the archive was opened have no bytes in it yet.
bool CZipArchive::CheckEntryLayout(ZIP_INDEX_TYPE index, const CString& name) {
    if (static_cast<zip_int64_t>(index) >= zip_get_num_entries(AsZip(m_zip), ZIP_FL_UNCHANGED)) return true;
    if (m_layoutState == 0) {
        try {
            m_layoutState = ReadEntryLayout() ? 1 : -1;
        } catch (const std::bad_alloc&) {
            m_layoutState = -1;
        }
    }
    if (m_layoutState < 0 || index >= m_overlapping.size())
        return Fail("Refused to extract \"%s\": the archive's directory cannot be checked", name.GetString());
    if (m_overlapping[index])
        return Fail("Refused to extract \"%s\": its data overlaps another entry's", name.GetString());
    return true;
}

// Streams the entry's bytes to sink, stopping at the extraction limit (all extractions
// together) whatever the archive claims about the size; the progress callback may cancel.
bool CZipArchive::CopyEntry(ZIP_INDEX_TYPE index, bool (*sink)(void*, const BYTE*, size_t), void* target) {
    CZipFileHeader info;
    GetFileInfo(info, index);
    if (!CheckEntryLayout(index, info.m_fileName)) return false;
    zip_file_t* entry = zip_fopen_index(AsZip(m_zip), index, 0);
    if (!entry) return Fail("Cannot read entry %lu: %s", static_cast<unsigned long>(index), zip_strerror(AsZip(m_zip)));
    std::vector<BYTE> chunk(65536);
    ZIP_SIZE_TYPE total = 0;
    bool ok = true;
    for (;;) {
        zip_int64_t got = zip_fread(entry, chunk.data(), chunk.size());
        if (got < 0) {
            ok = Fail("Cannot read \"%s\": %s", info.m_fileName.GetString(), zip_file_strerror(entry));
            break;
        }
        if (got == 0) break;
        total += static_cast<ZIP_SIZE_TYPE>(got);
        if (total > m_maxExtractSize || m_extracted > m_maxExtractSize - total) {
            ok = Fail("\"%s\" passes the extraction limit of %llu bytes (all entries extracted together)",
                      info.m_fileName.GetString(), m_maxExtractSize);
            break;
        }
        if (!sink(target, chunk.data(), static_cast<size_t>(got))) {
            ok = Fail("Cannot write \"%s\"", info.m_fileName.GetString());
            break;
        }
        if (m_callback && info.m_uUncomprSize &&
            !m_callback->Callback(static_cast<double>(total) / info.m_uUncomprSize)) {
            ok = Fail("Extraction of \"%s\" cancelled", info.m_fileName.GetString());
            break;
        }
    }
    zip_fclose(entry);
    if (ok) m_extracted += total;
    return ok;
}

bool CZipArchive::ExtractFile(ZIP_INDEX_TYPE index, CZipMemFile& out) {
    out.Bytes().clear();
    if (!m_zip) return Fail("The archive is not open");
    try {
        if (!CopyEntry(index, AppendToMemory, &out.Bytes())) {
            out.Bytes().clear();
            return false;
        }
    } catch (const std::bad_alloc&) {
        out.Bytes().clear();
        return Fail("Not enough memory to extract entry %lu", static_cast<unsigned long>(index));
    }
    return true;
}

bool CZipArchive::ExtractFile(ZIP_INDEX_TYPE index, LPCTSTR folder, bool fullPath, LPCTSTR newName) {
    if (!m_zip) return Fail("The archive is not open");
    if (!folder || !*folder) return Fail("Missing target folder");
    CZipFileHeader info;
    if (!GetFileInfo(info, index)) return Fail("No entry %lu", static_cast<unsigned long>(index));
    const std::string name = info.m_fileName.GetString();
    if (!tbzip::IsSafeEntryName(name))
        return Fail("Refused to extract \"%s\": it would leave the target folder", name.c_str());
    if (info.m_bSymbolicLink) return Fail("Refused to extract \"%s\": it is a link", name.c_str());
    std::string relative = newName && *newName ? std::string(newName) : name;
    for (char& c : relative)
        if (c == '\\') c = '/';
    if (!fullPath)
        relative =
            relative.substr(relative.find_last_of('/') == std::string::npos ? 0 : relative.find_last_of('/') + 1);
    if (!tbzip::IsSafeEntryName(relative)) return Fail("Refused to extract to \"%s\"", relative.c_str());
    std::string error;
    const bool isFolder = info.IsDirectory();
    const size_t slash = relative.find_last_of('/');
    const std::string parent = isFolder                     ? relative
                               : slash == std::string::npos ? std::string()
                                                            : relative.substr(0, slash);
    if (!tbzip::MakeFoldersBelow(folder, parent, error)) return Fail("%s", error.c_str());
    if (isFolder) return true;
    // A partly written file (a failed read, a bomb, a cancel, a full disk) neither stays
    // behind nor replaces the file that was there.
    tbzip::StagedFile file;
    if (!file.Open(folder, relative, error)) return Fail("%s", error.c_str());
    int fd = file.Descriptor();
    if (!CopyEntry(index, WriteToDescriptor, &fd)) return false;
    return file.Commit(error) || Fail("%s", error.c_str());
}

CString CZipArchive::GetGlobalComment() const {
    if (!m_zip) return CString();
    int length = 0;
    const char* comment = zip_get_archive_comment(AsZip(m_zip), &length, 0);
    return comment ? CString(comment, length) : CString();
}

bool CZipArchive::SetGlobalComment(LPCTSTR comment) {
    if (!RequireWritable()) return false;
    const size_t length = comment ? std::strlen(comment) : 0;
    if (length > 0xFFFF) return Fail("Archive comment longer than 65535 bytes");
    if (zip_set_archive_comment(AsZip(m_zip), comment, static_cast<zip_uint16_t>(length)) != 0)
        return Fail("Cannot set the archive comment: %s", zip_strerror(AsZip(m_zip)));
    return true;
}

bool CZipArchive::SetFileComment(ZIP_INDEX_TYPE index, LPCTSTR comment) {
    if (!RequireWritable()) return false;
    const size_t length = comment ? std::strlen(comment) : 0;
    if (length > 0xFFFF) return Fail("Entry comment longer than 65535 bytes");
    if (zip_file_set_comment(AsZip(m_zip), index, comment, static_cast<zip_uint16_t>(length), ZIP_FL_ENC_UTF_8) != 0)
        return Fail("Cannot set the comment of entry %lu: %s", static_cast<unsigned long>(index),
                    zip_strerror(AsZip(m_zip)));
    return true;
}

// libzip writes nothing for an archive without entries (and removes an existing one);
// the 22-byte end record alone is still a valid, empty zip file.
bool CZipArchive::WriteEmptyArchive() {
    static const char endRecord[22] = {0x50, 0x4B, 0x05, 0x06};
    return TBReplaceFileContents(m_path.GetString(), std::string_view(endRecord, sizeof endRecord)) ||
           Fail("Cannot write the archive \"%s\": %s", m_path.GetString(), std::strerror(errno));
}

void CZipArchive::Discard() {
    if (!m_zip) return;
    m_closedCount = 0;
    zip_discard(AsZip(m_zip));
    m_zip = nullptr;
    m_memory.clear();
    ForgetEntryLayout();
}

bool CZipArchive::Close() {
    if (!m_zip) return false;
    zip_t* zip = AsZip(m_zip);
    m_closedCount = GetCount();
    m_zip = nullptr;
    if (m_mode == zipOpenReadOnly) {
        zip_discard(zip);
        m_memory.clear();
        return true;
    }
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    m_closedCount = 0;
    for (zip_int64_t i = 0; i < count; ++i) m_closedCount += IsLive(zip, static_cast<ZIP_INDEX_TYPE>(i)) ? 1 : 0;
    const bool empty = m_closedCount == 0;
    if (empty && m_mode == zipCreate) {
        zip_discard(zip);
        return WriteEmptyArchive();
    }
    CloseProgress progress{m_callback, false};
    if (m_callback) {
        zip_register_progress_callback_with_state(zip, 0.01, ReportProgress, nullptr, &progress);
        zip_register_cancel_callback_with_state(zip, AskCancel, nullptr, &progress);
    }
    if (zip_close(zip) != 0) {
        Fail("Cannot write the archive: %s", zip_strerror(zip));
        zip_discard(zip);
        return false;
    }
    return !empty || WriteEmptyArchive();
}
