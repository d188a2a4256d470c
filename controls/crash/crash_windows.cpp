// The crash report dialog as the window of the crash reporter's question, and the
// reporter program's run with windows.
#include <toolbox/ui/crash_report_dialogs.h>

#include <toolbox/ui/window_layer.h>

#include "controls/window/family_windows.h"

#include <toolbox/crash/crash_report.h>

void TBRegisterCrashReportWindows() {
    TBRegisterModalWindow(IDD_CRASH_REPORT, [](CModalRequest& request, CWnd* parent) -> int {
        auto* report = dynamic_cast<CCrashReportRequest*>(&request);
        if (!report) return request.AnswerWithoutWindow();
        CrashReportDialog dialog(report->GetReportFiles(), report->ProgramPath, parent);
        const INT_PTR result = dialog.DoModal();
        if (result == IDOK) {
            report->SenderAddress = dialog.GetSenderAddress();
            report->Description = dialog.GetDescription();
            return IDOK;
        }
        return result == -1 ? TB_DIALOG_NOT_SHOWN : IDCANCEL;
    });
}

int TBRunCrashReporterWithWindows(int argc, char** argv) {
    if (!TBStartWindowLayer()) return TBRunCrashReporter(argc, argv);
    const int status = TBRunCrashReporter(argc, argv);
    TBStopWindowLayer();
    return status;
}

namespace {
// Registered again at each start of the window layer.
const CFamilyWindows kWindows(TBRegisterCrashReportWindows);
}  // namespace
