// The codecs behind CxImage: each decodes a whole stream into the image (which is
// destroyed first) or encodes the image; false with the image's last error on failure.
#pragma once

#include <toolbox/image/ximage.h>

namespace tbimage {

bool DecodeBmp(CxImage& image, CxFile& file);
bool EncodeBmp(const CxImage& image, CxFile& file);
bool DecodeGif(CxImage& image, CxFile& file);
bool EncodeGif(const CxImage& image, CxFile& file);
bool DecodeJpeg(CxImage& image, CxFile& file);
bool EncodeJpeg(const CxImage& image, CxFile& file);
bool DecodePng(CxImage& image, CxFile& file);
bool EncodePng(const CxImage& image, CxFile& file);
bool DecodeTiff(CxImage& image, CxFile& file);
bool EncodeTiff(const CxImage& image, CxFile& file);

/// Whether a picture of width x height may be held (CxImage::kMaxSide, kMaxPixels);
/// false with the image's last error set when it may not.
bool CheckImageSize(const CxImage& image, DWORD width, DWORD height);

/// The rest of file from its position, at most limit bytes; false when it cannot be read.
bool ReadRest(CxFile& file, std::vector<BYTE>& bytes, size_t limit);

}  // namespace tbimage
