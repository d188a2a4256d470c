// Real crashing processes: the handler writes the dump, the reporter program writes the
// XML report and packs both into an archive, which is kept, mailed or discarded.
#include "test_support.h"

#include <pugixml.hpp>

#include <algorithm>
#include <random>

using namespace crashtest;

namespace {

class CrashProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.empty());
        m_temp = m_dir + "/temp";
        m_state = m_dir + "/state";
        mkdir(m_temp.c_str(), 0700);
    }

    std::vector<std::string> Environment(const std::vector<std::string>& extra = {}) const {
        // No display: the reporter answers headless (its windows have tests of their own).
        std::vector<std::string> env = {"TEMP=" + m_temp,
                                        "XDG_STATE_HOME=" + m_state,
                                        std::string("TOOLBOX_CRASH_REPORTER=") + CRASH_REPORTER,
                                        "TOOLBOX_CRASH_REPORT_ANSWER=",
                                        "DISPLAY=",
                                        "WAYLAND_DISPLAY=",
                                        "QT_QPA_PLATFORM="};
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    ChildResult Crash(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
                      const std::string& host = CRASH_HOST) {
        std::vector<std::string> argv = {host};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunChild(argv, Environment(extraEnv));
    }

    std::string KeptDir() const { return m_state + "/veltranix/crash-reports"; }

    // The one archive kept in the state directory, unpacked into dir/unpacked.
    std::string UnpackKept() {
        std::vector<std::string> kept = ListDir(KeptDir());
        EXPECT_EQ(kept.size(), 1u);
        if (kept.size() != 1) return "";
        std::string archive = KeptDir() + "/" + kept[0];
        const tbtest::RunResult test = tbtest::Shell("unzip -t '" + archive + "'");
        EXPECT_EQ(test.status, 0) << test.output;
        std::string out = m_dir + "/unpacked";
        tbtest::Shell("rm -rf '" + out + "' && mkdir -p '" + out + "' && unzip -q '" + archive + "' -d '" + out + "'");
        return out;
    }

    /// A copy of the crash host named name in m_dir/app, with Register.cfg beside it.
    std::string InstallHost(const std::string& name, const std::string& registerCfg) {
        const std::string app = m_dir + "/app/" + name;
        tbtest::Shell("mkdir -p '" + m_dir + "/app' && cp '" + CRASH_HOST + "' '" + app + "'");
        WriteFile(m_dir + "/app/Register.cfg", registerCfg);
        return app;
    }

    tbtest::ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path(), m_temp, m_state;
    // Crash files go to the user's directory in the temporary directory, one per process.
    std::string UserDir() const { return m_temp + "/veltranix-" + std::to_string(geteuid()); }
    std::string ProcessDir(const ChildResult& r) const { return UserDir() + "/" + std::to_string(r.pid); }
    // Nothing left but, when the process never reported, the user's empty directory.
    bool TempIsClean() const {
        const std::vector<std::string> left = ListDir(m_temp);
        return left.empty() ||
               (left.size() == 1 && "/" + left[0] == UserDir().substr(m_temp.size()) && ListDir(UserDir()).empty());
    }
};

/// lldb's answer to command on the dump in unpacked; empty without lldb.
std::string Lldb(const std::string& unpacked, const std::string& command) {
    if (!tbtest::HaveProgram("lldb")) return "";
    return tbtest::Shell("lldb -b --core '" + unpacked + "/crash_host.dmp' -o '" + command + "'").output;
}

pugi::xml_node Record(const pugi::xml_document& doc) { return doc.child("Exception").child("ExceptionRecord"); }

struct CrashKind {
    const char* mode;
    int signal;
    const char* code;
    const char* description;
    const char* function;
};

const CrashKind kKinds[] = {
    {"null", SIGSEGV, "0xc0000005", "EXCEPTION_ACCESS_VIOLATION", "CrashHostNullPointerWrite"},
    {"divzero", SIGFPE, "0xc0000094", "EXCEPTION_INT_DIVIDE_BY_ZERO", "CrashHostDivideByZero"},
    {"illegal", SIGILL, "0xc000001d", "EXCEPTION_ILLEGAL_INSTRUCTION", "CrashHostIllegalInstruction"},
    {"abort", SIGABRT, "0x40000015", "EXCEPTION_UNKNOWN", "CrashHostAbort"},
};

