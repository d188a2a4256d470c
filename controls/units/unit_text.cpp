// Unit notation of the unit catalogue shown with its symbols. The catalogue writes the
// escapes of the notation-text drawing ("\Ohm\", "\mu\", "\2super\"...) and two
// spellings of its own: "\deg\" for the degree sign and "^2", "^3" for powers. They are
// turned into the drawing's escapes here, so that one symbol table serves every control.
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/unit_controls.h>

namespace {

/// The catalogue's spellings as escapes of the notation-text drawing.
CString DrawingEscapes(CString notation) {
    notation.Replace("\\deg\\", "\\degree\\");
    notation.Replace("^2", "\\2super\\");
    notation.Replace("^3", "\\3super\\");
    return notation;
}

}  // namespace

CString TBUnitNotationText(const CString& notation) { return TBNotationToUnicode(DrawingEscapes(notation)); }

int TBDrawUnitNotation(CDC* dc, const CString& notation, RECT* rect, UINT format) {
    return TBSpecialDrawText(dc, DrawingEscapes(notation), rect, format | DT_TB_NOTATION, 0);
}
