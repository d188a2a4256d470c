/// \file
/// \brief Dialogs: templates held as data in the library's resources, dialog units converted to pixels with the dialog font as the framework does, modal and modeless dialogs over QDialog, message boxes and the file dialogs.
// Dialogs: templates held as data in the library's resources, dialog units converted
// to pixels with the dialog font as the framework does, modal and modeless dialogs
// over QDialog, message boxes and the file dialogs.
#pragma once

#include <toolbox/ui/wnd.h>

#include <memory>
#include <vector>

class CFont;

/// One control of a dialog template; the rectangle is in dialog units.
struct CDialogItemTemplate {
    const char* className;  ///< "BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX", "SysListView32", ...
    UINT id;  ///< Control id (IDOK, IDCANCEL or the dialog's own).
    const char* text;  ///< The control's text or caption (UTF-8); may be null.
    DWORD style;  ///< WS_CHILD | WS_VISIBLE are added when the control is made
    /// Position and size in dialog units.
    ///@{
    short x, y, cx, cy;
    ///@}
};

/// A dialog template: caption, style, size in dialog units, font and controls.
struct CDialogTemplate {
    UINT id;  ///< The template's id (the number hosts pass to CDialog).
    const char* caption;  ///< Title bar text (UTF-8).
    DWORD style;  ///< WS_ and DS_ style bits of the dialog window.
    /// Size of the client area in dialog units.
    ///@{
    short cx, cy;
    ///@}
    const char* fontFace;  ///< "MS Shell Dlg" style names are mapped to the desktop's sans font
    int pointSize;  ///< Point size of the dialog font.
    std::vector<CDialogItemTemplate> items;  ///< The controls in creation (and tab) order.
};

/// The library's dialog templates by id; null for an unknown id.
TB_EXPORT const CDialogTemplate* TBFindDialogTemplate(UINT id);
/// Every template id the library holds, ascending.
TB_EXPORT std::vector<UINT> TBGetDialogTemplateIds();

/// Dialog base units of a font: the average character width (over the 52 letters,
/// rounded as the framework does) and the font's height, in pixels.
TB_EXPORT CSize TBGetDialogBaseUnits(const char* fontFace, int pointSize);
/// Converts a rectangle in dialog units to pixels with the given base units.
TB_EXPORT CRect TBDialogUnitsToPixels(const RECT& units, CSize baseUnits);

/// A dialog built from a template of the library (dialog units converted with its font), modal (DoModal) or modeless (Create). Controls reach the dialog's message map; OnOK and OnCancel end it.
class TB_EXPORT CDialog : public CWnd {
public:
    CDialog();
    /// A dialog of template templateId owned by parent (null: the application's main window).
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    /// Runs the dialog modally; IDOK, IDCANCEL or the EndDialog value; -1 when the
    /// template is unknown.
    virtual INT_PTR DoModal();
    /// Creates the dialog modeless (shown when the template has WS_VISIBLE).
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    /// Creates the window from the template without showing it (gallery, tests).
    BOOL CreateIndirect(const CDialogTemplate& tmpl, CWnd* parent);
    /// Ends the dialog: DoModal returns result (a modal one), a modeless one is hidden.
    void EndDialog(int result);
    /// Called once the controls exist: exchanges data into them (UpdateData(FALSE)) and focuses the first control that takes the focus. Return TRUE unless the override set the focus itself.
    virtual BOOL OnInitDialog();
    /// The OK button or Enter: UpdateData(TRUE), then EndDialog(IDOK) when it succeeded.
    virtual void OnOK();
    /// The Cancel button, Esc or the close box: EndDialog(IDCANCEL).
    virtual void OnCancel();
    /// Exchanges data between controls and members (saveAndValidate: controls to members).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    /// Override to exchange members with controls through the DDX_ functions.
    virtual void DoDataExchange(class CDataExchange*) {}
    /// The template id the dialog was made from.
    UINT GetTemplateId() const { return m_templateId; }
    /// The dialog font's base units (valid once the window exists).
    CSize GetBaseUnits() const { return m_baseUnits; }
    /// Converts a rectangle from dialog units to pixels with the dialog font's base units.
    void MapDialogRect(RECT* rect) const;
    /// Moves the focus to the next or previous control with WS_TABSTOP.
    void NextDlgCtrl();
    /// Moves the focus to the previous control with WS_TABSTOP.
    void PrevDlgCtrl();
    /// Gives control the focus; nothing for null.
    void GotoDlgCtrl(CWnd* control);
    /// The font of the dialog and its controls; owned by the dialog, valid once the window exists.
    CFont* GetDialogFont() const { return m_font.get(); }

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    /// WM_CLOSE (the close box) becomes the Cancel button's command; other messages as CWnd.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    /// The map of CDialog (routes IDOK and IDCANCEL to OnOK and OnCancel).
    static const AFX_MSGMAP* GetThisMessageMap();
    /// The map of the object's class.
    const AFX_MSGMAP* GetMessageMap() const override;
    UINT m_templateId = 0;  ///< The template id the dialog was made from.
    CWnd* m_pParentWnd = nullptr;  ///< The owner given to the constructor or Create.

private:
    LRESULT HandleInitDialogMessage(WPARAM, LPARAM);
    BOOL BuildWindow(const CDialogTemplate& tmpl, CWnd* parent);
    void CreateControls(const CDialogTemplate& tmpl);
    int m_result = IDCANCEL;
    bool m_modal = false;
    CSize m_baseUnits;
    std::unique_ptr<CFont> m_font;
};

