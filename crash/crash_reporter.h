// The crash reporter program's work, started by the crash handler with the crash's
// facts on its command line: XML report, archive, question, mail or keep, clean-up.
#pragma once

#include <toolbox/types/windef.h>

/// Runs the reporter for a command line as the crash handler builds it:
///   --pid N --exe PATH --dump PATH --xml PATH --temp DIR --to ADDR --subject TEXT
///   [--file PATH DESCRIPTION]... --signal N --code HEX --address HEX --operation N
///   --dump-written 0|1
/// Returns the program's exit status: 0 when the report was delivered, saved, kept (as
/// an archive, or as its dump and XML report when no archive could be made) or
/// declined, 1 when it was lost, 2 for a bad command line.
TB_EXPORT int TBRunCrashReporter(int argc, char** argv);
