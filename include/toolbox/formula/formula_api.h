/// \file
/// \brief The entry points of the three formula plug-ins, as the library loads them by name at run time ("Quendral.dll" = libquendral.so, "Lurvenc.dll" = liblurvenc.so, "Vexa2000.dll" = libvexa2000.so).
// The entry points of the three formula plug-ins, as the library loads them by name at
// run time ("Quendral.dll" = libquendral.so, "Lurvenc.dll" = liblurvenc.so,
// "Vexa2000.dll" = libvexa2000.so), and the two objects that travel between them and
// their callers: the helper object and the scanner's error object.
//
// A caller uses them in this order:
//   CFormelHelper* helper = nullptr;
//   CreateCFormelHelper(&helper);                         // Vexa2000: 0 = success
//   Fml2Upn(buffer, helper, 0);                           // Lurvenc: formula -> reverse Polish
//   UpnToSimplifyString(&text, helper);                   // Quendral: reverse Polish -> text
//   DestroyCFormelHelper(&helper);                        // Vexa2000
// or, for the formula check, UbhvBlock2Upn in place of Fml2Upn followed by
// CFormelArraySize / CFormelVarNameAt for the variables the formula uses.
//
// Every entry point returns 0 for success and one of the FORMEL_ codes below for a
// failure; none throws. This header needs only the framework types' headers, no
// library code, so the plug-ins and their callers share it.
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/types/cstring.h>

/// Results of the entry points.
enum {
    FORMEL_OK = 0,
    FORMEL_ERROR_SYNTAX = 1,    ///< the formula does not parse; the helper's LastError says where
    FORMEL_ERROR_ARGUMENT = 2,  ///< a null or foreign helper, a null text or list
    FORMEL_ERROR_MATH = 3,      ///< a constant part has no finite value (division by zero, overflow)
    FORMEL_ERROR_MEMORY = 4,    ///< out of memory
    FORMEL_ERROR_EMPTY = 5      ///< nothing has been scanned into the helper yet
};

/// Kinds of a scanned formula (the kind result of UbhvBlock2Upn and CFormelHelper::GetKind).
enum {
    FORMEL_KIND_NONE = -1,       ///< nothing scanned, or the scan failed
    FORMEL_KIND_EXPRESSION = 0,  ///< one expression, such as 2*x+1
    FORMEL_KIND_ASSIGNMENT = 1,  ///< one assignment, such as y := 2*x+1
    FORMEL_KIND_BLOCK = 2        ///< a conditional block (IF/ELSE IF/ELSE) or several statements
};

/// The scanner's helper object: what one scan found out about a formula. Created by
/// CreateCFormelHelper, filled by Fml2Upn or UbhvBlock2Upn, read by UpnToSimplifyString,
/// CFormelArraySize and CFormelVarNameAt, freed by DestroyCFormelHelper. Callers read
/// it through the inline accessors only and never create, copy or delete one.
class CFormelHelper {
public:
    /// 1 when the formula is one assignment (NAME := expression), else 0.
    BOOL IsAssignment() const { return m_isAssignment; }
    /// The variable the assignment assigns to; empty when the formula is no assignment.
    const CString& GetAssignedName() const { return m_assignedName; }
    /// One of the FORMEL_KIND_ values.
    int GetKind() const { return m_kind; }
    /// The messages of the last failed scan or simplification, one per line; empty
    /// after a success.
    const CString& GetLastError() const { return m_lastError; }

    CFormelHelper() = default;
    CFormelHelper(const CFormelHelper&) = delete;
    CFormelHelper& operator=(const CFormelHelper&) = delete;

    // The fields below belong to the plug-ins.
    unsigned m_magic = 0;  ///< kFormelHelperMagic while the helper is alive.
    BOOL m_isAssignment = 0;  ///< 1 when the formula is one assignment.
    int m_kind = FORMEL_KIND_NONE;  ///< One of the FORMEL_KIND_ values.
    CString m_assignedName;  ///< The variable assigned to; empty without an assignment.
    CString m_lastError;  ///< The messages of the last failed scan, one per line.
    void* m_program = nullptr;  ///< The scanned formula in reverse Polish form; owned by the plug-ins.
};

/// Marks a live helper; every entry point checks it before it touches a helper.
constexpr unsigned kFormelHelperMagic = 0x464F524Du;

/// One error the block scanner found, with its readable message ("unknown function
/// 'sinn' at column 5"). The scanner allocates it; whoever receives it deletes it
/// (through its virtual destructor, before the scanner library is unloaded).
class CFormelError : public CObject {
public:
    /// An error with its message, 1-based line and column (0 when it has no place).
    CFormelError(const char* message, int line, int column) : m_message(message), m_line(line), m_column(column) {}
    /// The message, ending with a line break so that messages joined without a
    /// separator read one per line.
    const CString& GetMessage() const { return m_message; }
    /// 1-based line and column (in characters) of the error; 0 when it has no place.
    int GetLine() const { return m_line; }
    /// 1-based column (in characters) of the error; 0 when it has no place.
    int GetColumn() const { return m_column; }

private:
    CString m_message;
    int m_line;
    int m_column;
};

extern "C" {
/// Vexa2000: creates a helper and stores it in *helper.
typedef int (*PFN_CreateCFormelHelper)(CFormelHelper** helper);
/// Vexa2000: frees *helper (null is allowed) and sets *helper to null.
typedef int (*PFN_DestroyCFormelHelper)(CFormelHelper** helper);
/// Vexa2000: how many distinct variables the scanned formula uses (assignment targets
/// included), 0 for a null helper.
typedef int (*PFN_CFormelArraySize)(CFormelHelper* helper);
/// Vexa2000: the index-th of those variables, in order of first appearance.
typedef int (*PFN_CFormelVarNameAt)(CString* name, CFormelHelper* helper, int index);
/// Lurvenc: scans the zero-terminated formula into the helper in reverse Polish form.
/// flags: 0; other values are reserved and ignored.
typedef int (*PFN_Fml2Upn)(char* formula, CFormelHelper* helper, int flags);
/// Lurvenc: scans a formula that may be a conditional block. kind receives a
/// FORMEL_KIND_ value; names receives (appended) every variable assigned anywhere in
/// the formula; errors receives (appended) one CFormelError* per error found.
typedef int (*PFN_UbhvBlock2Upn)(const char* formula, CFormelHelper* helper, int* kind, CStringArray* names,
                                 CPtrArray* errors);
/// Quendral: replaces *formula by the simplified form of the formula scanned into the
/// helper: every constant part folded, a plain number (printed like "%.15g") when the
/// formula holds only numbers. On failure *formula is left as it was. A helper that
/// holds no scan yet is filled from *formula first.
typedef int (*PFN_UpnToSimplifyString)(CString* formula, CFormelHelper* helper);
}
