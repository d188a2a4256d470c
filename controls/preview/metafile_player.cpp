// Windows metafiles played over CDC. The player keeps the metafile's own mapping
// (window and viewport, EMF world transform and mapping modes) and hands the context
// points already mapped into the target rectangle, so that any context (a widget, an
// image, a recording) shows the picture the same way. Every record is checked against
// the bytes that are really there; a record that lies ends the playback.
#include <toolbox/ui/metafile_player.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include <QImage>

namespace {

// Little-endian reads inside [0, size); callers check the range first.
std::uint16_t U16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::int16_t I16(const BYTE* p) { return static_cast<std::int16_t>(U16(p)); }
std::uint32_t U32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t I32(const BYTE* p) { return static_cast<std::int32_t>(U32(p)); }
float F32(const BYTE* p) {
    const std::uint32_t bits = U32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return std::isfinite(f) ? f : 0.0f;
}

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
/// Records played at most: a metafile of millions of records is not a preview.
constexpr int kMaxRecords = 2000000;
constexpr std::size_t kMaxObjects = 65536;
constexpr int kMaxSaveDepth = 256;

struct PointF {
    double x, y;
};

/// An affine map: x' = a x + c y + e, y' = b x + d y + f.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    PointF Map(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
    /// This after other: other is applied first.
    Affine After(const Affine& o) const {
        return {a * o.a + c * o.b, b * o.a + d * o.b,     a * o.c + c * o.d,
                b * o.c + d * o.d, a * o.e + c * o.f + e, b * o.e + d * o.f + f};
    }
    double Scale() const { return std::sqrt(std::fabs(a * d - b * c)); }
};

/// Window and viewport of the metafile's own mapping.
struct Mapping {
    int mode = MM_TEXT;
    double wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
    Affine world;
};

long Round(double v) { return static_cast<long>(std::lround(std::clamp(v, -1e9, 1e9))); }

