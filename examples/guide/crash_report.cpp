// Installing the crash handler with a file of the host's own in the report.
#include <toolbox/toolbox.h>

#include <cstdio>

namespace {
// Called before a report is made; 0 would suppress it.
int AllowReport(void*) { return 1; }
}  // namespace

int main() {
    void* crash = InstallCrashReport(AllowReport, "support@example.com", "");
    if (!crash) return 1;
    AddFileToCrashReport(crash, "/etc/os-release", "The system's release");
    // ... the host's work: a fatal signal now writes a minidump, and the reporter
    // program packs it with the XML report and the files above.
    std::printf("crash handler installed; an access violation is called %s\n",
                TBExceptionName(0xC0000005).GetString());
    UninstallCrashReport(crash);
    return 0;
}
