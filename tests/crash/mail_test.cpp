// Mail delivery: message layout, base64 lines, dot-stuffing, header injection, the
// SMTP dialogue against a real server on loopback and against broken servers, local
// submission and the desktop mail program.
#include "test_support.h"

#include <toolbox/crash/crash_report.h>
#include <toolbox/mail/mail.h>
#include "crash/crash_paths.h"
#include "tests/support/env.h"

using namespace crashtest;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

class MailTest : public ::testing::Test {
protected:
    tbtest::ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
};

}  // namespace

TEST(MailMessage, Base64MatchesTheStandardAlphabetAndPaddingDotStuffingLeadingDotsOnly) {
    auto b64 = [](const std::string& s) {
        return TBBase64Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    };
    EXPECT_EQ(b64(""), "");
    EXPECT_EQ(b64("f"), "Zg==");
    EXPECT_EQ(b64("fo"), "Zm8=");
    EXPECT_EQ(b64("foo"), "Zm9v");
    EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(b64("\xff\xfe\xfd"), "//79");
    // Dot-stuffing doubles leading dots only.
    EXPECT_EQ(TBDotStuff(".\r\nabc\r\n.x\r\na.b\r\n"), "..\r\nabc\r\n..x\r\na.b\r\n");
    EXPECT_EQ(TBDotStuff("no dots"), "no dots");
}

TEST(MailMessage, LayoutHeadersPartsClosingBoundaryAndNoInjectedHeaders) {
    TBMailMessage m;
    m.senderName = "Jane";
    m.to = "crash@example.com";
    m.subject = "Crash Report - app!";
    m.body = "line one\nline two";
    std::string text;
    CString error;
    ASSERT_TRUE(TBComposeMail(m, text, error));
    const size_t date = text.find("\r\nDate: ") + 2, dateEnd = text.find("\r\n", date);
    ASSERT_NE(dateEnd, std::string::npos) << text;
    const std::string dateLine = text.substr(date, dateEnd - date);
    EXPECT_TRUE(dateLine.find(" AM") != std::string::npos || dateLine.find(" PM") != std::string::npos) << dateLine;
    EXPECT_EQ(
        text.substr(0, date) + "Date: <now>" + text.substr(dateEnd),
        "From: Jane\r\nTo: crash@example.com\r\nSubject: Crash Report - app!\r\nDate: <now>\r\n"
        "MIME-Version: 1.0\r\nX-Mailer: Internet Mail Service\r\nContent-Type: multipart/mixed;\r\n"
        "\tboundary=\"_VELTRANIX_Crash_Report\"\r\n\r\n\r\n--_VELTRANIX_Crash_Report\r\nContent-Type: text/plain\r\n"
        "\r\nline one\r\nline two\r\n\r\nsent by: VELTRANIX - CrashReport\r\n\r\n--_VELTRANIX_Crash_Report--\r\n");

    m.senderAddress = "jane@example.org";
    m.body = "";
    ASSERT_TRUE(TBComposeMail(m, text, error));
    std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines[0], "From: Jane<jane@example.org>");
    EXPECT_EQ(lines[13], "sent by: VELTRANIX - CrashReport") << "an empty body leaves its lines out";

    // Line breaks in header values cannot add headers.
    m.senderName = "Eve\r\nBcc: victim@example.com";
    m.senderAddress = "";
    m.subject = "Hello\nX-Injected: yes";
    ASSERT_TRUE(TBComposeMail(m, text, error));
    for (const std::string& line : Lines(text)) {
        EXPECT_NE(line.rfind("Bcc:", 0), 0u) << line;
        EXPECT_NE(line.rfind("X-Injected:", 0), 0u) << line;
    }
    EXPECT_NE(text.find("Subject: Hello X-Injected: yes\r\n"), std::string::npos);
}

