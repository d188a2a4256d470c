// The XML crash report: the exception, the machine, the operating system and the
// modules loaded in the crashed process.
#pragma once

#include <toolbox/types/cstring.h>

#include <cstddef>
#include <cstdint>

/// What the reporter knows about the crash.
struct TBCrashReportInfo {
    CString programPath;  ///< full path of the crashed program
    DWORD exceptionCode = 0;
    std::uint64_t exceptionAddress = 0;
    std::uint64_t operation = 0;  ///< first exception information word: 0 read, else write
    int processId = 0;            ///< the crashed process; its memory map lists the modules
    CString productVersion;       ///< [General] ProductVersion of "Register.cfg"
};

/// Writes the report to xmlPath; false with error set when it cannot be saved.
bool TBWriteCrashReportXml(const CString& xmlPath, const TBCrashReportInfo& info, CString& error);

/// "PROCESSOR_ARCHITECTURE_AMD64"... for a machine name of uname ("x86_64", "aarch64").
CString TBProcessorArchitectureName(const char* machine);
/// The value of key (e.g. "PRETTY_NAME") in an os-release text, unquoted; empty when absent.
CString TBOsReleaseValue(const char* text, std::size_t length, const char* key);
/// The dotted version of a module file name ("libz.so.1.2.13" -> "1.2.13.0"; none: "0.0.0.0").
CString TBModuleFileVersion(const CString& path);
