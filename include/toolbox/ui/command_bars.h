/// \file
/// \brief Command bars: toolbars and menu bars whose items are controls drawn by the bar itself (buttons, popups that drop a bar of their own, and custom controls that derive from CTBBarControl).
// Command bars: toolbars and menu bars whose items are controls drawn by the bar
// itself (buttons, popups that drop a bar of their own, and custom controls that
// derive from CTBBarControl), the options a customisation page writes through to, and
// the owner that routes a control's command to a window.
//
// A CTBCommandBars object belongs to one site window (a frame or a dialog). It owns
// its bars; each bar owns its controls. Executing a control closes open popups and
// sends WM_COMMAND (control id, 0) to the site, so hosts handle bar commands in their
// message maps like menu commands. Command enabling reaches the controls through
// CCmdUI (`UpdateCommandUI`), as for menus.
#pragma once

#include <toolbox/ui/wnd.h>

#include <memory>
#include <vector>

class CDC;
class CMenu;
class CTBCommandBar;
class CTBCommandBars;
typedef struct HICON__* HICON;  ///< An icon: a colour image with a transparency mask (see TBBitmapToIcon, DestroyIcon).

/// How a control is drawn in the bars' frame: the state a button face shows.
enum class TBBarFrameState { Normal, Hot, Pressed, Checked, HotChecked };

/// The options of the command bars (what the customisation page edits).
struct TB_EXPORT CTBCommandBarsOptions {
    /// Menus show every item, not only the recently used ones.
    BOOL bAlwaysShowFullMenus = TRUE;
    /// With partial menus: the full menu appears after a short delay.
    BOOL bShowFullAfterDelay = TRUE;
    /// Toolbar icons at 32 instead of 16 pixels.
    BOOL bLargeIcons = FALSE;
    /// Tooltips over toolbar controls.
    BOOL bToolBarScreenTips = TRUE;
    /// The shortcut key in toolbar tooltips ("Copy (Ctrl+C)").
    BOOL bToolBarAccelTips = FALSE;
    /// Menu animation: 0 none, 1 random, 2 unfold, 3 slide, 4 fade, 5 system default.
    int animationType = 0;
};

/// One control on a command bar. Derive from it for custom controls: report the size
/// with GetSize, draw in Draw, follow the mouse with OnMouseMove/OnMouseLeave and act
/// on clicks with OnClick (which by default executes the control). Coordinates are the
/// bar's client coordinates; GetRect is where the bar placed the control.
class TB_EXPORT CTBBarControl {
public:
    CTBBarControl();
    /// A control with command id and caption ('&' marks the mnemonic); enabled, unchecked and visible.
    explicit CTBBarControl(UINT id, const char* caption = nullptr);
    virtual ~CTBBarControl();
    CTBBarControl(const CTBBarControl&) = delete;
    CTBBarControl& operator=(const CTBBarControl&) = delete;

    /// A copy of this control (same class, id, caption and state), not on any bar.
    virtual std::unique_ptr<CTBBarControl> Clone() const;

    /// The command id sent to the site when the control executes.
    UINT GetID() const { return m_id; }
    /// Sets the command id.
    void SetID(UINT id) { m_id = id; }
    /// The caption ('&' marks the mnemonic).
    const CString& GetCaption() const { return m_caption; }
    /// Sets the caption (null: empty) and lays out the bar again.
    void SetCaption(const char* caption);
    /// The tooltip over the control (empty: the caption without its mnemonic).
    const CString& GetTooltip() const { return m_tooltip; }
    /// Sets the tooltip (null or empty: the caption without its mnemonic).
    void SetTooltip(const char* tooltip) { m_tooltip = tooltip ? tooltip : ""; }
    /// The shortcut shown in the tooltip when the options ask for it ("Ctrl+C").
    void SetShortcut(const char* shortcut) { m_shortcut = shortcut ? shortcut : ""; }
    /// The shortcut shown in the tooltip.
    const CString& GetShortcut() const { return m_shortcut; }
    /// The icon drawn on the button (not owned; null: the caption is drawn).
    void SetIcon(HICON icon);
    /// The icon drawn on the button; null when the caption is drawn.
    HICON GetIcon() const { return m_icon; }
    /// Whether the control can be clicked.
    BOOL GetEnabled() const { return m_enabled; }
    /// Enables or disables the control and repaints it.
    void SetEnabled(BOOL enabled);
    /// Whether the control is drawn checked.
    BOOL GetChecked() const { return m_checked; }
    /// Checks or unchecks the control and repaints it.
    void SetChecked(BOOL checked);
    /// Whether the control is shown on its bar.
    BOOL IsVisible() const { return m_visible; }
    /// Shows or hides the control and lays out the bar again.
    void SetVisible(BOOL visible);

