/// \file
/// \brief The library's icons and bitmaps: vector art of its own, rendered at the size asked for.
// The library's icons and bitmaps: vector art of its own, rendered at the size asked
// for. Icons are loaded by resource id, the bitmap-button bitmaps by name (the
// button's caption followed by the state letter: "NEWU", "NEWD", "NEWF", "NEWX") or
// by id.
#pragma once

#include <toolbox/types/cstring.h>

#include <vector>

class CBitmap;
typedef struct HICON__* HICON;  ///< An icon: a colour image with a transparency mask (see TBBitmapToIcon, DestroyIcon).

/// First id of the bitmap-button bitmaps: id = first + 4 × glyph + state, glyphs in the
/// order of TBGetBitmapGlyphs, states up, down, focused, disabled.
constexpr UINT IDB_TB_BUTTON_FIRST = 4500;

/// The icon with resource id at size × size pixels (4490 pinned, 4491 not pinned);
/// null for an unknown id or a size outside 1 to 256. The caller destroys it.
TB_EXPORT HICON TBLoadIcon(UINT id, int size = 16);
/// The button glyphs the bitmaps exist for: "CHECK", "COMPONENT", "DELETEALL",
/// "DELETE", "DOWN", "FILEOPEN", "NEW", "UP".
TB_EXPORT std::vector<CString> TBGetBitmapGlyphs();
/// Loads the bitmap name (glyph and state letter U, D, F or X, case-insensitive) into
/// bitmap; FALSE (bitmap untouched) when there is none.
TB_EXPORT BOOL TBLoadBitmap(CBitmap& bitmap, const char* name);
/// Loads the bitmap with id (see IDB_TB_BUTTON_FIRST); FALSE when there is none.
TB_EXPORT BOOL TBLoadBitmap(CBitmap& bitmap, UINT id);
/// The name of bitmap id ("NEWU"); empty for an unknown id.
TB_EXPORT CString TBBitmapName(UINT id);