/// The modeless find/replace dialog tells its owner what the user asked for with the
/// message registered under FINDMSGSTRING; lParam points to the dialog's FINDREPLACE.
///@{
constexpr const char* FINDMSGSTRING = "commdlg_FindReplace";
constexpr DWORD FR_FINDNEXT = 0x00000008;
constexpr DWORD FR_REPLACE = 0x00000010;
constexpr DWORD FR_REPLACEALL = 0x00000020;
constexpr DWORD FR_DIALOGTERM = 0x00000040;
///@}

/// The find/replace dialog's request: what to find, what to put in, and the action (Flags).
struct FINDREPLACE {
    DWORD lStructSize = sizeof(FINDREPLACE);  ///< Size of the structure, set by the constructor.
    HWND hwndOwner = nullptr;  ///< The window that receives the FINDMSGSTRING message.
    DWORD Flags = 0;  ///< one FR_ action and the FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD options
    LPTSTR lpstrFindWhat = nullptr;  ///< The text to find; owned by the dialog.
    LPTSTR lpstrReplaceWith = nullptr;  ///< The replacement text; owned by the dialog.
    WORD wFindWhatLen = 0;  ///< Size of the find buffer.
    WORD wReplaceWithLen = 0;  ///< Size of the replacement buffer.
    LPARAM lCustData = 0;  ///< the dialog object (GetNotifier)
};

/// The modeless find or find-and-replace dialog. Make it with new: it deletes itself
/// when its window goes, after its owner received FR_DIALOGTERM.
class TB_EXPORT CFindReplaceDialog : public CDialog {
public:
    CFindReplaceDialog();
    /// flags: FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD as the dialog starts.
    BOOL Create(BOOL findDialogOnly, LPCTSTR findWhat, LPCTSTR replaceWith = nullptr, DWORD flags = FR_DOWN,
                CWnd* parent = nullptr);
    /// The dialog behind a registered message's lParam.
    static CFindReplaceDialog* GetNotifier(LPARAM lParam);
    /// The text to find.
    CString GetFindString() const { return m_findWhat; }
    /// The replacement text.
    CString GetReplaceString() const { return m_replaceWith; }
    /// True when the search goes towards the end of the text.
    BOOL SearchDown() const { return (m_fr.Flags & FR_DOWN) != 0; }
    /// True when the user asked for the next occurrence.
    BOOL FindNext() const { return (m_fr.Flags & FR_FINDNEXT) != 0; }
    /// True when case must match.
    BOOL MatchCase() const { return (m_fr.Flags & FR_MATCHCASE) != 0; }
    /// True when only whole words match.
    BOOL MatchWholeWord() const { return (m_fr.Flags & FR_WHOLEWORD) != 0; }
    /// True when the user asked to replace the current occurrence.
    BOOL ReplaceCurrent() const { return (m_fr.Flags & FR_REPLACE) != 0; }
    /// True when the user asked to replace every occurrence.
    BOOL ReplaceAll() const { return (m_fr.Flags & FR_REPLACEALL) != 0; }
    /// True when the dialog is closing; the owner must drop its pointer to it.
    BOOL IsTerminating() const { return (m_fr.Flags & FR_DIALOGTERM) != 0; }
    /// The dialog's layout (find only or find and replace), for the gallery.
    static const CDialogTemplate& GetTemplate(BOOL findDialogOnly);

