// Image objects: every format written and read back, pictures exchanged with Pillow in
// both directions, the file adaptors, bitmap blocks and resampling, damaged and lying
// files, saves that fail.
#include <gtest/gtest.h>
#include "tests/support/bytes.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/image/ximage.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace tbtest;

namespace {

struct Format {
    DWORD type;
    const char* extension;
    int tolerance;  // largest difference per channel allowed (JPEG is lossy)
};

const Format kFormats[] = {{CXIMAGE_FORMAT_BMP, "bmp", 0},
                           {CXIMAGE_FORMAT_GIF, "gif", 0},
                           {CXIMAGE_FORMAT_JPG, "jpg", 40},
                           {CXIMAGE_FORMAT_PNG, "png", 0},
                           {CXIMAGE_FORMAT_TIF, "tif", 0}};

// A 24-bit picture of odd width (rows need padding) with few enough colours for GIF;
// colours change in blocks so JPEG keeps them close.
CxImage Pattern(DWORD width = 37, DWORD height = 21) {
    CxImage image;
    image.Create(width, height, 24);
    for (long y = 0; y < static_cast<long>(height); ++y)
        for (long x = 0; x < static_cast<long>(width); ++x)
            image.SetPixelColor(x, y, RGB((x / 8) * 60, (y / 8) * 100, 200 - (x / 8) * 40));
    return image;
}

// Largest channel difference between the two pictures; 1000 when their sizes differ.
int Difference(const CxImage& a, const CxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return 1000;
    int worst = 0;
    for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
            RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            worst = std::max({worst, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen),
                              std::abs(p.rgbBlue - q.rgbBlue)});
        }
    return worst;
}

// Pillow's view of an image file: raw RGB rows top-down, written to OUT.
const char kDumpScript[] =
    "import sys\n"
    "from PIL import Image\n"
    "im = Image.open(sys.argv[1]).convert('RGB')\n"
    "open(sys.argv[2], 'wb').write(bytes([im.width, im.height]) + im.tobytes())\n";

// Pillow writes the pattern below in every format, interlaced GIF included.
const char kWriteScript[] =
    "import sys\n"
    "from PIL import Image\n"
    "im = Image.new('RGB', (29, 19))\n"
    "for y in range(19):\n"
    "    for x in range(29):\n"
    "        im.putpixel((x, y), ((x // 8) * 70, (y // 8) * 110, 250 - (x // 8) * 50))\n"
    "for ext in ['bmp', 'gif', 'jpg', 'png', 'tif']:\n"
    "    im.save(sys.argv[1] + '/pil.' + ext, interlace=True) if ext == 'gif' else im.save(sys.argv[1] + '/pil.' + "
    "ext)\n";

int DifferenceFromDump(const CxImage& image, const std::string& dump) {
    if (dump.size() < 2 || static_cast<BYTE>(dump[0]) != image.GetWidth() ||
        static_cast<BYTE>(dump[1]) != image.GetHeight())
        return 1000;
    if (dump.size() != 2 + 3 * image.GetWidth() * image.GetHeight()) return 1000;
    int worst = 0;
    size_t at = 2;
    for (long y = static_cast<long>(image.GetHeight()) - 1; y >= 0; --y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x, at += 3) {
            RGBQUAD p = image.GetPixelColor(x, y);
            worst = std::max({worst, std::abs(p.rgbRed - static_cast<BYTE>(dump[at])),
                              std::abs(p.rgbGreen - static_cast<BYTE>(dump[at + 1])),
                              std::abs(p.rgbBlue - static_cast<BYTE>(dump[at + 2]))});
        }
    return worst;
}

bool HavePillow() { return Shell("/usr/bin/python3 -c 'import PIL'").status == 0; }

}  // namespace

