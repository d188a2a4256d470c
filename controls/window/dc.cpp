// Device contexts: the framework's drawing state turned into QPainter calls. Points
// are mapped to device pixels by the context's mapping mode before drawing, so that
// text stays upright and pens keep their logical widths in every mapping mode.
#include <toolbox/ui/dc.h>

#include <toolbox/ui/wnd.h>

#include "controls/window/native_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <cmath>

// ------------------------------------------------------------------ colours and objects

namespace {
QColor Q(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF C(const QColor& q) { return RGB(q.red(), q.green(), q.blue()); }
}  // namespace

COLORREF GetSysColor(int index) {
    const QPalette palette = qApp ? QApplication::palette() : QPalette();
    switch (index) {
        case COLOR_WINDOW: return C(palette.color(QPalette::Base));
        case COLOR_WINDOWTEXT: return C(palette.color(QPalette::Text));
        case COLOR_HIGHLIGHT: return C(palette.color(QPalette::Highlight));
        case COLOR_HIGHLIGHTTEXT: return C(palette.color(QPalette::HighlightedText));
        case COLOR_BTNFACE: return C(palette.color(QPalette::Button));
        case COLOR_BTNSHADOW: return C(palette.color(QPalette::Dark));
        case COLOR_GRAYTEXT: return C(palette.color(QPalette::Disabled, QPalette::Text));
        case COLOR_BTNTEXT: return C(palette.color(QPalette::ButtonText));
        case COLOR_BTNHIGHLIGHT: return C(palette.color(QPalette::Light));
        default: return 0;
    }
}

BOOL CPen::CreatePen(UINT style, int width, COLORREF colour) {
    m_log.lopnStyle = style;
    m_log.lopnWidth = {width < 0 ? 0 : width, 0};
    m_log.lopnColor = colour;
    m_created = true;
    return TRUE;
}
BOOL CPen::CreatePen(UINT style, int width, const LOGBRUSH* brush) {
    return brush ? CreatePen(style | PS_GEOMETRIC, width, brush->lbColor) : FALSE;
}
BOOL CPen::CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) return FALSE;
    m_log = *pen;
    m_created = true;
    return TRUE;
}
int CPen::GetLogPen(LOGPEN* pen) const {
    if (!pen || !m_created) return 0;
    *pen = m_log;
    return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
    m_log = LOGBRUSH{BS_SOLID, colour, 0};
    m_created = true;
    return TRUE;
}
BOOL CBrush::CreateHatchBrush(int hatch, COLORREF colour) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return FALSE;
    m_log = LOGBRUSH{BS_HATCHED, colour, static_cast<std::uintptr_t>(hatch)};
    m_created = true;
    return TRUE;
}
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush || brush->lbStyle > BS_HATCHED || (brush->lbStyle == BS_HATCHED && brush->lbHatch > HS_DIAGCROSS))
        return FALSE;
    m_log = *brush;
    m_created = true;
    return TRUE;
}
int CBrush::GetLogBrush(LOGBRUSH* brush) const {
    if (!brush || !m_created) return 0;
    *brush = m_log;
    return TRUE;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* font) {
    if (!font) return FALSE;
    m_log = *font;
    m_log.lfFaceName[sizeof m_log.lfFaceName - 1] = '\0';
    m_created = true;
    return TRUE;
}
BOOL CFont::CreatePointFont(int pointSizeTenths, LPCTSTR faceName, CDC* dc) {
    LOGFONT log;
    const int dpi = dc ? dc->GetDeviceCaps(90) : 96;
    log.lfHeight = -static_cast<long>(std::lround(pointSizeTenths * dpi / 720.0));
    log.lfWeight = 400;
    if (faceName) std::strncpy(log.lfFaceName, faceName, sizeof log.lfFaceName - 1);
    return CreateFontIndirect(&log);
}
BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, LPCTSTR faceName) {
    LOGFONT log;
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = orientation;
    log.lfWeight = weight;
    log.lfItalic = italic;
    log.lfUnderline = underline;
    log.lfStrikeOut = strikeOut;
    log.lfCharSet = charSet;
    log.lfOutPrecision = outPrecision;
    log.lfClipPrecision = clipPrecision;
    log.lfQuality = quality;
    log.lfPitchAndFamily = pitchAndFamily;
    if (faceName) std::strncpy(log.lfFaceName, faceName, sizeof log.lfFaceName - 1);
    return CreateFontIndirect(&log);
}
int CFont::GetLogFont(LOGFONT* font) const {
    if (!font || !m_created) return 0;
    *font = m_log;
    return TRUE;
}

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;
BOOL CBitmap::CreateBitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return FALSE;
    auto image = std::make_unique<QImage>(width, height, QImage::Format_ARGB32_Premultiplied);
    // Without memory for the pixels the image is null: no bitmap, not an empty one.
    if (image->isNull()) return FALSE;
    image->fill(Qt::white);
    m_image = std::move(image);
    m_created = true;
    return TRUE;
}
BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) { return CreateBitmap(width, height); }
BOOL CBitmap::LoadFromFile(LPCTSTR path) {
    auto image = std::make_unique<QImage>();
    if (!path || !image->load(QString::fromUtf8(path))) return FALSE;
    m_image = std::move(image);
    m_created = true;
    return TRUE;
}
CSize CBitmap::GetBitmapDimension() const { return m_image ? CSize(m_image->width(), m_image->height()) : CSize(); }
BOOL CBitmap::DeleteObject() {
    m_image.reset();
    return CGdiObject::DeleteObject();
}

/// Face names of the framework's dialogs and controls, drawn with the desktop's sans font.
QString TBMapFaceName(const char* face) {
    const QString name = QString::fromUtf8(face ? face : "");
    static const char* const sansNames[] = {"MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Microsoft Sans Serif",
                                            "Tahoma",       "Segoe UI",       "System"};
    if (name.isEmpty()) return QApplication::font().family();
    for (const char* sans : sansNames)
        if (name.compare(QLatin1String(sans), Qt::CaseInsensitive) == 0) return QStringLiteral("DejaVu Sans");
    return name;
}

QFont TBQFontFromLogFont(const LOGFONT& log) {
    QFont font(TBMapFaceName(log.lfFaceName));
    // Negative heights are character heights, positive ones cell heights (with the
    // internal leading); both in pixels here.
    const long h = log.lfHeight;
    if (h < 0)
        font.setPixelSize(static_cast<int>(-h));
    else if (h > 0) {
        font.setPixelSize(static_cast<int>(h));
        const int cell = QFontMetrics(font).height();
        if (cell > 0) font.setPixelSize(std::max(1, static_cast<int>(std::lround(h * static_cast<double>(h) / cell))));
    } else {
        font.setPixelSize(13);
    }
    if (log.lfWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp<long>(log.lfWeight, 100, 900)));
    font.setItalic(log.lfItalic != 0);
    font.setUnderline(log.lfUnderline != 0);
    font.setStrikeOut(log.lfStrikeOut != 0);
    return font;
}

// ------------------------------------------------------------------ records

