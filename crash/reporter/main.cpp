// toolbox-crash-reporter: makes the report of a crashed process (see crash_reporter.h).
#include "crash/crash_reporter.h"

int main(int argc, char** argv) { return TBRunCrashReporter(argc, argv); }
