/// \file
/// \brief Window messages, notification codes, styles and the structures that travel with them, with the framework's values, so that controls and their parents talk through exactly the numbers the library's controls fix.
// Window messages, notification codes, styles and the structures that travel with
// them, with the framework's values, so that controls and their parents talk through
// exactly the numbers the library's controls fix.
#pragma once

#include <toolbox/os/dialog_hub.h>
#include <toolbox/types/windef.h>

class CDC;
class CWnd;

/// A menu handle (the CMenu object itself).
typedef struct HMENU__* HMENU;
/// A device context handle (the CDC object itself; CDC::FromHandle turns it back).
typedef struct HDC__* HDC;
/// An unsigned integer as wide as a pointer.
typedef std::uintptr_t UINT_PTR;
/// An unsigned integer as wide as a pointer.
typedef std::uintptr_t DWORD_PTR;
/// A signed integer as wide as a pointer (DoModal's result).
typedef std::intptr_t INT_PTR;

/// One message as it is dispatched: the target, the number and its two parameters.
struct MSG {
    HWND hwnd = nullptr;  ///< The window the message is for.
    UINT message = 0;  ///< The message number (WM_..., or a control's message).
    WPARAM wParam = 0;  ///< First parameter; its meaning depends on the message.
    LPARAM lParam = 0;  ///< Second parameter; its meaning depends on the message.
    DWORD time = 0;  ///< Milliseconds since the application started, when the message was queued.
    POINT pt = {0, 0};  ///< Cursor position in screen coordinates when the message was queued.
};

/// A message's wParam from a low and a high word.
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return MAKELONG(lo, hi); }
/// A message's lParam from a low and a high word.
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
/// Signed coordinates packed in a message parameter.
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(LOWORD(static_cast<DWORD>(l))); }
/// The signed y coordinate in the high word of lParam.
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>(HIWORD(static_cast<DWORD>(l))); }

// ------------------------------------------------------------------ window messages
/// Window messages with the framework's numbers: what WindowProc and the message maps receive; wParam and lParam mean what the framework defines for each (WM_USER and WM_APP start the ranges of private messages).
///@{
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_USER = 0x0400;
/// First message number of the framework's own messages.
constexpr UINT WM_APP = 0x8000;
///@}

/// Mouse key flags (wParam of mouse messages).
///@{
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
constexpr UINT MK_MBUTTON = 0x0010;
///@}

/// WM_SIZE kinds (its wParam): restored, minimised, maximised.
///@{
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;
constexpr UINT SIZE_MAXIMIZED = 2;
///@}

/// Virtual-key codes: wParam of WM_KEYDOWN and WM_KEYUP.
///@{
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F24 = 0x87;
constexpr UINT VK_NUMPAD0 = 0x60;
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_APPS = 0x5D;
///@}

/// WM_GETDLGCODE answers: which keys a control wants instead of the dialog.
///@{
constexpr UINT DLGC_WANTARROWS = 0x0001;
constexpr UINT DLGC_WANTTAB = 0x0002;
constexpr UINT DLGC_WANTALLKEYS = 0x0004;
constexpr UINT DLGC_WANTMESSAGE = 0x0004;
constexpr UINT DLGC_HASSETSEL = 0x0008;
constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr UINT DLGC_RADIOBUTTON = 0x0040;
constexpr UINT DLGC_WANTCHARS = 0x0080;
constexpr UINT DLGC_STATIC = 0x0100;
constexpr UINT DLGC_BUTTON = 0x2000;
///@}

// ------------------------------------------------------------------ window styles
/// Window styles (WS_), extended styles (WS_EX_) and dialog styles (DS_) of templates and Create calls.
///@{
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD DS_MODALFRAME = 0x00000080;
constexpr DWORD DS_SETFONT = 0x00000040;
constexpr DWORD DS_CENTER = 0x00000800;
///@}

/// Edit styles (ES_): alignment, multi-line, password, scrolling, read-only, digits only.
///@{
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;
///@}

/// Button styles (BS_): push, default push, check boxes, radio buttons, group box, owner-drawn, bitmap.
///@{
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_BITMAP = 0x80;
constexpr DWORD BS_NOTIFY = 0x4000;
///@}

