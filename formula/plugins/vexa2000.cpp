// "Vexa2000": the scanner's helper object and the list of variables a formula uses.
#include "formula/helper_glue.h"

#include <new>

using formula::Program;
using formula::ProgramOf;

FORMEL_EXPORT int CreateCFormelHelper(CFormelHelper** helper) {
    if (!helper) return FORMEL_ERROR_ARGUMENT;
    *helper = nullptr;
    try {
        CFormelHelper* h = new CFormelHelper;
        h->m_program = new (std::nothrow) Program;
        if (!h->m_program) {
            delete h;
            return FORMEL_ERROR_MEMORY;
        }
        h->m_magic = kFormelHelperMagic;
        *helper = h;
        return FORMEL_OK;
    } catch (...) {
        return FORMEL_ERROR_MEMORY;
    }
}

FORMEL_EXPORT int DestroyCFormelHelper(CFormelHelper** helper) {
    if (!helper) return FORMEL_ERROR_ARGUMENT;
    CFormelHelper* h = *helper;
    if (!h) return FORMEL_OK;
    if (h->m_magic != kFormelHelperMagic) return FORMEL_ERROR_ARGUMENT;
    h->m_magic = 0;  // a second destroy of a stale pointer is refused, not repeated
    delete static_cast<Program*>(h->m_program);
    delete h;
    *helper = nullptr;
    return FORMEL_OK;
}

FORMEL_EXPORT int CFormelArraySize(CFormelHelper* helper) {
    const Program* program = ProgramOf(helper);
    if (!program || !program->Ok()) return 0;
    return static_cast<int>(program->variables.size());
}

FORMEL_EXPORT int CFormelVarNameAt(CString* name, CFormelHelper* helper, int index) {
    const Program* program = ProgramOf(helper);
    if (!name || !program) return FORMEL_ERROR_ARGUMENT;
    if (!program->Ok()) return FORMEL_ERROR_EMPTY;
    if (index < 0 || static_cast<size_t>(index) >= program->variables.size()) return FORMEL_ERROR_ARGUMENT;
    try {
        *name = program->variables[static_cast<size_t>(index)];
        return FORMEL_OK;
    } catch (...) {
        return FORMEL_ERROR_MEMORY;
    }
}