/// The report's parts in their order: the program, the machine, the system and the modules.
void ExpectMachineSystemAndModules(const pugi::xml_document& doc) {
    pugi::xml_node root = doc.child("Exception");
    ASSERT_TRUE(root);
    // The children in their order.
    std::vector<std::string> names;
    for (pugi::xml_node child : root.children()) names.push_back(child.name());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Application", "ExceptionRecord", "Processor", "OperatingSystem", "Modules"}));
    std::string host = CRASH_HOST;
    EXPECT_EQ(root.child("Application").attribute("Path").value(), host.substr(0, host.rfind('/')));
    // No Register.cfg beside the program: an empty product version.
    EXPECT_TRUE(root.child("Application").attribute("ProductVersion"));
    EXPECT_STREQ(root.child("Application").attribute("ProductVersion").value(), "");
#if defined(__x86_64__)
    EXPECT_STREQ(root.child("Processor").attribute("Architecture").value(), "PROCESSOR_ARCHITECTURE_AMD64");
#elif defined(__aarch64__)
    EXPECT_STREQ(root.child("Processor").attribute("Architecture").value(), "PROCESSOR_ARCHITECTURE_ARM64");
#endif
    EXPECT_EQ(root.child("Processor").attribute("NumberOfProcessors").as_int(),
              static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_STRNE(root.child("OperatingSystem").attribute("OS").value(), "");
    EXPECT_TRUE(root.child("OperatingSystem").attribute("CSDVersion"));
    int modules = 0;
    bool sawHost = false, sawCore = false;
    for (pugi::xml_node m : root.child("Modules").children("Module")) {
        ++modules;
        std::string path = m.attribute("FullPath").value();
        sawHost |= path == host;
        sawCore |= path.find("libtoolbox-core.so") != std::string::npos;
        EXPECT_EQ(std::string(m.attribute("BaseAddress").value()).rfind("0x", 0), 0u);
        EXPECT_GE(std::strlen(m.attribute("BaseAddress").value()), 10u);
        EXPECT_EQ(std::strlen(m.attribute("TimeStamp").value()), 19u) << path;
        EXPECT_NE(std::string(m.attribute("FileVersion").value()).find('.'), std::string::npos);
    }
    EXPECT_GT(modules, 2);
    EXPECT_TRUE(sawHost);
    EXPECT_TRUE(sawCore);
}

}  // namespace

// The access violation runs with a display that does not answer: the window system would
// end the reporter there, so it goes on headless and keeps the report as without one.
TEST_F(CrashProcess, EachKindOfCrashLeavesADumpAndAReportThatOutsideToolsRead) {
    for (const CrashKind& kind : kKinds) {
        SCOPED_TRACE(kind.mode);
        tbtest::Shell("rm -rf '" + m_state + "'");
        const bool accessViolation = std::string(kind.mode) == "null";
        ChildResult r = Crash({kind.mode}, {accessViolation ? "DISPLAY=:97" : "DISPLAY="});
        ASSERT_FALSE(r.timedOut);
        ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
        EXPECT_EQ(WTERMSIG(r.status), kind.signal);
        EXPECT_NE(r.out.find("Crash report kept in " + KeptDir()), std::string::npos) << r.out;
        // The temporary files are gone; the archive is kept.
        EXPECT_TRUE(TempIsClean()) << tbtest::Shell("find '" + m_temp + "'").output;
        std::string unpacked = UnpackKept();
        ASSERT_TRUE(Exists(unpacked + "/crash_host.dmp"));
        ASSERT_TRUE(Exists(unpacked + "/crash_host.xml"));

        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file((unpacked + "/crash_host.xml").c_str()));
        pugi::xml_node record = Record(doc);
        EXPECT_STREQ(record.attribute("ModuleName").value(), CRASH_HOST);
        EXPECT_STREQ(record.attribute("ExceptionCode").value(), kind.code);
        EXPECT_STREQ(record.attribute("ExceptionDescription").value(), kind.description);
        EXPECT_EQ(std::string(record.attribute("ExceptionAddress").value()).rfind("0x", 0), 0u);
        EXPECT_STREQ(record.attribute("ExceptionOperation").value(),
                     accessViolation ? "write inaccessible data" : "read inaccessible data");
        if (accessViolation) ExpectMachineSystemAndModules(doc);

        std::string dump = ReadFile(unpacked + "/crash_host.dmp");
        ASSERT_GE(dump.size(), 32u);
        EXPECT_EQ(dump.substr(0, 4), "MDMP");
        const std::string bt = Lldb(unpacked, "bt");
        if (bt.empty()) continue;  // lldb is not installed
        EXPECT_NE(bt.find("stop reason = signal"), std::string::npos) << bt;
        EXPECT_NE(bt.find(kind.function), std::string::npos) << bt;
        EXPECT_NE(bt.find("main"), std::string::npos) << bt;
    }
}

