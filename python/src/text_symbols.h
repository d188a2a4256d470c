// The separator and decimal symbol of a delimited text file, found in its first lines.
#pragma once

#include <toolbox/types/types.h>

#include <string>

namespace tb_python {

/// Separator and decimal symbol of delimited text.
struct TextSymbols {
    CString separator;
    CString decimal;
};

/// The separator that splits the first data lines into the same number (two or more)
/// of fields, tried in the order tab, semicolon, comma, blank; the decimal symbol is a
/// comma when numbers show one between digits and no point anywhere, else a point.
/// Without a fitting separator the user's list separator.
TextSymbols DetectTextSymbols(const std::string& path);

}  // namespace tb_python
