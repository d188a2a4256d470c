/// \file
/// \brief Windows and their messages.
// Windows and their messages. A CWnd wraps a Qt widget (HWND is the widget) and
// receives the widget's events as the framework's messages through its message map;
// SendMessage calls WindowProc at once, PostMessage queues the message on the Qt
// event loop, DefWindowProc gives a message to the window's native handling (the
// widget's own behaviour for the event that caused it, or the control's handling of
// messages such as WM_SETTEXT, EM_SETSEL or CB_ADDSTRING).
//
// Ownership: the QWidget belongs to its Qt parent, the CWnd to whoever created it.
// DestroyWindow deletes the widget; a CWnd destroyed first destroys its window.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/win_messages.h>

class QWidget;
class CWnd;
class CCmdUI;
class CMenu;
class CFont;
class CDC;

/// The code a command-update entry is filed under in a message map.
constexpr UINT CN_UPDATE_COMMAND_UI = static_cast<UINT>(-1);
/// The code WM_COMMAND entries without a notification code are filed under (menus).
constexpr UINT CN_COMMAND = 0;

/// Process-wide lookups of the window layer (message numbers registered by name).
TB_EXPORT UINT RegisterWindowMessage(const char* name);

class CCmdTarget;
/// Calls one handler of a message map; wParam and lParam are the message's.
typedef LRESULT (*TB_MSG_THUNK)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

/// One line of a message map: which message (and for WM_COMMAND and WM_NOTIFY which
/// notification code and control ids) reaches which handler.
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  ///< The message number (WM_COMMAND, WM_NOTIFY, a WM_ message or a registered one).
    UINT nCode;  ///< The notification code for WM_COMMAND and WM_NOTIFY entries; 0 otherwise.
    UINT nID;  ///< First control or command id the entry takes; 0 when any.
    UINT nLastID;  ///< Last id of a range entry (ON_COMMAND_RANGE); equal to nID otherwise.
    TB_MSG_THUNK pfn;  ///< The handler's thunk; null ends the map.
};

/// A class's message map: its entries and the map of its base class, searched next.
struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  ///< The base class's map; null at the root.
    const AFX_MSGMAP_ENTRY* lpEntries;  ///< The entries, ending with one whose pfn is null.
};

/// Base of everything that receives commands: holds the message map chain.
class TB_EXPORT CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    /// Routes a command (nCode CN_COMMAND or a control notification) or a command
    /// update (nCode CN_UPDATE_COMMAND_UI, pExtra the CCmdUI) to the map; true when a
    /// handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra);

protected:
    /// The map of this class (BEGIN_MESSAGE_MAP defines it for derived classes).
    static const AFX_MSGMAP* GetThisMessageMap();
    /// The map of the object's class; DECLARE_MESSAGE_MAP overrides it.
    virtual const AFX_MSGMAP* GetMessageMap() const;
    /// The first entry of the map chain for message (and code and id), or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
};

/// Command enabling: one menu item or control asked whether it is enabled, checked
/// and what it reads.
class TB_EXPORT CCmdUI {
public:
    UINT m_nID = 0;  ///< Command id of the item asked about.
    UINT m_nIndex = 0;  ///< Index of the item in its menu.
    CMenu* m_pMenu = nullptr;  ///< The menu the item is in; null for a control.
    CWnd* m_pOther = nullptr;  ///< The control asked about; null for a menu item.
    BOOL m_bEnableChanged = FALSE;  ///< Set when a handler called Enable.
    /// True once a handler answered for this item.
    BOOL m_bHandled = FALSE;

    virtual ~CCmdUI() = default;
    /// Enables or disables the menu item or control.
    virtual void Enable(BOOL on = TRUE);
    /// Checks the item: 0 clear, 1 checked, 2 indeterminate (check boxes).
    virtual void SetCheck(int check = 1);
    /// Checks (radio mark) or clears the item.
    virtual void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
    /// Sets the item's text (a menu item's or a control's window text).
    virtual void SetText(LPCTSTR text);
    /// Asks target's map for this item; items nobody answers for stay as they are.
    BOOL DoUpdate(CCmdTarget* target);
};

