// The crash settings of "Register.cfg", read through the profile cache.
#include "crash/crash_settings.h"
#include <toolbox/mail/mail.h>
#include <toolbox/os/profile_cache.h>

TBCrashSettings TBReadCrashSettings(const CString& programDirectory) {
    TBCrashSettings settings;
    CString file = programDirectory + "/Register.cfg";
    settings.productVersion = GetPrivateStringValue("General", "ProductVersion", "", file);
    CString server = GetPrivateStringValue("CrashReport", "MailServer", "", file);
    if (!server.IsEmpty()) settings.mailServer = server;
    int port = GetPrivateIntValue("CrashReport", "MailPort", settings.mailPort, file);
    // A port outside the TCP range (or text that is no number) keeps the default.
    if (port > 0 && port < 65536) settings.mailPort = port;
    CString security = GetPrivateStringValue("CrashReport", "MailSecurity", "", file);
    TBSmtpSecurity mode;
    if (TBParseSmtpSecurity(security, mode)) settings.mailSecurity = security;
    settings.mailUser = GetPrivateStringValue("CrashReport", "MailUser", "", file);
    settings.mailCaFile = GetPrivateStringValue("CrashReport", "MailCaFile", "", file);
    return settings;
}
