// toolbox-crash-reporter: makes the report of a crashed process (see TBRunCrashReporter
// in <toolbox/crash/crash_report.h>).
// With a display it asks the user in the crash report dialog; without one, or when the
// answer is preset in the environment ($TOOLBOX_CRASH_REPORT_ANSWER), it works headless.
#include <toolbox/crash/crash_report.h>

#ifdef TOOLBOX_REPORTER_WINDOWS
#include <toolbox/ui/crash_report_dialogs.h>

#include <cstdlib>
#include <dlfcn.h>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The window system gives up the whole program when it cannot reach its display, and
// the report with it: a display is asked first whether it answers.
bool XDisplayAnswers() {
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb) return false;
    typedef void* (*Connect)(const char*, int*);
    typedef int (*HasError)(void*);
    typedef void (*Disconnect)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool answers = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(nullptr, nullptr);
        answers = connection && hasError(connection) == 0;
        if (connection) disconnect(connection);
    }
    dlclose(xcb);
    return answers;
}

// A display to show windows on: a Qt platform chosen explicitly (offscreen, vnc...) or
// an X display that answers (a Wayland session's too); Qt then draws on that display.
// An answer preset in the environment asks nobody.
bool ShouldShowWindows() {
    if (IsSet("TOOLBOX_CRASH_REPORT_ANSWER")) return false;
    if (IsSet("QT_QPA_PLATFORM")) return true;
    if (!IsSet("DISPLAY") || !XDisplayAnswers()) return false;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef TOOLBOX_REPORTER_WINDOWS
    if (ShouldShowWindows()) return TBRunCrashReporterWithWindows(argc, argv);
#endif
    return TBRunCrashReporter(argc, argv);
}
