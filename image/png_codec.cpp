// PNG through libpng. libpng reports errors by a long jump: the functions that call it
// keep no C++ objects with destructors between setjmp and the calls, and every buffer
// they fill is owned by the caller, so a jump leaks nothing.
#include "image/codecs.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace tbimage {
namespace {

struct PngIo {
    CxFile* file;
    const CxImage* image;
    char message[200];
};

void ReadData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (io->file->Read(data, 1, length) != length) png_error(png, "PNG file truncated");
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (io->file->Write(data, 1, length) != length) png_error(png, "Cannot write the PNG file");
}

void FlushData(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
    auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "PNG: %s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Image layout agreed with libpng before the rows are read.
struct PngLayout {
    png_uint_32 width = 0, height = 0;
    int channels = 0;  // 1 (palette or grey index), 3 or 4
    bool palette = false, gray = false;
};

// Reads the header and sets the transformations; the pixels are then 8-bit indexes
// (palette or grey) or 8-bit RGB(A).
void ReadHeader(png_structp png, png_infop info, PngLayout& layout) {
    png_read_info(png, info);
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &layout.width, &layout.height, &depth, &colorType, nullptr, nullptr, nullptr);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
        layout.palette = true;
    } else if (colorType == PNG_COLOR_TYPE_GRAY && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand_gray_1_2_4_to_8(png);
        layout.gray = true;
    } else {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.channels = png_get_channels(png, info);
}

bool RunRead(PngIo& io, PngLayout& layout, png_structp png, png_infop info, std::vector<BYTE>& rows,
             std::vector<png_bytep>& pointers, CxImage& image) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &io, ReadData);
    png_set_user_limits(png, CxImage::kMaxSide, CxImage::kMaxSide);
    ReadHeader(png, info, layout);
    if (layout.channels != 1 && layout.channels != 3 && layout.channels != 4)
        png_error(png, "unexpected channel count");
    if (!image.Allocate(layout.width, layout.height, layout.channels == 1 ? 8 : 24)) png_error(png, "image too large");
    const size_t stride = static_cast<size_t>(layout.width) * layout.channels;
    rows.resize(stride * layout.height);
    pointers.resize(layout.height);
    for (png_uint_32 y = 0; y < layout.height; ++y) pointers[y] = rows.data() + y * stride;
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);  // a file cut short before its end chunk is damaged
    return true;
}

void TakePalette(png_structp png, png_infop info, CxImage& image) {
    png_colorp colors = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colors, &count);
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < count; ++i) palette.push_back(RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 0});
    if (palette.empty()) palette.push_back(RGBQUAD{0, 0, 0, 0});
    image.SetPalette(palette);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) && alphas) {
        for (int i = 0; i < alphaCount; ++i)
            if (alphas[i] == 0) {
                image.SetTransIndex(i);
                break;
            }
        bool partial = false;
        for (int i = 0; i < alphaCount; ++i) partial |= alphas[i] != 0 && alphas[i] != 255;
        if (!partial) return;
        // Partly transparent entries need an alpha plane.
        image.AlphaCreate();
        for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
            for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
                BYTE index = image.GetPixelIndex(x, y);
                image.AlphaSet(x, y, index < alphaCount ? alphas[index] : 255);
            }
    }
}

void TakePixels(const PngLayout& layout, const std::vector<BYTE>& rows, CxImage& image) {
    const size_t stride = static_cast<size_t>(layout.width) * layout.channels;
    if (layout.channels == 4) image.AlphaCreate();
    for (png_uint_32 row = 0; row < layout.height; ++row) {
        const long y = static_cast<long>(layout.height - 1 - row);  // PNG rows run top-down
        const BYTE* in = rows.data() + row * stride;
        BYTE* out = image.GetBits(static_cast<DWORD>(y));
        if (layout.channels == 1) {
            std::memcpy(out, in, layout.width);
            continue;
        }
        for (png_uint_32 x = 0; x < layout.width; ++x) {
            std::memcpy(out + 3 * x, in + layout.channels * x, 3);
            if (layout.channels == 4) image.AlphaSet(static_cast<long>(x), y, in[4 * x + 3]);
        }
    }
}

void GrayPalette(CxImage& image) {
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    image.SetPalette(palette);
}

// Rows of the image top-down, as PNG wants them: indexes, BGR or BGRA.
void BuildRows(const CxImage& image, std::vector<BYTE>& rows, int channels) {
    const DWORD width = image.GetWidth(), height = image.GetHeight();
    const size_t stride = static_cast<size_t>(width) * channels;
    rows.resize(stride * height);
    for (DWORD row = 0; row < height; ++row) {
        const long y = static_cast<long>(height - 1 - row);
        BYTE* out = rows.data() + row * stride;
        const BYTE* in = image.GetBits(static_cast<DWORD>(y));
        if (channels == 1) {
            std::memcpy(out, in, width);
            continue;
        }
        for (DWORD x = 0; x < width; ++x) {
            std::memcpy(out + channels * x, in + 3 * x, 3);
            if (channels == 4) out[4 * x + 3] = image.AlphaGet(static_cast<long>(x), y);
        }
    }
}

bool RunWrite(PngIo& io, png_structp png, png_infop info, const CxImage& image, std::vector<png_bytep>& pointers,
              const std::vector<png_color>& colors, const std::vector<png_byte>& alphas) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &io, WriteData, FlushData);
    const bool indexed = image.GetBpp() == 8;
    const int colorType = indexed            ? PNG_COLOR_TYPE_PALETTE
                          : image.HasAlpha() ? PNG_COLOR_TYPE_RGBA
                                             : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, image.GetWidth(), image.GetHeight(), 8, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (indexed) png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    return true;
}

}  // namespace

bool DecodePng(CxImage& image, CxFile& file) {
    PngIo io{&file, &image, "PNG: cannot read the file"};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return image.Fail("PNG: out of memory");
    }
    PngLayout layout;
    std::vector<BYTE> rows;
    std::vector<png_bytep> pointers;
    bool ok = RunRead(io, layout, png, info, rows, pointers, image);
    if (ok) {
        TakePixels(layout, rows, image);
        if (layout.palette) TakePalette(png, info, image);
        if (layout.gray) GrayPalette(image);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok || image.Fail("%s", io.message);
}

bool EncodePng(const CxImage& image, CxFile& file) {
    const int channels = image.GetBpp() == 8 ? 1 : image.HasAlpha() ? 4 : 3;
    std::vector<BYTE> rows;
    BuildRows(image, rows, channels);
    std::vector<png_bytep> pointers(image.GetHeight());
    for (size_t y = 0; y < pointers.size(); ++y) pointers[y] = rows.data() + y * image.GetWidth() * channels;
    std::vector<png_color> colors;
    for (const RGBQUAD& c : image.GetPalette()) colors.push_back(png_color{c.rgbRed, c.rgbGreen, c.rgbBlue});
    std::vector<png_byte> alphas;
    if (channels == 1 && image.GetTransIndex() >= 0 && image.GetTransIndex() < static_cast<long>(colors.size())) {
        alphas.assign(static_cast<size_t>(image.GetTransIndex()) + 1, 255);
        alphas.back() = 0;
    }
    PngIo io{&file, &image, "PNG: cannot write the file"};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return image.Fail("PNG: out of memory");
    }
    bool ok = RunWrite(io, png, info, image, pointers, colors, alphas);
    png_destroy_write_struct(&png, &info);
    return ok || image.Fail("%s", io.message);
}

}  // namespace tbimage
