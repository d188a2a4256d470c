/// \file
/// \brief Frame windows with command bars, docking panes, a view and a message line, and TBRunModalFrameWnd, which runs such a frame like a modal dialog.
// Frame windows with command bars, docking panes, a view and a message line, and
// TBRunModalFrameWnd, which runs such a frame like a modal dialog.
#pragma once

#include <toolbox/ui/command_bars.h>
#include <toolbox/ui/docking_panes.h>
#include <toolbox/ui/wnd.h>

#include <memory>

class QEventLoop;
class CIdleHook;

/// The frame's title shows the document's name too.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

/// A frame window: command bars on top, docking panes, the active view, a message line.
class TB_EXPORT CTBFrameWnd : public CWnd {
public:
    CTBFrameWnd();
    ~CTBFrameWnd() override;

    /// Makes the frame: title from string resourceId, menu bar from menu resource
    /// resourceId when there is one, command bars and docking panes installed.
    virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* parent = nullptr);

    /// The frame's command bars (null before LoadFrame).
    CTBCommandBars* GetCommandBars() { return m_bars.get(); }
    /// The frame's docking panes.
    CTBDockingPaneManager* GetDockingPaneManager() { return &m_panes; }
    /// The view that fills the space the bars and panes leave (owned by the caller);
    /// commands reach it before the frame.
    void SetActiveView(CWnd* view);
    /// The view commands reach first (null: none).
    CWnd* GetActiveView() const { return m_view; }
    /// The text of the message line at the bottom.
    void SetMessageText(const char* text);
    /// The message line's text.
    CString GetMessageText() const { return m_message; }
    /// Places bars, panes, view and message line.
    void RecalcLayout();

    /// Print preview: entering saves and closes the docking panes, leaving restores them.
    void SetPreviewMode(BOOL preview);
    /// True between entering and leaving print preview.
    BOOL IsPreviewMode() const { return m_preview; }

    /// Runs the frame's own message loop until EndModalLoop; returns its value.
    int RunModalLoop();
    /// Ends RunModalLoop with result.
    void EndModalLoop(int result);
    /// True while RunModalLoop runs.
    BOOL IsInModalLoop() const { return m_loop != nullptr; }

    /// Idle handling: the bars ask this frame for their commands' state, the message
    /// line shows the current text.
    virtual void OnIdleUpdateCmdUI();
    /// Closing ends the modal loop when the frame runs one, else destroys the window.
    virtual void OnClose();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    /// Size lays out bars, panes and view; idle updates and closing go to their handlers.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<CTBCommandBars> m_bars;
    CTBDockingPaneManager m_panes;
    CTBDockingPaneState m_panesBeforePreview;
    CWnd* m_view = nullptr;
    CString m_message;
    BOOL m_preview = FALSE;
    QEventLoop* m_loop = nullptr;
};

/// Runs frame modally: disables the active window and the application's other
/// visible windows, loads the frame from resourceId, shows it and runs its loop with
/// idle updates until the frame ends it; then re-enables the windows, brings the
/// owner back to the front and destroys the frame's window (the object stays the
/// caller's). Returns the loop's value, -1 when the frame could not be made.
TB_EXPORT int TBRunModalFrameWnd(CTBFrameWnd* frame, UINT resourceId);
