/// \file
/// \brief The library's dialog base: a template dialog whose registered controls follow the window's size, with a size grip, a minimum size.
// The library's dialog base: a template dialog whose registered controls follow the
// window's size, with a size grip, a minimum size, a placement remembered in the
// per-user settings store and an optional pin that keeps it on top.
//
//     class CMyDlg : public CTBDialog {
//     public:
//         CMyDlg(CWnd* parent) : CTBDialog(4306, parent) {
//             SetControlInfo(IDC_LIST, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT);    // stretches
//             SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);      // stays in the corner
//         }
//     };
#pragma once

#include <toolbox/ui/dialog.h>
#include <toolbox/ui/window_layout.h>

/// A template dialog whose registered controls follow its size, with grip, minimum
/// size, remembered placement and optional pin.
class TB_EXPORT CTBDialog : public CDialog, public CTBResizableWindow {
public:
    /// A dialog on the library's template templateId; its placement is stored under
    /// the id in hex unless SetProfileEntry names another section.
    explicit CTBDialog(UINT templateId, CWnd* parent = nullptr);
    /// A dialog whose window the host makes with CreateIndirect; templateName names
    /// the section its placement is stored under.
    explicit CTBDialog(const char* templateName, CWnd* parent = nullptr);
    ~CTBDialog() override;

    /// Records the controls' rectangles, restores the stored placement and shows the
    /// pin; derived dialogs call it first in their own OnInitDialog.
    BOOL OnInitDialog() override;
    /// Shrinks the layout's reference size by (dx, dy) pixels and the window by
    /// (dx × scale x, dy × scale y); the minimum size shrinks with it. For dialogs that
    /// hide a part of their template.
    void ReduceDialog(long dx, long dy);
    /// Invalidates the window and every registered control with the transparent style.
    void Invalidate(BOOL erase = TRUE) { InvalidateLayout(erase); }

    /// The layout's messages (size, grip, pin, placement) first, then the dialog's.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CWnd* GetLayoutWindow() override { return this; }
};
