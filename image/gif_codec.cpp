// GIF through giflib. The records are read one by one (not slurped) so that every
// frame's size is checked before its pixels are allocated; the chosen frame is placed
// on the logical screen filled with the background (or transparent) colour.
#include "image/codecs.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace tbimage {
namespace {

int ReadBytes(GifFileType* gif, GifByteType* data, int length) {
    auto* file = static_cast<CxFile*>(gif->UserData);
    return length > 0 ? static_cast<int>(file->Read(data, 1, static_cast<size_t>(length))) : 0;
}

int WriteBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* file = static_cast<CxFile*>(gif->UserData);
    return length > 0 ? static_cast<int>(file->Write(data, 1, static_cast<size_t>(length))) : 0;
}

// Closes the decoder or encoder however the function that opened it ends.
struct GifCloser {
    GifFileType* gif;
    bool decoding;
    ~GifCloser() {
        int error = 0;
        if (gif && decoding) DGifCloseFile(gif, &error);
        if (gif && !decoding) EGifCloseFile(gif, &error);
    }
};

struct FrameState {
    int transparent = -1;  // from the graphics control extension before the frame
    long framesSeen = 0;
    bool decoded = false;
};

bool SkipCodeBlocks(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

bool ReadExtension(GifFileType* gif, FrameState& state) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) state.transparent = control.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

bool AllocateCanvas(CxImage& image, GifFileType* gif, const ColorMapObject* map, int transparent) {
    const GifImageDesc& frame = gif->Image;
    DWORD width = static_cast<DWORD>(std::max(gif->SWidth, frame.Left + frame.Width));
    DWORD height = static_cast<DWORD>(std::max(gif->SHeight, frame.Top + frame.Height));
    if (!image.Allocate(width, height, 8)) return false;
    std::vector<RGBQUAD> palette;
    if (map && map->Colors) {
        for (int i = 0; i < map->ColorCount; ++i)
            palette.push_back(RGBQUAD{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0});
    } else {
        for (int i = 0; i < 256; ++i) palette.push_back(RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0});
    }
    image.SetPalette(palette);
    image.SetTransIndex(transparent);
    const BYTE fill = static_cast<BYTE>(transparent >= 0 ? transparent : gif->SBackGroundColor);
    for (DWORD y = 0; y < height; ++y) std::memset(image.GetBits(y), fill, image.GetEffWidth());
    return true;
}

// Reads the frame's rows (in interlaced order when it is interlaced) onto the canvas.
bool ReadFrame(CxImage& image, GifFileType* gif, const FrameState& state) {
    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        return image.Fail("GIF frame size %d x %d is wrong", frame.Width, frame.Height);
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!AllocateCanvas(image, gif, map, state.transparent)) return false;
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    const DWORD height = image.GetHeight();
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0, step = frame.Interlace ? kStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
                return image.Fail("GIF: %s", GifErrorString(gif->Error));
            std::memcpy(image.GetBits(height - 1 - static_cast<DWORD>(frame.Top + row)) + frame.Left, line.data(),
                        line.size());
        }
    }
    return true;
}

bool ReadImageRecord(CxImage& image, GifFileType* gif, FrameState& state) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) return image.Fail("GIF: %s", GifErrorString(gif->Error));
    const bool wanted = !state.decoded && state.framesSeen == image.GetFrame();
    ++state.framesSeen;
    if (wanted) {
        if (!ReadFrame(image, gif, state)) return false;
        state.decoded = true;
    } else if (!SkipCodeBlocks(gif)) {
        return image.Fail("GIF: %s", GifErrorString(gif->Error));
    }
    state.transparent = -1;
    return true;
}

}  // namespace

bool DecodeGif(CxImage& image, CxFile& file) {
    int error = 0;
    GifCloser closer{DGifOpen(&file, ReadBytes, &error), true};
    GifFileType* gif = closer.gif;
    if (!gif) return image.Fail("GIF: %s", GifErrorString(error));
    FrameState state;
    const long wantedFrame = image.GetFrame();
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        bool ok = DGifGetRecordType(gif, &type) != GIF_ERROR;
        if (ok && type == IMAGE_DESC_RECORD_TYPE) {
            ok = ReadImageRecord(image, gif, state);
            if (!ok && state.framesSeen - 1 == wantedFrame) return false;
        } else if (ok && type == EXTENSION_RECORD_TYPE) {
            ok = ReadExtension(gif, state);
        }
        // Damage after the chosen frame only ends the count of frames.
        if (!ok && !state.decoded) return image.Fail("GIF: %s", GifErrorString(gif->Error));
        if (!ok || type == TERMINATE_RECORD_TYPE) break;
    }
    if (!state.decoded) return image.Fail("GIF has no frame %ld", wantedFrame);
    image.SetNumFrames(state.framesSeen);
    return true;
}

bool EncodeGif(const CxImage& source, CxFile& file) {
    if (source.GetWidth() > 65535 || source.GetHeight() > 65535) return source.Fail("Image too large for GIF");
    CxImage image(source);
    if (!image.DecreaseBpp8()) return source.Fail("%s", image.GetLastError().GetString());
    std::vector<GifColorType> colors;
    for (const RGBQUAD& c : image.GetPalette()) colors.push_back(GifColorType{c.rgbRed, c.rgbGreen, c.rgbBlue});
    // The colour table of a GIF has 2^n entries.
    size_t tableSize = 2;
    while (tableSize < colors.size()) tableSize *= 2;
    colors.resize(tableSize, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(tableSize), colors.data());
    if (!map) return source.Fail("GIF: out of memory");
    int error = 0;
    GifCloser closer{EGifOpen(&file, WriteBytes, &error), false};
    GifFileType* gif = closer.gif;
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
                               map->BitsPerPixel, 0, map) != GIF_ERROR;
    }
    if (ok && image.GetTransIndex() >= 0) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, static_cast<int>(image.GetTransIndex())};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
                                false, nullptr) != GIF_ERROR;
    std::vector<GifPixelType> line(image.GetWidth());
    for (DWORD row = 0; ok && row < image.GetHeight(); ++row) {
        const BYTE* bits = image.GetBits(image.GetHeight() - 1 - row);  // GIF rows run top-down
        std::memcpy(line.data(), bits, line.size());
        ok = EGifPutLine(gif, line.data(), static_cast<int>(line.size())) != GIF_ERROR;
    }
    const int code = gif ? gif->Error : error;
    GifFreeMapObject(map);
    if (ok && gif) {
        closer.gif = nullptr;
        ok = EGifCloseFile(gif, &error) != GIF_ERROR;
        if (!ok) return source.Fail("GIF: %s", GifErrorString(error));
    }
    return ok || source.Fail("GIF: %s", GifErrorString(code ? code : error));
}

}  // namespace tbimage
