// Sheet previews: the metafile player on WMF and EMF files LibreOffice wrote, lying
// metafiles, and compound sheet files written with libgsf holding a metafile, a GIF,
// both or neither.
#include "ui_test_support.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

namespace {

using uitest::Put16;
using uitest::Put32;

std::vector<BYTE> ReadData(const char* name) {
    return uitest::ReadBytes(std::string(TOOLBOX_TEST_DATA "/preview/") + name);
}

/// A compound file with the given streams, written by libgsf.
bool WriteCompound(const QString& path, const std::map<std::string, std::vector<BYTE>>& streams) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(path.toUtf8().constData(), &error);
    if (!file) return false;
    GsfOutfile* storage = gsf_outfile_msole_new(file);
    g_object_unref(file);
    for (const auto& [name, bytes] : streams) {
        GsfOutput* stream = gsf_outfile_new_child(storage, name.c_str(), FALSE);
        gsf_output_write(stream, bytes.size(), bytes.data());
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    gsf_output_close(GSF_OUTPUT(storage));
    g_object_unref(storage);
    return true;
}

/// The picture as an OLE picture object serialises it: "lt\0\0", the size, the data.
std::vector<BYTE> PictureObject(const std::vector<BYTE>& metafile) {
    std::vector<BYTE> out = {'l', 't', 0, 0};
    Put32(out, static_cast<std::uint32_t>(metafile.size()));
    out.insert(out.end(), metafile.begin(), metafile.end());
    return out;
}

/// The size in pixels of a picture of the given size in hundredths of a millimetre.
CSize PixelsAt(CSize himetric, long dpi) {
    return CSize((himetric.cx * dpi + 1270) / 2540, (himetric.cy * dpi + 1270) / 2540);
}

bool Near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 40 && std::abs(qGreen(pixel) - g) < 40 && std::abs(qBlue(pixel) - b) < 40;
}

/// The shapes picture (400 x 200 units) played into a 400 x 200 recording context:
/// the red circle left, the blue rectangle right, the green line at the bottom, text.
void ExpectShapes(const CTBMetaFilePlayer& player, const char* what) {
    CRecordingDC dc(400, 200);
    EXPECT_GT(player.Play(&dc, CRect(0, 0, 400, 200)), 5) << what;
    const QImage& image = dc.GetImage();
    EXPECT_TRUE(Near(image.pixel(100, 100), 208, 32, 32)) << what << " circle " << std::hex << image.pixel(100, 100);
    EXPECT_TRUE(Near(image.pixel(300, 120), 32, 64, 208)) << what << " rectangle " << std::hex << image.pixel(300, 120);
    EXPECT_TRUE(Near(image.pixel(8, 8), 255, 255, 255)) << what << " background";
    // The line's stroke and the circle's outline (LibreOffice writes both as polygons).
    bool green = false, outline = false;
    for (int y = 185; y < 200; ++y) green = green || Near(image.pixel(200, y), 0, 160, 0);
    for (int y = 5; y < 40; ++y) outline = outline || Near(image.pixel(93, y), 0, 0, 0);
    EXPECT_TRUE(green) << what;
    EXPECT_TRUE(outline) << what;
    bool text = false;
    for (const CDrawRecord& r : dc.GetRecords())
        if (r.op == CDrawRecord::TextOut && CString(r.text).Find("VELT") >= 0) text = true;
    EXPECT_TRUE(text) << what;
}

}  // namespace

TEST(MetaFilePlayer, PlaysWmfAndEmfThatLibreOfficeWrote) {
    const std::vector<BYTE> wmf = ReadData("shapes.wmf"), emf = ReadData("shapes.emf");
    ASSERT_FALSE(wmf.empty());
    ASSERT_FALSE(emf.empty());
    CTBMetaFilePlayer player;
    ASSERT_TRUE(player.Load(wmf.data(), wmf.size()));
    EXPECT_EQ(player.GetKind(), CTBMetaFilePlayer::PlaceableWmf);
    // The drawing's bounds: 99.62 by 46.70 mm (2540 units an inch).
    EXPECT_EQ(player.GetHimetricSize(), CSize(9962, 4670));
    ExpectShapes(player, "placeable WMF");
    // Without its placeable header: the window records give the extent.
    ASSERT_TRUE(player.Load(wmf.data() + 22, wmf.size() - 22));
    EXPECT_EQ(player.GetKind(), CTBMetaFilePlayer::PlainWmf);
    ExpectShapes(player, "plain WMF");
    ASSERT_TRUE(player.Load(emf.data(), emf.size()));
    EXPECT_EQ(player.GetKind(), CTBMetaFilePlayer::Emf);
    EXPECT_NEAR(player.GetHimetricSize().cx, 9962, 2);
    EXPECT_NEAR(player.GetHimetricSize().cy, 4670, 2);
    ExpectShapes(player, "EMF");
    // Inside a serialised picture object.
    const std::vector<BYTE> object = PictureObject(emf);
    ASSERT_TRUE(player.Load(object.data(), object.size()));
    EXPECT_EQ(player.GetKind(), CTBMetaFilePlayer::Emf);
}

