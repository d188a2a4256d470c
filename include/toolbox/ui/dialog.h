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
    UINT id;
    const char* text;
    DWORD style;  ///< WS_CHILD | WS_VISIBLE are added when the control is made
    short x, y, cx, cy;
};

/// A dialog template: caption, style, size in dialog units, font and controls.
struct CDialogTemplate {
    UINT id;
    const char* caption;
    DWORD style;
    short cx, cy;
    const char* fontFace;  ///< "MS Shell Dlg" style names are mapped to the desktop's sans font
    int pointSize;
    std::vector<CDialogItemTemplate> items;
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

class TB_EXPORT CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    /// Runs the dialog modally; IDOK, IDCANCEL or the EndDialog value; -1 when the
    /// template is unknown.
    virtual INT_PTR DoModal();
    /// Creates the dialog modeless (shown when the template has WS_VISIBLE).
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    /// Creates the window from the template without showing it (gallery, tests).
    BOOL CreateIndirect(const CDialogTemplate& tmpl, CWnd* parent);
    void EndDialog(int result);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    /// Exchanges data between controls and members (saveAndValidate: controls to members).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(class CDataExchange*) {}
    UINT GetTemplateId() const { return m_templateId; }
    /// The dialog font's base units (valid once the window exists).
    CSize GetBaseUnits() const { return m_baseUnits; }
    void MapDialogRect(RECT* rect) const;
    /// Moves the focus to the next or previous control with WS_TABSTOP.
    void NextDlgCtrl();
    void PrevDlgCtrl();
    void GotoDlgCtrl(CWnd* control);
    CFont* GetDialogFont() const { return m_font.get(); }

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;
    UINT m_templateId = 0;
    CWnd* m_pParentWnd = nullptr;

private:
    LRESULT HandleInitDialogMessage(WPARAM, LPARAM);
    BOOL BuildWindow(const CDialogTemplate& tmpl, CWnd* parent);
    void CreateControls(const CDialogTemplate& tmpl);
    int m_result = IDCANCEL;
    bool m_modal = false;
    CSize m_baseUnits;
    std::unique_ptr<CFont> m_font;
};

// The modeless find/replace dialog tells its owner what the user asked for with the
// message registered under FINDMSGSTRING; lParam points to the dialog's FINDREPLACE.
constexpr const char* FINDMSGSTRING = "commdlg_FindReplace";
constexpr DWORD FR_FINDNEXT = 0x00000008;
constexpr DWORD FR_REPLACE = 0x00000010;
constexpr DWORD FR_REPLACEALL = 0x00000020;
constexpr DWORD FR_DIALOGTERM = 0x00000040;

struct FINDREPLACE {
    DWORD lStructSize = sizeof(FINDREPLACE);
    HWND hwndOwner = nullptr;
    DWORD Flags = 0;  ///< one FR_ action and the FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD options
    LPTSTR lpstrFindWhat = nullptr;
    LPTSTR lpstrReplaceWith = nullptr;
    WORD wFindWhatLen = 0;
    WORD wReplaceWithLen = 0;
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
    CString GetFindString() const { return m_findWhat; }
    CString GetReplaceString() const { return m_replaceWith; }
    BOOL SearchDown() const { return (m_fr.Flags & FR_DOWN) != 0; }
    BOOL FindNext() const { return (m_fr.Flags & FR_FINDNEXT) != 0; }
    BOOL MatchCase() const { return (m_fr.Flags & FR_MATCHCASE) != 0; }
    BOOL MatchWholeWord() const { return (m_fr.Flags & FR_WHOLEWORD) != 0; }
    BOOL ReplaceCurrent() const { return (m_fr.Flags & FR_REPLACE) != 0; }
    BOOL ReplaceAll() const { return (m_fr.Flags & FR_REPLACEALL) != 0; }
    BOOL IsTerminating() const { return (m_fr.Flags & FR_DIALOGTERM) != 0; }
    /// The dialog's layout (find only or find and replace), for the gallery.
    static const CDialogTemplate& GetTemplate(BOOL findDialogOnly);

    FINDREPLACE m_fr;

protected:
    BOOL OnInitDialog() override;
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
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    /// Set when a value did not validate; UpdateData then fails.
    BOOL m_bFailed = FALSE;
    CWnd* PrepareCtrl(int id);
};
TB_EXPORT void DDX_Text(CDataExchange* dx, int id, CString& value);
TB_EXPORT void DDX_Text(CDataExchange* dx, int id, int& value);
TB_EXPORT void DDX_Check(CDataExchange* dx, int id, int& value);
TB_EXPORT void DDX_CBIndex(CDataExchange* dx, int id, int& index);
TB_EXPORT void DDX_Control(CDataExchange* dx, int id, CWnd& control);
/// A double through an edit as an engineering number ("4.7k"): shown with 15
/// significant digits, read back with its prefix; never fails (text without a number is 0).
TB_EXPORT void DDX_TBDouble(CDataExchange* dx, int id, double& value);

/// A message box with the MB_ buttons, icon and default button; returns the ID of the
/// button pressed (IDCANCEL when closed).
TB_EXPORT int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
TB_EXPORT int TBMessageBox(CWnd* owner, LPCTSTR text, LPCTSTR caption, UINT type);

/// The file open and save dialogs with the framework's filter strings
/// ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||").
class TB_EXPORT CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr, CWnd* parent = nullptr);
    virtual ~CFileDialog();
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    /// True when object is a file dialog that exists now: lets an untyped pointer a host
    /// handed over (a browse cell's additional pointer) be used as one only when it is.
    static BOOL IsFileDialog(const void* object);
    virtual INT_PTR DoModal();
    CString GetPathName() const { return m_path; }
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    /// The file name the dialog starts with (a name, or a path whose folder it opens).
    void SetFileName(LPCTSTR name) { m_fileName = name ? name : ""; }
    /// The folder the dialog starts in (empty: the file name's folder or the current one).
    CString m_initialDir;
    CString m_title;

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
