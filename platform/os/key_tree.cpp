#include <toolbox/os/key_tree.h>

#include "platform/os/replace_file.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

struct HKEY__ {
    std::string directory;
};

namespace {

const char kValuesFile[] = "%values";

bool IsRoot(HKEY key) { return key == HKEY_CLASSES_ROOT; }

std::string RootDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return base + "/veltranix/classes";
}

std::string DirectoryOf(HKEY key) {
    if (IsRoot(key)) return RootDirectory();
    return key ? key->directory : std::string();
}

std::string EncodeName(const std::string& name) {
    if (name == ".") return "%2E";
    if (name == "..") return "%2E%2E";
    std::string out;
    for (char c : name) {
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else
            out += c;
    }
    return out;
}

std::string DecodeName(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 2 < name.size()) {
            std::string code = name.substr(i + 1, 2);
            if (code == "25") {
                out += '%';
                i += 2;
                continue;
            }
            if (code == "2F") {
                out += '/';
                i += 2;
                continue;
            }
            if (code == "2E") {
                out += '.';
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

// The directories of a "\"-separated key path; false for an empty component.
bool SplitPath(const char* subKey, std::vector<std::string>& parts) {
    parts.clear();
    if (!subKey || !*subKey) return true;
    std::string path(subKey);
    size_t start = 0;
    for (;;) {
        size_t sep = path.find('\\', start);
        std::string part = path.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (part.empty()) return false;
        parts.push_back(EncodeName(part));
        if (sep == std::string::npos) return true;
        start = sep + 1;
    }
}

bool IsDirectory(const std::string& path) {
    struct stat s;
    return ::lstat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

int MakeDirectories(const std::string& path) {
    size_t slash = 0;
    while ((slash = path.find('/', slash + 1)) != std::string::npos) {
        std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return errno;
    }
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return errno;
    return IsDirectory(path) ? 0 : ENOTDIR;
}

// Value files: one line per value, "name=text", with "\" "\n" "\r" escaped as "\\"
// "\n" "\r" in both, and "=" as "\=" in the name.
std::string Escape(const std::string& text, bool isName) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '=' && isName)
            out += "\\=";
        else
            out += c;
    }
    return out;
}

struct Value {
    std::string name, text;
};

std::vector<Value> ReadValues(const std::string& directory) {
    std::vector<Value> values;
    std::ifstream in(directory + "/" + kValuesFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        Value value;
        std::string* target = &value.name;
        bool split = false;
        for (size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                char next = line[++i];
                *target += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
            } else if (c == '=' && !split) {
                split = true;
                target = &value.text;
            } else {
                *target += c;
            }
        }
        if (split) values.push_back(value);
    }
    return values;
}

int WriteValues(const std::string& directory, const std::vector<Value>& values) {
    std::string text;
    for (const Value& v : values) text += Escape(v.name, true) + "=" + Escape(v.text, false) + "\n";
    std::string file = directory + "/" + kValuesFile;
    return TBReplaceFileContents(file.c_str(), text) ? 0 : (errno ? errno : EIO);
}

int Resolve(HKEY parent, const char* subKey, std::string& directory) {
    if (!parent) return EBADF;
    std::vector<std::string> parts;
    if (!SplitPath(subKey, parts)) return EINVAL;
    directory = DirectoryOf(parent);
    for (const std::string& p : parts) directory += "/" + p;
    return 0;
}

}  // namespace

CString TBKeyTreeRoot() { return CString(RootDirectory()); }

CString TBRegKeyDirectory(HKEY key) { return CString(DirectoryOf(key)); }

int TBRegCreateKey(HKEY parent, const char* subKey, HKEY* result, bool* created) {
    if (!result) return EINVAL;
    *result = nullptr;
    try {
        std::string directory;
        if (int error = Resolve(parent, subKey, directory)) return error;
        bool existed = IsDirectory(directory);
        if (!existed)
            if (int error = MakeDirectories(directory)) return error;
        if (created) *created = !existed;
        *result = new HKEY__{directory};
        return 0;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TBRegOpenKey(HKEY parent, const char* subKey, HKEY* result) {
    if (!result) return EINVAL;
    *result = nullptr;
    try {
        std::string directory;
        if (int error = Resolve(parent, subKey, directory)) return error;
        if (!IsDirectory(directory)) return ENOENT;
        *result = new HKEY__{directory};
        return 0;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TBRegCloseKey(HKEY key) {
    if (!key) return EBADF;
    if (!IsRoot(key)) delete key;
    return 0;
}

int TBRegSetValue(HKEY key, const char* name, const char* text) {
    if (!key || !text) return EINVAL;
    try {
        std::string directory = DirectoryOf(key);
        if (IsRoot(key))
            if (int error = MakeDirectories(directory)) return error;
        if (!IsDirectory(directory)) return ENOENT;
        std::vector<Value> values = ReadValues(directory);
        std::string valueName = name ? name : "";
        bool found = false;
        for (Value& v : values)
            if (v.name == valueName) {
                v.text = text;
                found = true;
            }
        if (!found) values.push_back({valueName, text});
        errno = 0;
        return WriteValues(directory, values);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TBRegQueryValue(HKEY key, const char* name, CString& text) {
    if (!key) return EBADF;
    try {
        std::string directory = DirectoryOf(key);
        if (!IsDirectory(directory)) return ENOENT;
        std::string valueName = name ? name : "";
        for (const Value& v : ReadValues(directory)) {
            if (v.name == valueName) {
                text = v.text;
                return 0;
            }
        }
        return ENOENT;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TBRegDeleteKey(HKEY parent, const char* subKey) {
    if (!subKey || !*subKey) return EINVAL;
    std::string directory;
    if (int error = Resolve(parent, subKey, directory)) return error;
    if (!IsDirectory(directory)) return ENOENT;
    std::string values = directory + "/" + kValuesFile;
    if (::rmdir(directory.c_str()) == 0) return 0;
    if (errno != ENOTEMPTY && errno != EEXIST) return errno;
    // Only the value file may be left inside; subkeys keep the key alive.
    DIR* d = ::opendir(directory.c_str());
    if (!d) return errno;
    bool onlyValues = true;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != ".." && n != kValuesFile) onlyValues = false;
    }
    ::closedir(d);
    if (!onlyValues) return ENOTEMPTY;
    if (::unlink(values.c_str()) != 0) return errno;
    return ::rmdir(directory.c_str()) == 0 ? 0 : errno;
}

int TBRegQueryMaxSubKeyLength(HKEY key, DWORD& length) {
    length = 0;
    if (!key) return EBADF;
    std::string directory = DirectoryOf(key);
    DIR* d = ::opendir(directory.c_str());
    if (!d) return IsRoot(key) && errno == ENOENT ? 0 : errno;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == ".." || n == kValuesFile) continue;
        if (!IsDirectory(directory + "/" + n)) continue;
        DWORD size = static_cast<DWORD>(DecodeName(n).size());
        if (size > length) length = size;
    }
    ::closedir(d);
    return 0;
}
