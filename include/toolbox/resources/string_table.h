/// \file
/// \brief The library's string table: message, filter and caption texts by id.
// The library's string table: message, filter and caption texts by id. Texts come
// from the current resource module (a language file once one is loaded at start-up)
// and fall back to the built-in English table.
#pragma once

#include <toolbox/types/cstring.h>

#include <initializer_list>

/// A source of the library's own texts: the built-in English table or a language file.
class TB_EXPORT CResourceModule {
public:
    virtual ~CResourceModule() = default;
    /// Sets text to string id and returns true; false when the module has no such id.
    virtual bool FindString(UINT id, CString& text) const = 0;
};

/// The built-in English table.
TB_EXPORT const CResourceModule& TBBuiltinResources();
/// The module every text is taken from; never null.
TB_EXPORT const CResourceModule& TBGetResourceModule();
/// Makes module the resource module (null: the built-in table again). The caller keeps
/// ownership and must reset it before destroying the module.
TB_EXPORT void TBSetResourceModule(const CResourceModule* module);

/// Text of string id from the resource module, else the built-in table, else empty.
TB_EXPORT CString TBLoadString(UINT id);

/// One argument of a message: a text or an integer.
class TB_EXPORT CMessageArg {
public:
    /// A text argument (null: empty).
    CMessageArg(const char* text) : m_text(text ? text : ""), m_isText(true) {}
    /// A text argument.
    CMessageArg(const CString& text) : m_text(text), m_isText(true) {}
    /// An integer argument.
    CMessageArg(int value) : m_value(value) {}
    /// An integer argument.
    CMessageArg(long value) : m_value(value) {}
    /// An integer argument.
    CMessageArg(unsigned value) : m_value(value) {}
    /// True for a text argument.
    bool IsText() const { return m_isText; }
    /// The text of a text argument; empty otherwise.
    const CString& Text() const { return m_text; }
    /// The value of an integer argument; 0 otherwise.
    long Value() const { return m_value; }

private:
    CString m_text;
    long m_value = 0;
    bool m_isText = false;
};

/// Fills the placeholders of pattern in order with args: %s, %i, %d, %u, %x and %%.
/// The pattern is never handed to printf, so a pattern from a language file or an
/// argument holding "%" cannot break it; a placeholder without an argument stays
/// empty, an integer placeholder given text shows the text and vice versa.
TB_EXPORT CString TBFormatText(const CString& pattern, std::initializer_list<CMessageArg> args);

/// TBLoadString(id) filled with args.
TB_EXPORT CString TBFormatMessage(UINT id, std::initializer_list<CMessageArg> args);
