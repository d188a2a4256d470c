// BMP files and device-independent bitmap blocks: uncompressed 1, 4, 8, 24 and 32 bits
// per pixel, bottom-up or top-down rows; written as 8 or 24 bits with a 40-byte header.
#include "image/codecs.h"
#include "image/dib.h"

#include <cstring>

namespace tbimage {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr DWORD kPixelsPerMetre = 2835;  // 72 dots per inch

uint32_t Load32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Load16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Store32(std::vector<BYTE>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Store16(std::vector<BYTE>& out, uint16_t v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

struct InfoHeader {
    uint32_t headerSize;
    int32_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression, colorsUsed;
};

InfoHeader ReadInfoHeader(const BYTE* p) {
    return InfoHeader{Load32(p),
                      static_cast<int32_t>(Load32(p + 4)),
                      static_cast<int32_t>(Load32(p + 8)),
                      Load16(p + 12),
                      Load16(p + 14),
                      Load32(p + 16),
                      Load32(p + 32)};
}

// The palette index or colour of pixel x of a source row of depth bitCount.
BYTE IndexAt(const BYTE* row, long x, int bitCount) {
    switch (bitCount) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        default: return row[x];
    }
}

void CopyRow(CxImage& image, const BYTE* row, long y, int bitCount) {
    BYTE* out = image.GetBits(static_cast<DWORD>(y));
    const long width = image.GetWidth();
    if (bitCount <= 8) {
        for (long x = 0; x < width; ++x) out[x] = IndexAt(row, x, bitCount);
        return;
    }
    const int step = bitCount / 8;
    for (long x = 0; x < width; ++x) std::memcpy(out + 3 * x, row + step * x, 3);
}

}  // namespace

bool ParseDIB(CxImage& image, const BYTE* block, size_t size, size_t pixelOffset) {
    if (!block || size < kInfoHeaderSize) return image.Fail("Bitmap header truncated");
    const InfoHeader h = ReadInfoHeader(block);
    if (h.headerSize < kInfoHeaderSize || h.headerSize > size)
        return image.Fail("Bitmap header size %u is wrong", h.headerSize);
    const int bpp = h.bitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return image.Fail("Unsupported bitmap depth %d", bpp);
    if (h.compression != 0) return image.Fail("Compressed bitmaps (method %u) are not supported", h.compression);
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN)
        return image.Fail("Bitmap size %d x %d is wrong", h.width, h.height);
    const uint32_t width = static_cast<uint32_t>(h.width);
    const uint32_t height = static_cast<uint32_t>(h.height < 0 ? -h.height : h.height);
    size_t colors = 0;
    if (bpp <= 8) {
        colors = h.colorsUsed ? h.colorsUsed : 1u << bpp;
        if (colors > (1u << bpp)) return image.Fail("Bitmap colour table of %zu entries is too long", colors);
    }
    const size_t tableEnd = h.headerSize + 4 * colors;
    if (tableEnd > size) return image.Fail("Bitmap colour table truncated");
    if (pixelOffset == 0) pixelOffset = tableEnd;
    if (pixelOffset < tableEnd || pixelOffset > size)
        return image.Fail("Bitmap pixel offset %zu is wrong", pixelOffset);
    const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
    if (stride * height > size - pixelOffset) return image.Fail("Bitmap pixels truncated");
    if (!image.Allocate(width, height, bpp <= 8 ? 8 : 24)) return false;
    if (bpp <= 8) {
        std::vector<RGBQUAD> palette(colors);
        for (size_t i = 0; i < colors; ++i) {
            const BYTE* q = block + h.headerSize + 4 * i;
            palette[i] = RGBQUAD{q[0], q[1], q[2], 0};
        }
        image.SetPalette(palette);
    }
    for (uint32_t row = 0; row < height; ++row) {
        const long y = h.height < 0 ? static_cast<long>(height - 1 - row) : static_cast<long>(row);
        CopyRow(image, block + pixelOffset + row * stride, y, bpp);
    }
    return true;
}

void BuildDIB(const CxImage& image, std::vector<BYTE>& block) {
    const DWORD colors = image.GetNumColors();
    const size_t pixelBytes = static_cast<size_t>(image.GetEffWidth()) * image.GetHeight();
    block.clear();
    block.reserve(kInfoHeaderSize + 4 * colors + pixelBytes);
    Store32(block, kInfoHeaderSize);
    Store32(block, image.GetWidth());
    Store32(block, image.GetHeight());
    Store16(block, 1);
    Store16(block, image.GetBpp());
    Store32(block, 0);
    Store32(block, static_cast<uint32_t>(pixelBytes));
    Store32(block, kPixelsPerMetre);
    Store32(block, kPixelsPerMetre);
    Store32(block, colors);
    Store32(block, 0);
    for (const RGBQUAD& c : image.GetPalette()) {
        block.push_back(c.rgbBlue), block.push_back(c.rgbGreen), block.push_back(c.rgbRed), block.push_back(0);
    }
    const BYTE* bits = image.GetBits(0);
    block.insert(block.end(), bits, bits + pixelBytes);
}

bool ReadRest(CxFile& file, std::vector<BYTE>& bytes, size_t limit) {
    bytes.clear();
    BYTE chunk[65536];
    for (;;) {
        size_t got = file.Read(chunk, 1, sizeof chunk);
        if (bytes.size() + got > limit) return false;
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) return true;
    }
}

bool DecodeBmp(CxImage& image, CxFile& file) {
    std::vector<BYTE> bytes;
    // The largest picture allowed, at 32 bits, plus its headers.
    if (!ReadRest(file, bytes, static_cast<size_t>(CxImage::kMaxPixels) * 4 + 4096))
        return image.Fail("BMP file is larger than allowed");
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return image.Fail("Not a BMP file or truncated");
    const size_t pixelOffset = Load32(bytes.data() + 10);
    if (pixelOffset < kFileHeaderSize + kInfoHeaderSize)
        return image.Fail("BMP pixel offset %zu is wrong", pixelOffset);
    return ParseDIB(image, bytes.data() + kFileHeaderSize, bytes.size() - kFileHeaderSize,
                    pixelOffset - kFileHeaderSize);
}

bool EncodeBmp(const CxImage& image, CxFile& file) {
    std::vector<BYTE> dib;
    BuildDIB(image, dib);
    std::vector<BYTE> header;
    header.push_back('B'), header.push_back('M');
    Store32(header, static_cast<uint32_t>(kFileHeaderSize + dib.size()));
    Store32(header, 0);
    Store32(header, static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize + 4 * image.GetNumColors()));
    if (file.Write(header.data(), 1, header.size()) != header.size() ||
        file.Write(dib.data(), 1, dib.size()) != dib.size())
        return image.Fail("Cannot write the BMP file");
    return true;
}

}  // namespace tbimage
