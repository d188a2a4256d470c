// CTBPen: wide styled pens made geometric so that their dashes show; plain pens for
// metafiles.
#include <toolbox/ui/style_pickers.h>

namespace {

bool IsMetaFile(const CDC* dc) { return dc && dynamic_cast<const CMetaFileDC*>(dc) != nullptr; }

}  // namespace

CTBPen::CTBPen(int style, int width, COLORREF colour, const CDC* dc) {
    if (!CreatePen(style, width, colour, dc)) throw CResourceException();
}

CTBPen::CTBPen(int style, int width, const LOGBRUSH* brush, const CDC* dc, int styleCount, const DWORD* styles) {
    if (!CreatePen(style, width, brush, dc, styleCount, styles)) throw CResourceException();
}

BOOL CTBPen::CreatePen(int style, int width, COLORREF colour, const CDC* dc) {
    const UINT s = static_cast<UINT>(style);
    if (IsMetaFile(dc)) return CPen::CreatePen(s, width == 1 ? 0 : width, colour);
    if (width != 0 && (s & PS_STYLE_MASK) != PS_SOLID) {
        const LOGBRUSH solid{BS_SOLID, colour, 0};
        return CPen::CreatePen(s | PS_GEOMETRIC, width, &solid);
    }
    return CPen::CreatePen(s, width, colour);
}

BOOL CTBPen::CreatePen(int style, int width, const LOGBRUSH* brush, const CDC* dc, int, const DWORD*) {
    if (!brush) return FALSE;
    if (IsMetaFile(dc)) return CPen::CreatePen(static_cast<UINT>(style) & ~PS_GEOMETRIC, width == 1 ? 0 : width,
                                               brush->lbColor);
    return CPen::CreatePen(static_cast<UINT>(style), width, brush);
}

BOOL CTBPen::CreatePenIndirect(LOGPEN* pen, const CDC* dc) {
    if (!pen) return FALSE;
    if (IsMetaFile(dc) && pen->lopnWidth.x == 1) pen->lopnWidth.x = 0;
    return CreatePen(static_cast<int>(pen->lopnStyle), static_cast<int>(pen->lopnWidth.x), pen->lopnColor, dc);
}