TEST_F(MailTest, AttachmentOf1000BytesGivesThreeBase64Lines) {
    std::string path = m_dir + "/report.zip";
    std::string data(1000, '\0');
    for (int i = 0; i < 1000; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>(i * 7);
    WriteFile(path, data);
    TBMailMessage m;
    m.to = "a@b";
    m.attachmentPath = path.c_str();
    std::string text;
    CString error;
    ASSERT_TRUE(TBComposeMail(m, text, error));
    std::vector<std::string> lines = Lines(text);
    auto blank = std::find(lines.begin(), lines.end(), "\tfilename=\"report.zip\"");
    ASSERT_NE(blank, lines.end()) << "the file name is the attachment's own when no name is given";
    EXPECT_NE(text.find("\tname=\"report.zip\""), std::string::npos);
    EXPECT_NE(text.find("Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"),
              std::string::npos);
    ASSERT_LT(blank + 4, lines.end());
    EXPECT_EQ(blank[1], "");
    EXPECT_EQ(blank[2].size(), 512u);
    EXPECT_EQ(blank[3].size(), 512u);
    EXPECT_EQ(blank[4].size(), 312u);
    EXPECT_EQ(blank[5], "--_VELTRANIX_Crash_Report--");

    m.attachmentPath = (m_dir + "/missing.zip").c_str();
    EXPECT_FALSE(TBComposeMail(m, text, error));
    EXPECT_NE(error.Find("missing.zip"), -1);
}

TEST_F(MailTest, SmtpDeliversToARealServerOnLoopback) {
    if (!SmtpServer::Available()) GTEST_SKIP() << "python3-aiosmtpd is not installed: no SMTP server to send to";
    SmtpServer server(m_dir + "/mail");
    ASSERT_TRUE(server.Running());
    std::string attachment = m_dir + "/data.bin";
    std::string data;
    for (int i = 0; i < 5000; ++i) data += static_cast<char>(i % 251);
    WriteFile(attachment, data);
    std::string body = "first line\n.\n.starts with a dot\nlast";
    int result = SmtpSendMail("127.0.0.1", static_cast<unsigned short>(server.Port()), "Jane", "jane@example.org",
                              "crash@example.com", "Crash Report - app!", body.c_str(), attachment.c_str(), "app.zip");
    EXPECT_EQ(result, 0);
    std::vector<std::string> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string m = messages[0];
    EXPECT_NE(m.find("X-MailFrom: jane@example.org"), std::string::npos) << m;
    EXPECT_NE(m.find("X-RcptTo: crash@example.com"), std::string::npos) << m;
    EXPECT_NE(m.find("From: Jane<jane@example.org>"), std::string::npos);
    EXPECT_NE(m.find("\nfirst line\n.\n.starts with a dot\nlast\n"), std::string::npos)
        << "the lone dot did not end the message";
    EXPECT_NE(m.find("sent by: VELTRANIX - CrashReport"), std::string::npos);
    EXPECT_NE(m.find("--_VELTRANIX_Crash_Report--"), std::string::npos);

    // The server's own MIME parser finds the attachment intact, under the name given.
    EXPECT_NE(m.find("filename=\"app.zip\""), std::string::npos);
    EXPECT_EQ(AttachmentOf(m, m_dir), data);

    // No sender address: an empty reverse path.
    ASSERT_EQ(SmtpSendMail("127.0.0.1", static_cast<unsigned short>(server.Port()), "Jane", "", "a@example.com", "s",
                           "", nullptr, nullptr),
              0);
    messages = server.Messages();
    ASSERT_EQ(messages.size(), 2u);
    const std::string& plain = messages[0].find("X-MailFrom: <>\n") != std::string::npos ? messages[0] : messages[1];
    EXPECT_NE(plain.find("X-MailFrom: <>\n"), std::string::npos) << plain;
    EXPECT_NE(plain.find("From: Jane\n"), std::string::npos) << plain;
}

TEST_F(MailTest, BrokenServersFailWithoutHanging) {
    TBMailMessage m;
    m.to = "a@example.com";
    m.subject = "s";
    m.body = "secret body";
    {
        FakeServer closing(FakeServer::CloseAtOnce);
        EXPECT_EQ(TBSmtpSendMessage("127.0.0.1", static_cast<unsigned short>(closing.Port()), m, 2000), 1);
    }
    {
        FakeServer silent(FakeServer::NeverAnswer);
        TBSmtpOptions o;
        o.server = "127.0.0.1";
        o.port = silent.Port();
        o.timeoutMilliseconds = 500;
        CString error;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(TBSmtpDeliver(o, m, error));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_NE(error.Find("timed out"), -1) << error.GetString();
        EXPECT_EQ(silent.Stop().find("secret body"), std::string::npos);
    }
    {
        FakeServer refusing(FakeServer::RefuseEverything);
        EXPECT_EQ(TBSmtpSendMessage("127.0.0.1", static_cast<unsigned short>(refusing.Port()), m, 2000), 1);
        std::string sent = refusing.Stop();
        EXPECT_NE(sent.find("EHLO "), std::string::npos) << sent;
        EXPECT_EQ(sent.find("DATA"), std::string::npos) << "a refused command ends the dialogue: " << sent;
        EXPECT_EQ(sent.find("secret body"), std::string::npos);
    }
    EXPECT_EQ(TBSmtpSendMessage("127.0.0.1", static_cast<unsigned short>(FreePort()), m, 2000), 1) << "nobody listens";
    EXPECT_EQ(SmtpSendMail("", 25, "", "", "a@b", "", "", nullptr, nullptr), 1) << "no server";
}

TEST_F(MailTest, LineBreaksInEnvelopeAddressesAreRefused) {
    FakeServer server(FakeServer::RefuseEverything);
    TBMailMessage m;
    m.to = "a@example.com>\r\nRCPT TO:<b@example.com";
    EXPECT_EQ(TBSmtpSendMessage("127.0.0.1", static_cast<unsigned short>(server.Port()), m, 1000), 1);
    m.to = "a@example.com";
    m.senderAddress = "x\ny";
    EXPECT_EQ(TBSmtpSendMessage("127.0.0.1", static_cast<unsigned short>(server.Port()), m, 1000), 1);
    EXPECT_EQ(server.Stop(), "") << "nothing was sent";
}

namespace {
// A stand-in for a submission program that records its arguments and input.
std::string FakeProgram(const std::string& dir, const std::string& name, int exitStatus) {
    std::string path = dir + "/" + name;
    WriteFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\ncat > \"$0.input\"\nexit " +
                        std::to_string(exitStatus) + "\n");
    chmod(path.c_str(), 0755);
    return path;
}
}  // namespace

