// The metafile player's objects and bitmaps: a picture recorded from a played EMF
// still draws its bitmaps, bitmaps and deleted objects do not pile up during
// playback, a bitmap without memory is skipped, and the object table of a WMF that
// deletes and creates objects over and over stays fast.
#include "ui_test_support.h"

#include "tests/support/child.h"

#include <QImage>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using uitest::Put16;
using uitest::Put32;

/// An EMF of 100 x 100 device pixels (frame 0-2645 in 0.01 mm at 96 dpi) holding
/// the given records and its EOF.
std::vector<BYTE> Emf(const std::vector<BYTE>& records) {
    std::vector<BYTE> emf;
    Put32(emf, 1), Put32(emf, 88);
    for (std::uint32_t v : {0u, 0u, 99u, 99u, 0u, 0u, 2645u, 2645u}) Put32(emf, v);
    Put32(emf, 0x464D4520), Put32(emf, 0x10000), Put32(emf, 0), Put32(emf, 0);
    Put16(emf, 1), Put16(emf, 0);
    for (std::uint32_t v : {0u, 0u, 0u, 96u, 96u, 25u, 25u}) Put32(emf, v);
    emf.insert(emf.end(), records.begin(), records.end());
    Put32(emf, 14), Put32(emf, 20), Put32(emf, 0), Put32(emf, 16), Put32(emf, 20);
    const std::uint32_t size = static_cast<std::uint32_t>(emf.size());
    for (int i = 0; i < 4; ++i) emf[48 + i] = static_cast<BYTE>(size >> (8 * i));
    return emf;
}

/// STRETCHDIBITS of a 1-bit bitmap (colours 0 and 1 given as 0x00RRGGBB, every pixel
/// 1) stretched over the picture's 100 x 100 pixels.
void StretchDiBits(std::vector<BYTE>& out, int width, int height, std::uint32_t colour1) {
    const std::uint32_t stride = ((static_cast<std::uint32_t>(width) + 31) / 32) * 4;
    const std::uint32_t bits = stride * static_cast<std::uint32_t>(height);
    const std::uint32_t bmi = 80, bmiSize = 40 + 8, bitsAt = bmi + bmiSize;
    Put32(out, 81), Put32(out, bitsAt + bits);
    for (int i = 0; i < 4; ++i) Put32(out, 0);  // bounds
    Put32(out, 0), Put32(out, 0), Put32(out, 0), Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(width)), Put32(out, static_cast<std::uint32_t>(height));
    Put32(out, bmi), Put32(out, bmiSize), Put32(out, bitsAt), Put32(out, bits);
    Put32(out, 0), Put32(out, 0x00CC0020), Put32(out, 100), Put32(out, 100);
    Put32(out, 40), Put32(out, static_cast<std::uint32_t>(width)), Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1), Put16(out, 1);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    Put32(out, 0x000000), Put32(out, colour1);
    out.insert(out.end(), bits, 0xFF);
}

bool IsRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60; }

void CreateBrush(std::vector<BYTE>& out) { Put32(out, 7), Put16(out, 0x02FC), Put16(out, 0), Put32(out, 0), Put16(out, 0); }
void DeleteObject(std::vector<BYTE>& out, std::uint16_t slot) { Put32(out, 4), Put16(out, 0x01F0), Put16(out, slot); }

