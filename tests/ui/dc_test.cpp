// Device contexts: the calls a recording context keeps, mapping modes, saved states,
// text layout, and pixels where they are the point.
#include "ui_test_support.h"

#include <QImage>

namespace {

/// Counts the pixels of image in rect that have colour.
int CountPixels(const QImage& image, const QRect& rect, const QColor& colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

/// The bounding box of the pixels that are not white.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white)) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST(RecordingDC, KeepsEveryCallWithItsArgumentsInOrder) {
    CRecordingDC dc;
    CPen pen(PS_DASH, 2, RGB(255, 0, 0));
    CPen* old = dc.SelectObject(&pen);
    ASSERT_NE(old, nullptr);
    dc.MoveTo(1, 2);
    dc.LineTo(30, 40);
    const POINT pts[] = {{0, 0}, {5, 5}, {10, 0}};
    dc.Polyline(pts, 3);
    EXPECT_FALSE(dc.Polyline(pts, 1));  // too few points: nothing is kept
    dc.SelectObject(old);
    dc.TextOut(3, 4, "Hi");
    EXPECT_EQ(dc.GetRecordsText(),
              "SelectPen(1,2,#0000ff)\nMoveTo(1,2)\nLineTo(30,40)\nPolyline(0,0,5,5,10,0)\n"
              "SelectPen(0,1,#000000)\nTextOut(3,4,\"Hi\")\n");
    EXPECT_EQ(dc.GetRecordsText(true), "LineTo(30,40)\nPolyline(0,0,5,5,10,0)\nTextOut(3,4,\"Hi\")\n");
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(30, 40));
}

TEST(RecordingDC, SaveAndRestoreBringBackTheWholeState) {
    CRecordingDC dc;
    CBrush red(RGB(255, 0, 0));
    dc.SetTextColor(RGB(1, 2, 3));
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SelectObject(&red);
    dc.SetTextColor(RGB(9, 9, 9));
    dc.SetMapMode(MM_LOMETRIC);
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SetBkMode(TRANSPARENT);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetMapMode(), MM_LOMETRIC);
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_NE(dc.GetCurrentBrush(), &red);
    EXPECT_FALSE(dc.RestoreDC(1));  // nothing saved any more
    EXPECT_FALSE(dc.RestoreDC(-1));
}

TEST(RecordingDC, MappingModesTurnLogicalIntoDevicePoints) {
    CRecordingDC dc;
    // Low metric: 0.1 mm units, y upwards, 96 pixels per inch.
    dc.SetMapMode(MM_LOMETRIC);
    POINT p{254, -254};
    dc.LPtoDP(&p);
    EXPECT_EQ(CPoint(p.x, p.y), CPoint(96, 96));
    // Anisotropic: both axes scale freely.
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(100, 100);
    dc.SetViewportExt(200, -50);
    dc.SetViewportOrg(10, 60);
    POINT q{50, 40};
    dc.LPtoDP(&q);
    EXPECT_EQ(CPoint(q.x, q.y), CPoint(110, 40));
    dc.DPtoLP(&q);
    EXPECT_EQ(CPoint(q.x, q.y), CPoint(50, 40));
    // Isotropic: the larger viewport extent shrinks to keep one scale.
    dc.SetMapMode(MM_ISOTROPIC);
    dc.SetWindowExt(100, 100);
    dc.SetViewportExt(200, -50);
    EXPECT_EQ(dc.GetViewportExt(), CSize(50, -50));
    // Extents are ignored outside the two scalable modes, and zero extents always.
    dc.SetMapMode(MM_TEXT);
    dc.SetWindowExt(7, 7);
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
}

