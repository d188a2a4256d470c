// Local submission through sendmail, and the crash report mail.
#include <toolbox/mail/mail.h>
#include "crash/crash_paths.h"
#include <toolbox/crash/crash_report.h>
#include "crash/crash_settings.h"
#include "platform/os/run_program.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <algorithm>
#include <unistd.h>

CmcMailer::CmcMailer(const char* program) {
    if (program) {
        m_program = access(program, X_OK) == 0 ? CString(program) : CString();
        return;
    }
    for (const char* candidate : {"/usr/sbin/sendmail", "/usr/lib/sendmail"})
        if (access(candidate, X_OK) == 0) {
            m_program = candidate;
            return;
        }
    m_program = TBFindProgram("sendmail");
}

CmcMailer::~CmcMailer() { Logoff(); }

bool CmcMailer::Logon(const char*, const char*) {
    if (m_session) Logoff();
    m_session = IsAvailable();
    return m_session;
}

void CmcMailer::Logoff() { m_session = false; }

int CmcMailer::Send(const TBMailMessage& message) {
    if (!m_session || message.to.IsEmpty() || message.to.Find('\n') >= 0 || message.to.Find('\r') >= 0) return 0;
    std::string text;
    CString error;
    if (!TBComposeMail(message, text, error)) return 0;
    // Local submission takes plain LF line ends; -i keeps a lone "." from ending it.
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    return TBRunProgram({m_program.str(), "-t", "-i"}, lf) == 0 ? 1 : 0;
}

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
