/// \file
/// \brief The per-user settings store of the running program (what the program's profile in the Windows registry was: fonts, window placement).
// The per-user settings store of the running program (what the program's profile
// in the Windows registry was: fonts, window placement). One INI file per program,
// $XDG_CONFIG_HOME/veltranix/<program>.ini (~/.config when XDG_CONFIG_HOME is unset),
// where <program> is the file name of the running executable. Every write rewrites
// the file at once and crash-safely; reads always see the file as it is on disk.
#pragma once

#include <toolbox/types/cstring.h>

/// Full name of the settings file of the running program.
TB_EXPORT CString TBSettingsFileName();
/// Value of entry in section, or defaultText (null: empty) when missing.
TB_EXPORT CString TBGetProfileString(const char* section, const char* entry, const char* defaultText);
/// atoi of the stored value, or defaultValue when missing.
TB_EXPORT int TBGetProfileInt(const char* section, const char* entry, int defaultValue);
/// Stores the value and writes the file (creating its directory); 1 on success.
TB_EXPORT int TBWriteProfileString(const char* section, const char* entry, const char* value);
/// TBWriteProfileString of value written as a decimal number.
TB_EXPORT int TBWriteProfileInt(const char* section, const char* entry, int value);
