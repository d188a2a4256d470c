// The library's icons and bitmap-button bitmaps, rendered from the SVG art in
// resources/ui/art (compiled into the library as Qt resources).
#include <toolbox/ui/ui_resources.h>

#include <toolbox/ui/dc.h>

#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSvgRenderer>

#include <array>
#include <cctype>
#include <cstring>

HICON TBIconFromImage(const QImage& image);

namespace {

struct Glyph {
    const char* name;
    const char* file;
};
// In id order: never reorder, ids are derived from the position.
constexpr std::array<Glyph, 8> kGlyphs = {{{"CHECK", "check"},
                                           {"COMPONENT", "component"},
                                           {"DELETEALL", "deleteall"},
                                           {"DELETE", "delete"},
                                           {"DOWN", "down"},
                                           {"FILEOPEN", "fileopen"},
                                           {"NEW", "new"},
                                           {"UP", "up"}}};
constexpr char kStates[] = {'U', 'D', 'F', 'X'};
constexpr int kButtonSize = 24;

QImage RenderSvg(const char* file, int size) {
    QSvgRenderer renderer(QStringLiteral(":/toolbox/art/%1.svg").arg(QLatin1String(file)));
    if (!renderer.isValid()) return QImage();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

/// A glyph on a button face in one of the four states.
QImage RenderButton(const char* file, char state) {
    QImage image(kButtonSize, kButtonSize, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    const bool down = state == 'D';
    QLinearGradient face(0, 0, 0, kButtonSize);
    face.setColorAt(0, down ? QColor(205, 205, 205) : QColor(252, 252, 252));
    face.setColorAt(1, down ? QColor(225, 225, 225) : QColor(226, 226, 226));
    p.fillRect(image.rect(), face);
    p.setPen(QColor(down ? 110 : 160, down ? 110 : 160, down ? 110 : 160));
    p.drawRect(0, 0, kButtonSize - 1, kButtonSize - 1);
    QImage glyph = RenderSvg(file, 16);
    if (state == 'X') {
        // Disabled: the glyph in light grey.
        for (int y = 0; y < glyph.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
            for (int x = 0; x < glyph.width(); ++x) {
                // Premultiplied: the grey is scaled by the new alpha.
                const int a = qAlpha(line[x]) / 2;
                const int g = 150 * a / 255;
                line[x] = qRgba(g, g, g, a);
            }
        }
    }
    const int offset = (kButtonSize - 16) / 2 + (down ? 1 : 0);
    p.drawImage(offset, offset, glyph);
    if (state == 'F') {
        QPen focus(QColor(0, 0, 0), 1, Qt::DotLine);
        p.setPen(focus);
        p.drawRect(3, 3, kButtonSize - 7, kButtonSize - 7);
    }
    return image;
}

BOOL FillBitmap(CBitmap& bitmap, const QImage& image) {
    if (image.isNull() || !bitmap.CreateBitmap(image.width(), image.height())) return FALSE;
    *bitmap.GetImage() = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return TRUE;
}

}  // namespace

HICON TBLoadIcon(UINT id, int size) {
    if (size < 1 || size > 256) return nullptr;
    const char* file = id == 4490 ? "pin_pinned" : id == 4491 ? "pin_unpinned" : nullptr;
    if (!file) return nullptr;
    const QImage image = RenderSvg(file, size);
    return image.isNull() ? nullptr : TBIconFromImage(image);
}

std::vector<CString> TBGetBitmapGlyphs() {
    std::vector<CString> names;
    for (const Glyph& g : kGlyphs) names.emplace_back(g.name);
    return names;
}

CString TBBitmapName(UINT id) {
    if (id < IDB_TB_BUTTON_FIRST || id >= IDB_TB_BUTTON_FIRST + 4 * kGlyphs.size()) return CString();
    const UINT index = id - IDB_TB_BUTTON_FIRST;
    return CString(kGlyphs[index / 4].name) + CString(kStates[index % 4]);
}

BOOL TBLoadBitmap(CBitmap& bitmap, UINT id) {
    const CString name = TBBitmapName(id);
    return name.IsEmpty() ? FALSE : TBLoadBitmap(bitmap, name);
}

BOOL TBLoadBitmap(CBitmap& bitmap, const char* name) {
    if (!name) return FALSE;
    const size_t length = std::strlen(name);
    if (length < 2) return FALSE;
    const char state = static_cast<char>(std::toupper(static_cast<unsigned char>(name[length - 1])));
    if (!std::strchr("UDFX", state)) return FALSE;
    const CString glyph = CString(name, static_cast<int>(length - 1)).MakeUpper();
    for (const Glyph& g : kGlyphs)
        if (glyph == g.name) return FillBitmap(bitmap, RenderButton(g.file, state));
    return FALSE;
}
