// The plot of the viewer. The panels are drawn into a cached picture; the cursor
// line and the zoom rectangle are drawn over it, so moving the mouse costs no
// redraw of a million values.
#include "plot_view.h"

#include <toolbox/resources/language_file.h>
#include <toolbox/services/numbers.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/drawing.h>

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kWheelZoom = 0.8;  // the visible width after one notch inwards
constexpr int kMinimumDrag = 4;     // pixels a rectangle must span to count as one

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

/// The engineering text of a value with its unit in the notation.
CString ValueText(double v, const CString& unit) {
    CString text = std::isfinite(v) ? TBExtended_ftoa(v, 4, 0, CString()) : CString("-");
    if (!unit.IsEmpty()) text += " " + unit;
    return text;
}

/// The index whose x value is nearest x along a rising channel; -1 when none.
int NearestIndex(const CArray<double, double>& xs, double x) {
    const int n = xs.GetSize();
    if (n == 0) return -1;
    const double* v = xs.GetData();
    const int at = static_cast<int>(std::lower_bound(v, v + n, x) - v);
    if (at >= n) return n - 1;
    if (at > 0 && std::fabs(v[at - 1] - x) <= std::fabs(v[at] - x)) return at - 1;
    return at;
}

}  // namespace

bool ViewRange::operator==(const ViewRange& o) const {
    return Same(xLow, o.xLow) && Same(xHigh, o.xHigh) && yLow == o.yLow && yHigh == o.yHigh;
}

BEGIN_MESSAGE_MAP(CViewPlot, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
ON_WM_KEYDOWN()
ON_MESSAGE(WM_MBUTTONDOWN, OnMiddleDown)
ON_MESSAGE(WM_MBUTTONUP, OnMiddleUp)
ON_MESSAGE(WM_MOUSEWHEEL, OnWheel)
END_MESSAGE_MAP()

CViewPlot::CViewPlot() : m_range{kNaN, kNaN, 0, 1}, m_panStart(m_range) {}

BOOL CViewPlot::Create(CWnd* parent, UINT id) {
    if (!CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 100, 100), parent, id)) return FALSE;
    GetWidget()->setMouseTracking(true);
    GetWidget()->setFocusPolicy(Qt::StrongFocus);
    return TRUE;
}

void CViewPlot::SetDocuments(const std::vector<CViewDocument*>& documents) {
    m_documents = documents;
    m_panels.clear();
    for (CViewDocument* doc : m_documents) {
        Panel panel;
        panel.document = doc;
        for (int i = 0; i < doc->GetChannelCount(); ++i)
            if (doc->GetChannel(i).plotted && (i > 0 || doc->GetChannelCount() == 1)) panel.curves.push_back(i);
        if (!panel.curves.empty()) m_panels.push_back(std::move(panel));
    }
    Redraw();
}

TBPlotData CViewPlot::PlotData(const Panel& panel) const {
    auto describe = [](const ViewChannel& c) {
        TBPlotChannel p;
        p.name = c.name;
        p.unit = c.unit;
        p.values = c.values->GetData();
        p.count = c.values->GetSize();
        return p;
    };
    TBPlotData data;
    const CViewDocument& doc = *panel.document;
    if (doc.GetChannelCount() > 1) data.x = describe(doc.GetChannel(0));
    for (int index : panel.curves) data.curves.push_back(describe(doc.GetChannel(index)));
    data.title = doc.GetTitle();
    data.xLow = m_range.xLow;
    data.xHigh = m_range.xHigh;
    data.yLowFraction = m_range.yLow;
    data.yHighFraction = m_range.yHigh;
    data.axisPerUnit = TRUE;
    return data;
}

void CViewPlot::LayOut(const CRect& client) {
    const long count = static_cast<long>(std::max<std::size_t>(1, m_panels.size()));
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        const long top = client.top + client.Height() * static_cast<long>(i) / count;
        const long bottom = client.top + client.Height() * static_cast<long>(i + 1) / count;
        m_panels[i].area = CRect(client.left, top, client.right, bottom);
    }
}