CString CDrawRecord::ToString() const {
    static const char* const names[] = {"SelectPen",
                                        "SelectBrush",
                                        "SelectFont",
                                        "SetTextColor",
                                        "SetBkColor",
                                        "SetBkMode",
                                        "SetTextAlign",
                                        "SetMapMode",
                                        "SetWindowOrg",
                                        "SetWindowExt",
                                        "SetViewportOrg",
                                        "SetViewportExt",
                                        "SetPolyFillMode",
                                        "SaveDC",
                                        "RestoreDC",
                                        "IntersectClipRect",
                                        "SelectClipRgnNone",
                                        "MoveTo",
                                        "LineTo",
                                        "Polyline",
                                        "Polygon",
                                        "Rectangle",
                                        "RoundRect",
                                        "Ellipse",
                                        "Arc",
                                        "Pie",
                                        "Chord",
                                        "SetPixel",
                                        "FillSolidRect",
                                        "FillRect",
                                        "FrameRect",
                                        "Draw3dRect",
                                        "DrawFocusRect",
                                        "DrawFrameControl",
                                        "TextOut",
                                        "DrawText",
                                        "DrawImage"};
    CString s = names[op];
    s += '(';
    bool colourArgs = op == SetTextColor || op == SetBkColor;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) s += ',';
        CString number;
        const bool colour = colourArgs || ((op == SelectPen || op == SelectBrush) && i == 2) ||
                            ((op == FillSolidRect || op == FillRect || op == FrameRect || op == SetPixel) &&
                             i + 1 == args.size() && op != DrawFrameControl) ||
                            (op == Draw3dRect && i >= 4);
        if (colour)
            number.Format("#%06lx", static_cast<unsigned long>(args[i]));
        else
            number.Format("%ld", args[i]);
        s += number;
    }
    if (op == TextOut || op == DrawText || op == SelectFont) {
        if (!args.empty()) s += ',';
        s += '"';
        s += text;
        s += '"';
    }
    s += ')';
    return s;
}

// ------------------------------------------------------------------ the context

struct CDC::Impl {
    QPaintDevice* device = nullptr;
    QPainter* external = nullptr;   // a painter someone else owns
    std::unique_ptr<QPainter> own;  // the painter over device
    bool memory = false;
    CBitmap* bitmap = nullptr;
    CPen stockPens[3];
    CBrush stockBrushes[6];
    CFont defaultFont;
    // What records played back select: they carry the object's values, not the object.
    CPen playedPen;
    CBrush playedBrush;
    CFont playedFont;
    QPainter* Painter(bool open) {
        if (external) return external;
        if (!own && open && device) {
            own = std::make_unique<QPainter>();
            if (!own->begin(device)) own.reset();
        }
        return own.get();
    }
    void Close() {
        if (own) own->end();
        own.reset();
    }
};

CDC::CDC() : m_impl(std::make_unique<Impl>()) {
    m_impl->stockPens[0].CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    m_impl->stockPens[1].CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    m_impl->stockPens[2].CreatePen(PS_NULL, 0, RGB(0, 0, 0));
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64), 0};
    for (int i = 0; i < 5; ++i) m_impl->stockBrushes[i].CreateSolidBrush(greys[i]);
    LOGBRUSH hollow{BS_NULL, 0, 0};
    m_impl->stockBrushes[5].CreateBrushIndirect(&hollow);
    LOGFONT font;
    font.lfHeight = -12;
    font.lfWeight = 400;
    m_impl->defaultFont.CreateFontIndirect(&font);
    m_state.pen = &m_impl->stockPens[1];
    m_state.brush = &m_impl->stockBrushes[0];
    m_state.font = &m_impl->defaultFont;
}

CDC::~CDC() { m_impl->Close(); }

BOOL CDC::AttachDevice(QPaintDevice* device) {
    m_impl->Close();
    m_impl->device = device;
    return device != nullptr;
}

BOOL CDC::AttachPainter(QPainter* painter) {
    m_impl->Close();
    m_impl->external = painter;
    return painter != nullptr;
}

void CDC::DetachDevice() {
    m_impl->Close();
    m_impl->device = nullptr;
    m_impl->external = nullptr;
}

QPainter* CDC::GetPainter() const { return m_impl->Painter(true); }

BOOL CDC::CreateCompatibleDC(CDC*) {
    DetachDevice();
    m_impl->memory = true;
    return TRUE;
}

int CDC::LogicalPixelsY() const {
    if (m_impl->external && m_impl->external->device()) return m_impl->external->device()->logicalDpiY();
    return m_impl->device ? m_impl->device->logicalDpiY() : 96;
}

int CDC::GetDeviceCaps(int index) const {
    const int dpi = LogicalPixelsY();
    QPaintDevice* device = m_impl->external ? m_impl->external->device() : m_impl->device;
    switch (index) {
        case 88:
        case 90: return dpi;                             // LOGPIXELSX, LOGPIXELSY
        case 8: return device ? device->width() : 0;     // HORZRES
        case 10: return device ? device->height() : 0;   // VERTRES
        case 4: return device ? device->widthMM() : 0;   // HORZSIZE
        case 6: return device ? device->heightMM() : 0;  // VERTSIZE
        default: return 0;
    }
}

// --- objects

CPen* CDC::SelectObject(CPen* pen) {
    CPen* old = m_state.pen;
    if (!pen) return nullptr;
    const LOGPEN& l = pen->Log();
    CDrawRecord r{
        CDrawRecord::SelectPen, {static_cast<long>(l.lopnStyle), l.lopnWidth.x, static_cast<long>(l.lopnColor)}, {}};
    m_state.pen = pen;
    Apply(r);
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    CBrush* old = m_state.brush;
    if (!brush) return nullptr;
    const LOGBRUSH& l = brush->Log();
    m_state.brush = brush;
    Apply({CDrawRecord::SelectBrush,
           {static_cast<long>(l.lbStyle), static_cast<long>(l.lbHatch), static_cast<long>(l.lbColor)},
           {}});
    return old;
}

CFont* CDC::SelectObject(CFont* font) {
    CFont* old = m_state.font;
    if (!font) return nullptr;
    const LOGFONT& l = font->Log();
    m_state.font = font;
    Apply({CDrawRecord::SelectFont, {l.lfHeight, l.lfWeight, l.lfItalic, l.lfEscapement}, l.lfFaceName});
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    CBitmap* old = m_impl->bitmap;
    if (!m_impl->memory || !bitmap || !bitmap->GetImage()) return nullptr;
    m_impl->Close();
    m_impl->bitmap = bitmap;
    m_impl->device = bitmap->GetImage();
    return old;
}

CGdiObject* CDC::SelectStockObject(int index) {
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return SelectObject(&m_impl->stockBrushes[index]);
    if (index >= WHITE_PEN && index <= NULL_PEN) return SelectObject(&m_impl->stockPens[index - WHITE_PEN]);
    if (index == DEFAULT_GUI_FONT) return SelectObject(&m_impl->defaultFont);
    return nullptr;
}

