// CZipArchive on libzip.
#include <toolbox/zip/zip_archive.h>

#include <zip.h>

#include <cstdio>

namespace {
zip_t* AsZip(void* p) { return static_cast<zip_t*>(p); }
}  // namespace

CZipArchive::CZipArchive() = default;

CZipArchive::~CZipArchive() {
    if (m_zip) Close();
}

bool CZipArchive::Open(LPCTSTR path, int mode) {
    if (m_zip) Close();
    m_count = 0;
    m_lastError.Empty();
    if (mode != zipCreate || !path || !*path) {
        m_lastError = "Unsupported archive mode or empty archive name";
        return false;
    }
    // The archive must be creatable before anything is packed: probe the directory now
    // instead of failing only at Close.
    FILE* probe = std::fopen(path, "ab");
    if (!probe) {
        m_lastError.Format("Cannot create the archive \"%s\"", path);
        return false;
    }
    std::fclose(probe);
    int error = 0;
    zip_t* zip = zip_open(path, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        m_lastError.Format("Cannot create the archive \"%s\": %s", path, zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return false;
    }
    m_zip = zip;
    m_path = path;
    return true;
}

bool CZipArchive::AddNewFile(LPCTSTR filePath, LPCTSTR nameInZip, int compressionLevel, unsigned long bufferSize) {
    (void)bufferSize;
    if (!m_zip) {
        m_lastError = "The archive is not open";
        return false;
    }
    if (!filePath || !nameInZip || !*nameInZip) {
        m_lastError = "Missing file or name in the archive";
        return false;
    }
    // Holding the open stream keeps the data even when the file is deleted before Close.
    FILE* file = std::fopen(filePath, "rb");
    if (!file) {
        m_lastError.Format("Cannot open \"%s\"", filePath);
        return false;
    }
    zip_source_t* source = zip_source_filep(AsZip(m_zip), file, 0, -1);
    if (!source) {
        std::fclose(file);
        m_lastError.Format("Cannot read \"%s\"", filePath);
        return false;
    }
    zip_int64_t index = zip_file_add(AsZip(m_zip), nameInZip, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        m_lastError.Format("Cannot add \"%s\": %s", filePath, zip_strerror(AsZip(m_zip)));
        return false;
    }
    if (compressionLevel == 0) {
        zip_set_file_compression(AsZip(m_zip), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    } else {
        zip_uint32_t level =
            compressionLevel < 0 || compressionLevel > 9 ? 0 : static_cast<zip_uint32_t>(compressionLevel);
        zip_set_file_compression(AsZip(m_zip), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, level);
    }
    ++m_count;
    return true;
}

bool CZipArchive::Close() {
    if (!m_zip) return false;
    zip_t* zip = AsZip(m_zip);
    m_zip = nullptr;
    if (m_count == 0) {
        // libzip writes nothing for an empty archive; write the 22-byte end record so the
        // result is still a valid zip file.
        zip_discard(zip);
        static const unsigned char endRecord[22] = {0x50, 0x4B, 0x05, 0x06};
        FILE* out = std::fopen(m_path, "wb");
        bool ok = out && std::fwrite(endRecord, 1, sizeof endRecord, out) == sizeof endRecord;
        if (out && std::fclose(out) != 0) ok = false;
        if (!ok) m_lastError.Format("Cannot write the archive \"%s\"", m_path.GetString());
        return ok;
    }
    if (zip_close(zip) != 0) {
        m_lastError.Format("Cannot write the archive: %s", zip_strerror(zip));
        zip_discard(zip);
        return false;
    }
    return true;
}
