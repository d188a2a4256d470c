#include <toolbox/os/settings_store.h>

#include <toolbox/os/module_path.h>
#include <toolbox/os/profile_cache.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

namespace {

CString ConfigDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') return CString(config) + "/veltranix";
    const char* home = std::getenv("HOME");
    return CString(home && *home ? home : "/tmp") + "/.config/veltranix";
}

bool MakeDirectories(const CString& path) {
    std::string p = path.str();
    for (size_t slash = p.find('/', 1);; slash = p.find('/', slash + 1)) {
        std::string prefix = slash == std::string::npos ? p : p.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat s;
    return ::stat(p.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

}  // namespace

CString TBSettingsFileName() {
    CString program = TBGetProgramFileName();
    program = program.Mid(program.ReverseFind('/') + 1);
    if (program.IsEmpty()) program = "toolbox";
    return ConfigDirectory() + "/" + program + ".ini";
}

// Each call reads the file afresh through a cache of its own, so that the store holds
// no state between calls and sees what other processes wrote.
CString TBGetProfileString(const char* section, const char* entry, const char* defaultText) {
    CPrivateFileCache cache;
    CString file = TBSettingsFileName();
    return cache.GetStringValue(section, entry, defaultText ? defaultText : "", file, 0);
}

int TBGetProfileInt(const char* section, const char* entry, int defaultValue) {
    CPrivateFileCache cache;
    CString file = TBSettingsFileName();
    return cache.GetIntValue(section, entry, defaultValue, file, 0);
}

int TBWriteProfileString(const char* section, const char* entry, const char* value) {
    CPrivateFileCache cache;
    CString file = TBSettingsFileName();
    if (!cache.WriteStringValue(section, entry, value, file)) return 0;
    if (!MakeDirectories(ConfigDirectory())) return 0;
    return cache.Flush(file);
}

int TBWriteProfileInt(const char* section, const char* entry, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return TBWriteProfileString(section, entry, text);
}