void CViewPlot::Draw(CDC& dc, const CRect& area) {
    dc.FillSolidRect(&area, RGB(255, 255, 255));
    LayOut(area);
    if (m_panels.empty()) {
        CRect text = area;
        dc.SetTextColor(RGB(110, 110, 110));
        dc.DrawText(m_documents.empty() ? TBLoadText("view.hint.open", "Open a file (File > Open, or drop it here)")
                                        : TBLoadText("view.hint.tick", "Tick the channels to plot in the list"),
                    &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    for (Panel& panel : m_panels) TBDrawPlot(&dc, panel.area, PlotData(panel), &panel.layout);
}

void CViewPlot::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    QPainter* painter = dc.GetPainter();
    if (!painter) return;
    // The panels go into a picture that stays until the data or the range change.
    QImage& cache = m_cache;
    if (!m_cacheValid || cache.width() != client.Width() || cache.height() != client.Height()) {
        cache = QImage(static_cast<int>(client.Width()), static_cast<int>(client.Height()), QImage::Format_RGB32);
        CDC picture;
        picture.AttachDevice(&cache);
        Draw(picture, client);
        picture.DetachDevice();
        m_cacheValid = true;
    }
    painter->drawImage(0, 0, cache);
    for (const Panel& panel : m_panels) DrawCursor(dc, panel);
    if (m_drag == Drag::Rectangle) {
        CRect band(m_dragStart.x, m_dragStart.y, m_dragNow.x, m_dragNow.y);
        band.NormalizeRect();
        dc.DrawFocusRect(&band);
    }
}

void CViewPlot::Redraw() {
    m_cacheValid = false;
    CWnd::Invalidate(FALSE);
}

void CViewPlot::DrawCursor(CDC& dc, const Panel& panel) {
    const CRect& f = panel.layout.frame;
    if (m_cursorX < f.left || m_cursorX > f.right || f.IsRectEmpty()) return;
    CPen pen(PS_DASH, 1, RGB(80, 80, 80));
    CPen* old = dc.SelectObject(&pen);
    dc.MoveTo(m_cursorX, f.top);
    dc.LineTo(m_cursorX, f.bottom);
    dc.SelectObject(old);
    if (&panel != &m_panels.front()) return;
    // One box of values for every panel, at the top left of the first frame.
    const std::vector<CString> texts = CursorTexts();
    CRect box(f.left + 6, f.top + 6, f.left + 6, f.top + 6);
    for (const CString& t : texts) {
        CRect calc(0, 0, 0, 0);
        TBSpecialDrawText(&dc, t, &calc, DT_TB_NOTATION | DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, 0);
        box.right = std::max(box.right, box.left + calc.Width() + 12);
        box.bottom += calc.Height();
    }
    box.bottom += 6;
    CBrush fill(RGB(255, 255, 225));
    CBrush* oldBrush = dc.SelectObject(&fill);
    dc.Rectangle(&box);
    dc.SelectObject(oldBrush);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    long y = box.top + 3;
    for (const CString& t : texts) {
        CRect line(box.left + 6, y, box.right, y + 100);
        y += TBSpecialDrawText(&dc, t, &line, DT_TB_NOTATION | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, 0);
    }
}

std::vector<CString> CViewPlot::CursorTexts() const {
    std::vector<CString> texts;
    if (m_cursorX < 0 || m_panels.empty()) return texts;
    for (const Panel& panel : m_panels) {
        const TBPlotLayout& l = panel.layout;
        if (l.frame.Width() <= 0) continue;
        const double x = l.xLow + (m_cursorX - l.frame.left) * (l.xHigh - l.xLow) / l.frame.Width();
        const CViewDocument& doc = *panel.document;
        const bool overIndex = doc.GetChannelCount() == 1;
        const int at = overIndex ? static_cast<int>(std::lround(x)) : NearestIndex(*doc.GetChannel(0).values, x);
        if (texts.empty())
            texts.push_back((overIndex ? CString("index") : doc.GetChannel(0).name) + " = " +
                            ValueText(x, overIndex ? CString() : TBUnitNotationEscapes(doc.GetChannel(0).unit)));
        for (int index : panel.curves) {
            const ViewChannel& c = doc.GetChannel(index);
            const double v = at >= 0 && at < c.values->GetSize() ? c.values->GetAt(at) : kNaN;
            texts.push_back(c.name + " = " + ValueText(v, TBUnitNotationEscapes(c.unit)));
        }
    }
    return texts;
}

void CViewPlot::ShowCursorAt(double fraction) {
    if (m_panels.empty()) return;
    const CRect& f = m_panels.front().layout.frame;
    m_cursorX = static_cast<int>(f.left + fraction * f.Width());
    CWnd::Invalidate(FALSE);
}

const CViewPlot::Panel* CViewPlot::PanelAt(CPoint point) const {
    for (const Panel& panel : m_panels)
        if (panel.area.PtInRect(point)) return &panel;
    return m_panels.empty() ? nullptr : &m_panels.front();
}

void CViewPlot::Push() {
    // The history holds real ranges, so zooming back gives exactly the earlier picture.
    m_history.push_back(m_range);
}

void CViewPlot::ZoomAt(CPoint point, bool in) {
    const Panel* panel = PanelAt(point);
    if (!panel || panel->layout.frame.Width() <= 0) return;
    if (!in) {
        ZoomBack();
        return;
    }
    const TBPlotLayout& l = panel->layout;
    const double fx = std::clamp(static_cast<double>(point.x - l.frame.left) / l.frame.Width(), 0.0, 1.0);
    const double width = l.xHigh - l.xLow, at = l.xLow + fx * width;
    Push();
    m_range.xLow = at - fx * width * kWheelZoom;
    m_range.xHigh = m_range.xLow + width * kWheelZoom;
    Redraw();
}

void CViewPlot::ZoomToRect(const CRect& rect) {
    CRect r = rect;
    r.NormalizeRect();
    const Panel* panel = PanelAt(r.TopLeft());
    if (!panel) return;
    const TBPlotLayout& l = panel->layout;
    const CRect& f = l.frame;
    if (f.Width() <= 0 || f.Height() <= 0) return;
    r.IntersectRect(CRect(r), f);
    if (r.Width() < kMinimumDrag || r.Height() < kMinimumDrag) return;
    Push();
    const double width = l.xHigh - l.xLow, span = m_range.yHigh - m_range.yLow;
    m_range.xLow = l.xLow + (r.left - f.left) * width / f.Width();
    m_range.xHigh = l.xLow + (r.right - f.left) * width / f.Width();
    const double top = m_range.yLow + (f.bottom - r.top) * span / f.Height();
    m_range.yLow = m_range.yLow + (f.bottom - r.bottom) * span / f.Height();
    m_range.yHigh = top;
    Redraw();
}

void CViewPlot::ZoomBack() {
    if (m_history.empty()) {
        ShowAll();
        return;
    }
    m_range = m_history.back();
    m_history.pop_back();
    Redraw();
}

void CViewPlot::ShowAll() {
    m_history.clear();
    m_range = ViewRange{kNaN, kNaN, 0, 1};
    Redraw();
}

BOOL CViewPlot::SaveImage(const CString& path, int width, int height, CString& error) {
    if (m_panels.empty()) {
        error = "No channel is plotted.";
        return FALSE;
    }
    return TBRenderPlot(PlotData(m_panels.front()), width, height, path, &error);
}

void CViewPlot::OnLButtonDown(UINT, CPoint point) {
    SetFocus();
    m_drag = Drag::Rectangle;
    m_dragStart = m_dragNow = point;
    SetCapture();
}

void CViewPlot::OnLButtonUp(UINT, CPoint point) {
    if (m_drag != Drag::Rectangle) return;
    m_drag = Drag::None;
    ReleaseCapture();
    ZoomToRect(CRect(m_dragStart.x, m_dragStart.y, point.x, point.y));
    CWnd::Invalidate();
}

void CViewPlot::OnLButtonDblClk(UINT, CPoint) { ShowAll(); }

void CViewPlot::OnMouseMove(UINT, CPoint point) {
    m_dragNow = point;
    if (m_drag == Drag::Pan && !m_panels.empty()) {
        const TBPlotLayout& l = m_panels.front().layout;
        if (l.frame.Width() > 0 && l.frame.Height() > 0) {
            const double width = m_panStart.xHigh - m_panStart.xLow, span = m_panStart.yHigh - m_panStart.yLow;
            const double dx = static_cast<double>(point.x - m_dragStart.x) * width / l.frame.Width();
            const double dy = static_cast<double>(point.y - m_dragStart.y) * span / l.frame.Height();
            m_range = ViewRange{m_panStart.xLow - dx, m_panStart.xHigh - dx, m_panStart.yLow + dy,
                                m_panStart.yHigh + dy};
            Redraw();
        }
        return;
    }
    m_cursorX = point.x;
    CWnd::Invalidate();  // the cursor only: the cached picture stays
}

void CViewPlot::OnKeyDown(UINT key, UINT, UINT) {
    CRect client;
    GetClientRect(&client);
    const CPoint middle = client.CenterPoint();
    if (key == VK_ADD || key == 0xBB) ZoomAt(middle, true);    // + on the keypad or the main keys
    if (key == VK_SUBTRACT || key == 0xBD) ZoomAt(middle, false);
    if (key == VK_HOME) ShowAll();
    if (key == VK_BACK) ZoomBack();
}

LRESULT CViewPlot::OnMiddleDown(WPARAM, LPARAM lParam) {
    if (m_panels.empty()) return 0;
    const TBPlotLayout& l = m_panels.front().layout;
    m_drag = Drag::Pan;
    m_dragStart = CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    m_panStart = ViewRange{l.xLow, l.xHigh, m_range.yLow, m_range.yHigh};
    Push();
    SetCapture();
    return 0;
}

LRESULT CViewPlot::OnMiddleUp(WPARAM, LPARAM) {
    if (m_drag == Drag::Pan) {
        m_drag = Drag::None;
        ReleaseCapture();
    }
    return 0;
}

LRESULT CViewPlot::OnWheel(WPARAM wParam, LPARAM lParam) {
    CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    ScreenToClient(&point);
    const short delta = static_cast<short>(HIWORD(static_cast<DWORD>(wParam)));
    if (delta != 0) ZoomAt(point, delta > 0);
    return 0;
}