/// Text of a metafile in the Windows Latin code page, as UTF-8.
CString Latin1ToUtf8(const BYTE* p, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n && p[i]; ++i) {
        const BYTE c = p[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return CString(out.c_str());
}

CString Utf16ToUtf8(const BYTE* p, std::size_t chars) {
    std::string out;
    for (std::size_t i = 0; i < chars; ++i) {
        std::uint32_t c = U16(p + 2 * i);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < chars) {
            const std::uint32_t low = U16(p + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return CString(out.c_str());
}

/// Pixels a metafile's bitmap may have: a preview needs no more.
constexpr std::uint64_t kMaxBitmapPixels = 16u << 20;

/// A device-independent bitmap (header and colour table in p, the pixels in pixels or,
/// when that is null, right after the colour table) of 1, 4, 8, 24 or 32 bits a pixel
/// without compression, as an image; null when it is anything else or its sizes do not
/// fit the bytes there are.
std::unique_ptr<CBitmap> DecodeDib(const BYTE* p, std::size_t n, const BYTE* pixels = nullptr,
                                   std::size_t pixelBytes = 0) {
    if (n < 40 || U32(p) < 40 || U32(p) > n) return nullptr;
    const std::uint32_t header = U32(p);
    const std::int32_t width = I32(p + 4), rawHeight = I32(p + 8);
    const std::uint16_t bits = U16(p + 14);
    const std::uint32_t compression = U32(p + 16), used = U32(p + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || compression != 0) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;
    const std::int64_t height = rawHeight < 0 ? -std::int64_t(rawHeight) : rawHeight;
    if (std::uint64_t(width) * std::uint64_t(height) > kMaxBitmapPixels || width > 32767 || height > 32767)
        return nullptr;
    const std::size_t colours = bits <= 8 ? (used && used <= (1u << bits) ? used : (1u << bits)) : 0;
    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (header + colours * 4 > n) return nullptr;
    if (!pixels) {
        pixels = p + header + colours * 4;
        pixelBytes = n - header - colours * 4;
    }
    if (stride * std::size_t(height) > pixelBytes) return nullptr;
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateBitmap(width, static_cast<int>(height)) || !bitmap->GetImage()) return nullptr;
    QImage& image = *bitmap->GetImage();
    const BYTE* table = p + header;
    for (std::int64_t y = 0; y < height; ++y) {
        const BYTE* row = pixels + stride * std::size_t(rawHeight > 0 ? height - 1 - y : y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::int32_t x = 0; x < width; ++x) {
            if (bits >= 24) {
                const BYTE* px = row + std::size_t(x) * (bits / 8);
                out[x] = qRgb(px[2], px[1], px[0]);
                continue;
            }
            const std::size_t bit = std::size_t(x) * bits;
            const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            const BYTE* c = table + 4 * std::min<std::size_t>(index, colours - 1);
            out[x] = qRgb(c[2], c[1], c[0]);
        }
    }
    return bitmap;
}

/// What both players share: the context, the object table, the mapping into the
/// target, and drawing in target coordinates.
class Canvas {
public:
    Canvas(CDC* dc, std::size_t objects) : m_dc(dc), m_table(std::min(objects, kMaxObjects)) {
        m_freeSlots.assign((m_table.size() + 63) / 64, ~std::uint64_t(0));
        if (m_table.size() % 64) m_freeSlots.back() = (std::uint64_t(1) << (m_table.size() % 64)) - 1;
        m_freeWords.assign((m_freeSlots.size() + 63) / 64, 0);
        for (std::size_t word = 0; word < m_freeSlots.size(); ++word) MarkWord(word);
    }

    Affine toTarget;  // the metafile's page space to the target
    Mapping map;

    Affine Total() const { return toTarget.After(PageTransform()).After(map.world); }
    POINT Pt(double x, double y) const {
        const PointF p = Total().Map(x, y);
        return POINT{Round(p.x), Round(p.y)};
    }
    double Scale() const { return Total().Scale(); }

    // --- objects
    /// WMF: the lowest free slot; -1 when the table is full. A bit per slot and one
    /// per word of slots: at most 16 words are looked at, however full the table is.
    int FreeSlot() const {
        for (std::size_t summary = 0; summary < m_freeWords.size(); ++summary) {
            if (!m_freeWords[summary]) continue;
            const std::size_t word = summary * 64 + static_cast<std::size_t>(__builtin_ctzll(m_freeWords[summary]));
            return static_cast<int>(word * 64 + static_cast<std::size_t>(__builtin_ctzll(m_freeSlots[word])));
        }
        return -1;
    }
    void Put(std::size_t index, std::unique_ptr<CGdiObject> object) {
        if (index >= m_table.size() || !object) return;
        Retire(std::move(m_table[index]));  // an EMF may create over a slot in use
        m_table[index] = std::move(object);
        SetFree(index, false);
    }
    void MakePen(std::size_t index, UINT style, double width, COLORREF colour) {
        auto pen = std::make_unique<CPen>();
        const double w = width * Scale();
        pen->CreatePen(style, width <= 0 ? 0 : static_cast<int>(std::clamp(std::lround(w), 1L, 1000L)), colour);
        Put(index, std::move(pen));
    }
    void MakeBrush(std::size_t index, UINT style, COLORREF colour, std::uintptr_t hatch) {
        auto brush = std::make_unique<CBrush>();
        if (style > BS_HATCHED) style = BS_SOLID;  // patterns: their colour's solid brush
        if (style == BS_HATCHED && hatch > HS_DIAGCROSS) hatch = HS_CROSS;
        LOGBRUSH log{style, colour, hatch};
        brush->CreateBrushIndirect(&log);
        Put(index, std::move(brush));
    }
    void MakeFont(std::size_t index, LOGFONT log) {
        const double h = log.lfHeight * Scale();
        log.lfHeight = static_cast<long>(std::clamp(std::lround(h), -2000L, 2000L));
        if (log.lfHeight == 0 && h != 0) log.lfHeight = h < 0 ? -1 : 1;
        log.lfWidth = 0;
        auto font = std::make_unique<CFont>();
        font->CreateFontIndirect(&log);
        Put(index, std::move(font));
    }
    /// A slot taken by an object the player does not draw with (palettes, regions).
    void MakeOther(std::size_t index) { Put(index, std::make_unique<CGdiObject>()); }
    void Select(std::size_t index) {
        if (index >= m_table.size() || !m_table[index]) return;
        CGdiObject* o = m_table[index].get();
        if (auto* pen = dynamic_cast<CPen*>(o))
            m_dc->SelectObject(pen);
        else if (auto* brush = dynamic_cast<CBrush*>(o))
            m_dc->SelectObject(brush);
        else if (auto* font = dynamic_cast<CFont*>(o))
            m_dc->SelectObject(font);
        FreeRetired();
    }
    void Delete(std::size_t index) {
        if (index >= m_table.size()) return;
        Retire(std::move(m_table[index]));
        SetFree(index, true);
    }

    // --- state
    void Save() {
        if (m_saved.size() >= kMaxSaveDepth) return;
        m_saved.push_back(map);
        m_dc->SaveDC();
    }
    void Restore(long relative) {
        if (relative >= 0 || m_saved.empty()) return;
        const std::size_t back = std::min<std::size_t>(static_cast<std::size_t>(-relative), m_saved.size());
        map = m_saved[m_saved.size() - back];
        m_saved.resize(m_saved.size() - back);
        m_dc->RestoreDC(-static_cast<int>(back));
        FreeRetired();
    }
    /// Levels the metafile left saved are restored by the caller's own RestoreDC.

    // --- drawing, points in metafile units
    void MoveTo(double x, double y) {
        const POINT p = Pt(x, y);
        if (m_inPath) {
            m_path.emplace_back();
            m_path.back().push_back(p);
        }
        m_dc->MoveTo(static_cast<int>(p.x), static_cast<int>(p.y));
        m_current = {x, y};
    }
    void LineTo(double x, double y) {
        const POINT p = Pt(x, y);
        if (m_inPath) {
            if (m_path.empty()) m_path.emplace_back(1, Pt(m_current.x, m_current.y));
            m_path.back().push_back(p);
        } else {
            m_dc->LineTo(static_cast<int>(p.x), static_cast<int>(p.y));
        }
        m_current = {x, y};
    }
    void Poly(const std::vector<PointF>& pts, bool closed) {
        if (pts.empty()) return;
        std::vector<POINT> out;
        out.reserve(pts.size());
        for (const PointF& p : pts) out.push_back(Pt(p.x, p.y));
        if (m_inPath) {
            m_path.push_back(out);
            if (closed) m_path.back().push_back(out.front());
            return;
        }
        const int n = static_cast<int>(std::min<std::size_t>(out.size(), 1u << 30));
        if (closed)
            m_dc->Polygon(out.data(), n);
        else
            m_dc->Polyline(out.data(), n);
    }
    /// Rectangles and ellipses go through the context as such unless the world turns
    /// or shears them, then as polygons.
    void Box(int op, double l, double t, double r, double b, double rw = 0, double rh = 0) {
        const Affine m = Total();
        if (m_inPath || std::fabs(m.b) > 1e-9 || std::fabs(m.c) > 1e-9) {
            std::vector<PointF> pts;
            if (op == 1) {  // ellipse
                const double cx = (l + r) / 2, cy = (t + b) / 2, ax = (r - l) / 2, ay = (b - t) / 2;
                for (int i = 0; i < 48; ++i)
                    pts.push_back({cx + ax * std::cos(i * M_PI / 24), cy + ay * std::sin(i * M_PI / 24)});
            } else {
                pts = {{l, t}, {r, t}, {r, b}, {l, b}};
            }
            Poly(pts, true);
            return;
        }
        const POINT p = Pt(l, t), q = Pt(r, b);
        const int x1 = static_cast<int>(p.x), y1 = static_cast<int>(p.y), x2 = static_cast<int>(q.x),
                  y2 = static_cast<int>(q.y);
        if (op == 1)
            m_dc->Ellipse(x1, y1, x2, y2);
        else if (op == 2)
            m_dc->RoundRect(x1, y1, x2, y2, static_cast<int>(Round(rw * m.a)), static_cast<int>(Round(rh * m.d)));
        else
            m_dc->Rectangle(x1, y1, x2, y2);
    }
    void ArcLike(int op, double l, double t, double r, double b, double x3, double y3, double x4, double y4) {
        const POINT p = Pt(l, t), q = Pt(r, b), s = Pt(x3, y3), e = Pt(x4, y4);
        // A flipped mapping turns the direction of the arc: swap its ends.
        const Affine m = Total();
        const bool flipped = m.a * m.d - m.b * m.c < 0;
        const POINT& from = flipped ? e : s;
        const POINT& to = flipped ? s : e;
        const int c[8] = {static_cast<int>(p.x),  static_cast<int>(p.y),    static_cast<int>(q.x),
                          static_cast<int>(q.y),  static_cast<int>(from.x), static_cast<int>(from.y),
                          static_cast<int>(to.x), static_cast<int>(to.y)};
        if (op == 0)
            m_dc->Arc(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        else if (op == 1)
            m_dc->Pie(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        else
            m_dc->Chord(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    }
    void Text(double x, double y, const CString& text, bool opaque, const double* rect) {
        const POINT p = Pt(x, y);
        if (opaque && rect) {
            const POINT a = Pt(rect[0], rect[1]), b = Pt(rect[2], rect[3]);
            CRect r(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
            m_dc->FillSolidRect(&r, m_dc->GetBkColor());
        }
        if (!text.IsEmpty()) m_dc->TextOut(static_cast<int>(p.x), static_cast<int>(p.y), text);
    }
    void ClipRect(double l, double t, double r, double b) {
        const POINT a = Pt(l, t), c = Pt(r, b);
        m_dc->IntersectClipRect(static_cast<int>(std::min(a.x, c.x)), static_cast<int>(std::min(a.y, c.y)),
                                static_cast<int>(std::max(a.x, c.x)), static_cast<int>(std::max(a.y, c.y)));
    }
    PointF Current() const { return m_current; }
    void SetCurrent(double x, double y) { m_current = {x, y}; }

    // --- paths (EMF)
    void BeginPath() {
        m_inPath = true;
        m_path.clear();
    }
    void EndPath() { m_inPath = false; }
    void CloseFigure() {
        if (m_inPath && !m_path.empty() && !m_path.back().empty()) m_path.back().push_back(m_path.back().front());
    }
    /// Draws the path: filled (outline with the null pen), stroked, or both.
    void DrawPath(bool fill, bool stroke) {
        m_inPath = false;
        for (const std::vector<POINT>& figure : m_path) {
            if (figure.size() < 2) continue;
            const int n = static_cast<int>(std::min<std::size_t>(figure.size(), 1u << 30));
            if (fill) {
                CPen* pen = m_dc->GetCurrentPen();
                if (!stroke) m_dc->SelectStockObject(NULL_PEN);
                m_dc->Polygon(figure.data(), n);
                if (!stroke) m_dc->SelectObject(pen);
            } else if (stroke) {
                m_dc->Polyline(figure.data(), n);
            }
        }
        m_path.clear();
    }

    CDC* Dc() const { return m_dc; }

    /// A bitmap stretched from its source rectangle (y counted from the bottom row, as
    /// for bottom-up bitmaps) into the destination rectangle.
    void Bitmap(std::unique_ptr<CBitmap> bitmap, double x, double y, double w, double h, long xSrc, long ySrc,
                long wSrc, long hSrc) {
        if (!bitmap) return;
        const CSize size = bitmap->GetBitmapDimension();
        const long top = size.cy - ySrc - hSrc;
        if (wSrc <= 0 || hSrc <= 0 || xSrc < 0 || top < 0 || xSrc + wSrc > size.cx || top + hSrc > size.cy) {
            xSrc = 0;  // a source beyond the bitmap: the whole bitmap
            wSrc = size.cx;
            hSrc = size.cy;
            ySrc = 0;
        }
        const POINT a = Pt(x, y), b = Pt(x + w, y + h);
        CDC memory;
        memory.CreateCompatibleDC(m_dc);
        memory.SelectObject(bitmap.get());
        m_dc->StretchBlt(static_cast<int>(std::min(a.x, b.x)), static_cast<int>(std::min(a.y, b.y)),
                         static_cast<int>(std::labs(b.x - a.x)), static_cast<int>(std::labs(b.y - a.y)), &memory,
                         static_cast<int>(xSrc), static_cast<int>(size.cy - ySrc - hSrc), static_cast<int>(wSrc),
                         static_cast<int>(hSrc));
        // The bitmap goes now: a context that keeps the call shares its pixels.
    }

    // Reference device of an EMF: pixels and millimetres.
    double devicePxPerMmX = 96 / 25.4, devicePxPerMmY = 96 / 25.4;

private:
    Affine PageTransform() const {
        Affine t;
        double ux = 0;
        switch (map.mode) {
            case MM_TEXT: return t;
            case MM_LOMETRIC: ux = 10; break;
            case MM_HIMETRIC: ux = 100; break;
            case MM_LOENGLISH: ux = 100 / 25.4; break;
            case MM_HIENGLISH: ux = 1000 / 25.4; break;
            case MM_TWIPS: ux = 1440 / 25.4; break;
            default: break;
        }
        if (ux > 0) {  // fixed modes: units per millimetre, y up
            t.a = devicePxPerMmX / ux;
            t.d = -devicePxPerMmY / ux;
        } else {
            t.a = map.wex ? map.vex / map.wex : 1;
            t.d = map.wey ? map.vey / map.wey : 1;
        }
        t.e = map.vox - map.wox * t.a;
        t.f = map.voy - map.woy * t.d;
        return t;
    }
    /// A deleted object goes at once unless the context still draws with it or a
    /// saved level may select it again on RestoreDC; then it waits for FreeRetired.
    void Retire(std::unique_ptr<CGdiObject> object) {
        if (!object) return;
        if (m_saved.empty() && !IsSelected(object.get())) return;
        m_retired.push_back(std::move(object));
    }
    void FreeRetired() {
        if (!m_saved.empty()) return;
        m_retired.erase(std::remove_if(m_retired.begin(), m_retired.end(),
                                       [this](const std::unique_ptr<CGdiObject>& o) { return !IsSelected(o.get()); }),
                        m_retired.end());
    }
    bool IsSelected(const CGdiObject* object) const {
        return object == m_dc->GetCurrentPen() || object == m_dc->GetCurrentBrush() ||
               object == m_dc->GetCurrentFont();
    }
    void SetFree(std::size_t index, bool free) {
        const std::uint64_t bit = std::uint64_t(1) << (index % 64);
        if (free)
            m_freeSlots[index / 64] |= bit;
        else
            m_freeSlots[index / 64] &= ~bit;
        MarkWord(index / 64);
    }
    void MarkWord(std::size_t word) {
        const std::uint64_t bit = std::uint64_t(1) << (word % 64);
        if (m_freeSlots[word])
            m_freeWords[word / 64] |= bit;
        else
            m_freeWords[word / 64] &= ~bit;
    }

    CDC* m_dc;
    std::vector<std::unique_ptr<CGdiObject>> m_table;
    std::vector<std::uint64_t> m_freeSlots;  // a bit per slot, set while it is free
    std::vector<std::uint64_t> m_freeWords;  // a bit per word of m_freeSlots with a free slot
    std::vector<std::unique_ptr<CGdiObject>> m_retired;
    std::vector<Mapping> m_saved;
    PointF m_current{0, 0};
    bool m_inPath = false;
    std::vector<std::vector<POINT>> m_path;
};

/// Maps the rectangle (l,t)-(r,b) of the picture onto target.
Affine RectToRect(double l, double t, double r, double b, const CRect& target) {
    Affine m;
    m.a = (r - l) ? (target.right - target.left) / (r - l) : 1;
    m.d = (b - t) ? (target.bottom - target.top) / (b - t) : 1;
    m.e = target.left - l * m.a;
    m.f = target.top - t * m.d;
    return m;
}

// ---------------------------------------------------------------- WMF

/// One WMF record's parameters: 16-bit words after the function number.
struct WmfParams {
    const BYTE* p;
    std::size_t words;
    bool Has(std::size_t n) const { return n <= words; }
    std::int16_t S(std::size_t i) const { return I16(p + 2 * i); }
    std::uint16_t W(std::size_t i) const { return U16(p + 2 * i); }
    std::uint32_t D(std::size_t i) const { return U32(p + 2 * i); }
};

std::vector<PointF> WmfPoints(const WmfParams& w, std::size_t at, std::size_t count) {
    std::vector<PointF> pts;
    if (!w.Has(at + 2 * count)) return pts;
    pts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) pts.push_back({double(w.S(at + 2 * i)), double(w.S(at + 2 * i + 1))});
    return pts;
}

/// The mapping and drawing state: window, colours, modes, saved levels, clipping.
bool PlayWmfState(Canvas& c, std::uint16_t function, const WmfParams& w) {
    CDC* dc = c.Dc();
    switch (function) {
        case 0x020B:  // SETWINDOWORG
            if (w.Has(2)) c.map.wox = w.S(1), c.map.woy = w.S(0);
            return true;
        case 0x020C:  // SETWINDOWEXT
            if (w.Has(2) && w.S(0) && w.S(1)) c.map.wex = w.S(1), c.map.wey = w.S(0);
            return true;
        case 0x0201:
            if (w.Has(2)) dc->SetBkColor(w.D(0) & 0xFFFFFF);
            return true;
        case 0x0209:
            if (w.Has(2)) dc->SetTextColor(w.D(0) & 0xFFFFFF);
            return true;
        case 0x0102:
            if (w.Has(1)) dc->SetBkMode(w.W(0) == TRANSPARENT ? TRANSPARENT : OPAQUE);
            return true;
        case 0x0106:
            if (w.Has(1)) dc->SetPolyFillMode(w.W(0) == WINDING ? WINDING : ALTERNATE);
            return true;
        case 0x012E:
            if (w.Has(1)) dc->SetTextAlign(w.W(0) & 0x1F);
            return true;
        case 0x001E: c.Save(); return true;
        case 0x0127:
            if (w.Has(1)) c.Restore(w.S(0));
            return true;
        case 0x0416:
            if (w.Has(4)) c.ClipRect(w.S(3), w.S(2), w.S(1), w.S(0));
            return true;
        default: return false;
    }
}

/// POLYPOLYGON: the count of polygons, each one's count of points, then all points.
void PlayWmfPolyPolygon(Canvas& c, const WmfParams& w) {
    if (!w.Has(1)) return;
    const std::size_t polys = w.W(0);
    if (!w.Has(1 + polys)) return;
    std::size_t at = 1 + polys;
    for (std::size_t i = 0; i < polys; ++i) {
        const std::size_t n = w.W(1 + i);
        std::vector<PointF> pts = WmfPoints(w, at, n);
        if (pts.size() != n) return;
        c.Poly(pts, true);
        at += 2 * n;
    }
}

/// Lines, polygons, rectangles, ellipses, arcs and single pixels.
bool PlayWmfShape(Canvas& c, std::uint16_t function, const WmfParams& w) {
    switch (function) {
        case 0x0214:
            if (w.Has(2)) c.MoveTo(w.S(1), w.S(0));
            return true;
        case 0x0213:
            if (w.Has(2)) c.LineTo(w.S(1), w.S(0));
            return true;
        case 0x0325:  // POLYLINE
        case 0x0324:  // POLYGON
            if (w.Has(1)) c.Poly(WmfPoints(w, 1, w.W(0)), function == 0x0324);
            return true;
        case 0x0538: PlayWmfPolyPolygon(c, w); return true;
        case 0x041B:
            if (w.Has(4)) c.Box(0, w.S(3), w.S(2), w.S(1), w.S(0));
            return true;
        case 0x0418:
            if (w.Has(4)) c.Box(1, w.S(3), w.S(2), w.S(1), w.S(0));
            return true;
        case 0x061C:
            if (w.Has(6)) c.Box(2, w.S(5), w.S(4), w.S(3), w.S(2), w.S(1), w.S(0));
            return true;
        case 0x0817:
        case 0x081A:
        case 0x0830:
            if (w.Has(8))
                c.ArcLike(function == 0x0817   ? 0
                          : function == 0x081A ? 1
                                               : 2,
                          w.S(7), w.S(6), w.S(5), w.S(4), w.S(3), w.S(2), w.S(1), w.S(0));
            return true;
        case 0x041F:
            if (w.Has(4)) {
                const POINT p = c.Pt(w.S(3), w.S(2));
                c.Dc()->SetPixel(static_cast<int>(p.x), static_cast<int>(p.y), w.D(0) & 0xFFFFFF);
            }
            return true;
        default: return false;
    }
}

/// TEXTOUT: count, the bytes (padded to words), y, x.
void PlayWmfTextOut(Canvas& c, const WmfParams& w) {
    if (!w.Has(1)) return;
    const std::size_t n = w.W(0), textWords = (n + 1) / 2;
    if (!w.Has(1 + textWords + 2)) return;
    c.Text(w.S(1 + textWords + 1), w.S(1 + textWords), Latin1ToUtf8(w.p + 2, n), false, nullptr);
}

/// EXTTEXTOUT: y, x, count, options, [rectangle], bytes, [widths].
void PlayWmfExtTextOut(Canvas& c, const WmfParams& w) {
    if (!w.Has(4)) return;
    const std::size_t n = w.W(2);
    const std::uint16_t options = w.W(3);
    std::size_t at = 4;
    double rect[4] = {0, 0, 0, 0};
    const bool hasRect = options & 0x0006;
    if (hasRect) {
        if (!w.Has(8)) return;
        for (int i = 0; i < 4; ++i) rect[i] = w.S(4 + i);
        at = 8;
    }
    if (!w.Has(at + (n + 1) / 2)) return;
    c.Text(w.S(1), w.S(0), Latin1ToUtf8(w.p + 2 * at, n), (options & 0x0002) != 0, hasRect ? rect : nullptr);
}

/// CREATEFONTINDIRECT: the logical font's fields, then its face name in bytes.
void PlayWmfCreateFont(Canvas& c, const WmfParams& w) {
    const int slot = c.FreeSlot();
    if (slot < 0 || !w.Has(9)) return;
    LOGFONT log;
    log.lfHeight = w.S(0);
    log.lfEscapement = w.S(2);
    log.lfOrientation = w.S(3);
    log.lfWeight = w.S(4);
    const BYTE* b = w.p + 10;
    log.lfItalic = b[0];
    log.lfUnderline = b[1];
    log.lfStrikeOut = b[2];
    log.lfCharSet = b[3];
    std::memset(log.lfFaceName, 0, sizeof log.lfFaceName);
    const std::size_t faceBytes = std::min<std::size_t>(31, (w.words - 9) * 2);
    for (std::size_t i = 0; i < faceBytes && b[8 + i]; ++i) log.lfFaceName[i] = static_cast<char>(b[8 + i]);
    c.MakeFont(slot, log);
}

/// Objects: created into the lowest free slot, selected and deleted by slot.
bool PlayWmfObject(Canvas& c, std::uint16_t function, const WmfParams& w) {
    switch (function) {
        case 0x02FA: {  // CREATEPENINDIRECT
            const int slot = c.FreeSlot();
            if (slot >= 0 && w.Has(5)) c.MakePen(slot, w.W(0) & 0xFF0F, w.S(1), w.D(3) & 0xFFFFFF);
            return true;
        }
        case 0x02FC: {  // CREATEBRUSHINDIRECT
            const int slot = c.FreeSlot();
            if (slot >= 0 && w.Has(4)) c.MakeBrush(slot, w.W(0), w.D(1) & 0xFFFFFF, w.W(3));
            return true;
        }
        case 0x02FB: PlayWmfCreateFont(c, w); return true;
        case 0x00F7:    // CREATEPALETTE
        case 0x06FF:    // CREATEREGION
        case 0x01F9: {  // CREATEPATTERNBRUSH
            const int slot = c.FreeSlot();
            if (slot >= 0) c.MakeOther(slot);
            return true;
        }
        case 0x0142: {  // DIBCREATEPATTERNBRUSH: shown as a grey solid brush
            const int slot = c.FreeSlot();
            if (slot >= 0) c.MakeBrush(slot, BS_SOLID, RGB(128, 128, 128), 0);
            return true;
        }
        case 0x012D:
            if (w.Has(1)) c.Select(w.W(0));
            return true;
        case 0x01F0:
            if (w.Has(1)) c.Delete(w.W(0));
            return true;
        default: return false;
    }
}

/// Text and device-independent bitmaps.
bool PlayWmfTextOrBitmap(Canvas& c, std::uint16_t function, const WmfParams& w) {
    switch (function) {
        case 0x0521: PlayWmfTextOut(c, w); return true;
        case 0x0A32: PlayWmfExtTextOut(c, w); return true;
        case 0x0F43:  // STRETCHDIB: rop, usage, source h w y x, destination h w y x, bitmap
            if (w.Has(11))
                c.Bitmap(DecodeDib(w.p + 22, (w.words - 11) * 2), w.S(10), w.S(9), w.S(8), w.S(7), w.S(6), w.S(5),
                         w.S(4), w.S(3));
            return true;
        case 0x0B41:  // DIBSTRETCHBLT: rop, source h w y x, destination h w y x, bitmap
            if (w.Has(11))
                c.Bitmap(DecodeDib(w.p + 20, (w.words - 10) * 2), w.S(9), w.S(8), w.S(7), w.S(6), w.S(5), w.S(4),
                         w.S(3), w.S(2));
            return true;
        case 0x0940:  // DIBBITBLT: rop, source y x, h w, destination y x, bitmap
            if (w.Has(9))
                c.Bitmap(DecodeDib(w.p + 16, (w.words - 8) * 2), w.S(7), w.S(6), w.S(5), w.S(4), w.S(3), w.S(2), w.S(5),
                         w.S(4));
            return true;
        default: return false;
    }
}

/// One record; escapes, palettes and regions are not drawn.
void PlayWmfRecord(Canvas& c, std::uint16_t function, const WmfParams& w) {
    if (PlayWmfState(c, function, w) || PlayWmfShape(c, function, w) || PlayWmfObject(c, function, w)) return;
    PlayWmfTextOrBitmap(c, function, w);
}

// ---------------------------------------------------------------- EMF

struct EmfRecord {
    const BYTE* p;  // the record, from its type
    std::size_t size;
    bool Has(std::size_t bytes) const { return bytes <= size; }
    std::int32_t I(std::size_t at) const { return I32(p + at); }
    std::uint32_t U(std::size_t at) const { return U32(p + at); }
};

/// count points of 32-bit (wide) or 16-bit coordinates at byte offset at.
std::vector<PointF> EmfPoints(const EmfRecord& r, std::size_t at, std::size_t count, bool wide) {
    std::vector<PointF> pts;
    const std::size_t each = wide ? 8 : 4;
    if (count > (r.size - std::min(at, r.size)) / each || !r.Has(at + count * each)) return pts;
    pts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* q = r.p + at + i * each;
        pts.push_back(wide ? PointF{double(I32(q)), double(I32(q + 4))} : PointF{double(I16(q)), double(I16(q + 2))});
    }
    return pts;
}

/// Cubic Bézier pieces from a start point: each three points flattened into lines.
std::vector<PointF> Flatten(PointF start, const std::vector<PointF>& controls) {
    std::vector<PointF> out{start};
    for (std::size_t i = 0; i + 2 < controls.size(); i += 3) {
        const PointF p0 = out.back(), p1 = controls[i], p2 = controls[i + 1], p3 = controls[i + 2];
        for (int k = 1; k <= 12; ++k) {
            const double t = k / 12.0, u = 1 - t;
            out.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                           u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
        }
    }
    return out;
}

void EmfPolyline(Canvas& c, const std::vector<PointF>& pts, bool from) {
    if (pts.empty()) return;
    if (from) {  // ...TO records continue from the current position
        for (const PointF& p : pts) c.LineTo(p.x, p.y);
        return;
    }
    c.Poly(pts, false);
    c.SetCurrent(pts.back().x, pts.back().y);
}

/// POLYPOLYLINE, POLYPOLYGON (and 16): the counts, then the points.
void PlayEmfPolyPoly(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    if (!r.Has(32)) return;
    const std::size_t polys = r.U(24), total = r.U(28);
    if (polys > (r.size - 32) / 4) return;
    const bool wide = type == 7 || type == 8;
    std::size_t at = 32 + polys * 4, used = 0;
    for (std::size_t i = 0; i < polys; ++i) {
        const std::size_t n = r.U(32 + i * 4);
        if (n > total - used) return;
        const std::vector<PointF> pts = EmfPoints(r, at, n, wide);
        if (pts.size() != n) return;
        c.Poly(pts, type == 8 || type == 91);
        at += n * (wide ? 8 : 4);
        used += n;
    }
}

/// Point lists: Béziers, polygons and polylines, each in 32-bit and 16-bit form.
bool PlayEmfPoly(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    switch (type) {
        case 2:
        case 85:  // POLYBEZIER(16)
            if (r.Has(28)) {
                const std::vector<PointF> pts = EmfPoints(r, 28, r.U(24), type == 2);
                if (!pts.empty()) c.Poly(Flatten(pts[0], std::vector<PointF>(pts.begin() + 1, pts.end())), false);
            }
            return true;
        case 3:
        case 4:
        case 86:
        case 87:  // POLYGON, POLYLINE (and 16)
            if (r.Has(28)) {
                const std::vector<PointF> pts = EmfPoints(r, 28, r.U(24), type < 85);
                if (type == 3 || type == 86)
                    c.Poly(pts, true);
                else
                    EmfPolyline(c, pts, false);
            }
            return true;
        case 5:
        case 88:  // POLYBEZIERTO(16)
            if (r.Has(28)) {
                const std::vector<PointF> flat = Flatten(c.Current(), EmfPoints(r, 28, r.U(24), type == 5));
                for (std::size_t i = 1; i < flat.size(); ++i) c.LineTo(flat[i].x, flat[i].y);
            }
            return true;
        case 6:
        case 89:  // POLYLINETO(16)
            if (r.Has(28)) EmfPolyline(c, EmfPoints(r, 28, r.U(24), type == 6), true);
            return true;
        case 7:
        case 8:
        case 90:
        case 91: PlayEmfPolyPoly(c, type, r); return true;
        default: return false;
    }
}

/// SETWORLDTRANSFORM, MODIFYWORLDTRANSFORM: reset, multiply on either side, or set.
void PlayEmfWorldTransform(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    if (!r.Has(32)) return;
    Affine x{F32(r.p + 8), F32(r.p + 12), F32(r.p + 16), F32(r.p + 20), F32(r.p + 24), F32(r.p + 28)};
    const std::uint32_t mode = type == 35 ? 4 : (r.Has(36) ? r.U(32) : 0);
    if (mode == 1)
        c.map.world = Affine();
    else if (mode == 2)
        c.map.world = c.map.world.After(x);
    else if (mode == 3)
        c.map.world = x.After(c.map.world);
    else if (mode == 4)
        c.map.world = x;
}

/// Window, viewport, mapping mode and world transform.
bool PlayEmfMapping(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    switch (type) {
        case 9:
            if (r.Has(16) && r.I(8) && r.I(12)) c.map.wex = r.I(8), c.map.wey = r.I(12);
            return true;
        case 10:
            if (r.Has(16)) c.map.wox = r.I(8), c.map.woy = r.I(12);
            return true;
        case 11:
            if (r.Has(16) && r.I(8) && r.I(12)) c.map.vex = r.I(8), c.map.vey = r.I(12);
            return true;
        case 12:
            if (r.Has(16)) c.map.vox = r.I(8), c.map.voy = r.I(12);
            return true;
        case 17:
            if (r.Has(12) && r.U(8) >= MM_TEXT && r.U(8) <= MM_ANISOTROPIC) c.map.mode = static_cast<int>(r.U(8));
            return true;
        case 35:
        case 36: PlayEmfWorldTransform(c, type, r); return true;
        default: return false;
    }
}

/// Colours, modes, saved levels and clipping.
bool PlayEmfState(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    CDC* dc = c.Dc();
    switch (type) {
        case 18:
            if (r.Has(12)) dc->SetBkMode(r.U(8) == TRANSPARENT ? TRANSPARENT : OPAQUE);
            return true;
        case 19:
            if (r.Has(12)) dc->SetPolyFillMode(r.U(8) == WINDING ? WINDING : ALTERNATE);
            return true;
        case 22:
            if (r.Has(12)) dc->SetTextAlign(r.U(8) & 0x1F);
            return true;
        case 24:
            if (r.Has(12)) dc->SetTextColor(r.U(8) & 0xFFFFFF);
            return true;
        case 25:
            if (r.Has(12)) dc->SetBkColor(r.U(8) & 0xFFFFFF);
            return true;
        case 30:
            if (r.Has(24)) c.ClipRect(r.I(8), r.I(12), r.I(16), r.I(20));
            return true;
        case 33: c.Save(); return true;
        case 34:
            if (r.Has(12)) c.Restore(r.I(8));
            return true;
        default: return false;
    }
}

/// EXTCREATEFONTINDIRECTW: the logical font with its face name in UTF-16.
void PlayEmfCreateFont(Canvas& c, const EmfRecord& r) {
    if (!r.Has(12 + 28 + 64)) return;
    LOGFONT log;
    const BYTE* f = r.p + 12;
    log.lfHeight = I32(f);
    log.lfEscapement = I32(f + 8);
    log.lfOrientation = I32(f + 12);
    log.lfWeight = I32(f + 16);
    log.lfItalic = f[20];
    log.lfUnderline = f[21];
    log.lfStrikeOut = f[22];
    log.lfCharSet = f[23];
    const CString face = Utf16ToUtf8(f + 28, 32);
    std::memset(log.lfFaceName, 0, sizeof log.lfFaceName);
    std::strncpy(log.lfFaceName, face.GetString(), sizeof log.lfFaceName - 1);
    c.MakeFont(r.U(8), log);
}

/// SELECTOBJECT: a table index, or a stock object with the high bit.
void PlayEmfSelect(Canvas& c, const EmfRecord& r) {
    if (!r.Has(12)) return;
    if (r.U(8) & 0x80000000u) {
        const std::uint32_t stock = r.U(8) & 0x7FFFFFFFu;
        if (stock <= NULL_PEN) c.Dc()->SelectStockObject(static_cast<int>(stock));
    } else {
        c.Select(r.U(8));
    }
}

/// Objects: created into the slot the record names, selected and deleted.
bool PlayEmfObject(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    switch (type) {
        case 37: PlayEmfSelect(c, r); return true;
        case 38:  // CREATEPEN
            if (r.Has(28)) c.MakePen(r.U(8), r.U(12) & 0xFF0F, r.I(16), r.U(24) & 0xFFFFFF);
            return true;
        case 95:  // EXTCREATEPEN
            if (r.Has(48)) c.MakePen(r.U(8), r.U(28) & 0xFF0F, r.U(32), r.U(40) & 0xFFFFFF);
            return true;
        case 39:
            if (r.Has(24)) c.MakeBrush(r.U(8), r.U(12), r.U(16) & 0xFFFFFF, r.U(20));
            return true;
        case 93:  // CREATEMONOBRUSH
        case 94:  // CREATEDIBPATTERNBRUSHPT
            if (r.Has(12)) c.MakeBrush(r.U(8), BS_SOLID, RGB(128, 128, 128), 0);
            return true;
        case 49:  // CREATEPALETTE
            if (r.Has(12)) c.MakeOther(r.U(8));
            return true;
        case 82: PlayEmfCreateFont(c, r); return true;
        case 40:
            if (r.Has(12)) c.Delete(r.U(8));
            return true;
        default: return false;
    }
}

/// Moves and lines, rectangles, ellipses, arcs and paths.
bool PlayEmfShape(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    switch (type) {
        case 27:
            if (r.Has(16)) c.MoveTo(r.I(8), r.I(12));
            return true;
        case 54:
            if (r.Has(16)) c.LineTo(r.I(8), r.I(12));
            return true;
        case 42:
        case 43:
            if (r.Has(24)) c.Box(type == 42 ? 1 : 0, r.I(8), r.I(12), r.I(16), r.I(20));
            return true;
        case 44:
            if (r.Has(32)) c.Box(2, r.I(8), r.I(12), r.I(16), r.I(20), r.I(24), r.I(28));
            return true;
        case 45:
        case 46:
        case 47:
            if (r.Has(40))
                c.ArcLike(type == 45   ? 0
                          : type == 47 ? 1
                                       : 2,
                          r.I(8), r.I(12), r.I(16), r.I(20), r.I(24), r.I(28), r.I(32), r.I(36));
            return true;
        case 59: c.BeginPath(); return true;
        case 60: c.EndPath(); return true;
        case 61: c.CloseFigure(); return true;
        case 62: c.DrawPath(true, false); return true;
        case 63: c.DrawPath(true, true); return true;
        case 64: c.DrawPath(false, true); return true;
        case 68: c.BeginPath(), c.EndPath(); return true;
        default: return false;
    }
}

/// EXTTEXTOUTA, EXTTEXTOUTW: reference point, count, offset, options, rectangle.
void PlayEmfText(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    if (!r.Has(76)) return;
    const double x = r.I(36), y = r.I(40);
    const std::size_t chars = r.U(44), offset = r.U(48);
    const std::uint32_t options = r.U(52);
    const double rect[4] = {double(r.I(56)), double(r.I(60)), double(r.I(64)), double(r.I(68))};
    const std::size_t bytes = type == 84 ? 2 : 1;
    if (offset > r.size || chars > (r.size - offset) / bytes) return;
    const CString text = type == 84 ? Utf16ToUtf8(r.p + offset, chars) : Latin1ToUtf8(r.p + offset, chars);
    c.Text(x, y, text, (options & 0x0002) != 0, rect);
}

/// The bitmap of a record: its header at bmi and pixels at bits, both inside the record.
std::unique_ptr<CBitmap> EmfBitmap(const EmfRecord& r, std::size_t bmiAt) {
    const std::size_t bmi = r.U(bmiAt), bmiSize = r.U(bmiAt + 4), bits = r.U(bmiAt + 8), bitsSize = r.U(bmiAt + 12);
    if (bmi > r.size || bmiSize > r.size - bmi || bits > r.size || bitsSize > r.size - bits) return nullptr;
    return DecodeDib(r.p + bmi, bmiSize, r.p + bits, bitsSize);
}

/// Text and bitmaps.
bool PlayEmfTextOrBitmap(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    switch (type) {
        case 83:
        case 84: PlayEmfText(c, type, r); return true;
        case 81:  // STRETCHDIBITS
            if (r.Has(80))
                if (auto bitmap = EmfBitmap(r, 48))
                    c.Bitmap(std::move(bitmap), r.I(24), r.I(28), r.I(72), r.I(76), r.I(32), r.I(36), r.I(40), r.I(44));
            return true;
        case 77:  // STRETCHBLT with a source bitmap
            if (r.Has(108) && r.U(88) != 0)
                if (auto bitmap = EmfBitmap(r, 84))
                    c.Bitmap(std::move(bitmap), r.I(24), r.I(28), r.I(32), r.I(36), r.I(44), r.I(48), r.I(100),
                             r.I(104));
            return true;
        default: return false;
    }
}

/// One record; regions and colour management are not drawn.
void PlayEmfRecord(Canvas& c, std::uint32_t type, const EmfRecord& r) {
    if (PlayEmfPoly(c, type, r) || PlayEmfMapping(c, type, r) || PlayEmfState(c, type, r)) return;
    if (PlayEmfObject(c, type, r) || PlayEmfShape(c, type, r)) return;
    PlayEmfTextOrBitmap(c, type, r);
}

}  // namespace

// ---------------------------------------------------------------- loading

bool CTBMetaFilePlayer::LoadWmf(const BYTE* p, std::size_t n) {
    std::size_t at = 0;
    bool placeable = false;
    RECT box = {0, 0, 0, 0};
    int inch = 1440;
    if (n >= 22 && U32(p) == kPlaceableKey) {
        placeable = true;
        box = RECT{I16(p + 6), I16(p + 8), I16(p + 10), I16(p + 12)};
        inch = U16(p + 14) ? U16(p + 14) : 1440;
        at = 22;
    }
    if (n < at + 18) return false;
    const std::uint16_t type = U16(p + at), headerWords = U16(p + at + 2);
    if ((type != 1 && type != 2) || headerWords != 9) return false;
    m_objects = U16(p + at + 10);
    m_recordsAt = at + 18;
    if (!placeable) {
        // A plain metafile tells its extent only through its window records.
        box = RECT{0, 0, 0, 0};
        bool extent = false;
        for (std::size_t r = m_recordsAt; r + 6 <= n;) {
            const std::uint32_t words = U32(p + r);
            if (words < 3 || words > (n - r) / 2) break;
            const std::uint16_t fn = U16(p + r + 4);
            if (fn == 0x020B && words >= 5) box.left = I16(p + r + 8), box.top = I16(p + r + 6);
            if (fn == 0x020C && words >= 5 && !extent) {
                box.right = I16(p + r + 8);
                box.bottom = I16(p + r + 6);
                extent = true;
            }
            if (fn == 0 || extent) break;
            r += std::size_t(words) * 2;
        }
        if (!extent || !box.right || !box.bottom) box.right = 1000, box.bottom = 1000;
        box.right += box.left;
        box.bottom += box.top;
        inch = 96;  // taken as screen pixels
    }
    m_bounds = box;
    m_himetric = CSize(std::labs(box.right - box.left) * 2540L / inch, std::labs(box.bottom - box.top) * 2540L / inch);
    m_kind = placeable ? PlaceableWmf : PlainWmf;
    return true;
}

bool CTBMetaFilePlayer::LoadEmf(const BYTE* p, std::size_t n) {
    if (n < 88 || U32(p) != 1 || U32(p + 40) != kEmfSignature) return false;
    const std::uint32_t headerSize = U32(p + 4);
    if (headerSize < 88 || headerSize > n || headerSize % 4) return false;
    // The frame in 0.01 mm, inclusive.
    const RECT frame{I32(p + 24), I32(p + 28), I32(p + 32), I32(p + 36)};
    m_bounds = frame;
    m_himetric = CSize(std::labs(static_cast<long>(frame.right) - frame.left),
                       std::labs(static_cast<long>(frame.bottom) - frame.top));
    m_objects = U16(p + 56);
    m_recordsAt = headerSize;
    m_kind = Emf;
    return true;
}

bool CTBMetaFilePlayer::Load(const BYTE* data, std::size_t size) {
    Unload();
    if (!data) return false;
    // A serialised picture object: "lt\0\0", the length, then the picture itself.
    if (size >= 8 && U32(data) == 0x0000746C) {
        const std::size_t length = U32(data + 4);
        if (length > size - 8) return false;
        data += 8;
        size = length;
    }
    m_data.assign(data, data + size);
    if (LoadEmf(m_data.data(), m_data.size()) || LoadWmf(m_data.data(), m_data.size())) return true;
    Unload();
    return false;
}

void CTBMetaFilePlayer::Unload() {
    m_data.clear();
    m_kind = None;
    m_recordsAt = 0;
    m_himetric = CSize();
    m_bounds = RECT{0, 0, 0, 0};
    m_objects = 0;
}

// ---------------------------------------------------------------- playing

int CTBMetaFilePlayer::Play(CDC* dc, const CRect& target) const {
    if (!dc || m_kind == None) return 0;
    const int saved = dc->SaveDC();
    // The picture starts with the framework's defaults, not the caller's objects.
    dc->SelectStockObject(BLACK_PEN);
    dc->SelectStockObject(WHITE_BRUSH);
    dc->SetBkMode(OPAQUE);
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    dc->SetTextColor(RGB(0, 0, 0));
    dc->SetBkColor(RGB(255, 255, 255));
    dc->IntersectClipRect(
        static_cast<int>(std::min(target.left, target.right)), static_cast<int>(std::min(target.top, target.bottom)),
        static_cast<int>(std::max(target.left, target.right)), static_cast<int>(std::max(target.top, target.bottom)));
    int played = 0;
    try {
        played = PlayRecords(dc, target);
    } catch (const std::bad_alloc&) {
        // Out of memory part way: what was drawn stays, the caller's state comes back.
    }
    dc->RestoreDC(saved);
    return played;
}

int CTBMetaFilePlayer::PlayRecords(CDC* dc, const CRect& target) const {
    const BYTE* p = m_data.data();
    const std::size_t n = m_data.size();
    int played = 0;
    if (m_kind == Emf) {
        Canvas c(dc, static_cast<std::size_t>(m_objects) + 1);
        // The frame (0.01 mm) in the reference device's pixels fills the target.
        const long devX = I32(p + 72), devY = I32(p + 76), mmX = I32(p + 80), mmY = I32(p + 84);
        if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
            c.devicePxPerMmX = double(devX) / mmX;
            c.devicePxPerMmY = double(devY) / mmY;
        }
        const double l = m_bounds.left / 100.0 * c.devicePxPerMmX, t = m_bounds.top / 100.0 * c.devicePxPerMmY,
                     r = m_bounds.right / 100.0 * c.devicePxPerMmX, b = m_bounds.bottom / 100.0 * c.devicePxPerMmY;
        c.toTarget = RectToRect(l, t, r, b, target);
        for (std::size_t at = m_recordsAt; at + 8 <= n && played < kMaxRecords; ++played) {
            const std::uint32_t type = U32(p + at), size = U32(p + at + 4);
            if (size < 8 || size % 4 || size > n - at) break;
            if (type == 14) break;  // EOF
            PlayEmfRecord(c, type, EmfRecord{p + at, size});
            at += size;
        }
    } else {
        Canvas c(dc, static_cast<std::size_t>(m_objects));
        c.map.mode = MM_ANISOTROPIC;
        c.map.wox = m_bounds.left;
        c.map.woy = m_bounds.top;
        c.map.wex = m_bounds.right - m_bounds.left ? m_bounds.right - m_bounds.left : 1;
        c.map.wey = m_bounds.bottom - m_bounds.top ? m_bounds.bottom - m_bounds.top : 1;
        // The window (as the records set it) maps onto the viewport, the target.
        c.map.vox = target.left;
        c.map.voy = target.top;
        c.map.vex = target.right - target.left;
        c.map.vey = target.bottom - target.top;
        for (std::size_t at = m_recordsAt; at + 6 <= n && played < kMaxRecords; ++played) {
            const std::uint32_t words = U32(p + at);
            if (words < 3 || words > (n - at) / 2) break;
            const std::uint16_t function = U16(p + at + 4);
            if (function == 0) break;  // EOF
            PlayWmfRecord(c, function, WmfParams{p + at + 6, std::size_t(words) - 3});
            at += std::size_t(words) * 2;
        }
    }
    return played;
}