TEST(MetaFilePlayer, LyingMetafilesAreRejectedOrStopSafely) {
    CTBMetaFilePlayer player;
    const BYTE text[] = "not a metafile at all, just some text";
    EXPECT_FALSE(player.Load(text, sizeof text));
    EXPECT_TRUE(player.IsEmpty());
    EXPECT_FALSE(player.Load(nullptr, 10));
    const std::vector<BYTE> object = {'l', 't', 0, 0, 0xFF, 0xFF, 0, 0, 1, 2};  // size beyond the data
    EXPECT_FALSE(player.Load(object.data(), object.size()));

    // Truncations at every length of a real file load or fail, and play without harm.
    const std::vector<BYTE> wmf = ReadData("shapes.wmf"), emf = ReadData("shapes.emf");
    CRecordingDC dc(40, 20);
    for (const std::vector<BYTE>* file : {&wmf, &emf})
        for (std::size_t n = 0; n < file->size(); n += 97)
            if (player.Load(file->data(), n)) player.Play(&dc, CRect(0, 0, 40, 20));

    // A plain WMF whose polygon claims 30000 points in a 5-word record, then a record
    // of a huge size: both end safely (after the window record and the polygon).
    std::vector<BYTE> records;
    Put32(records, 5), Put16(records, 0x0324), Put16(records, 30000), Put16(records, 1), Put16(records, 2);
    Put32(records, 0xFFFFFFFF), Put16(records, 0x0325);  // size beyond the file
    const std::vector<BYTE> lying = uitest::PlainWmf(4, records);
    ASSERT_TRUE(player.Load(lying.data(), lying.size()));
    dc.ClearRecords();
    EXPECT_EQ(player.Play(&dc, CRect(0, 0, 40, 20)), 2);
    for (const CDrawRecord& r : dc.GetRecords()) EXPECT_NE(r.op, CDrawRecord::Polygon);
}

TEST(SheetPreview, FitsPicturesCentredKeepingTheirShape) {
    EXPECT_EQ(CTBSheetPreview::FitRect(CSize(200, 100), CRect(0, 0, 100, 100)), CRect(0, 25, 100, 75));
    EXPECT_EQ(CTBSheetPreview::FitRect(CSize(50, 50), CRect(0, 0, 200, 100)), CRect(50, 0, 150, 100));
    EXPECT_EQ(CTBSheetPreview::FitRect(CSize(0, 50), CRect(0, 0, 200, 100)).Width(), 0);
}

TEST(SheetPreview, LoadsTheMetafileOrTheGifOfACompoundFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<BYTE> wmf = PictureObject(ReadData("shapes.wmf")), gif = ReadData("halves.gif");
    ASSERT_FALSE(gif.empty());
    const QString metafileSheet = dir.filePath("m.vsh"), gifSheet = dir.filePath("g.vsh"),
                  bothSheet = dir.filePath("b.vsh"), noneSheet = dir.filePath("n.vsh");
    ASSERT_TRUE(WriteCompound(metafileSheet, {{"MetaFileImage", wmf}, {"Contents", {1, 2, 3}}}));
    ASSERT_TRUE(WriteCompound(gifSheet, {{"QuickViewImage", gif}}));
    ASSERT_TRUE(WriteCompound(bothSheet, {{"QuickViewImage", gif}, {"MetaFileImage", wmf}}));
    ASSERT_TRUE(WriteCompound(noneSheet, {{"Contents", {1, 2, 3}}}));

    CTBSheetPreview preview;
    ASSERT_TRUE(preview.LoadPreview(metafileSheet.toUtf8().constData()));
    EXPECT_TRUE(preview.IsMetaFileImage());
    EXPECT_FALSE(preview.IsGifImage());
    EXPECT_EQ(preview.GetPixelSize(), PixelsAt(preview.GetHimetricSize(), 96));
    // 400 x 200 into 200 x 200: 200 x 100, 50 pixels above and below.
    CRecordingDC dc(200, 200);
    preview.Display(&dc, CRect(0, 0, 200, 200));
    EXPECT_TRUE(Near(dc.GetImage().pixel(50, 100), 208, 32, 32));
    EXPECT_TRUE(Near(dc.GetImage().pixel(150, 110), 32, 64, 208));
    EXPECT_TRUE(Near(dc.GetImage().pixel(100, 20), 255, 255, 255));

    ASSERT_TRUE(preview.LoadPreview(gifSheet.toUtf8().constData()));
    EXPECT_TRUE(preview.IsGifImage());
    // 80 x 40 grows to 160 x 80 in a 160 x 160 target, 40 pixels from the top.
    CRecordingDC gifDc(160, 160);
    preview.Display(&gifDc, CRect(0, 0, 160, 160));
    const QImage& image = gifDc.GetImage();
    EXPECT_TRUE(Near(image.pixel(40, 80), 208, 32, 32));
    EXPECT_TRUE(Near(image.pixel(120, 80), 32, 64, 208));
    EXPECT_TRUE(Near(image.pixel(40, 43), 32, 64, 208));  // the band at the top
    EXPECT_TRUE(Near(image.pixel(40, 30), 255, 255, 255));

    const CTBSheetPreview copy = preview;  // shares the picture
    EXPECT_TRUE(copy.IsGifImage());
    ASSERT_TRUE(preview.LoadPreview(bothSheet.toUtf8().constData()));
    EXPECT_TRUE(preview.IsMetaFileImage());
    EXPECT_TRUE(copy.IsGifImage());

    EXPECT_FALSE(preview.LoadPreview(noneSheet.toUtf8().constData()));
    EXPECT_TRUE(preview.IsEmpty());
    const std::string plain = (dir.path() + "/plain.txt").toStdString();
    uitest::WriteFile(plain, "just text");
    EXPECT_FALSE(preview.LoadPreview(plain.c_str()));
    EXPECT_FALSE(preview.LoadPreview((dir.path() + "/missing").toUtf8().constData()));
    EXPECT_FALSE(preview.LoadPreview(nullptr));
    CRecordingDC empty(10, 10);
    preview.Display(&empty, CRect(0, 0, 10, 10));
    EXPECT_TRUE(empty.GetRecords().empty());
}

