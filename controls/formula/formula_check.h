// The formula check of the calculator dialog: scans a formula with the scanner and
// helper plug-ins ("Lurvenc.dll", "Vexa2000.dll", loaded through the library registry)
// and applies the host's rules on assignments, conditional blocks and variables.
#pragma once

#include <toolbox/types/maps.h>

#include <functional>

/// Check flags of the calculator (bits of InitDialog's flags).
enum : long {
    TB_CALC_ASSIGNMENT_REQUIRED = 1,
    TB_CALC_ASSIGNMENT_ALLOWED = 2,
    TB_CALC_NEW_VARIABLE_ALLOWED = 4,
    TB_CALC_BLOCK_ALLOWED = 8
};

/// Checks formula under flags. Every finding is handed to show as one message text;
/// variables assigned inside an allowed conditional block are added to variables.
/// Returns true when the formula is acceptable (an empty formula always is).
bool TBCheckFormula(const CString& formula, long flags, CMapStringToString& variables,
                    const std::function<void(const CString&)>& show);

/// A message pattern with %1, %2... filled from args (a missing argument leaves the
/// placeholder empty); nothing else in the pattern is interpreted.
CString TBFormatPositional(const CString& pattern, std::initializer_list<CString> args);
