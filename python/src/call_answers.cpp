#include "call_answers.h"

#include <toolbox/exchange/table_choice.h>
#include <toolbox/os/dialog_hub.h>

namespace tb_python {
namespace {

// Each thread's current call: reads run with the interpreter lock released, so two
// threads may be inside the library at once, each with its own answers.
thread_local CallAnswers* t_answers = nullptr;

bool AnswerFirstTable(CTableChoiceRules& choice) {
    if (choice.GetNames().GetSize() == 0) return false;
    choice.SetSelected(0);
    return true;
}

// The hub of a process that has no user: answers what the call allows, refuses the
// rest, and keeps message box texts for the call's warnings.
class AnsweringHub : public CDialogHub {
public:
    CString AskFileName(const CFileDialogRequest& request) override {
        Refuse(request.forReading ? "file open dialog" : "file save dialog");
        return CString();
    }
    int MessageBox(const CString& text, const CString&, UINT) override {
        if (t_answers) t_answers->messages.emplace_back(text.GetString());
        return IDOK;
    }
    int DoModal(CModalRequest& request) override {
        if (t_answers && t_answers->answerFirstTable)
            if (auto* choice = dynamic_cast<CTableChoiceRules*>(&request))
                return AnswerFirstTable(*choice) ? IDOK : IDCANCEL;
        Refuse("dialog " + std::to_string(request.GetTemplateId()));
        return IDCANCEL;
    }
    void ShowProgress(int, int, const CString&) override {}

private:
    static void Refuse(const std::string& what) {
        if (t_answers) t_answers->refused.push_back(what);
    }
};

}  // namespace

ScopedCallAnswers::ScopedCallAnswers(CallAnswers& answers) : m_previous(t_answers) { t_answers = &answers; }
ScopedCallAnswers::~ScopedCallAnswers() { t_answers = m_previous; }

void InstallAnsweringHub() {
    // Lives as long as the process: the library may ask through the hub until exit.
    static AnsweringHub hub;
    TBSetDialogHub(&hub);
}

}  // namespace tb_python