COLORREF CDC::SetTextColor(COLORREF colour) {
    const COLORREF old = m_state.textColour;
    Apply({CDrawRecord::SetTextColor, {static_cast<long>(colour)}, {}});
    return old;
}
COLORREF CDC::SetBkColor(COLORREF colour) {
    const COLORREF old = m_state.bkColour;
    Apply({CDrawRecord::SetBkColor, {static_cast<long>(colour)}, {}});
    return old;
}
int CDC::SetBkMode(int mode) {
    const int old = m_state.bkMode;
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    Apply({CDrawRecord::SetBkMode, {mode}, {}});
    return old;
}
UINT CDC::SetTextAlign(UINT flags) {
    const UINT old = m_state.textAlign;
    Apply({CDrawRecord::SetTextAlign, {static_cast<long>(flags)}, {}});
    return old;
}
int CDC::SetPolyFillMode(int mode) {
    const int old = m_state.polyFillMode;
    if (mode != ALTERNATE && mode != WINDING) return 0;
    Apply({CDrawRecord::SetPolyFillMode, {mode}, {}});
    return old;
}
int CDC::SaveDC() {
    Apply({CDrawRecord::SaveDC, {}, {}});
    return static_cast<int>(m_saved.size());
}
BOOL CDC::RestoreDC(int level) {
    const int depth = static_cast<int>(m_saved.size());
    const int target = level < 0 ? depth + level + 1 : level;
    if (target < 1 || target > depth) return FALSE;
    Apply({CDrawRecord::RestoreDC, {level}, {}});
    return TRUE;
}

// --- mapping

int CDC::SetMapMode(int mode) {
    const int old = m_state.mapMode;
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
    Apply({CDrawRecord::SetMapMode, {mode}, {}});
    return old;
}
CPoint CDC::SetWindowOrg(int x, int y) {
    const CPoint old = m_state.windowOrg;
    Apply({CDrawRecord::SetWindowOrg, {x, y}, {}});
    return old;
}
CSize CDC::SetWindowExt(int cx, int cy) {
    const CSize old = m_state.windowExt;
    Apply({CDrawRecord::SetWindowExt, {cx, cy}, {}});
    return old;
}
CPoint CDC::SetViewportOrg(int x, int y) {
    const CPoint old = m_state.viewportOrg;
    Apply({CDrawRecord::SetViewportOrg, {x, y}, {}});
    return old;
}
CSize CDC::SetViewportExt(int cx, int cy) {
    const CSize old = m_state.viewportExt;
    Apply({CDrawRecord::SetViewportExt, {cx, cy}, {}});
    return old;
}
CSize CDC::GetWindowExt() const { return m_state.windowExt; }
CSize CDC::GetViewportExt() const { return m_state.viewportExt; }

double CDC::ScaleX() const {
    return m_state.windowExt.cx ? static_cast<double>(m_state.viewportExt.cx) / m_state.windowExt.cx : 1.0;
}
double CDC::ScaleY() const {
    return m_state.windowExt.cy ? static_cast<double>(m_state.viewportExt.cy) / m_state.windowExt.cy : 1.0;
}

/// The fixed modes: logical units per inch against the device's pixels per inch,
/// y growing upwards.
void CDC::ApplyMetricExtents() {
    long unitsPerInch = 0;
    switch (m_state.mapMode) {
        case MM_LOMETRIC:
        case MM_ISOTROPIC: unitsPerInch = 254; break;
        case MM_HIMETRIC: unitsPerInch = 2540; break;
        case MM_LOENGLISH: unitsPerInch = 100; break;
        case MM_HIENGLISH: unitsPerInch = 1000; break;
        case MM_TWIPS: unitsPerInch = 1440; break;
        default: break;
    }
    if (m_state.mapMode == MM_TEXT) {
        m_state.windowExt = CSize(1, 1);
        m_state.viewportExt = CSize(1, 1);
    } else if (unitsPerInch) {
        const int dpi = LogicalPixelsY();
        m_state.windowExt = CSize(unitsPerInch, unitsPerInch);
        m_state.viewportExt = CSize(dpi, -dpi);
    }
}

/// Isotropic mapping keeps one scale on both axes: the larger viewport extent shrinks.
void CDC::FixIsotropic() {
    if (m_state.mapMode != MM_ISOTROPIC || !m_state.windowExt.cx || !m_state.windowExt.cy) return;
    const double sx = std::fabs(ScaleX()), sy = std::fabs(ScaleY());
    if (sx > sy) {
        const double cx = sy * std::fabs(static_cast<double>(m_state.windowExt.cx));
        m_state.viewportExt.cx =
            (m_state.viewportExt.cx < 0 ? -1 : 1) * std::lround(cx) * (m_state.windowExt.cx < 0 ? -1 : 1);
    } else if (sy > sx) {
        const double cy = sx * std::fabs(static_cast<double>(m_state.windowExt.cy));
        m_state.viewportExt.cy =
            (m_state.viewportExt.cy < 0 ? -1 : 1) * std::lround(cy) * (m_state.windowExt.cy < 0 ? -1 : 1);
    }
}

void CDC::LPtoDP(POINT* points, int count) const {
    if (!points) return;
    for (int i = 0; i < count; ++i) {
        POINT& p = points[i];
        p.x = std::lround((p.x - m_state.windowOrg.x) * ScaleX()) + m_state.viewportOrg.x;
        p.y = std::lround((p.y - m_state.windowOrg.y) * ScaleY()) + m_state.viewportOrg.y;
    }
}
void CDC::LPtoDP(RECT* rect) const {
    if (rect) LPtoDP(reinterpret_cast<POINT*>(rect), 2);
}
void CDC::DPtoLP(POINT* points, int count) const {
    if (!points) return;
    const double sx = ScaleX(), sy = ScaleY();
    for (int i = 0; i < count; ++i) {
        POINT& p = points[i];
        p.x = std::lround((p.x - m_state.viewportOrg.x) / (sx ? sx : 1.0)) + m_state.windowOrg.x;
        p.y = std::lround((p.y - m_state.viewportOrg.y) / (sy ? sy : 1.0)) + m_state.windowOrg.y;
    }
}
void CDC::DPtoLP(RECT* rect) const {
    if (rect) DPtoLP(reinterpret_cast<POINT*>(rect), 2);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
    Apply({CDrawRecord::IntersectClipRect, {left, top, right, bottom}, {}});
    return 2;  // SIMPLEREGION
}
int CDC::SelectClipRgn(std::nullptr_t) {
    Apply({CDrawRecord::SelectClipRgnNone, {}, {}});
    return 2;
}

// --- drawing calls

CPoint CDC::MoveTo(int x, int y) {
    const CPoint old = m_state.position;
    Apply({CDrawRecord::MoveTo, {x, y}, {}});
    return old;
}
BOOL CDC::LineTo(int x, int y) {
    Apply({CDrawRecord::LineTo, {x, y}, {}});
    return TRUE;
}

