// SMTP delivery through TLS and authentication against a real server on loopback
// (aiosmtpd) with certificates made for the test, the mail password file and the
// mail settings of "Register.cfg".
#include "test_support.h"

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

class SmtpTlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SmtpServer::Available() || access("/usr/bin/openssl", X_OK) != 0)
            GTEST_SKIP() << "python3-aiosmtpd or openssl is not installed: no TLS mail server to send to";
        // The server's certificate, and an unrelated one a client must not accept it by.
        MakeCertificate("cert.pem", "key.pem");
        MakeCertificate("other.pem", "other-key.pem");
        WriteFile(m_dir + "/server.py", kServerScript);
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
    /// A server of the script in mode "starttls" or "tls" offering AUTH mechanism only.
    std::unique_ptr<SmtpServer> Server(const std::string& mode, const std::string& mechanism) {
        const std::string maildir = m_dir + "/mail-" + mode + mechanism;
        return std::make_unique<SmtpServer>(maildir, std::vector<std::string>{m_dir + "/server.py", "{port}", mode,
                                                                                m_dir + "/cert.pem", m_dir + "/key.pem",
                                                                                maildir, mechanism});
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
        const auto server = Server("starttls", mechanism);
        TBSmtpOptions o = Options(server->Port(), TBSmtpSecurity::StartTls);
        CString error;
        ASSERT_TRUE(TBSmtpDeliver(o, m_message, error)) << error.GetString();
        ASSERT_EQ(server->Messages().size(), 1u);
        const std::string m = server->Messages()[0];
        EXPECT_NE(m.find("\nfirst\n.\nlast\n"), std::string::npos) << m;
        EXPECT_NE(m.find("--_VELTRANIX_Crash_Report--"), std::string::npos) << m;

        o.caFile = (m_dir + "/other.pem").c_str();
        EXPECT_FALSE(TBSmtpDeliver(o, m_message, error)) << "an untrusted certificate is refused";
        EXPECT_NE(error.Find("certificate"), -1) << error.GetString();
        o = Options(server->Port(), TBSmtpSecurity::None);
        EXPECT_FALSE(TBSmtpDeliver(o, m_message, error)) << "the server insists on STARTTLS";
        EXPECT_EQ(server->Messages().size(), 1u);
    }
}

TEST_F(SmtpTlsTest, ImplicitTlsAndARefusedRecipient) {
    const auto server = Server("tls", "PLAIN");
    TBSmtpOptions o = Options(server->Port(), TBSmtpSecurity::Tls);
    CString error;
    ASSERT_TRUE(TBSmtpDeliver(o, m_message, error)) << error.GetString();
    EXPECT_EQ(server->Messages().size(), 1u);

    m_message.to = "nobody@example.com";
    EXPECT_FALSE(TBSmtpDeliver(o, m_message, error));
    EXPECT_NE(error.Find("550 5.1.1 nobody: no such mailbox here"), -1) << error.GetString();
    EXPECT_EQ(server->Messages().size(), 1u);
}

// The crash reporter program mails with the security, login and authorities of
// "Register.cfg" and the password of the user's password file.
TEST_F(SmtpTlsTest, CrashReporterUsesTheMailSettingsOfRegisterCfg) {
    const auto server = Server("starttls", "LOGIN");
    tbtest::Shell("mkdir -p '" + m_dir + "/app' '" + m_dir + "/temp' '" + m_dir + "/config/veltranix'");
    WriteFile(m_dir + "/app/Register.cfg",
              "[CrashReport]\nMailServer=127.0.0.1\nMailPort=" + std::to_string(server->Port()) +
                  "\nMailSecurity=starttls\nMailUser=jane\nMailCaFile=" + m_dir + "/cert.pem\n");
    const std::string password = m_dir + "/config/veltranix/mail-password";
    WriteFile(password, "secret\n");
    chmod(password.c_str(), 0600);
    std::vector<std::string> argv = {CRASH_REPORTER, "--exe", m_dir + "/app/app", "--xml", m_dir + "/temp/app.xml",
                                     "--temp", m_dir + "/temp", "--to", "crash@example.com"};
    for (const char* word : {"--pid", "4242", "--signal", "11", "--code", "0xC0000005", "--address", "0x10",
                             "--operation", "0", "--dump-written", "0"})
        argv.push_back(word);
    const ChildResult r = RunChild(argv, {"TOOLBOX_CRASH_REPORT_ANSWER=send", "XDG_CONFIG_HOME=" + m_dir + "/config",
                                          "XDG_STATE_HOME=" + m_dir + "/state", "PATH=/nonexistent", "DISPLAY=",
                                          "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(WEXITSTATUS(r.status), 0) << r.out;
    ASSERT_EQ(server->Messages().size(), 1u) << r.out;
    EXPECT_NE(server->Messages()[0].find("filename=\"app.zip\""), std::string::npos);
    EXPECT_FALSE(Exists(m_dir + "/state/veltranix/crash-reports")) << "a delivered report is not kept";
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
