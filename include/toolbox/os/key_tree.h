/// \file
/// \brief The file-backed key tree that stands in for the classes root of the Windows registry (document file types).
// The file-backed key tree that stands in for the classes root of the Windows
// registry (document file types). Each key is a directory below the tree's root,
// $XDG_DATA_HOME/veltranix/classes (~/.local/share/veltranix/classes when
// XDG_DATA_HOME is unset); its string values live in the file "%values" inside it.
// Key names are separated by "\" as on Windows; in directory names "%" and "/" are
// written as %25 and %2F, and the names "." and ".." as %2E and %2E%2E, so that no
// name can leave the tree. Names compare case-sensitively. Every change of a value
// file replaces the file whole (see <toolbox/os/output_file.h>).
//
// The functions return 0 on success and an errno value on failure.
#pragma once

#include <toolbox/types/cstring.h>

#include <cstdint>

/// The root of the key tree.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))

/// Directory of the classes root key at this moment (follows XDG_DATA_HOME).
TB_EXPORT CString TBKeyTreeRoot();
/// Opens subKey below parent, creating it and missing keys above it. created (when
/// given) tells whether the last key was newly made. A null or empty subKey opens
/// parent again. The key is released with TBRegCloseKey.
TB_EXPORT int TBRegCreateKey(HKEY parent, const char* subKey, HKEY* result, bool* created = nullptr);
/// Opens an existing key; ENOENT when it is missing.
TB_EXPORT int TBRegOpenKey(HKEY parent, const char* subKey, HKEY* result);
/// Releases a key from TBRegCreateKey or TBRegOpenKey (the root needs no release).
TB_EXPORT int TBRegCloseKey(HKEY key);
/// Sets the string value name of key (null or "": the key's default value).
TB_EXPORT int TBRegSetValue(HKEY key, const char* name, const char* text);
/// Reads the string value name of key; ENOENT when the key has no such value.
TB_EXPORT int TBRegQueryValue(HKEY key, const char* name, CString& text);
/// Deletes subKey of parent together with its values; ENOTEMPTY when it has subkeys.
TB_EXPORT int TBRegDeleteKey(HKEY parent, const char* subKey);
/// Length of the longest subkey name of key (0 without subkeys).
TB_EXPORT int TBRegQueryMaxSubKeyLength(HKEY key, DWORD& length);
/// Directory of key, for tests and tools.
TB_EXPORT CString TBRegKeyDirectory(HKEY key);
