#include <toolbox/os/profile_cache.h>

#include "platform/os/replace_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr UINT kTableSize = 100;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool HoldsLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

// A section name that would not read back as written: a line break splits the line,
// and leading "[" or trailing "]" are taken as part of the brackets.
bool IsWritableSection(const char* section) {
    size_t length = std::strlen(section);
    return !HoldsLineBreak(section) && !(length > 0 && (section[0] == '[' || section[length - 1] == ']'));
}

// A key and value that would not read back as written: a line break splits the line,
// "=" in the key moves the split, and "[key=value]" reads back as a section line.
bool IsWritable(const char* section, const char* key, const char* value) {
    if (!IsWritableSection(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return false;
    if (std::strchr(key, '=')) return false;
    std::string_view k = Trim(key), v = Trim(value);
    return !(!k.empty() && k.front() == '[' && !v.empty() && v.back() == ']');
}

long long ModificationTime(const struct stat& status) {
    return static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
}

// atoi without its undefined behaviour on overflow: leading blanks, a sign and digits;
// anything else ends the number, and values beyond int are clamped.
int ToInt(const char* text) {
    errno = 0;
    long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

CPrivateSection* FindOrCreateSection(CPrivateFile& file, std::string_view name) {
    CString key(name);
    CPrivateSection*& slot = file.m_sections[key];
    if (!slot) slot = new CPrivateSection;
    return slot;
}

// The load rule: a value from the disk never replaces a value written through the
// interface.
void StoreLoaded(CPrivateSection& section, std::string_view key, std::string_view value) {
    CPrivateEntry*& slot = section.m_entries[CString(key)];
    if (!slot) slot = new CPrivateEntry;
    if (!slot->m_modified) slot->m_value = CString(value);
}

void MergeInto(CPrivateFile& file, std::string_view text) {
    CPrivateSection* current = nullptr;
    const char* data = text.data();
    const size_t size = text.size();
    size_t pos = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
        std::string_view line(data + pos, end - pos);
        pos = end + 1;
        if (end < size && data[end] == '\r' && pos < size && data[pos] == '\n') ++pos;

        // A line ends at a zero byte, as it does for every reader of C strings.
        if (const void* zero = std::memchr(line.data(), 0, line.size()))
            line = line.substr(0, static_cast<const char*>(zero) - line.data());
        line = Trim(line);
        if (line.empty()) continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            size_t first = line.find_first_not_of('[');
            size_t last = line.find_last_not_of(']');
            std::string_view name = (first == std::string_view::npos || last == std::string_view::npos || last < first)
                                        ? std::string_view()
                                        : line.substr(first, last - first + 1);
            current = FindOrCreateSection(file, name);
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (!current) current = FindOrCreateSection(file, std::string_view());
        StoreLoaded(*current, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
}

std::string Format(const CPrivateFile& file) {
    std::string out;
    CString name;
    CPrivateSection* section = nullptr;
    for (POSITION pos = file.m_sections.GetStartPosition(); pos;) {
        file.m_sections.GetNextAssoc(pos, name, section);
        out += '[';
        out += name.str();
        out += "]\r\n";
        CString key;
        CPrivateEntry* entry = nullptr;
        for (POSITION e = section->m_entries.GetStartPosition(); e;) {
            section->m_entries.GetNextAssoc(e, key, entry);
            out += key.str();
            out += '=';
            out += entry->m_value.str();
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

// Reads a whole regular file. False (and text untouched) when it cannot be opened,
// is no regular file, or a read fails.
bool ReadRegularFile(const char* path, std::string& text, struct stat& status) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    std::string buffer;
    if (ok) {
        try {
            buffer.reserve(static_cast<size_t>(status.st_size));
            char chunk[65536];
            for (;;) {
                ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    ok = false;
                    break;
                }
                if (n == 0) break;
                buffer.append(chunk, static_cast<size_t>(n));
            }
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ::close(fd);
    if (ok) text.swap(buffer);
    return ok;
}

CPrivateFileCache g_cache;

}  // namespace

// ---------------------------------------------------------------- objects

namespace {

// The cache's maps own what their values point to; emptied, they keep their bucket count.
template <class Map>
void DeleteValuesAndEmpty(Map& map) {
    DeleteMapValues(map);
    map.InitHashTable(kTableSize);
}

}  // namespace

CPrivateSection::CPrivateSection() { m_entries.InitHashTable(kTableSize); }
CPrivateSection::~CPrivateSection() { RemoveAll(); }
void CPrivateSection::RemoveAll() { DeleteValuesAndEmpty(m_entries); }

CPrivateFile::CPrivateFile() { m_sections.InitHashTable(kTableSize); }
CPrivateFile::~CPrivateFile() { RemoveAll(); }
void CPrivateFile::RemoveAll() { DeleteValuesAndEmpty(m_sections); }

CPrivateFileCache::CPrivateFileCache() { m_files.InitHashTable(kTableSize); }
CPrivateFileCache::~CPrivateFileCache() { DeleteValuesAndEmpty(m_files); }

CPrivateFile* CPrivateFileCache::Find(const char* file) const {
    CPrivateFile* const* found = m_files.PLookup(file);
    return found ? *found : nullptr;
}

CPrivateFile* CPrivateFileCache::FindOrCreate(const char* file) {
    CPrivateFile*& slot = m_files[file];
    if (!slot) slot = new CPrivateFile;
    return slot;
}

bool CPrivateFileCache::IsCached(const char* file) const { return file && Find(file); }

void CPrivateFileCache::Remove(const char* file) {
    if (CPrivateFile* cached = Find(file)) {
        m_files.RemoveKey(file);
        delete cached;
    }
}

bool CPrivateFileCache::Load(const char* file) {
    std::string text;
    struct stat status;
    if (!ReadRegularFile(file, text, status)) return false;
    CPrivateFile* cached = FindOrCreate(file);
    cached->m_loadTime = ModificationTime(status);
    MergeInto(*cached, text);
    return true;
}

CPrivateFile* CPrivateFileCache::FindForReading(const char* file, int cachedOnly) {
    CPrivateFile* cached = Find(file);
    if (!cached) {
        if (!Load(file)) return nullptr;
        return Find(file);
    }
    if (!cachedOnly) {
        struct stat status;
        if (::stat(file, &status) == 0 && cached->m_loadTime < ModificationTime(status)) Load(file);
    }
    return cached;
}

void CPrivateFileCache::MergeText(const char* file, std::string_view text) {
    if (!file) return;
    MergeInto(*FindOrCreate(file), text);
}

CString CPrivateFileCache::FormatFile(const char* file) const {
    const CPrivateFile* cached = file ? Find(file) : nullptr;
    return cached ? CString(Format(*cached)) : CString();
}

bool CPrivateFileCache::WriteToDisk(const char* file, CPrivateFile& cached) {
    try {
        long long modificationTime = 0;
        if (!TBReplaceFileContents(file, Format(cached), &modificationTime)) return false;
        // The cache now holds exactly what is on disk: no need to merge it again.
        cached.m_loadTime = modificationTime;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---------------------------------------------------------------- operations

CString CPrivateFileCache::GetStringValue(const char* section, const char* key, const char* defaultText,
                                          const char* file, int cachedOnly) {
    CString fallback(defaultText);
    if (!section || !key || !file) return fallback;
    try {
        CPrivateFile* cached = FindForReading(file, cachedOnly);
        if (!cached) return fallback;
        CPrivateSection* const* s = cached->m_sections.PLookup(section);
        if (!s) return fallback;
        CPrivateEntry* const* e = (*s)->m_entries.PLookup(key);
        if (!e) return fallback;
        return (*e)->m_value;
    } catch (const std::bad_alloc&) {
        return fallback;
    }
}

int CPrivateFileCache::GetIntValue(const char* section, const char* key, int defaultValue, const char* file,
                                   int cachedOnly) {
    char defaultText[16];
    std::snprintf(defaultText, sizeof defaultText, "%d", defaultValue);
    return ToInt(GetStringValue(section, key, defaultText, file, cachedOnly));
}

void CPrivateFileCache::GetSection(const char* section, CMapStringToString& out, const char* file, int cachedOnly) {
    out.RemoveAll();
    out.InitHashTable(kTableSize);
    if (!section || !file) return;
    try {
        CPrivateFile* cached = FindForReading(file, cachedOnly);
        if (!cached) return;
        CPrivateSection* const* s = cached->m_sections.PLookup(section);
        if (!s) return;
        CString key;
        CPrivateEntry* entry = nullptr;
        for (POSITION pos = (*s)->m_entries.GetStartPosition(); pos;) {
            (*s)->m_entries.GetNextAssoc(pos, key, entry);
            out[key] = entry->m_value;
        }
    } catch (const std::bad_alloc&) {
        out.RemoveAll();
    }
}

int CPrivateFileCache::WriteStringValue(const char* section, const char* key, const char* value, const char* file) {
    if (!section || !key || !value || !file || !IsWritable(section, key, value)) return 0;
    try {
        CPrivateSection* s = FindOrCreateSection(*FindOrCreate(file), section);
        CPrivateEntry*& slot = s->m_entries[key];
        if (!slot) slot = new CPrivateEntry;
        slot->m_value = value;
        slot->m_modified = 1;
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CPrivateFileCache::WriteIntValue(const char* section, const char* key, int value, const char* file) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WriteStringValue(section, key, text, file);
}

int CPrivateFileCache::WriteSection(const char* section, const CMapStringToString& entries, const char* file) {
    if (!section || !file || !IsWritableSection(section)) return 0;
    CString key, value;
    for (POSITION pos = entries.GetStartPosition(); pos;) {
        entries.GetNextAssoc(pos, key, value);
        if (!IsWritable(section, key, value)) return 0;
    }
    try {
        CPrivateSection* s = FindOrCreateSection(*FindOrCreate(file), section);
        s->RemoveAll();
        for (POSITION pos = entries.GetStartPosition(); pos;) {
            entries.GetNextAssoc(pos, key, value);
            CPrivateEntry*& slot = s->m_entries[key];
            if (!slot) slot = new CPrivateEntry;
            slot->m_value = value;
            slot->m_modified = 1;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CPrivateFileCache::Reload(const char* file) {
    if (!file) return 0;
    try {
        CPrivateFile* cached = Find(file);
        if (!cached) return Load(file) ? 1 : 0;
        struct stat status;
        if (::stat(file, &status) != 0) return 0;
        if (cached->m_loadTime < ModificationTime(status)) Load(file);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CPrivateFileCache::Flush(const char* file) {
    if (!file) return 0;
    try {
        Load(file);  // merge what another program changed; a missing file is no error
        CPrivateFile* cached = Find(file);
        if (!cached) return 1;
        return WriteToDisk(file, *cached) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CPrivateFileCache::Close(int save, const char* file) {
    if (!file) return 0;
    if (!Find(file)) return 1;
    if (save) {
        try {
            Load(file);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (!WriteToDisk(file, *Find(file))) return 0;
    }
    Remove(file);
    return 1;
}

int CPrivateFileCache::Replace(const char* file) {
    if (!file) return 0;
    bool written = false;
    try {
        written = WriteToDisk(file, *FindOrCreate(file));
    } catch (const std::bad_alloc&) {}
    Remove(file);
    return written ? 1 : 0;
}

int CPrivateFileCache::CloseAll(int save) {
    CStringArray names;
    CString name;
    CPrivateFile* file = nullptr;
    for (POSITION pos = m_files.GetStartPosition(); pos;) {
        m_files.GetNextAssoc(pos, name, file);
        names.Add(name);
    }
    int result = 1;
    for (int i = 0; i < names.GetSize(); ++i)
        if (!Close(save, names[i])) result = 0;
    return result;
}

// ---------------------------------------------------------------- process-wide cache

CString GetPrivateStringValue(const char* section, const char* key, const char* defaultText, const char* file,
                              int cachedOnly) {
    return g_cache.GetStringValue(section, key, defaultText, file, cachedOnly);
}
int GetPrivateIntValue(const char* section, const char* key, int defaultValue, const char* file, int cachedOnly) {
    return g_cache.GetIntValue(section, key, defaultValue, file, cachedOnly);
}
void GetPrivateSection(const char* section, CMapStringToString& out, const char* file, int cachedOnly) {
    g_cache.GetSection(section, out, file, cachedOnly);
}
int WritePrivateStringValue(const char* section, const char* key, const char* value, const char* file) {
    return g_cache.WriteStringValue(section, key, value, file);
}
int WritePrivateIntValue(const char* section, const char* key, int value, const char* file) {
    return g_cache.WriteIntValue(section, key, value, file);
}
int WritePrivateSection(const char* section, const CMapStringToString& entries, const char* file) {
    return g_cache.WriteSection(section, entries, file);
}
int ReloadPrivateFile(const char* file) { return g_cache.Reload(file); }
int FlushPrivateFile(const char* file) { return g_cache.Flush(file); }
int ClosePrivateFile(int save, const char* file) { return g_cache.Close(save, file); }
int CloseAllPrivateFiles(int save) { return g_cache.CloseAll(save); }
int ReplacePrivateFile(const char* file) { return g_cache.Replace(file); }
