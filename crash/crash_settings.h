// The crash report settings of "Register.cfg" in the program's directory, read through
// the private profile cache.
#pragma once

#include <toolbox/mail/mail.h>
#include <toolbox/types/cstring.h>

/// The report mail server used when "Register.cfg" names none.
#define TB_DEFAULT_REPORT_MAIL_SERVER "smtp.veltranix.com"

/// What the crash reporter reads from "Register.cfg".
struct TBCrashSettings {
    CString productVersion;                              ///< [General] ProductVersion
    CString mailServer = TB_DEFAULT_REPORT_MAIL_SERVER;  ///< [CrashReport] MailServer
    int mailPort = 25;                                   ///< [CrashReport] MailPort
    CString mailSecurity = "none";                       ///< [CrashReport] MailSecurity: none, starttls, tls
    CString mailUser;                                    ///< [CrashReport] MailUser; the password is kept elsewhere
    CString mailCaFile;                                  ///< [CrashReport] MailCaFile: PEM of trusted authorities
};

/// Reads "Register.cfg" in programDirectory through the private profile cache (names
/// compare byte for byte); a missing file or key, an empty server, a port outside
/// 1..65535 or an unknown security mode keeps the defaults.
TBCrashSettings TBReadCrashSettings(const CString& programDirectory);

/// Where and how the report mail of the program at programPath goes: server, port,
/// security, user and authorities of its "Register.cfg"; with a user configured there,
/// the password from the user's mail password file (TBMailPasswordFilePath()). Without
/// a readable password file the server is still tried: it may take the mail
/// unauthenticated, and local submission follows anyway.
TBReportMailTarget TBReportMailTargetOf(const CString& programPath);