    /// The bar the control is on; null when on none.
    CTBCommandBar* GetParent() const { return m_parent; }
    /// The command bars the control's bar belongs to (null when on no bar).
    CTBCommandBars* GetCommandBars() const;
    /// Where the bar placed the control, in the bar's client coordinates.
    CRect GetRect() const { return m_rect; }
    /// True while the mouse is over the control.
    BOOL IsHot() const { return m_hot; }
    /// True while the mouse button is held down over the control.
    BOOL IsPressed() const { return m_pressed; }

    /// The control's size on its bar (dc has the bar's font selected).
    virtual CSize GetSize(CDC* dc);
    /// Draws the control into GetRect().
    virtual void Draw(CDC* dc);
    /// The mouse moved over the control (point in bar coordinates); the default repaints it hot.
    virtual void OnMouseMove(CPoint point);
    /// The mouse left the control; the default repaints it.
    virtual void OnMouseLeave();
    /// The mouse button went down over the control; the default draws it pressed.
    virtual void OnLButtonDown(CPoint point);
    /// A completed click inside the control: executes it (when enabled).
    virtual void OnClick(CPoint point);
    /// The tooltip at point (for controls with several parts); rect receives the area
    /// the text belongs to. The default: the control's tooltip over its whole rectangle.
    virtual CString GetTooltipAt(CPoint point, CRect* rect) const;
    /// Sends the control's command to the site (after closing open popups).
    virtual void Execute();
    /// Repaints the control.
    void RedrawParent();

protected:
    /// Copies the state common to every control into copy (for Clone).
    void CopyTo(CTBBarControl& copy) const;
    /// Draws the bars' button frame for state into rect.
    void DrawButtonFrame(CDC* dc, const CRect& rect, TBBarFrameState state) const;
    /// The frame state of the whole control from its hot, pressed and checked flags.
    TBBarFrameState FrameState() const;

private:
    friend class CTBCommandBar;
    UINT m_id = 0;
    CString m_caption;
    CString m_tooltip;
    CString m_shortcut;
    HICON m_icon = nullptr;
    BOOL m_enabled = TRUE;
    BOOL m_checked = FALSE;
    BOOL m_visible = TRUE;
    BOOL m_hot = FALSE;
    BOOL m_pressed = FALSE;
    CRect m_rect;
    CTBCommandBar* m_parent = nullptr;
};

/// A plain button: caption or icon; executes its command when clicked.
class TB_EXPORT CTBBarButton : public CTBBarControl {
public:
    /// A button with command id and caption.
    using CTBBarControl::CTBBarControl;
    std::unique_ptr<CTBBarControl> Clone() const override;
};

/// A drop-down button: clicking it opens its popup bar below it (beside it on a popup
/// bar). Custom controls placed on the popup bar execute as usual; executing the popup
/// control itself (ExecutePopup) sends its own command.
class TB_EXPORT CTBBarPopup : public CTBBarControl {
public:
    CTBBarPopup();
    /// A drop-down button with command id and caption; its popup bar is made on first use.
    explicit CTBBarPopup(UINT id, const char* caption = nullptr);
    ~CTBBarPopup() override;
    std::unique_ptr<CTBBarControl> Clone() const override;