/// A window: a Qt widget with the framework's window interface.
class TB_EXPORT CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    /// The widget of this window; null before creation and after destruction.
    HWND m_hWnd = nullptr;
    /// The widget handle; null when the object has no window.
    HWND GetSafeHwnd() const { return m_hWnd; }
    /// The widget handle; null when the object has no window.
    operator HWND() const { return m_hWnd; }
    /// The widget itself, for hosts that place it into their own Qt layouts.
    QWidget* GetWidget() const;

    /// The permanent object of hwnd, or a temporary one (valid until the event loop
    /// runs again) when none is attached; null for a null handle.
    static CWnd* FromHandle(HWND hwnd);
    /// The permanent object of hwnd only; null when none is attached.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // --- creation and destruction
    /// Creates a window of the given class ("EDIT", "BUTTON", "STATIC", "COMBOBOX",
    /// "LISTBOX", "SysListView32", "RICHEDIT" or null for a plain window) with
    /// parent, id and style; false when the class is unknown.
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id);
    /// CreateEx without extended style.
    BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    /// Attaches this object to an existing widget (no messages are sent).
    BOOL Attach(HWND hwnd);
    /// Detaches the object from its widget without destroying it; returns the widget, null when there was none.
    HWND Detach();
    /// Makes this object the window's permanent object (the dialog's controls).
    BOOL SubclassWindow(HWND hwnd);
    /// Makes this object the permanent object of the parent's control id; FALSE when parent is null or has no such control.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    /// Sends WM_DESTROY to the window and its children, then deletes the widget.
    virtual BOOL DestroyWindow();

    // --- messages
    /// Handles the message at once through WindowProc and returns its result; 0 for an object without a window.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    /// Queues the message for the window's event loop; FALSE for an object without a window.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    /// The message being handled (what Default and DefWindowProc act on).
    static const MSG* GetCurrentMessage();
    /// Sends the notification WM_COMMAND (id, code) to the parent.
    void SendNotifyToParent(UINT code);

    // --- identity and tree
    /// The window's control id; 0 when it has none.
    int GetDlgCtrlID() const;
    /// Sets the control id; returns the previous one (0 without a window).
    int SetDlgCtrlID(int id);
    /// The parent window (a temporary object when the parent has no permanent one); null for a top-level window.
    CWnd* GetParent() const;
    /// The child with control id; null when there is none.
    CWnd* GetDlgItem(int id) const;
    /// The top-level window that contains this one (itself when it is top-level).
    CWnd* GetTopLevelParent() const;
    /// The WS_ style bits.
    DWORD GetStyle() const;
    /// The WS_EX_ style bits.
    DWORD GetExStyle() const;
    /// Removes and adds WS_ style bits; TRUE when the style changed (FALSE also without a window).
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    /// Removes and adds WS_EX_ style bits (WS_EX_TOPMOST keeps the window on top); TRUE when the style changed.
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    /// True when wnd is a child (or a child of a child) of this window.
    BOOL IsChild(const CWnd* wnd) const;
    /// The next or previous control in the parent's creation order (nullptr at the end).
    CWnd* GetNextWindow(UINT flag = 2) const;

    // --- text, font, state
    /// Sets the window's caption or a control's text (WM_SETTEXT).
    void SetWindowText(LPCTSTR text);
    /// The window's caption or a control's text (WM_GETTEXT).
    void GetWindowText(CString& text) const;
    /// The window's caption or a control's text (WM_GETTEXT).
    CString GetWindowText() const;
    /// Length in bytes of the window text.
    int GetWindowTextLength() const;
    /// Sets the text of the child with control id; nothing when there is none.
    void SetDlgItemText(int id, LPCTSTR text);
    /// The text of the child with control id (empty when there is none); returns its length.
    UINT GetDlgItemText(int id, CString& text) const;
    /// Sets the font of the window's text (WM_SETFONT); the font is not owned and must outlive the window.
    void SetFont(CFont* font, BOOL redraw = TRUE);
    /// The font set with SetFont; null for the default font.
    CFont* GetFont() const;
    /// Enables or disables mouse and keyboard input; returns TRUE when the window was disabled before.
    BOOL EnableWindow(BOOL enable = TRUE);
    /// True when the window takes input.
    BOOL IsWindowEnabled() const;
    /// SW_HIDE hides the window, every other value shows it; returns TRUE when it was visible before.
    BOOL ShowWindow(int cmd);
    /// True when the window and all its parents are shown.
    BOOL IsWindowVisible() const;
    /// True while the object has a window.
    BOOL IsWindow() const { return m_hWnd != nullptr; }

    // --- geometry
    /// The window's rectangle in screen coordinates, frame included.
    void GetWindowRect(RECT* rect) const;
    /// The client area: (0, 0) to its width and height.
    void GetClientRect(RECT* rect) const;
    /// Converts a point from client to screen coordinates.
    void ClientToScreen(POINT* p) const;
    /// Converts a rectangle from client to screen coordinates.
    void ClientToScreen(RECT* r) const;
    /// Converts a point from screen to client coordinates.
    void ScreenToClient(POINT* p) const;
    /// Converts a rectangle from screen to client coordinates.
    void ScreenToClient(RECT* r) const;
    /// Moves and resizes the window: client coordinates of the parent for a child, screen coordinates for a top-level window.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    /// Moves and resizes the window to rect (parent's client coordinates for a child).
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
    /// insertAfter: wndTop, wndBottom or a sibling; flags SWP_ as the framework's.
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    /// Centres the window over alternate, else over its parent, else on the screen's available area.
    void CenterWindow(CWnd* alternate = nullptr);

    // --- focus, capture, painting, timers
    /// Gives the window the keyboard focus; returns the window that had it (may be null).
    CWnd* SetFocus();
    /// The window with the keyboard focus; null when no window of the application has it.
    static CWnd* GetFocus();
    /// Sends all mouse input to this window; returns the window that had the capture (may be null).
    CWnd* SetCapture();
    /// The window that holds the mouse capture; null when none.
    static CWnd* GetCapture();
    /// Ends the mouse capture; returns TRUE.
    static BOOL ReleaseCapture();
    /// Marks the whole client area for repainting.
    void Invalidate(BOOL erase = TRUE);
    /// Marks rect (null: the whole client area) for repainting.
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    /// Repaints at once what is marked for repainting.
    void UpdateWindow();
    /// Starts (or restarts) timer id: WM_TIMER with id every elapseMs milliseconds; returns id, 0 for an object without a window.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* unused = nullptr);
    /// Stops timer id; FALSE when it was not running.
    BOOL KillTimer(UINT_PTR id);
    /// A modal message box owned by this window (TBMessageBox); returns IDOK, IDCANCEL, IDYES, IDNO...
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    /// Command enabling for the children of this window (buttons answer to the map).
    void UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler);

    /// SetWindowPos: place the window above its siblings.
    static const CWnd wndTop;
    /// SetWindowPos: place the window below its siblings.
    static const CWnd wndBottom;
    /// SetWindowPos: keep the window above other windows.
    static const CWnd wndTopMost;
    /// SetWindowPos: no longer above other windows.
    static const CWnd wndNoTopMost;

    // --- dispatch, overridable as in the framework
    /// Handles every message: OnWndMsg (the message map), then DefWindowProc for what the map did not take.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    /// The window's own handling of a message (the control's behaviour); 0 for messages it ignores.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    /// Looks the message up in the message map (WM_COMMAND through OnCommand, WM_NOTIFY through OnNotify); TRUE with *result set when a handler took it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    /// Routes WM_COMMAND to OnCmdMsg with the id and notification code; TRUE when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    /// Routes WM_NOTIFY (lParam an NMHDR) to the map entry of its code and control id; TRUE with *result set when a handler took it.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    /// Looks at a keyboard or mouse message before it is dispatched; TRUE swallows it. FALSE here.
    virtual BOOL PreTranslateMessage(MSG* msg);
    /// Called after WM_NCDESTROY: the window is gone (objects that delete themselves).
    virtual void PostNcDestroy() {}
    /// Default handling of the current message.
    LRESULT Default();

