// SMTP delivery through TLS and authentication against a real server on loopback
// (aiosmtpd) with certificates made for the test, the mail password file and the
// mail settings of "Register.cfg".
#include "test_support.h"

#include "crash/crash_settings.h"
#include <toolbox/mail/mail.h>
#include "tests/support/env.h"

using namespace crashtest;

namespace {

// Serves STARTTLS ("starttls") or implicit TLS ("tls"), requires AUTH with jane/secret
// offering only the given mechanism, and refuses recipients at "nobody@".
const char kServerScript[] = R"(import sys, ssl, time
from aiosmtpd.controller import Controller
from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import AuthResult
port, mode, cert, key, maildir, mech = sys.argv[1:7]
ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
ctx.load_cert_chain(cert, key)
class Handler(Mailbox):
    async def handle_RCPT(self, server, session, envelope, address, options):
        if address.startswith('nobody@'):
            return '550 5.1.1 nobody: no such mailbox here'
        envelope.rcpt_tos.append(address)
        return '250 OK'
def check(server, session, envelope, mechanism, data):
    return AuthResult(success=data.login == b'jane' and data.password == b'secret')
kw = dict(hostname='127.0.0.1', port=int(port), authenticator=check, auth_required=True,
          auth_exclude_mechanism=[m for m in ('LOGIN', 'PLAIN') if m != mech])
if mode == 'tls':
    # The server counts only STARTTLS as TLS when it decides whether to offer AUTH.
    kw.update(ssl_context=ctx, auth_require_tls=False)
else:
    kw.update(tls_context=ctx, require_starttls=True)
Controller(Handler(maildir), **kw).start()
while True:
    time.sleep(1)
)";

