/// \file
/// \brief The questions of a crash report, asked through the dialog hub (platform/os), so that the window layer shows its dialogs for them by registering one hub.
// The questions of a crash report, asked through the dialog hub (platform/os), so that
// the window layer shows its dialogs for them by registering one hub. Without a window
// layer nobody is asked: the report is neither mailed nor saved but kept in the state
// directory, and messages go to standard error.
#pragma once

#include <toolbox/os/dialog_hub.h>
#include <toolbox/types/maps.h>

/// Dialog template id of the crash report dialog (caption "Crash Report").
constexpr UINT IDD_CRASH_REPORT = 4302;

/// The crash report dialog's state: the files of the report (path -> description) to
/// list, and on IDOK ("&Send Error Report") the user's mail address and description.
/// IDCANCEL is "&Don't Send".
class TB_EXPORT CCrashReportRequest : public CModalRequest {
public:
    /// The request for the report's files (path -> description, kept by the caller).
    explicit CCrashReportRequest(const CMapStringToString& files) : m_files(files) {}
    UINT GetTemplateId() const override { return IDD_CRASH_REPORT; }
    /// The files of the report, path -> description.
    const CMapStringToString& GetReportFiles() const { return m_files; }

    /// Without a window nobody is asked (TB_DIALOG_NOT_SHOWN) unless
    /// $TOOLBOX_CRASH_REPORT_ANSWER says "send" (IDOK, with the sender from
    /// $TOOLBOX_CRASH_REPORT_SENDER and the description from
    /// $TOOLBOX_CRASH_REPORT_DESCRIPTION) or "discard" (IDCANCEL).
    int AnswerWithoutWindow() override;

    /// The crashed program's path: the dialog's title and icon are the program's.
    CString ProgramPath;
    CString SenderAddress;  ///< "Your EMail Address (optional):"
    CString Description;    ///< "Describe what you were doing when the error occurred (optional):"

private:
    const CMapStringToString& m_files;
};

/// What became of the crash report question.
enum class TBCrashAnswer { Send, DontSend, NobodyToAsk };

/// Shows the crash report dialog for files of the program at programPath through the
/// hub; on Send the user's mail address and description are returned.
TB_EXPORT TBCrashAnswer TBAskToSendCrashReport(const CMapStringToString& files, CString& senderAddress,
                                               CString& description, const CString& programPath = CString());
/// The Save As question for the report archive (default extension "zip", the filter
/// of string 5511, overwrite prompt, read-only box hidden); empty when cancelled.
TB_EXPORT CString TBAskCrashArchiveTarget();
/// A message of the crash reporter or the mail senders, in a message box with the
/// given icon (MB_ICONERROR, MB_ICONINFORMATION...).
TB_EXPORT void TBShowCrashMessage(const CString& text, UINT icon = MB_ICONERROR);
/// Progress of packing files: step position of count, the file being packed.
TB_EXPORT void TBShowCrashProgress(int position, int count, const CString& name);
