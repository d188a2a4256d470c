// tbx image: converts a picture between BMP, GIF, JPEG, PNG and TIFF, the formats
// taken from the file names' extensions (the input's is detected from its bytes).
#include <toolbox/image/ximage.h>
#include "commands.h"

#include <cstdio>
#include <strings.h>

namespace {

const char kUsage[] =
    "usage: tbx image convert IN OUT\n"
    "reads IN (BMP, GIF, JPEG, PNG or TIFF, detected from its first bytes) and writes\n"
    "OUT in the format of its extension (.bmp .gif .jpg .jpeg .png .tif .tiff).\n";

DWORD TypeFromExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    struct Entry {
        const char* extension;
        DWORD type;
    };
    static const Entry kTypes[] = {{"bmp", CXIMAGE_FORMAT_BMP}, {"gif", CXIMAGE_FORMAT_GIF},
                                   {"jpg", CXIMAGE_FORMAT_JPG}, {"jpeg", CXIMAGE_FORMAT_JPG},
                                   {"png", CXIMAGE_FORMAT_PNG}, {"tif", CXIMAGE_FORMAT_TIF},
                                   {"tiff", CXIMAGE_FORMAT_TIF}};
    for (const Entry& e : kTypes)
        if (!strcasecmp(extension.c_str(), e.extension)) return e.type;
    return CXIMAGE_FORMAT_UNKNOWN;
}

}  // namespace

int RunImageCommand(const Arguments& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 3 || args[0] != "convert") {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const DWORD type = TypeFromExtension(args[2]);
    if (type == CXIMAGE_FORMAT_UNKNOWN) {
        std::fprintf(stderr, "tbx image: unknown image type of %s\n", args[2].c_str());
        return 2;
    }
    CxImage image;
    if (!image.Load(args[1].c_str())) {
        std::fprintf(stderr, "tbx image: %s: %s\n", args[1].c_str(), image.GetLastError().GetString());
        return 1;
    }
    if (!image.Save(args[2].c_str(), type)) {
        std::fprintf(stderr, "tbx image: %s: %s\n", args[2].c_str(), image.GetLastError().GetString());
        return 1;
    }
    return 0;
}