TEST(RecordingDC, BrushesFillShapesWithoutTheirRightAndBottomEdgesHatchesOnTheBackground) {
    // A rectangle filled with brush and no outline, on a green background colour.
    auto filled = [](CBrush& brush, int right, int bottom) {
        CRecordingDC dc(40, 40);
        CPen none(PS_NULL, 0, 0);
        dc.SelectObject(&brush);
        dc.SelectObject(&none);
        dc.SetBkColor(RGB(0, 255, 0));
        dc.Rectangle(0, 0, right, bottom);
        return dc.GetImage().copy();
    };
    CBrush blue(RGB(0, 0, 255));
    const QImage solid = filled(blue, 20, 20);
    EXPECT_EQ(solid.pixelColor(10, 10), QColor(0, 0, 255));
    EXPECT_EQ(solid.pixelColor(20, 15), QColor(Qt::white));
    EXPECT_EQ(solid.pixelColor(15, 20), QColor(Qt::white));

    CBrush horizontal(HS_HORIZONTAL, RGB(255, 0, 0));
    const QImage hatched = filled(horizontal, 33, 33);
    const QRect inside(2, 2, 24, 24);
    const int red = CountPixels(hatched, inside, QColor(255, 0, 0));
    EXPECT_GT(red, 0);
    EXPECT_GT(CountPixels(hatched, inside, QColor(0, 255, 0)), red);  // thin lines on the background
    // A horizontal hatch: every row is all one colour.
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        EXPECT_EQ(hatched.pixelColor(inside.left(), y), hatched.pixelColor(inside.right(), y)) << y;
    CBrush bad;
    EXPECT_FALSE(bad.CreateHatchBrush(6, 0));

    // Diagonal hatches fall and rise as named: count the hatch pixels whose neighbour
    // down-right (falling) or up-right (rising) is one too.
    auto diagonalRuns = [&](int hatch) {
        CBrush brush(hatch, RGB(255, 0, 0));
        const QImage image = filled(brush, 40, 40);
        int falling = 0, rising = 0;
        for (int y = 5; y < 30; ++y)
            for (int x = 5; x < 30; ++x) {
                if (image.pixelColor(x, y) != QColor(255, 0, 0)) continue;
                if (image.pixelColor(x + 1, y + 1) == QColor(255, 0, 0)) ++falling;
                if (image.pixelColor(x + 1, y - 1) == QColor(255, 0, 0)) ++rising;
            }
        return std::make_pair(falling, rising);
    };
    const auto forward = diagonalRuns(HS_FDIAGONAL);
    EXPECT_GT(forward.first, 4 * forward.second + 10);
    const auto backward = diagonalRuns(HS_BDIAGONAL);
    EXPECT_GT(backward.second, 4 * backward.first + 10);
}

TEST(RecordingDC, TextAlignmentPlacesTheReferencePoint) {
    CRecordingDC dc(200, 60);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
    dc.TextOut(150, 40, "Text");
    const QRect box = InkBox(dc.GetImage());
    ASSERT_TRUE(box.isValid());
    EXPECT_LE(box.right(), 150);
    EXPECT_GE(box.right(), 145);
    EXPECT_LE(box.bottom(), 40);  // no descenders in "Text": ink ends on the baseline
    EXPECT_GE(box.bottom(), 38);
    const CSize extent = dc.GetTextExtent("Text");
    EXPECT_NEAR(box.width(), extent.cx, 3);
}

