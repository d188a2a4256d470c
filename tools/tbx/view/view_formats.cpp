// What the viewer says about exchange formats: the names and families of the engine's
// format table, so the viewer, tbx and the file dialogs speak of the same formats.
#include "view_document.h"

#include <toolbox/exchange/format_list.h>

CString ViewFormatFamilyName(int family) { return TBGetExchangeFamilyName(family); }

int ViewFamilyOfExtension(const CString& path) {
    TBExchangeFormatInfo info;
    return TBGetExchangeFormat(TBFindExchangeFormatOfFile(path), info) ? info.familyCode : -1;
}
