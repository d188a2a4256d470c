/// \file
/// \brief The registry manager: integer and text values per section in the per-user settings store of the running program (see <toolbox/os/settings_store.h>), which is where windows remember their placement.
// The registry manager: integer and text values per section in the per-user settings
// store of the running program (see <toolbox/os/settings_store.h>), which is where
// windows remember their placement. Sections and entries compare case-sensitively.
#pragma once

#include <toolbox/types/cstring.h>

/// Integer and text values by section and entry in the per-user settings store.
class TB_EXPORT CTBRegistryManager {
public:
    CTBRegistryManager() = default;
    /// The stored integer, or defaultValue when the entry is missing.
    int GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    /// Stores value; FALSE when the store could not be written.
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    /// The stored text, or defaultText (null: empty) when the entry is missing.
    CString GetProfileString(const char* section, const char* entry, const char* defaultText = nullptr) const;
    /// Stores value (null: empty); FALSE when the store could not be written.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
};