class TlsSmtpServer {
public:
    TlsSmtpServer(const std::string& dir, const std::string& mode, const std::string& mechanism)
        : m_mailDir(dir + "/mail-" + mode + mechanism) {
        WriteFile(dir + "/server.py", kServerScript);
        m_port = FreePort();
        m_pid = fork();
        if (m_pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl("/usr/bin/python3", "python3", (dir + "/server.py").c_str(), std::to_string(m_port).c_str(),
                  mode.c_str(), (dir + "/cert.pem").c_str(), (dir + "/key.pem").c_str(), m_mailDir.c_str(),
                  mechanism.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200 && !CanConnect(m_port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~TlsSmtpServer() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    int Port() const { return m_port; }
    std::size_t MessageCount() const { return ListDir(m_mailDir + "/new").size(); }
    std::string FirstMessage() const { return ReadFile(m_mailDir + "/new/" + ListDir(m_mailDir + "/new").at(0)); }

private:
    std::string m_mailDir;
    int m_port = 0;
    pid_t m_pid = -1;
};

class SmtpTlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SmtpServer::Available() || access("/usr/bin/openssl", X_OK) != 0)
            GTEST_SKIP() << "python3-aiosmtpd or openssl is not installed: no TLS mail server to send to";
        // The server's certificate, and an unrelated one a client must not accept it by.
        MakeCertificate("cert.pem", "key.pem");
        MakeCertificate("other.pem", "other-key.pem");
        m_message.to = "crash@example.com";
        m_message.senderAddress = "jane@example.org";
        m_message.subject = "Crash Report - app!";
        m_message.body = "first\n.\nlast";
    }
    void MakeCertificate(const std::string& cert, const std::string& key) {
        const tbtest::RunResult run = tbtest::Shell(
            "cd '" + m_dir + "' && /usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 " +
            "-addext subjectAltName=IP:127.0.0.1 -keyout " + key + " -out " + cert + " 2>&1");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    TBSmtpOptions Options(int port, TBSmtpSecurity security) {
        TBSmtpOptions o;
        o.server = "127.0.0.1";
        o.port = port;
        o.security = security;
        o.user = "jane";
        o.password = "secret";
        o.caFile = (m_dir + "/cert.pem").c_str();
        o.timeoutMilliseconds = 20000;
        return o;
    }
    tbtest::ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
    TBMailMessage m_message;
};

}  // namespace

TEST_F(SmtpTlsTest, StartTlsWithAuthLoginAndPlainAndOnlyTrustedCertificates) {
    for (const char* mechanism : {"LOGIN", "PLAIN"}) {
        SCOPED_TRACE(mechanism);
        TlsSmtpServer server(m_dir, "starttls", mechanism);
        TBSmtpOptions o = Options(server.Port(), TBSmtpSecurity::StartTls);
        CString error;
        ASSERT_TRUE(TBSmtpDeliver(o, m_message, error)) << error.GetString();
        ASSERT_EQ(server.MessageCount(), 1u);
        const std::string m = server.FirstMessage();
        EXPECT_NE(m.find("\nfirst\n.\nlast\n"), std::string::npos) << m;
        EXPECT_NE(m.find("--_VELTRANIX_Crash_Report--"), std::string::npos) << m;

        o.caFile = (m_dir + "/other.pem").c_str();
        EXPECT_FALSE(TBSmtpDeliver(o, m_message, error)) << "an untrusted certificate is refused";
        EXPECT_NE(error.Find("certificate"), -1) << error.GetString();
        o = Options(server.Port(), TBSmtpSecurity::None);
        EXPECT_FALSE(TBSmtpDeliver(o, m_message, error)) << "the server insists on STARTTLS";
        EXPECT_EQ(server.MessageCount(), 1u);
    }
}

TEST_F(SmtpTlsTest, ImplicitTlsAndARefusedRecipient) {
    TlsSmtpServer server(m_dir, "tls", "PLAIN");
    TBSmtpOptions o = Options(server.Port(), TBSmtpSecurity::Tls);
    CString error;
    ASSERT_TRUE(TBSmtpDeliver(o, m_message, error)) << error.GetString();
    EXPECT_EQ(server.MessageCount(), 1u);

    m_message.to = "nobody@example.com";
    EXPECT_FALSE(TBSmtpDeliver(o, m_message, error));
    EXPECT_NE(error.Find("550 5.1.1 nobody: no such mailbox here"), -1) << error.GetString();
    EXPECT_EQ(server.MessageCount(), 1u);
}

TEST(MailPassword, OnlyAFileOfItsOwnerAloneIsRead) {
    tbtest::ScratchDir scratch;
    const std::string path = scratch.Path() + "/mail-password";
    WriteFile(path, "s3cret\nignored\n");
    chmod(path.c_str(), 0644);
    CString password, error;
    EXPECT_FALSE(TBReadMailPasswordFile(path.c_str(), password, error));
    EXPECT_NE(error.Find("readable by others"), -1) << error.GetString();
    EXPECT_TRUE(password.IsEmpty());
    chmod(path.c_str(), 0600);
    ASSERT_TRUE(TBReadMailPasswordFile(path.c_str(), password, error)) << error.GetString();
    EXPECT_EQ(password, CString("s3cret"));
    EXPECT_FALSE(TBReadMailPasswordFile((scratch.Path() + "/none").c_str(), password, error));

    tbtest::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(TBMailPasswordFilePath(), CString("/cfg/veltranix/mail-password"));
}

TEST(MailSettings, SecurityUserAndAuthoritiesComeFromRegisterCfg) {
    tbtest::ScratchDir scratch;
    WriteFile(scratch.Path() + "/Register.cfg",
              "[CrashReport]\nMailServer=mail.example.com\nMailPort=587\nMailSecurity=STARTTLS\n"
              "MailUser=jane\nMailCaFile=/etc/ca.pem\n");
    TBCrashSettings s = TBReadCrashSettings(scratch.Path().c_str());
    EXPECT_EQ(s.mailPort, 587);
    EXPECT_EQ(s.mailSecurity, CString("STARTTLS"));
    EXPECT_EQ(s.mailUser, CString("jane"));
    EXPECT_EQ(s.mailCaFile, CString("/etc/ca.pem"));
    TBSmtpSecurity mode = TBSmtpSecurity::None;
    EXPECT_TRUE(TBParseSmtpSecurity(s.mailSecurity, mode));
    EXPECT_EQ(mode, TBSmtpSecurity::StartTls);
    EXPECT_FALSE(TBParseSmtpSecurity("ssl", mode));
}
