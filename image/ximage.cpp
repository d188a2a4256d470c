// CxImage: the pixel store, palette, transparency, resampling and the dispatch to the
// codecs by type or by the first bytes of the stream.
#include <toolbox/image/ximage.h>

#include "image/codecs.h"
#include "image/dib.h"

#include <toolbox/os/output_file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>

namespace {

int ColorDistance(const RGBQUAD& a, const RGBQUAD& b) {
    int dr = a.rgbRed - b.rgbRed, dg = a.rgbGreen - b.rgbGreen, db = a.rgbBlue - b.rgbBlue;
    return dr * dr + dg * dg + db * db;
}

BYTE NearestIndex(const std::vector<RGBQUAD>& palette, RGBQUAD color) {
    size_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size() && bestDistance; ++i) {
        int d = ColorDistance(palette[i], color);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return static_cast<BYTE>(best);
}

uint32_t PackColor(RGBQUAD c) {
    return static_cast<uint32_t>(c.rgbRed) << 16 | static_cast<uint32_t>(c.rgbGreen) << 8 | c.rgbBlue;
}

RGBQUAD MakeColor(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// The fixed 6×7×6 colour cube used when an image has more than 256 colours.
constexpr int kCubeRed = 6, kCubeGreen = 7, kCubeBlue = 6;

std::vector<RGBQUAD> ColorCube() {
    std::vector<RGBQUAD> cube;
    for (int r = 0; r < kCubeRed; ++r)
        for (int g = 0; g < kCubeGreen; ++g)
            for (int b = 0; b < kCubeBlue; ++b)
                cube.push_back(MakeColor(static_cast<BYTE>(r * 255 / (kCubeRed - 1)),
                                         static_cast<BYTE>(g * 255 / (kCubeGreen - 1)),
                                         static_cast<BYTE>(b * 255 / (kCubeBlue - 1))));
    return cube;
}

BYTE CubeIndex(RGBQUAD c) {
    int r = (c.rgbRed * (kCubeRed - 1) + 127) / 255;
    int g = (c.rgbGreen * (kCubeGreen - 1) + 127) / 255;
    int b = (c.rgbBlue * (kCubeBlue - 1) + 127) / 255;
    return static_cast<BYTE>((r * kCubeGreen + g) * kCubeBlue + b);
}

// Source coordinate (in 1/256 pixel) of the centre of destination pixel i.
long SourcePosition256(long i, long sourceSize, long destinationSize) {
    return ((2 * i + 1) * sourceSize * 256 / destinationSize - 256) / 2;
}

}  // namespace

CxImage::CxImage(DWORD imageType) : m_type(imageType) {}

CxImage::CxImage(LPCTSTR fileName, DWORD imageType) : m_type(imageType) { Load(fileName, imageType); }

CxImage::~CxImage() = default;

void CxImage::Destroy() {
    m_width = m_height = 0;
    m_bpp = 0;
    m_bits.clear();
    m_palette.clear();
    m_alpha.clear();
    m_transIndex = -1;
}

bool tbimage::CheckImageSize(const CxImage& image, DWORD width, DWORD height) {
    if (width != 0 && height != 0 && width <= CxImage::kMaxSide && height <= CxImage::kMaxSide &&
        static_cast<uint64_t>(width) * height <= CxImage::kMaxPixels)
        return true;
    return image.Fail("Image size %lu x %lu is empty or larger than allowed", static_cast<unsigned long>(width),
                      static_cast<unsigned long>(height));
}

bool CxImage::Allocate(DWORD width, DWORD height, WORD bpp) {
    Destroy();
    if (bpp != 8 && bpp != 24) return Fail("Unsupported pixel depth %u", bpp);
    if (!tbimage::CheckImageSize(*this, width, height)) return false;
    DWORD stride = (width * bpp + 31) / 32 * 4;
    try {
        m_bits.assign(static_cast<size_t>(stride) * height, 0);
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory for a %lu x %lu image", static_cast<unsigned long>(width),
                    static_cast<unsigned long>(height));
    }
    m_width = width;
    m_height = height;
    m_bpp = bpp;
    return true;
}