TEST_F(MailTest, LocalSubmissionThroughSendmail) {
    std::string program = FakeProgram(m_dir, "sendmail", 0);
    CmcMailer mailer(program.c_str());
    ASSERT_TRUE(mailer.IsAvailable());
    TBMailMessage m;
    m.to = "crash@example.com";
    m.subject = "s";
    m.body = "a\n.\nb";
    EXPECT_EQ(mailer.Send(m), 0) << "no session yet";
    ASSERT_TRUE(mailer.Logon("", ""));
    EXPECT_EQ(mailer.Send(m), 1);
    mailer.Logoff();
    EXPECT_EQ(ReadFile(program + ".args"), "-t\n-i\n");
    std::string input = ReadFile(program + ".input");
    EXPECT_NE(input.find("To: crash@example.com\n"), std::string::npos) << input;
    EXPECT_NE(input.find("\na\n.\nb\n"), std::string::npos) << input;
    EXPECT_EQ(input.find('\r'), std::string::npos);

    CmcMailer failing(FakeProgram(m_dir, "failing", 1).c_str());
    ASSERT_TRUE(failing.Logon("", ""));
    EXPECT_EQ(failing.Send(m), 0);
    CmcMailer missing((m_dir + "/none").c_str());
    EXPECT_FALSE(missing.IsAvailable());
    EXPECT_FALSE(missing.Logon("", ""));
}

TEST_F(MailTest, ReportMailFallsBackToLocalSubmission) {
    std::string program = FakeProgram(m_dir, "sendmail", 0);
    std::string archive = m_dir + "/x.zip";
    WriteFile(archive, "PK not really");
    CrashReportHandler handler(nullptr, "crash@example.com", "");
    TBReportMailTarget target;
    target.server = "127.0.0.1";
    target.port = FreePort();
    target.programPath = "/opt/app.beta";
    target.sendmailProgram = program.c_str();
    target.timeoutMilliseconds = 1000;
    EXPECT_EQ(TBSendReportMail(handler, archive.c_str(), "user@example.org", "what happened", target), 1);
    std::string input = ReadFile(program + ".input");
    EXPECT_NE(input.find("Subject: Crash Report - app!\n"), std::string::npos) << input;
    EXPECT_NE(input.find("filename=\"app.zip\""), std::string::npos);
    EXPECT_NE(input.find("From: user@example.org\n"), std::string::npos);

    target.sendmailProgram = FakeProgram(m_dir, "failing", 1).c_str();
    EXPECT_EQ(TBSendReportMail(handler, archive.c_str(), "", "", target), 0);
    CrashReportHandler nobody(nullptr, "", "");
    EXPECT_EQ(TBSendReportMail(nobody, archive.c_str(), "", "", target), 0);
    EXPECT_EQ(SendReportMail(nullptr, archive.c_str(), "", ""), 0);
}

