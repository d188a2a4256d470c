/// \file
/// \brief The preview picture of a sheet file: a compound document whose stream "MetaFileImage" holds a serialised metafile picture, or whose stream "QuickViewImage" holds a GIF image.
// The preview picture of a sheet file: a compound document whose stream
// "MetaFileImage" holds a serialised metafile picture, or whose stream
// "QuickViewImage" holds a GIF image. Read without opening the document, drawn fitted
// and centred into any rectangle.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/dc.h>

#include <cstddef>
#include <memory>
#include <vector>

class CTBMetaFilePlayer;

/// Reads the stream name of a compound (structured-storage) file into out; false when
/// the file is no compound file, has no such stream or it is larger than maxBytes.
TB_EXPORT bool TBReadCompoundStream(const char* path, const char* name, std::vector<BYTE>& out,
                                    std::size_t maxBytes = 64u << 20);
/// The same for a compound file held in memory.
TB_EXPORT bool TBReadCompoundStream(const BYTE* data, std::size_t size, const char* name, std::vector<BYTE>& out,
                                    std::size_t maxBytes = 64u << 20);

/// The preview picture of a sheet file (a metafile picture or a GIF image), drawn fitted into a rectangle. Copies share the picture.
class TB_EXPORT CTBSheetPreview {
public:
    CTBSheetPreview();
    ~CTBSheetPreview();
    /// Copies share the pictures.
    CTBSheetPreview(const CTBSheetPreview&);
    /// Shares other's picture.
    CTBSheetPreview& operator=(const CTBSheetPreview&);

    /// Loads the preview of the sheet file at path; non-zero on success. The metafile
    /// wins when the file has both streams.
    BOOL LoadPreview(const char* path);
    /// Drops the picture.
    void UnloadPreview();
    /// Draws the picture fitted into target keeping its aspect ratio, centred; nothing
    /// when there is none.
    void Display(CDC* dc, const CRect& target) const;
    /// True when no picture is loaded.
    bool IsEmpty() const { return !m_bitmap && !m_metafile; }
    /// True when the picture is the GIF image.
    bool IsGifImage() const { return m_bitmap != nullptr; }
    /// True when the picture is the metafile.
    bool IsMetaFileImage() const { return m_metafile != nullptr; }
    /// The metafile's size in HIMETRIC units and in screen pixels.
    CSize GetHimetricSize() const { return m_himetric; }
    /// The metafile's size in screen pixels.
    CSize GetPixelSize() const { return m_pixels; }
    /// The rectangle a picture of size picture takes in target: scaled by the larger
    /// of the two ratios (small pictures grow), centred.
    static CRect FitRect(const CSize& picture, const CRect& target);

private:
    std::shared_ptr<CBitmap> m_bitmap;
    std::shared_ptr<CTBMetaFilePlayer> m_metafile;
    CSize m_himetric;
    CSize m_pixels;
};
