// TIFF through libtiff, read with its RGBA interface (every photometric it knows) and
// written as LZW-compressed RGB, RGBA or palette images. Errors come back through the
// open options' handler, so no process-wide handler is installed.
#include "image/codecs.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <limits>

namespace tbimage {
namespace {

// The most libtiff may allocate at once for one strip, tile or table.
constexpr tmsize_t kMaxSingleAllocation = 256 << 20;

struct TiffContext {
    CxFile* file;
    char message[256];
    bool decoding = false;  // reading pixels: warnings then mean damaged data
    bool damaged = false;   // an error, or a warning while decoding, was reported
};

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    auto* context = static_cast<TiffContext*>(handle);
    return size > 0 ? static_cast<tmsize_t>(context->file->Read(data, 1, static_cast<size_t>(size))) : 0;
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    auto* context = static_cast<TiffContext*>(handle);
    return size > 0 ? static_cast<tmsize_t>(context->file->Write(data, 1, static_cast<size_t>(size))) : 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* context = static_cast<TiffContext*>(handle);
    if (offset > static_cast<toff_t>(std::numeric_limits<long>::max()) && whence == SEEK_SET)
        return static_cast<toff_t>(-1);
    if (!context->file->Seek(static_cast<long>(offset), whence)) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(context->file->Tell());
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
    long size = static_cast<TiffContext*>(handle)->file->Size();
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

void Report(TiffContext& context, const char* module, const char* format, va_list args) {
    char text[200];
    std::vsnprintf(text, sizeof text, format, args);
    std::snprintf(context.message, sizeof context.message, "TIFF: %s%s%s", module ? module : "", module ? ": " : "",
                  text);
    context.damaged = true;
}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    Report(*static_cast<TiffContext*>(user), module, format, args);
    return 1;
}

// Warnings about tags (unknown, private or slightly off) are common in good files and
// pass; while pixels are decoded a warning means damaged data, which fails the load.
int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* context = static_cast<TiffContext*>(user);
    if (context->decoding) Report(*context, module, format, args);
    return 1;
}

// Opens the TIFF on the context's stream; null with the context's message on failure.
TIFF* OpenTiff(TiffContext& context, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &context);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &context);
    TIFF* tiff = TIFFClientOpenExt("image", mode, &context, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                   UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

struct TiffCloser {
    TIFF* tiff;
    ~TiffCloser() {
        if (tiff) TIFFClose(tiff);
    }
};

bool HasExtraAlpha(TIFF* tiff) {
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    return TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 1 && count > 0;
}

bool IsPalette(TIFF* tiff) {
    uint16_t photometric = 0;
    return TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) == 1 && photometric == PHOTOMETRIC_PALETTE;
}

bool ReadPixels(CxImage& image, TIFF* tiff, TiffContext& context) {
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff, reason)) return image.Fail("TIFF: %s", reason);
    if (!image.Allocate(width, height, 24)) return false;
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    // Reading stops at the first damaged strip or tile instead of leaving it blank.
    context.decoding = true;
    context.damaged = false;
    const bool read = TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_BOTLEFT, 1);
    context.decoding = false;
    if (!read || context.damaged)
        return image.Fail("%s", context.damaged ? context.message : "TIFF: cannot read the pixels");
    const bool alpha = HasExtraAlpha(tiff);
    if (alpha) image.AlphaCreate();
    for (uint32_t y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(y);
        const uint32_t* in = raster.data() + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<BYTE>(TIFFGetB(in[x]));
            row[3 * x + 1] = static_cast<BYTE>(TIFFGetG(in[x]));
            row[3 * x + 2] = static_cast<BYTE>(TIFFGetR(in[x]));
            if (alpha) image.AlphaSet(static_cast<long>(x), static_cast<long>(y), static_cast<BYTE>(TIFFGetA(in[x])));
        }
    }
    // A palette image keeps a palette (its colours, not necessarily its order).
    return !IsPalette(tiff) || alpha || image.DecreaseBpp8();
}

void SetPaletteFields(TIFF* tiff, const CxImage& image, std::vector<uint16_t>& map) {
    map.assign(3 * 256, 0);
    for (DWORD i = 0; i < image.GetNumColors(); ++i) {
        const RGBQUAD c = image.GetPaletteColor(static_cast<BYTE>(i));
        map[i] = static_cast<uint16_t>(c.rgbRed * 257);
        map[256 + i] = static_cast<uint16_t>(c.rgbGreen * 257);
        map[512 + i] = static_cast<uint16_t>(c.rgbBlue * 257);
    }
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
}

bool WriteRows(const CxImage& image, TIFF* tiff, int samples) {
    const DWORD width = image.GetWidth(), height = image.GetHeight();
    std::vector<BYTE> line(static_cast<size_t>(width) * samples);
    for (DWORD row = 0; row < height; ++row) {
        const long y = static_cast<long>(height - 1 - row);  // TIFF rows run top-down
        const BYTE* in = image.GetBits(static_cast<DWORD>(y));
        if (samples == 1) {
            std::memcpy(line.data(), in, width);
        } else {
            for (DWORD x = 0; x < width; ++x) {
                BYTE* out = line.data() + samples * x;
                out[0] = in[3 * x + 2], out[1] = in[3 * x + 1], out[2] = in[3 * x];
                if (samples == 4) out[3] = image.AlphaGet(static_cast<long>(x), y);
            }
        }
        if (TIFFWriteScanline(tiff, line.data(), row, 0) < 0) return false;
    }
    return true;
}

}  // namespace

bool DecodeTiff(CxImage& image, CxFile& file) {
    TiffContext context{&file, "TIFF: cannot read the file"};
    TiffCloser closer{OpenTiff(context, "rm")};
    if (!closer.tiff) return image.Fail("%s", context.message);
    const long pages = static_cast<long>(TIFFNumberOfDirectories(closer.tiff));
    if (image.GetFrame() >= pages || !TIFFSetDirectory(closer.tiff, static_cast<tdir_t>(image.GetFrame())))
        return image.Fail("TIFF has no page %ld", image.GetFrame());
    if (!ReadPixels(image, closer.tiff, context)) return false;
    image.SetNumFrames(pages);
    return true;
}

bool EncodeTiff(const CxImage& image, CxFile& file) {
    TiffContext context{&file, "TIFF: cannot write the file"};
    TiffCloser closer{OpenTiff(context, "wm")};
    TIFF* tiff = closer.tiff;
    if (!tiff) return image.Fail("%s", context.message);
    const bool indexed = image.GetBpp() == 8;
    const int samples = indexed ? 1 : image.HasAlpha() ? 4 : 3;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.GetWidth());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.GetHeight());
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<uint16_t> map;
    if (indexed) {
        SetPaletteFields(tiff, image, map);
    } else {
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        if (samples == 4) {
            uint16_t kind = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
    }
    bool ok = WriteRows(image, tiff, samples) && TIFFWriteDirectory(tiff);
    closer.tiff = nullptr;
    TIFFClose(tiff);
    return ok || image.Fail("%s", context.message);
}

}  // namespace tbimage