double SecondsToPlay(const std::vector<BYTE>& wmf) {
    CTBMetaFilePlayer player;
    if (!player.Load(wmf.data(), wmf.size())) return -1;
    CRecordingDC dc(16, 16);
    const auto start = std::chrono::steady_clock::now();
    player.Play(&dc, CRect(0, 0, 16, 16));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(MetaFileObjects, APictureRecordedFromAnEmfKeepsItsBitmaps) {
    const std::vector<BYTE> emf = uitest::ReadBytes(TOOLBOX_TEST_DATA "/preview/emf_bitmap.emf");
    ASSERT_FALSE(emf.empty());
    std::unique_ptr<CMetaFile> picture;
    {
        CTBMetaFilePlayer player;
        ASSERT_TRUE(player.Load(emf.data(), emf.size()));
        CMetaFileDC recorder;
        recorder.Create();
        player.Play(&recorder, CRect(0, 0, 40, 40));
        picture = recorder.Close();
    }
    ASSERT_TRUE(picture);
    // Other allocations reuse what the player freed; the picture must not read them.
    std::vector<std::unique_ptr<QImage>> others;
    for (int i = 0; i < 8; ++i) others.push_back(std::make_unique<QImage>(2, 2, QImage::Format_RGB32));
    CRecordingDC dc(40, 40);
    ASSERT_TRUE(picture->Play(&dc));
    EXPECT_TRUE(IsRed(dc.GetImage().pixel(20, 20))) << std::hex << dc.GetImage().pixel(20, 20);
}

TEST(MetaFileObjects, BitmapsGoOnceDrawnAndOneWithoutMemoryIsSkipped) {
    if (tbtest::kUnderSanitizer) GTEST_SKIP() << "address space limits and peaks mean nothing under a sanitizer";
    // 16 bitmaps of 2048 x 2048 (16 MB each in memory) drawn one after the other.
    std::vector<BYTE> records;
    for (int i = 0; i < 16; ++i) StretchDiBits(records, 2048, 2048, 0xFF0000);
    const std::vector<BYTE> many = Emf(records);
    EXPECT_EQ(tbtest::ExitCodeInChild([&] {
                  CTBMetaFilePlayer player;
                  if (!player.Load(many.data(), many.size())) return 2;
                  QImage target(100, 100, QImage::Format_ARGB32_Premultiplied);
                  CDC dc;
                  dc.AttachDevice(&target);
                  const std::size_t before = tbtest::PeakResident();
                  player.Play(&dc, CRect(0, 0, 100, 100));
                  dc.DetachDevice();
                  if (!IsRed(target.pixel(50, 50))) return 3;
                  return tbtest::PeakResident() - before < (96u << 20) ? 0 : 1;
              }),
              0);

    // A 4096 x 4096 bitmap (64 MB) where only 32 MB more can be mapped: the bitmap is
    // skipped, nothing writes through the image that could not be made.
    records.clear();
    StretchDiBits(records, 4096, 4096, 0xFF0000);
    const std::vector<BYTE> big = Emf(records);
    EXPECT_EQ(tbtest::ExitCodeInChild([&] {
                  CTBMetaFilePlayer player;
                  if (!player.Load(big.data(), big.size())) return 2;
                  CRecordingDC dc(16, 16);
                  if (!tbtest::LimitAddressSpace(32u << 20)) return 3;
                  player.Play(&dc, CRect(0, 0, 16, 16));
                  for (const CDrawRecord& r : dc.GetRecords())
                      if (r.op == CDrawRecord::DrawImage) return 5;
                  CBitmap bitmap;
                  return bitmap.CreateBitmap(4096, 4096) || bitmap.GetImage() ? 4 : 0;
              }),
              0);
}

TEST(MetaFileObjects, ADeletedObjectARestoredLevelSelectsStillDraws) {
    // Pen 0 red, selected; SaveDC; pen 1 blue selected; pen 0 deleted; RestoreDC
    // selects pen 0 again; a thick line across the middle.
    std::vector<BYTE> r;
    auto pen = [&](std::uint32_t colour) {
        Put32(r, 8), Put16(r, 0x02FA), Put16(r, 0), Put16(r, 20), Put16(r, 0), Put32(r, colour);
    };
    pen(0x0000FF);
    Put32(r, 4), Put16(r, 0x012D), Put16(r, 0);  // SELECTOBJECT 0
    Put32(r, 3), Put16(r, 0x001E);               // SAVEDC
    pen(0xFF0000);
    Put32(r, 4), Put16(r, 0x012D), Put16(r, 1);
    DeleteObject(r, 0);
    Put32(r, 4), Put16(r, 0x0127), Put16(r, 0xFFFF);           // RESTOREDC -1
    Put32(r, 5), Put16(r, 0x0214), Put16(r, 50), Put16(r, 0);    // MOVETO y x
    Put32(r, 5), Put16(r, 0x0213), Put16(r, 50), Put16(r, 100);  // LINETO y x
    const std::vector<BYTE> wmf = uitest::PlainWmf(2, r);
    CTBMetaFilePlayer player;
    ASSERT_TRUE(player.Load(wmf.data(), wmf.size()));
    CRecordingDC dc(100, 100);
    player.Play(&dc, CRect(0, 0, 100, 100));
    EXPECT_TRUE(IsRed(dc.GetImage().pixel(50, 50))) << std::hex << dc.GetImage().pixel(50, 50);
}

TEST(MetaFileObjects, AFullObjectTableFindsItsFreeSlotAtOnce) {
    // 65535 brushes fill the table; then each round deletes slot 0 and creates two
    // brushes, the second finding the table full. Against the same rounds with one
    // brush (the table never seen full) it may be a little slower, not many times.
    std::vector<BYTE> fill;
    for (int i = 0; i < 65535; ++i) CreateBrush(fill);
    std::vector<BYTE> full = fill, baseline = fill;
    for (int i = 0; i < 150000; ++i) {
        DeleteObject(full, 0), CreateBrush(full), CreateBrush(full);
        DeleteObject(baseline, 0), CreateBrush(baseline), DeleteObject(baseline, 1);
    }
    const double linear = SecondsToPlay(uitest::PlainWmf(65535, baseline));
    const double rounds = SecondsToPlay(uitest::PlainWmf(65535, full));
    ASSERT_GE(linear, 0);
    EXPECT_LT(rounds, 4 * linear + 1.0) << "baseline " << linear << " s";
}
