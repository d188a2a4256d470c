/// \file
/// \brief The dialog hub: how code without windows asks the user something.
// The dialog hub: how code without windows asks the user something. File dialogs,
// message boxes and the library's modal dialogs go through the process-wide hub. Until
// the window layer registers its implementation the hub answers headlessly: file
// dialogs are cancelled, message boxes are printed to stderr, progress is not shown,
// and a modal dialog gives the answer its request has for nobody to ask (cancelled
// unless the request says otherwise).
#pragma once

#include <toolbox/types/cstring.h>

/// Results of modal dialogs and message boxes, with the framework's values.
///@{
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
/// DoModal's result when the dialog could not be shown at all (the framework's value).
constexpr int TB_DIALOG_NOT_SHOWN = -1;
///@}

/// Message box styles the library passes (the framework's values).
///@{
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
///@}

/// Flags of the common file dialog (the framework's values).
///@{
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
///@}

/// One modal dialog's state and rules, without a window. The window layer finds the
/// concrete class (for example with dynamic_cast) and shows its window for it; tests
/// and programs answer it directly.
class TB_EXPORT CModalRequest {
public:
    virtual ~CModalRequest() = default;
    /// Resource id of the dialog template the window layer shows for this request.
    virtual UINT GetTemplateId() const = 0;
    /// The headless hub's answer when no window layer is registered: IDCANCEL unless
    /// the request knows better (for example TB_DIALOG_NOT_SHOWN, so that its caller
    /// can tell "nobody was asked" from "the user declined").
    virtual int AnswerWithoutWindow() { return IDCANCEL; }
};

/// A file dialog request: Open (forReading) or Save As.
struct TB_EXPORT CFileDialogRequest {
    bool forReading = true;  ///< True for an Open dialog, false for Save As.
    CString defaultExtension;  ///< as the caller gives it, for example "*.csv"
    CString filter;            ///< "Text|*.txt|..." pairs as in the library's filter lists
    CString initialName;  ///< The file name the dialog starts with.
    DWORD flags = 0;  ///< OFN_ flags.
};

/// What the hub does; the default implementation is headless.
class TB_EXPORT CDialogHub {
public:
    virtual ~CDialogHub() = default;
    /// Shows a file dialog; returns the chosen path, empty when cancelled.
    virtual CString AskFileName(const CFileDialogRequest& request);
    /// Shows a message box; returns IDOK (or another button id).
    virtual int MessageBox(const CString& text, const CString& caption, UINT type);
    /// Shows the modal dialog for request; returns IDOK or IDCANCEL. On IDOK the
    /// request holds the user's choices.
    virtual int DoModal(CModalRequest& request);
    /// Shows the progress of a long task: step position of count, on the item name.
    /// Headless: nothing is shown.
    virtual void ShowProgress(int position, int count, const CString& name);
};

/// The hub in effect; never null (the headless one until another is set).
TB_EXPORT CDialogHub& TBGetDialogHub();
/// Makes hub the process-wide hub (null: the headless one again). The caller keeps
/// ownership and resets the hub before destroying it.
TB_EXPORT void TBSetDialogHub(CDialogHub* hub);
