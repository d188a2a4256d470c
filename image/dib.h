// Device-independent bitmap blocks (info header, colour table, pixels): the body of a
// BMP file and the form in which pictures go to the window library.
#pragma once

#include <toolbox/image/ximage.h>

namespace tbimage {

/// Fills image from the block of size bytes. pixelOffset is where the pixels start
/// counted from the block's start; 0 means right after the colour table.
bool ParseDIB(CxImage& image, const BYTE* block, size_t size, size_t pixelOffset);
/// The image as a block with a 40-byte info header (8 or 24 bits per pixel).
void BuildDIB(const CxImage& image, std::vector<BYTE>& block);

}  // namespace tbimage
