// The crash report mail: over SMTP when a server is configured beside the program,
// else through local submission.
#include <toolbox/mail/mail.h>
#include "crash/crash_paths.h"
#include <toolbox/crash/crash_report.h>
#include "crash/crash_settings.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <algorithm>

namespace {

bool DeliverOverSmtp(const TBReportMailTarget& target, const TBMailMessage& message) {
    if (target.server.IsEmpty()) return false;
    TBSmtpOptions options;
    options.server = target.server;
    options.port = target.port;
    options.security = target.security;
    options.user = target.user;
    options.password = target.password;
    options.caFile = target.caFile;
    options.connectTimeoutMilliseconds = std::min(target.timeoutMilliseconds, 30000);
    options.timeoutMilliseconds = target.timeoutMilliseconds;
    CString error;
    return TBSmtpDeliver(options, message, error);
}

}  // namespace

TBReportMailTarget TBReportMailTargetOf(const CString& programPath) {
    TBReportMailTarget target;
    target.programPath = programPath;
    TBCrashSettings settings = TBReadCrashSettings(TBDirectoryOf(programPath));
    target.server = settings.mailServer;
    target.port = settings.mailPort;
    TBParseSmtpSecurity(settings.mailSecurity, target.security);
    target.user = settings.mailUser;
    target.caFile = settings.mailCaFile;
    CString error;
    if (!target.user.IsEmpty()) TBReadMailPasswordFile(TBMailPasswordFilePath(), target.password, error);
    return target;
}

int TBSendReportMail(const CrashReportHandler& handler, const char* archivePath, const char* senderName,
                     const char* body, const TBReportMailTarget& target) {
    if (handler.GetRecipient().IsEmpty()) return 0;
    CString base = TBCrashBaseName(target.programPath);
    TBMailMessage m;
    m.to = handler.GetRecipient();
    m.subject =
        handler.GetSubject().IsEmpty() ? TBFormatMessage(TBMsg::CrashReportSubject, {base}) : handler.GetSubject();
    m.senderName = senderName;
    m.body = body;
    m.attachmentPath = archivePath;
    m.attachmentName = base + ".zip";
    if (DeliverOverSmtp(target, m)) return 1;
    CmcMailer mailer(target.sendmailProgram.IsEmpty() ? nullptr : target.sendmailProgram.GetString());
    if (!mailer.IsAvailable() || !mailer.Logon("", "")) return 0;
    int sent = mailer.Send(m);
    mailer.Logoff();
    return sent;
}

int SendReportMail(const CrashReportHandler* handler, const char* archivePath, const char* senderName, const char* body,
                   const char* password) {
    if (!handler) return 0;
    TBReportMailTarget target = TBReportMailTargetOf(TBCrashProgramPath());
    target.password = password ? password : "";
    return TBSendReportMail(*handler, archivePath, senderName, body, target);
}

int SendReportMail(const CrashReportHandler* handler, const char* archivePath, const char* senderName,
                   const char* body) {
    if (!handler) return 0;
    return TBSendReportMail(*handler, archivePath, senderName, body, TBReportMailTargetOf(TBCrashProgramPath()));
}
