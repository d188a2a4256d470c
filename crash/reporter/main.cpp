// toolbox-crash-reporter: makes the report of a crashed process (see crash_reporter.h).
// With a display it asks the user in the crash report dialog; without one, or when the
// answer is preset in the environment ($TOOLBOX_CRASH_REPORT_ANSWER), it works headless.
#include "crash/crash_reporter.h"

#ifdef TOOLBOX_REPORTER_WINDOWS
#include <toolbox/ui/crash_report_dialogs.h>

#include <cstdlib>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// A display to show windows on: an X or Wayland session, or a Qt platform chosen
// explicitly (offscreen, vnc...).
bool ShouldShowWindows() {
    if (IsSet("TOOLBOX_CRASH_REPORT_ANSWER")) return false;
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef TOOLBOX_REPORTER_WINDOWS
    if (ShouldShowWindows()) return TBRunCrashReporterWithWindows(argc, argv);
#endif
    return TBRunCrashReporter(argc, argv);
}