TEST(ImageRoundTrip, EveryFormatThroughMemoryAndFilesAndDetection) {
    ScratchDir scratch;
    const CxImage pattern = Pattern();
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.extension);
        std::vector<BYTE> bytes;
        ASSERT_TRUE(pattern.Encode(bytes, f.type)) << pattern.GetLastError();
        CxImage fromMemory;
        ASSERT_TRUE(fromMemory.Decode(bytes.data(), static_cast<DWORD>(bytes.size()))) << fromMemory.GetLastError();
        EXPECT_EQ(fromMemory.GetType(), f.type);
        EXPECT_LE(Difference(pattern, fromMemory), f.tolerance);

        const std::string path = scratch / (std::string("p.") + f.extension);
        ASSERT_TRUE(pattern.Save(path.c_str(), f.type)) << pattern.GetLastError();
        CxImage fromFile(path.c_str(), CXIMAGE_FORMAT_UNKNOWN);
        EXPECT_LE(Difference(pattern, fromFile), f.tolerance);
        CxIOFile adaptor;
        ASSERT_TRUE(adaptor.Open(path.c_str(), "rb"));
        CxImage fromAdaptor;
        EXPECT_TRUE(fromAdaptor.Decode(&adaptor, f.type)) << fromAdaptor.GetLastError();
        EXPECT_LE(Difference(pattern, fromAdaptor), f.tolerance);
    }
}

TEST(ImageRoundTrip, PaletteTransparencyAndQuantisation) {
    CxImage indexed;
    ASSERT_TRUE(indexed.Create(10, 6, 4));
    EXPECT_EQ(indexed.GetBpp(), 8);
    EXPECT_EQ(indexed.GetNumColors(), 16u);
    indexed.SetPaletteColor(3, RGBQUAD{10, 20, 30, 0});
    for (long x = 0; x < 10; ++x) indexed.SetPixelIndex(x, 2, x % 2 ? 3 : 7);
    indexed.SetTransIndex(7);
    for (DWORD type : {CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_PNG}) {
        std::vector<BYTE> bytes;
        ASSERT_TRUE(indexed.Encode(bytes, type));
        CxImage back;
        ASSERT_TRUE(back.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), 8);
        EXPECT_EQ(back.GetPixelIndex(0, 2), back.GetTransIndex()) << type;
        EXPECT_EQ(back.GetPixelColor(1, 2).rgbRed, 30);
    }
    // More than 256 colours are quantised for GIF, and stay near the original.
    CxImage rich;
    rich.Create(64, 64, 24);
    for (long y = 0; y < 64; ++y)
        for (long x = 0; x < 64; ++x) rich.SetPixelColor(x, y, RGB(x * 4, y * 4, (x + y) * 2));
    std::vector<BYTE> gif;
    ASSERT_TRUE(rich.Encode(gif, CXIMAGE_FORMAT_GIF));
    CxImageGIF back;
    CxMemFile memory(gif.data(), gif.size());
    ASSERT_TRUE(back.Decode(&memory));
    EXPECT_LE(back.GetNumColors(), 256u);
    EXPECT_LE(Difference(rich, back), 30);
    EXPECT_GT(Difference(rich, back), 0);
}

TEST(ImageInterop, PillowReadsWhatWeWriteAndWeReadWhatItWrites) {
    if (!HavePillow()) GTEST_SKIP() << "python3-pil is not installed; this test needs it";
    ScratchDir scratch;
    WriteFile(scratch / "dump.py", kDumpScript);
    WriteFile(scratch / "write.py", kWriteScript);
    const CxImage pattern = Pattern();
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.extension);
        const std::string ours = scratch / (std::string("ours.") + f.extension);
        ASSERT_TRUE(pattern.Save(ours.c_str(), f.type));
        const RunResult dump =
            Shell("/usr/bin/python3 " + scratch / "dump.py" + " " + ours + " " + scratch / "ours.rgb");
        ASSERT_EQ(dump.status, 0) << dump.output;
        EXPECT_LE(DifferenceFromDump(pattern, ReadFile(scratch / "ours.rgb")), f.tolerance);
    }
    const RunResult written = Shell("/usr/bin/python3 " + scratch / "write.py" + " " + scratch.Path());
    ASSERT_EQ(written.status, 0) << written.output;
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.extension);
        const std::string theirs = scratch / (std::string("pil.") + f.extension);
        CxImage image;
        ASSERT_TRUE(image.Load(theirs.c_str())) << image.GetLastError();
        ASSERT_EQ(Shell("/usr/bin/python3 " + scratch / "dump.py" + " " + theirs + " " + scratch / "pil.rgb").status,
                  0);
        EXPECT_LE(DifferenceFromDump(image, ReadFile(scratch / "pil.rgb")), f.tolerance);
    }
}

