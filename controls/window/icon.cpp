// Icons made of bitmaps: a colour image whose transparent pixels the mask removes.
#include <toolbox/ui/dc.h>

#include <QImage>

struct HICON__ {
    QImage image;
};

namespace {

QRgb KeyOf(const QImage& image, COLORREF transparent) {
    if (transparent == 0xFFFFFFFFu) return image.pixel(0, 0) & 0x00FFFFFFu;
    return qRgb(GetRValue(transparent), GetGValue(transparent), GetBValue(transparent)) & 0x00FFFFFFu;
}

}  // namespace

// The device context is where the system made its compatible bitmaps; an image needs none.
HICON TBBitmapToIcon(CDC*, CBitmap* bitmap, COLORREF transparent) {
    if (!bitmap || !bitmap->GetImage() || bitmap->GetImage()->isNull()) return nullptr;
    QImage image = bitmap->GetImage()->convertToFormat(QImage::Format_ARGB32);
    const QRgb key = KeyOf(image, transparent);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = (line[x] & 0x00FFFFFFu) == key ? 0u : (line[x] | 0xFF000000u);
    }
    return new HICON__{image.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
}

BOOL DestroyIcon(HICON icon) {
    if (!icon) return FALSE;
    delete icon;
    return TRUE;
}

const QImage* TBGetIconImage(HICON icon) { return icon ? &icon->image : nullptr; }

/// An icon of an image the library rendered itself (its art resources).
HICON TBIconFromImage(const QImage& image) {
    if (image.isNull()) return nullptr;
    return new HICON__{image.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
}