namespace {
std::vector<long> Flatten(const POINT* points, int count) {
    std::vector<long> args;
    if (!points || count <= 0) return args;
    args.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        args.push_back(points[i].x);
        args.push_back(points[i].y);
    }
    return args;
}
}  // namespace

BOOL CDC::Polyline(const POINT* points, int count) {
    if (!points || count < 2) return FALSE;
    Apply({CDrawRecord::Polyline, Flatten(points, count), {}});
    return TRUE;
}
BOOL CDC::Polygon(const POINT* points, int count) {
    if (!points || count < 2) return FALSE;
    Apply({CDrawRecord::Polygon, Flatten(points, count), {}});
    return TRUE;
}
BOOL CDC::Rectangle(int l, int t, int r, int b) {
    Apply({CDrawRecord::Rectangle, {l, t, r, b}, {}});
    return TRUE;
}
BOOL CDC::RoundRect(int l, int t, int r, int b, int w, int h) {
    Apply({CDrawRecord::RoundRect, {l, t, r, b, w, h}, {}});
    return TRUE;
}
BOOL CDC::Ellipse(int l, int t, int r, int b) {
    Apply({CDrawRecord::Ellipse, {l, t, r, b}, {}});
    return TRUE;
}
BOOL CDC::Arc(int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    Apply({CDrawRecord::Arc, {l, t, r, b, x3, y3, x4, y4}, {}});
    return TRUE;
}
BOOL CDC::Pie(int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    Apply({CDrawRecord::Pie, {l, t, r, b, x3, y3, x4, y4}, {}});
    return TRUE;
}
BOOL CDC::Chord(int l, int t, int r, int b, int x3, int y3, int x4, int y4) {
    Apply({CDrawRecord::Chord, {l, t, r, b, x3, y3, x4, y4}, {}});
    return TRUE;
}
COLORREF CDC::SetPixel(int x, int y, COLORREF colour) {
    Apply({CDrawRecord::SetPixel, {x, y, static_cast<long>(colour)}, {}});
    return colour;
}
void CDC::FillSolidRect(const RECT* r, COLORREF colour) {
    if (r) Apply({CDrawRecord::FillSolidRect, {r->left, r->top, r->right, r->bottom, static_cast<long>(colour)}, {}});
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    const RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, colour);
}
void CDC::FillRect(const RECT* r, CBrush* brush) {
    if (!r || !brush) return;
    const LOGBRUSH& l = brush->Log();
    Apply({CDrawRecord::FillRect,
           {r->left, r->top, r->right, r->bottom, static_cast<long>(l.lbStyle), static_cast<long>(l.lbHatch),
            static_cast<long>(l.lbColor)},
           {}});
}
void CDC::FrameRect(const RECT* r, CBrush* brush) {
    if (!r || !brush) return;
    Apply(
        {CDrawRecord::FrameRect, {r->left, r->top, r->right, r->bottom, static_cast<long>(brush->Log().lbColor)}, {}});
}
void CDC::Draw3dRect(const RECT* r, COLORREF topLeft, COLORREF bottomRight) {
    if (r)
        Apply({CDrawRecord::Draw3dRect,
               {r->left, r->top, r->right, r->bottom, static_cast<long>(topLeft), static_cast<long>(bottomRight)},
               {}});
}
void CDC::DrawFocusRect(const RECT* r) {
    if (r) Apply({CDrawRecord::DrawFocusRect, {r->left, r->top, r->right, r->bottom}, {}});
}
BOOL CDC::DrawFrameControl(RECT* r, UINT type, UINT state) {
    if (!r || (type != DFC_BUTTON && type != DFC_SCROLL)) return FALSE;
    Apply({CDrawRecord::DrawFrameControl,
           {r->left, r->top, r->right, r->bottom, static_cast<long>(type), static_cast<long>(state)},
           {}});
    return TRUE;
}
BOOL CDC::TextOut(int x, int y, const CString& text) {
    Apply({CDrawRecord::TextOut, {x, y}, text});
    return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
    return StretchBlt(x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth, int srcHeight,
                     DWORD) {
    if (!source || !source->m_impl->bitmap || !source->m_impl->bitmap->GetImage()) return FALSE;
    source->m_impl->Close();  // the source's drawing must be in its image
    const QImage& image = *source->m_impl->bitmap->GetImage();
    const QRect part(xSrc, ySrc, srcWidth, srcHeight);
    if (!image.rect().contains(part)) return FALSE;
    // The record shares the pixels (no copy until the source is drawn on again), so
    // a recording or metafile context can play it after the bitmap is freed.
    CDrawRecord record{CDrawRecord::DrawImage, {x, y, width, height, xSrc, ySrc, srcWidth, srcHeight}, {}};
    record.image = std::make_shared<const QImage>(image);
    if (record.image->isNull()) return FALSE;
    Apply(record);
    return TRUE;
}

// --- carrying out

void CDC::Apply(const CDrawRecord& record) {
    Keep(record);
    Carry(record);
}

void CDC::Carry(const CDrawRecord& record) {
    switch (record.op) {
        case CDrawRecord::SelectPen:
        case CDrawRecord::SelectBrush:
        case CDrawRecord::SelectFont:
        case CDrawRecord::SetTextColor:
        case CDrawRecord::SetBkColor:
        case CDrawRecord::SetBkMode:
        case CDrawRecord::SetTextAlign:
        case CDrawRecord::SetMapMode:
        case CDrawRecord::SetWindowOrg:
        case CDrawRecord::SetWindowExt:
        case CDrawRecord::SetViewportOrg:
        case CDrawRecord::SetViewportExt:
        case CDrawRecord::SetPolyFillMode:
        case CDrawRecord::SaveDC:
        case CDrawRecord::RestoreDC:
        case CDrawRecord::IntersectClipRect:
        case CDrawRecord::SelectClipRgnNone:
        case CDrawRecord::MoveTo: ApplyState(record); return;
        default:
            if (m_render) Render(record);
            if (record.op == CDrawRecord::LineTo) m_state.position = CPoint(record.args[0], record.args[1]);
            if (record.op == CDrawRecord::TextOut && (m_state.textAlign & TA_UPDATECP)) {
                const CSize extent = GetTextExtent(record.text);
                m_state.position.x += extent.cx;
            }
            return;
    }
}

void CDC::ApplyState(const CDrawRecord& r) {
    const auto& a = r.args;
    switch (r.op) {
        case CDrawRecord::SelectPen:
            // A record played back carries the pen itself, not an object of the caller.
            if (!m_state.pen || m_state.pen->Log().lopnColor != static_cast<COLORREF>(a[2]) ||
                m_state.pen->Log().lopnStyle != static_cast<UINT>(a[0]) || m_state.pen->Log().lopnWidth.x != a[1]) {
                m_impl->playedPen.CreatePen(static_cast<UINT>(a[0]), static_cast<int>(a[1]),
                                            static_cast<COLORREF>(a[2]));
                m_state.pen = &m_impl->playedPen;
            }
            break;
        case CDrawRecord::SelectBrush:
            if (!m_state.brush || m_state.brush->Log().lbColor != static_cast<COLORREF>(a[2]) ||
                m_state.brush->Log().lbStyle != static_cast<UINT>(a[0]) ||
                m_state.brush->Log().lbHatch != static_cast<std::uintptr_t>(a[1])) {
                LOGBRUSH l{static_cast<UINT>(a[0]), static_cast<COLORREF>(a[2]), static_cast<std::uintptr_t>(a[1])};
                m_impl->playedBrush.CreateBrushIndirect(&l);
                m_state.brush = &m_impl->playedBrush;
            }
            break;
        case CDrawRecord::SelectFont:
            if (!m_state.font || m_state.font->Log().lfHeight != a[0] || r.text != m_state.font->Log().lfFaceName) {
                LOGFONT l;
                l.lfHeight = a[0];
                l.lfWeight = a[1];
                l.lfItalic = static_cast<BYTE>(a[2]);
                l.lfEscapement = a[3];
                std::strncpy(l.lfFaceName, r.text.GetString(), sizeof l.lfFaceName - 1);
                m_impl->playedFont.CreateFontIndirect(&l);
                m_state.font = &m_impl->playedFont;
            }
            break;
        case CDrawRecord::SetTextColor: m_state.textColour = static_cast<COLORREF>(a[0]); break;
        case CDrawRecord::SetBkColor: m_state.bkColour = static_cast<COLORREF>(a[0]); break;
        case CDrawRecord::SetBkMode: m_state.bkMode = static_cast<int>(a[0]); break;
        case CDrawRecord::SetTextAlign: m_state.textAlign = static_cast<UINT>(a[0]); break;
        case CDrawRecord::SetPolyFillMode: m_state.polyFillMode = static_cast<int>(a[0]); break;
        case CDrawRecord::SetMapMode:
            m_state.mapMode = static_cast<int>(a[0]);
            if (m_state.mapMode != MM_ANISOTROPIC) ApplyMetricExtents();
            break;
        case CDrawRecord::SetWindowOrg: m_state.windowOrg = CPoint(a[0], a[1]); break;
        case CDrawRecord::SetViewportOrg: m_state.viewportOrg = CPoint(a[0], a[1]); break;
        case CDrawRecord::SetWindowExt:
        case CDrawRecord::SetViewportExt: {
            // Extents count only in the two scalable modes, and never as zero.
            if (m_state.mapMode != MM_ISOTROPIC && m_state.mapMode != MM_ANISOTROPIC) break;
            if (a[0] == 0 || a[1] == 0) break;
            (r.op == CDrawRecord::SetWindowExt ? m_state.windowExt : m_state.viewportExt) = CSize(a[0], a[1]);
            FixIsotropic();
            break;
        }
        case CDrawRecord::SaveDC: m_saved.push_back(m_state); break;
        case CDrawRecord::RestoreDC: {
            const int depth = static_cast<int>(m_saved.size());
            const int target = a[0] < 0 ? depth + static_cast<int>(a[0]) + 1 : static_cast<int>(a[0]);
            if (target < 1 || target > depth) break;
            m_state = m_saved[static_cast<std::size_t>(target - 1)];
            m_saved.resize(static_cast<std::size_t>(target - 1));
            break;
        }
        case CDrawRecord::IntersectClipRect: {
            RECT device{a[0], a[1], a[2], a[3]};
            LPtoDP(&device);
            CRect d(device);
            d.NormalizeRect();
            if (m_state.clipped) {
                CRect both;
                both.IntersectRect(CRect(m_state.clip), d);
                d = both;
            }
            m_state.clip = d;
            m_state.clipped = true;
            break;
        }
        case CDrawRecord::SelectClipRgnNone: m_state.clipped = false; break;
        case CDrawRecord::MoveTo: m_state.position = CPoint(a[0], a[1]); break;
        default: break;
    }
}

namespace {

Qt::PenStyle QtPenStyle(UINT style) {
    switch (style & PS_STYLE_MASK) {
        case PS_DASH: return Qt::DashLine;
        case PS_DOT: return Qt::DotLine;
        case PS_DASHDOT: return Qt::DashDotLine;
        case PS_DASHDOTDOT: return Qt::DashDotDotLine;
        case PS_NULL: return Qt::NoPen;
        default: return Qt::SolidLine;
    }
}

Qt::BrushStyle QtHatch(std::uintptr_t hatch) {
    switch (hatch) {
        case HS_HORIZONTAL: return Qt::HorPattern;
        case HS_VERTICAL: return Qt::VerPattern;
        case HS_FDIAGONAL: return Qt::FDiagPattern;  // falling to the right
        case HS_BDIAGONAL: return Qt::BDiagPattern;  // rising to the right
        case HS_CROSS: return Qt::CrossPattern;
        default: return Qt::DiagCrossPattern;
    }
}

QBrush QtBrush(const LOGBRUSH& log) {
    if (log.lbStyle == BS_NULL) return Qt::NoBrush;
    if (log.lbStyle == BS_HATCHED) return QBrush(Q(log.lbColor), QtHatch(log.lbHatch));
    return QBrush(Q(log.lbColor));
}

QRect DeviceRect(const CDC& dc, long l, long t, long r, long b) {
    POINT p[2] = {{l, t}, {r, b}};
    dc.LPtoDP(p, 2);
    CRect rc(p[0].x, p[0].y, p[1].x, p[1].y);
    rc.NormalizeRect();
    return QRect(static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.Width()),
                 static_cast<int>(rc.Height()));
}

/// A shape's outline rectangle: the system draws right and bottom one pixel inside.
QRect Outline(const QRect& r) {
    return QRect(r.left(), r.top(), std::max(0, r.width() - 1), std::max(0, r.height() - 1));
}

double AngleOf(const QPointF& centre, const QPoint& p) {
    return std::atan2(-(p.y() - centre.y()), p.x() - centre.x()) * 180.0 / M_PI;
}

}  // namespace