TEST(ImageObject, BitmapBlockResampleAndAdaptors) {
    const CxImage pattern = Pattern();
    std::vector<BYTE> dib;
    ASSERT_TRUE(pattern.CopyToDIB(dib));
    EXPECT_EQ(dib.size(), 40u + 112u * 21u);  // 37 pixels × 3 bytes padded to 112
    CxImage copy;
    ASSERT_TRUE(copy.CreateFromDIB(dib.data(), dib.size()));
    EXPECT_EQ(Difference(pattern, copy), 0);
    EXPECT_FALSE(copy.CreateFromDIB(dib.data(), dib.size() - 1));

    CxImage scaled = pattern;
    ASSERT_TRUE(scaled.Resample(74, 42));
    EXPECT_EQ(scaled.GetWidth(), 74u);
    // Inside a block of one colour, bilinear scaling keeps the colour.
    EXPECT_EQ(scaled.GetPixelColor(4, 4).rgbBlue, pattern.GetPixelColor(2, 2).rgbBlue);
    EXPECT_FALSE(scaled.Resample(0, 5));

    CxMemFile memory;
    EXPECT_EQ(memory.Write("abcdef", 2, 3), 3u);
    EXPECT_TRUE(memory.Seek(-2, SEEK_END));
    EXPECT_EQ(memory.GetC(), 'e');
    EXPECT_TRUE(memory.Seek(10, SEEK_SET));
    char buffer[4];
    EXPECT_EQ(memory.Read(buffer, 1, 4), 0u);
    EXPECT_FALSE(memory.Seek(-1, SEEK_SET));
}

// Pictures of fewer bits than a byte: the first pixel is in the high nibble (4 bits)
// or the most significant bit (1 bit) of its byte.
TEST(ImageBmp, PackedPixelsDecodeInTheirOrder) {
    // A one-row BMP of width pixels at depth bits with a palette of 1 << bits colours
    // (entry i is red i * 16, green 255 - i * 16) and the given row bytes.
    auto bmp = [](int width, int bits, const std::string& row) {
        std::string palette;
        for (int i = 0; i < (1 << bits); ++i) palette += std::string{0, char(255 - i * 16), char(i * 16), 0};
        const std::string info = Le32(40) + Le32(width) + Le32(1) + Le16(1) + Le16(bits) + Le32(0) + Le32(0) +
                                 Le32(0) + Le32(0) + Le32(1 << bits) + Le32(0);
        const std::string head = "BM" + Le32(14 + 40 + palette.size() + row.size()) + Le32(0) +
                                 Le32(14 + 40 + palette.size());
        return head + info + palette + row;
    };
    auto indices = [](const std::string& file) {
        CxImage image;
        EXPECT_TRUE(image.Decode(reinterpret_cast<const BYTE*>(file.data()), static_cast<DWORD>(file.size()),
                                 CXIMAGE_FORMAT_BMP))
            << image.GetLastError();
        std::vector<int> found;
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, 0);
            EXPECT_EQ(c.rgbGreen, 255 - c.rgbRed) << x;
            found.push_back(c.rgbRed / 16);
        }
        return found;
    };
    EXPECT_EQ(indices(bmp(3, 4, std::string("\x12\x30\0\0", 4))), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(indices(bmp(10, 1, std::string("\xB0\x40\0\0", 4))),
              (std::vector<int>{1, 0, 1, 1, 0, 0, 0, 0, 0, 1}));
}

TEST(ImageBadInput, TruncatedAndLyingFilesFailWithAMessage) {
    const CxImage pattern = Pattern(64, 64);
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.extension);
        std::vector<BYTE> bytes;
        ASSERT_TRUE(pattern.Encode(bytes, f.type));
        for (size_t keep : {size_t(0), size_t(9), bytes.size() / 2, bytes.size() - 3}) {
            CxImage image;
            EXPECT_FALSE(image.Decode(bytes.data(), static_cast<DWORD>(keep), f.type)) << keep;
            EXPECT_FALSE(image.IsValid());
            EXPECT_FALSE(image.GetLastError().IsEmpty());
        }
    }
    // A BMP whose header claims a picture far larger than the file.
    std::vector<BYTE> bmp;
    pattern.Encode(bmp, CXIMAGE_FORMAT_BMP);
    bmp[18 + 3] = 0x40;  // width 0x40000040
    CxImage image;
    EXPECT_FALSE(image.Decode(bmp.data(), static_cast<DWORD>(bmp.size())));
    EXPECT_NE(image.GetLastError().Find("truncated"), -1) << image.GetLastError().GetString();
    const BYTE noise[] = "not an image at all";
    EXPECT_FALSE(image.Decode(noise, sizeof noise));
    EXPECT_NE(image.GetLastError().Find("Unknown"), -1);
}

