// Crash host for the crash tests: installs the crash handler, adds the files named on
// the command line and then fails in the way the first argument names.
//   crash_host MODE [--to ADDR] [--subject TEXT] [--file PATH DESCRIPTION]... [--remove PATH]
#include <toolbox/crash/crash_report.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

extern "C" {

__attribute__((noinline)) void CrashHostNullPointerWrite(int* volatile target) {
    *target = 42;
    std::puts("not reached");
}

__attribute__((noinline)) int CrashHostDivideByZero(volatile int divisor) {
    volatile int value = 7;
    return value / divisor;
}

__attribute__((noinline)) void CrashHostIllegalInstruction() { __builtin_trap(); }

__attribute__((noinline)) void CrashHostAbort() { std::abort(); }

__attribute__((noinline)) int CrashHostRecurse(volatile int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth > 1 << 30) return 0;  // never reached: the stack runs out first
    return CrashHostRecurse(depth + 1) + frame[0];
}

int CrashHostDenyReport(void*) { return 0; }

int CrashHostCrashInCallback(void*) {
    CrashHostNullPointerWrite(nullptr);
    return 1;
}

int CrashHostAllowReport(void* handler) {
    std::printf("callback called with %s handler\n", handler ? "a" : "no");
    std::fflush(stdout);
    return 1;
}

}  // extern "C"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    const char* to = "";
    const char* subject = "";
    for (int i = 2; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--to"))
            to = argv[++i];
        else if (!std::strcmp(argv[i], "--subject"))
            subject = argv[++i];
    }
    int (*callback)(void*) = nullptr;
    if (mode == "callback-deny") callback = CrashHostDenyReport;
    if (mode == "callback-crash") callback = CrashHostCrashInCallback;
    if (mode == "callback-allow") callback = CrashHostAllowReport;
    void* handle = InstallCrashReport(callback, to, subject);
    if (!handle) return 3;
    for (int i = 2; i + 2 < argc; ++i)
        if (!std::strcmp(argv[i], "--file")) {
            AddFileToCrashReport(handle, argv[i + 1], argv[i + 2]);
            i += 2;
        }
    // A registered file that vanishes before the crash.
    for (int i = 2; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--remove")) std::remove(argv[++i]);
    if (mode == "generate") {
        GenerateCrashReport(handle, nullptr);
        std::puts("still running");
        UninstallCrashReport(handle);
        return 0;
    }
    if (mode == "uninstalled") {
        UninstallCrashReport(handle);
        UninstallCrashReport(nullptr);
        CrashHostNullPointerWrite(nullptr);
    }
    if (mode == "divzero") return CrashHostDivideByZero(argc > 100 ? 1 : 0);
    if (mode == "illegal") CrashHostIllegalInstruction();
    if (mode == "abort") CrashHostAbort();
    if (mode == "overflow") return CrashHostRecurse(0);
    if (mode == "two-threads") {
        // Both threads fault at about the same time.
        std::thread other([] { CrashHostNullPointerWrite(nullptr); });
        CrashHostNullPointerWrite(nullptr);
        other.join();
    }
    CrashHostNullPointerWrite(argc > 100 ? &argc : nullptr);
    return 0;
}