bool CxImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD imageType) {
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return Fail("Unsupported pixel depth %lu", bpp);
    if (!Allocate(width, height, bpp <= 8 ? 8 : 24)) return false;
    m_type = imageType;
    if (bpp <= 8) {
        int colors = 1 << bpp;
        for (int i = 0; i < colors; ++i) {
            BYTE level = static_cast<BYTE>(i * 255 / (colors - 1));
            m_palette.push_back(MakeColor(level, level, level));
        }
    }
    return true;
}

DWORD CxImage::GetEffWidth() const { return (m_width * m_bpp + 31) / 32 * 4; }

BYTE* CxImage::GetBits(DWORD row) {
    return IsValid() && row < m_height ? m_bits.data() + static_cast<size_t>(row) * GetEffWidth() : nullptr;
}

const BYTE* CxImage::GetBits(DWORD row) const {
    return IsValid() && row < m_height ? m_bits.data() + static_cast<size_t>(row) * GetEffWidth() : nullptr;
}

// ------------------------------------------------------------------ palette and pixels

bool CxImage::SetPalette(const std::vector<RGBQUAD>& palette) {
    if (m_bpp != 8 || palette.empty() || palette.size() > 256)
        return Fail("Palette of %zu colours refused", palette.size());
    m_palette = palette;
    for (RGBQUAD& c : m_palette) c.rgbReserved = 0;
    return true;
}

RGBQUAD CxImage::GetPaletteColor(BYTE index) const {
    return index < m_palette.size() ? m_palette[index] : RGBQUAD{0, 0, 0, 0};
}

bool CxImage::SetPaletteColor(BYTE index, RGBQUAD color) {
    if (index >= m_palette.size()) return false;
    color.rgbReserved = 0;
    m_palette[index] = color;
    return true;
}

bool CxImage::IsGrayScale() const {
    if (m_bpp != 8) return false;
    for (const RGBQUAD& c : m_palette)
        if (c.rgbRed != c.rgbGreen || c.rgbGreen != c.rgbBlue) return false;
    return true;
}

void CxImage::AlphaCreate() {
    if (IsValid() && m_alpha.empty()) m_alpha.assign(static_cast<size_t>(m_width) * m_height, 255);
}

BYTE CxImage::AlphaGet(long x, long y) const {
    return HasAlpha() && IsInside(x, y) ? m_alpha[static_cast<size_t>(y) * m_width + x] : 255;
}

void CxImage::AlphaSet(long x, long y, BYTE level) {
    if (HasAlpha() && IsInside(x, y)) m_alpha[static_cast<size_t>(y) * m_width + x] = level;
}

bool CxImage::IsInside(long x, long y) const {
    return x >= 0 && y >= 0 && static_cast<unsigned long>(x) < m_width && static_cast<unsigned long>(y) < m_height;
}

RGBQUAD CxImage::GetPixelColor(long x, long y) const {
    if (!IsInside(x, y)) return RGBQUAD{0, 0, 0, 0};
    RGBQUAD color;
    const BYTE* row = GetBits(static_cast<DWORD>(y));
    if (m_bpp == 8) {
        color = GetPaletteColor(row[x]);
    } else {
        const BYTE* p = row + 3 * x;
        color = RGBQUAD{p[0], p[1], p[2], 0};
    }
    color.rgbReserved = HasAlpha() ? AlphaGet(x, y) : 0;
    return color;
}

void CxImage::SetPixelColor(long x, long y, RGBQUAD color) {
    if (!IsInside(x, y)) return;
    BYTE* row = GetBits(static_cast<DWORD>(y));
    if (m_bpp == 8) {
        row[x] = NearestIndex(m_palette, color);
    } else {
        BYTE* p = row + 3 * x;
        p[0] = color.rgbBlue, p[1] = color.rgbGreen, p[2] = color.rgbRed;
    }
}

