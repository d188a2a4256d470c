// The crash handler's parts in-process: names and codes, signal translation, the
// memory-map and settings readers, the dump's structure, install and uninstall.
#include "test_support.h"

#include "crash/crash_paths.h"
#include <toolbox/crash/crash_report.h>
#include "crash/crash_report_xml.h"
#include "crash/crash_settings.h"
#include "crash/minidump_writer.h"
#include "crash/proc_maps.h"
#include <toolbox/mail/mail.h>

#include <memory>
#include <ucontext.h>

using namespace crashtest;

TEST(CrashNames, BaseNameOfTheProgram) {
    EXPECT_EQ(TBCrashBaseName("/opt/veltranix/app.beta.exe"), "app");
    EXPECT_EQ(TBCrashBaseName("simulator"), "simulator");
    EXPECT_EQ(TBCrashBaseName("/a.b/c"), "c");
    EXPECT_EQ(TBCrashBaseName(""), "");
    EXPECT_EQ(TBCrashBaseName(nullptr), "");
}

TEST(CrashNames, CrashFilesGoToADirectoryOfThisUserAndProcess) {
    tbtest::ScratchDir temp;
    const std::string oldTemp = getenv("TEMP") ? getenv("TEMP") : "";
    setenv("TEMP", temp.Path().c_str(), 1);
    // Someone planted a link where the user's directory would be.
    const std::string expected = temp.Path() + "/veltranix-" + std::to_string(geteuid());
    const std::string elsewhere = temp.File("elsewhere");
    mkdir(elsewhere.c_str(), 0777);
    ASSERT_EQ(symlink(elsewhere.c_str(), expected.c_str()), 0);
    const std::string dir = TBCrashProcessDirectory().str();
    oldTemp.empty() ? unsetenv("TEMP") : setenv("TEMP", oldTemp.c_str(), 1);
    struct stat status;
    ASSERT_EQ(lstat(dir.c_str(), &status), 0) << dir;
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_uid, geteuid());
    EXPECT_EQ(status.st_mode & 077, 0u);
    EXPECT_EQ(dir.rfind(expected + "/", 0), std::string::npos) << "the planted link was followed: " << dir;
    EXPECT_EQ(TBFileNameOf(dir.c_str()).str(), std::to_string(getpid()));

    // A link planted at the file's name is replaced, never written through.
    const std::string victim = temp.File("victim"), dump = dir + "/x.dmp";
    tbtest::WriteFile(victim, "keep");
    ASSERT_EQ(symlink(victim.c_str(), dump.c_str()), 0);
    const int fd = TBCreateCrashFile(dump.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "dump", 4), 4);
    close(fd);
    EXPECT_EQ(tbtest::ReadFile(victim), "keep");
    EXPECT_EQ(tbtest::ReadFile(dump), "dump");
}

TEST(CrashNames, ExceptionCodeNames) {
    EXPECT_EQ(TBExceptionName(0xC0000005), "EXCEPTION_ACCESS_VIOLATION");
    EXPECT_EQ(TBExceptionName(0xC0000094), "EXCEPTION_INT_DIVIDE_BY_ZERO");
    EXPECT_EQ(TBExceptionName(0xC00000FD), "EXCEPTION_STACK_OVERFLOW");
    EXPECT_EQ(TBExceptionName(0x80000003), "EXCEPTION_BREAKPOINT");
    EXPECT_EQ(TBExceptionName(0xC0000008), "EXCEPTION_INVALID_HANDLE");
    EXPECT_EQ(TBExceptionName(0xE06D7363), "EXCEPTION_UNKNOWN");
    EXPECT_EQ(TBExceptionName(0), "EXCEPTION_UNKNOWN");
}