protected:
    /// The map of CWnd (the root of every window's map chain).
    static const AFX_MSGMAP* GetThisMessageMap();
    /// The map of the object's class.
    const AFX_MSGMAP* GetMessageMap() const override;
    /// Hook for classes that build their widget themselves (dialogs).
    void AttachCreated(HWND hwnd);

private:
    friend class CNativeWindow;
    void DetachFromWidget();
    void SetTemporary() { m_temporary = true; }
    bool m_temporary = false;
    struct Timers;
    Timers* m_timers = nullptr;
};

/// Window-position flags and ShowWindow commands (the framework's values).
///@{
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
///@}

/// The state of VK_SHIFT, VK_CONTROL or VK_MENU as the input being handled saw it:
/// negative (high bit set) while the key is down.
TB_EXPORT short GetKeyState(int vk);

/// Free forms of the message calls, for handles without a C++ object at hand.
TB_EXPORT LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/// Queues message for the window hwnd; FALSE for a null or dead handle.
TB_EXPORT BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ------------------------------------------------------------------ message maps
// Written in the framework's style:
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_MESSAGE(0x7EB, OnEditChanged)
//     ON_BN_CLICKED(IDC_APPLY, OnApply)
//   END_MESSAGE_MAP()
// Each entry's handler is called through a small function made inside the class's
// own scope, so handlers may be protected or private.

