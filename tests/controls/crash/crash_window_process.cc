// A crashing child process whose reporter shows the crash report dialog (offscreen);
// the reporter driver answers it as a user: what was typed is mailed to a local SMTP
// server, and "Don't Send" mails and keeps nothing.
#include "tests/crash/test_support.h"

using namespace crashtest;

namespace {

class CrashWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.empty());
        mkdir((m_dir + "/temp").c_str(), 0700);
        tbtest::Shell("mkdir -p '" + m_dir + "/app' '" + m_dir + "/share/applications' && cp '" CRASH_HOST "' '" +
                      m_dir + "/app/app'");
        WriteFile(m_dir + "/share/applications/app.desktop",
                  "[Desktop Entry]\nType=Application\nName=Circuit Simulator\nExec=" + m_dir + "/app/app %F\n");
    }

    ChildResult Crash(const std::string& action, int port) {
        WriteFile(m_dir + "/app/Register.cfg",
                  "[CrashReport]\nMailServer=127.0.0.1\nMailPort=" + std::to_string(port) + "\n");
        return RunChild({m_dir + "/app/app", "null", "--to", "crash@example.com"},
                        {"TEMP=" + m_dir + "/temp", "XDG_STATE_HOME=" + m_dir + "/state",
                         "XDG_DATA_HOME=" + m_dir + "/share", "TOOLBOX_CRASH_REPORTER=" CRASH_REPORTER_DRIVER,
                         "TOOLBOX_CRASH_REPORT_ANSWER=", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=offscreen",
                         "CRASH_DRIVER_ACTION=" + action, "CRASH_DRIVER_SENDER=user@example.org",
                         "CRASH_DRIVER_TEXT=I pressed Run.\nThen it crashed.", "CRASH_DRIVER_LOG=" + Log()},
                        60);
    }
    std::string Log() const { return m_dir + "/driver.log"; }
    /// The driver's notes: the dialog was shown with the program's name, nothing else.
    std::string CheckedLog() const {
        const std::string log = ReadFile(Log());
        EXPECT_NE(log.find("title: Circuit Simulator\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("unexpected"), std::string::npos) << log;
        return log;
    }
    std::string KeptDir() const { return m_dir + "/state/veltranix/crash-reports"; }
    // Nothing left in the temporary directory but the user's empty crash folder.
    std::string TempLeft() const { return tbtest::Shell("find '" + m_dir + "/temp' -type f").output; }

    tbtest::ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
};

}  // namespace

TEST_F(CrashWindow, WhatTheUserTypesIsMailedWithTheReport) {
    if (!SmtpServer::Available()) GTEST_SKIP() << "python3-aiosmtpd is not installed: no SMTP server to send to";
    SmtpServer server(m_dir + "/mail");
    ASSERT_TRUE(server.Running());
    const ChildResult r = Crash("send", server.Port());
    ASSERT_FALSE(r.timedOut) << r.out << ReadFile(Log());
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    const std::string log = CheckedLog();
    EXPECT_NE(log.find("Circuit Simulator has encountered a problem and needs to close."), std::string::npos) << log;

    const std::vector<std::string> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u) << r.out << log;
    const std::string& m = messages[0];
    EXPECT_NE(m.find("From: user@example.org"), std::string::npos) << m;
    EXPECT_NE(m.find("I pressed Run.\nThen it crashed."), std::string::npos) << m;
    EXPECT_NE(m.find("filename=\"app.zip\""), std::string::npos) << m;
    EXPECT_TRUE(ListDir(KeptDir()).empty()) << "a delivered report is not kept";
    EXPECT_EQ(TempLeft(), "");
}

TEST_F(CrashWindow, DontSendMailsAndKeepsNothing) {
    const bool haveServer = SmtpServer::Available();
    std::unique_ptr<SmtpServer> server;
    if (haveServer) server = std::make_unique<SmtpServer>(m_dir + "/mail");
    const ChildResult r = Crash("dontsend", haveServer ? server->Port() : FreePort());
    ASSERT_FALSE(r.timedOut) << r.out << ReadFile(Log());
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    const std::string log = CheckedLog();
    // The details showed the report's files before the user declined.
    EXPECT_NE(log.find("file: app.dmp | Crash Dump\n"), std::string::npos) << log;
    EXPECT_NE(log.find("file: app.xml | Crash Log\n"), std::string::npos) << log;
    if (server) {
        EXPECT_TRUE(server->Messages().empty());
    }
    EXPECT_TRUE(ListDir(KeptDir()).empty()) << "a declined report is not kept";
    EXPECT_EQ(TempLeft(), "");
}