void CDC::SetupPainter() const {
    QPainter* p = m_impl->Painter(true);
    if (!p) return;
    const LOGPEN& pen = m_state.pen->Log();
    const double scale = std::fabs(ScaleX());
    QPen qpen(Q(pen.lopnColor));
    qpen.setStyle(QtPenStyle(pen.lopnStyle));
    const long width = pen.lopnWidth.x;
    // A cosmetic pen wider than one pixel draws solid whatever its style, as on the
    // system; only geometric pens keep their dashes at such widths.
    if (width > 1 && !(pen.lopnStyle & PS_GEOMETRIC) && qpen.style() != Qt::NoPen) qpen.setStyle(Qt::SolidLine);
    qpen.setWidthF(width <= 1 && !(pen.lopnStyle & PS_GEOMETRIC) ? 1.0 : std::max(1.0, width * scale));
    qpen.setCapStyle((pen.lopnStyle & PS_ENDCAP_FLAT)     ? Qt::FlatCap
                     : (pen.lopnStyle & PS_ENDCAP_SQUARE) ? Qt::SquareCap
                                                          : Qt::RoundCap);
    qpen.setJoinStyle((pen.lopnStyle & PS_JOIN_MITER)   ? Qt::MiterJoin
                      : (pen.lopnStyle & PS_JOIN_BEVEL) ? Qt::BevelJoin
                                                        : Qt::RoundJoin);
    p->setPen(qpen);
    p->setBrush(QtBrush(m_state.brush->Log()));
    p->setBackground(QBrush(Q(m_state.bkColour)));
    p->setBackgroundMode(m_state.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setWorldTransform(QTransform());
    if (m_state.clipped)
        p->setClipRect(QRect(static_cast<int>(m_state.clip.left), static_cast<int>(m_state.clip.top),
                             static_cast<int>(m_state.clip.right - m_state.clip.left),
                             static_cast<int>(m_state.clip.bottom - m_state.clip.top)));
    else
        p->setClipping(false);
    LOGFONT font = m_state.font->Log();
    font.lfHeight = static_cast<long>(std::lround(font.lfHeight * std::fabs(ScaleY())));
    if (font.lfHeight == 0 && m_state.font->Log().lfHeight != 0) font.lfHeight = -1;
    p->setFont(TBQFontFromLogFont(font));
}

namespace {

/// Carries out one drawing record on a painter set up for the context: logical
/// coordinates go through the context's mapping to device pixels.
class RecordPainter {
public:
    RecordPainter(const CDC& dc, QPainter& painter, const CDrawRecord& record, double scaleX, double scaleY,
                  int polyFillMode)
        : m_dc(dc), m_p(painter), m_r(record), a(record.args), m_scaleX(scaleX), m_scaleY(scaleY),
          m_polyFillMode(polyFillMode) {}

    void Paint() {
        switch (m_r.op) {
            case CDrawRecord::LineTo: LineTo(); break;
            case CDrawRecord::Polyline: m_p.drawPolyline(Points()); break;
            case CDrawRecord::Polygon: Polygon(); break;
            case CDrawRecord::Rectangle:
            case CDrawRecord::RoundRect: Rectangle(); break;
            case CDrawRecord::Ellipse: m_p.drawEllipse(Outline(Rect())); break;
            case CDrawRecord::Arc:
            case CDrawRecord::Pie:
            case CDrawRecord::Chord: ArcLike(); break;
            case CDrawRecord::SetPixel: m_p.fillRect(QRect(Device(a[0], a[1]), QSize(1, 1)), Colour(2)); break;
            case CDrawRecord::FillSolidRect: m_p.fillRect(Rect(), Colour(4)); break;
            case CDrawRecord::FillRect: FillRect(); break;
            case CDrawRecord::FrameRect: FrameRect(); break;
            case CDrawRecord::Draw3dRect: Draw3dRect(); break;
            case CDrawRecord::DrawFocusRect: FocusRect(); break;
            case CDrawRecord::DrawFrameControl: FrameControl(); break;
            case CDrawRecord::TextOut: TextOut(); break;
            case CDrawRecord::DrawImage: Image(); break;
            default: break;
        }
    }

private:
    QPoint Device(long x, long y) const {
        POINT pt{x, y};
        m_dc.LPtoDP(&pt);
        return QPoint(static_cast<int>(pt.x), static_cast<int>(pt.y));
    }
    /// The record's first four arguments as a device rectangle.
    QRect Rect() const { return DeviceRect(m_dc, a[0], a[1], a[2], a[3]); }
    QColor Colour(std::size_t i) const { return Q(static_cast<COLORREF>(a[i])); }
    QPolygon Points() const {
        QPolygon poly;
        for (std::size_t i = 0; i + 1 < a.size(); i += 2) poly << Device(a[i], a[i + 1]);
        return poly;
    }
    bool OpaqueHatch(const LOGBRUSH& brush) const { return brush.lbStyle == BS_HATCHED && m_dc.GetBkMode() == OPAQUE; }
    /// Hatches are drawn on the background colour when the mode is opaque.
    void FillBackground(const QRect& rect) {
        if (OpaqueHatch(m_dc.GetCurrentBrush()->Log())) m_p.fillRect(rect, Q(m_dc.GetBkColor()));
    }

    void LineTo() {
        const CPoint from = m_dc.GetCurrentPosition();
        m_p.drawLine(Device(from.x, from.y), Device(a[0], a[1]));
    }
    void Polygon() {
        const QPolygon poly = Points();
        FillBackground(poly.boundingRect());
        m_p.drawPolygon(poly, m_polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    }
    void Rectangle() {
        const QRect rect = Rect();
        FillBackground(rect);
        if (m_r.op == CDrawRecord::RoundRect)
            m_p.drawRoundedRect(Outline(rect), std::fabs(a[4] * m_scaleX) / 2, std::fabs(a[5] * m_scaleY) / 2);
        else
            m_p.drawRect(Outline(rect));
    }
    void ArcLike() {
        const QRect rect = Outline(Rect());
        const QPointF centre = QRectF(rect).center();
        double start = AngleOf(centre, Device(a[4], a[5]));
        double end = AngleOf(centre, Device(a[6], a[7]));
        // Counter-clockwise in logical space: with one axis flipped that is clockwise on the device.
        if (m_scaleX * m_scaleY < 0) std::swap(start, end);
        double span = end - start;
        while (span <= 0) span += 360.0;
        const int s16 = static_cast<int>(std::lround(start * 16)), span16 = static_cast<int>(std::lround(span * 16));
        if (m_r.op == CDrawRecord::Arc)
            m_p.drawArc(rect, s16, span16);
        else if (m_r.op == CDrawRecord::Pie)
            m_p.drawPie(rect, s16, span16);
        else
            m_p.drawChord(rect, s16, span16);
    }
    void FillRect() {
        const QRect rect = Rect();
        LOGBRUSH log{static_cast<UINT>(a[4]), static_cast<COLORREF>(a[6]), static_cast<std::uintptr_t>(a[5])};
        if (OpaqueHatch(log)) m_p.fillRect(rect, Q(m_dc.GetBkColor()));
        m_p.fillRect(rect, QtBrush(log));
    }
    void FrameRect() {
        m_p.setPen(QPen(Colour(4), 1));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(Outline(Rect()));
    }
    void Draw3dRect() {
        const QRect rect = Outline(Rect());
        m_p.setPen(QPen(Colour(4), 1));
        m_p.drawLine(rect.topLeft(), rect.topRight());
        m_p.drawLine(rect.topLeft(), rect.bottomLeft());
        m_p.setPen(QPen(Colour(5), 1));
        m_p.drawLine(rect.bottomLeft(), rect.bottomRight());
        m_p.drawLine(rect.topRight(), rect.bottomRight());
    }
    void FocusRect() {
        m_p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        m_p.setBrush(Qt::NoBrush);
        m_p.setBackgroundMode(Qt::TransparentMode);
        m_p.drawRect(Outline(Rect()));
    }
    void FrameControl() {
        const QRect rect = Rect();
        const UINT type = static_cast<UINT>(a[4]), state = static_cast<UINT>(a[5]);
        QStyle* style = QApplication::style();
        QStyleOptionButton option;
        option.rect = rect;
        option.state = QStyle::State_Enabled;
        if (state & DFCS_INACTIVE) option.state &= ~QStyle::State_Enabled;
        option.state |= (state & DFCS_CHECKED) ? QStyle::State_On : QStyle::State_Off;
        option.state |= (state & DFCS_PUSHED) ? QStyle::State_Sunken : QStyle::State_Raised;
        if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONRADIO)
            style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &option, &m_p);
        else if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONCHECK)
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &m_p);
        else
            style->drawControl(QStyle::CE_PushButtonBevel, &option, &m_p);
        if (type == DFC_BUTTON) return;
        QStyleOption arrow;  // scroll and combo buttons: a bevel with an arrow
        arrow.rect = rect.adjusted(rect.width() / 4, rect.height() / 4, -rect.width() / 4, -rect.height() / 4);
        arrow.state = option.state;
        arrow.palette = QApplication::palette();
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &m_p);
    }
    void TextOut() {
        const QString text = TBQ(m_r.text);
        const QFontMetrics fm(m_p.font());
        const UINT align = m_dc.GetTextAlign();
        const CPoint origin = (align & TA_UPDATECP) ? m_dc.GetCurrentPosition() : CPoint(a[0], a[1]);
        const QPoint at = Device(origin.x, origin.y);
        const int width = fm.horizontalAdvance(text);
        int x = at.x();
        const UINT h = align & TA_CENTER;
        if (h == TA_CENTER)
            x -= width / 2;
        else if (h == TA_RIGHT)
            x -= width;
        int baseline = at.y() + fm.ascent();
        const UINT v = align & TA_BASELINE;
        if (v == TA_BASELINE)
            baseline = at.y();
        else if (v == TA_BOTTOM)
            baseline = at.y() - fm.descent();
        m_p.save();
        const long escapement = m_dc.GetCurrentFont()->Log().lfEscapement;
        if (escapement) {
            // Escapement turns the text counter-clockwise about its reference point.
            m_p.translate(at);
            m_p.rotate(-escapement / 10.0);
            m_p.translate(-at);
        }
        if (m_dc.GetBkMode() == OPAQUE)
            m_p.fillRect(QRect(x, baseline - fm.ascent(), width, fm.height()), Q(m_dc.GetBkColor()));
        m_p.setPen(Q(m_dc.GetTextColor()));
        m_p.drawText(QPoint(x, baseline), text);
        m_p.restore();
    }
    void Image() {
        const QImage* image = m_r.image.get();
        if (!image || a.size() < 8) return;
        const QRect target = DeviceRect(m_dc, a[0], a[1], a[0] + a[2], a[1] + a[3]);
        m_p.drawImage(
            target, *image,
            QRect(static_cast<int>(a[4]), static_cast<int>(a[5]), static_cast<int>(a[6]), static_cast<int>(a[7])));
    }

    const CDC& m_dc;
    QPainter& m_p;
    const CDrawRecord& m_r;
    const std::vector<long>& a;  // the record's arguments
    double m_scaleX, m_scaleY;
    int m_polyFillMode;
};

}  // namespace

