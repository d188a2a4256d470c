/// \file
/// \brief Form views: a dialog template shown as a view inside a frame or any window.
// Form views: a dialog template shown as a view inside a frame or any window. Its
// registered controls follow the view while it is larger than the template; a
// smaller view scrolls instead of squeezing them.
#pragma once

#include <toolbox/ui/dialog.h>
#include <toolbox/ui/window_layout.h>

/// The id a frame's main view carries.
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

/// A template shown as a view: controls follow a larger view, a smaller one scrolls.
class TB_EXPORT CTBFormView : public CDialog, public CTBResizableWindow {
public:
    /// A view on the library's template templateId.
    explicit CTBFormView(UINT templateId);
    /// A view on a template of the host's (kept by the caller); name keys the profile.
    CTBFormView(const CDialogTemplate* tmpl, const char* templateName);
    ~CTBFormView() override;

    /// Makes the view as a child of parent in rect and gives it its first update.
    virtual BOOL Create(CWnd* parent, const RECT& rect, UINT id = AFX_IDW_PANE_FIRST);
    /// The first update: records the layout (from the frame control when one is
    /// named) and places the controls for the view's size.
    virtual void OnInitialUpdate();
    /// Names the control whose client rectangle is the layout's reference area.
    void SetFrameID(UINT id) { m_frameId = id; }
    /// The control named by SetFrameID (0: none).
    UINT GetFrameID() const { return m_frameId; }

    /// The scroll position (pixels from the top-left of the template's area).
    CPoint GetScrollPosition() const { return m_scroll; }
    /// Scrolls to position (clamped to the scrollable area) and places the controls.
    void ScrollToPosition(CPoint position);
    /// The scrollable size: the reference area's size.
    CSize GetTotalSize() const { return m_layout.GetInitialClientSize(); }

    /// Invalidates the view and its transparent registered controls.
    void Invalidate(BOOL erase = TRUE) { InvalidateLayout(erase); }
    /// Enter and Escape belong to the view's host, not to a dialog that would close.
    void OnOK() override {}
    /// Escape does not close a view.
    void OnCancel() override {}
    /// The layout's messages first, then the dialog's.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CWnd* GetLayoutWindow() override { return this; }
    void LayOutControls(int cx, int cy) override;

private:
    void UpdateScrollBars(int cx, int cy);
    const CDialogTemplate* m_hostTemplate = nullptr;
    UINT m_frameId = 0;
    CPoint m_scroll;
    bool m_placing = false;
};
