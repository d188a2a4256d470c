/// \file
/// \brief Windows whose controls follow the window's size, with a size grip, a remembered size and position and an optional pin that keeps the window on top.
// Windows whose controls follow the window's size, with a size grip, a remembered
// size and position and an optional pin that keeps the window on top.
//
// CTBWindowLayout is the behaviour that CTBDialog, CTBPropertyPage, CTBPropertySheet
// and CTBFormView carry (one object each): the layout list of registered controls
// with their anchor flags, the arithmetic that places them on every size change, the
// placement kept in the per-user settings store, the size grip and the pin. The
// windows forward their messages to it; hosts use the windows' members.
#pragma once

#include <toolbox/ui/wnd.h>

#include <vector>

typedef struct HICON__* HICON;  ///< An icon: a colour image with a transparency mask (see TBBitmapToIcon, DestroyIcon).

/// Anchor flags of a registered control (combine them).
enum : WORD {
    /// Left edge keeps its initial position.
    TB_ANCHOR_LEFT = 1,
    /// Right edge keeps its distance to the window's right edge.
    TB_ANCHOR_RIGHT = 2,
    /// Top edge keeps its initial position.
    TB_ANCHOR_TOP = 4,
    /// Bottom edge keeps its distance to the window's bottom edge.
    TB_ANCHOR_BOTTOM = 8,
    /// Horizontally the centre is scaled and the width kept (without 1 and 64).
    TB_ANCHOR_CENTER_X = 16,
    /// Vertically the centre is scaled and the height kept (without 4 and 128).
    TB_ANCHOR_CENTER_Y = 32,
    /// Horizontally the edges not held by 1 and 2 are scaled.
    TB_ANCHOR_SCALE_X = 64,
    /// Vertically the edges not held by 4 and 8 are scaled.
    TB_ANCHOR_SCALE_Y = 128,
};

/// One registered control: id, anchor flags, the rectangle it had when the window was
/// initialised (client coordinates) and, for combo boxes, the dropped list's rectangle.
struct SControl_Info {
    WORD nID = 0;     ///< the control's id
    WORD nFlags = 0;  ///< TB_ANCHOR_ flags
    CRect rcInitial;  ///< rectangle at initialisation, client coordinates
    /// Combo boxes: the whole dropped control (edit part and list); empty otherwise.
    CRect rcDropped;
};

/// Where the anchors put a control: initial rectangle of info, initial client size,
/// new client size and the scale factors (new size over reference size). Coordinates
/// are truncated toward zero and centres use integer division, exactly as the layout
/// always did, so that windows open with their controls on the same pixels.
TB_EXPORT CRect TBLayoutControlRect(const SControl_Info& info, CSize initialClient, CSize newClient, double scaleX,
                                    double scaleY);

/// The private message a pinned window posts itself to change its z-order; wParam is
/// HWND_TOPMOST_MARKER or HWND_NOTOPMOST_MARKER.
constexpr UINT WM_TB_SETZORDER = 0x7E8;
/// Icon resources of the pin: pinned and not pinned.
///@{
constexpr UINT IDI_TB_PINNED = 4490;
constexpr UINT IDI_TB_UNPINNED = 4491;
///@}

/// The resizing, remembering and pinning behaviour of one window.
class TB_EXPORT CTBWindowLayout {
public:
    CTBWindowLayout();
    ~CTBWindowLayout();
    CTBWindowLayout(const CTBWindowLayout&) = delete;
    CTBWindowLayout& operator=(const CTBWindowLayout&) = delete;

    // --- layout list
    /// Registers control id with flags (again: changes its flags).
    void SetControlInfo(WORD id, WORD flags);
    /// Changes the registered initial rectangle; -1 keeps a value.
    void ResizeControl(WORD id, long left, long top, long width, long height);
    /// The registered initial rectangle of id; FALSE when id is not registered.
    BOOL GetOrigControlRect(WORD id, CRect& rect) const;
    /// The registered controls in registration order.
    const std::vector<SControl_Info>& GetControls() const { return m_controls; }
    /// The entry of id; null when id is not registered.
    SControl_Info* FindControl(WORD id);

