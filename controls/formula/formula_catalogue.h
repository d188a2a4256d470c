// The calculator's catalogue: functions, operators and constants in categories, each
// entry with the text it inserts, the text it shows and whether it is a function
// (inserted with parentheses around the selection) or a symbol.
#pragma once

#include <toolbox/types/cstring.h>

#include <vector>

struct CTBFormulaEntry {
    CString insertText;
    CString displayText;  ///< empty: the insert text is shown
    bool isFunction = false;
    const CString& Shown() const { return displayText.IsEmpty() ? insertText : displayText; }
};

struct CTBFormulaCategory {
    CString name;
    std::vector<CTBFormulaEntry> entries;
};

/// The nine categories in catalogue order, names from the string table.
std::vector<CTBFormulaCategory> TBBuildFormulaCatalogue();
