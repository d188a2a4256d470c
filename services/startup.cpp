#include <toolbox/services/startup.h>

#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/module_path.h>
#include <toolbox/resources/language_file.h>
#include <toolbox/resources/string_table.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include <sys/stat.h>

namespace {

// The resource module chosen at start-up: the language file, or none for the built-in
// texts. Process-wide, as the resource handle of the library is.
std::unique_ptr<CLanguageFile> g_languageModule;
CString g_languageFile;

bool IsFile(const CString& path) {
    struct stat s;
    return ::stat(path, &s) == 0 && S_ISREG(s.st_mode);
}

// Language preferences from the environment, most wanted first, each reduced to
// "ll_CC" (without code set and modifier).
std::vector<CString> PreferredLanguages() {
    std::vector<CString> result;
    auto add = [&](CString value) {
        int cut = value.FindOneOf(".@");
        if (cut >= 0) value = value.Left(cut);
        value.Trim();
        if (!value.IsEmpty()) result.push_back(value);
    };
    if (const char* language = std::getenv("LANGUAGE"); language && *language) {
        CString list(language);
        int start = 0;
        for (CString part = list.Tokenize(":", start); start >= 0; part = list.Tokenize(":", start)) add(part);
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            add(CString(value));
            break;
        }
    }
    return result;
}

// Only plain language tags name files: letters, digits, "_" and "-".
bool IsPlainTag(const CString& tag) {
    for (int i = 0; i < tag.GetLength(); ++i) {
        char c = tag[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return !tag.IsEmpty() && tag.GetLength() <= 32;
}

CString LanguageFileFor(const CString& directory, const CString& tag) {
    return directory + "/toolbox-core." + tag + ".lang";
}

// Loads the language chosen by the environment when the library is loaded, and
// releases it when the library is unloaded.
struct CLibraryStartup {
    CLibraryStartup() {
        CString shortName, languageFile;
        GetVeltranixLanguage(TBGetLibraryFileName(), shortName, languageFile);
        TBLoadLanguageResources(languageFile);
    }
    ~CLibraryStartup() { TBFreeLanguageResources(); }
};

const CLibraryStartup g_startup;

}  // namespace

int GetVeltranixLanguage(const CString& moduleFile, CString& shortName, CString& languageFile) {
    shortName.Empty();
    const CString directory = TBDirectoryOfPath(moduleFile);
    languageFile = LanguageFileFor(directory.IsEmpty() ? CString(".") : directory, "en");
    if (directory.IsEmpty()) return 0;
    for (const CString& preference : PreferredLanguages()) {
        if (preference == "C" || preference == "POSIX" || !IsPlainTag(preference)) continue;
        CString tag = preference;
        tag.Replace('-', '_');
        int underscore = tag.Find('_');
        CString primary = underscore < 0 ? tag : tag.Left(underscore);
        if (primary.CompareNoCase("en") == 0) return 0;  // the built-in texts are English
        for (const CString& candidate : {tag, primary}) {
            CString path = LanguageFileFor(directory, candidate);
            if (IsFile(path)) {
                shortName = candidate;
                languageFile = path;
                return 1;
            }
        }
    }
    return 0;
}

int TBLoadLanguageResources(const char* path) {
    struct stat s;
    if (!path || !*path || ::stat(path, &s) != 0) return 0;
    CString error;
    std::unique_ptr<CLanguageFile> loaded = CLanguageFile::Load(path, error);
    if (!loaded) {
        // A message box through the dialog hub (standard error while no window layer
        // is registered).
        TBGetDialogHub().MessageBox(TBFormatText("Cannot load language-resources from %s !", {CString(path)}),
                                    CString(), MB_OK | MB_ICONERROR);
        return -1;
    }
    TBSetResourceModule(loaded.get());
    g_languageModule = std::move(loaded);
    g_languageFile = path;
    return 1;
}

void TBFreeLanguageResources() {
    TBSetResourceModule(nullptr);
    g_languageModule.reset();
    g_languageFile.Empty();
}

CString TBGetLanguageResourcesFile() { return g_languageFile; }
