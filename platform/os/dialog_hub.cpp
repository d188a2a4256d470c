#include <toolbox/os/dialog_hub.h>

#include <cstdio>

namespace {
CDialogHub* g_installedHub = nullptr;
}

CString CDialogHub::AskFileName(const CFileDialogRequest&) { return CString(); }

int CDialogHub::MessageBox(const CString& text, const CString& caption, UINT) {
    if (caption.IsEmpty())
        std::fprintf(stderr, "%s\n", text.GetString());
    else
        std::fprintf(stderr, "%s: %s\n", caption.GetString(), text.GetString());
    return IDOK;
}

int CDialogHub::DoModal(CModalRequest& request) { return request.AnswerWithoutWindow(); }

void CDialogHub::ShowProgress(int, int, const CString&) {}

CDialogHub& TBGetDialogHub() {
    static CDialogHub headless;
    return g_installedHub ? *g_installedHub : headless;
}

void TBSetDialogHub(CDialogHub* hub) { g_installedHub = hub; }
