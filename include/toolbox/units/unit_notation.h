// The notation units are written in, and the ways users write them. The catalogue
// writes symbols as escapes between backslashes ("k\Ohm\", "\deg\C") and powers as
// "^2", "^3"; screens show them as Unicode ("kΩ", "°C", "m²"); users type what they
// see, or an ASCII spelling ("kOhm", "degC", "uF"). One symbol table serves every
// direction: the drawing of the window library takes its symbols from here too.
#pragma once

#include <toolbox/types/cstring.h>

#include <vector>

/// A symbol of the notation: its escape name ("Ohm" of "\Ohm\"), its character in
/// UTF-8 and as a code point.
struct TBNotationSymbol {
    const char* name;  ///< The escape name without its backslashes ("Ohm").
    const char* utf8;  ///< The character in UTF-8 ("Ω").
    char32_t code;     ///< The character's code point (U+03A9).
};

/// The symbol of an escape name ("mu", "2super", "degree", "Ohm"...); null for a name
/// that is none.
TB_EXPORT const TBNotationSymbol* TBFindNotationSymbol(const CString& name);

/// The notation as plain Unicode text (UTF-8) for places that show text, not drawings
/// (menus, tool tips, console output): the escapes "\mu\", "\2super\", "\3super\",
/// "\4super\", "\5super\", "\degree\", "\Ohm\", "\Omega\" and "\AA\" become their
/// characters, an unknown escape its name, a backslash without a partner stays.
TB_EXPORT CString TBNotationToUnicode(const CString& text);

/// One piece of notation text: a run of plain text, or one symbol (text empty then).
struct TBNotationPiece {
    CString text;                             ///< The plain text; empty for a symbol.
    const TBNotationSymbol* symbol = nullptr;  ///< The symbol; null for plain text.
};

/// Cuts notation text into plain runs and symbols, in order: an unknown escape joins the
/// plain text as its name, a backslash without a partner stays; no empty plain piece.
TB_EXPORT std::vector<TBNotationPiece> TBSplitNotation(const CString& text);

/// A unit as the catalogue writes it or a user types it, with every part that has a
/// symbol written as an escape of the table: "\deg\" becomes "\degree\", "^2" to "^5"
/// "\2super\" to "\5super\", the ASCII words "deg" and "ohm" (in any case, unless a
/// lower-case letter follows: "degree" and "ohms" stay words) "\degree\" and "\Ohm\",
/// and the signs ℃, ℉ and the ohm sign U+2126 "\degree\C", "\degree\F" and "\Ohm\".
/// Other escapes stay as they are. This is what the drawing draws.
TB_EXPORT CString TBUnitNotationEscapes(const CString& unit);

/// A unit as it is shown: "k\Ohm\" gives "kΩ", "\deg\C" and "degC" "°C", "m^2" "m²".
TB_EXPORT CString TBUnitToUnicode(const CString& unit);

/// The form every spelling of one unit shares, for lookups: the shown form, trimmed,
/// with the micro sign U+00B5, the Greek mu U+03BC and a "u" that starts a factor in
/// front of a letter all written as U+00B5, and the dots U+00B7 and U+22C5 as '*'.
/// Case is kept: "mW" and "MW" keep different forms.
TB_EXPORT CString TBUnitLookupForm(const CString& unit);