TEST_F(CrashProcess, StackOverflowIsReportedFromTheAlternateStack) {
    ChildResult r = Crash({"overflow"});
    ASSERT_FALSE(r.timedOut);
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
    std::string unpacked = UnpackKept();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((unpacked + "/crash_host.xml").c_str()));
    EXPECT_STREQ(Record(doc).attribute("ExceptionDescription").value(), "EXCEPTION_STACK_OVERFLOW");
    const std::string bt = Lldb(unpacked, "bt 3");
    if (!bt.empty()) {
        EXPECT_NE(bt.find("CrashHostRecurse"), std::string::npos) << bt;
    }
}

// The host's files go into the archive; one missing when it was added or gone before
// the crash is left out.
TEST_F(CrashProcess, BaseNameStopsAtFirstDotSettingsComeFromProgramFolderAndHostFilesArePacked) {
    const std::string app = InstallHost("app.beta.exe", "[General]\r\nProductVersion = 7.1.2\r\n");
    const std::string own = m_dir + "/session.log", gone = m_dir + "/gone.txt";
    WriteFile(own, "the host's own log\n");
    WriteFile(gone, "soon deleted");
    ChildResult r = Crash({"null", "--file", own, "Session log", "--file", m_dir + "/missing.txt", "Missing", "--file",
                           gone, "Gone", "--remove", gone},
                          {}, app);
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    std::string unpacked = UnpackKept();
    std::vector<std::string> files = ListDir(unpacked);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"app.dmp", "app.xml", "session.log"}));
    EXPECT_EQ(ReadFile(unpacked + "/session.log"), "the host's own log\n");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((unpacked + "/app.xml").c_str()));
    EXPECT_EQ(std::string(doc.child("Exception").child("Application").attribute("Path").value()), m_dir + "/app");
    EXPECT_STREQ(doc.child("Exception").child("Application").attribute("ProductVersion").value(), "7.1.2");
    EXPECT_TRUE(Exists(own)) << "the host's own files are not deleted";
}

// Crashes that end without a kept report and without work files left behind.
TEST_F(CrashProcess, NoReportWhenTheCallbackDeniesOrCrashesTheUserDeclinesOrTheHandlerIsGone) {
    struct Case {
        const char* mode;
        std::vector<std::string> environment;
        const char* output;
    } cases[] = {
        {"callback-deny", {}, ""},
        {"callback-crash", {}, "Fatal error !"},
        {"null", {"TOOLBOX_CRASH_REPORT_ANSWER=discard"}, ""},
        {"uninstalled", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ChildResult r = Crash({c.mode}, c.environment);
        ASSERT_FALSE(r.timedOut);
        // Without the handler the one before it takes the crash again: the default action,
        // or the memory checker's own handler in instrumented builds.
        if (std::string(c.mode) == "uninstalled" && !WIFSIGNALED(r.status))
            EXPECT_NE(r.out.find("AddressSanitizer: SEGV"), std::string::npos) << r.out;
        else
            EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGSEGV) << r.out;
        EXPECT_NE(r.out.find(c.output), std::string::npos) << r.out;
        // The user's crash directory may stay, empty of files.
        EXPECT_EQ(tbtest::Shell("find '" + m_temp + "' -type f").output, "") << "no dump, no XML";
        EXPECT_TRUE(ListDir(KeptDir()).empty());
    }
    ChildResult allowed = Crash({"callback-allow"});
    ASSERT_TRUE(WIFSIGNALED(allowed.status));
    EXPECT_NE(allowed.out.find("callback called with a handler"), std::string::npos) << allowed.out;
    EXPECT_EQ(ListDir(KeptDir()).size(), 1u);
}