/// Static styles (SS_): alignment, frames, notification of clicks.
///@{
constexpr DWORD SS_LEFT = 0x00;
constexpr DWORD SS_CENTER = 0x01;
constexpr DWORD SS_RIGHT = 0x02;
constexpr DWORD SS_ICON = 0x03;
constexpr DWORD SS_BLACKFRAME = 0x07;
constexpr DWORD SS_LEFTNOWORDWRAP = 0x0C;
constexpr DWORD SS_OWNERDRAW = 0x0D;
constexpr DWORD SS_ETCHEDHORZ = 0x10;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_SUNKEN = 0x1000;
///@}

/// Combo box styles (CBS_): simple, drop-down, drop-down list, sorted, owner-drawn.
///@{
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x10;
constexpr DWORD CBS_AUTOHSCROLL = 0x40;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD CBS_HASSTRINGS = 0x200;
///@}

/// List box styles (LBS_): notification, sorting, single, multiple and extended selection, owner-drawn.
///@{
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_SORT = 0x2;
constexpr DWORD LBS_MULTIPLESEL = 0x8;
constexpr DWORD LBS_HASSTRINGS = 0x40;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x100;
constexpr DWORD LBS_EXTENDEDSEL = 0x800;
constexpr DWORD LBS_STANDARD = 0x00A00003;
///@}

/// List view styles (LVS_, LVS_EX_): report view, single selection, owner-drawn rows, full-row select, grid lines.
///@{
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;
constexpr DWORD LVS_EX_GRIDLINES = 0x0001;
constexpr DWORD LVS_EX_CHECKBOXES = 0x0004;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
///@}

// ------------------------------------------------------------------ control messages
/// wParam FALSE: changes pile up without drawing or laying out; TRUE: all at once.
constexpr UINT WM_SETREDRAW = 0x000B;
/// Edit control messages (the EM_ numbers of the framework); CEdit's members send them, so a subclass or parent sees every one.
///@{
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;
constexpr UINT EM_LINELENGTH = 0x00C1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;
constexpr UINT EM_SETREADONLY = 0x00CF;
///@}

// Rich edit: character ranges, character formats and finding text.
/// A range of characters: from cpMin up to but not including cpMax.
struct CHARRANGE {
    int cpMin = 0;  ///< First character of the range.
    int cpMax = 0;  ///< -1 with cpMin 0: the whole text
};
/// Character format of a rich edit range; dwMask says which members apply.
struct CHARFORMAT {
    UINT cbSize = sizeof(CHARFORMAT);  ///< Size of the structure, set by the constructor.
    DWORD dwMask = 0;     ///< CFM_ bits: which of the members below apply
    DWORD dwEffects = 0;  ///< CFE_ bits
    int yHeight = 0;  ///< Character height in twips (1/1440 inch).
    int yOffset = 0;  ///< Offset from the base line in twips, positive up (superscript).
    COLORREF crTextColor = 0;  ///< Text colour (CFM_COLOR).
    BYTE bCharSet = 0;  ///< Character set; kept, text is UTF-8 anyway.
    BYTE bPitchAndFamily = 0;  ///< Pitch and family of the face.
    char szFaceName[32] = {};  ///< Typeface name, zero-terminated (CFM_FACE).
};
/// What EM_FINDTEXT searches for and where.
struct FINDTEXT {
    CHARRANGE chrg;  ///< Where to search; cpMax < cpMin searches upwards.
    LPCTSTR lpstrText = nullptr;  ///< The text to find; not owned.
};
/// What EM_FINDTEXTEX searches for, where, and the range it found.
struct FINDTEXTEX {
    CHARRANGE chrg;  ///< where to search; cpMax < cpMin searches upwards
    LPCTSTR lpstrText = nullptr;  ///< The text to find; not owned.
    CHARRANGE chrgText;  ///< the range found
};
/// The toolbox's rich edit message for syntax colouring: lParam a TBRANGEFORMAT. The
/// format applies to the range without moving the selection or scrolling.
struct TBRANGEFORMAT {
    CHARRANGE chrg;  ///< The characters to format.
    CHARFORMAT format;  ///< The format to give them (dwMask says which parts).
};
/// Rich edit messages: extended selection (CHARRANGE), line of a character, finding text (FINDTEXT, FINDTEXTEX), character formats (CHARFORMAT) and the library's range format for syntax colouring (TBRANGEFORMAT).
///@{
constexpr UINT EM_EXGETSEL = WM_USER + 52;
constexpr UINT EM_EXLINEFROMCHAR = WM_USER + 54;
constexpr UINT EM_EXSETSEL = WM_USER + 55;
constexpr UINT EM_FINDTEXT = WM_USER + 56;
constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
constexpr UINT EM_FINDTEXTEX = WM_USER + 79;
constexpr UINT EM_TBSETRANGEFORMAT = WM_USER + 0x300;
///@}
/// Where EM_SETCHARFORMAT applies its format: the default format, the selection, or the whole text.
///@{
constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_ALL = 0x0004;
///@}
/// CHARFORMAT::dwMask bits: which members of the format apply.
///@{
constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_COLOR = 0x40000000;
///@}
/// CHARFORMAT::dwEffects bits: bold, italic, the default text colour.
///@{
constexpr DWORD CFE_BOLD = 0x0001;
constexpr DWORD CFE_ITALIC = 0x0002;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;
///@}
/// Find flags shared by EM_FINDTEXT(EX) and the find/replace dialog.
///@{
constexpr DWORD FR_DOWN = 0x00000001;
constexpr DWORD FR_WHOLEWORD = 0x00000002;
constexpr DWORD FR_MATCHCASE = 0x00000004;
///@}

