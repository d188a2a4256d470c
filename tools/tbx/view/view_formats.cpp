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