    /// The bar that drops down (made on first use; owned by this control).
    CTBCommandBar* GetCommandBar();
    /// Opens or closes the popup bar.
    void SetPopuped(BOOL open);
    /// True while the popup bar is open.
    BOOL GetPopuped() const;

    CSize GetSize(CDC* dc) override;
    void Draw(CDC* dc) override;
    void OnClick(CPoint point) override;

private:
    friend class CTBCommandBar;
    std::unique_ptr<CTBCommandBar> m_bar;
};

/// A bar of controls: a toolbar (a child of the site, laid out in a row), a menu bar,
/// or a popup bar (a top-level popup window laid out in a column).
class TB_EXPORT CTBCommandBar : public CWnd {
public:
    /// ToolBar: a row along the site's edge; MenuBar: the site's menu row; PopupBar: a dropped column.
    enum Type { ToolBar, MenuBar, PopupBar };
    /// Bars come from CTBCommandBars::Add or from a popup control.
    CTBCommandBar(CTBCommandBars* bars, Type type, const char* title);
    ~CTBCommandBar() override;

    /// Toolbar, menu bar or popup bar.
    Type GetType() const { return m_type; }
    /// The title given when the bar was made.
    const CString& GetTitle() const { return m_title; }
    /// The command bars the bar belongs to.
    CTBCommandBars* GetCommandBars() const { return m_bars; }

    /// Adds control (taking it) before index (-1: at the end); returns it.
    CTBBarControl* AddControl(std::unique_ptr<CTBBarControl> control, int before = -1);
    /// Adds a plain button with id and caption.
    CTBBarButton* AddButton(UINT id, const char* caption, const char* tooltip = nullptr);
    /// Adds a drop-down button whose popup bar the caller fills.
    CTBBarPopup* AddPopup(UINT id, const char* caption);
    /// Places a separator before the control at index.
    void SetBeginGroup(int index, BOOL begin = TRUE);
    /// Number of controls (hidden ones included).
    int GetControlCount() const { return static_cast<int>(m_controls.size()); }
    /// The control at index; null for a bad index. Owned by the bar.
    CTBBarControl* GetControl(int index) const;
    /// The first control with id, searching popup bars too; null when there is none.
    CTBBarControl* FindControl(UINT id) const;
    /// The control under point (client coordinates); null when none.
    CTBBarControl* HitTest(CPoint point) const;
    /// Deletes the control at index; nothing for a bad index.
    void RemoveControl(int index);
    /// Deletes every control.
    void RemoveAll();

    /// The size the bar needs for its controls (row or column).
    CSize CalcSize();
    /// Places the controls and resizes the window to CalcSize (keeps a toolbar's width
    /// when it is stretched along the site's edge).
    void RecalcLayout();
    /// Shows the popup bar at a screen point (popup bars only); the popup closes on a
    /// click elsewhere, on Escape or when a control executes.
    void Popup(CPoint screen, CWnd* owner);
    /// Closes this popup bar and those it opened.
    void ClosePopup();
    /// True while a popup bar opened from this bar is open.
    BOOL IsPopupOpen() const;
    /// Builds the bar from a menu: items become buttons, submenus popups.
    void LoadMenu(CMenu* menu);

