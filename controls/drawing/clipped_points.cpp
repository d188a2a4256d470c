// Polylines and polygons cut at a rectangle in logical coordinates whose y axis points
// up: the plots and unit controls draw only what lies inside their area, so that huge
// coordinates never reach the device.
#include <toolbox/ui/drawing.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace {

enum : unsigned { kAbove = 1, kBelow = 2, kLeft = 4, kRight = 8 };

/// The clip rectangle with its top at the larger y and its left at the smaller x.
struct ClipBox {
    long left, right, top, bottom;
    explicit ClipBox(const CRect& r)
        : left(std::min(r.left, r.right)), right(std::max(r.left, r.right)), top(std::max(r.top, r.bottom)),
          bottom(std::min(r.top, r.bottom)) {}
    unsigned Code(const POINT& p) const {
        return (p.y > top ? kAbove : 0u) | (p.y < bottom ? kBelow : 0u) | (p.x < left ? kLeft : 0u) |
               (p.x > right ? kRight : 0u);
    }
    bool Inside(long x, long y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

/// Truncates toward zero into a long; values beyond its range cannot lie inside a clip
/// box anyway and are pinned so that the inside test rejects them.
long Truncate(double v) {
    if (!(v > -9.2e18)) return LONG_MIN;
    if (!(v < 9.2e18)) return LONG_MAX;
    return static_cast<long>(v);
}

/// The points where the segment a-b crosses the clip edges, in the order met from a.
struct Crossings {
    POINT point[4];
    double at[4];
    int count = 0;
    void Add(long x, long y, double t, const ClipBox& box) {
        if (!box.Inside(x, y)) return;
        int i = count++;
        while (i > 0 && at[i - 1] > t) {
            point[i] = point[i - 1];
            at[i] = at[i - 1];
            --i;
        }
        point[i] = POINT{x, y};
        at[i] = t;
    }
    const POINT& Entry() const { return point[0]; }
    const POINT& Exit() const { return point[count - 1]; }
};

/// Crossings of the edges that a and b lie on different sides of (codes share no bit).
/// The line is taken through slope and intercept; a vertical segment keeps its x.
Crossings Cross(const POINT& a, const POINT& b, unsigned codes, const ClipBox& box) {
    Crossings c;
    const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    auto atX = [&](long x) {
        const double t = (x - static_cast<double>(a.x)) / dx;
        c.Add(x, Truncate(a.y + t * dy), t, box);
    };
    auto atY = [&](long y) {
        const double t = (y - static_cast<double>(a.y)) / dy;
        c.Add(dx == 0 ? a.x : Truncate(a.x + t * dx), y, t, box);
    };
    if (codes & kLeft) atX(box.left);
    if (codes & kRight) atX(box.right);
    if (codes & kAbove) atY(box.top);
    if (codes & kBelow) atY(box.bottom);
    return c;
}

/// Output array and run ends while one figure is cut.
struct Writer {
    POINT* out;
    UINT n = 0;
    CUIntArray& runEnds;
    void Put(long x, long y) { out[n++] = POINT{x, y}; }
    void Put(const POINT& p) { out[n++] = p; }
    void EndRun() {
        const int size = runEnds.GetSize();
        if (n > 0 && (size == 0 || runEnds[size - 1] != n)) runEnds.Add(n);
    }
};

void ClipPolyline(const POINT* p, UINT count, const ClipBox& box, Writer& w) {
    unsigned prevCode = box.Code(p[0]);
    if (!prevCode) w.Put(p[0]);
    for (UINT i = 1; i < count; ++i) {
        const POINT& cur = p[i];
        const unsigned code = box.Code(cur);
        if ((prevCode | code) == 0) {
            w.Put(cur);  // the common case of a plot inside its area
        } else if ((prevCode & code) == 0) {
            const Crossings c = Cross(p[i - 1], cur, prevCode | code, box);
            if (!prevCode) {  // leaves
                if (c.count) w.Put(c.Exit());
                w.EndRun();
            } else if (!code) {  // enters
                if (c.count) w.Put(c.Entry());
                w.Put(cur);
            } else if (c.count) {  // passes through
                w.Put(c.Entry());
                if (c.count > 1) w.Put(c.Exit());
                w.EndRun();
            }
        }
        prevCode = code;
    }
}

/// Polygon mode: a point whose segment crossed no edge is moved onto the border.
void PlaceOnBorder(const POINT& p, unsigned code, unsigned prevCode, const ClipBox& box, long baseline, Writer& w) {
    switch (code) {
        case kLeft:
            if (prevCode & kAbove)
                w.Put(box.left, box.top);
            else if (prevCode & kBelow)
                w.Put(box.left, box.bottom);
            w.Put(box.left, p.y);
            break;
        case kRight:
            if (prevCode & kAbove)
                w.Put(box.right, box.top);
            else if (prevCode & kBelow)
                w.Put(box.right, box.bottom);
            w.Put(box.right, p.y);
            break;
        case kAbove:
            if (box.top < baseline) {
                w.EndRun();
                break;
            }
            if (prevCode & kLeft)
                w.Put(box.left, box.top);
            else if (prevCode & kRight)
                w.Put(box.right, box.top);
            w.Put(p.x, box.top);
            break;
        case kBelow:
            if (baseline < box.bottom) {
                w.EndRun();
                break;
            }
            if (prevCode & kLeft)
                w.Put(box.left, box.bottom);
            else if (prevCode & kRight)
                w.Put(box.right, box.bottom);
            w.Put(p.x, box.bottom);
            break;
        case kAbove | kLeft: w.Put(box.left, box.top); break;
        case kBelow | kLeft: w.Put(box.left, box.bottom); break;
        case kAbove | kRight: w.Put(box.right, box.top); break;
        case kBelow | kRight: w.Put(box.right, box.bottom); break;
        default: w.Put(p); break;
    }
}

void ClipPolygon(const POINT* p, UINT count, const ClipBox& box, long baseline, Writer& w) {
    unsigned prevCode = box.Code(p[0]);
    PlaceOnBorder(p[0], prevCode, 0, box, baseline, w);
    for (UINT i = 1; i < count; ++i) {
        const POINT& cur = p[i];
        const unsigned code = box.Code(cur);
        Crossings c;
        if ((prevCode | code) != 0 && (prevCode & code) == 0) c = Cross(p[i - 1], cur, prevCode | code, box);
        if (c.count == 0) {
            PlaceOnBorder(cur, code, prevCode, box, baseline, w);
        } else if (!prevCode) {  // leaves: the border carries on from the exit point
            w.Put(c.Exit());
        } else {
            w.Put(c.Entry());
            if (!code)
                w.Put(cur);
            else if (c.count > 1)
                w.Put(c.Exit());
        }
        prevCode = code;
    }
}

}  // namespace

UINT TBCalcClippedPointArray(POINT* points, UINT count, POINT** result, CUIntArray& runEnds, int polygon,
                             const CRect& clip, int baseline) {
    runEnds.RemoveAll();
    if (!result) return 0;
    if (!points || count == 0 || count > UINT_MAX / 2) return 0;
    if (!*result) {
        *result = new (std::nothrow) POINT[2 * static_cast<std::size_t>(count)];
        if (!*result) return 0;
    }
    const ClipBox box(clip);
    Writer w{*result, 0, runEnds};
    if (polygon)
        ClipPolygon(points, count, box, baseline, w);
    else
        ClipPolyline(points, count, box, w);
    w.EndRun();
    return w.n;
}
