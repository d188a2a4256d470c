// tbx zip: lists an archive, adds files to it (creating it when missing; all of them or
// none) or extracts it into a folder, refusing entries that would leave that folder.
#include <toolbox/zip/zip_archive.h>
#include "commands.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: tbx zip list ARCHIVE\n"
    "       tbx zip add ARCHIVE FILE...      (stored under the names as given)\n"
    "       tbx zip extract ARCHIVE [FOLDER] (default: the current folder)\n";

int Fail(const CZipArchive& zip) {
    std::fprintf(stderr, "tbx zip: %s\n", zip.GetLastError().GetString());
    return 1;
}

int List(const std::string& archive) {
    CZipArchive zip;
    if (!zip.Open(archive.c_str(), CZipArchive::zipOpenReadOnly)) return Fail(zip);
    std::printf("%12s %12s %-6s %-16s %s\n", "size", "packed", "method", "modified", "name");
    for (int i = 0; i < zip.GetCount(); ++i) {
        CZipFileHeader info;
        if (!zip.GetFileInfo(info, i)) continue;
        char when[32] = "";
        const time_t time = info.GetTime();
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", std::localtime(&time));
        std::printf("%12llu %12llu %-6s %-16s %s%s%s\n", info.m_uUncomprSize, info.m_uComprSize,
                    info.m_uMethod == 0   ? "stored"
                    : info.m_uMethod == 8 ? "defl"
                                          : "other",
                    when, info.GetFileName().GetString(), info.GetComment().IsEmpty() ? "" : "  # ",
                    info.GetComment().GetString());
    }
    if (!zip.GetGlobalComment().IsEmpty()) std::printf("comment: %s\n", zip.GetGlobalComment().GetString());
    return 0;
}

int Add(const std::string& archive, const Arguments& files) {
    CZipArchive zip;
    const bool exists = access(archive.c_str(), F_OK) == 0;
    if (!zip.Open(archive.c_str(), exists ? CZipArchive::zipOpen : CZipArchive::zipCreate)) return Fail(zip);
    // All files or none: after a failure the archive is left as it was (or not created).
    for (const std::string& file : files)
        if (!zip.AddNewFile(file.c_str(), file.c_str())) {
            Fail(zip);
            zip.Discard();
            return 1;
        }
    return zip.Close() ? 0 : Fail(zip);
}

int Extract(const std::string& archive, const std::string& folder) {
    CZipArchive zip;
    if (!zip.Open(archive.c_str(), CZipArchive::zipOpenReadOnly)) return Fail(zip);
    int status = 0;
    for (int i = 0; i < zip.GetCount(); ++i)
        if (!zip.ExtractFile(i, folder.c_str())) status = Fail(zip);
    return status;
}

}  // namespace

int RunZipCommand(const Arguments& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() >= 3 && args[0] == "add") return Add(args[1], Arguments(args.begin() + 2, args.end()));
    if ((args.size() == 2 || args.size() == 3) && args[0] == "extract")
        return Extract(args[1], args.size() == 3 ? args[2] : ".");
    std::fputs(kUsage, stderr);
    return 2;
}