    FINDREPLACE m_fr;  ///< The request the owner's message handler reads (lParam points here).

protected:
    /// Fills the fields and options from Create's arguments.
    BOOL OnInitDialog() override;
    /// Find Next, Replace, Replace All and Cancel: tells the owner through the registered message.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    void ReadOptions();
    void TellOwner(DWORD action);
    void EnableActions();
    void Close();
    CString m_findWhat;
    CString m_replaceWith;
    CWnd* m_owner = nullptr;
    bool m_closing = false;
};

/// Data exchange between a dialog's controls and its members.
class TB_EXPORT CDataExchange {
public:
    /// An exchange for dialog: saveAndValidate TRUE reads the controls into members, FALSE fills the controls.
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;  ///< The dialog whose controls are exchanged.
    BOOL m_bSaveAndValidate;  ///< TRUE: controls to members; FALSE: members to controls.
    /// Set when a value did not validate; UpdateData then fails.
    BOOL m_bFailed = FALSE;
    /// The dialog's control id; null (and the exchange failed) when the dialog has no such control.
    CWnd* PrepareCtrl(int id);
};
/// Text of control id to value (saving) or value to the control.
TB_EXPORT void DDX_Text(CDataExchange* dx, int id, CString& value);
/// An integer through control id; saving rejects text that is no whole number in the int range (message box, focus on the control, the exchange fails).
TB_EXPORT void DDX_Text(CDataExchange* dx, int id, int& value);
/// The check state (BST_) of button id.
TB_EXPORT void DDX_Check(CDataExchange* dx, int id, int& value);
/// The selected index of combo id (-1: none).
TB_EXPORT void DDX_CBIndex(CDataExchange* dx, int id, int& index);
/// Makes control the permanent object of the dialog's control id (once; nothing when control already has a window).
TB_EXPORT void DDX_Control(CDataExchange* dx, int id, CWnd& control);
/// A double through an edit as an engineering number ("4.7k"): shown with 15
/// significant digits, read back with its prefix; never fails (text without a number is 0).
TB_EXPORT void DDX_TBDouble(CDataExchange* dx, int id, double& value);

/// A message box with the MB_ buttons, icon and default button; returns the ID of the
/// button pressed (IDCANCEL when closed).
TB_EXPORT int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
/// A message box owned by owner (null: the active window) with caption (null: the application's name) and the MB_ type; returns the ID of the button pressed.
TB_EXPORT int TBMessageBox(CWnd* owner, LPCTSTR text, LPCTSTR caption, UINT type);

/// The file open and save dialogs with the framework's filter strings
/// ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||").
class TB_EXPORT CFileDialog {
public:
    /// An open (openFileDialog TRUE) or save dialog with default extension, starting file name, OFN_ flags and filter "Text (*.txt)|*.txt|All (*.*)|*.*||".
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr, CWnd* parent = nullptr);
    virtual ~CFileDialog();
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    /// True when object is a file dialog that exists now: lets an untyped pointer a host
    /// handed over (a browse cell's additional pointer) be used as one only when it is.
    static BOOL IsFileDialog(const void* object);
    /// Shows the dialog; IDOK with the chosen path, IDCANCEL when cancelled or without a Qt application.
    virtual INT_PTR DoModal();
    /// The chosen path.
    CString GetPathName() const { return m_path; }
    /// The chosen file's name with its extension, without folder.
    CString GetFileName() const;
    /// The chosen file's extension without the dot.
    CString GetFileExt() const;
    /// The chosen file's name without folder and extension.
    CString GetFileTitle() const;
    /// The folder of the chosen file.
    CString GetFolderPath() const;
    /// The file name the dialog starts with (a name, or a path whose folder it opens).
    void SetFileName(LPCTSTR name) { m_fileName = name ? name : ""; }
    /// The folder the dialog starts in (empty: the file name's folder or the current one).
    CString m_initialDir;
    CString m_title;  ///< Title of the dialog (empty: the desktop's default title).

private:
    BOOL m_open;
    CString m_defaultExt;
    CString m_fileName;
    DWORD m_flags;
    CString m_filter;
    CWnd* m_parent;
    CString m_path;
};

/// A filter string of the framework turned into Qt's form ("Text (*.txt);;All (*)").
TB_EXPORT CString TBQtFileFilter(const CString& filter);

/// The folder chooser: returns the chosen folder, empty when cancelled.
TB_EXPORT CString TBBrowseForFolder(CWnd* parent, const CString& title, const CString& start);