/// Declares the message map of a class (inside its body; leaves the members after it private).
#define DECLARE_MESSAGE_MAP()                         \
protected:                                            \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override; \
                                                      \
private:

/// Starts the message map of theClass, whose unhandled messages go to baseClass's map.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass; /* unused by an empty map */     \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY entries[] = {
/// Ends a message map begun with BEGIN_MESSAGE_MAP.
#define END_MESSAGE_MAP()                                                      \
    { 0, 0, 0, 0, nullptr }                                                    \
    }                                                                          \
    ;                                                                          \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                               \
    }

/// Inside an entry: the target as the class whose map it is.
#define TB_THIS(t) static_cast<ThisClass*>(t)
/// Inside an entry: the function that calls a handler with the message's wParam (w) and lParam (l).
#define TB_THUNK(body)                                 \
    [](CCmdTarget* t, WPARAM w, LPARAM l) -> LRESULT { \
        (void)t;                                       \
        (void)w;                                       \
        (void)l;                                       \
        body                                           \
    }

/// LRESULT fn(WPARAM, LPARAM)
#define ON_MESSAGE(message, fn)                                                     \
    { static_cast<UINT>(message), 0, 0, 0, TB_THUNK(return TB_THIS(t)->fn(w, l);) } \
    ,
/// LRESULT fn(WPARAM, LPARAM) for a number from RegisterWindowMessage (stored in a UINT variable).
/// The map is built at its first use, so var must hold its number by then.
#define ON_REGISTERED_MESSAGE(var, fn)                                          \
    { static_cast<UINT>(var), 0, 0, 0, TB_THUNK(return TB_THIS(t)->fn(w, l);) } \
    ,
/// void fn() for a menu or accelerator command.
#define ON_COMMAND(id, fn)                                                                                          \
    { WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), TB_THUNK(TB_THIS(t)->fn(); return 0;) } \
    ,
/// void fn(UINT id) for a range of commands.
#define ON_COMMAND_RANGE(id, idLast, fn)                                          \
    {                                                                             \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), \
            TB_THUNK(TB_THIS(t)->fn(static_cast<UINT>(w)); return 0;)             \
    }                                                                             \
    ,
/// void fn(CCmdUI*)
#define ON_UPDATE_COMMAND_UI(id, fn)                                                    \
    {                                                                                   \
        WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(id), \
            TB_THUNK(TB_THIS(t)->fn(reinterpret_cast<CCmdUI*>(l)); return 0;)           \
    }                                                                                   \
    ,
/// void fn() for a control notification sent with WM_COMMAND.
#define ON_CONTROL(code, id, fn)                                                           \
    {                                                                                      \
        WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
            TB_THUNK(TB_THIS(t)->fn(); return 0;)                                          \
    }                                                                                      \
    ,
/// void fn(NMHDR*, LRESULT*)
#define ON_NOTIFY(code, id, fn)                                                                 \
    {                                                                                           \
        WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),       \
            TB_THUNK(LRESULT r = 0; TB_THIS(t)->fn(reinterpret_cast<NMHDR*>(l), &r); return r;) \
    }                                                                                           \
    ,

