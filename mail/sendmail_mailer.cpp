// Local submission through sendmail ("sendmail -t"), the mailer of CmcMailer.
#include <toolbox/mail/mail.h>

#include "platform/os/run_program.h"

#include <string>

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
