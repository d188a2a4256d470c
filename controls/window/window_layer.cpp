// Starting the window layer: a Qt application when the host has none, and the Qt
// dialog hub and clipboard hub registered with the core.
#include <toolbox/ui/window_layer.h>

#include <toolbox/ui/dialog.h>
#include <toolbox/ui/wnd.h>

#include "controls/window/family_windows.h"
#include "controls/window/native_window.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QWidget>

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace {

/// The window layer's process-wide objects: made at the first start, gone at the last stop.
struct WindowLayer {
    int starts = 0;
    std::unique_ptr<QApplication> ownApplication;
    CQtDialogHub dialogHub;
    CQtClipboardHub clipboardHub;
    std::map<UINT, TBModalWindowFactory> modalWindows;
    std::unique_ptr<CDialog> progress;  // the modeless "Add to archive" window (template 4200)
};

WindowLayer& Layer() {
    static WindowLayer layer;
    return layer;
}

// QApplication keeps references to these for its whole life.
int g_argc = 1;
char g_programName[] = "toolbox";
char* g_argv[] = {g_programName, nullptr};

}  // namespace

bool TBStartWindowLayer() {
    WindowLayer& layer = Layer();
    if (layer.starts++ > 0) return true;
    if (!qApp) {
        // Without a display the windows are drawn offscreen (tests, the gallery, servers).
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        layer.ownApplication = std::make_unique<QApplication>(g_argc, g_argv);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        layer.starts = 0;
        return false;
    }
    TBSetDialogHub(&layer.dialogHub);
    TBSetClipboardHub(&layer.clipboardHub);
    TBRegisterFamilyWindows();
    return true;
}

void TBStopWindowLayer() {
    WindowLayer& layer = Layer();
    if (layer.starts == 0 || --layer.starts > 0) return;
    TBSetDialogHub(nullptr);
    TBSetClipboardHub(nullptr);
    layer.progress.reset();
    layer.modalWindows.clear();
    layer.ownApplication.reset();
}

bool TBIsWindowLayerStarted() { return Layer().starts > 0; }

namespace {

// Filled while the library loads (the families' CFamilyWindows), read-only afterwards;
// function-local so that it exists before the first family registers.
std::vector<TBWindowRegistration>& FamilyRegistrations() {
    static std::vector<TBWindowRegistration> registrations;
    return registrations;
}

}  // namespace

CFamilyWindows::CFamilyWindows(TBWindowRegistration registration) {
    if (registration) FamilyRegistrations().push_back(registration);
}

void TBRegisterFamilyWindows() {
    for (TBWindowRegistration registration : FamilyRegistrations()) registration();
}

namespace {

// The families' template tables, filled while the library loads like the registrations.
std::vector<std::pair<const CDialogTemplate*, std::size_t>>& FamilyTemplates() {
    static std::vector<std::pair<const CDialogTemplate*, std::size_t>> tables;
    return tables;
}

}  // namespace

CFamilyDialogTemplates::CFamilyDialogTemplates(const CDialogTemplate* templates, std::size_t count) {
    if (templates && count) FamilyTemplates().emplace_back(templates, count);
}

const CDialogTemplate* TBFindFamilyDialogTemplate(UINT id) {
    for (const auto& [templates, count] : FamilyTemplates())
        for (std::size_t i = 0; i < count; ++i)
            if (templates[i].id == id) return &templates[i];
    return nullptr;
}

void TBAddFamilyDialogTemplateIds(std::vector<UINT>& ids) {
    for (const auto& [templates, count] : FamilyTemplates())
        for (std::size_t i = 0; i < count; ++i) ids.push_back(templates[i].id);
}

void TBRegisterModalWindow(UINT templateId, TBModalWindowFactory factory) {
    if (factory)
        Layer().modalWindows[templateId] = std::move(factory);
    else
        Layer().modalWindows.erase(templateId);
}

// ------------------------------------------------------------------ the Qt dialog hub

CString CQtDialogHub::AskFileName(const CFileDialogRequest& request) {
    CFileDialog dialog(request.forReading, request.defaultExtension, request.initialName,
                       request.flags | (request.forReading ? OFN_FILEMUSTEXIST : 0), request.filter);
    return dialog.DoModal() == IDOK ? dialog.GetPathName() : CString();
}

int CQtDialogHub::MessageBox(const CString& text, const CString& caption, UINT type) {
    return TBMessageBox(nullptr, text, caption.IsEmpty() ? nullptr : caption.GetString(), type);
}

int CQtDialogHub::DoModal(CModalRequest& request) {
    auto& windows = Layer().modalWindows;
    auto it = windows.find(request.GetTemplateId());
    // A request whose window no part has registered yet is answered as without windows.
    if (it == windows.end()) return request.AnswerWithoutWindow();
    return it->second(request, nullptr);
}

void CQtDialogHub::ShowProgress(int position, int count, const CString& name) {
    constexpr UINT kProgressTemplate = 4200, kProgressBar = 4000, kProgressFile = 4001;
    constexpr UINT PBM_SETPOS = WM_USER + 2, PBM_SETRANGE32 = WM_USER + 6;  // the progress bar's messages
    WindowLayer& layer = Layer();
    // The task is over (or there is none): the window goes.
    if (count <= 0 || position >= count) {
        layer.progress.reset();
        return;
    }
    if (!layer.progress) {
        auto window = std::make_unique<CDialog>();
        if (!window->Create(kProgressTemplate, nullptr)) return;
        window->ShowWindow(SW_SHOW);
        layer.progress = std::move(window);
    }
    CDialog& window = *layer.progress;
    if (CWnd* bar = window.GetDlgItem(kProgressBar)) {
        bar->SendMessage(PBM_SETRANGE32, 0, count);
        bar->SendMessage(PBM_SETPOS, position < 0 ? 0 : position);
    }
    window.SetDlgItemText(kProgressFile, name);
    QCoreApplication::processEvents();
}

// ------------------------------------------------------------------ the system clipboard

bool CQtClipboardHub::HasText() const {
    const QMimeData* data = qApp ? QGuiApplication::clipboard()->mimeData() : nullptr;
    return data && data->hasText();
}

CString CQtClipboardHub::GetText() const { return qApp ? TBC(QGuiApplication::clipboard()->text()) : CString(); }

bool CQtClipboardHub::SetText(const CString& text) {
    if (!qApp) return false;
    QGuiApplication::clipboard()->setText(TBQ(text));
    return true;
}

void CQtClipboardHub::Clear() {
    if (qApp) QGuiApplication::clipboard()->clear();
}
