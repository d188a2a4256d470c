// A dialog hub for tests: installed when made (the headless hub again when it goes),
// records what the code asked and answers as the test says.
#pragma once

#include <toolbox/exchange/table_choice.h>
#include <toolbox/os/dialog_hub.h>

#include <functional>
#include <string>
#include <vector>

namespace tbtest {

class FakeDialogHub : public CDialogHub {
public:
    FakeDialogHub() { TBSetDialogHub(this); }
    ~FakeDialogHub() override { TBSetDialogHub(nullptr); }
    FakeDialogHub(const FakeDialogHub&) = delete;
    FakeDialogHub& operator=(const FakeDialogHub&) = delete;

    /// Answers modal dialogs; without it every dialog is cancelled.
    std::function<int(CModalRequest&)> answerModal;
    /// The path a file dialog returns; empty cancels it.
    CString fileName;
    /// The button a message box returns.
    int messageBoxAnswer = IDOK;

    int modalCount = 0;
    std::vector<CFileDialogRequest> fileRequests;
    std::vector<std::string> messageTexts;
    std::vector<UINT> messageTypes;

    int DoModal(CModalRequest& request) override {
        ++modalCount;
        return answerModal ? answerModal(request) : IDCANCEL;
    }
    CString AskFileName(const CFileDialogRequest& request) override {
        fileRequests.push_back(request);
        return fileName;
    }
    int MessageBox(const CString& text, const CString&, UINT type) override {
        messageTexts.push_back(text.GetString());
        messageTypes.push_back(type);
        return messageBoxAnswer;
    }
};

/// Answers the table choice of a database or workbook with entry pick (negative:
/// cancels) and records the table names it offered.
class TableChoiceHub : public FakeDialogHub {
public:
    explicit TableChoiceHub(int pick) {
        answerModal = [this, pick](CModalRequest& request) {
            auto* tables = dynamic_cast<CTableChoiceRules*>(&request);
            if (!tables) return IDCANCEL;
            offered.clear();
            for (int i = 0; i < tables->GetNames().GetSize(); ++i) offered.push_back(tables->GetNames()[i].GetString());
            if (pick < 0) return IDCANCEL;
            tables->SetSelected(pick);
            return IDOK;
        };
    }
    std::vector<std::string> offered;
};

}  // namespace tbtest
