// Line plots of channels: the picture tbx plot writes and the gallery shows. Curves are
// reduced to the first, lowest, highest and last value of every pixel column before
// they are clipped and drawn, so a channel of millions of values costs a few thousand
// line segments and keeps every peak.
#include <toolbox/services/numbers.h>
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/plot.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const COLORREF kCurveColours[] = {RGB(0, 90, 180),  RGB(200, 60, 20), RGB(20, 140, 60), RGB(140, 40, 160),
                                  RGB(200, 150, 0), RGB(0, 150, 160), RGB(120, 80, 40), RGB(90, 90, 90)};

/// A closed value range; Span() is never 0.
struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Add(double v) {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool Empty() const { return !(low <= high); }
    /// A range of one value (or none) is widened so that it has a size.
    void Widen() {
        if (Empty()) low = 0, high = 1;
        if (low == high) {
            const double pad = low == 0 ? 1.0 : std::fabs(low) * 0.1;
            low -= pad;
            high += pad;
        }
        if (!std::isfinite(high - low)) {  // values spanning the whole double range
            low /= 4;
            high /= 4;
        }
    }
    double Span() const { return high - low; }
};

/// The value of sample i on the x axis: the x channel's value or the index.
double XAt(const TBPlotData& data, int i) { return data.x.values ? data.x.values[i] : static_cast<double>(i); }

int PointCount(const TBPlotData& data, const TBPlotChannel& curve) {
    int n = std::max(0, curve.values ? curve.count : 0);
    if (data.x.values) n = std::min(n, std::max(0, data.x.count));
    return n;
}

