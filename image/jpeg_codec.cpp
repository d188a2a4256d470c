// JPEG through libjpeg-turbo, from and to memory. libjpeg reports errors by calling
// error_exit, which here long-jumps back; the jumping functions hold no C++ objects
// with destructors and fill only buffers their callers own, so nothing leaks.
#include "image/codecs.h"

#include <cstdio>
#include <cstring>
#include <csetjmp>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace tbimage {
namespace {

// Compressed JPEG data larger than this is refused before decoding.
constexpr size_t kMaxJpegBytes = 256u << 20;
// libjpeg's own working memory, above all the coefficient buffers of a progressive or
// multi-scan image (2 bytes a sample): the largest picture allowed needs under 400 MiB.
constexpr long kMaxJpegWorkMemory = 512L << 20;

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 8];
};

void OnError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    error->manager.format_message(info, text);
    std::snprintf(error->message, sizeof error->message, "JPEG: %s", text);
    std::longjmp(error->jump, 1);
}

// Writing: warnings pass, except that the data ended early.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) OnError(info);
}

// Reading: a warning means damaged data (cut short, a bad code, a marker in the middle
// of a segment) that libjpeg would paint over with grey or noise, so it fails the load
// like an error. Only the ones about metadata that is not used pass.
void OnDecodeMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    const int code = info->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_BOGUS_ICC) return;
    OnError(info);
}

bool RunDecompress(jpeg_decompress_struct& info, JpegError& error, const std::vector<BYTE>& data, CxImage& image) {
    if (setjmp(error.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    info.mem->max_memory_to_use = kMaxJpegWorkMemory;
    jpeg_read_header(&info, TRUE);
    // The declared size is checked before libjpeg allocates anything for it.
    if (!CheckImageSize(image, info.image_width, info.image_height)) {
        std::snprintf(error.message, sizeof error.message, "JPEG: %s", image.GetLastError().GetString());
        return false;
    }
    const bool gray = info.jpeg_color_space == JCS_GRAYSCALE;
    if (!gray && (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)) {
        std::snprintf(error.message, sizeof error.message, "JPEG: CMYK images are not supported");
        return false;
    }
    info.out_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    if (!image.Allocate(info.output_width, info.output_height, gray ? 8 : 24)) {
        std::snprintf(error.message, sizeof error.message, "JPEG: %s", image.GetLastError().GetString());
        return false;
    }
    while (info.output_scanline < info.output_height) {
        // JPEG rows run top-down.
        JSAMPROW row = image.GetBits(info.output_height - 1 - info.output_scanline);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

bool RunCompress(jpeg_compress_struct& info, JpegError& error, const CxImage& image, unsigned char** out,
                 unsigned long* outSize) {
    if (setjmp(error.jump)) return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = image.GetWidth();
    info.image_height = image.GetHeight();
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, image.GetJpegQuality(), TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.GetBits(info.image_height - 1 - info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

bool DecodeJpeg(CxImage& image, CxFile& file) {
    std::vector<BYTE> data;
    if (!ReadRest(file, data, kMaxJpegBytes)) return image.Fail("JPEG file is larger than allowed");
    if (data.empty()) return image.Fail("JPEG file is empty");
    jpeg_decompress_struct info;
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnError;
    error.manager.emit_message = OnDecodeMessage;
    std::snprintf(error.message, sizeof error.message, "JPEG: cannot read the file");
    bool ok = RunDecompress(info, error, data, image);
    jpeg_destroy_decompress(&info);
    if (!ok) return image.Fail("%s", error.message);
    if (image.GetBpp() == 8) {
        std::vector<RGBQUAD> gray(256);
        for (int i = 0; i < 256; ++i) gray[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        image.SetPalette(gray);
    }
    return true;
}

bool EncodeJpeg(const CxImage& image, CxFile& file) {
    // JPEG has no palette: palette images go through a 24-bit copy.
    if (image.GetBpp() == 8) {
        CxImage wide(image);
        wide.SetTransIndex(-1);
        if (!wide.IncreaseBpp24()) return image.Fail("%s", wide.GetLastError().GetString());
        return EncodeJpeg(wide, file) || image.Fail("%s", wide.GetLastError().GetString());
    }
    jpeg_compress_struct info;
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnError;
    error.manager.emit_message = OnMessage;
    std::snprintf(error.message, sizeof error.message, "JPEG: cannot write the file");
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    bool ok = RunCompress(info, error, image, &out, &outSize);
    jpeg_destroy_compress(&info);
    if (ok && file.Write(out, 1, outSize) != outSize) {
        ok = false;
        std::snprintf(error.message, sizeof error.message, "Cannot write the JPEG file");
    }
    std::free(out);
    return ok || image.Fail("%s", error.message);
}

}  // namespace tbimage
