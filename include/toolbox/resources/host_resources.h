/// \file
/// \brief The host program's own resources: strings by id and icons by index, registered by the host at start-up.
// The host program's own resources: strings by id and icons by index, registered by
// the host at start-up. They stand beside the library's string table and never
// replace its texts; functions that act for the host (document file types) take the
// host's strings when the host registered any.
#pragma once

#include <toolbox/types/cstring.h>

/// Registers text as the host's string id (replacing an earlier one); null text
/// removes the id.
TB_EXPORT void TBSetHostString(UINT id, const char* text);
/// Sets text to the host's string id and returns true; false when there is none.
TB_EXPORT bool TBFindHostString(UINT id, CString& text);
/// True once the host has registered any string.
TB_EXPORT bool TBHasHostStrings();

/// Registers the image file of the host's icon number index (0 is the program's own
/// icon); null or empty file removes it.
TB_EXPORT void TBSetHostIcon(int index, const char* file);
/// The image file of the host's icon index; empty when there is none.
TB_EXPORT CString TBGetHostIcon(int index);

/// Forgets every string and icon of the host.
TB_EXPORT void TBClearHostResources();