void CxImage::SetPixelColor(long x, long y, COLORREF color) {
    SetPixelColor(x, y, MakeColor(GetRValue(color), GetGValue(color), GetBValue(color)));
}

BYTE CxImage::GetPixelIndex(long x, long y) const {
    return m_bpp == 8 && IsInside(x, y) ? GetBits(static_cast<DWORD>(y))[x] : 0;
}

void CxImage::SetPixelIndex(long x, long y, BYTE index) {
    if (m_bpp == 8 && IsInside(x, y)) GetBits(static_cast<DWORD>(y))[x] = index;
}

// ------------------------------------------------------------------ depth and size

bool CxImage::IncreaseBpp24() {
    if (m_bpp == 24) return true;
    if (m_bpp != 8) return Fail("No image");
    try {
        CxImage wide(*this);
        if (!wide.Allocate(m_width, m_height, 24)) return Fail("%s", wide.GetLastError().GetString());
        wide.m_alpha = m_alpha;
        if (m_transIndex >= 0) wide.AlphaCreate();
        for (long y = 0; y < static_cast<long>(m_height); ++y)
            for (long x = 0; x < static_cast<long>(m_width); ++x) {
                wide.SetPixelColor(x, y, GetPixelColor(x, y));
                if (GetPixelIndex(x, y) == m_transIndex) wide.AlphaSet(x, y, 0);
            }
        *this = std::move(wide);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory to widen the image");
    }
}

bool CxImage::DecreaseBpp8() {
    if (m_bpp == 8) return true;
    if (m_bpp != 24) return Fail("No image");
    try {
        bool needsTransparent = false;
        for (BYTE a : m_alpha) needsTransparent |= a < 128;
        const size_t room = needsTransparent ? 255 : 256;
        std::unordered_map<uint32_t, BYTE> exact;
        std::vector<RGBQUAD> palette;
        for (long y = 0; y < static_cast<long>(m_height) && palette.size() <= room; ++y)
            for (long x = 0; x < static_cast<long>(m_width) && palette.size() <= room; ++x) {
                RGBQUAD c = GetPixelColor(x, y);
                c.rgbReserved = 0;
                if (exact.emplace(PackColor(c), static_cast<BYTE>(palette.size())).second) palette.push_back(c);
            }
        const bool useCube = palette.size() > room;
        if (useCube) palette = ColorCube();
        CxImage narrow(*this);
        if (!narrow.Allocate(m_width, m_height, 8)) return Fail("%s", narrow.GetLastError().GetString());
        long transparent = -1;
        if (needsTransparent) {
            transparent = static_cast<long>(palette.size());
            palette.push_back(RGBQUAD{0, 0, 0, 0});
        }
        narrow.m_palette = palette;
        narrow.m_transIndex = transparent;
        for (long y = 0; y < static_cast<long>(m_height); ++y)
            for (long x = 0; x < static_cast<long>(m_width); ++x) {
                RGBQUAD c = GetPixelColor(x, y);
                BYTE index = useCube ? CubeIndex(c) : exact[PackColor(RGBQUAD{c.rgbBlue, c.rgbGreen, c.rgbRed, 0})];
                if (needsTransparent && AlphaGet(x, y) < 128) index = static_cast<BYTE>(transparent);
                narrow.SetPixelIndex(x, y, index);
            }
        *this = std::move(narrow);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory to narrow the image");
    }
}

