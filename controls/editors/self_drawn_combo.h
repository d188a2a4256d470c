// Combo boxes that draw their own items. The window layer hands owner-drawn items to
// the parent (WM_DRAWITEM); the library's owner-drawn combos draw themselves, as the
// framework's combo classes do through reflected messages.
#pragma once

#include <toolbox/ui/controls.h>

#include <functional>

namespace tb_editors {

/// From now on combo's closed field and dropped list are drawn by draw, called with
/// the item, its rectangle, the ODS_ state and a context (CDC::FromHandle(hDC)). Each
/// item is heightDelta pixels higher than the style's default (negative: lower).
void DrawComboItemsSelf(CComboBox* combo, std::function<void(DRAWITEMSTRUCT&)> draw, int heightDelta);

/// Replaces a dialog's placeholder that wnd is attached to (by SubclassDlgItem or
/// DDX_Control): reads its rectangle in the parent's client coordinates, text, styles,
/// id, parent and previous sibling, then destroys it. False when wnd is not attached.
struct Placeholder {
    CRect rect;
    CString text;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0;
    CWnd* parent = nullptr;
    HWND previous = nullptr;
};
bool TakePlaceholder(CWnd& wnd, Placeholder& out);
/// Puts wnd back in the z-order after previous (on top when there is none).
void RestoreZOrder(CWnd& wnd, HWND previous);

}  // namespace tb_editors
