/// \file
/// \brief Language files: the library's texts in another language, read at start-up from a file beside the library (services/startup.h) and made the resource module.
// Language files: the library's texts in another language, read at start-up from a
// file beside the library (services/startup.h) and made the resource module.
//
// A language file is UTF-8 text:
//
//     # comment
//     [language]
//     name = de
//     id = 1031
//     [strings]
//     4 = "Kein Dateiname."
//     [texts]
//     dialog.units.caption = "Einheiten"
//     [end]
//
// [strings] replaces string-table texts by id; [texts] holds the other texts of the
// library (captions, labels) by name. Texts stand in double quotes with the escapes
// \" \\ \n \r \t. The file must end with the line [end], so that a truncated file is
// recognised; any malformed line rejects the whole file. Ids missing from the file
// fall back to the built-in English table.
#pragma once

#include <toolbox/resources/string_table.h>

#include <map>
#include <memory>
#include <string>

/// A language file: the texts of one language by string-table id, loaded from the
/// file beside the library that start-up picks; missing ids fall back to English.
class TB_EXPORT CLanguageFile : public CResourceModule {
public:
    /// Reads path; null with error set to a one-line reason when the file cannot be
    /// read or is malformed.
    static std::unique_ptr<CLanguageFile> Load(const char* path, CString& error);
    /// Parses text as a language file (for Load and for tests and fuzzing).
    static std::unique_ptr<CLanguageFile> Parse(std::string_view text, CString& error);

    bool FindString(UINT id, CString& text) const override;
    /// Sets text to the named text and returns true; false when the file lacks it.
    bool FindText(const char* name, CString& text) const;
    /// Short language name from the file ("de").
    const CString& GetName() const { return m_name; }
    /// Windows language identifier from the file (0 when not given).
    WORD GetLanguageId() const { return m_languageId; }
    /// Number of texts the file holds.
    int GetStringCount() const { return static_cast<int>(m_strings.size()); }

private:
    CString m_name;
    WORD m_languageId = 0;
    std::map<UINT, CString> m_strings;
    std::map<std::string, CString> m_texts;
};

/// The named text of the current language file, or english when there is none.
TB_EXPORT CString TBLoadText(const char* name, const char* english);
