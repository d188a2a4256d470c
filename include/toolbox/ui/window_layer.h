/// \file
/// \brief Starting the window layer: the Qt application (made when the host has none), the Qt dialog hub and the system clipboard registered with the core, so that every core call that asks the user shows a real window.
// Starting the window layer: the Qt application (made when the host has none), the
// Qt dialog hub and the system clipboard registered with the core, so that every core
// call that asks the user shows a real window.
#pragma once

#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/dialog_hub.h>

#include <functional>

class CModalRequest;
class CWnd;

/// Starts the window layer; makes a QApplication when there is none (offscreen when no
/// display is set). Returns false when no Qt application could be made. Repeated
/// calls only count; TBStopWindowLayer undoes the last one.
TB_EXPORT bool TBStartWindowLayer();
/// Unregisters the hubs (the core answers headlessly again) after the last start.
TB_EXPORT void TBStopWindowLayer();
/// True while the window layer is started (more starts than stops).
TB_EXPORT bool TBIsWindowLayerStarted();

/// Shows a request's dialog: returns IDOK or IDCANCEL. Each dialog issue registers the
/// window for its template id; the hub answers requests without one headlessly.
typedef std::function<int(CModalRequest& request, CWnd* parent)> TBModalWindowFactory;
/// Registers factory to show requests with templateId (a null factory removes it).
TB_EXPORT void TBRegisterModalWindow(UINT templateId, TBModalWindowFactory factory);

/// The dialog hub that shows Qt windows (file dialogs, message boxes, progress).
class TB_EXPORT CQtDialogHub : public CDialogHub {
public:
    CString AskFileName(const CFileDialogRequest& request) override;
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
    int DoModal(CModalRequest& request) override;
    void ShowProgress(int position, int count, const CString& name) override;
};

/// The system clipboard through Qt.
class TB_EXPORT CQtClipboardHub : public CClipboardHub {
public:
    bool HasText() const override;
    CString GetText() const override;
    bool SetText(const CString& text) override;
    void Clear() override;
};

/// Renders every control and dialog the library has into PNG files in folder; returns
/// the number of files written, -1 when the folder cannot be made.
TB_EXPORT int TBRenderGallery(const char* folder);
