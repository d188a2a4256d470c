// The crash handler: fatal signals on an alternate stack, the registry of handlers by
// process id, and the report made inside the signal handler. Inside the signal handler
// only async-signal-safe calls are made: everything the report needs (dump buffers,
// the reporter's command line, paths) is prepared when the handler is installed or
// its file list changes; the dump is written with raw write(2), then the reporter
// program is started with clone/execve and waited for.
#include <toolbox/crash/crash_report.h>
#include "crash/crash_paths.h"
#include "crash/minidump_writer.h"
#include <toolbox/resources/string_table.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
constexpr int kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];
constexpr std::size_t kAltStackSize = 256 * 1024;
constexpr int kRegistrySize = 64;

// The reporter's command line. Slots the signal handler fills are fixed buffers.
struct ReporterCommand {
    std::vector<std::string> storage;
    std::vector<char*> argv;
    char signalText[16] = "0";
    char codeText[24] = "0";
    char addressText[24] = "0";
    char operationText[24] = "0";
    char dumpWrittenText[4] = "0";
};

// What an installed handler keeps beside the public object.
struct InstalledHandler {
    CrashReportHandler* handler = nullptr;
    std::unique_ptr<TBMinidumpScratch> scratch;
    struct sigaction previous[kSignalCount];
    void* altStackMemory = nullptr;
    CString programPath;
    CString dumpPath;
    CString xmlPath;
    CString reporterPath;
    CString tempDir;
    // Two command lines: the handler reads the current one while the next is rebuilt.
    ReporterCommand commands[2];
    volatile int current = 0;
    unsigned long installOrder = 0;
};

// Process-wide registry: every handler created, and the installed ones by process id.
struct Registry {
    CPtrArray all;
    struct Entry {
        volatile int processId;
        InstalledHandler* volatile installed;
    } byProcess[kRegistrySize];
    unsigned long installCount;
    // The thread making a report (0: none), so a crash inside the report ends the
    // process and crashes of other threads wait for it.
    int reportingThread;
};

Registry& TheRegistry() {
    static Registry registry{};
    return registry;
}

