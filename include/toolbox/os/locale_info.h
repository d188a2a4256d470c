// The user's number symbols: the decimal symbol of the user's POSIX locale
// (LC_ALL, else LC_NUMERIC, else LANG) and the list separator that goes with it:
// ";" where the decimal symbol is ",", else ",". The process locale (setlocale) is
// not consulted, so a host that never calls setlocale still gets the user's symbols.
#pragma once

#include <toolbox/types/cstring.h>

/// The user's decimal symbol, "." when the locale is unknown or has none.
TB_EXPORT CString TBGetUserDecimalSymbol();
/// The user's list separator (see above).
TB_EXPORT CString TBGetUserListSeparator();

/// Replaces the locale's answers (tests, programs with explicit options). Null
/// arguments restore the locale's own symbols.
TB_EXPORT void TBOverrideUserNumberSymbols(const char* listSeparator, const char* decimalSymbol);
