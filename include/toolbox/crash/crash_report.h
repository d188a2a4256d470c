/// \file
/// \brief Crash capture: a process-wide handler for fatal signals that writes a memory dump, then starts the crash reporter program, which writes the XML report, packs the files into a zip archive.
// Crash capture: a process-wide handler for fatal signals that writes a memory dump,
// then starts the crash reporter program, which writes the XML report, packs the files
// into a zip archive, asks the user and mails or keeps the archive.
#pragma once

#include <toolbox/types/maps.h>
#include <toolbox/types/cstring.h>

#include <cstdint>

/// What the handler learnt about one fatal exception: the code in the classic
/// exception-code numbering (0xC0000005 access violation...), the faulting address and
/// the parameters (for an access violation: word 0 is 0 for a read and 1 for a write,
/// word 1 the inaccessible address).
struct EXCEPTION_RECORD {
    DWORD ExceptionCode = 0;  ///< TB_EXCEPTION_ code of the fault.
    DWORD ExceptionFlags = 0;  ///< 0: the fault could be continued (always 0 for signals).
    EXCEPTION_RECORD* ExceptionRecord = nullptr;  ///< A chained record; null.
    void* ExceptionAddress = nullptr;  ///< Address of the faulting instruction.
    DWORD NumberParameters = 0;  ///< Number of valid words in ExceptionInformation.
    std::uintptr_t ExceptionInformation[15] = {};  ///< Parameters of the fault (see above).
};

/// The exception record together with the signal that raised it and the machine
/// context of the faulting thread (a ucontext_t*; may be null).
struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* ExceptionRecord = nullptr;  ///< The fault.
    void* ContextRecord = nullptr;  ///< The faulting thread's ucontext_t*; may be null.
    int Signal = 0;  ///< The signal number (SIGSEGV, SIGFPE...).
    int SignalCode = 0;  ///< The signal's si_code.
};

/// The classic exception codes the report names.
enum : DWORD {
    TB_EXCEPTION_ACCESS_VIOLATION = 0xC0000005,
    TB_EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002,
    TB_EXCEPTION_BREAKPOINT = 0x80000003,
    TB_EXCEPTION_SINGLE_STEP = 0x80000004,
    TB_EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C,
    TB_EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D,
    TB_EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E,
    TB_EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F,
    TB_EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090,
    TB_EXCEPTION_FLT_OVERFLOW = 0xC0000091,
    TB_EXCEPTION_FLT_STACK_CHECK = 0xC0000092,
    TB_EXCEPTION_FLT_UNDERFLOW = 0xC0000093,
    TB_EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094,
    TB_EXCEPTION_INT_OVERFLOW = 0xC0000095,
    TB_EXCEPTION_PRIV_INSTRUCTION = 0xC0000096,
    TB_EXCEPTION_IN_PAGE_ERROR = 0xC0000006,
    TB_EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D,
    TB_EXCEPTION_NONCONTINUABLE_EXCEPTION = 0xC0000025,
    TB_EXCEPTION_STACK_OVERFLOW = 0xC00000FD,
    TB_EXCEPTION_INVALID_DISPOSITION = 0xC0000026,
    TB_EXCEPTION_GUARD_PAGE = 0x80000001,
    TB_EXCEPTION_INVALID_HANDLE = 0xC0000008,
    /// An abnormal end the program asked for itself (abort).
    TB_EXCEPTION_FATAL_APP_EXIT = 0x40000015,
};

/// One installed crash handler: the host's gate, the recipient and subject of the report
/// mail and the host's own files to pack with the report. The crash reporter program
/// builds one from its command line (not installed) to carry the same data.
class TB_EXPORT CrashReportHandler {
public:
    /// A handler whose callback is asked before a report is made (its result 0 skips the report), with the report mail's recipient and subject; null strings become empty.
    CrashReportHandler(int (*callback)(void*), const char* to, const char* subject);
    virtual ~CrashReportHandler();
    CrashReportHandler(const CrashReportHandler&) = delete;
    CrashReportHandler& operator=(const CrashReportHandler&) = delete;

    /// The host's callback, called with the handler before the report is made; null for none.
    int (*GetCallback() const)(void*) { return m_callback; }
    /// The id of the process that made the handler.
    int GetProcessId() const { return m_processId; }
    /// The recipient of the report mail.
    const CString& GetRecipient() const { return m_recipient; }
    /// The subject of the report mail.
    const CString& GetSubject() const { return m_subject; }

    /// File path -> description of every file to pack.
    CMapStringToString ReportFiles;

private:
    int (*m_callback)(void*);
    int m_processId;
    CString m_recipient;
    CString m_subject;
};

/// Installs the crash handler for the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
/// SIGABRT, SIGTRAP, SIGSYS) on an alternate stack of the calling thread. callback may
/// be null; when set it is called with the handler before a report is made and a
/// result of 0 suppresses the report. to is the report mail's recipient (empty or null:
/// no mail), subject the mail's subject (empty: "Crash Report - <program>!").
/// Returns the handler as an opaque handle, or null when it cannot be created.
TB_EXPORT void* InstallCrashReport(int (*callback)(void*), const char* to, const char* subject);

/// Restores the signal handlers that were there before, removes the handler from the
/// registry and frees it. Null does nothing.
TB_EXPORT void UninstallCrashReport(void* handle);

/// Adds file with its description to the files packed into the report; a file that
/// cannot be opened for reading is not added, a path added again gets the new
/// description.
TB_EXPORT void AddFileToCrashReport(void* handle, const char* file, const char* description);

/// Makes a report at once, as for a crash (the process goes on afterwards). pointers
/// may be null: the report then names no exception and the dump shows the caller.
TB_EXPORT void GenerateCrashReport(void* handle, EXCEPTION_POINTERS* pointers);

/// The handler the fatal signals reach: finds the handler registered for the current
/// process and makes its report. Returns 1 in every case (the process then ends).
TB_EXPORT long ReportFilter(EXCEPTION_POINTERS* pointers);

/// Fills record from a signal's information and context: the exception code, address
/// and, for access violations, whether data was read or written.
TB_EXPORT void TBExceptionFromSignal(int signal, const void* siginfo, const void* ucontext, EXCEPTION_RECORD& record);
/// Name of an exception code ("EXCEPTION_ACCESS_VIOLATION"... or "EXCEPTION_UNKNOWN").
TB_EXPORT CString TBExceptionName(DWORD code);
/// Base name of a program path: the file name without directory and without anything
/// from its first "." ("/opt/app.beta.exe" -> "app").
TB_EXPORT CString TBCrashBaseName(const char* programPath);

/// Runs the crash reporter program's work for a command line as the crash handler
/// builds it:
///   --pid N --exe PATH --dump PATH --xml PATH --temp DIR --to ADDR --subject TEXT
///   [--file PATH DESCRIPTION]... --signal N --code HEX --address HEX --operation N
///   --dump-written 0|1
/// The XML report, the archive, the question to the user (through the dialog hub), mail
/// or keep, clean-up. Returns the program's exit status: 0 when the report was
/// delivered, saved, kept (as an archive, or as its dump and XML report when no archive
/// could be made) or declined, 1 when it was lost, 2 for a bad command line.
TB_EXPORT int TBRunCrashReporter(int argc, char** argv);