/// Button messages (check state, pressed state, style, click).
///@{
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;
///@}
/// Button check and state values (BM_GETCHECK, BM_SETCHECK, BM_GETSTATE).
///@{
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr int BST_INDETERMINATE = 2;
constexpr int BST_PUSHED = 4;
constexpr int BST_FOCUS = 8;
///@}

/// Combo box messages; CComboBox's members send them.
///@{
constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
///@}
/// Result of a combo box message that failed (bad index, no selection).
///@{
constexpr int CB_ERR = -1;
///@}

/// List box messages; CListBox's members send them.
///@{
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
///@}
/// Result of a list box message that failed (bad index, no selection, wrong selection mode).
///@{
constexpr int LB_ERR = -1;
///@}

/// ------------------------------------------------------------------ notifications
/// WM_COMMAND: wParam = MAKEWPARAM(control id, code), lParam = the control's window.
///@{
constexpr UINT BN_CLICKED = 0;
constexpr UINT BN_DOUBLECLICKED = 5;
constexpr UINT BN_SETFOCUS = 6;
constexpr UINT BN_KILLFOCUS = 7;
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT EN_UPDATE = 0x0400;
constexpr UINT EN_MAXTEXT = 0x0501;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_DBLCLK = 2;
constexpr UINT CBN_SETFOCUS = 3;
constexpr UINT CBN_KILLFOCUS = 4;
constexpr UINT CBN_EDITCHANGE = 5;
constexpr UINT CBN_EDITUPDATE = 6;
constexpr UINT CBN_DROPDOWN = 7;
constexpr UINT CBN_CLOSEUP = 8;
constexpr UINT CBN_SELENDOK = 9;
constexpr UINT CBN_SELENDCANCEL = 10;
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;
constexpr UINT LBN_SETFOCUS = 4;
constexpr UINT LBN_KILLFOCUS = 5;
constexpr UINT STN_CLICKED = 0;
constexpr UINT STN_DBLCLK = 1;
///@}

