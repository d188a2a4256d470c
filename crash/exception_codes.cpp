// Exception codes from signals, and their names.
#include <toolbox/crash/crash_report.h>

#include <csignal>
#include <cstring>
#include <ucontext.h>

namespace {

struct NamedCode {
    DWORD code;
    const char* name;
};

const NamedCode kNames[] = {
    {TB_EXCEPTION_ACCESS_VIOLATION, "EXCEPTION_ACCESS_VIOLATION"},
    {TB_EXCEPTION_DATATYPE_MISALIGNMENT, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {TB_EXCEPTION_BREAKPOINT, "EXCEPTION_BREAKPOINT"},
    {TB_EXCEPTION_SINGLE_STEP, "EXCEPTION_SINGLE_STEP"},
    {TB_EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {TB_EXCEPTION_FLT_DENORMAL_OPERAND, "EXCEPTION_FLT_DENORMAL_OPERAND"},
    {TB_EXCEPTION_FLT_DIVIDE_BY_ZERO, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {TB_EXCEPTION_FLT_INEXACT_RESULT, "EXCEPTION_FLT_INEXACT_RESULT"},
    {TB_EXCEPTION_FLT_INVALID_OPERATION, "EXCEPTION_FLT_INVALID_OPERATION"},
    {TB_EXCEPTION_FLT_OVERFLOW, "EXCEPTION_FLT_OVERFLOW"},
    {TB_EXCEPTION_FLT_STACK_CHECK, "EXCEPTION_FLT_STACK_CHECK"},
    {TB_EXCEPTION_FLT_UNDERFLOW, "EXCEPTION_FLT_UNDERFLOW"},
    {TB_EXCEPTION_INT_DIVIDE_BY_ZERO, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {TB_EXCEPTION_INT_OVERFLOW, "EXCEPTION_INT_OVERFLOW"},
    {TB_EXCEPTION_PRIV_INSTRUCTION, "EXCEPTION_PRIV_INSTRUCTION"},
    {TB_EXCEPTION_IN_PAGE_ERROR, "EXCEPTION_IN_PAGE_ERROR"},
    {TB_EXCEPTION_ILLEGAL_INSTRUCTION, "EXCEPTION_ILLEGAL_INSTRUCTION"},
    {TB_EXCEPTION_NONCONTINUABLE_EXCEPTION, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {TB_EXCEPTION_STACK_OVERFLOW, "EXCEPTION_STACK_OVERFLOW"},
    {TB_EXCEPTION_INVALID_DISPOSITION, "EXCEPTION_INVALID_DISPOSITION"},
    {TB_EXCEPTION_GUARD_PAGE, "EXCEPTION_GUARD_PAGE"},
    {TB_EXCEPTION_INVALID_HANDLE, "EXCEPTION_INVALID_HANDLE"},
};

constexpr std::uintptr_t kStackOverflowReach = 64 * 1024;

DWORD CodeForSignal(int signal, int code) {
    switch (signal) {
        case SIGSEGV: return TB_EXCEPTION_ACCESS_VIOLATION;
        case SIGBUS: return code == BUS_ADRALN ? TB_EXCEPTION_DATATYPE_MISALIGNMENT : TB_EXCEPTION_IN_PAGE_ERROR;
        case SIGFPE:
            switch (code) {
                case FPE_INTDIV: return TB_EXCEPTION_INT_DIVIDE_BY_ZERO;
                case FPE_INTOVF: return TB_EXCEPTION_INT_OVERFLOW;
                case FPE_FLTDIV: return TB_EXCEPTION_FLT_DIVIDE_BY_ZERO;
                case FPE_FLTOVF: return TB_EXCEPTION_FLT_OVERFLOW;
                case FPE_FLTUND: return TB_EXCEPTION_FLT_UNDERFLOW;
                case FPE_FLTRES: return TB_EXCEPTION_FLT_INEXACT_RESULT;
                case FPE_FLTSUB: return TB_EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
                default: return TB_EXCEPTION_FLT_INVALID_OPERATION;
            }
        case SIGILL:
            return code == ILL_PRVOPC || code == ILL_PRVREG ? TB_EXCEPTION_PRIV_INSTRUCTION
                                                            : TB_EXCEPTION_ILLEGAL_INSTRUCTION;
        case SIGTRAP: return code == TRAP_TRACE ? TB_EXCEPTION_SINGLE_STEP : TB_EXCEPTION_BREAKPOINT;
        case SIGABRT: return TB_EXCEPTION_FATAL_APP_EXIT;
        default: return TB_EXCEPTION_NONCONTINUABLE_EXCEPTION;
    }
}

}  // namespace

void TBExceptionFromSignal(int signal, const void* siginfo, const void* ucontext, EXCEPTION_RECORD& record) {
    record = EXCEPTION_RECORD();
    const siginfo_t* info = static_cast<const siginfo_t*>(siginfo);
    const ucontext_t* uc = static_cast<const ucontext_t*>(ucontext);
    int code = info ? info->si_code : 0;
    // Faults the program raised itself (kill, raise, abort) carry no fault address.
    bool hardware = code > 0;
    record.ExceptionCode = CodeForSignal(signal, hardware ? code : 0);
    if (signal == SIGABRT || !hardware) record.ExceptionCode = CodeForSignal(signal, 0);
    std::uintptr_t pc = 0, sp = 0;
    bool write = false;
#if defined(__x86_64__)
    if (uc) {
        pc = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
        sp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
        write = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0;  // page-fault error code: write access
    }
#elif defined(__aarch64__)
    if (uc) {
        pc = static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
        sp = static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
    }
#else
    (void)uc;
#endif
    record.ExceptionAddress = reinterpret_cast<void*>(pc);
    if ((signal == SIGSEGV || signal == SIGBUS) && info && hardware) {
        std::uintptr_t address = reinterpret_cast<std::uintptr_t>(info->si_addr);
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = write ? 1 : 0;
        record.ExceptionInformation[1] = address;
        // A fault right at the stack pointer is the stack running out.
        if (signal == SIGSEGV && sp && address + kStackOverflowReach >= sp && address <= sp + kStackOverflowReach)
            record.ExceptionCode = TB_EXCEPTION_STACK_OVERFLOW;
    }
}

CString TBExceptionName(DWORD code) {
    for (const NamedCode& n : kNames)
        if (n.code == code) return n.name;
    return "EXCEPTION_UNKNOWN";
}