TEST_F(CrashProcess, TwoThreadsCrashingGiveOneReport) {
    for (int round = 0; round < 3; ++round) {
        tbtest::Shell("rm -rf '" + m_state + "'");
        ChildResult r = Crash({"two-threads"});
        ASSERT_FALSE(r.timedOut);
        ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
        EXPECT_EQ(ListDir(KeptDir()).size(), 1u) << r.out;
    }
}

TEST_F(CrashProcess, GenerateCrashReportReportsAndTheProgramGoesOn) {
    ChildResult r = Crash({"generate"});
    ASSERT_TRUE(WIFEXITED(r.status)) << r.out;
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_NE(r.out.find("still running"), std::string::npos);
    std::string unpacked = UnpackKept();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((unpacked + "/crash_host.xml").c_str()));
    EXPECT_STREQ(Record(doc).attribute("ExceptionCode").value(), "0");
    const std::string bt = Lldb(unpacked, "bt");
    if (!bt.empty()) {
        EXPECT_NE(bt.find("GenerateCrashReport"), std::string::npos) << bt;
        EXPECT_NE(bt.find("main"), std::string::npos) << bt;
    }
}

TEST_F(CrashProcess, UnwritableTempDirectoryStillKeepsAReport) {
    m_temp = m_dir + "/does/not/exist";
    ChildResult r = Crash({"null"});
    ASSERT_FALSE(r.timedOut);
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    std::string unpacked = UnpackKept();
    EXPECT_TRUE(Exists(unpacked + "/crash_host.xml"));
    EXPECT_FALSE(Exists(unpacked + "/crash_host.dmp"));
    EXPECT_EQ(ListDir(KeptDir()).size(), 1u) << "work files in the state directory are cleaned up";
}

