// The viewer's main window: a frame with menu, tool bar and status line around the
// channel list, the plot and the text pane.
#pragma once

#include "channel_grid.h"
#include "plot_view.h"
#include "text_pane.h"
#include "view_document.h"

#include <toolbox/ui/frame_wnd.h>

#include <memory>
#include <vector>

class QObject;
class CViewFrame;

/// Command ids of the viewer's menu and tool bar.
namespace viewcmd {
constexpr UINT kOpen = 0xE101;
constexpr UINT kCloseFile = 0xE102;
constexpr UINT kExit = 0xE141;
constexpr UINT kCopy = 0xE122;
constexpr UINT kPaste = 0xE125;
constexpr UINT kExport = 0x8101;
constexpr UINT kSavePlot = 0x8102;
constexpr UINT kZoomIn = 0x8110;
constexpr UINT kZoomOut = 0x8111;
constexpr UINT kShowAll = 0x8112;
}  // namespace viewcmd

/// The frame's client area: the parent of the list, the plot and the text pane, which
/// hands the list's messages to the frame.
class CViewClient : public CWnd {
public:
    explicit CViewClient(CViewFrame& frame) : m_frame(frame) {}

protected:
    void OnSize(UINT kind, int cx, int cy);
    LRESULT OnCellWritten(WPARAM wParam, LPARAM lParam);
    LRESULT OnValidate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    CViewFrame& m_frame;
};

class CViewFrame : public CTBFrameWnd {
public:
    CViewFrame();
    ~CViewFrame() override;

    /// Makes the window (hidden) with menu, tool bar, status line and the panes;
    /// size (0: the remembered placement, else 1100 x 700).
    BOOL Create(CSize size);
    /// Opens path beside the files already open. interactive: the readers may ask, and
    /// a failure shows the library's message in a message box. False when nothing opened.
    bool OpenFile(const CString& path, bool interactive);
    /// Ticks the channels named (else numbered from 1) in names; false after naming an
    /// unknown one in error.
    bool PlotChannels(const std::vector<CString>& names, CString& error);
    /// Ticks the first few channels of every file (what a first picture shows).
    void PlotFirstChannels(int count);
    /// Re-lists the channels and redraws the plot after a change.
    void Refresh();

    CViewChannelGrid& GetGrid() { return m_grid; }
    CViewPlot& GetPlot() { return m_plot; }
    CViewTextPane& GetTextPane() { return m_text; }
    int GetDocumentCount() const { return static_cast<int>(m_documents.size()); }
    CViewDocument& GetDocument(int index) { return *m_documents[static_cast<std::size_t>(index)]; }

    /// The list's messages, from the client area.
    void OnChannelWritten(int row, int column);
    bool IsNameAcceptable(int row, int column) const;
    /// Places list, plot and text pane in the client area.
    void LayOutPanes(int cx, int cy);

    void OnClose() override;

protected:
    void OnOpen();
    void OnCloseFile();
    void OnExport();
    void OnSavePlot();
    void OnCopy();
    void OnPaste();
    void OnZoomIn();
    void OnZoomOut();
    void OnShowAll();
    void OnExit();
    void OnUpdateNeedsFile(CCmdUI* ui);
    void OnUpdateNeedsPlot(CCmdUI* ui);
    DECLARE_MESSAGE_MAP()

private:
    void BuildMenuAndToolBar();
    std::vector<CViewDocument*> Documents() const;
    /// The file of the selected row, else the first; null without files.
    CViewDocument* CurrentDocument();
    void ShowStatus();
    void SavePlacement();
    void ReportFailure(const CString& text);

    std::vector<std::unique_ptr<CViewDocument>> m_documents;
    CViewClient m_client;
    CViewChannelGrid m_grid;
    CViewPlot m_plot;
    CViewTextPane m_text;
    QObject* m_dropFilter = nullptr;
    bool m_hasText = false;
};
