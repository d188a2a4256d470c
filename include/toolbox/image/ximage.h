/// \file
/// \brief Raster images: load and save BMP, GIF, JPEG, PNG and TIFF, read and change pixels and palette, resample, and hand the picture over as a device-independent bitmap block.
// Raster images: load and save BMP, GIF, JPEG, PNG and TIFF, read and change pixels and
// palette, resample, and hand the picture over as a device-independent bitmap block.
#pragma once

#include <toolbox/image/xfile.h>
#include <toolbox/types/cstring.h>
#include <toolbox/types/windef.h>

#include <cstdint>
#include <vector>

/// File formats; CXIMAGE_FORMAT_UNKNOWN on loading means "detect from the first bytes".
enum ENUM_CXIMAGE_FORMATS {
    CXIMAGE_FORMAT_UNKNOWN = 0,
    CXIMAGE_FORMAT_BMP = 1,
    CXIMAGE_FORMAT_GIF = 2,
    CXIMAGE_FORMAT_JPG = 3,
    CXIMAGE_FORMAT_PNG = 4,
    CXIMAGE_FORMAT_TIF = 5,
};

/// One colour of a palette or one pixel, in the byte order of a bitmap's colour table.
struct RGBQUAD {
    BYTE rgbBlue;  ///< Blue.
    BYTE rgbGreen;  ///< Green.
    BYTE rgbRed;  ///< Red.
    BYTE rgbReserved;  ///< 0 in colour tables; alpha in GetPixelColor when the image has alpha
};

/// A raster image held as a device-independent bitmap: 8 bits per pixel with a palette
/// of up to 256 colours, or 24 bits per pixel (blue, green, red), rows bottom-up and
/// padded to 4 bytes; y = 0 is the bottom row. An optional alpha plane (one byte per
/// pixel) and a transparent palette index go with it. Images of 1 and 4 bits are
/// widened to 8 when loaded. Images larger than kMaxPixels are refused.
/// Every failure returns false (or an invalid image) and leaves a message in
/// GetLastError(); nothing throws.
class TB_EXPORT CxImage {
public:
    /// The largest image accepted: width × height at most this many pixels, and each side
    /// at most kMaxSide, so untrusted headers cannot ask for unbounded memory.
    static constexpr uint32_t kMaxPixels = 1u << 26;
    static constexpr uint32_t kMaxSide = 1u << 16;  ///< The longest side accepted, in pixels.

