/// \file
/// \brief Drawing helpers that controls and the hosts' plotting code share: polylines and polygons cut at a rectangle, and text drawing that understands the physical-unit notation ("`\mu\`", "`\Ohm\`", "`\2super\`"...).
// Drawing helpers that controls and the hosts' plotting code share: polylines and
// polygons cut at a rectangle, and text drawing that understands the physical-unit
// notation ("\mu\", "\Ohm\", "\2super\"...).
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/ui/dc.h>
#include <toolbox/units/unit_notation.h>  // the symbol table and TBNotationToUnicode

/// DrawText flag of TBSpecialDrawText: escapes between backslashes become unit symbols.
constexpr UINT DT_TB_NOTATION = 0x40000000;

/// Cuts the polyline (polygon != 0: the filled polygon) of count points at clip, in
/// logical coordinates whose y grows upwards (the clip's top is its larger y). Writes
/// the visible points to *result and returns their number; a null *result gets a new
/// array of 2 x count points that the caller frees with delete[], otherwise *result
/// must hold 2 x count points. runEnds receives the end index (exclusive) of every run
/// of connected visible points, the last one equal to the result. In polygon mode
/// points outside are moved onto the border (corners inserted where the outline turns
/// round one), except that points above the clip are dropped, ending the run, when the
/// clip's top lies below baseline, and points below it when its bottom lies above it.
TB_EXPORT UINT TBCalcClippedPointArray(POINT* points, UINT count, POINT** result, CUIntArray& runEnds, int polygon,
                                       const CRect& clip, int baseline);

/// Draws text into rect like CDC::DrawText (DT_ flags) and, with DT_TB_NOTATION in
/// format or special != 0, draws the escapes "`\mu\`", "`\2super\`", "`\3super\`", "`\4super\`",
/// "`\5super\`", "`\degree\`", "`\Ohm\`", "`\Omega\`" and "`\AA\`" as the symbols µ ² ³ ⁴ ⁵ ° Ω Å of the current font ("$"
/// where the font has no such glyph). Contexts in the isotropic or anisotropic mapping
/// mode are laid out line by line here as well. Returns the height of the text; with
/// DT_CALCRECT on several lines the width of the computed rectangle. The context's
/// pen, brush, font and text alignment are as before afterwards.
TB_EXPORT int TBSpecialDrawText(CDC* dc, const CString& text, RECT* rect, UINT format, int special);
