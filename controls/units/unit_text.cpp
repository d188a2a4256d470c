// Unit notation of the unit catalogue shown with its symbols. The spellings of the
// catalogue and of users ("\deg\", "^2", "kOhm") become escapes of the one symbol table
// in the core, which the notation-text drawing draws.
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/unit_controls.h>

CString TBUnitNotationText(const CString& notation) { return TBUnitToUnicode(notation); }

int TBDrawUnitNotation(CDC* dc, const CString& notation, RECT* rect, UINT format) {
    return TBSpecialDrawText(dc, TBUnitNotationEscapes(notation), rect, format | DT_TB_NOTATION, 0);
}