    /// Asks target for the state of every control (CCmdUI), as menus are asked.
    void UpdateCommandUI(CCmdTarget* target);

protected:
    DECLARE_MESSAGE_MAP()
    /// Draws the bar's background, separators and controls.
    void OnPaint();
    /// Tracks the hot control and its tooltip.
    void OnMouseMove(UINT flags, CPoint point);
    /// Presses the control under the mouse; a popup control opens its bar.
    void OnLButtonDown(UINT flags, CPoint point);
    /// Completes a click on the pressed control (OnClick).
    void OnLButtonUp(UINT flags, CPoint point);

private:
    friend class CTBCommandBars;
    friend class CTBBarControl;
    friend class CTBBarPopup;
    BOOL EnsureWindow(CWnd* parent);
    void SetHot(CTBBarControl* control);
    void OnLeave();
    CString TooltipAt(CPoint point, CRect* rect) const;
    struct Events;
    CTBCommandBars* m_bars;
    Type m_type;
    CString m_title;
    std::vector<std::unique_ptr<CTBBarControl>> m_controls;
    std::vector<int> m_groups;
    CTBBarControl* m_hot = nullptr;
    CTBBarControl* m_pressed = nullptr;
    CTBBarPopup* m_popupOwner = nullptr;
    Events* m_events = nullptr;
};

/// The command bars of one site window: its bars, their options and usage data.
class TB_EXPORT CTBCommandBars {
public:
    /// site receives the bars' commands and is the parent of their toolbars.
    explicit CTBCommandBars(CWnd* site = nullptr);
    virtual ~CTBCommandBars();
    CTBCommandBars(const CTBCommandBars&) = delete;
    CTBCommandBars& operator=(const CTBCommandBars&) = delete;

    /// The window that receives the bars' commands; null when none.
    CWnd* GetSite() const { return m_site; }
    /// Sets the window that receives the bars' commands and parents their toolbars.
    void SetSite(CWnd* site) { m_site = site; }

    /// Adds a toolbar (or menu bar) along the site's top edge; null without a site window.
    CTBCommandBar* Add(const char* title, CTBCommandBar::Type type = CTBCommandBar::ToolBar);
    /// A menu bar built from a menu resource of the library or a CMenu.
    CTBCommandBar* SetMenu(UINT menuResourceId);
    /// Number of bars.
    int GetCount() const { return static_cast<int>(m_bars.size()); }
    /// The bar at index; null for a bad index. Owned by the command bars.
    CTBCommandBar* GetAt(int index) const;
    /// The first control with id on any bar.
    CTBBarControl* FindControl(UINT id) const;

    /// The options every bar follows; owned by the command bars.
    CTBCommandBarsOptions* GetCommandBarsOptions() { return &m_options; }
    /// The options every bar follows.
    const CTBCommandBarsOptions* GetCommandBarsOptions() const { return &m_options; }
    /// Lays out and repaints every bar (after an option such as large icons changed).
    void RedrawCommandBars();
    /// Forgets which commands were used (the usage data of personalised menus).
    void ResetUsageData();
    /// Records a use of command id (executing a control does it).
    void RecordUsage(UINT id);
    /// How often command id was used since the last reset.
    int GetUsageCount(UINT id) const;

    /// Closes every open popup bar; true when one was open.
    BOOL ClosePopups();
    /// True while any popup bar is open.
    BOOL IsPopupOpen() const;
    /// Hook for the site's PreTranslateMessage: Escape closes open popups. True when
    /// the message was taken.
    BOOL PreTranslateMessage(MSG* msg);
    /// Sends the command of control to the site, records its use, closes popups.
    virtual void ExecuteControl(CTBBarControl* control);
    /// Asks target for the state of the controls of every bar.
    void UpdateCommandUI(CCmdTarget* target);

    /// Places the toolbars along the top edge of the site's client area starting at
    /// top and returns the height they take.
    int LayoutBars(int top, int width);

    /// Tracks a popup menu through the bars' owner: the chosen command is sent to owner
    /// (or returned with TPM_RETURNCMD), as CMenu::TrackPopupMenu does.
    static BOOL TrackPopupMenu(CMenu* menu, UINT flags, int x, int y, CWnd* owner);

private:
    CWnd* m_site;
    CTBCommandBarsOptions m_options;
    std::vector<std::unique_ptr<CTBCommandBar>> m_bars;
    std::vector<std::pair<UINT, int>> m_usage;
};
