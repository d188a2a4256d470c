/// \file
/// \brief Languages: the locales of the system with their Windows language identifiers (LANGID: primary language in the low 10 bits, sub-language in the upper 6), their names.
// Languages: the locales of the system with their Windows language identifiers
// (LANGID: primary language in the low 10 bits, sub-language in the upper 6), their
// names, and language-dependent strings with a fixed fallback order.
#pragma once

#include <toolbox/types/maps.h>

/// One text per language identifier (owned by the caller). Its iteration order is the
/// framework's: buckets ascending (id >> 4 modulo the table size), newest first.
typedef CMap<unsigned short, unsigned short, CString, const char*> CLangStringMap;

/// Appends the identifier of every locale the system can name (each known Windows
/// identifier, ascending). Non-zero on success.
TB_EXPORT int GetSupportedLanguages(CArray<unsigned short, unsigned short>& ids);
/// Appends the identifiers of the locales whose data is installed, in the order the
/// locale library lists them, each once. Non-zero on success.
TB_EXPORT int GetInstalledLanguages(CArray<unsigned short, unsigned short>& ids);
/// Full name of the language in the user's language ("German (Austria)"); empty when
/// the identifier names no known locale.
TB_EXPORT CString LangID2LangName(unsigned short id);
/// Sets name to LangID2LangName(id) and returns 1; 0 (name unchanged) when unknown.
TB_EXPORT int ExtLangID2LangName(unsigned short id, CString& name);

/// The text for id: its own non-empty entry; else the non-empty entry of the primary
/// language with the default sub-language ((id & 0x3FF) | 0x400); else the non-empty
/// entry 1033; else the first English entry (primary language 9) in iteration order
/// when its text is not empty; else the first entry whatever its text. Returns the
/// identifier taken, or 0 (text empty) for an empty map.
TB_EXPORT unsigned short TBGetLangDependentString(const CLangStringMap& map, unsigned short id, CString& text);
/// Stores text under the identifier TBGetLangDependentString(map, id) would take and
/// returns it; 0 and nothing added for an empty map. A language without its own entry
/// therefore replaces its fallback's text; add the entry first to keep both.
TB_EXPORT unsigned short TBSetLangDependentString(CLangStringMap& map, unsigned short id, const CString& text);

/// The Windows language identifier of a locale name such as "de_AT" or "de-AT"
/// (0 when unknown).
TB_EXPORT unsigned short TBLocaleToLangID(const char* locale);
/// The locale name ("de_AT") of a Windows language identifier; empty when unknown.
TB_EXPORT CString TBLangIDToLocale(unsigned short id);
