// tbx lang: the language of the library's texts and the languages of the system.
#include <toolbox/resources/string_table.h>
#include <toolbox/services/languages.h>
#include <toolbox/services/startup.h>
#include "commands.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char kUsage[] =
    "usage: tbx lang                 the language file in use (from LANGUAGE, LC_ALL,\n"
    "                                LC_MESSAGES, LANG), or \"built-in (English)\"\n"
    "       tbx lang string ID       the library's text ID in the current language\n"
    "       tbx lang name ID         the name of Windows language id ID (e.g. 1031)\n"
    "       tbx lang list [--installed]  ids and names of the supported (or installed) locales\n";

bool ParseId(const std::string& text, unsigned long limit, unsigned long& id) {
    char* end = nullptr;
    id = std::strtoul(text.c_str(), &end, 0);
    return !text.empty() && *end == 0 && id <= limit;
}

}  // namespace

int RunLangCommand(const Arguments& args) {
    if (args.empty()) {
        CString file = TBGetLanguageResourcesFile();
        std::printf("%s\n", file.IsEmpty() ? "built-in (English)" : file.GetString());
        return 0;
    }
    unsigned long id = 0;
    if (args[0] == "string" && args.size() == 2 && ParseId(args[1], 0xFFFFFFFFul, id)) {
        CString text = TBLoadString(static_cast<UINT>(id));
        if (text.IsEmpty()) {
            std::fprintf(stderr, "tbx lang: no text with id %lu\n", id);
            return 1;
        }
        std::printf("%s\n", text.GetString());
        return 0;
    }
    if (args[0] == "name" && args.size() == 2 && ParseId(args[1], 0xFFFF, id)) {
        CString name;
        if (!ExtLangID2LangName(static_cast<unsigned short>(id), name)) {
            std::fprintf(stderr, "tbx lang: no language has id %lu\n", id);
            return 1;
        }
        std::printf("%s\n", name.GetString());
        return 0;
    }
    if (args[0] == "list" && (args.size() == 1 || (args.size() == 2 && args[1] == "--installed"))) {
        CArray<unsigned short, unsigned short> ids;
        int ok = args.size() == 2 ? GetInstalledLanguages(ids) : GetSupportedLanguages(ids);
        for (int i = 0; i < ids.GetSize(); ++i)
            std::printf("%u\t%s\t%s\n", ids[i], TBLangIDToLocale(ids[i]).GetString(),
                        LangID2LangName(ids[i]).GetString());
        return ok ? 0 : 1;
    }
    std::fputs(kUsage, args[0] == "--help" || args[0] == "-h" ? stdout : stderr);
    return args[0] == "--help" || args[0] == "-h" ? 0 : 2;
}
