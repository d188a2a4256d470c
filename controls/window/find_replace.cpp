// The modeless find/replace dialog: its two layouts, the options it reads from its
// controls and the registered message that carries each request to its owner.
#include <toolbox/ui/controls.h>
#include <toolbox/ui/dialog.h>

#include <QMetaObject>
#include <QWidget>

namespace {

constexpr UINT IDC_FIND_WHAT = 0x480;
constexpr UINT IDC_REPLACE_WITH = 0x481;
constexpr UINT IDC_WHOLE_WORD = 0x410;
constexpr UINT IDC_MATCH_CASE = 0x411;
constexpr UINT IDC_DIRECTION = 0x430;
constexpr UINT IDC_UP = 0x420;
constexpr UINT IDC_DOWN = 0x421;
constexpr UINT IDC_REPLACE = 0x400;
constexpr UINT IDC_REPLACE_ALL = 0x401;

constexpr DWORD kStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kField = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;

const CDialogTemplate kFindTemplate = {
    0,
    "Find",
    kStyle,
    236,
    62,
    "MS Shell Dlg",
    8,
    {{"STATIC", 0xFFFF, "Fi&nd what:", kChild | SS_LEFT, 4, 8, 42, 8},
     {"EDIT", IDC_FIND_WHAT, "", kField, 47, 7, 128, 12},
     {"BUTTON", IDC_WHOLE_WORD, "Match &whole word only", kCheck | WS_GROUP, 4, 26, 100, 12},
     {"BUTTON", IDC_MATCH_CASE, "Match &case", kCheck, 4, 42, 64, 12},
     {"BUTTON", IDC_DIRECTION, "Direction", kChild | BS_GROUPBOX, 107, 26, 68, 28},
     {"BUTTON", IDC_UP, "&Up", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 111, 38, 25, 12},
     {"BUTTON", IDC_DOWN, "&Down", kChild | BS_AUTORADIOBUTTON, 138, 38, 35, 12},
     {"BUTTON", IDOK, "&Find Next", kDefPush | WS_GROUP, 182, 5, 50, 14},
     {"BUTTON", IDCANCEL, "Cancel", kPush, 182, 23, 50, 14}}};

const CDialogTemplate kReplaceTemplate = {
    0,
    "Replace",
    kStyle,
    230,
    94,
    "MS Shell Dlg",
    8,
    {{"STATIC", 0xFFFF, "Fi&nd what:", kChild | SS_LEFT, 4, 9, 48, 8},
     {"EDIT", IDC_FIND_WHAT, "", kField, 54, 7, 114, 12},
     {"STATIC", 0xFFFF, "Re&place with:", kChild | SS_LEFT, 4, 26, 48, 8},
     {"EDIT", IDC_REPLACE_WITH, "", kField, 54, 24, 114, 12},
     {"BUTTON", IDC_WHOLE_WORD, "Match &whole word only", kCheck | WS_GROUP, 5, 46, 104, 12},
     {"BUTTON", IDC_MATCH_CASE, "Match &case", kCheck, 5, 62, 59, 12},
     {"BUTTON", IDOK, "&Find Next", kDefPush | WS_GROUP, 174, 4, 50, 14},
     {"BUTTON", IDC_REPLACE, "&Replace", kPush, 174, 21, 50, 14},
     {"BUTTON", IDC_REPLACE_ALL, "Replace &All", kPush, 174, 38, 50, 14},
     {"BUTTON", IDCANCEL, "Cancel", kPush, 174, 55, 50, 14}}};

void Check(CWnd& dialog, UINT id, bool on) {
    if (CWnd* button = dialog.GetDlgItem(static_cast<int>(id))) button->SendMessage(BM_SETCHECK, on ? BST_CHECKED : 0);
}
bool IsChecked(CWnd& dialog, UINT id) {
    CWnd* button = dialog.GetDlgItem(static_cast<int>(id));
    return button && button->SendMessage(BM_GETCHECK) == BST_CHECKED;
}
CString ItemText(const CWnd& dialog, UINT id) {
    CString text;
    dialog.GetDlgItemText(static_cast<int>(id), text);
    return text;
}

constexpr DWORD kActionFlags = FR_FINDNEXT | FR_REPLACE | FR_REPLACEALL | FR_DIALOGTERM;
constexpr DWORD kOptionFlags = FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD;

}  // namespace

CFindReplaceDialog::CFindReplaceDialog() { m_fr.lCustData = reinterpret_cast<LPARAM>(this); }

const CDialogTemplate& CFindReplaceDialog::GetTemplate(BOOL findDialogOnly) {
    return findDialogOnly ? kFindTemplate : kReplaceTemplate;
}