    // --- initialisation and layout
    /// Records the reference client rectangle and the rectangles of the registered
    /// controls of window; marks the layout initialised.
    void Initialise(CWnd* window, const CRect& referenceClient);
    /// True once Initialise recorded the rectangles.
    BOOL IsInitialised() const { return m_initialised; }
    /// The client size the layout counts from.
    CSize GetInitialClientSize() const { return m_initialClient.Size(); }
    /// Computes the scale factors for client size (cx, cy).
    void UpdateScale(int cx, int cy);
    /// The current scale factors (1.0 until the first layout).
    double GetScaleX() const { return m_scaleX; }
    /// The current vertical scale factor (1.0 until the first layout).
    double GetScaleY() const { return m_scaleY; }
    /// Places every registered control of window for client size (cx, cy); scroll is
    /// subtracted from every rectangle (form views).
    void LayOut(CWnd* window, int cx, int cy, CPoint scroll = CPoint());
    /// Places one control for client size (cx, cy) with the current scale factors.
    void LayOutControl(CWnd* window, const SControl_Info& info, int cx, int cy, CPoint scroll = CPoint());
    /// The rectangle the anchors give info for client size (cx, cy) (no scrolling).
    CRect ControlRect(const SControl_Info& info, int cx, int cy) const;
    /// Shifts every recorded rectangle and grows the reference client area (bars
    /// added above the controls).
    void ShiftAll(int dx, int dy);

    // --- reduction and minimum size
    /// What ReduceDialog took off the reference size so far.
    CSize GetReduction() const { return m_reduction; }
    /// Takes (dx, dy) more off the reference size.
    void AddReduction(long dx, long dy);
    /// The window's size (with frame) when it was made.
    void SetCreationSize(CSize size) { m_creationSize = size; }
    /// The size SetCreationSize recorded.
    CSize GetCreationSize() const { return m_creationSize; }
    /// Creation size minus the reduction (zero before initialisation).
    CSize GetMinimumSize() const;

    // --- flags
    BOOL m_bRememberSize = TRUE;  ///< placement read and stored
    BOOL m_bDrawGripper = TRUE;   ///< the size grip shown
    BOOL m_bEnableOnTop = FALSE;  ///< the pin (on-top feature) on
    BOOL m_bPinned = TRUE;        ///< with the pin on: kept on top

    // --- placement
    /// Reads the stored placement of section and applies it to window, clamped to the
    /// screen (when remember-size is on).
    void RestorePlacement(CWnd* window, const CString& section);
    /// Stores the placement of window in section (when remember-size is on).
    void SavePlacement(CWnd* window, const CString& section) const;
    /// The section name from a profile entry, template id or template name.
    static CString ProfileSection(const CString& profileEntry, UINT templateId, const CString& templateName);

    // --- size grip
    /// The grip's rectangle in the client area of size (cx, cy): one scroll-bar width
    /// by one scroll-bar height in the bottom-right corner.
    static CRect GripperRect(int cx, int cy);
    /// Places (or hides) the grip widget of window for its current client size.
    void UpdateGripper(CWnd* window);
    /// WM_NCHITTEST's answer for a screen point: HTBOTTOMRIGHT on the grip, else
    /// HTNOWHERE (the window's own answer applies).
    LRESULT HitTestGripper(CWnd* window, CPoint screen) const;

    // --- pin
    /// Sets the window's icons to the pin's state and posts the z-order message.
    void UpdateIcons(CWnd* window);
    /// The icon UpdateIcons showed last (IDI_TB_PINNED, IDI_TB_UNPINNED or 0).
    UINT GetShownIcon() const { return m_shownIcon; }
    /// WM_SYSCOMMAND: a click on the icon toggles the pin; the close of the double
    /// click that follows undoes it. TRUE when the command was taken.
    BOOL OnSysCommand(CWnd* window, UINT command);
    /// Turns the pin over (kept on top or not) and shows it.
    void TogglePin(CWnd* window);
    /// WM_CONTEXTMENU that nobody else took, clicked in window clicked at a screen point:
    /// with the pin on and the click on the window itself (not a control), the menu
    /// with the checked entry "Keep on top" that toggles the pin. TRUE when shown.
    BOOL OnContextMenu(CWnd* window, HWND clicked, CPoint screen);
    /// WM_TB_SETZORDER: moves window to or from the top-most band.
    void OnSetZOrder(CWnd* window, WPARAM marker);
    /// The topmost extended style of window changed (TRUE: added).
    void OnTopMostStyleChanged(CWnd* window, BOOL topMost);

private:
    std::vector<SControl_Info> m_controls;
    CRect m_initialClient;
    CSize m_reduction;
    CSize m_creationSize;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    BOOL m_initialised = FALSE;
    UINT m_shownIcon = 0;
    bool m_changingZOrder = false;
    long long m_lastToggleMs = -1;
};

