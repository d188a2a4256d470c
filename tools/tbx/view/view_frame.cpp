// The viewer's main window.
#include "view_frame.h"

#include <toolbox/exchange/engine.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/settings_store.h>
#include <toolbox/resources/language_file.h>
#include <toolbox/ui/menu.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QObject>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr UINT kGridId = 101, kPlotId = 102, kTextId = 103;
const char kPlacementSection[] = "tbx view";

/// Files dropped onto the window are opened as if chosen with File > Open.
class CDropFilter : public QObject {
public:
    explicit CDropFilter(CViewFrame& frame) : m_frame(frame) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragEnter) {
            auto* enter = static_cast<QDragEnterEvent*>(event);
            if (enter->mimeData()->hasUrls()) enter->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) m_frame.OpenFile(url.toLocalFile().toUtf8().constData(), true);
            drop->acceptProposedAction();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CViewFrame& m_frame;
};

/// A menu item's caption in the user's language (the language file's named text).
CString Text(const char* name, const char* english) { return TBLoadText(name, english); }

}  // namespace

// ------------------------------------------------------------------ client area

BEGIN_MESSAGE_MAP(CViewClient, CWnd)
ON_WM_SIZE()
ON_MESSAGE(TBWM_LIST_CELL_WRITTEN, OnCellWritten)
ON_MESSAGE(TBWM_LIST_VALIDATE, OnValidate)
END_MESSAGE_MAP()

void CViewClient::OnSize(UINT, int cx, int cy) { m_frame.LayOutPanes(cx, cy); }

LRESULT CViewClient::OnCellWritten(WPARAM, LPARAM lParam) {
    m_frame.OnChannelWritten(LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam)));
    return 0;
}

LRESULT CViewClient::OnValidate(WPARAM, LPARAM lParam) {
    return m_frame.IsNameAcceptable(LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam))) ? 0 : 1;
}

// ------------------------------------------------------------------ frame

BEGIN_MESSAGE_MAP(CViewFrame, CTBFrameWnd)
ON_COMMAND(viewcmd::kOpen, OnOpen)
ON_COMMAND(viewcmd::kCloseFile, OnCloseFile)
ON_COMMAND(viewcmd::kExport, OnExport)
ON_COMMAND(viewcmd::kSavePlot, OnSavePlot)
ON_COMMAND(viewcmd::kCopy, OnCopy)
ON_COMMAND(viewcmd::kPaste, OnPaste)
ON_COMMAND(viewcmd::kZoomIn, OnZoomIn)
ON_COMMAND(viewcmd::kZoomOut, OnZoomOut)
ON_COMMAND(viewcmd::kShowAll, OnShowAll)
ON_COMMAND(viewcmd::kExit, OnExit)
ON_UPDATE_COMMAND_UI(viewcmd::kCloseFile, OnUpdateNeedsFile)
ON_UPDATE_COMMAND_UI(viewcmd::kExport, OnUpdateNeedsFile)
ON_UPDATE_COMMAND_UI(viewcmd::kCopy, OnUpdateNeedsFile)
ON_UPDATE_COMMAND_UI(viewcmd::kSavePlot, OnUpdateNeedsPlot)
ON_UPDATE_COMMAND_UI(viewcmd::kZoomIn, OnUpdateNeedsPlot)
ON_UPDATE_COMMAND_UI(viewcmd::kZoomOut, OnUpdateNeedsPlot)
ON_UPDATE_COMMAND_UI(viewcmd::kShowAll, OnUpdateNeedsPlot)
END_MESSAGE_MAP()

CViewFrame::CViewFrame() : m_client(*this) {}

CViewFrame::~CViewFrame() {
    delete m_dropFilter;
    if (m_hWnd) DestroyWindow();
}

