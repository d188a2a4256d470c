/// \file
/// \brief Docking panes: tool windows placed along the edges of a frame's client area, which the user closes and shows.
// Docking panes: tool windows placed along the edges of a frame's client area, which
// the user closes and shows, and whose state the frame saves and restores (print
// preview hides them all and brings back those that were open).
#pragma once

#include <toolbox/ui/wnd.h>

#include <memory>
#include <vector>

/// Where a pane docks.
enum class TBDockSide { Left, Right, Top, Bottom };

/// One pane: an id, a title and the window it shows (owned by the caller).
struct TB_EXPORT CTBDockingPane {
    UINT id = 0;                         ///< the pane's id
    CString title;                       ///< its caption
    CWnd* content = nullptr;             ///< the window it shows (not owned)
    TBDockSide side = TBDockSide::Left;  ///< the edge it docks at
    /// Width (left and right panes) or height (top and bottom), in pixels.
    int extent = 160;
    BOOL closed = FALSE;  ///< closed by the user or by print preview
};

/// Which panes were open: what SaveState stores and RestoreState brings back.
struct CTBDockingPaneState {
    std::vector<std::pair<UINT, BOOL>> closed;  ///< pane id and whether it was closed
};

/// The panes of one frame.
class TB_EXPORT CTBDockingPaneManager {
public:
    CTBDockingPaneManager();
    ~CTBDockingPaneManager();
    CTBDockingPaneManager(const CTBDockingPaneManager&) = delete;
    CTBDockingPaneManager& operator=(const CTBDockingPaneManager&) = delete;

    /// The frame whose client area the panes share.
    BOOL InstallDockingPanes(CWnd* site);
    /// The frame the panes were installed in; null before InstallDockingPanes.
    CWnd* GetSite() const { return m_site; }
    /// The look of the panes (the frames use theme 5, the office look).
    void SetTheme(int theme) { m_theme = theme; }
    /// The look of the panes.
    int GetTheme() const { return m_theme; }

    /// Adds a pane showing content (reparented into the pane); null without a site.
    CTBDockingPane* CreatePane(UINT id, const char* title, CWnd* content, TBDockSide side, int extent = 160);
    /// Number of panes.
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    /// The pane with id; null when none. Owned by the manager.
    CTBDockingPane* FindPane(UINT id) const;
    /// Opens, closes, asks for pane id (an unknown id counts as closed).
    void ShowPane(UINT id);
    /// Closes pane id (its content is hidden, not destroyed).
    void ClosePane(UINT id);
    /// True when pane id is closed or unknown.
    BOOL IsPaneClosed(UINT id) const;
    /// Closes every pane.
    void CloseAll();

    /// Remembers which panes are open, and brings that back.
    void SaveState(CTBDockingPaneState& state) const;
    /// Opens and closes the panes as state says; panes it does not name stay as they are.
    void RestoreState(const CTBDockingPaneState& state);

    /// Places the open panes along the edges of area and shrinks area by them.
    void LayoutPanes(CRect& area);

private:
    struct Pane;
    void Apply(Pane& pane);
    CWnd* m_site = nullptr;
    int m_theme = 0;
    std::vector<std::unique_ptr<Pane>> m_panes;
};