TEST(CrashNames, ArchitectureAndModuleVersions) {
    EXPECT_EQ(TBProcessorArchitectureName("x86_64"), "PROCESSOR_ARCHITECTURE_AMD64");
    EXPECT_EQ(TBProcessorArchitectureName("aarch64"), "PROCESSOR_ARCHITECTURE_ARM64");
    EXPECT_EQ(TBProcessorArchitectureName("i686"), "PROCESSOR_ARCHITECTURE_INTEL");
    EXPECT_EQ(TBProcessorArchitectureName("armv7l"), "PROCESSOR_ARCHITECTURE_ARM");
    EXPECT_EQ(TBProcessorArchitectureName("riscv64"), "PROCESSOR_ARCHITECTURE_UNKNOWN");
    EXPECT_EQ(TBModuleFileVersion("/usr/lib/libz.so.1.2.13"), "1.2.13.0");
    EXPECT_EQ(TBModuleFileVersion("/usr/lib/libc.so.6"), "6.0.0.0");
    EXPECT_EQ(TBModuleFileVersion("/usr/bin/app"), "0.0.0.0");
    EXPECT_EQ(TBModuleFileVersion("/x/libq.so.99999999999999999999.1"), "999999999.1.0.0");
}

TEST(CrashSignals, AccessViolationKnowsReadWriteAndAddress) {
    siginfo_t info{};
    info.si_signo = SIGSEGV;
    info.si_code = SEGV_MAPERR;
    info.si_addr = reinterpret_cast<void*>(0x10);
    ucontext_t uc{};
#if defined(__x86_64__)
    uc.uc_mcontext.gregs[REG_RIP] = 0x401000;
    uc.uc_mcontext.gregs[REG_RSP] = 0x7ffff0000000;
    uc.uc_mcontext.gregs[REG_ERR] = 6;  // user-mode write
#endif
    EXCEPTION_RECORD r;
    TBExceptionFromSignal(SIGSEGV, &info, &uc, r);
    EXPECT_EQ(r.ExceptionCode, 0xC0000005u);
    ASSERT_EQ(r.NumberParameters, 2u);
    EXPECT_EQ(r.ExceptionInformation[1], 0x10u);
#if defined(__x86_64__)
    EXPECT_EQ(r.ExceptionInformation[0], 1u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(r.ExceptionAddress), 0x401000u);
    uc.uc_mcontext.gregs[REG_ERR] = 4;  // read
    TBExceptionFromSignal(SIGSEGV, &info, &uc, r);
    EXPECT_EQ(r.ExceptionInformation[0], 0u);
    // A fault just below the stack pointer: the stack ran out.
    info.si_addr = reinterpret_cast<void*>(0x7ffff0000000 - 64);
    TBExceptionFromSignal(SIGSEGV, &info, &uc, r);
    EXPECT_EQ(r.ExceptionCode, 0xC00000FDu);
#endif
}

TEST(CrashSignals, OtherSignalsMapToTheirCodes) {
    struct Case {
        int signal, code;
        DWORD expected;
    } cases[] = {
        {SIGFPE, FPE_INTDIV, 0xC0000094}, {SIGFPE, FPE_INTOVF, 0xC0000095},  {SIGFPE, FPE_FLTDIV, 0xC000008E},
        {SIGFPE, FPE_FLTOVF, 0xC0000091}, {SIGFPE, FPE_FLTUND, 0xC0000093},  {SIGFPE, FPE_FLTINV, 0xC0000090},
        {SIGILL, ILL_ILLOPN, 0xC000001D}, {SIGILL, ILL_PRVOPC, 0xC0000096},  {SIGBUS, BUS_ADRALN, 0x80000002},
        {SIGBUS, BUS_ADRERR, 0xC0000006}, {SIGTRAP, TRAP_BRKPT, 0x80000003}, {SIGABRT, SI_TKILL, 0x40000015},
    };
    for (const Case& c : cases) {
        siginfo_t info{};
        info.si_signo = c.signal;
        info.si_code = c.code;
        EXCEPTION_RECORD r;
        TBExceptionFromSignal(c.signal, &info, nullptr, r);
        EXPECT_EQ(r.ExceptionCode, c.expected) << c.signal << "/" << c.code;
    }
    // A fault signal sent by kill() carries no fault: no access information.
    siginfo_t sent{};
    sent.si_code = SI_USER;
    EXCEPTION_RECORD r;
    TBExceptionFromSignal(SIGSEGV, &sent, nullptr, r);
    EXPECT_EQ(r.NumberParameters, 0u);
}