TEST(RecordingDC, DrawTextCalculatesBreaksAndShortensLines) {
    CRecordingDC dc(300, 200);
    const CSize one = dc.GetTextExtent("word");
    CRect calc(0, 0, 1000, 0);
    const int height = dc.DrawText("one line", &calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.Height(), height);
    EXPECT_EQ(calc.right, dc.GetTextExtent("one line").cx);
    EXPECT_TRUE(dc.GetRecordsText(true).Find("DrawText") >= 0);
    // Word break: three words into a width of a little more than one word.
    CRect narrow(0, 0, one.cx + 5, 0);
    const int lines = dc.DrawText("word word word", &narrow, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(lines, 3 * one.cy);
    // The end ellipsis keeps the text within the rectangle.
    dc.ClearRecords();
    dc.SetBkMode(TRANSPARENT);
    CRect box(10, 10, 10 + one.cx * 2, 30);
    dc.DrawText("a rather long caption for a small box", &box, DT_SINGLELINE | DT_END_ELLIPSIS);
    const QRect ink = InkBox(dc.GetImage());
    ASSERT_TRUE(ink.isValid());
    EXPECT_LE(ink.right(), box.right);
    // Prefix characters are not drawn; "&&" stays one ampersand.
    CRect prefix(0, 0, 1000, 0);
    dc.DrawText("&Save", &prefix, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefix.right, dc.GetTextExtent("Save").cx);
}

TEST(MetaFile, PlaysBackTheRecordedCallsIntoAnotherContext) {
    CMetaFileDC meta;
    ASSERT_TRUE(meta.Create());
    CPen green(PS_SOLID, 1, RGB(0, 255, 0));
    meta.SelectObject(&green);
    meta.MoveTo(0, 5);
    meta.LineTo(20, 5);
    meta.SetTextColor(RGB(0, 0, 255));
    std::unique_ptr<CMetaFile> picture = meta.Close();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(meta.Close(), nullptr);
    CRecordingDC target(30, 10);
    target.SetTextColor(RGB(1, 1, 1));
    target.ClearRecords();
    EXPECT_TRUE(picture->Play(&target));
    EXPECT_EQ(target.GetRecordsText(),
              "SaveDC()\nSelectPen(0,1,#00ff00)\nMoveTo(0,5)\nLineTo(20,5)\nSetTextColor(#ff0000)\nRestoreDC(1)\n");
    // The picture was drawn, and the target's own state is back.
    EXPECT_EQ(target.GetImage().pixelColor(10, 5), QColor(0, 255, 0));
    EXPECT_EQ(target.GetTextColor(), RGB(1, 1, 1));
}

TEST(MemoryDC, BitBltCopiesTheSelectedBitmap) {
    CRecordingDC screen(20, 20);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 8, 8));
    EXPECT_FALSE(bitmap.CreateBitmap(0, 5));
    memory.SelectObject(&bitmap);
    memory.FillSolidRect(0, 0, 8, 8, RGB(255, 128, 0));
    EXPECT_TRUE(screen.BitBlt(4, 4, 8, 8, &memory, 0, 0));
    EXPECT_FALSE(screen.BitBlt(0, 0, 20, 20, &memory, 0, 0));  // beyond the bitmap
    EXPECT_EQ(screen.GetImage().pixelColor(6, 6), QColor(255, 128, 0));
    EXPECT_EQ(screen.GetImage().pixelColor(2, 2), QColor(Qt::white));
}

TEST(Fonts, LogFontHeightsBecomePixelSizes) {
    CRecordingDC dc(100, 40);
    CFont font;
    LOGFONT lf;
    lf.lfHeight = -20;
    lf.lfWeight = 700;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    CFont* old = dc.SelectObject(&font);
    TEXTMETRIC tm;
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    EXPECT_GE(tm.tmHeight, 20);
    EXPECT_LE(tm.tmHeight, 26);
    EXPECT_EQ(tm.tmWeight, 700);
    const CSize big = dc.GetTextExtent("M");
    dc.SelectObject(old);
    EXPECT_GT(big.cy, dc.GetTextExtent("M").cy);
}

TEST(BitmapToIcon, TheTransparentColourBecomesSeeThroughBlack) {
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(4, 4));
    bitmap.GetImage()->fill(QColor(255, 0, 255));
    bitmap.GetImage()->setPixel(1, 1, qRgb(200, 0, 0));
    // No colour given: the top-left pixel's colour is the transparent one.
    HICON icon = TBBitmapToIcon(nullptr, &bitmap, 0xFFFFFFFF);
    ASSERT_NE(icon, nullptr);
    const QImage* image = TBGetIconImage(icon);
    EXPECT_EQ(image->pixel(0, 0), 0u);
    EXPECT_EQ(image->pixel(1, 1), qRgb(200, 0, 0));
    EXPECT_TRUE(DestroyIcon(icon));
    icon = TBBitmapToIcon(nullptr, &bitmap, RGB(200, 0, 0));
    EXPECT_EQ(TBGetIconImage(icon)->pixel(1, 1), 0u);
    EXPECT_EQ(TBGetIconImage(icon)->pixel(3, 3), qRgb(255, 0, 255));
    DestroyIcon(icon);
    CBitmap empty;
    EXPECT_EQ(TBBitmapToIcon(nullptr, &empty, 0), nullptr);
}
