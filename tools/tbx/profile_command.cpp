// tbx profile: read and write private profile (INI) files through the profile cache.
#include <toolbox/os/profile_cache.h>
#include "commands.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

const char kUsage[] =
    "usage: tbx profile get FILE SECTION KEY [DEFAULT]\n"
    "       tbx profile set FILE SECTION KEY VALUE\n"
    "       tbx profile section FILE SECTION\n"
    "       tbx profile normalize FILE\n"
    "get prints the value (or DEFAULT; status 1 when the key is missing and no default\n"
    "is given); set stores the value and rewrites the file; section prints key=value\n"
    "lines in table order; normalize rewrites the file in table order with CR LF lines.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

bool IsReadable(const std::string& file) {
    struct stat s;
    if (::stat(file.c_str(), &s) == 0 && S_ISREG(s.st_mode)) return true;
    std::fprintf(stderr, "tbx profile: cannot read \"%s\"\n", file.c_str());
    return false;
}

}  // namespace

int RunProfileCommand(const Arguments& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string& verb = args[0];
    if (verb == "get" && (args.size() == 4 || args.size() == 5)) {
        if (!IsReadable(args[1])) return 1;
        // A default that cannot be a stored value tells a missing key apart.
        const char* missing = "\n";
        CString value = GetPrivateStringValue(args[2].c_str(), args[3].c_str(),
                                              args.size() == 5 ? args[4].c_str() : missing, args[1].c_str());
        if (value == missing) return 1;
        std::printf("%s\n", value.GetString());
        return 0;
    }
    if (verb == "set" && args.size() == 5) {
        if (!WritePrivateStringValue(args[2].c_str(), args[3].c_str(), args[4].c_str(), args[1].c_str())) {
            std::fprintf(stderr, "tbx profile: a name or the value holds a line break, or the key holds \"=\"\n");
            return 1;
        }
        if (!ClosePrivateFile(1, args[1].c_str())) {
            std::fprintf(stderr, "tbx profile: cannot write \"%s\"\n", args[1].c_str());
            return 1;
        }
        return 0;
    }
    if (verb == "section" && args.size() == 3) {
        if (!IsReadable(args[1])) return 1;
        CMapStringToString entries;
        GetPrivateSection(args[2].c_str(), entries, args[1].c_str());
        CString key, value;
        for (POSITION pos = entries.GetStartPosition(); pos;) {
            entries.GetNextAssoc(pos, key, value);
            std::printf("%s=%s\n", key.GetString(), value.GetString());
        }
        return 0;
    }
    if (verb == "normalize" && args.size() == 2) {
        if (!IsReadable(args[1])) return 1;
        if (!FlushPrivateFile(args[1].c_str())) {
            std::fprintf(stderr, "tbx profile: cannot write \"%s\"\n", args[1].c_str());
            return 1;
        }
        return 0;
    }
    return Usage();
}
