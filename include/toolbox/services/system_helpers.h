/// \file
/// \brief Helpers shared by client programs and the library: indexed names such as x[3], fields and tokens of delimited text, recursive directory removal, document file types in the classes key tree.
// Helpers shared by client programs and the library: indexed names such as x[3],
// fields and tokens of delimited text, recursive directory removal, document file
// types in the classes key tree, fonts in the per-user settings, and HTML help.
// (The library registry has its own header, services/library_registry.h.)
#pragma once

#include <toolbox/types/cstring.h>

/// atoi of the index of an indexed name: the text between the first "[" and the next
/// "]" (or everything after "[", or the whole name without "["). x[3] gives 3,
/// a[2][5] gives 2, abc gives 0.
TB_EXPORT int TBGetIndexOfName(const CString& name);
/// The index text of TBGetIndexOfName as a string.
TB_EXPORT CString TBGetIndexStrOfName(const CString& name);
/// The text before the first "[" (the whole name without one).
TB_EXPORT CString TBGetBaseOfName(const CString& name);

/// Sets out to field index (from 0) of text split at separator; empty when text has
/// fewer fields (a negative index counts as 0). text is not changed.
TB_EXPORT void TBExtractString(CString& out, const char* text, int index, char separator);

/// Position, counted in delimiters, of the first occurrence of word in text that is a
/// whole token (at the text's start or after a delimiter, and followed by a delimiter
/// or the end): 0 at the start, else the number of delimiter characters before it;
/// -1 when there is none. a,,b with word b and delimiters "," gives 2.
TB_EXPORT int TBGetStringIndex(const CString& text, const CString& word, const CString& delimiters);

/// Removes the directory path with everything in it. Symbolic links are removed
/// themselves and never followed (path itself being a link removes only the link).
/// A regular file without any write permission counts as read-only and is not
/// removed. Stops at the first failure and returns 0, leaving what was removed
/// removed; non-zero on success.
TB_EXPORT int TBRemoveDirectory(const char* path);

/// Sets a string value below the classes root of the key tree (platform/os/key_tree.h):
/// without valueName the default value of key, else the value valueName of key
/// (created when missing). 1 on success, 0 on failure.
TB_EXPORT int TBSetRegKey(const char* key, const char* value, const char* valueName = nullptr);
/// 1 when a subkey can be created below key (probed with a new subkey that is deleted
/// again; an existing subkey of the probe's name is never deleted), else 0.
TB_EXPORT int IsRegKeyWritable(HKEY key);
/// Registers the running program as the handler of the document type whose document
/// string is string id (the host's string once the host registered any strings through
/// TBSetHostString, else the library's; fields separated by "\n": 0 window title, 4 filter extension,
/// 5 file type id, 6 file type name): the file type key with its default icon and
/// shell open (and, withPrint, print and printto) commands, and the extension, unless
/// the extension is already registered to another file type. The default icon is
/// "program,iconIndex" when the host registered an icon of that index (TBSetHostIcon),
/// else "program,0". Nothing is registered
/// without a file type id; a failed write ends it silently.
TB_EXPORT void TBRegisterFileTypes(UINT id, int withPrint, int iconIndex);

/// Stores font in the per-user settings as "face,height,width,escapement,orientation,
/// weight,italic,underline,strike-out,charset,out precision,clip precision,quality,
/// pitch and family".
TB_EXPORT void TBSaveIniFont(const LOGFONT* font, const char* section, const char* entry);
/// Reads a font stored by TBSaveIniFont. 0 (font unchanged) for a missing or empty
/// entry; otherwise 1, and the font is replaced only when all fourteen fields were
/// present (empty fields are skipped; a face name longer than 31 bytes is cut).
TB_EXPORT int TBLoadIniFont(LOGFONT* font, const char* section, const char* entry);

/// Help commands of TBHtmlHelp.
///@{
constexpr UINT HH_DISPLAY_TOPIC = 0;
constexpr UINT HH_DISPLAY_TOC = 1;
///@}
/// Opens the help file with the desktop's opener (xdg-open); a "::/topic" or ">window"
/// suffix of file is dropped. A missing file shows message 5531 and gives null; an
/// opener that cannot be started is retried once with HH_DISPLAY_TOC, as a topic that
/// cannot be shown falls back to the contents. The result is a non-null token (not a
/// window) when the opener was started.
TB_EXPORT HWND TBHtmlHelp(HWND window, const char* file, UINT command, DWORD data);
