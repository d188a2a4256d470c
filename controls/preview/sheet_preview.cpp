// The preview picture of sheet files: a metafile or a GIF image from the file's
// compound storage, drawn fitted and centred.
#include <toolbox/image/ximage.h>
#include <toolbox/ui/metafile_player.h>
#include <toolbox/ui/sheet_preview.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

namespace {

/// The screen's logical pixels per inch (x, y): pictures measured in HIMETRIC are shown
/// at this size. Without a screen the usual 96.
QSize ScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return QSize(96, 96);
    return QSize(qRound(screen->logicalDotsPerInchX()), qRound(screen->logicalDotsPerInchY()));
}

/// The GIF decoded by the image layer into a bitmap the contexts draw.
std::shared_ptr<CBitmap> DecodeGif(const std::vector<BYTE>& bytes) {
    CxImage gif;
    if (bytes.empty() || !gif.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CXIMAGE_FORMAT_GIF) ||
        !gif.IsValid())
        return nullptr;
    auto bitmap = std::make_shared<CBitmap>();
    const long w = static_cast<long>(gif.GetWidth()), h = static_cast<long>(gif.GetHeight());
    if (!bitmap->CreateBitmap(static_cast<int>(w), static_cast<int>(h)) || !bitmap->GetImage()) return nullptr;
    QImage& image = *bitmap->GetImage();
    for (long y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        // The image layer keeps its rows bottom-up.
        for (long x = 0; x < w; ++x) {
            const RGBQUAD c = gif.GetPixelColor(x, h - 1 - y);
            line[x] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
    }
    return bitmap;
}

}  // namespace

CTBSheetPreview::CTBSheetPreview() = default;
CTBSheetPreview::~CTBSheetPreview() = default;
CTBSheetPreview::CTBSheetPreview(const CTBSheetPreview&) = default;
CTBSheetPreview& CTBSheetPreview::operator=(const CTBSheetPreview&) = default;

void CTBSheetPreview::UnloadPreview() {
    m_bitmap.reset();
    m_metafile.reset();
    m_himetric = CSize();
    m_pixels = CSize();
}

BOOL CTBSheetPreview::LoadPreview(const char* path) {
    UnloadPreview();
    std::vector<BYTE> bytes;
    if (TBReadCompoundStream(path, "MetaFileImage", bytes)) {
        auto player = std::make_shared<CTBMetaFilePlayer>();
        if (!player->Load(bytes.data(), bytes.size())) return FALSE;
        m_metafile = player;
        m_himetric = player->GetHimetricSize();
        const QSize dpi = ScreenDpi();
        m_pixels = CSize((m_himetric.cx * dpi.width() + 1270) / 2540, (m_himetric.cy * dpi.height() + 1270) / 2540);
        return TRUE;
    }
    if (TBReadCompoundStream(path, "QuickViewImage", bytes)) {
        m_bitmap = DecodeGif(bytes);
        return m_bitmap != nullptr;
    }
    return FALSE;
}

CRect CTBSheetPreview::FitRect(const CSize& picture, const CRect& target) {
    CRect t = target;
    t.NormalizeRect();
    if (picture.cx <= 0 || picture.cy <= 0 || t.IsRectEmpty()) return CRect(t.left, t.top, t.left, t.top);
    const double scale = std::max(double(picture.cx) / t.Width(), double(picture.cy) / t.Height());
    const long w = static_cast<long>(picture.cx / scale), h = static_cast<long>(picture.cy / scale);
    const long x = t.left + (t.Width() - w) / 2, y = t.top + (t.Height() - h) / 2;
    return CRect(x, y, x + w, y + h);
}

void CTBSheetPreview::Display(CDC* dc, const CRect& target) const {
    if (!dc) return;
    if (m_metafile) {
        m_metafile->Play(dc, FitRect(m_pixels, target));
    } else if (m_bitmap) {
        const CSize size = m_bitmap->GetBitmapDimension();
        const CRect r = FitRect(size, target);
        CDC memory;
        memory.CreateCompatibleDC(dc);
        memory.SelectObject(m_bitmap.get());
        dc->StretchBlt(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()),
                       static_cast<int>(r.Height()), &memory, 0, 0, static_cast<int>(size.cx),
                       static_cast<int>(size.cy));
    }
}