/// A tick step of 1, 2 or 5 times a power of ten giving at most maxTicks intervals.
double TickStep(double span, int maxTicks) {
    const double raw = span / std::max(1, maxTicks);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

/// The multiples of step inside the range, counted so that a step too small for the
/// values' precision cannot loop for ever.
std::vector<double> Ticks(const Range& r, double step) {
    std::vector<double> ticks;
    const double first = std::ceil(r.low / step);
    for (int k = 0; k < 100; ++k) {
        const double t = (first + k) * step;
        if (t > r.high + step * 1e-9) break;
        if (!ticks.empty() && t == ticks.back()) break;
        ticks.push_back(t);
    }
    return ticks;
}

/// Maps values to device pixels inside the plot frame (y up on screen).
struct Mapping {
    CRect frame;
    Range xr, yr;
    double X(double x) const { return frame.left + (x - xr.low) / xr.Span() * frame.Width(); }
    double Y(double y) const { return frame.bottom - (y - yr.low) / yr.Span() * frame.Height(); }
};

/// Pixel coordinates far outside the frame are pinned so that they stay integers; the
/// clipping cuts them at the frame anyway.
long Pixel(double v) { return static_cast<long>(std::clamp(v, -1e9, 1e9)); }

/// How the x values run. Rising (never falling) finite values allow a binary search
/// for the visible stretch and the reduction to pixel columns; the index always rises.
struct XOrder {
    bool rising = true;
    bool finite = true;
};

XOrder OrderOfX(const TBPlotData& data) {
    XOrder order;
    if (!data.x.values) return order;
    const double* x = data.x.values;
    const int n = std::max(0, data.x.count);
    for (int i = 0; i < n && order.finite; ++i) order.finite = std::isfinite(x[i]);
    for (int i = 1; i < n && order.rising; ++i) order.rising = !(x[i] < x[i - 1]);
    return order;
}

/// The curve as connected pieces of pixel points (a value that is not finite breaks
/// the line). Along a rising x axis each pixel column keeps its first, lowest, highest
/// and last point, in the order they come.
std::vector<std::vector<POINT>> CurvePoints(const TBPlotData& data, const TBPlotChannel& curve, const Mapping& map,
                                            const XOrder& order) {
    std::vector<std::vector<POINT>> pieces(1);
    const int n = PointCount(data, curve);
    const bool rising = order.rising, allFinite = order.finite;
    auto put = [&](long x, long y) {
        std::vector<POINT>& piece = pieces.back();
        if (piece.empty() || piece.back().x != x || piece.back().y != y) piece.push_back(POINT{x, y});
    };
    auto breakLine = [&] {
        if (!pieces.back().empty()) pieces.emplace_back();
    };
    if (!rising) {
        for (int i = 0; i < n; ++i) {
            const double x = XAt(data, i), y = curve.values[i];
            if (!std::isfinite(x) || !std::isfinite(y)) {
                breakLine();
                continue;
            }
            put(Pixel(map.X(x)), Pixel(map.Y(y)));
        }
        return pieces;
    }
    // Along a rising x axis only the visible stretch (and one value either side, so
    // the lines leave the frame) is walked: a zoomed view of a million values is fast.
    int from = 0, to = n;
    if (data.x.values && n > 0 && allFinite) {
        const double* x = data.x.values;
        from = static_cast<int>(std::lower_bound(x, x + n, map.xr.low) - x);
        to = static_cast<int>(std::upper_bound(x, x + n, map.xr.high) - x);
        from = std::max(0, from - 1);
        to = std::min(n, to + 1);
    }
    // The reduction works on the values and maps only the four kept per column; a
    // column ends where the x value reaches the next column's left edge.
    const double* values = curve.values;
    const double pixelsPerX = map.frame.Width() / map.xr.Span();
    bool open = false;
    long column = 0;
    double bound = 0;
    double first = 0, last = 0, low = 0, high = 0;
    int lowAt = 0, highAt = 0;
    auto flush = [&] {
        if (!open) return;
        put(column, Pixel(map.Y(first)));
        if (lowAt <= highAt) {
            put(column, Pixel(map.Y(low)));
            put(column, Pixel(map.Y(high)));
        } else {
            put(column, Pixel(map.Y(high)));
            put(column, Pixel(map.Y(low)));
        }
        put(column, Pixel(map.Y(last)));
        open = false;
    };
    for (int i = from; i < to; ++i) {
        const double x = XAt(data, i), v = values[i];
        if (!std::isfinite(x) || !std::isfinite(v)) {
            flush();
            breakLine();
            continue;
        }
        if (open && x >= bound) flush();
        if (!open) {
            open = true;
            column = Pixel(std::floor(map.X(x)));
            bound = map.xr.low + static_cast<double>(column + 1 - map.frame.left) / pixelsPerX;
            first = low = high = v;
            lowAt = highAt = i;
        }
        if (v < low) low = v, lowAt = i;
        if (v > high) high = v, highAt = i;
        last = v;
    }
    flush();
    return pieces;
}

void DrawCurve(CDC* dc, const TBPlotData& data, const TBPlotChannel& curve, const Mapping& map, const XOrder& order) {
    CUIntArray runs;
    for (std::vector<POINT>& piece : CurvePoints(data, curve, map, order)) {
        if (piece.empty()) continue;
        std::vector<POINT> visible(2 * piece.size());
        POINT* out = visible.data();
        // The clip's top is its larger y: the frame's bottom edge on the screen.
        const CRect clip(map.frame.left, map.frame.bottom, map.frame.right, map.frame.top);
        const UINT n = TBCalcClippedPointArray(piece.data(), static_cast<UINT>(piece.size()), &out, runs, 0, clip, 0);
        UINT start = 0;
        for (int r = 0; r < runs.GetSize() && start < n; ++r) {
            const UINT end = runs[r];
            if (end - start == 1)
                dc->SetPixel(static_cast<int>(out[start].x), static_cast<int>(out[start].y),
                             dc->GetCurrentPen()->Log().lopnColor);
            else if (end > start)
                dc->Polyline(out + start, static_cast<int>(end - start));
            start = end;
        }
    }
}

/// A channel's unit as the notation draws it: files write units in every spelling
/// ("degC", "Ohm", "m^2", "\deg\C"), the plot shows each with its symbols.
CString UnitLabel(const CString& unit) { return "[" + TBUnitNotationEscapes(unit) + "]"; }

CString Label(const TBPlotChannel& c) {
    CString s = c.name;
    if (!c.unit.IsEmpty()) s += " " + UnitLabel(c.unit);
    return s;
}

/// A tick value as an engineering number; values within a hair of zero are zero.
CString TickText(double v, double step) {
    if (std::fabs(v) < step * 1e-9) v = 0;
    return TBExtended_ftoa(v, -1, 0, CString());
}

CFont MakeFont(int pixels, int weight) {
    CFont font;
    LOGFONT lf;
    lf.lfHeight = -pixels;
    lf.lfWeight = weight;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    font.CreateFontIndirect(&lf);
    return font;
}

/// The x axis with its grid, and the first value axis on the left with its grid.
void DrawAxes(CDC* dc, const Mapping& map, int fontPx) {
    const CRect& f = map.frame;
    CPen grid(PS_DOT, 1, RGB(200, 200, 200));
    CPen axis(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* old = dc->SelectObject(&grid);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0, 0, 0));
    const double xStep = TickStep(map.xr.Span(), std::max(2, static_cast<int>(f.Width() / (fontPx * 9))));
    for (const double t : Ticks(map.xr, xStep)) {
        const int x = static_cast<int>(std::lround(map.X(t)));
        dc->SelectObject(&grid);
        dc->MoveTo(x, f.top);
        dc->LineTo(x, f.bottom);
        dc->SelectObject(&axis);
        dc->MoveTo(x, f.bottom);
        dc->LineTo(x, f.bottom + fontPx / 2);
        CRect label(x - fontPx * 5, f.bottom + fontPx / 2 + 2, x + fontPx * 5, f.bottom + fontPx * 2);
        dc->DrawText(TickText(t, xStep), &label, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    const double yStep = TickStep(map.yr.Span(), std::max(2, static_cast<int>(f.Height() / (fontPx * 4))));
    for (const double t : Ticks(map.yr, yStep)) {
        const int y = static_cast<int>(std::lround(map.Y(t)));
        dc->SelectObject(&grid);
        dc->MoveTo(f.left, y);
        dc->LineTo(f.right, y);
        dc->SelectObject(&axis);
        dc->MoveTo(f.left - fontPx / 2, y);
        dc->LineTo(f.left, y);
        CRect label(f.left - fontPx * 12, y - fontPx, f.left - fontPx / 2 - 3, y + fontPx);
        dc->DrawText(TickText(t, yStep), &label, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    dc->SelectObject(&axis);
    auto* oldBrush = static_cast<CBrush*>(dc->SelectStockObject(NULL_BRUSH));
    dc->Rectangle(f.left, f.top, f.right + 1, f.bottom + 1);
    dc->SelectObject(oldBrush);
    dc->SelectObject(old);
}

/// A further value axis right of the frame at x, in the colour of its first curve,
/// with its unit above it; no grid, the first axis has that.
void DrawRightAxis(CDC* dc, const Mapping& map, int x, const CString& unit, COLORREF colour, int fontPx) {
    const CRect& f = map.frame;
    CPen pen(PS_SOLID, 1, colour);
    CPen* old = dc->SelectObject(&pen);
    dc->SetTextColor(colour);
    dc->MoveTo(x, f.top);
    dc->LineTo(x, f.bottom + 1);
    const double step = TickStep(map.yr.Span(), std::max(2, static_cast<int>(f.Height() / (fontPx * 4))));
    for (const double t : Ticks(map.yr, step)) {
        const int y = static_cast<int>(std::lround(map.Y(t)));
        dc->MoveTo(x, y);
        dc->LineTo(x + fontPx / 2, y);
        CRect label(x + fontPx / 2 + 3, y - fontPx, x + fontPx * 7, y + fontPx);
        dc->DrawText(TickText(t, step), &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    CRect caption(x - fontPx, f.top - fontPx * 2, x + fontPx * 7, f.top - 2);
    if (!unit.IsEmpty())
        TBSpecialDrawText(dc, UnitLabel(unit), &caption, DT_TB_NOTATION | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX, 0);
    dc->SetTextColor(RGB(0, 0, 0));
    dc->SelectObject(old);
}

/// The names with their colours in a framed box at the frame's top right.
void DrawLegend(CDC* dc, const TBPlotData& data, const CRect& frame, int fontPx) {
    if (data.curves.empty()) return;
    const int line = fontPx + fontPx / 2, swatch = fontPx * 2;
    long widest = 0;
    for (const TBPlotChannel& c : data.curves) {
        CRect calc(0, 0, 0, 0);
        TBSpecialDrawText(dc, Label(c), &calc, DT_TB_NOTATION | DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, 0);
        widest = std::max(widest, calc.Width());
    }
    const long width = swatch + widest + fontPx * 2;
    const long height = line * static_cast<long>(data.curves.size()) + fontPx / 2;
    CRect box(frame.right - width - fontPx / 2, frame.top + fontPx / 2, frame.right - fontPx / 2,
              frame.top + fontPx / 2 + height);
    CBrush white(RGB(255, 255, 255));
    CPen frameEdge(PS_SOLID, 1, RGB(160, 160, 160));
    CBrush* oldBrush = dc->SelectObject(&white);
    CPen* oldPen = dc->SelectObject(&frameEdge);
    dc->Rectangle(&box);
    for (std::size_t i = 0; i < data.curves.size(); ++i) {
        const long y = box.top + fontPx / 4 + line * static_cast<long>(i);
        CPen pen(PS_SOLID, 2, kCurveColours[i % std::size(kCurveColours)]);
        dc->SelectObject(&pen);
        dc->MoveTo(box.left + fontPx / 2, y + line / 2);
        dc->LineTo(box.left + fontPx / 2 + swatch - fontPx / 2, y + line / 2);
        dc->SelectObject(&frameEdge);
        CRect text(box.left + swatch + fontPx / 2, y, box.right, y + line);
        TBSpecialDrawText(dc, Label(data.curves[i]), &text,
                          DT_TB_NOTATION | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, 0);
    }
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
}

/// The label of the left value axis: the one curve's, or the unit its curves share.
CString YAxisLabel(const TBPlotData& data, const std::vector<int>& curveAxis) {
    std::vector<const TBPlotChannel*> left;
    for (std::size_t i = 0; i < data.curves.size(); ++i)
        if (curveAxis[i] == 0) left.push_back(&data.curves[i]);
    if (data.curves.size() == 1 && left.size() == 1) return Label(*left[0]);
    // "degC" and "°C" are one unit: the axis is labelled when all name the same one.
    for (const TBPlotChannel* c : left)
        if (TBUnitLookupForm(c->unit) != TBUnitLookupForm(left[0]->unit)) return CString();
    return left.empty() || left[0]->unit.IsEmpty() ? CString() : UnitLabel(left[0]->unit);
}

/// The value axes: one, or with axisPerUnit one per unit in the order the curves
/// name them. curveAxis receives each curve's axis.
std::vector<TBPlotAxis> SortIntoAxes(const TBPlotData& data, std::vector<int>& curveAxis) {
    std::vector<TBPlotAxis> axes;
    std::vector<CString> forms;
    curveAxis.assign(data.curves.size(), 0);
    for (std::size_t i = 0; i < data.curves.size(); ++i) {
        const CString form = data.axisPerUnit ? TBUnitLookupForm(data.curves[i].unit) : CString();
        const auto known = std::find(forms.begin(), forms.end(), form);
        if (known != forms.end()) {
            curveAxis[i] = static_cast<int>(known - forms.begin());
            continue;
        }
        curveAxis[i] = static_cast<int>(forms.size());
        forms.push_back(form);
        TBPlotAxis axis;
        axis.unit = data.curves[i].unit;
        axes.push_back(axis);
    }
    if (axes.empty()) axes.emplace_back();
    return axes;
}

/// The whole ranges of the values: x over every curve, y per axis, padded a little
/// above and below so the curves do not run along the frame.
void WholeRanges(const TBPlotData& data, const std::vector<int>& curveAxis, const XOrder& order, Range& xr,
                 std::vector<Range>& yr) {
    // Along rising x values the first and last finite value give the x range: one
    // pass over each curve instead of two.
    const bool ordered = order.rising && order.finite;
    for (std::size_t c = 0; c < data.curves.size(); ++c) {
        const TBPlotChannel& curve = data.curves[c];
        Range& y = yr[curveAxis[c]];
        const int n = PointCount(data, curve);
        int first = -1, last = -1;
        for (int i = 0; i < n; ++i) {
            if (!std::isfinite(curve.values[i])) continue;
            if (first < 0) first = i;
            last = i;
            y.Add(curve.values[i]);
            if (!ordered) xr.Add(XAt(data, i));
        }
        if (ordered && first >= 0) {
            xr.Add(XAt(data, first));
            xr.Add(XAt(data, last));
        }
    }
    xr.Widen();
    for (Range& y : yr) {
        y.Widen();
        const double pad = y.Span() * 0.04;
        if (std::isfinite(y.Span() + 2 * pad)) y.low -= pad, y.high += pad;
    }
}

/// The part of whole that the view shows: the given range when it is a proper one.
Range VisiblePart(const Range& whole, double low, double high) {
    Range r = whole;
    if (std::isfinite(low) && std::isfinite(high) && low < high) r.low = low, r.high = high;
    return r;
}

}  // namespace

void TBDrawPlot(CDC* dc, const CRect& area, const TBPlotData& data, TBPlotLayout* layout) {
    if (!dc || area.IsRectEmpty()) return;
    const int saved = dc->SaveDC();
    const int fontPx = std::clamp(static_cast<int>(std::min(area.Height() / 45, area.Width() / 60)), 9, 20);
    CFont font = MakeFont(fontPx, 400);
    CFont bold = MakeFont(fontPx + 2, 700);
    CFont* oldFont = dc->SelectObject(&font);
    dc->FillSolidRect(&area, RGB(255, 255, 255));

    std::vector<int> curveAxis;
    std::vector<TBPlotAxis> axes = SortIntoAxes(data, curveAxis);
    Range wholeX;
    std::vector<Range> wholeY(axes.size());
    const XOrder order = OrderOfX(data);
    WholeRanges(data, curveAxis, order, wholeX, wholeY);
    const long rightAxes = static_cast<long>(axes.size()) - 1;
    const CRect frame(area.left + fontPx * 7, area.top + fontPx * 3, area.right - fontPx * 2 - rightAxes * fontPx * 7,
                      area.bottom - fontPx * 4);
    std::vector<Mapping> maps(axes.size());
    for (std::size_t a = 0; a < axes.size(); ++a) {
        Mapping& map = maps[a];
        map.frame = frame.IsRectEmpty() ? area : frame;
        map.xr = VisiblePart(wholeX, data.xLow, data.xHigh);
        const double span = wholeY[a].Span();
        map.yr = VisiblePart(wholeY[a], wholeY[a].low + span * data.yLowFraction,
                             wholeY[a].low + span * data.yHighFraction);
        axes[a].low = map.yr.low;
        axes[a].high = map.yr.high;
    }
    const Mapping& first = maps[0];

    // Title and axis labels, units written in the notation.
    CRect title(area.left, area.top + fontPx / 2, area.right, area.top + fontPx * 2 + fontPx / 2);
    dc->SelectObject(&bold);
    dc->SetBkMode(TRANSPARENT);
    TBSpecialDrawText(dc, data.title, &title, DT_TB_NOTATION | DT_CENTER | DT_SINGLELINE | DT_NOPREFIX, 0);
    dc->SelectObject(&font);
    CRect yLabel(area.left + fontPx / 2, area.top + fontPx / 2, first.frame.right, first.frame.top - 2);
    TBSpecialDrawText(dc, YAxisLabel(data, curveAxis), &yLabel,
                      DT_TB_NOTATION | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX, 0);
    CRect xLabel(first.frame.left, first.frame.bottom + fontPx * 2, first.frame.right, area.bottom);
    TBSpecialDrawText(dc, data.x.values ? Label(data.x) : CString("index"), &xLabel,
                      DT_TB_NOTATION | DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, 0);

    DrawAxes(dc, first, fontPx);
    for (std::size_t a = 1; a < axes.size(); ++a) {
        const std::size_t firstCurve = std::find(curveAxis.begin(), curveAxis.end(), static_cast<int>(a)) - curveAxis.begin();
        DrawRightAxis(dc, maps[a], static_cast<int>(first.frame.right + (a - 1) * fontPx * 7), axes[a].unit,
                      kCurveColours[firstCurve % std::size(kCurveColours)], fontPx);
    }
    for (std::size_t i = 0; i < data.curves.size(); ++i) {
        CPen pen(PS_SOLID, 1, kCurveColours[i % std::size(kCurveColours)]);
        CPen* old = dc->SelectObject(&pen);
        DrawCurve(dc, data, data.curves[i], maps[curveAxis[i]], order);
        dc->SelectObject(old);
    }
    DrawLegend(dc, data, first.frame, fontPx);
    dc->SelectObject(oldFont);
    dc->RestoreDC(saved);
    if (layout) {
        layout->frame = first.frame;
        layout->xLow = first.xr.low;
        layout->xHigh = first.xr.high;
        layout->axes = axes;
        layout->curveAxis = curveAxis;
    }
}

BOOL TBRenderPlot(const TBPlotData& data, int width, int height, const char* path, CString* error) {
    auto fail = [&](const CString& why) {
        if (error) *error = why;
        return FALSE;
    };
    if (!path || !*path) return fail("no output file name");
    if (width < 16 || height < 16 || width > 20000 || height > 20000)
        return fail("the picture size must be from 16x16 to 20000x20000 pixels");
    const QString target = QString::fromUtf8(path);
    // Written beside the target under another name, then renamed: a failed run leaves
    // no half-written picture and keeps an older one.
    const QString staged = target + QStringLiteral(".partial");
    const bool svg = target.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    bool written = false;
    if (svg) {
        QSvgGenerator generator;
        generator.setFileName(staged);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setTitle(QString::fromUtf8(data.title.GetString()));
        {
            CDC dc;
            dc.AttachDevice(&generator);
            TBDrawPlot(&dc, CRect(0, 0, width, height), data);
            dc.DetachDevice();
        }
        written = QFile::exists(staged) && QFile(staged).size() > 0;
    } else {
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull()) return fail("not enough memory for the picture");
        image.fill(Qt::white);
        {
            CDC dc;
            dc.AttachDevice(&image);
            TBDrawPlot(&dc, CRect(0, 0, width, height), data);
            dc.DetachDevice();
        }
        written = image.save(staged, "PNG");
    }
    if (!written) {
        QFile::remove(staged);
        return fail(CString("cannot write ") + path);
    }
    if (std::rename(staged.toUtf8().constData(), path) != 0) {
        QFile::remove(staged);
        return fail(CString("cannot write ") + path);
    }
    return TRUE;
}