/// void fn() for a button click (BN_CLICKED) of control id.
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
/// void fn() for a button double click (BN_DOUBLECLICKED) of control id.
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
/// void fn() when the text of edit id changed (EN_CHANGE).
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
/// void fn() when edit id is about to show changed text (EN_UPDATE).
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
/// void fn() when edit id got the focus (EN_SETFOCUS).
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
/// void fn() when edit id lost the focus (EN_KILLFOCUS).
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
/// void fn() when the selection of combo id changed (CBN_SELCHANGE).
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
/// void fn() when the edit field of combo id changed (CBN_EDITCHANGE).
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
/// void fn() when the list of combo id drops down (CBN_DROPDOWN).
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
/// void fn() when the list of combo id closes (CBN_CLOSEUP).
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
/// void fn() when combo id lost the focus (CBN_KILLFOCUS).
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
/// void fn() when the selection of list box id changed (LBN_SELCHANGE).
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
/// void fn() for a double click in list box id (LBN_DBLCLK).
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
/// void fn() for a click on static id with SS_NOTIFY (STN_CLICKED).
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)

// Standard window messages with their handlers' framework signatures.
/// An entry calling fn(UINT flags, CPoint point) for a mouse message (MK_ flags, client coordinates).
#define TB_ON_MOUSE(message, fn)                                                                                \
    {                                                                                                           \
        message, 0, 0, 0,                                                                                       \
            TB_THUNK(TB_THIS(t)->fn(static_cast<UINT>(w), CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l))); return 0;) \
    }                                                                                                           \
    ,
/// void OnLButtonDown(UINT flags, CPoint point).
#define ON_WM_LBUTTONDOWN() TB_ON_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
/// void OnLButtonUp(UINT flags, CPoint point).
#define ON_WM_LBUTTONUP() TB_ON_MOUSE(WM_LBUTTONUP, OnLButtonUp)
/// void OnLButtonDblClk(UINT flags, CPoint point).
#define ON_WM_LBUTTONDBLCLK() TB_ON_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
/// void OnRButtonDown(UINT flags, CPoint point).
#define ON_WM_RBUTTONDOWN() TB_ON_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
/// void OnRButtonUp(UINT flags, CPoint point).
#define ON_WM_RBUTTONUP() TB_ON_MOUSE(WM_RBUTTONUP, OnRButtonUp)
/// void OnMouseMove(UINT flags, CPoint point).
#define ON_WM_MOUSEMOVE() TB_ON_MOUSE(WM_MOUSEMOVE, OnMouseMove)
/// An entry calling fn(UINT key, UINT repeat, UINT flags) for a key message (VK_ code or character, repeat count, scan code and flags).
#define TB_ON_KEY(message, fn)                                                                  \
    {                                                                                           \
        message, 0, 0, 0,                                                                       \
            TB_THUNK(TB_THIS(t)->fn(static_cast<UINT>(w), static_cast<UINT>(l & 0xFFFF),        \
                                    static_cast<UINT>((static_cast<DWORD>(l) >> 16) & 0xFFFF)); \
                     return 0;)                                                                 \
    }                                                                                           \
    ,
/// void OnKeyDown(UINT key, UINT repeat, UINT flags).
#define ON_WM_KEYDOWN() TB_ON_KEY(WM_KEYDOWN, OnKeyDown)
/// void OnKeyUp(UINT key, UINT repeat, UINT flags).
#define ON_WM_KEYUP() TB_ON_KEY(WM_KEYUP, OnKeyUp)
/// void OnChar(UINT ch, UINT repeat, UINT flags).
#define ON_WM_CHAR() TB_ON_KEY(WM_CHAR, OnChar)
/// void OnSysKeyDown(UINT key, UINT repeat, UINT flags) (keys with Alt).
#define ON_WM_SYSKEYDOWN() TB_ON_KEY(WM_SYSKEYDOWN, OnSysKeyDown)
/// void OnSetFocus(CWnd* old): the window got the focus from old (may be null).
#define ON_WM_SETFOCUS()                                                                                               \
    { WM_SETFOCUS, 0, 0, 0, TB_THUNK(TB_THIS(t)->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(w))); return 0;) } \
    ,