TEST(ProcMaps, ParsesLinesAndGroupsModules) {
    std::string text =
        "55d0c0000000-55d0c0001000 r--p 00000000 08:01 123 /opt/app/my program\n"
        "55d0c0001000-55d0c0003000 r-xp 00001000 08:01 123 /opt/app/my program\n"
        "55d0c0003000-55d0c0004000 rw-p 00003000 08:01 123 /opt/app/my program\n"
        "garbage line\n"
        "7f0000000000-7f0000021000 rw-p 00000000 00:00 0 \n"
        "7f1000000000-7f1000010000 r-xp 00002000 08:01 9 /usr/lib/libtail.so\n"
        "7f2000000000-7f2000001000 r--p 00000000 08:01 7 /usr/lib/libz.so.1 (deleted)\n"
        "7ffd00000000-7ffd00021000 rw-p 00000000 00:00 0 [stack]\n"
        "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0";
    TBMapping maps[16];
    int n = TBParseMaps(text.data(), text.size(), maps, 16);
    ASSERT_EQ(n, 8) << "the garbage line is skipped";
    EXPECT_EQ(maps[0].start, 0x55d0c0000000u);
    EXPECT_TRUE(maps[1].executable);
    EXPECT_TRUE(maps[2].writable);
    EXPECT_EQ(maps[1].offset, 0x1000u);
    EXPECT_EQ(text.substr(maps[0].pathOffset, maps[0].pathLength), "/opt/app/my program");
    EXPECT_EQ(maps[3].pathLength, 0u);
    EXPECT_TRUE(maps[6].readable);
    EXPECT_FALSE(maps[7].readable);
    EXPECT_EQ(maps[7].end, 0xffffffffff601000u) << "the last line needs no newline";
    TBModuleRange modules[8];
    int m = TBModulesFromMappings(text.data(), maps, n, modules, 8);
    ASSERT_EQ(m, 2) << "a file seen only past offset 0 and anonymous memory are no modules";
    EXPECT_EQ(modules[0].base, 0x55d0c0000000u);
    EXPECT_EQ(modules[0].end, 0x55d0c0004000u);
    EXPECT_EQ(text.substr(modules[1].pathOffset, modules[1].pathLength), "/usr/lib/libz.so.1 (deleted)");
    EXPECT_EQ(TBParseMaps(text.data(), text.size(), maps, 2), 2) << "capacity is respected";
    EXPECT_EQ(TBModulesFromMappings(text.data(), maps, n, modules, 1), 1);
    const char* bad[] = {"1-",
                         "-1",
                         "zz-1 r-xp 0 0 0",
                         "10-5 r-xp 0 08:01 1 /x",
                         "1-2 r",
                         "1-2 r-xp 0",
                         "11111111111111111-2 r-xp 0 0 0 /x"};
    for (const char* line : bad) EXPECT_EQ(TBParseMaps(line, std::strlen(line), maps, 16), 0) << line;
}

namespace {
/// The settings of a fresh directory, with Register.cfg holding text unless it is null.
/// Every read gets its own directory: the profile cache keeps a file it has read.
TBCrashSettings SettingsFrom(const char* registerCfg) {
    tbtest::ScratchDir dir;
    if (registerCfg) WriteFile(dir / "Register.cfg", registerCfg);
    return TBReadCrashSettings(dir.Path().c_str());
}
}  // namespace

