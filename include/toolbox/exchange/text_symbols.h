/// \file
/// \brief TBDetectTextSymbols: the separator and decimal symbol a delimited text file uses.
// The separator and decimal symbol a delimited text file uses, found in its first data
// lines, for tools and bindings that read text files without asking the user.
#pragma once

#include <toolbox/types/types.h>

/// The symbols of a delimited text file.
struct TBTextSymbols {
    CString separator;  ///< the field separator: "\t", ";", "," or " ", else the user's list separator
    CString decimal;    ///< the decimal symbol: "," or "."
};

/// Looks at up to 40 data lines among the first 200 lines of path (empty lines and a
/// first line holding quotes, a title line, left out). The separator is the first of
/// tab, semicolon, comma and blank that splits every one of them into the same number
/// (two or more) of fields; without one, the user's list separator. The decimal symbol
/// is a comma when the separator is not a comma, some number shows a comma between
/// digits and no line holds a point; else a point. A file that cannot be read gives the
/// user's list separator and a point.
TB_EXPORT TBTextSymbols TBDetectTextSymbols(const CString& path);
