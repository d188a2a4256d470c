/// \file
/// \brief The user's number symbols: the decimal symbol and the thousands separator of the user's POSIX locale (LC_ALL, else LC_NUMERIC, else LANG) and the list separator that goes with it: ";" where the decimal symbol is ",".
// The user's number symbols: the decimal symbol and the thousands separator of the
// user's POSIX locale (LC_ALL, else LC_NUMERIC, else LANG) and the list separator that goes with it:
// ";" where the decimal symbol is ",", else ",". The process locale (setlocale) is
// not consulted, so a host that never calls setlocale still gets the user's symbols.
#pragma once

#include <toolbox/types/cstring.h>

/// The user's decimal symbol, "." when the locale is unknown or has none.
TB_EXPORT CString TBGetUserDecimalSymbol();
/// The user's list separator (see above).
TB_EXPORT CString TBGetUserListSeparator();

/// The user's thousands separator as the locale writes it (UTF-8 in a UTF-8 locale:
/// "\xE2\x80\xAF" in fr_FR.UTF-8); empty when the locale is unknown or has none.
TB_EXPORT CString TBGetUserThousandsSeparator();

/// Replaces the locale's answers (tests, programs with explicit options); a null
/// thousands separator stands for none. Null list separator or decimal symbol restore
/// the locale's own symbols.
TB_EXPORT void TBOverrideUserNumberSymbols(const char* listSeparator, const char* decimalSymbol,
                                           const char* thousandsSeparator = nullptr);