TEST(CrashSettings, RegisterCfgValuesAndDefaults) {
    TBCrashSettings none = SettingsFrom(nullptr);
    EXPECT_EQ(none.productVersion, "");
    EXPECT_EQ(none.mailServer, TB_DEFAULT_REPORT_MAIL_SERVER);
    EXPECT_EQ(none.mailPort, 25);

    TBCrashSettings read = SettingsFrom(
        "; comment\r\n[General]\r\n ProductVersion = 8.0.1 \r\n"
        "[CrashReport]\nMailServer=mail.example.com\nMailPort=2525\nMailSecurity=STARTTLS\n"
        "MailUser=jane\nMailCaFile=/etc/ca.pem\n");
    EXPECT_EQ(read.productVersion, "8.0.1");
    EXPECT_EQ(read.mailServer, "mail.example.com");
    EXPECT_EQ(read.mailPort, 2525);
    EXPECT_EQ(read.mailUser, CString("jane"));
    EXPECT_EQ(read.mailCaFile, CString("/etc/ca.pem"));
    TBSmtpSecurity mode = TBSmtpSecurity::None;
    EXPECT_TRUE(TBParseSmtpSecurity(read.mailSecurity, mode));
    EXPECT_EQ(mode, TBSmtpSecurity::StartTls);
    EXPECT_FALSE(TBParseSmtpSecurity("ssl", mode));

    for (const char* port : {"99999", "0", "-25", "smtp", ""}) {
        TBCrashSettings bad =
            SettingsFrom((std::string("[CrashReport]\nMailServer=\nMailPort=") + port + "\n").c_str());
        EXPECT_EQ(bad.mailPort, 25) << "port '" << port << "' keeps the default";
        EXPECT_EQ(bad.mailServer, TB_DEFAULT_REPORT_MAIL_SERVER) << "an empty server keeps the default";
    }
    // Section and key names compare byte for byte, as everywhere in the profile cache.
    EXPECT_EQ(SettingsFrom("[general]\nproductversion=9\n").productVersion, "");
}

TEST(CrashSettings, OsReleaseValues) {
    std::string text = "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME='Debian 12 \\\"x\\\"'\nID=debian\nEMPTY=\n";
    EXPECT_EQ(TBOsReleaseValue(text.data(), text.size(), "NAME"), "Debian GNU/Linux");
    EXPECT_EQ(TBOsReleaseValue(text.data(), text.size(), "PRETTY_NAME"), "Debian 12 \"x\"");
    EXPECT_EQ(TBOsReleaseValue(text.data(), text.size(), "ID"), "debian");
    EXPECT_EQ(TBOsReleaseValue(text.data(), text.size(), "EMPTY"), "");
    EXPECT_EQ(TBOsReleaseValue(text.data(), text.size(), "VERSION"), "");
}

namespace {
std::uint32_t U32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s.at(at + static_cast<std::size_t>(i)));
    return v;
}
}  // namespace