BOOL CFindReplaceDialog::Create(BOOL findDialogOnly, LPCTSTR findWhat, LPCTSTR replaceWith, DWORD flags, CWnd* parent) {
    m_owner = parent;
    m_pParentWnd = parent;
    m_findWhat = findWhat ? findWhat : "";
    m_replaceWith = replaceWith ? replaceWith : "";
    m_fr.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_fr.Flags = flags & kOptionFlags;
    if (!CreateIndirect(GetTemplate(findDialogOnly), parent)) return FALSE;
    GetWidget()->show();
    return TRUE;
}

CFindReplaceDialog* CFindReplaceDialog::GetNotifier(LPARAM lParam) {
    const auto* fr = reinterpret_cast<const FINDREPLACE*>(lParam);
    return fr ? reinterpret_cast<CFindReplaceDialog*>(fr->lCustData) : nullptr;
}

BOOL CFindReplaceDialog::OnInitDialog() {
    SetDlgItemText(IDC_FIND_WHAT, m_findWhat);
    SetDlgItemText(IDC_REPLACE_WITH, m_replaceWith);
    Check(*this, IDC_WHOLE_WORD, m_fr.Flags & FR_WHOLEWORD);
    Check(*this, IDC_MATCH_CASE, m_fr.Flags & FR_MATCHCASE);
    Check(*this, IDC_DOWN, m_fr.Flags & FR_DOWN);
    Check(*this, IDC_UP, !(m_fr.Flags & FR_DOWN));
    EnableActions();
    CDialog::OnInitDialog();
    return TRUE;
}

/// Finding needs something to find: the action buttons follow the find field.
void CFindReplaceDialog::EnableActions() {
    const BOOL any = ItemText(*this, IDC_FIND_WHAT).GetLength() > 0;
    for (UINT id : {static_cast<UINT>(IDOK), IDC_REPLACE, IDC_REPLACE_ALL})
        if (CWnd* button = GetDlgItem(static_cast<int>(id))) button->EnableWindow(any);
}

void CFindReplaceDialog::ReadOptions() {
    m_findWhat = ItemText(*this, IDC_FIND_WHAT);
    if (GetDlgItem(static_cast<int>(IDC_REPLACE_WITH))) m_replaceWith = ItemText(*this, IDC_REPLACE_WITH);
    DWORD options = 0;
    if (IsChecked(*this, IDC_WHOLE_WORD)) options |= FR_WHOLEWORD;
    if (IsChecked(*this, IDC_MATCH_CASE)) options |= FR_MATCHCASE;
    // The replace dialog has no direction: it always searches down.
    if (!GetDlgItem(static_cast<int>(IDC_DOWN)) || IsChecked(*this, IDC_DOWN)) options |= FR_DOWN;
    m_fr.Flags = (m_fr.Flags & ~(kActionFlags | kOptionFlags)) | options;
}

void CFindReplaceDialog::TellOwner(DWORD action) {
    ReadOptions();
    m_fr.Flags |= action;
    m_fr.lpstrFindWhat = const_cast<LPTSTR>(m_findWhat.GetString());
    m_fr.lpstrReplaceWith = const_cast<LPTSTR>(m_replaceWith.GetString());
    m_fr.wFindWhatLen = static_cast<WORD>(m_findWhat.GetLength() + 1);
    m_fr.wReplaceWithLen = static_cast<WORD>(m_replaceWith.GetLength() + 1);
    static const UINT message = RegisterWindowMessage(FINDMSGSTRING);
    if (m_owner && m_owner->m_hWnd) m_owner->SendMessage(message, 0, reinterpret_cast<LPARAM>(&m_fr));
}

/// The owner hears FR_DIALOGTERM while the dialog still exists; the window goes once
/// the button's click has been handled (a widget must not go inside its own signal).
void CFindReplaceDialog::Close() {
    if (m_closing) return;
    m_closing = true;
    GetWidget()->hide();
    TellOwner(FR_DIALOGTERM);
    QMetaObject::invokeMethod(
        GetWidget(), [this] { DestroyWindow(); }, Qt::QueuedConnection);
}

BOOL CFindReplaceDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<DWORD>(wParam));
    const UINT code = HIWORD(static_cast<DWORD>(wParam));
    if (id == IDC_FIND_WHAT && code == EN_CHANGE) {
        EnableActions();
        return TRUE;
    }
    if (code != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    switch (id) {
        case IDOK: TellOwner(FR_FINDNEXT); return TRUE;
        case IDC_REPLACE: TellOwner(FR_REPLACE); return TRUE;
        case IDC_REPLACE_ALL: TellOwner(FR_REPLACEALL); return TRUE;
        case IDCANCEL: Close(); return TRUE;
        default: return CDialog::OnCommand(wParam, lParam);
    }
}

void CFindReplaceDialog::PostNcDestroy() { delete this; }
