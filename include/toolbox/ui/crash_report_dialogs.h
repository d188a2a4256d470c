/// \file
/// \brief The crash report windows: the dialog that tells the user that the program crashed and asks whether to send the report, and the dialog that shows what the report holds.
// The crash report windows: the dialog that tells the user that the program crashed
// and asks whether to send the report, and the dialog that shows what the report holds.
// The window layer shows the first for every CCrashReportRequest of the crash reporter.
#pragma once

#include <toolbox/crash/crash_dialogs.h>
#include <toolbox/types/maps.h>
#include <toolbox/ui/dialog.h>

#include <vector>

/// Dialog template of the details dialog (the report dialog is IDD_CRASH_REPORT).
constexpr UINT IDD_CRASH_REPORT_DETAILS = 4303;

/// "Crash Report": titled with the crashed program's description and showing its icon;
/// on IDOK ("&Send Error Report") the address and description the user typed are
/// GetSenderAddress and GetDescription. "click here." opens the details dialog.
class TB_EXPORT CrashReportDialog : public CDialog {
public:
    /// files: path -> description of every file of the report (kept by the caller).
    CrashReportDialog(const CMapStringToString& files, const CString& programPath, CWnd* parent = nullptr);
    /// The mail address the user typed (after IDOK).
    const CString& GetSenderAddress() const { return m_senderAddress; }
    /// The description of what happened the user typed (after IDOK).
    const CString& GetDescription() const { return m_description; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    /// "click here.": opens the details dialog.
    void OnShowDetails();
    DECLARE_MESSAGE_MAP()

private:
    const CMapStringToString& m_files;
    CString m_programPath;
    CString m_senderAddress;
    CString m_description;
};

/// The files of a report with name, description, type and size; the selected file's
/// bytes in a hex view; a double click opens a file with the desktop's program for it.
class TB_EXPORT CrashReportDetailsDialog : public CDialog {
public:
    /// The details of the report's files (path -> description, kept by the caller) for the program at programPath.
    CrashReportDetailsDialog(const CMapStringToString& files, const CString& programPath, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    /// Another file was selected: its bytes are shown in the hex view.
    void OnFileChanged(NMHDR* header, LRESULT* result);
    /// A file was double-clicked: the desktop's program for it opens it.
    void OnFileDoubleClicked(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    void ShowFile(int item);
    void OpenFile(int item);
    const CMapStringToString& m_files;
    CString m_programPath;
    std::vector<CString> m_paths;  // the path behind each row
};

/// The first bytes of a file as a hex view: offset, 16 bytes in hex, the same as
/// characters ('.' for those that do not print). At most limit bytes are shown; a last
/// line says how many more the file has.
TB_EXPORT CString TBHexView(const CString& path, std::size_t limit = 64 * 1024);

/// Makes the crash report dialog the window of CCrashReportRequest (the window layer
/// does this when it starts).
TB_EXPORT void TBRegisterCrashReportWindows();

/// The crash reporter program with its windows: starts the window layer, makes the
/// report (see TBRunCrashReporter for the command line), stops the layer. Without a
/// Qt application the reporter runs headless.
TB_EXPORT int TBRunCrashReporterWithWindows(int argc, char** argv);