TEST(Minidump, EveryStreamLiesInsideTheFile) {
    std::unique_ptr<TBMinidumpScratch> scratch(new TBMinidumpScratch);
    scratch->processorCount = 2;
    tbtest::ScratchDir dir;
    std::string path = dir / "self.dmp";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ucontext_t uc;
    getcontext(&uc);
    TBMinidumpCrash crash;
    crash.ucontext = &uc;
    EXPECT_TRUE(TBWriteMinidump(fd, crash, *scratch));
    close(fd);
    std::string d = ReadFile(path);
    ASSERT_GE(d.size(), 32u);
    EXPECT_EQ(d.substr(0, 4), "MDMP");
    EXPECT_EQ(U32(d, 4) & 0xFFFF, 0xA793u);
    std::uint32_t streams = U32(d, 8), directory = U32(d, 12);
    ASSERT_EQ(streams, 8u);
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> found;
    for (std::uint32_t i = 0; i < streams; ++i) {
        std::size_t at = directory + 12 * i;
        std::uint32_t type = U32(d, at), size = U32(d, at + 4), rva = U32(d, at + 8);
        EXPECT_LE(std::uint64_t(rva) + size, d.size()) << "stream " << type;
        found[type] = {size, rva};
    }
    for (std::uint32_t type : {3u, 4u, 5u, 6u, 7u, 15u, 0x47670003u, 0x47670009u})
        EXPECT_EQ(found.count(type), 1u) << type;
    // System info: this machine's architecture and the Linux platform id.
    std::uint32_t sys = found[7].second;
#if defined(__x86_64__)
    EXPECT_EQ(U32(d, sys) & 0xFFFF, 9u);
#endif
    EXPECT_EQ(U32(d, sys + 20), 0x8201u);
    // Thread list: one thread whose stack and context are inside the file.
    std::uint32_t threads = found[3].second;
    ASSERT_EQ(U32(d, threads), 1u);
    EXPECT_EQ(U32(d, threads + 4), static_cast<std::uint32_t>(syscall(SYS_gettid)));
    std::uint32_t stackSize = U32(d, threads + 4 + 32), stackRva = U32(d, threads + 4 + 36);
    EXPECT_GT(stackSize, 0u);
    EXPECT_LE(std::uint64_t(stackRva) + stackSize, d.size());
    // Module list: the test program itself is among the modules, by its path.
    std::uint32_t modules = found[4].second;
    std::uint32_t count = U32(d, modules);
    EXPECT_GT(count, 2u);
    bool sawCore = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t nameRva = U32(d, modules + 4 + 108 * i + 20);
        std::uint32_t bytes = U32(d, nameRva);
        ASSERT_LE(std::uint64_t(nameRva) + 4 + bytes, d.size());
        std::string name;
        for (std::uint32_t k = 0; k < bytes; k += 2) name += d[nameRva + 4 + k];
        sawCore |= name.find("test_crash") != std::string::npos;
        std::uint32_t cvSize = U32(d, modules + 4 + 108 * i + 76), cvRva = U32(d, modules + 4 + 108 * i + 80);
        if (cvSize) {
            ASSERT_LE(std::uint64_t(cvRva) + cvSize, d.size());
            EXPECT_EQ(d.substr(cvRva, 4), "BpEL");
        }
    }
    EXPECT_TRUE(sawCore);
}

TEST(CrashInstall, InstallAndUninstallRestoreThePreviousHandlers) {
    struct sigaction before;
    sigaction(SIGSEGV, nullptr, &before);
    void* handle = InstallCrashReport(nullptr, "a@example.com", "subject");
    ASSERT_NE(handle, nullptr);
    struct sigaction during;
    sigaction(SIGSEGV, nullptr, &during);
    EXPECT_TRUE(during.sa_flags & SA_ONSTACK);
    EXPECT_NE(reinterpret_cast<void*>(during.sa_sigaction), reinterpret_cast<void*>(before.sa_sigaction));
    CrashReportHandler* handler = static_cast<CrashReportHandler*>(handle);
    EXPECT_EQ(handler->GetRecipient(), "a@example.com");
    EXPECT_EQ(handler->GetSubject(), "subject");
    EXPECT_EQ(handler->GetProcessId(), static_cast<int>(getpid()));

    tbtest::ScratchDir dir;
    std::string file = dir / "log.txt";
    WriteFile(file, "x");
    AddFileToCrashReport(handle, file.c_str(), "Log");
    AddFileToCrashReport(handle, file.c_str(), "Log file");
    AddFileToCrashReport(handle, (dir / "missing").c_str(), "Missing");
    AddFileToCrashReport(nullptr, file.c_str(), "ignored");
    EXPECT_EQ(handler->ReportFiles.GetCount(), 1);
    CString description;
    EXPECT_TRUE(handler->ReportFiles.Lookup(file.c_str(), description));
    EXPECT_EQ(description, "Log file");

    UninstallCrashReport(handle);
    UninstallCrashReport(nullptr);
    struct sigaction after;
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(reinterpret_cast<void*>(after.sa_sigaction), reinterpret_cast<void*>(before.sa_sigaction));
    // The C library adds its restorer flag to every installed action.
    const int restorer = 0x04000000;
    EXPECT_EQ(after.sa_flags & ~restorer, before.sa_flags & ~restorer);
}
