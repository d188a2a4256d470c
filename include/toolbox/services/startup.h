/// \file
/// \brief Start-up and shutdown of the library.
// Start-up and shutdown of the library. When toolbox-core is loaded it picks the
// language of its own texts and loads the matching language file, found beside the
// library as "toolbox-core.<language>.lang" (resources/language_file.h); at unload it
// releases it again. The language comes from the first of LANGUAGE (a ":"-separated
// list of preferences), LC_ALL, LC_MESSAGES and LANG that is set; "de_AT.UTF-8" looks
// for "de_AT" and then "de"; English, "C" and "POSIX" keep the built-in texts.
#pragma once

#include <toolbox/types/cstring.h>

/// Chooses the language for the library file moduleFile: sets shortName ("de", empty
/// for the built-in English) and languageFile to the path of its language file beside
/// moduleFile, or to a path where no file exists when the built-in texts are to be
/// used. Returns 1 when a language file exists, else 0.
TB_EXPORT int GetVeltranixLanguage(const CString& moduleFile, CString& shortName, CString& languageFile);

/// Makes the language file at path the resource module (releasing a previous one).
/// Returns 1 when it was loaded; 0 when no file exists there (the built-in texts stay,
/// silently); -1 when the file exists but cannot be loaded, after showing
/// "Cannot load language-resources from <path> !" (the built-in texts stay).
TB_EXPORT int TBLoadLanguageResources(const char* path);
/// Returns to the built-in texts and releases the language file.
TB_EXPORT void TBFreeLanguageResources();
/// Path of the language file in use; empty with the built-in texts.
TB_EXPORT CString TBGetLanguageResourcesFile();
