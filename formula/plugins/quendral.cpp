// "Quendral": the simplifier that turns the reverse Polish form back into text with
// every constant part folded.
#include "formula/helper_glue.h"

using formula::Diagnostic;
using formula::Program;
using formula::ProgramOf;

FORMEL_EXPORT int UpnToSimplifyString(CString* formula, CFormelHelper* helper) {
    Program* program = ProgramOf(helper);
    if (!formula || !program) return FORMEL_ERROR_ARGUMENT;
    try {
        if (program->kind < 0 && program->errors.empty()) {
            // Nothing scanned yet: the text itself is the formula.
            const int scanned = formula::ScanIntoHelper(helper, formula->view());
            if (scanned != FORMEL_OK) return scanned;
        }
        if (!program->Ok()) return FORMEL_ERROR_SYNTAX;
        std::string text;
        Diagnostic error;
        if (!formula::Simplify(*program, text, error)) {
            helper->m_lastError = error.message;
            return FORMEL_ERROR_MATH;
        }
        *formula = text;
        helper->m_lastError.Empty();
        return FORMEL_OK;
    } catch (...) {
        return FORMEL_ERROR_MEMORY;
    }
}