bool CxImage::Resample(long newWidth, long newHeight, int mode) {
    if (!IsValid()) return Fail("No image");
    try {
        CxImage scaled(*this);
        if (newWidth <= 0 || newHeight <= 0 ||
            !scaled.Allocate(static_cast<DWORD>(newWidth), static_cast<DWORD>(newHeight), m_bpp))
            return Fail("Cannot resample to %ld x %ld", newWidth, newHeight);
        scaled.m_palette = m_palette;
        scaled.m_transIndex = m_transIndex;
        if (HasAlpha()) scaled.AlphaCreate();
        const long w = m_width, h = m_height;
        const bool nearest = mode == 1 || m_bpp == 8;
        for (long y = 0; y < newHeight; ++y) {
            long sy = SourcePosition256(y, h, newHeight);
            for (long x = 0; x < newWidth; ++x) {
                long sx = SourcePosition256(x, w, newWidth);
                if (nearest) {
                    long nx = std::clamp((sx + 128) >> 8, 0L, w - 1), ny = std::clamp((sy + 128) >> 8, 0L, h - 1);
                    if (m_bpp == 8)
                        scaled.SetPixelIndex(x, y, GetPixelIndex(nx, ny));
                    else
                        scaled.SetPixelColor(x, y, GetPixelColor(nx, ny));
                    scaled.AlphaSet(x, y, AlphaGet(nx, ny));
                    continue;
                }
                long x0 = std::clamp(sx >> 8, 0L, w - 1), y0 = std::clamp(sy >> 8, 0L, h - 1);
                long x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
                long fx = std::clamp(sx - (x0 << 8), 0L, 256L), fy = std::clamp(sy - (y0 << 8), 0L, 256L);
                RGBQUAD c00 = GetPixelColor(x0, y0), c10 = GetPixelColor(x1, y0);
                RGBQUAD c01 = GetPixelColor(x0, y1), c11 = GetPixelColor(x1, y1);
                auto mix = [&](BYTE a, BYTE b, BYTE c, BYTE d) {
                    long top = a * (256 - fx) + b * fx, bottom = c * (256 - fx) + d * fx;
                    return static_cast<BYTE>((top * (256 - fy) + bottom * fy + 32768) >> 16);
                };
                scaled.SetPixelColor(x, y,
                                     RGBQUAD{mix(c00.rgbBlue, c10.rgbBlue, c01.rgbBlue, c11.rgbBlue),
                                             mix(c00.rgbGreen, c10.rgbGreen, c01.rgbGreen, c11.rgbGreen),
                                             mix(c00.rgbRed, c10.rgbRed, c01.rgbRed, c11.rgbRed), 0});
                scaled.AlphaSet(x, y, mix(c00.rgbReserved, c10.rgbReserved, c01.rgbReserved, c11.rgbReserved));
            }
        }
        *this = std::move(scaled);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory to resample");
    }
}

// ------------------------------------------------------------------ bitmap blocks

bool CxImage::CopyToDIB(std::vector<BYTE>& block) const {
    if (!IsValid()) return Fail("No image");
    try {
        tbimage::BuildDIB(*this, block);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory for the bitmap");
    }
}

bool CxImage::CreateFromDIB(const BYTE* block, size_t size) {
    try {
        return tbimage::ParseDIB(*this, block, size, 0);
    } catch (const std::bad_alloc&) {
        Destroy();
        return Fail("Not enough memory for the bitmap");
    }
}

// ------------------------------------------------------------------ loading and saving

DWORD CxImage::DetectType(CxFile* file) {
    BYTE head[8] = {};
    long start = file ? file->Tell() : -1;
    if (start < 0) return CXIMAGE_FORMAT_UNKNOWN;
    size_t got = file->Read(head, 1, sizeof head);
    file->Seek(start, SEEK_SET);
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return CXIMAGE_FORMAT_BMP;
    if (got >= 4 && !std::memcmp(head, "GIF8", 4)) return CXIMAGE_FORMAT_GIF;
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return CXIMAGE_FORMAT_JPG;
    if (got >= 8 && !std::memcmp(head, "\x89PNG\r\n\x1a\n", 8)) return CXIMAGE_FORMAT_PNG;
    if (got >= 4 && (!std::memcmp(head, "II*\0", 4) || !std::memcmp(head, "MM\0*", 4))) return CXIMAGE_FORMAT_TIF;
    return CXIMAGE_FORMAT_UNKNOWN;
}

