// The crash report settings of "Register.cfg" in the program's directory, read through
// the private profile cache.
#pragma once

#include <toolbox/types/cstring.h>

/// The report mail server used when "Register.cfg" names none.
#define TB_DEFAULT_REPORT_MAIL_SERVER "smtp.veltranix.com"

/// What the crash reporter reads from "Register.cfg".
struct TBCrashSettings {
    CString productVersion;                              ///< [General] ProductVersion
    CString mailServer = TB_DEFAULT_REPORT_MAIL_SERVER;  ///< [CrashReport] MailServer
    int mailPort = 25;                                   ///< [CrashReport] MailPort
};

/// Reads "Register.cfg" in programDirectory through the private profile cache (names
/// compare byte for byte); a missing file or key, an empty server or a port outside
/// 1..65535 keeps the defaults.
TBCrashSettings TBReadCrashSettings(const CString& programDirectory);