TEST_F(MailTest, FilesGoToTheDesktopMailProgram) {
    std::string bin = m_dir + "/bin";
    mkdir(bin.c_str(), 0755);
    // The mail program takes a copy of each attachment while it runs, as a real one reads it.
    const std::string program = bin + "/xdg-email";
    WriteFile(program,
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n"
              "while [ $# -gt 0 ]; do [ \"$1\" = --attach ] && cp \"$2\" \"$0.attached\"; shift; done\nexit 0\n");
    chmod(program.c_str(), 0755);
    std::string a = m_dir + "/a.txt", b = m_dir + "/b.txt";
    WriteFile(a, "alpha");
    WriteFile(b, "beta");
    tbtest::ScopedEnv path("PATH", bin + ":" + (getenv("PATH") ? getenv("PATH") : ""));
    tbtest::ScopedEnv temp("TEMP", m_dir);

    CStringArray files, names, to, cc, bcc;
    files.Add(a.c_str());
    files.Add(b.c_str());
    to.Add("x@example.com");
    cc.Add("y@example.com");
    bcc.Add("z@example.com");
    names.Add("Xavier");
    names.Add("");
    names.Add("Zoe\r\nBcc: evil@example.com");
    EXPECT_EQ(TBSendMailWithFiles("results", 1, &files, "Results\nX: y", &names, &to, &cc, &bcc), 1);
    // The caller's list is now the archive alone, in a directory of its own below TEMP.
    ASSERT_EQ(files.GetSize(), 1);
    const std::string archive = files[0].str();
    EXPECT_EQ(TBFileNameOf(archive.c_str()), "results.zip");
    EXPECT_EQ(archive.rfind(m_dir + "/", 0), 0u) << archive;
    EXPECT_EQ(
        ReadFile(program + ".args"),
        "--utf8\n--subject\nResults X: y\n--cc\ny@example.com\n--bcc\nZoe  Bcc: evil@example.com <z@example.com>\n"
        "--attach\n" +
            archive + "\nXavier <x@example.com>\n");
    const tbtest::RunResult unzip = tbtest::Shell("unzip -l '" + program + ".attached'");
    EXPECT_EQ(unzip.status, 0) << unzip.output;
    EXPECT_NE(unzip.output.find("a.txt"), std::string::npos);
    EXPECT_NE(unzip.output.find("b.txt"), std::string::npos);
    EXPECT_FALSE(Exists(archive)) << "the archive is deleted after sending";
    EXPECT_FALSE(Exists(TBDirectoryOf(archive.c_str()).str())) << "and its directory with it";

    CMapStringToString map;
    map.SetAt(a.c_str(), "first");
    EXPECT_EQ(TBSendMailWithFiles("", 0, &map, "Plain", nullptr, &to, nullptr, nullptr), 1);
    EXPECT_EQ(ReadFile(program + ".args"), "--utf8\n--subject\nPlain\n--attach\n" + a + "\nx@example.com\n");
    EXPECT_TRUE(Exists(a)) << "files sent as they are stay";

    FakeProgram(bin, "xdg-email", 3);
    CStringArray again;
    again.Add(b.c_str());
    EXPECT_EQ(TBSendMailWithFiles("again.zip", 0, &again, "s", nullptr, &to, nullptr, nullptr), 0);
    ASSERT_EQ(again.GetSize(), 1);
    EXPECT_EQ(TBFileNameOf(again[0]), "again.zip");
    EXPECT_FALSE(Exists(again[0].str())) << "an archive the mail program did not take is deleted";

    tbtest::ScopedEnv noPrograms("PATH", "/nonexistent");
    EXPECT_EQ(TBSendMailWithFiles("", 0, &files, "s", nullptr, &to, nullptr, nullptr), 0);
}
