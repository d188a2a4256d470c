#include "formula/helper_glue.h"

namespace formula {

Program* ProgramOf(CFormelHelper* helper) {
    if (!helper || helper->m_magic != kFormelHelperMagic) return nullptr;
    return static_cast<Program*>(helper->m_program);
}

std::string JoinMessages(const std::vector<Diagnostic>& errors) {
    std::string text;
    for (const Diagnostic& d : errors) {
        if (!text.empty()) text += '\n';
        text += d.message;
    }
    return text;
}

int ScanIntoHelper(CFormelHelper* helper, std::string_view text) {
    Program* program = ProgramOf(helper);
    if (!program) return FORMEL_ERROR_ARGUMENT;
    const bool ok = Parse(text, *program);
    helper->m_kind = program->kind;
    helper->m_isAssignment = program->kind == 1;
    if (program->kind == 1) {
        const Statement& st = program->statements[program->firstTop];
        helper->m_assignedName = program->variables[st.target];
    } else {
        helper->m_assignedName.Empty();
    }
    if (ok)
        helper->m_lastError.Empty();
    else
        helper->m_lastError = JoinMessages(program->errors);
    return ok ? FORMEL_OK : FORMEL_ERROR_SYNTAX;
}

}  // namespace formula
