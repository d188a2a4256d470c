// The crash report settings of "Register.cfg" in the program's directory, and the
// questions the reporter asks the user. The settings come from the private profile
// cache; the questions are answered headlessly.
#pragma once

#include "platform/types/cstring.h"
#include "platform/types/maps.h"

/// The report mail server used when "Register.cfg" names none.
#define TB_DEFAULT_REPORT_MAIL_SERVER "smtp.veltranix.com"

/// What the crash reporter reads from "Register.cfg".
struct TBCrashSettings {
    CString productVersion;                          ///< [General] ProductVersion
    CString mailServer = TB_DEFAULT_REPORT_MAIL_SERVER; ///< [CrashReport] MailServer
    int mailPort = 25;                               ///< [CrashReport] MailPort
};

/// Reads "Register.cfg" in programDirectory through the private profile cache (names
/// compare byte for byte); a missing file or key, an empty server or a port outside
/// 1..65535 keeps the defaults.
TB_EXPORT TBCrashSettings TBReadCrashSettings(const CString& programDirectory);

/// The questions of a crash report. The headless answers are the default.
class TB_EXPORT TBCrashPrompt {
public:
    enum Answer { Send, DontSend, NobodyToAsk };
    virtual ~TBCrashPrompt() = default;
    /// The crash report dialog: the files of the report are shown; on Send the user's
    /// mail address and description are returned.
    virtual Answer AskToSend(const CMapStringToString& files, CString& senderAddress, CString& description) = 0;
    /// The Save As question for the archive (".zip"); false when cancelled.
    virtual bool AskSaveTarget(CString& target) = 0;
    /// A message for the user.
    virtual void ShowMessage(const CString& text) = 0;
    /// Progress of packing files: position of count, name of the file being packed.
    virtual void ShowProgress(int position, int count, const CString& name) = 0;
};

/// The prompt in force. Headless: nobody is asked unless $TOOLBOX_CRASH_REPORT_ANSWER
/// says "send" (mail the report; sender $TOOLBOX_CRASH_REPORT_SENDER, description
/// $TOOLBOX_CRASH_REPORT_DESCRIPTION) or "discard"; messages go to standard error,
/// Save As is cancelled, progress is not shown.
TB_EXPORT TBCrashPrompt& TBGetCrashPrompt();