/// void OnKillFocus(CWnd* next): the window loses the focus to next (may be null).
#define ON_WM_KILLFOCUS()                                                                             \
    {                                                                                                 \
        WM_KILLFOCUS, 0, 0, 0,                                                                        \
            TB_THUNK(TB_THIS(t)->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(w))); return 0;) \
    }                                                                                                 \
    ,
/// void OnSize(UINT kind, int cx, int cy): new client size (SIZE_ kind).
#define ON_WM_SIZE()                                                                                               \
    {                                                                                                              \
        WM_SIZE, 0, 0, 0,                                                                                          \
            TB_THUNK(TB_THIS(t)->OnSize(static_cast<UINT>(w), GET_X_LPARAM(l) & 0xFFFF, GET_Y_LPARAM(l) & 0xFFFF); \
                     return 0;)                                                                                    \
    }                                                                                                              \
    ,
/// void OnPaint(): paint with a CPaintDC.
#define ON_WM_PAINT()                                                 \
    { WM_PAINT, 0, 0, 0, TB_THUNK(TB_THIS(t)->OnPaint(); return 0;) } \
    ,
/// int OnCreate(void* createStruct): the window was made; return 0 to go on, -1 to fail.
#define ON_WM_CREATE()                                                                         \
    { WM_CREATE, 0, 0, 0, TB_THUNK(return TB_THIS(t)->OnCreate(reinterpret_cast<void*>(l));) } \
    ,
/// void OnDestroy(): the window is being destroyed.
#define ON_WM_DESTROY()                                                   \
    { WM_DESTROY, 0, 0, 0, TB_THUNK(TB_THIS(t)->OnDestroy(); return 0;) } \
    ,
/// void OnClose(): the user asked to close the window.
#define ON_WM_CLOSE()                                                 \
    { WM_CLOSE, 0, 0, 0, TB_THUNK(TB_THIS(t)->OnClose(); return 0;) } \
    ,
/// void OnTimer(UINT_PTR id): timer id (SetTimer) elapsed.
#define ON_WM_TIMER()                                                                         \
    { WM_TIMER, 0, 0, 0, TB_THUNK(TB_THIS(t)->OnTimer(static_cast<UINT_PTR>(w)); return 0;) } \
    ,
/// void OnContextMenu(CWnd* wnd, CPoint point): right click or the menu key; point in screen coordinates (-1, -1 from the keyboard).
#define ON_WM_CONTEXTMENU()                                                                 \
    {                                                                                       \
        WM_CONTEXTMENU, 0, 0, 0,                                                            \
            TB_THUNK(TB_THIS(t)->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(w)), \
                                               CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)));   \
                     return 0;)                                                             \
    }                                                                                       \
    ,
/// UINT OnGetDlgCode(): which keys the control wants inside a dialog (DLGC_).
#define ON_WM_GETDLGCODE()                                                                         \
    { WM_GETDLGCODE, 0, 0, 0, TB_THUNK(return static_cast<LRESULT>(TB_THIS(t)->OnGetDlgCode());) } \
    ,
/// void OnDrawItem(int id, DRAWITEMSTRUCT* item): draw an owner-drawn item of control id.
#define ON_WM_DRAWITEM()                                                                                              \
    {                                                                                                                 \
        WM_DRAWITEM, 0, 0, 0,                                                                                         \
            TB_THUNK(TB_THIS(t)->OnDrawItem(static_cast<int>(w), reinterpret_cast<DRAWITEMSTRUCT*>(l)); return TRUE;) \
    }                                                                                                                 \
    ,
/// void OnInitMenuPopup(CMenu* menu, UINT index, BOOL systemMenu): a popup menu is about to open.
#define ON_WM_INITMENUPOPUP()                                                                       \
    {                                                                                               \
        WM_INITMENUPOPUP, 0, 0, 0,                                                                  \
            TB_THUNK(TB_THIS(t)->OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(w)),     \
                                                 static_cast<UINT>(LOWORD(static_cast<DWORD>(l))),  \
                                                 static_cast<BOOL>(HIWORD(static_cast<DWORD>(l)))); \
                     return 0;)                                                                     \
    }                                                                                               \
    ,
