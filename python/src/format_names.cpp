// Format names and the read-as-text rule in one place: the engine's format table has
// no public query yet, so both are derived here from the family and format codes and
// the extensions the engine reads with other readers.
#include "format_names.h"

#include <algorithm>
#include <cctype>

namespace tb_python {
namespace {

const char* FamilyName(int family) {
    switch (family) {
        case 0: return "characteristic .mdx";
        case 1: return "characteristic .mda/.mdk";
        case 2: return "Access";
        case 3: return "Excel";
        case 4: return "text";
        case 5: return "CSV";
        case 6: return "SPICE";
        case 7: return "COMTRADE";
        case 8: return "recorder";
        default: return "unknown";
    }
}

const char* FormatName(int formatCode, int family) {
    static const char* const kWriteFormats[] = {"characteristic .mdx (text)",
                                                "characteristic .mdx (4-byte binary)",
                                                "characteristic .mdx (8-byte binary)",
                                                "characteristic .mda/.mdk (text)",
                                                "characteristic .mda/.mdk (4-byte binary)",
                                                "characteristic .mda/.mdk (8-byte binary)",
                                                "Excel 3.0",
                                                "Excel 4.0",
                                                "Excel 5.0/95",
                                                "Excel 97",
                                                "Access",
                                                "text",
                                                "CSV",
                                                "COMTRADE (ASCII)",
                                                "COMTRADE (binary)"};
    if (formatCode >= 0 && formatCode < static_cast<int>(std::size(kWriteFormats))) return kWriteFormats[formatCode];
    return FamilyName(family);
}

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

FormatDescription DescribeFormat(const CReadAndWriteFiles& files) {
    FormatDescription d;
    d.familyCode = files.GetLoadVersion();
    d.formatCode = files.GetSaveVersion();
    d.family = FamilyName(d.familyCode);
    d.format = FormatName(d.formatCode, d.familyCode);
    const std::string ext = LowerExtension(files.GetFileName().GetString());
    if (d.familyCode == 6) d.format = ext == ".raw" ? "SPICE raw" : "SPICE listing";
    if (d.familyCode == 7 && d.formatCode < 0) d.format = ext == ".cff" ? "COMTRADE (combined)" : "COMTRADE";
    return d;
}

bool IsReadAsText(const std::string& path) {
    static const char* const kOther[] = {".mda", ".mdk", ".mdx", ".xls", ".mdb",
                                         ".out", ".raw", ".cfg", ".cff", ".dat"};
    const std::string ext = LowerExtension(path);
    return std::none_of(std::begin(kOther), std::end(kOther), [&](const char* known) { return ext == known; });
}

}  // namespace tb_python
