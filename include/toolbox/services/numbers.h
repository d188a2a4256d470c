/// \file
/// \brief Engineering numbers: doubles written and read with the metric prefixes of circuit simulation (f p n u m k Meg G T).
// Engineering numbers: doubles written and read with the metric prefixes of circuit
// simulation (f p n u m k Meg G T). The data exchange formats write and read their
// numbers through these functions.
#pragma once

#include <toolbox/types/cstring.h>

/// Writes value with a prefix chosen from its magnitude. digits = -1 (or any negative
/// value) gives 15 significant digits, digits >= 0 that many decimals; spaced != 0
/// puts a blank between number and prefix (a trailing blank when there is none). A
/// non-empty separator replaces every "." of the result. Infinities give "1.#INF" and
/// "-1.#INF", NaN "1.#NAN", zero "0" (or "0 " when spaced). The text is the one the
/// standard formatted print gives, byte for byte, in the C locale.
TB_EXPORT CString TBExtended_ftoa(double value, short digits, int spaced, const CString& separator);

/// Reads text written with a prefix letter: the letter multiplies (m means 1e6 when
/// "MEG" occurs anywhere, case-insensitively), text behind it is ignored; a separator
/// is turned back into "."; "#INF" and "#NAN"/"#IND" texts give infinities and NaN.
/// Text without a number reads as 0. Never fails and never reads past the text.
/// (The text is taken by reference: reading a number copies no string.)
TB_EXPORT double TBExtended_atof(const CString& text, const CString& separator);

/// The standard atoi of the text; values beyond int are clamped.
TB_EXPORT int TBExtended_atoi(const CString& text);

/// "0" for 0, otherwise the number in the format "%i".
TB_EXPORT CString TBExtended_itoa(int value);

/// Truncation toward zero, clamped to [-2147483648, 2147483647]; NaN gives -2147483648.
TB_EXPORT long TBExtended_ftol(double value);
/// TBExtended_ftol as an int.
TB_EXPORT int TBExtended_ftoi(double value);
