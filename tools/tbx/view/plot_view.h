// The plot of the viewer: the checked channels of every open file over its first
// channel, one panel per file, drawn with the library's plot; zoom with the wheel and
// a dragged rectangle, pan with the middle button, a cursor line with the values.
#pragma once

#include "view_document.h"

#include <toolbox/ui/plot.h>
#include <toolbox/ui/wnd.h>

#include <QImage>

#include <vector>

/// What part of the values the plot shows: an x range (NaN: all) and the part of
/// every value axis as fractions of its whole range.
struct ViewRange {
    double xLow, xHigh, yLow, yHigh;
    bool operator==(const ViewRange& o) const;
};

class CViewPlot : public CWnd {
public:
    CViewPlot();
    BOOL Create(CWnd* parent, UINT id);

    /// The files whose checked channels are drawn (not owned); call again after any change.
    void SetDocuments(const std::vector<CViewDocument*>& documents);
    /// Draws every panel into area of dc.
    void Draw(CDC& dc, const CRect& area);
    /// Writes what the plot shows of the first file with curves as PNG or SVG.
    BOOL SaveImage(const CString& path, int width, int height, CString& error);

    void ZoomAt(CPoint point, bool in);
    /// Shows the values inside rect (client coordinates) of the panel it starts in.
    void ZoomToRect(const CRect& rect);
    /// Back to the previous zoom, or to everything.
    void ZoomBack();
    void ShowAll();
    const ViewRange& GetRange() const { return m_range; }
    /// Draws the panels again at the next paint (after the data or the range changed).
    void Redraw();
    /// Number of files with curves (panels).
    int GetPanelCount() const { return static_cast<int>(m_panels.size()); }
    /// The layout of panel index at its last drawing.
    const TBPlotLayout& GetLayout(int index) const { return m_panels[static_cast<std::size_t>(index)].layout; }
    /// Puts the cursor line at fraction (0 to 1) of the first panel's width.
    void ShowCursorAt(double fraction);
    /// The cursor line's x in client coordinates, -1 when none.
    int GetCursorX() const { return m_cursorX; }
    /// The texts the cursor box shows (x first, then each curve), empty without cursor.
    std::vector<CString> CursorTexts() const;

protected:
    void OnPaint();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    LRESULT OnMiddleDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnMiddleUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnWheel(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    struct Panel {
        CViewDocument* document = nullptr;
        std::vector<int> curves;
        TBPlotLayout layout;
        CRect area;
    };
    enum class Drag { None, Rectangle, Pan };
    TBPlotData PlotData(const Panel& panel) const;
    void LayOut(const CRect& client);
    const Panel* PanelAt(CPoint point) const;
    void DrawCursor(CDC& dc, const Panel& panel);
    void Push();

    std::vector<CViewDocument*> m_documents;
    std::vector<Panel> m_panels;
    ViewRange m_range;
    std::vector<ViewRange> m_history;
    Drag m_drag = Drag::None;
    CPoint m_dragStart, m_dragNow;
    ViewRange m_panStart;
    int m_cursorX = -1;
    QImage m_cache;  // the panels as last drawn
    bool m_cacheValid = false;
};
