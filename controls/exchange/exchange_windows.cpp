// The exchange dialogs as the windows of their rules: the engine's requests through
// the dialog hub show these windows once the window layer runs.
#include <toolbox/ui/exchange_dialogs.h>
#include <toolbox/ui/recorder_files_dialog.h>

#include <toolbox/ui/window_layer.h>

#include "controls/window/family_windows.h"

namespace {

/// Registers Dialog as the window of Rules' template: the dialog changes the request's
/// rules in place, so the caller reads the choices from its request after IDOK.
template <typename Rules, typename Dialog>
void RegisterWindow(UINT templateId) {
    TBRegisterModalWindow(templateId, [](CModalRequest& request, CWnd* parent) -> int {
        auto* rules = dynamic_cast<Rules*>(&request);
        if (!rules) return request.AnswerWithoutWindow();
        Dialog dialog(*rules, parent);
        const INT_PTR result = dialog.DoModal();
        if (result == -1) return TB_DIALOG_NOT_SHOWN;
        return result == IDOK ? IDOK : IDCANCEL;
    });
}

}  // namespace

void TBRegisterExchangeWindows() {
    RegisterWindow<CTextImportRules, CTextImportDlg>(IDD_TEXT_IMPORT);
    RegisterWindow<CExportSeparatorRules, CExportSeparatorDlg>(IDD_EXPORT_SEPARATOR);
    RegisterWindow<CTableChoiceRules, CTableChoiceDlg>(IDD_TB_TABLE_CHOICE);
    RegisterWindow<CRecorderFilesRules, CRecorderFilesDlg>(4308);
}

namespace {
// Registered again at each start of the window layer.
const CFamilyWindows kWindows(TBRegisterExchangeWindows);
}  // namespace