// WM_NOTIFY: lParam points to an NMHDR (or a structure that starts with one).
/// Header of every WM_NOTIFY: which control sent it and the notification code.
struct NMHDR {
    HWND hwndFrom = nullptr;  ///< The control that sends the notification.
    UINT_PTR idFrom = 0;  ///< Its control id.
    UINT code = 0;  ///< The notification code (LVN_..., NM_..., HDN_...).
};
/// Common notification codes of WM_NOTIFY (NMHDR::code): clicks, Enter, focus.
///@{
constexpr UINT NM_CLICK = static_cast<UINT>(-2);
constexpr UINT NM_DBLCLK = static_cast<UINT>(-3);
constexpr UINT NM_RETURN = static_cast<UINT>(-4);
constexpr UINT NM_RCLICK = static_cast<UINT>(-5);
constexpr UINT NM_SETFOCUS = static_cast<UINT>(-7);
constexpr UINT NM_KILLFOCUS = static_cast<UINT>(-8);
///@}
/// List view notification codes (NMLISTVIEW, NMITEMACTIVATE, NMLVKEYDOWN follow the NMHDR).
///@{
constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
constexpr UINT LVN_INSERTITEM = static_cast<UINT>(-102);
constexpr UINT LVN_DELETEITEM = static_cast<UINT>(-103);
constexpr UINT LVN_DELETEALLITEMS = static_cast<UINT>(-104);
constexpr UINT LVN_COLUMNCLICK = static_cast<UINT>(-108);
constexpr UINT LVN_KEYDOWN = static_cast<UINT>(-155);
///@}
/// Header notification codes (NMHEADER follows the NMHDR).
///@{
constexpr UINT HDN_ITEMCLICK = static_cast<UINT>(-302);
constexpr UINT HDN_ENDTRACK = static_cast<UINT>(-307);
///@}

/// List view item states and the fields a change names.
///@{
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
///@}

/// Column and item descriptions of the list (the framework's fields and flags).
///@{
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
///@}

/// A list column as LVM_INSERTCOLUMN, LVM_GETCOLUMN and LVM_SETCOLUMN take it; mask says which members apply.
struct LVCOLUMN {
    UINT mask = 0;  ///< LVCF_ bits: which members below apply.
    int fmt = LVCFMT_LEFT;  ///< LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER.
    int cx = -1;  ///< Width in pixels; -1 leaves it to the list.
    LPTSTR pszText = nullptr;  ///< Heading text; for a get call the buffer to fill, not owned.
    int cchTextMax = 0;  ///< Size of pszText's buffer for a get call.
    int iSubItem = 0;  ///< Column index of the sub-item shown in the column.
};

/// An item or sub-item as the list's item messages take it; mask says which members apply.
struct LVITEM {
    UINT mask = 0;  ///< LVIF_ bits: which members below apply.
    int iItem = 0;  ///< Item (row) index.
    int iSubItem = 0;  ///< Sub-item (column) index; 0 is the item itself.
    UINT state = 0;  ///< LVIS_ state bits (selected, focused).
    UINT stateMask = 0;  ///< Which state bits to set or get.
    LPTSTR pszText = nullptr;  ///< Text; for a get call the buffer to fill, not owned.
    int cchTextMax = 0;  ///< Size of pszText's buffer for a get call.
    int iImage = -1;  ///< Index of the item's image in the list's image list; -1 for none.
    LPARAM lParam = 0;  ///< The host's value stored with the item.
};

/// List view change: which item, which sub-item, the states before and after.
struct NMLISTVIEW {
    NMHDR hdr;  ///< Sender and code.
    int iItem = -1;  ///< The item concerned; -1 for none or all.
    int iSubItem = 0;  ///< The sub-item (column) concerned.
    UINT uNewState = 0;  ///< LVIS_ state bits after the change.
    UINT uOldState = 0;  ///< LVIS_ state bits before the change.
    UINT uChanged = 0;  ///< LVIF_ bits: what changed.
    POINT ptAction = {0, 0};  ///< Mouse position in client coordinates, for clicks.
    LPARAM lParam = 0;  ///< The item's host value.
};
/// Click or double click on a list view item (the item under the mouse, -1 for none).
struct NMITEMACTIVATE {
    NMHDR hdr;  ///< Sender and code.
    int iItem = -1;  ///< The item under the mouse; -1 for none.
    int iSubItem = 0;  ///< The sub-item (column) under the mouse.
    UINT uNewState = 0;  ///< LVIS_ state bits after the click.
    UINT uOldState = 0;  ///< LVIS_ state bits before the click.
    UINT uChanged = 0;  ///< LVIF_ bits: what changed.
    POINT ptAction = {0, 0};  ///< Mouse position in client coordinates.
    LPARAM lParam = 0;  ///< The item's host value.
    UINT uKeyFlags = 0;  ///< LVKF_ bits: the modifier keys held (Alt, Control, Shift).
};
/// A key pressed in a list (LVN_KEYDOWN).
struct NMLVKEYDOWN {
    NMHDR hdr;  ///< Sender and code.
    WORD wVKey = 0;  ///< The virtual key (VK_...).
    UINT flags = 0;  ///< Always 0.
};
/// Header click: the column and the mouse button (0 left, 1 right, 2 middle).
struct NMHEADER {
    NMHDR hdr;  ///< Sender and code.
    int iItem = -1;  ///< The column clicked.
    int iButton = 0;  ///< The mouse button: 0 left, 1 right, 2 middle.
};