void CDC::Render(const CDrawRecord& r) {
    QPainter* p = m_impl->Painter(true);
    if (!p) return;
    SetupPainter();
    if (r.op == CDrawRecord::DrawText)
        DrawTextLines(r);
    else
        RecordPainter(*this, *p, r, ScaleX(), ScaleY(), m_state.polyFillMode).Paint();
}

// ------------------------------------------------------------------ text

CSize CDC::GetTextExtent(const CString& text) const {
    LOGFONT font = m_state.font->Log();
    font.lfHeight = static_cast<long>(std::lround(font.lfHeight * std::fabs(ScaleY())));
    const QFontMetrics fm(TBQFontFromLogFont(font));
    const double sx = std::fabs(ScaleX()), sy = std::fabs(ScaleY());
    return CSize(std::lround(fm.horizontalAdvance(TBQ(text)) / (sx ? sx : 1.0)),
                 std::lround(fm.height() / (sy ? sy : 1.0)));
}

BOOL CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
    if (!metrics) return FALSE;
    LOGFONT font = m_state.font->Log();
    const QFontMetrics fm(TBQFontFromLogFont(font));
    metrics->tmHeight = fm.height();
    metrics->tmAscent = fm.ascent();
    metrics->tmDescent = fm.descent();
    metrics->tmInternalLeading = fm.height() - QFontInfo(TBQFontFromLogFont(font)).pixelSize();
    metrics->tmExternalLeading = fm.leading();
    metrics->tmAveCharWidth = fm.averageCharWidth();
    metrics->tmMaxCharWidth = fm.maxWidth();
    metrics->tmWeight = font.lfWeight;
    return TRUE;
}