TEST_F(CrashProcess, MissingReporterLeavesTheDumpAndSaysWhere) {
    ChildResult r = Crash({"null"}, {"TOOLBOX_CRASH_REPORTER=" + m_dir + "/no-reporter"});
    ASSERT_TRUE(WIFSIGNALED(r.status));
    EXPECT_NE(r.out.find("Fatal error !"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Memory dump: " + ProcessDir(r) + "/crash_host.dmp"), std::string::npos) << r.out;
    EXPECT_TRUE(Exists(ProcessDir(r) + "/crash_host.dmp"));

    // A reporter that is there but cannot be run.
    std::string broken = m_dir + "/broken-reporter";
    WriteFile(broken, "#!/nonexistent/interpreter\n");
    chmod(broken.c_str(), 0755);
    r = Crash({"null"}, {"TOOLBOX_CRASH_REPORTER=" + broken});
    ASSERT_TRUE(WIFSIGNALED(r.status));
    EXPECT_NE(r.out.find("Memory dump: " + ProcessDir(r) + "/crash_host.dmp"), std::string::npos) << r.out;
}

TEST_F(CrashProcess, ConfirmedReportIsMailedToTheReportServer) {
    if (!SmtpServer::Available()) GTEST_SKIP() << "python3-aiosmtpd is not installed: no SMTP server to send to";
    SmtpServer server(m_dir + "/mail");
    ASSERT_TRUE(server.Running());
    const std::string app =
        InstallHost("app", "[CrashReport]\nMailServer=127.0.0.1\nMailPort=" + std::to_string(server.Port()) + "\n");
    ChildResult r = Crash({"null", "--to", "crash@example.com"},
                          {"TOOLBOX_CRASH_REPORT_ANSWER=send", "TOOLBOX_CRASH_REPORT_SENDER=user@example.org",
                           "TOOLBOX_CRASH_REPORT_DESCRIPTION=I pressed Run.\n.\nThen it crashed."},
                          app);
    ASSERT_TRUE(WIFSIGNALED(r.status)) << r.out;
    std::vector<std::string> messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u) << r.out;
    const std::string& m = messages[0];
    EXPECT_NE(m.find("X-RcptTo: crash@example.com"), std::string::npos) << m;
    EXPECT_NE(m.find("Subject: Crash Report - app!"), std::string::npos) << m;
    EXPECT_NE(m.find("From: user@example.org"), std::string::npos) << m;
    EXPECT_NE(m.find("I pressed Run.\n.\nThen it crashed."), std::string::npos) << m;
    EXPECT_NE(m.find("filename=\"app.zip\""), std::string::npos) << m;
    // Delivered: nothing kept, nothing left in the temporary directory.
    EXPECT_TRUE(ListDir(KeptDir()).empty());
    EXPECT_TRUE(TempIsClean()) << tbtest::Shell("find '" + m_temp + "'").output;

    // The attachment is the archive: decode it and let unzip test it.
    const std::string zip = m_dir + "/attached.zip";
    WriteFile(zip, AttachmentOf(m, m_dir));
    const tbtest::RunResult unzip = tbtest::Shell("unzip -l '" + zip + "'");
    const std::string& listing = unzip.output;
    EXPECT_EQ(unzip.status, 0) << listing;
    EXPECT_NE(listing.find("app.dmp"), std::string::npos) << listing;
    EXPECT_NE(listing.find("app.xml"), std::string::npos) << listing;
}

TEST_F(CrashProcess, ReportThatCannotBeSentIsKept) {
    const int port = FreePort();  // nothing listens there
    const std::string app =
        InstallHost("app", "[CrashReport]\nMailServer=127.0.0.1\nMailPort=" + std::to_string(port) + "\n");
    ChildResult r =
        Crash({"null", "--to", "crash@example.com"}, {"TOOLBOX_CRASH_REPORT_ANSWER=send", "PATH=/nonexistent"}, app);
    ASSERT_FALSE(r.timedOut);
    ASSERT_TRUE(WIFSIGNALED(r.status));
    EXPECT_EQ(ListDir(KeptDir()).size(), 1u) << r.out;
}

// Files may grow to 128 KiB only (a full disk for the archive of a 256 KiB dump): the
// archive cannot be written, so the dump and the XML report themselves are kept.
TEST_F(CrashProcess, ReportThatCannotBePackedKeepsItsDumpAndXmlAndSaysWhere) {
    const std::string dump = m_temp + "/app.dmp";
    std::string noise(256 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    WriteFile(dump, noise);
    const std::string reporter = std::string("trap '' XFSZ; ulimit -f 256; exec '") + CRASH_REPORTER + "' --exe '" +
                                 m_dir + "/app' --dump '" + dump + "' --dump-written 1 --xml '" + m_temp +
                                 "/app.xml' --temp '" + m_temp + "' --pid 4242 --signal 11 --code 0xC0000005";
    ChildResult r = RunChild({"/bin/sh", "-c", reporter}, Environment());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(WEXITSTATUS(r.status), 0) << r.out;
    std::vector<std::string> kept = ListDir(KeptDir());
    std::sort(kept.begin(), kept.end());
    ASSERT_EQ(kept.size(), 2u) << r.out;
    EXPECT_EQ(ReadFile(KeptDir() + "/" + kept[0]), noise);
    EXPECT_NE(ReadFile(KeptDir() + "/" + kept[1]).find("<Exception"), std::string::npos);
    EXPECT_NE(r.out.find("Crash report kept in " + KeptDir() + "/" + kept[0] + " and " + KeptDir() + "/" + kept[1]),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(TempIsClean()) << tbtest::Shell("find '" + m_temp + "'").output;
}