/// The members CTBDialog, CTBPropertyPage, CTBPropertySheet and CTBFormView share:
/// the layout list, the flags, the profile section and the pin. A mix-in beside the
/// window class; the window forwards its messages through HandleLayoutMessage.
class TB_EXPORT CTBResizableWindow {
public:
    virtual ~CTBResizableWindow();

    /// Registers a control for the layout (call it in the constructor).
    void SetControlInfo(WORD id, WORD flags);
    /// Changes the registered initial rectangle of a control (-1 keeps a value); the
    /// next layout uses it.
    void ResizeControl(WORD id, long left, long top, long width, long height);
    /// The registered initial rectangle of id; FALSE for an unknown id.
    BOOL GetOrigControlRect(WORD id, CRect& rect) const;

    /// Whether the placement is read at initialisation and stored at destruction.
    void SetRememberSize(BOOL remember) { m_layout.m_bRememberSize = remember; }
    /// Whether the placement is read at initialisation and stored at destruction.
    BOOL GetRememberSize() const { return m_layout.m_bRememberSize; }
    /// Shows or hides the size grip.
    void SetDrawGripper(BOOL draw);
    /// Whether the size grip is shown.
    BOOL GetDrawGripper() const { return m_layout.m_bDrawGripper; }
    /// Switches the pin (on-top feature) on or off.
    void SetEnableOnTop(BOOL enable) { m_layout.m_bEnableOnTop = enable; }
    /// Whether the pin is on.
    BOOL GetEnableOnTop() const { return m_layout.m_bEnableOnTop; }
    /// The same flag as SetEnableOnTop; also shows the pin's icons at once.
    void SetSystemModal(BOOL systemModal);
    /// The same flag as GetEnableOnTop.
    BOOL GetSystemModal() const { return m_layout.m_bEnableOnTop; }
    /// True while the pin keeps the window on top.
    BOOL GetPinned() const { return m_layout.m_bPinned; }
    /// Shows the pin's icon and moves the window to or from the top-most band.
    void UpdateIcons();

    /// The section the placement is stored under (instead of the template's).
    virtual void SetProfileEntry(const char* entry);
    /// The section name: the profile entry, else the template id in hex ("%x"), else
    /// the template name, else empty.
    virtual void GetDialogProfileEntry(CString& section);

    /// The behaviour itself (layout list, scale, grip, pin state).
    CTBWindowLayout& GetLayout() { return m_layout; }
    /// The behaviour itself (layout list, scale, grip, pin state).
    const CTBWindowLayout& GetLayout() const { return m_layout; }

protected:
    /// templateId or templateName name the profile section (see GetDialogProfileEntry).
    CTBResizableWindow(UINT templateId, const char* templateName);
    /// The window the behaviour belongs to.
    virtual CWnd* GetLayoutWindow() = 0;
    /// Lays out the registered controls for client size (cx, cy).
    virtual void LayOutControls(int cx, int cy);
    /// Steps of initialisation: records the reference area and the controls, reads the
    /// stored placement, shows the pin.
    void InitialiseLayout(const CRect& referenceClient);
    /// Stores the placement (the window is being destroyed).
    void SaveLayout();
    /// The minimum size follows creation size and reduction.
    void ApplyMinimumSize();
    /// Invalidates the window and its transparent registered controls.
    void InvalidateLayout(BOOL erase);
    /// For windows inside another (pages, views): the host window remembers the
    /// placement and carries the grip.
    void BehaveAsChild();
    /// Makes a dialog window built from a template a plain child of parent.
    static void AdoptAsChild(CWnd* window, CWnd* parent);
    /// The layout's share of a message; TRUE with result when it was taken whole.
    BOOL HandleLayoutMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    /// The layout's share of what no message map handled (the window's own context
    /// menu); TRUE with result when it was taken.
    BOOL HandleLayoutDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    CTBWindowLayout m_layout;      ///< the behaviour
    CString m_profileEntry;        ///< SetProfileEntry's section
    UINT m_layoutTemplateId;       ///< the template's id (0: none)
    CString m_layoutTemplateName;  ///< the template's name
};