namespace {

/// The lines of a DrawText call laid out in device pixels.
struct TextLayout {
    QStringList lines;
    int widest = 0;
    int lineHeight = 0;
};

QString ElideEnd(const QString& line, const QFontMetrics& fm, int width) {
    if (fm.horizontalAdvance(line) <= width) return line;
    QString s = line;
    while (!s.isEmpty() && fm.horizontalAdvance(s + QStringLiteral("...")) > width) s.chop(1);
    return s + QStringLiteral("...");
}

QString ElidePath(const QString& line, const QFontMetrics& fm, int width) {
    if (fm.horizontalAdvance(line) <= width) return line;
    // Keep the last path element, shorten what stands before it.
    const int cut = static_cast<int>(std::max(line.lastIndexOf(QLatin1Char('/')), line.lastIndexOf(QLatin1Char('\\'))));
    if (cut <= 0) return ElideEnd(line, fm, width);
    QString head = line.left(cut);
    const QString tail = line.mid(cut);
    while (!head.isEmpty() && fm.horizontalAdvance(head + QStringLiteral("...") + tail) > width) head.chop(1);
    return head.isEmpty() ? ElideEnd(QStringLiteral("...") + tail, fm, width) : head + QStringLiteral("...") + tail;
}

TextLayout LayOut(const QString& source, UINT format, const QFontMetrics& fm, int width) {
    TextLayout layout;
    layout.lineHeight = fm.height();
    QString text = source;
    if (format & DT_EXPANDTABS) text.replace(QLatin1Char('\t'), QString(8, QLatin1Char(' ')));
    QStringList raw;
    if (format & DT_SINGLELINE)
        raw << QString(text)
                   .replace(QLatin1String("\r\n"), QLatin1String(" "))
                   .replace(QLatin1Char('\n'), QLatin1Char(' '));
    else
        raw = text.contains(QLatin1String("\r\n")) ? text.split(QLatin1String("\r\n")) : text.split(QLatin1Char('\n'));
    for (QString line : raw) {
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && width > 0) {
            // Break at the last blank that makes the line fit, again and again.
            while (fm.horizontalAdvance(line) > width) {
                int cut = -1;
                for (int i = static_cast<int>(line.size()) - 1; i > 0; --i) {
                    if (line[i] == QLatin1Char(' ') && fm.horizontalAdvance(line.left(i)) <= width) {
                        cut = i;
                        break;
                    }
                }
                if (cut < 0) break;
                layout.lines << line.left(cut);
                line = line.mid(cut + 1);
            }
        }
        layout.lines << line;
    }
    if (width > 0) {
        for (QString& line : layout.lines) {
            if (format & DT_END_ELLIPSIS)
                line = ElideEnd(line, fm, width);
            else if (format & DT_PATH_ELLIPSIS)
                line = ElidePath(line, fm, width);
        }
    }
    for (const QString& line : layout.lines)
        layout.widest = std::max(layout.widest, fm.horizontalAdvance(TBStripMnemonic(line)));
    return layout;
}

}  // namespace

