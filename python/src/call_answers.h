// The answers one call of the module gives to the questions the library would ask a
// user. Python code never sees a dialog: the module's dialog hub answers the table
// dialog from the call's arguments and refuses everything else, so that the
// call fails with the library's own error instead of waiting for a window.
#pragma once

#include <toolbox/types/types.h>

#include <string>
#include <vector>

namespace tb_python {

/// What the current call on this thread allows the library to ask, and what it asked.
struct CallAnswers {
    bool answerFirstTable = false;      ///< the table dialog is answered with its first table
    std::vector<std::string> refused;   ///< dialogs asked and refused (their template ids)
    std::vector<std::string> messages;  ///< message boxes the library would have shown
};

/// Makes answers the current call's answers on this thread while it lives.
class ScopedCallAnswers {
public:
    explicit ScopedCallAnswers(CallAnswers& answers);
    ~ScopedCallAnswers();
    ScopedCallAnswers(const ScopedCallAnswers&) = delete;
    ScopedCallAnswers& operator=(const ScopedCallAnswers&) = delete;

private:
    CallAnswers* m_previous;
};

/// Registers the module's dialog hub with the library (once, at import).
void InstallAnsweringHub();

}  // namespace tb_python