// ------------------------------------------------------------------ owner drawing
/// Owner drawing: control types (ODT_), drawing actions (ODA_) and item states (ODS_) of DRAWITEMSTRUCT.
///@{
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODT_LISTVIEW = 102;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;
///@}

/// What the parent needs to draw one owner-drawn item: hDC is the CDC to draw with
/// (CDC::FromHandle), rcItem the item's rectangle in that context.
struct DRAWITEMSTRUCT {
    UINT CtlType = 0;  ///< ODT_ type of the control (button, list box, combo box, list view, menu).
    UINT CtlID = 0;  ///< Control id.
    UINT itemID = 0;  ///< Index of the item to draw (-1 for an empty list box's focus frame).
    UINT itemAction = 0;  ///< ODA_ bits: draw all, selection changed, focus changed.
    UINT itemState = 0;  ///< ODS_ bits: selected, focused, disabled, checked...
    HWND hwndItem = nullptr;  ///< The control.
    HDC hDC = nullptr;  ///< The context to draw with: CDC::FromHandle(hDC); valid during the message only.
    RECT rcItem = {0, 0, 0, 0};  ///< The item's rectangle in hDC's coordinates.
    UINT_PTR itemData = 0;  ///< The host's value stored with the item.
};

// ------------------------------------------------------------------ results and boxes
/// Dialog results (IDOK ...) and message box buttons, icons and default buttons (MB_).
///@{
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDHELP = 9;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFMASK = 0xF00;
///@}

/// CFileDialog flags (OFN_): read-only box, multiple selection, path and file must exist.
///@{
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
///@}

// ------------------------------------------------------------------ menus
/// Menu item flags (MF_) and TrackPopupMenu flags (TPM_).
///@{
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
///@}

// ------------------------------------------------------------------ frames and system commands
/// Frame and system messages (minimum and maximum size, icons, hit tests, idle updates) and system commands (SC_).
///@{
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_IDLEUPDATECMDUI = 0x0364;
constexpr UINT WM_KICKIDLE = 0x036A;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_MOUSEMENU = 0xF090;
constexpr UINT SC_KEYMENU = 0xF100;
constexpr UINT SC_DEFAULT = 0xF160;
///@}
/// Hit-test results of WM_NCHITTEST.
///@{
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTBOTTOMRIGHT = 17;
///@}
/// Z-order insertion markers carried by messages (SetWindowPos's hWndInsertAfter).
///@{
constexpr LPARAM HWND_TOPMOST_MARKER = -1;
constexpr LPARAM HWND_NOTOPMOST_MARKER = -2;
///@}

/// WM_GETMINMAXINFO's structure: the tracking limits of a sizable window.
struct MINMAXINFO {
    POINT ptReserved = {0, 0};      ///< unused
    POINT ptMaxSize = {0, 0};       ///< size when maximised
    POINT ptMaxPosition = {0, 0};   ///< position when maximised
    POINT ptMinTrackSize = {0, 0};  ///< smallest size the user can give the window
    POINT ptMaxTrackSize = {0, 0};  ///< largest size the user can give the window
};

/// WM_STYLECHANGED (wParam GWL_STYLE or GWL_EXSTYLE, lParam the STYLESTRUCT).
constexpr UINT WM_STYLECHANGED = 0x007D;
/// Which style WM_STYLECHANGED reports (its wParam).
///@{
constexpr WPARAM GWL_STYLE = static_cast<WPARAM>(-16);
constexpr WPARAM GWL_EXSTYLE = static_cast<WPARAM>(-20);
///@}
/// The styles before and after a change.
struct STYLESTRUCT {
    DWORD styleOld = 0;  ///< before
    DWORD styleNew = 0;  ///< after
};
