// What the viewer says about exchange formats. The exchange engine reports a file's
// format as a family code; its names live here, in one place, until the engine
// offers them itself.
#include "view_document.h"

CString ViewFormatFamilyName(int family) {
    switch (family) {
        case 0: return "Characteristic (.mdx)";
        case 1: return "Characteristic (.mdk/.mda)";
        case 2: return "Access database";
        case 3: return "Excel workbook";
        case 4: return "Text";
        case 5: return "CSV";
        case 6: return "SPICE output";
        case 7: return "COMTRADE";
        case 8: return "Recorder (.dat)";
        default: return "Unknown format";
    }
}

int ViewFamilyOfExtension(const CString& path) {
    const int slash = path.ReverseFind('/'), dot = path.ReverseFind('.');
    CString ext = dot > slash ? path.Mid(dot) : CString();
    ext.MakeLower();
    if (ext == ".mdx") return 0;
    if (ext == ".mdk" || ext == ".mda") return 1;
    if (ext == ".mdb") return 2;
    if (ext == ".xls") return 3;
    if (ext == ".csv") return 5;
    if (ext == ".out") return 6;
    if (ext == ".cfg") return 7;
    if (ext == ".dat") return 8;
    return 4;  // everything else is read as delimited text
}