BOOL CViewFrame::Create(CSize size) {
    if (!LoadFrame(0)) return FALSE;
    SetWindowText("tbx view");
    BuildMenuAndToolBar();
    if (!m_client.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), this, 100) ||
        !m_grid.Create(&m_client, kGridId) || !m_plot.Create(&m_client, kPlotId) ||
        !m_text.Create(&m_client, kTextId))
        return FALSE;
    m_text.ShowWindow(SW_HIDE);
    SetActiveView(&m_client);
    if (size.cx > 0 && size.cy > 0) {
        MoveWindow(0, 0, static_cast<int>(size.cx), static_cast<int>(size.cy));
    } else {
        // The placement of the last session, kept inside the screen by the window system.
        const int x = TBGetProfileInt(kPlacementSection, "XPOS", 40), y = TBGetProfileInt(kPlacementSection, "YPOS", 40);
        const int cx = std::max(400, TBGetProfileInt(kPlacementSection, "CX", 1100));
        const int cy = std::max(300, TBGetProfileInt(kPlacementSection, "CY", 700));
        MoveWindow(x, y, cx, cy);
    }
    QWidget* w = GetWidget();
    w->setAcceptDrops(true);
    m_dropFilter = new CDropFilter(*this);
    w->installEventFilter(m_dropFilter);
    RecalcLayout();
    Refresh();
    return TRUE;
}

void CViewFrame::BuildMenuAndToolBar() {
    CMenu file, edit, view, bar;
    file.CreatePopupMenu();
    file.AppendMenu(MF_STRING, viewcmd::kOpen, Text("view.menu.open", "&Open...\tCtrl+O"));
    file.AppendMenu(MF_STRING, viewcmd::kExport, Text("view.menu.export", "&Export..."));
    file.AppendMenu(MF_STRING, viewcmd::kSavePlot, Text("view.menu.saveplot", "Save &plot as picture..."));
    file.AppendMenu(MF_STRING, viewcmd::kCloseFile, Text("view.menu.close", "&Close file"));
    file.AppendMenu(MF_SEPARATOR);
    file.AppendMenu(MF_STRING, viewcmd::kExit, Text("view.menu.exit", "E&xit"));
    edit.CreatePopupMenu();
    edit.AppendMenu(MF_STRING, viewcmd::kCopy, Text("view.menu.copy", "&Copy channels\tCtrl+C"));
    edit.AppendMenu(MF_STRING, viewcmd::kPaste, Text("view.menu.paste", "&Paste channels\tCtrl+V"));
    view.CreatePopupMenu();
    view.AppendMenu(MF_STRING, viewcmd::kZoomIn, Text("view.menu.zoomin", "Zoom &in\t+"));
    view.AppendMenu(MF_STRING, viewcmd::kZoomOut, Text("view.menu.zoomout", "Zoom &out\t-"));
    view.AppendMenu(MF_STRING, viewcmd::kShowAll, Text("view.menu.showall", "Show &all\tHome"));
    bar.CreatePopupMenu();
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(&file), Text("view.menu.file", "&File"));
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(&edit), Text("view.menu.edit", "&Edit"));
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(&view), Text("view.menu.view", "&View"));
    CTBCommandBars* bars = GetCommandBars();
    bars->Add("Menu", CTBCommandBar::MenuBar)->LoadMenu(&bar);
    CTBCommandBar* tools = bars->Add("Standard");
    tools->AddButton(viewcmd::kOpen, Text("view.tool.open", "Open"));
    tools->AddButton(viewcmd::kExport, Text("view.tool.export", "Export"));
    tools->AddButton(viewcmd::kCopy, Text("view.tool.copy", "Copy"));
    tools->AddButton(viewcmd::kPaste, Text("view.tool.paste", "Paste"));
    tools->AddButton(viewcmd::kZoomIn, Text("view.tool.zoomin", "Zoom in"));
    tools->AddButton(viewcmd::kZoomOut, Text("view.tool.zoomout", "Zoom out"));
    tools->AddButton(viewcmd::kShowAll, Text("view.tool.showall", "Show all"));
    tools->SetBeginGroup(2);
    tools->SetBeginGroup(4);
}

void CViewFrame::LayOutPanes(int cx, int cy) {
    if (!m_grid.GetSafeHwnd()) return;
    const bool hasPlot = std::any_of(m_documents.begin(), m_documents.end(),
                                     [](const auto& d) { return d->GetChannelCount() > 0; });
    const int listWidth = hasPlot || !m_hasText ? std::min(560, cx * 2 / 5) : std::min(300, cx / 4);
    m_grid.MoveWindow(0, 0, listWidth, cy);
    const int right = cx - listWidth - 4;
    if (m_hasText && hasPlot) {
        const int plotHeight = cy * 3 / 5;
        m_plot.MoveWindow(listWidth + 4, 0, right, plotHeight);
        m_text.MoveWindow(listWidth + 4, plotHeight + 4, right, cy - plotHeight - 4);
    } else if (m_hasText) {
        m_plot.MoveWindow(listWidth + 4, 0, 0, 0);
        m_text.MoveWindow(listWidth + 4, 0, right, cy);
    } else {
        m_plot.MoveWindow(listWidth + 4, 0, right, cy);
    }
    m_text.ShowWindow(m_hasText ? SW_SHOW : SW_HIDE);
}