void WriteText(const char* text) {
    std::size_t n = std::strlen(text);
    while (n) {
        ssize_t w = write(STDERR_FILENO, text, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        text += w;
        n -= static_cast<std::size_t>(w);
    }
}

// Async-signal-safe number formatting.
void FormatUnsigned(char* out, std::size_t size, std::uint64_t value, int base) {
    char digits[24];
    int n = 0;
    do {
        int d = static_cast<int>(value % static_cast<std::uint64_t>(base));
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<std::uint64_t>(base);
    } while (value && n < 23);
    std::size_t pos = 0;
    if (base == 16 && pos + 2 < size) {
        out[pos++] = '0';
        out[pos++] = 'x';
    }
    while (n && pos + 1 < size) out[pos++] = digits[--n];
    out[pos] = 0;
}

int HashSlot(int processId) { return (processId >> 4) % kRegistrySize; }

InstalledHandler* FindInstalled(int processId) {
    Registry& r = TheRegistry();
    int start = HashSlot(processId);
    for (int i = 0; i < kRegistrySize; ++i) {
        Registry::Entry& e = r.byProcess[(start + i) % kRegistrySize];
        if (e.installed && e.processId == processId) return e.installed;
    }
    return nullptr;
}

InstalledHandler* FindByHandle(void* handle) {
    Registry& r = TheRegistry();
    for (auto& e : r.byProcess)
        if (e.installed && e.installed->handler == handle) return e.installed;
    return nullptr;
}

void BuildCommand(InstalledHandler& h, ReporterCommand& c) {
    const CrashReportHandler& handler = *h.handler;
    c.storage.clear();
    auto add = [&](const char* s) { c.storage.emplace_back(s ? s : ""); };
    add(h.reporterPath);
    add("--pid");
    add(std::to_string(handler.GetProcessId()).c_str());
    add("--exe");
    add(h.programPath);
    add("--dump");
    add(h.dumpPath);
    add("--xml");
    add(h.xmlPath);
    add("--temp");
    add(h.tempDir);
    add("--to");
    add(handler.GetRecipient());
    add("--subject");
    add(handler.GetSubject());
    POSITION pos = handler.ReportFiles.GetStartPosition();
    while (pos) {
        CString path, description;
        handler.ReportFiles.GetNextAssoc(pos, path, description);
        add("--file");
        add(path);
        add(description);
    }
    c.argv.clear();
    for (std::string& s : c.storage) c.argv.push_back(&s[0]);
    const char* tail[] = {"--signal", "--code", "--address", "--operation", "--dump-written"};
    char* slots[] = {c.signalText, c.codeText, c.addressText, c.operationText, c.dumpWrittenText};
    for (int i = 0; i < 5; ++i) {
        c.argv.push_back(const_cast<char*>(tail[i]));
        c.argv.push_back(slots[i]);
    }
    c.argv.push_back(nullptr);
}

void RebuildCommand(InstalledHandler& h) {
    int next = 1 - h.current;
    BuildCommand(h, h.commands[next]);
    __atomic_store_n(&h.current, next, __ATOMIC_SEQ_CST);
}

// Starts the reporter and waits for it. Returns its exit status, -1 when it could not
// be started.
int RunReporter(InstalledHandler& h, ReporterCommand& c) {
    if (h.reporterPath.IsEmpty()) return -1;
    // A raw clone: no fork handlers of the (possibly broken) process run in the child.
    long child = syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0);
    if (child < 0) return -1;
    if (child == 0) {
        execve(c.argv[0], c.argv.data(), environ);
        _exit(127);
    }
    int status = 0;
    while (waitpid(static_cast<pid_t>(child), &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void GenerateErrorReport(InstalledHandler& h, EXCEPTION_POINTERS* pointers) {
    CrashReportHandler& handler = *h.handler;
    if (handler.GetCallback() && handler.GetCallback()(&handler) == 0) return;

    EXCEPTION_RECORD none;
    const EXCEPTION_RECORD& record = pointers && pointers->ExceptionRecord ? *pointers->ExceptionRecord : none;
    TBMinidumpCrash crash;
    crash.signal = pointers ? pointers->Signal : 0;
    crash.signalCode = pointers ? pointers->SignalCode : 0;
    crash.ucontext = pointers ? pointers->ContextRecord : nullptr;
    crash.faultAddress = record.NumberParameters >= 2 ? record.ExceptionInformation[1]
                                                      : reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);

    ReporterCommand& c = h.commands[__atomic_load_n(&h.current, __ATOMIC_SEQ_CST)];
    bool dumped = false;
    int fd = TBCreateCrashFile(h.dumpPath);
    if (fd >= 0) {
        dumped = TBWriteMinidump(fd, crash, *h.scratch);
        close(fd);
    }
    FormatUnsigned(c.signalText, sizeof c.signalText, static_cast<std::uint64_t>(crash.signal), 10);
    FormatUnsigned(c.codeText, sizeof c.codeText, record.ExceptionCode, 16);
    FormatUnsigned(c.addressText, sizeof c.addressText, reinterpret_cast<std::uintptr_t>(record.ExceptionAddress), 16);
    FormatUnsigned(c.operationText, sizeof c.operationText,
                   record.NumberParameters >= 1 ? record.ExceptionInformation[0] : 0, 10);
    c.dumpWrittenText[0] = dumped ? '1' : '0';
    c.dumpWrittenText[1] = 0;

    // 127: the program was found but could not be run (execve failed, libraries missing).
    int reporterStatus = RunReporter(h, c);
    if (reporterStatus < 0 || reporterStatus == 127) {
        // Without the reporter the dump is all there is: say where it is.
        WriteText("Fatal error ! The crash reporter could not be started.\n");
        if (dumped) {
            WriteText("Memory dump: ");
            WriteText(h.dumpPath);
            WriteText("\n");
        }
    }
}

void OnFatalSignal(int signal, siginfo_t* info, void* ucontext) {
    EXCEPTION_RECORD record;
    TBExceptionFromSignal(signal, info, ucontext, record);
    EXCEPTION_POINTERS pointers;
    pointers.ExceptionRecord = &record;
    pointers.ContextRecord = ucontext;
    pointers.Signal = signal;
    pointers.SignalCode = info ? info->si_code : 0;
    ReportFilter(&pointers);
    // The process ends with the signal it received, so its parent sees the crash.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigaction(signal, &dfl, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void InstallSignals(InstalledHandler& h) {
    stack_t current;
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        h.altStackMemory = ::operator new(kAltStackSize);
        stack_t alt;
        alt.ss_sp = h.altStackMemory;
        alt.ss_size = kAltStackSize;
        alt.ss_flags = 0;
        if (sigaltstack(&alt, nullptr) != 0) {
            ::operator delete(h.altStackMemory);
            h.altStackMemory = nullptr;
        }
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnFatalSignal;
    // SA_NODEFER: a crash inside the report (in the host's callback, say) reaches the
    // handler again, which then ends the process instead of hanging.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kFatalSignals[i], &action, &h.previous[i]);
}

void RestoreSignals(InstalledHandler& h) {
    for (int i = 0; i < kSignalCount; ++i) sigaction(kFatalSignals[i], &h.previous[i], nullptr);
    if (h.altStackMemory) {
        stack_t current;
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == h.altStackMemory &&
            !(current.ss_flags & SS_ONSTACK)) {
            stack_t off;
            std::memset(&off, 0, sizeof off);
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
            ::operator delete(h.altStackMemory);
        }
        // An alternate stack still in use by the thread is left to it.
        h.altStackMemory = nullptr;
    }
}

bool CanOpenForReading(const char* file) {
    int fd = open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace

CrashReportHandler::CrashReportHandler(int (*callback)(void*), const char* to, const char* subject)
    : m_callback(callback), m_processId(static_cast<int>(getpid())), m_recipient(to ? to : ""),
      m_subject(subject ? subject : "") {
    ReportFiles.InitHashTable(10);
    TheRegistry().all.Add(this);
}

CrashReportHandler::~CrashReportHandler() {
    CPtrArray& all = TheRegistry().all;
    for (int i = all.GetSize() - 1; i >= 0; --i)
        if (all[i] == this) all.RemoveAt(i);
}

void* InstallCrashReport(int (*callback)(void*), const char* to, const char* subject) {
    Registry& r = TheRegistry();
    std::unique_ptr<InstalledHandler> h;
    try {
        h.reset(new InstalledHandler);
        h->scratch.reset(new TBMinidumpScratch);
        h->handler = new CrashReportHandler(callback, to, subject);
    } catch (...) {
        return nullptr;
    }
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    h->scratch->processorCount = processors > 0 ? static_cast<int>(processors) : 1;
    h->programPath = TBCrashProgramPath();
    // Crash files go to a directory of this user, named per process: in a shared
    // temporary directory another user could block, replace or redirect them.
    h->tempDir = TBCrashProcessDirectory();
    CString base = TBCrashBaseName(h->programPath);
    if (base.IsEmpty()) base = "program";
    h->dumpPath.Format("%s/%s.dmp", h->tempDir.GetString(), base.GetString());
    h->xmlPath.Format("%s/%s.xml", h->tempDir.GetString(), base.GetString());
    h->reporterPath = TBCrashReporterPath();
    BuildCommand(*h, h->commands[0]);
    BuildCommand(*h, h->commands[1]);

    int pid = h->handler->GetProcessId();
    int start = HashSlot(pid);
    Registry::Entry* slot = nullptr;
    for (int i = 0; i < kRegistrySize && !slot; ++i) {
        Registry::Entry& e = r.byProcess[(start + i) % kRegistrySize];
        if (!e.installed) slot = &e;
    }
    if (!slot) {
        delete h->handler;
        return nullptr;
    }
    InstallSignals(*h);
    // A newer handler of the same process takes over: move it ahead of older ones by
    // giving older entries of this process up in the lookup order.
    for (auto& e : r.byProcess)
        if (e.installed && e.processId == pid) e.processId = -pid - 1;
    h->installOrder = ++r.installCount;
    InstalledHandler* raw = h.release();
    slot->processId = pid;
    slot->installed = raw;
    return raw->handler;
}

void UninstallCrashReport(void* handle) {
    if (!handle) return;
    InstalledHandler* h = FindByHandle(handle);
    if (!h) return;
    RestoreSignals(*h);
    Registry& r = TheRegistry();
    int pid = h->handler->GetProcessId();
    for (auto& e : r.byProcess)
        if (e.installed == h) {
            e.installed = nullptr;
            e.processId = 0;
        }
    // The newest remaining handler of this process answers again.
    Registry::Entry* newest = nullptr;
    for (auto& e : r.byProcess)
        if (e.installed && e.processId == -pid - 1 &&
            (!newest || e.installed->installOrder > newest->installed->installOrder))
            newest = &e;
    if (newest) newest->processId = pid;
    TBRemoveCrashDirectories(h->tempDir);
    delete h->handler;
    delete h;
}

void AddFileToCrashReport(void* handle, const char* file, const char* description) {
    InstalledHandler* h = FindByHandle(handle);
    if (!h || !file || !*file) return;
    try {
        if (!CanOpenForReading(file)) return;
        h->handler->ReportFiles.SetAt(file, description ? description : "");
        RebuildCommand(*h);
    } catch (...) {
        WriteText("Fatal error !\n");
    }
}

void GenerateCrashReport(void* handle, EXCEPTION_POINTERS* pointers) {
    InstalledHandler* h = FindByHandle(handle);
    if (!h) return;
    EXCEPTION_POINTERS own;
    if (pointers) own = *pointers;
    ucontext_t here;
    if (!own.ContextRecord) {
        // The dump then shows this function's caller at the point of the request.
        getcontext(&here);
        own.ContextRecord = &here;
    }
    GenerateErrorReport(*h, &own);
}

long ReportFilter(EXCEPTION_POINTERS* pointers) {
    Registry& r = TheRegistry();
    int thread = static_cast<int>(syscall(SYS_gettid));
    int running = 0;
    if (!__atomic_compare_exchange_n(&r.reportingThread, &running, thread, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
        if (running != thread) {
            // Another thread is making the report: let it finish; it ends the process.
            for (;;) pause();
        }
        // A second fatal exception on the reporting thread (in the host's callback,
        // say): give up on the report; the process ends.
        WriteText("Fatal error !\n");
        return 1;
    }
    InstalledHandler* h = FindInstalled(static_cast<int>(getpid()));
    if (h) GenerateErrorReport(*h, pointers);
    __atomic_store_n(&r.reportingThread, 0, __ATOMIC_SEQ_CST);
    return 1;
}
