/// \file
/// \brief The private profile cache: INI files of named sections and key=value lines, kept in memory by one process-wide cache.
// The private profile cache: INI files of named sections and key=value lines, kept in
// memory by one process-wide cache. Reads come from the cache (re-reading a file that
// changed on disk unless cached-only is asked for); writes change only the cache; a
// flush or a close with save merges the file's current disk content with the cached
// changes and rewrites the whole file.
//
// File format. Lines are trimmed and empty ones skipped; "[name]" starts a section
// (every leading "[" and trailing "]" removed); a line holding "=" is an entry, key
// before the first "=", value after it, both trimmed; other lines are ignored; lines
// before the first section belong to the section with the empty name. Line ends are
// LF, CR LF or a lone CR; a line ends at a zero byte. Written files list sections and
// keys in the order of their tables (100 buckets of the framework's string hash,
// newest first in a bucket) and end their lines in CR LF.
//
// Names compare byte for byte. An entry written through this interface is marked
// modified and from then on wins over the disk value when the file is merged again.
// Rewriting is crash-safe: the new text goes to a temporary file beside the old one,
// which is replaced only when the whole text was written and synced.
#pragma once

#include <toolbox/types/maps.h>

#include <string_view>

/// One key of a cached section.
class TB_EXPORT CPrivateEntry {
public:
    int m_modified = 0;  ///< set by every write through the interface, never cleared
    CString m_value;  ///< The value, trimmed.
};

/// One section: key -> entry, 100 buckets, owning.
class TB_EXPORT CPrivateSection {
public:
    CPrivateSection();
    ~CPrivateSection();
    CPrivateSection(const CPrivateSection&) = delete;
    CPrivateSection& operator=(const CPrivateSection&) = delete;
    /// Deletes every entry.
    void RemoveAll();
    CMap<CString, const char*, CPrivateEntry*, CPrivateEntry*> m_entries;  ///< Key -> entry; the section owns the entries.
};

/// One cached file: section name -> section, 100 buckets, owning.
class TB_EXPORT CPrivateFile {
public:
    CPrivateFile();
    ~CPrivateFile();
    CPrivateFile(const CPrivateFile&) = delete;
    CPrivateFile& operator=(const CPrivateFile&) = delete;
    /// Deletes every section.
    void RemoveAll();
    /// Modification time of the disk file at the last load, in nanoseconds since the
    /// epoch; 0 for a file that entered the cache through a write.
    long long m_loadTime = 0;
    CMap<CString, const char*, CPrivateSection*, CPrivateSection*> m_sections;  ///< Section name -> section; the file owns the sections.
};

/// The cache: file name -> cached file, 100 buckets, owning. The library keeps one
/// process-wide instance behind the free functions below; the class is public so that
/// other stores (the per-user settings) can keep their own.
class TB_EXPORT CPrivateFileCache {
public:
    CPrivateFileCache();
    ~CPrivateFileCache();
    CPrivateFileCache(const CPrivateFileCache&) = delete;
    CPrivateFileCache& operator=(const CPrivateFileCache&) = delete;

    /// GetPrivateStringValue on this cache.
    CString GetStringValue(const char* section, const char* key, const char* defaultText, const char* file,
                           int cachedOnly);
    /// GetPrivateIntValue on this cache.
    int GetIntValue(const char* section, const char* key, int defaultValue, const char* file, int cachedOnly);
    /// GetPrivateSection on this cache.
    void GetSection(const char* section, CMapStringToString& out, const char* file, int cachedOnly);
    /// WritePrivateStringValue on this cache.
    int WriteStringValue(const char* section, const char* key, const char* value, const char* file);
    /// WritePrivateIntValue on this cache.
    int WriteIntValue(const char* section, const char* key, int value, const char* file);
    /// WritePrivateSection on this cache.
    int WriteSection(const char* section, const CMapStringToString& entries, const char* file);
    /// ReloadPrivateFile on this cache.
    int Reload(const char* file);
    /// FlushPrivateFile on this cache.
    int Flush(const char* file);
    /// ClosePrivateFile on this cache.
    int Close(int save, const char* file);
    /// CloseAllPrivateFiles on this cache.
    int CloseAll(int save);
    /// ReplacePrivateFile on this cache.
    int Replace(const char* file);

    /// Merges profile text into the cached file (created when new) by the load rule,
    /// without touching the disk.
    void MergeText(const char* file, std::string_view text);
    /// The text a flush would write for the cached file; empty when it is not cached.
    CString FormatFile(const char* file) const;
    /// True when file is cached.
    bool IsCached(const char* file) const;

private:
    CPrivateFile* Find(const char* file) const;
    CPrivateFile* FindOrCreate(const char* file);
    bool Load(const char* file);
    CPrivateFile* FindForReading(const char* file, int cachedOnly);
    bool WriteToDisk(const char* file, CPrivateFile& cached);
    void Remove(const char* file);

    CMap<CString, const char*, CPrivateFile*, CPrivateFile*> m_files;
};

/// Cached value of key in section of file, or defaultText when the file, the section
/// or the key is missing. cachedOnly = 0 first re-reads a file that changed on disk.
TB_EXPORT CString GetPrivateStringValue(const char* section, const char* key, const char* defaultText, const char* file,
                                        int cachedOnly = 0);
/// atoi of GetPrivateStringValue (text that is no number gives 0); defaultValue when
/// the key is missing. Numbers beyond the int range are clamped to it.
TB_EXPORT int GetPrivateIntValue(const char* section, const char* key, int defaultValue, const char* file,
                                 int cachedOnly = 0);
/// Replaces out (100 buckets) with the keys and values of section; empty when missing.
TB_EXPORT void GetPrivateSection(const char* section, CMapStringToString& out, const char* file, int cachedOnly = 0);
/// Sets key in the cache only and marks it modified. Returns 1, or 0 when a name or
/// the value holds a line break, the key holds "=" (the file could not be read back
/// as written), or memory runs out; the cache is then unchanged.
TB_EXPORT int WritePrivateStringValue(const char* section, const char* key, const char* value, const char* file);
/// WritePrivateStringValue of value written as a decimal number.
TB_EXPORT int WritePrivateIntValue(const char* section, const char* key, int value, const char* file);
/// Replaces the cached keys of section with entries, all marked modified (keys that
/// are still on disk come back at the next flush, which merges the disk first).
TB_EXPORT int WritePrivateSection(const char* section, const CMapStringToString& entries, const char* file);
/// Loads file when it is not cached, else re-reads it when it changed on disk.
/// 0 when the file cannot be read.
TB_EXPORT int ReloadPrivateFile(const char* file);
/// Merges the disk file in and rewrites it from the cache. 1 also when the file is not
/// cached (nothing is written); 0 when it cannot be written (the old file stays).
TB_EXPORT int FlushPrivateFile(const char* file);
/// Writes the file as FlushPrivateFile does when save is not 0, then drops it from the
/// cache. 1 on success or when not cached; 0 when saving failed, in which case the file
/// stays cached so that nothing is lost.
TB_EXPORT int ClosePrivateFile(int save, const char* file);
/// ClosePrivateFile for every cached file; 0 when any of them failed to save.
TB_EXPORT int CloseAllPrivateFiles(int save);
/// Writes the cached file over the disk file exactly as cached, without merging what
/// the disk holds (for a file that is rewritten whole, such as a catalogue), then drops
/// it from the cache; a file not cached is written empty. The old file stays until the
/// new one is complete. 1 on success, 0 when it cannot be written.
TB_EXPORT int ReplacePrivateFile(const char* file);