int CDC::DrawText(const CString& text, RECT* rect, UINT format) {
    if (!rect) return 0;
    LOGFONT font = m_state.font->Log();
    font.lfHeight = static_cast<long>(std::lround(font.lfHeight * std::fabs(ScaleY())));
    const QFontMetrics fm(TBQFontFromLogFont(font));
    const QRect device = DeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
    QString source = TBQ(text);
    if (!(format & DT_NOPREFIX)) source = TBStripMnemonic(source);
    const TextLayout layout = LayOut(source, format, fm, device.width());
    const int height = layout.lineHeight * static_cast<int>(layout.lines.size());
    if (format & DT_CALCRECT) {
        // Only the rectangle: right and bottom grow (or shrink) to the text.
        const double sx = std::fabs(ScaleX()), sy = std::fabs(ScaleY());
        const long w = std::lround(layout.widest / (sx ? sx : 1.0));
        const long h = std::lround(height / (sy ? sy : 1.0));
        if (!(format & DT_WORDBREAK) || layout.lines.size() <= 1) rect->right = rect->left + (ScaleX() < 0 ? -w : w);
        rect->bottom = rect->top + (ScaleY() < 0 ? -h : h);
        Keep({CDrawRecord::DrawText,
              {rect->left, rect->top, rect->right, rect->bottom, static_cast<long>(format)},
              text});
        return static_cast<int>(h);
    }
    Apply({CDrawRecord::DrawText, {rect->left, rect->top, rect->right, rect->bottom, static_cast<long>(format)}, text});
    const double sy = std::fabs(ScaleY());
    return static_cast<int>(std::lround(height / (sy ? sy : 1.0)));
}

void CDC::DrawTextLines(const CDrawRecord& r) {
    QPainter* p = m_impl->Painter(true);
    const auto& a = r.args;
    const UINT format = static_cast<UINT>(a[4]);
    const QRect device = DeviceRect(*this, a[0], a[1], a[2], a[3]);
    const QFontMetrics fm(p->font());
    QString source = TBQ(r.text);
    if (!(format & DT_NOPREFIX)) source = TBStripMnemonic(source);
    const TextLayout layout = LayOut(source, format, fm, device.width());
    const int height = layout.lineHeight * static_cast<int>(layout.lines.size());
    int y = device.top();
    // Vertical placement applies to single lines only, as the system does it.
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = device.top() + (device.height() - height) / 2;
        else if (format & DT_BOTTOM)
            y = device.bottom() + 1 - height;
    }
    p->save();
    if (!(format & DT_NOCLIP)) p->setClipRect(device, Qt::IntersectClip);
    for (const QString& line : layout.lines) {
        const int w = fm.horizontalAdvance(line);
        int x = device.left();
        if (format & DT_CENTER)
            x = device.left() + (device.width() - w) / 2;
        else if (format & DT_RIGHT)
            x = device.right() + 1 - w;
        if (m_state.bkMode == OPAQUE) p->fillRect(QRect(x, y, w, layout.lineHeight), Q(m_state.bkColour));
        p->setPen(Q(m_state.textColour));
        p->drawText(QPoint(x, y + fm.ascent()), line);
        y += layout.lineHeight;
    }
    p->restore();
}

// ------------------------------------------------------------------ window contexts

CPaintDC::CPaintDC(CWnd* wnd) {
    QWidget* w = wnd ? wnd->GetWidget() : nullptr;
    if (!w) return;
    AttachDevice(w);
    m_rcPaint = CRect(0, 0, w->width(), w->height());
}
CPaintDC::~CPaintDC() { DetachDevice(); }

CClientDC::CClientDC(CWnd* wnd) : m_wnd(wnd) {
    QWidget* w = wnd ? wnd->GetWidget() : nullptr;
    if (!w) return;
    // Outside a paint event the widget cannot be painted on: draw into an image that
    // the widget shows as its background at the next paint.
    auto* image = new QImage(w->size(), QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    w->setProperty("tbClientImage", QVariant::fromValue(static_cast<void*>(image)));
    AttachDevice(image);
}
CClientDC::~CClientDC() {
    DetachDevice();
    QWidget* w = m_wnd ? m_wnd->GetWidget() : nullptr;
    if (!w) return;
    auto* image = static_cast<QImage*>(w->property("tbClientImage").value<void*>());
    w->setProperty("tbClientImage", QVariant());
    if (!image) return;
    QPalette palette = w->palette();
    QPixmap pixmap(w->size());
    pixmap.fill(palette.color(QPalette::Window));
    {
        QPainter painter(&pixmap);
        painter.drawImage(0, 0, *image);
    }
    palette.setBrush(QPalette::Window, QBrush(pixmap));
    w->setAutoFillBackground(true);
    w->setPalette(palette);
    delete image;
    w->update();
}

// ------------------------------------------------------------------ recording and metafiles

CRecordingDC::CRecordingDC(int width, int height)
    : m_image(std::make_unique<QImage>(std::max(1, width), std::max(1, height), QImage::Format_ARGB32_Premultiplied)) {
    m_image->fill(Qt::white);
    AttachDevice(m_image.get());
}
CRecordingDC::~CRecordingDC() { DetachDevice(); }

QImage& CRecordingDC::GetImage() {
    // Ends the painter so that every call is in the image; the next call opens it again.
    AttachDevice(m_image.get());
    return *m_image;
}

CString CRecordingDC::GetRecordsText(bool drawingOnly) const {
    CString s;
    for (const CDrawRecord& r : m_records) {
        if (drawingOnly && r.op < CDrawRecord::LineTo) continue;
        s += r.ToString();
        s += '\n';
    }
    return s;
}

CMetaFileDC::CMetaFileDC() { m_render = false; }

void CMetaFileDC::Keep(const CDrawRecord& record) {
    if (m_file) m_file->records.push_back(record);
}

std::unique_ptr<CMetaFile> CMetaFileDC::Close() { return std::move(m_file); }

BOOL CMetaFile::Play(CDC* dc) const {
    if (!dc) return FALSE;
    const int level = dc->SaveDC();
    for (const CDrawRecord& r : records) dc->Apply(r);
    dc->RestoreDC(level);
    return TRUE;
}