TEST(MetaFilePlayer, StretchesDeviceIndependentBitmaps) {
    // A plain WMF: window 20 x 20, then STRETCHDIB of a 2 x 2 24-bit bitmap over it.
    std::vector<BYTE> r;
    Put32(r, 3 + 11 + 28), Put16(r, 0x0F43), Put32(r, 0x00CC0020);
    for (std::uint16_t w : {0, 2, 2, 0, 0, 20, 20, 0, 0}) Put16(r, w);
    Put32(r, 40), Put32(r, 2), Put32(r, 2), Put16(r, 1), Put16(r, 24);
    for (int i = 0; i < 6; ++i) Put32(r, 0);
    // Rows bottom-up, blue green red order, padded to 4 bytes: blue, white / red, green.
    for (BYTE b : {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}) r.push_back(b);
    std::vector<BYTE> wmf = uitest::PlainWmf(0, r, 20);
    CTBMetaFilePlayer player;
    ASSERT_TRUE(player.Load(wmf.data(), wmf.size()));
    CRecordingDC dc(40, 40);
    EXPECT_EQ(player.Play(&dc, CRect(0, 0, 40, 40)), 2);
    const QImage& image = dc.GetImage();
    EXPECT_TRUE(Near(image.pixel(10, 10), 255, 0, 0));
    EXPECT_TRUE(Near(image.pixel(30, 10), 0, 255, 0));
    EXPECT_TRUE(Near(image.pixel(10, 30), 0, 0, 255));
    EXPECT_TRUE(Near(image.pixel(30, 30), 255, 255, 255));
    // The same record claiming a bitmap larger than its bytes draws nothing.
    wmf[18 + 10 + 6 + 22 + 8] = 200;  // the bitmap's height
    ASSERT_TRUE(player.Load(wmf.data(), wmf.size()));
    CRecordingDC lied(40, 40);
    player.Play(&lied, CRect(0, 0, 40, 40));
    for (const CDrawRecord& r : lied.GetRecords()) EXPECT_NE(r.op, CDrawRecord::DrawImage);
}

// The pixel size follows the screen's logical dpi. The check runs in a child process of
// this program on an offscreen screen of 144 dpi (a platform setting fixed at start).
TEST(SheetPreview, PixelSizeFollowsTheScreensLogicalDpi) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sheet = dir.filePath("m.vsh");
    ASSERT_TRUE(WriteCompound(sheet, {{"MetaFileImage", PictureObject(ReadData("shapes.wmf"))}}));
    if (qEnvironmentVariableIsSet("TB_PREVIEW_DPI_CHILD")) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(qRound(screen->logicalDotsPerInchY()), 144) << "the screen setting did not take";
        CTBSheetPreview preview;
        ASSERT_TRUE(preview.LoadPreview(sheet.toUtf8().constData()));
        EXPECT_EQ(preview.GetPixelSize(), PixelsAt(preview.GetHimetricSize(), 144));
        return;
    }
    const QString config = dir.filePath("screen.json");
    uitest::WriteFile(config.toStdString(), R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1280, "height": 1024,
                   "logicalDpi": 144, "logicalBaseDpi": 96, "dpr": 1}]})");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    env.insert("QT_ENABLE_HIGHDPI_SCALING", "0");
    env.insert("TB_PREVIEW_DPI_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SheetPreview.PixelSizeFollowsTheScreensLogicalDpi"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const std::string out = child.readAllStandardOutput().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;  // the check ran there
}