    /// An empty image (IsValid false) of the given format.
    explicit CxImage(DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Loads fileName at once; check IsValid() afterwards.
    CxImage(LPCTSTR fileName, DWORD imageType);
    virtual ~CxImage();
    /// Copies pixels, palette, alpha and settings.
    CxImage(const CxImage&) = default;
    /// Copies pixels, palette, alpha and settings.
    CxImage& operator=(const CxImage&) = default;

    /// A new image filled with black (palette entry 0). bpp 1, 4 or 8 gives an 8-bit
    /// image with a grey palette of 2^bpp entries; 24 (or 32) gives 24 bits.
    bool Create(DWORD width, DWORD height, DWORD bpp, DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Empties the image: no pixels, palette or alpha (IsValid false).
    void Destroy();

    /// Reads fileName; imageType CXIMAGE_FORMAT_UNKNOWN detects the format from the first bytes. False (message in GetLastError) when the file cannot be opened or decoded; the image is then empty.
    bool Load(LPCTSTR fileName, DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Reads an image from file at its current position; false on a malformed or unsupported image (message in GetLastError).
    bool Decode(CxFile* file, DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Reads an image from an open C stream; false on failure.
    bool Decode(FILE* file, DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Reads an image from size bytes of memory; false on failure.
    bool Decode(const BYTE* buffer, DWORD size, DWORD imageType = CXIMAGE_FORMAT_UNKNOWN);
    /// Encodes the whole file first and then replaces fileName through the staged output
    /// (<toolbox/os/output_file.h>): when encoding or writing fails, what was there (or
    /// at a link's target) stays as it was.
    bool Save(LPCTSTR fileName, DWORD imageType) const;
    /// Writes the image to file in format imageType; false on failure.
    bool Encode(CxFile* file, DWORD imageType) const;
    /// Writes the image to an open C stream in format imageType; false on failure.
    bool Encode(FILE* file, DWORD imageType) const;
    /// Encodes into bytes appended to out (cleared first).
    bool Encode(std::vector<BYTE>& out, DWORD imageType) const;
    /// The format the first bytes of file announce (the position is restored).
    static DWORD DetectType(CxFile* file);

    /// True when the image has pixels.
    bool IsValid() const { return m_width != 0; }
    /// Width in pixels; 0 when empty.
    DWORD GetWidth() const { return m_width; }
    /// Height in pixels; 0 when empty.
    DWORD GetHeight() const { return m_height; }
    /// 8 or 24; 0 when empty.
    WORD GetBpp() const { return m_bpp; }
    /// The format the image was loaded from or created for.
    DWORD GetType() const { return m_type; }
    /// Sets the format the image reports (and that its codec-specific subclasses use).
    void SetType(DWORD imageType) { m_type = imageType; }
    /// Bytes per row including the padding to 4 bytes.
    DWORD GetEffWidth() const;
    /// The message of the last failure; empty when none.
    CString GetLastError() const { return m_lastError; }

    /// Palette: 0 entries for 24-bit images.
    DWORD GetNumColors() const { return static_cast<DWORD>(m_palette.size()); }
    /// The palette entries (empty for 24-bit images).
    const std::vector<RGBQUAD>& GetPalette() const { return m_palette; }
    /// Replaces the palette of an 8-bit image (1..256 entries; pixels keep their indexes,
    /// indexes beyond the new palette read as entry 0).
    bool SetPalette(const std::vector<RGBQUAD>& palette);
    /// Palette entry index; black (all 0) past the palette.
    RGBQUAD GetPaletteColor(BYTE index) const;
    /// Replaces palette entry index; false past the palette.
    bool SetPaletteColor(BYTE index, RGBQUAD color);
    /// True for an 8-bit image whose palette entries are all grey.
    bool IsGrayScale() const;

    /// Transparency: a palette index (-1 for none) or an alpha plane.
    long GetTransIndex() const { return m_transIndex; }
    /// Sets the transparent palette index; anything outside 0..255 means none (-1).
    void SetTransIndex(long index) { m_transIndex = index >= 0 && index < 256 ? index : -1; }
    /// True with a transparent index or an alpha plane.
    bool IsTransparent() const { return m_transIndex >= 0 || HasAlpha(); }
    /// True when the image has an alpha plane.
    bool HasAlpha() const { return !m_alpha.empty(); }
    /// Adds an opaque alpha plane (or drops it).
    void AlphaCreate();
    /// Drops the alpha plane.
    void AlphaDelete() { m_alpha.clear(); }
    /// Alpha of pixel (x, y): 0 transparent to 255 opaque; 255 without an alpha plane or outside the image.
    BYTE AlphaGet(long x, long y) const;
    /// Sets the alpha of pixel (x, y); nothing without an alpha plane or outside the image.
    void AlphaSet(long x, long y, BYTE level);

    /// Pixels outside the image read as zero and are not written.
    bool IsInside(long x, long y) const;
    /// Colour of pixel (x, y) (y = 0 the bottom row), through the palette on 8-bit images, with alpha in rgbReserved when there is an alpha plane; all 0 outside.
    RGBQUAD GetPixelColor(long x, long y) const;
    /// On an 8-bit image the nearest palette entry is stored.
    void SetPixelColor(long x, long y, RGBQUAD color);
    /// Sets pixel (x, y) to a COLORREF; on an 8-bit image the nearest palette entry is stored.
    void SetPixelColor(long x, long y, COLORREF color);
    /// Palette index of pixel (x, y) of an 8-bit image; 0 for a 24-bit image or outside.
    BYTE GetPixelIndex(long x, long y) const;
    /// Sets the palette index of pixel (x, y) of an 8-bit image; nothing on a 24-bit image or outside.
    void SetPixelIndex(long x, long y, BYTE index);
    /// Row y (bottom-up) of GetEffWidth() bytes, null outside the image.
    BYTE* GetBits(DWORD row = 0);
    /// Row y (bottom-up) of GetEffWidth() bytes, read-only; null outside the image.
    const BYTE* GetBits(DWORD row = 0) const;

    /// Widens an 8-bit image to 24 bits (the transparent index becomes alpha 0).
    bool IncreaseBpp24();
    /// Narrows a 24-bit image to 8 bits: an exact palette when it has at most 256
    /// colours, else a fixed 6×7×6 colour cube (the nearest colour for each pixel).
    bool DecreaseBpp8();
    /// Scales to newWidth × newHeight: mode 0 bilinear on 24-bit images, mode 1 (and any
    /// 8-bit image, which keeps its palette) nearest pixel.
    bool Resample(long newWidth, long newHeight, int mode = 0);

    /// The picture as one device-independent bitmap block: a 40-byte info header, the
    /// colour table and the pixels, as window libraries draw it.
    bool CopyToDIB(std::vector<BYTE>& block) const;
    /// Takes a device-independent bitmap block (a 40-byte or longer info header,
    /// uncompressed, 1, 4, 8, 24 or 32 bits per pixel).
    bool CreateFromDIB(const BYTE* block, size_t size);

    /// JPEG quality for saving, 1..100 (default 90).
    void SetJpegQuality(BYTE quality) { m_jpegQuality = quality < 1 ? 1 : quality > 100 ? 100 : quality; }
    /// JPEG quality used when saving (1..100).
    BYTE GetJpegQuality() const { return m_jpegQuality; }
    /// Frame (GIF) or page (TIFF) to load; GetNumFrames is the count found by the last load.
    void SetFrame(long frame) { m_frame = frame < 0 ? 0 : frame; }
    /// The frame or page the next load reads (0 is the first).
    long GetFrame() const { return m_frame; }
    /// The number of frames or pages the last load found.
    long GetNumFrames() const { return m_numFrames; }

    // Used by the codecs: allocate a blank image and report a failure.
    /// Replaces the image by a black one of width by height with bpp 8 (grey palette of 256) or 24; false for another depth or a size beyond kMaxSide or kMaxPixels.
    bool Allocate(DWORD width, DWORD height, WORD bpp);
    /// Records a printf-formatted message as the last error; returns false.
    template <typename... Args>
    bool Fail(const char* format, Args&&... args) const {
        m_lastError.Format(format, std::forward<Args>(args)...);
        return false;
    }
    /// Records the number of frames or pages a codec found.
    void SetNumFrames(long count) { m_numFrames = count; }

protected:
    DWORD m_type = CXIMAGE_FORMAT_UNKNOWN;  ///< The format the image was loaded from or created for.

private:
    DWORD m_width = 0;
    DWORD m_height = 0;
    WORD m_bpp = 0;
    std::vector<BYTE> m_bits;
    std::vector<RGBQUAD> m_palette;
    std::vector<BYTE> m_alpha;
    long m_transIndex = -1;
    BYTE m_jpegQuality = 90;
    long m_frame = 0;
    long m_numFrames = 0;
    mutable CString m_lastError;
};

/// A GIF image: loads and saves GIF whatever type is asked for; SetFrame picks the
/// frame of an animation.
class TB_EXPORT CxImageGIF : public CxImage {
public:
    CxImageGIF() : CxImage(CXIMAGE_FORMAT_GIF) {}
    /// Reads a GIF (the frame SetFrame chose); false on failure.
    bool Decode(CxFile* file) { return CxImage::Decode(file, CXIMAGE_FORMAT_GIF); }
    /// Writes the image as GIF (8 bits, the transparent index kept); false on failure.
    bool Encode(CxFile* file) const { return CxImage::Encode(file, CXIMAGE_FORMAT_GIF); }
};

/// A TIFF image: loads and saves TIFF; SetFrame picks the page of a multi-page file.
class TB_EXPORT CxImageTIF : public CxImage {
public:
    CxImageTIF() : CxImage(CXIMAGE_FORMAT_TIF) {}
    /// Reads a TIFF (the page SetFrame chose); false on failure.
    bool Decode(CxFile* file) { return CxImage::Decode(file, CXIMAGE_FORMAT_TIF); }
    /// Writes the image as TIFF; false on failure.
    bool Encode(CxFile* file) const { return CxImage::Encode(file, CXIMAGE_FORMAT_TIF); }
};