bool CxImage::Decode(CxFile* file, DWORD imageType) {
    Destroy();
    if (!file) return Fail("No file to read");
    if (imageType == CXIMAGE_FORMAT_UNKNOWN) imageType = DetectType(file);
    m_numFrames = 0;
    try {
        bool ok = false;
        switch (imageType) {
            case CXIMAGE_FORMAT_BMP: ok = tbimage::DecodeBmp(*this, *file); break;
            case CXIMAGE_FORMAT_GIF: ok = tbimage::DecodeGif(*this, *file); break;
            case CXIMAGE_FORMAT_JPG: ok = tbimage::DecodeJpeg(*this, *file); break;
            case CXIMAGE_FORMAT_PNG: ok = tbimage::DecodePng(*this, *file); break;
            case CXIMAGE_FORMAT_TIF: ok = tbimage::DecodeTiff(*this, *file); break;
            default: return Fail("Unknown image format");
        }
        if (!ok) {
            CString message = m_lastError;
            Destroy();
            m_lastError = message;
            return false;
        }
        m_type = imageType;
        m_lastError.Empty();
        return true;
    } catch (const std::bad_alloc&) {
        Destroy();
        return Fail("Not enough memory to load the image");
    }
}

bool CxImage::Decode(FILE* file, DWORD imageType) {
    CxIOFile adaptor(file);
    return Decode(&adaptor, imageType);
}

bool CxImage::Decode(const BYTE* buffer, DWORD size, DWORD imageType) {
    if (!buffer && size) return Fail("No data");
    CxMemFile adaptor(buffer, size);
    return Decode(&adaptor, imageType);
}

bool CxImage::Load(LPCTSTR fileName, DWORD imageType) {
    CxIOFile file;
    if (!file.Open(fileName, "rb")) {
        Destroy();
        return Fail("Cannot open \"%s\"", fileName ? fileName : "");
    }
    return Decode(&file, imageType);
}

bool CxImage::Encode(CxFile* file, DWORD imageType) const {
    if (!IsValid()) return Fail("No image to save");
    if (!file) return Fail("No file to write");
    try {
        switch (imageType) {
            case CXIMAGE_FORMAT_BMP: return tbimage::EncodeBmp(*this, *file);
            case CXIMAGE_FORMAT_GIF: return tbimage::EncodeGif(*this, *file);
            case CXIMAGE_FORMAT_JPG: return tbimage::EncodeJpeg(*this, *file);
            case CXIMAGE_FORMAT_PNG: return tbimage::EncodePng(*this, *file);
            case CXIMAGE_FORMAT_TIF: return tbimage::EncodeTiff(*this, *file);
            default: return Fail("Unknown image format %lu", static_cast<unsigned long>(imageType));
        }
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory to save the image");
    }
}

bool CxImage::Encode(FILE* file, DWORD imageType) const {
    CxIOFile adaptor(file);
    return Encode(&adaptor, imageType);
}

bool CxImage::Encode(std::vector<BYTE>& out, DWORD imageType) const {
    out.clear();
    CxMemFile memory;
    if (!Encode(&memory, imageType)) return false;
    try {
        out = memory.GetBytes();
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory to save the image");
    }
    return true;
}

bool CxImage::Save(LPCTSTR fileName, DWORD imageType) const {
    if (!fileName || !*fileName) return Fail("No file name to save to");
    // The whole file is encoded before the target is touched, and replaces it only once
    // written completely: a failed save leaves the old file (or a link's target) as it was.
    std::vector<BYTE> bytes;
    if (!Encode(bytes, imageType)) return false;
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!TBReplaceFileContents(fileName, content))
        return Fail("Cannot write \"%s\": %s", fileName, std::strerror(errno));
    return true;
}