namespace {

std::string Crafted(const char* name) { return std::string(TOOLBOX_TEST_DATA) + "/image/" + name; }

}  // namespace

TEST(ImageBadInput, DamagedPixelDataFailsWithTheDecodersMessage) {
    ScratchDir scratch;
    const struct {
        const char* file;
        const char* message;
    } kCases[] = {{"cut-short.jpg", "JPEG: Corrupt JPEG data: premature end of data segment"},
                  {"lzw-damaged.tif", "TIFF: image: Using code not yet in table"},
                  {"deflate-damaged.tif", "TIFF: ZIPDecode"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.file);
        CxImage image;
        EXPECT_FALSE(image.Load(Crafted(c.file).c_str()));
        EXPECT_FALSE(image.IsValid());
        EXPECT_NE(image.GetLastError().Find(c.message), -1) << image.GetLastError().GetString();
        const RunResult r = RunTbx("image convert " + Crafted(c.file) + " " + scratch / "out.png");
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_FALSE(Exists(scratch / "out.png"));
    }
}

TEST(ImageBadInput, AHugeDeclaredJpegIsRefusedRightAfterItsHeader) {
    // 564 bytes declaring 65,500 x 65,500 progressive: believed, libjpeg would take
    // 12 GB for its coefficients. tbx runs it first under an address-space limit, so
    // that a decoder which believes the size fails there instead of taking the memory.
    ScratchDir scratch;
    const std::string limit = tbtest::kUnderSanitizer ? "" : "ulimit -v 4000000; ";
    const RunResult r =
        Shell(limit + TOOLBOX_TBX + " image convert " + Crafted("progressive-65500.jpg") + " " + scratch / "out.png");
    EXPECT_EQ(r.status, 1);
    ASSERT_NE(r.output.find("Image size 65500 x 65500 is empty or larger than allowed"), std::string::npos) << r.output;
    CxImage image;
    EXPECT_FALSE(image.Load(Crafted("progressive-65500.jpg").c_str()));
    EXPECT_NE(image.GetLastError().Find("65500 x 65500"), -1) << image.GetLastError().GetString();
}

TEST(ImageSave, AFailedSaveLeavesTheOldFileAndTheTargetOfALink) {
    ScratchDir scratch;
    const std::string target = scratch / "keep.gif", link = scratch / "link.gif";
    WriteFile(target, "old picture");
    ASSERT_EQ(symlink("keep.gif", link.c_str()), 0);
    CxImage wide;
    ASSERT_TRUE(wide.Create(65536, 1, 24));
    const CxImage pattern = Pattern();
    for (const std::string& path : {target, link}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(wide.Save(path.c_str(), CXIMAGE_FORMAT_GIF));
        EXPECT_NE(wide.GetLastError().Find("too large for GIF"), -1) << wide.GetLastError().GetString();
        EXPECT_FALSE(pattern.Save(path.c_str(), 99));
        EXPECT_NE(pattern.GetLastError().Find("Unknown image format"), -1);
        EXPECT_EQ(ReadFile(target), "old picture");
    }
    // A save through the link replaces the file it names; the link stays a link.
    ASSERT_TRUE(pattern.Save(link.c_str(), CXIMAGE_FORMAT_GIF)) << pattern.GetLastError();
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    CxImage back(target.c_str(), CXIMAGE_FORMAT_UNKNOWN);
    EXPECT_EQ(back.GetType(), static_cast<DWORD>(CXIMAGE_FORMAT_GIF));
    EXPECT_EQ(Difference(pattern, back), 0);
    EXPECT_FALSE(pattern.Save(scratch.Path().c_str(), CXIMAGE_FORMAT_PNG));
    EXPECT_NE(pattern.GetLastError().Find("Cannot write"), -1);
    EXPECT_EQ(ListDir(scratch.Path()).size(), 2u);  // no temporary file left behind
}
