#include <toolbox/services/system_helpers.h>

#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/key_tree.h>
#include <toolbox/os/module_path.h>
#include <toolbox/os/settings_store.h>
#include <toolbox/resources/host_resources.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// ---------------------------------------------------------------- directory removal

bool IsReadOnly(const struct stat& s) { return S_ISREG(s.st_mode) && (s.st_mode & 0222) == 0; }

// Empties the directory open as fd (which this function closes); works only through
// descriptors and no-follow lookups, so that a link swapped in meanwhile is removed
// as a link and never entered.
bool EmptyDirectory(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    while (ok) {
        errno = 0;
        dirent* entry = ::readdir(dir);
        if (!entry) {
            ok = errno == 0;
            break;
        }
        const char* name = entry->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..")) continue;
        struct stat s;
        if (::fstatat(fd, name, &s, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
        } else if (S_ISDIR(s.st_mode)) {
            int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ok = child >= 0 && EmptyDirectory(child) && ::unlinkat(fd, name, AT_REMOVEDIR) == 0;
        } else if (IsReadOnly(s)) {
            ok = false;
        } else {
            ok = ::unlinkat(fd, name, 0) == 0;
        }
    }
    ::closedir(dir);
    return ok;
}

// ---------------------------------------------------------------- document types

CString Field(const CString& text, int index) {
    CString out;
    TBExtractString(out, text, index, '\n');
    return out;
}

bool SetKey(const CString& key, const CString& value, const char* valueName = nullptr) {
    return TBSetRegKey(key, value, valueName) == 1;
}

// The document string: the host's own once it registered strings, else the library's.
CString DocumentString(UINT id) {
    if (!TBHasHostStrings()) return TBLoadString(id);
    CString text;
    TBFindHostString(id, text);
    return text;
}

CString ClientPath() {
    CString path = TBGetProgramFileName();
    // The path stands in command lines; without short names, blanks need quotes.
    if (path.Find(' ') >= 0 || path.Find('\t') >= 0) path = "\"" + path + "\"";
    return path;
}

// ---------------------------------------------------------------- help

CString HelpFilePart(const char* file) {
    CString path(file);
    int topic = path.Find("::");
    if (topic >= 0) path = path.Left(topic);
    int window = path.Find('>');
    if (window >= 0) path = path.Left(window);
    return path;
}

bool StartOpener(const CString& path) {
    // The shell starts the opener in the background and returns at once, so no child
    // is left to reap; 127 tells that no opener exists.
    const char* script =
        "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
        "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &\n";
    char* argv[] = {const_cast<char*>("sh"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(script),
                    const_cast<char*>("sh"),
                    const_cast<char*>(path.GetString()),
                    nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

HWND OpenHelp(const CString& path, UINT /*command*/, DWORD /*data*/) {
    // The desktop's opener shows the file as a whole; topics and contents are its affair.
    static char token;
    return StartOpener(path) ? reinterpret_cast<HWND>(&token) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- indexed names

CString TBGetIndexStrOfName(const CString& name) {
    int open = name.Find('[');
    if (open < 0) return name;
    CString rest = name.Mid(open + 1);
    int close = rest.Find(']');
    return close < 0 ? rest : rest.Left(close);
}

int TBGetIndexOfName(const CString& name) {
    long long value = std::strtoll(TBGetIndexStrOfName(name), nullptr, 10);
    if (value > 2147483647LL) return 2147483647;
    if (value < -2147483647LL - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

CString TBGetBaseOfName(const CString& name) {
    int open = name.Find('[');
    return open < 0 ? name : name.Left(open);
}

void TBExtractString(CString& out, const char* text, int index, char separator) {
    out.Empty();
    if (!text) return;
    const char* p = text;
    for (int skipped = 0; skipped < index; ++skipped) {
        p = std::strchr(p, separator);
        if (!p || !separator) return;
        ++p;
    }
    const char* end = separator ? std::strchr(p, separator) : nullptr;
    out = end ? CString(p, static_cast<int>(end - p)) : CString(p);
}

int TBGetStringIndex(const CString& text, const CString& word, const CString& delimiters) {
    const std::string& t = text.str();
    const std::string& w = word.str();
    const std::string& d = delimiters.str();
    auto isDelimiter = [&](char c) { return d.find(c) != std::string::npos; };
    for (size_t pos = t.find(w); pos != std::string::npos; pos = t.find(w, pos + 1)) {
        size_t after = pos + w.size();
        bool endsToken = after >= t.size() || isDelimiter(t[after]);
        bool startsToken = pos == 0 || isDelimiter(t[pos - 1]);
        if (!endsToken || !startsToken) continue;
        int count = 0;
        for (size_t i = 0; i < pos; ++i)
            if (isDelimiter(t[i])) ++count;
        return count;
    }
    return -1;
}

// ---------------------------------------------------------------- directories

int TBRemoveDirectory(const char* path) {
    if (!path || !*path) return 0;
    struct stat s;
    if (::lstat(path, &s) != 0) return 0;
    if (S_ISLNK(s.st_mode)) return ::unlink(path) == 0 ? 1 : 0;
    if (!S_ISDIR(s.st_mode)) return 0;
    int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !EmptyDirectory(fd)) return 0;
    return ::rmdir(path) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------- classes key tree

int TBSetRegKey(const char* key, const char* value, const char* valueName) {
    if (!key || !*key || !value) return 0;
    HKEY opened = nullptr;
    if (TBRegCreateKey(HKEY_CLASSES_ROOT, key, &opened) != 0) return 0;
    int result = TBRegSetValue(opened, valueName, value) == 0 ? 1 : 0;
    if (TBRegCloseKey(opened) != 0) result = 0;
    return result;
}

int IsRegKeyWritable(HKEY key) {
    if (!key) return 0;
    try {
        DWORD longest = 0;
        if (TBRegQueryMaxSubKeyLength(key, longest) != 0) return 0;
        DWORD length = longest + 1 > 250 ? 250 : longest + 1;
        CString probe('a', static_cast<int>(length));
        HKEY created = nullptr;
        bool isNew = false;
        if (TBRegCreateKey(key, probe, &created, &isNew) != 0) return 0;
        TBRegCloseKey(created);
        if (!isNew) {
            // Someone's key of that very name: leave it, and judge by the directory.
            return ::access(TBRegKeyDirectory(key), W_OK) == 0 ? 1 : 0;
        }
        return TBRegDeleteKey(key, probe) == 0 ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void TBRegisterFileTypes(UINT id, int withPrint, int iconIndex) {
    try {
        CString documentString = DocumentString(id);
        CString windowTitle = Field(documentString, 0);
        CString extension = Field(documentString, 4);
        CString typeId = Field(documentString, 5);
        CString typeName = Field(documentString, 6);
        if (typeId.IsEmpty()) return;
        if (typeName.IsEmpty()) typeName = typeId;
        // A filter extension may come as "*.ext".
        if (extension.GetLength() > 1 && extension[0] == '*') extension = extension.Mid(1);

        const CString client = ClientPath();
        CString openCommand, printCommand, printToCommand;
        if (!SetKey(typeId, typeName)) return;
        // The program's icons are those the host registered; an index without one
        // falls back to the program's own icon.
        CString icon = client + ",0";
        if (iconIndex != 0 && !TBGetHostIcon(iconIndex).IsEmpty()) icon.Format("%s,%d", client.GetString(), iconIndex);
        if (!SetKey(typeId + "\\DefaultIcon", icon)) return;
        if (windowTitle.IsEmpty()) {
            // The program opens documents through DDE.
            if (!SetKey(typeId + "\\shell\\open\\ddeexec", "[open(\"%1\")]")) return;
            if (withPrint) {
                if (!SetKey(typeId + "\\shell\\print\\ddeexec", "[print(\"%1\")]")) return;
                if (!SetKey(typeId + "\\shell\\printto\\ddeexec", "[printto(\"%1\",\"%2\",\"%3\",\"%4\")]")) return;
            }
            openCommand = printCommand = printToCommand = client + " /dde";
        } else {
            openCommand = client + " \"%1\"";
            printCommand = client + " /p \"%1\"";
            printToCommand = client + " /pt \"%1\" \"%2\" \"%3\" \"%4\"";
        }
        if (!SetKey(typeId + "\\shell\\open\\command", openCommand)) return;
        if (withPrint) {
            if (!SetKey(typeId + "\\shell\\print\\command", printCommand)) return;
            if (!SetKey(typeId + "\\shell\\printto\\command", printToCommand)) return;
        }
        if (extension.IsEmpty()) return;
        HKEY extensionKey = nullptr;
        if (TBRegOpenKey(HKEY_CLASSES_ROOT, extension, &extensionKey) == 0) {
            CString owner;
            bool ownedByOther =
                TBRegQueryValue(extensionKey, nullptr, owner) == 0 && !owner.IsEmpty() && owner != typeId;
            TBRegCloseKey(extensionKey);
            if (ownedByOther) return;
        }
        if (!SetKey(extension, typeId)) return;
        SetKey(extension + "\\ShellNew", "", "NullFile");
    } catch (const std::bad_alloc&) {}
}

// ---------------------------------------------------------------- fonts

void TBSaveIniFont(const LOGFONT* font, const char* section, const char* entry) {
    if (!font || !section || !entry) return;
    char face[sizeof font->lfFaceName + 1] = {};
    std::memcpy(face, font->lfFaceName, sizeof font->lfFaceName);
    CString text;
    text.Format("%s,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i", face, static_cast<int>(font->lfHeight),
                static_cast<int>(font->lfWidth), static_cast<int>(font->lfEscapement),
                static_cast<int>(font->lfOrientation), static_cast<int>(font->lfWeight),
                static_cast<int>(font->lfItalic), static_cast<int>(font->lfUnderline),
                static_cast<int>(font->lfStrikeOut), static_cast<int>(font->lfCharSet),
                static_cast<int>(font->lfOutPrecision), static_cast<int>(font->lfClipPrecision),
                static_cast<int>(font->lfQuality), static_cast<int>(font->lfPitchAndFamily));
    TBWriteProfileString(section, entry, text);
}

int TBLoadIniFont(LOGFONT* font, const char* section, const char* entry) {
    if (!font || !section || !entry) return 0;
    CString text = TBGetProfileString(section, entry, "");
    if (text.IsEmpty()) return 0;
    CString fields[14];
    int count = 0;
    int start = 0;
    while (count < 14) {
        CString token = text.Tokenize(",", start);
        if (start < 0) break;
        fields[count++] = token;
    }
    if (count < 14) return 1;
    LOGFONT loaded;
    std::strncpy(loaded.lfFaceName, fields[0], sizeof loaded.lfFaceName - 1);
    loaded.lfFaceName[sizeof loaded.lfFaceName - 1] = 0;
    auto number = [&](int i) { return std::atoi(fields[i]); };
    loaded.lfHeight = number(1);
    loaded.lfWidth = number(2);
    loaded.lfEscapement = number(3);
    loaded.lfOrientation = number(4);
    loaded.lfWeight = number(5);
    loaded.lfItalic = static_cast<BYTE>(number(6));
    loaded.lfUnderline = static_cast<BYTE>(number(7));
    loaded.lfStrikeOut = static_cast<BYTE>(number(8));
    loaded.lfCharSet = static_cast<BYTE>(number(9));
    loaded.lfOutPrecision = static_cast<BYTE>(number(10));
    loaded.lfClipPrecision = static_cast<BYTE>(number(11));
    loaded.lfQuality = static_cast<BYTE>(number(12));
    loaded.lfPitchAndFamily = static_cast<BYTE>(number(13));
    *font = loaded;
    return 1;
}

// ---------------------------------------------------------------- help

HWND TBHtmlHelp(HWND window, const char* file, UINT command, DWORD data) {
    (void)window;
    if (!file) return nullptr;
    CString path = HelpFilePart(file);
    struct stat s;
    if (path.IsEmpty() || ::stat(path, &s) != 0) {
        TBGetDialogHub().MessageBox(TBFormatMessage(TBMsg::HelpFileNotFound, {CString(file)}), CString(),
                                    MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }
    HWND result = OpenHelp(path, command, data);
    if (!result && command != HH_DISPLAY_TOC) result = OpenHelp(path, HH_DISPLAY_TOC, 0);
    return result;
}
