// The crash report questions handed to the dialog hub.
#include <toolbox/crash/crash_dialogs.h>

#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cstdlib>

namespace {
CString Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? CString(value) : CString();
}
}  // namespace

int CCrashReportRequest::AnswerWithoutWindow() {
    CString answer = Environment("TOOLBOX_CRASH_REPORT_ANSWER");
    if (answer == "send") {
        SenderAddress = Environment("TOOLBOX_CRASH_REPORT_SENDER");
        Description = Environment("TOOLBOX_CRASH_REPORT_DESCRIPTION");
        return IDOK;
    }
    if (answer == "discard") return IDCANCEL;
    return TB_DIALOG_NOT_SHOWN;
}

TBCrashAnswer TBAskToSendCrashReport(const CMapStringToString& files, CString& senderAddress, CString& description,
                                     const CString& programPath) {
    CCrashReportRequest request(files);
    request.ProgramPath = programPath;
    int result = TBGetDialogHub().DoModal(request);
    if (result == IDOK) {
        senderAddress = request.SenderAddress;
        description = request.Description;
        return TBCrashAnswer::Send;
    }
    // Any button other than Send declines; a dialog that could not be shown asked nobody.
    return result == TB_DIALOG_NOT_SHOWN ? TBCrashAnswer::NobodyToAsk : TBCrashAnswer::DontSend;
}

CString TBAskCrashArchiveTarget() {
    CFileDialogRequest request;
    request.forReading = false;
    request.defaultExtension = "zip";
    // String TBMsg::ZipFilesFilter is the filter's description; the pattern completes the pair.
    request.filter = TBLoadString(TBMsg::ZipFilesFilter) + "|*.zip||";
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    return TBGetDialogHub().AskFileName(request);
}

void TBShowCrashMessage(const CString& text, UINT icon) { TBGetDialogHub().MessageBox(text, CString(), MB_OK | icon); }

void TBShowCrashProgress(int position, int count, const CString& name) {
    TBGetDialogHub().ShowProgress(position, count, name);
}
