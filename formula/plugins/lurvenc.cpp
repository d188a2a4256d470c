// "Lurvenc": the translator from formula text to reverse Polish form, and the block
// scanner of the formula check.
#include "formula/helper_glue.h"

#include <cstring>

using formula::Diagnostic;
using formula::Program;
using formula::ProgramOf;

FORMEL_EXPORT int Fml2Upn(char* formula, CFormelHelper* helper, int flags) {
    (void)flags;  // no flag is defined yet
    if (!formula || !ProgramOf(helper)) return FORMEL_ERROR_ARGUMENT;
    try {
        return formula::ScanIntoHelper(helper, std::string_view(formula, std::strlen(formula)));
    } catch (...) {
        return FORMEL_ERROR_MEMORY;
    }
}

FORMEL_EXPORT int UbhvBlock2Upn(const char* formula, CFormelHelper* helper, int* kind, CStringArray* names,
                                CPtrArray* errors) {
    if (kind) *kind = FORMEL_KIND_NONE;
    try {
        if (!formula || !ProgramOf(helper)) {
            if (errors) {
                errors->Add(new CFormelError(
                    !formula ? "no formula was given to the scanner\n" : "the scanner has no helper object\n", 0, 0));
            }
            return FORMEL_ERROR_ARGUMENT;
        }
        const int result = formula::ScanIntoHelper(helper, std::string_view(formula, std::strlen(formula)));
        const Program* program = ProgramOf(helper);
        if (kind) *kind = program->kind;
        if (result == FORMEL_OK && names) {
            for (uint32_t index : program->assigned) names->Add(program->variables[index].c_str());
        }
        if (result != FORMEL_OK && errors) {
            for (const Diagnostic& d : program->errors)
                errors->Add(new CFormelError((d.message + "\n").c_str(), d.line, d.column));
        }
        return result;
    } catch (...) {
        return FORMEL_ERROR_MEMORY;
    }
}