std::vector<CViewDocument*> CViewFrame::Documents() const {
    std::vector<CViewDocument*> all;
    for (const auto& doc : m_documents) all.push_back(doc.get());
    return all;
}

void CViewFrame::Refresh() {
    m_grid.Fill(Documents());
    m_plot.SetDocuments(Documents());
    CRect client;
    m_client.GetClientRect(&client);
    LayOutPanes(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
    ShowStatus();
    if (GetCommandBars()) GetCommandBars()->UpdateCommandUI(this);
}

void CViewFrame::ShowStatus() {
    if (m_documents.empty()) {
        SetMessageText(m_hasText ? m_text.GetPath() : Text("view.status.ready", "Ready"));
        return;
    }
    const CViewDocument& doc = *m_documents.back();
    CString text;
    // Named placeholders, not a format string: the text comes from a language file.
    auto number = [](int n) {
        CString digits;
        digits.Format("%d", n);
        return digits;
    };
    text = Text("view.status.file", "{file}: {format}, {channels} channels of {values} values");
    text.Replace("{file}", doc.GetTitle());
    text.Replace("{format}", doc.GetFormatName());
    text.Replace("{channels}", number(doc.GetChannelCount()));
    text.Replace("{values}", number(doc.GetItemCount()));
    if (m_documents.size() > 1) {
        CString files = Text("view.status.files", " ({count} files open)");
        files.Replace("{count}", number(static_cast<int>(m_documents.size())));
        text += files;
    }
    SetMessageText(text);
}

void CViewFrame::ReportFailure(const CString& text) {
    // Through the dialog hub, as the library's own messages go: a host or a test that
    // answers for the user sees it too.
    TBGetDialogHub().MessageBox(text, "tbx view", MB_OK | MB_ICONEXCLAMATION);
    SetMessageText(text);
}

bool CViewFrame::OpenFile(const CString& path, bool interactive) {
    bool opened = false;
    if (ViewIsTextFile(path)) {
        CString error;
        if (m_text.ShowFile(path, error)) {
            m_hasText = opened = true;
        } else if (interactive) {
            ReportFailure(error);
        }
    }
    if (ViewIsDataFile(path)) {
        auto doc = std::make_unique<CViewDocument>();
        CString error, warnings;
        if (doc->Open(path, interactive, error, warnings) && doc->GetChannelCount() > 0) {
            m_documents.push_back(std::move(doc));
            opened = true;
        } else if (interactive && !doc->WasCancelled() && !(ViewIsTextFile(path) && opened)) {
            // A listing without tables still shows as text, a cancelled dialog needs no
            // word; anything else reports why.
            ReportFailure(error.IsEmpty() ? "The file " + path + " holds no channels." : error);
        }
    }
    Refresh();
    return opened;
}

bool CViewFrame::PlotChannels(const std::vector<CString>& names, CString& error) {
    for (const CString& name : names) {
        bool found = false;
        for (auto& doc : m_documents)
            for (int i = 0; i < doc->GetChannelCount(); ++i)
                if (doc->GetChannel(i).name == name) doc->GetChannel(i).plotted = found = true;
        // Else a number from 1, as tbx plot takes it (SPICE nodes are often numbers).
        const int number = std::atoi(name);
        CString digits;
        digits.Format("%d", number);
        if (!found && digits == name)
            for (auto& doc : m_documents)
                if (number >= 1 && number <= doc->GetChannelCount()) doc->GetChannel(number - 1).plotted = found = true;
        if (!found) {
            error = "no channel \"" + name + "\"";
            return false;
        }
    }
    Refresh();
    return true;
}

void CViewFrame::PlotFirstChannels(int count) {
    for (auto& doc : m_documents)
        for (int i = 1; i < doc->GetChannelCount() && i <= count; ++i) doc->GetChannel(i).plotted = true;
    Refresh();
}

CViewDocument* CViewFrame::CurrentDocument() {
    int d = 0, c = 0;
    if (m_grid.ChannelOfRow(m_grid.GetNextItem(-1, LVNI_SELECTED), d, c) && d < GetDocumentCount())
        return &GetDocument(d);
    return m_documents.empty() ? nullptr : m_documents.front().get();
}

void CViewFrame::OnChannelWritten(int row, int column) {
    int d = 0, c = 0;
    if (!m_grid.ChannelOfRow(row, d, c) || d >= GetDocumentCount()) return;
    CViewDocument& doc = GetDocument(d);
    ViewChannel& channel = doc.GetChannel(c);
    switch (column) {
        case CViewChannelGrid::kPlot:
            channel.plotted = m_grid.IsItemChecked(row, column) != FALSE;
            m_plot.SetDocuments(Documents());
            break;
        case CViewChannelGrid::kName:
            channel.name = m_grid.GetItemText(row, column);
            m_plot.Redraw();
            break;
        case CViewChannelGrid::kUnit: {
            CString error;
            if (!doc.ConvertUnit(c, m_grid.GetItemText(row, column), error)) ReportFailure(error);
            m_grid.ShowChannel(row, channel, doc.GetItemCount());
            // The x values changed: a zoomed range in the old unit would show nothing.
            if (c == 0) m_plot.ShowAll();
            m_plot.Redraw();
            break;
        }
        default: break;
    }
}

bool CViewFrame::IsNameAcceptable(int row, int column) const {
    return column != CViewChannelGrid::kName || !m_grid.GetItemText(row, column).IsEmpty();
}

void CViewFrame::OnOpen() {
    const CString path = AskExchangeFileName("*.cfg", CReadAndWriteFiles::GetFormatFilterRead(), 1);
    if (!path.IsEmpty()) OpenFile(path, true);
}

void CViewFrame::OnCloseFile() {
    CViewDocument* doc = CurrentDocument();
    if (!doc) return;
    m_documents.erase(std::find_if(m_documents.begin(), m_documents.end(),
                                   [doc](const auto& d) { return d.get() == doc; }));
    Refresh();
}

void CViewFrame::OnExport() {
    CViewDocument* doc = CurrentDocument();
    if (!doc) return;
    const CString path = AskExchangeFileName("*.csv", CReadAndWriteFiles::GetFormatFilterWrite(), 0);
    if (path.IsEmpty()) return;
    CString error;
    if (doc->Export(path, true, error))
        SetMessageText(Text("view.status.exported", "Exported to ") + path);
    else if (!error.IsEmpty())
        ReportFailure(error);
}

void CViewFrame::OnSavePlot() {
    const CString path = AskExchangeFileName("*.png", "PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg||", 0);
    if (path.IsEmpty()) return;
    CString error;
    if (!m_plot.SaveImage(path, 1280, 720, error)) ReportFailure(error);
    else SetMessageText(Text("view.status.saved", "Plot saved to ") + path);
}

void CViewFrame::OnCopy() {
    CViewDocument* doc = CurrentDocument();
    CString error;
    if (doc && !doc->CopyPlotted(error)) ReportFailure(error);
}

void CViewFrame::OnPaste() {
    auto doc = std::make_unique<CViewDocument>();
    CString error;
    if (!doc->Paste(error)) {
        ReportFailure(error);
        return;
    }
    m_documents.push_back(std::move(doc));
    Refresh();
}

void CViewFrame::OnZoomIn() {
    CRect client;
    m_plot.GetClientRect(&client);
    m_plot.ZoomAt(client.CenterPoint(), true);
}

void CViewFrame::OnZoomOut() { m_plot.ZoomBack(); }
void CViewFrame::OnShowAll() { m_plot.ShowAll(); }
void CViewFrame::OnExit() { SendMessage(WM_CLOSE); }

void CViewFrame::OnUpdateNeedsFile(CCmdUI* ui) { ui->Enable(!m_documents.empty()); }
void CViewFrame::OnUpdateNeedsPlot(CCmdUI* ui) { ui->Enable(m_plot.GetPanelCount() > 0); }

void CViewFrame::SavePlacement() {
    CRect r;
    GetWindowRect(&r);
    TBWriteProfileInt(kPlacementSection, "XPOS", static_cast<int>(r.left));
    TBWriteProfileInt(kPlacementSection, "YPOS", static_cast<int>(r.top));
    TBWriteProfileInt(kPlacementSection, "CX", static_cast<int>(r.Width()));
    TBWriteProfileInt(kPlacementSection, "CY", static_cast<int>(r.Height()));
}

void CViewFrame::OnClose() {
    SavePlacement();
    CTBFrameWnd::OnClose();
}
