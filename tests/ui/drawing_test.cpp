// Clipped polylines and polygons, and text with the unit notation, drawn into a
// recording context whose calls the cases read back.
#include "ui_test_support.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include <memory>
#include <string>

namespace {

/// Clips pts at clip and returns the points and run ends as "x,y x,y | x,y" text.
std::string Clip(std::vector<POINT> pts, const CRect& clip, int polygon = 0, int baseline = 0) {
    std::vector<POINT> out(2 * pts.size() + 1);
    POINT* result = out.data();
    CUIntArray runs;
    const UINT n =
        TBCalcClippedPointArray(pts.data(), static_cast<UINT>(pts.size()), &result, runs, polygon, clip, baseline);
    std::string s;
    int run = 0;
    for (UINT i = 0; i < n; ++i) {
        if (run < runs.GetSize() && i == runs[run] && i > 0) {
            s += " |";
            ++run;
        }
        s += (i ? " " : "") + std::to_string(result[i].x) + "," + std::to_string(result[i].y);
    }
    if (n) {
        EXPECT_EQ(runs[runs.GetSize() - 1], n);
    }
    return s;
}

// Left 0, right 10, bottom 0, top 10 (y up): written with the larger y as top.
const CRect kBox(0, 10, 10, 0);

TEST(ClippedPoints, PolylineRunsBreakWhereTheLineLeavesTheBox) {
    EXPECT_EQ(Clip({{1, 1}, {5, 5}, {9, 2}}, kBox), "1,1 5,5 9,2");
    // Leaves through the right edge and comes back: two runs.
    EXPECT_EQ(Clip({{2, 2}, {5, 5}, {15, 5}, {8, 8}, {9, 9}}, kBox), "2,2 5,5 10,5 | 10,7 8,8 9,9");
    // Passes through from left to right; a vertical line through top and bottom.
    EXPECT_EQ(Clip({{-5, 5}, {15, 5}}, kBox), "0,5 10,5");
    EXPECT_EQ(Clip({{3, -20}, {3, 40}}, kBox), "3,0 3,10");
    // Starting outside and entering; the box written the other way round is the same box.
    EXPECT_EQ(Clip({{-10, 0}, {5, 5}}, CRect(0, 0, 10, 10)), "0,3 5,5");
}

TEST(ClippedPoints, NothingVisibleGivesNoPointsAndNoRunAndAMissingArrayIsAllocated) {
    std::vector<POINT> outside = {{-5, -5}, {-5, 20}, {-1, 30}, {20, 30}, {30, -40}};
    POINT* result = nullptr;
    CUIntArray runs;
    runs.Add(99);  // stale entries go
    EXPECT_EQ(TBCalcClippedPointArray(outside.data(), 5, &result, runs, 0, kBox, 0), 0u);
    EXPECT_EQ(runs.GetSize(), 0);
    delete[] result;
    // A segment that misses the corner: both ends outside on different sides.
    EXPECT_EQ(Clip({{-5, 8}, {2, 20}}, kBox), "");
    // No points, no output array and no crash.
    result = nullptr;
    EXPECT_EQ(TBCalcClippedPointArray(nullptr, 3, &result, runs, 0, kBox, 0), 0u);
    EXPECT_EQ(TBCalcClippedPointArray(outside.data(), 0, &result, runs, 0, kBox, 0), 0u);
    EXPECT_EQ(TBCalcClippedPointArray(outside.data(), 5, nullptr, runs, 0, kBox, 0), 0u);

    // Without an array of the caller's the result is allocated.
    std::vector<POINT> line = {{-5, 5}, {5, 5}, {15, 5}, {5, 8}, {5, 15}};
    result = nullptr;
    const UINT n = TBCalcClippedPointArray(line.data(), 5, &result, runs, 0, kBox, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(n, 6u);  // (0,5) (5,5) (10,5) | (10,6) (5,8) (5,10)
    ASSERT_EQ(runs.GetSize(), 2);
    EXPECT_EQ(runs[0], 3u);
    EXPECT_EQ(runs[1], 6u);
    delete[] result;
}

TEST(ClippedPoints, PolygonsFollowTheBorderTurnAtCornersAndStopAtTheBaseline) {
    // A peak above the box is cut flat along the top edge.
    EXPECT_EQ(Clip({{2, 0}, {5, 20}, {8, 0}}, kBox, 1, 0), "2,0 3,10 6,10 8,0");
    // A square round the box becomes the box's corners.
    EXPECT_EQ(Clip({{-5, -5}, {-5, 15}, {15, 15}, {15, -5}}, kBox, 1, 0), "0,0 0,10 10,10 10,0");
    // Coming down on the left side after being above: the top-left corner, then the edge.
    EXPECT_EQ(Clip({{5, 20}, {-5, 15}, {-5, 5}, {5, 5}}, kBox, 1, 0), "5,10 0,10 0,10 0,5 0,5 5,5");
    // Right of the box, then below: the bottom-right corner first.
    EXPECT_EQ(Clip({{20, 5}, {20, -5}, {5, -5}}, kBox, 1, 0), "10,5 10,0 10,0 5,0");
    // A baseline above the box drops the points above and ends the run there.
    const std::vector<POINT> plateau = {{2, 0}, {4, 20}, {6, 20}, {8, 0}};
    EXPECT_EQ(Clip(plateau, kBox, 1, 0), "2,0 3,10 6,10 7,10 8,0");
    EXPECT_EQ(Clip(plateau, kBox, 1, 20), "2,0 3,10 | 7,10 8,0");
    // The mirror case below the box with a baseline under it.
    EXPECT_EQ(Clip({{2, 10}, {4, -20}, {6, -20}, {8, 10}}, kBox, 1, -30), "2,10 2,0 | 7,0 8,10");
    // Huge coordinates stay finite.
    EXPECT_EQ(Clip({{-2000000000L, 5}, {2000000000L, 5}}, kBox), "0,5 10,5");
    EXPECT_EQ(Clip({{5, 5}, {LONG_MAX / 2, 5}}, kBox), "5,5 10,5");
    EXPECT_EQ(Clip({{-1000000000000000L, -1000000000000000L}, {1000000000000000L, 1000000000000000L}}, kBox),
              "0,0 10,10");
}

// ---------------------------------------------------------------- special text

/// Makes font a font of the given height (negative: the character height) and face.
void MakeFont(CFont& font, long height, const std::string& face = "DejaVu Sans") {
    LOGFONT lf;
    lf.lfHeight = height;
    std::strncpy(lf.lfFaceName, face.c_str(), sizeof lf.lfFaceName - 1);
    font.CreateFontIndirect(&lf);
}

/// The TextOut calls of a recording context as "x,y,text" lines.
std::vector<std::string> TextOuts(const CRecordingDC& dc) {
    std::vector<std::string> out;
    for (const CDrawRecord& r : dc.GetRecords())
        if (r.op == CDrawRecord::TextOut)
            out.push_back(std::to_string(r.args[0]) + "," + std::to_string(r.args[1]) + "," + r.text.GetString());
    return out;
}

class SpecialText : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFont(font, -14);
        dc.SelectObject(&font);
        dc.ClearRecords();
    }
    long Width(const char* s) const { return dc.GetTextExtent(CString(s)).cx; }
    CFont font;
    CRecordingDC dc{300, 200};
};

TEST_F(SpecialText, EscapesBecomeUnitSymbolsDrawnAfterThePlainText) {
    CRect r(10, 20, 290, 60);
    const int h = TBSpecialDrawText(&dc, "10 k\\Ohm\\", &r, DT_TB_NOTATION, 0);
    EXPECT_EQ(h, dc.GetTextExtent("Ag").cy);
    const std::vector<std::string> expected = {"10,20,10 k", std::to_string(10 + Width("10 k")) + ",20,\xCE\xA9"};
    EXPECT_EQ(TextOuts(dc), expected);
    dc.ClearRecords();
    TBSpecialDrawText(&dc, "5 \\mu\\m\\2super\\, 20\\degree\\C, \\AA\\ \\x\\ a\\b", &r, 0, 1);
    std::string joined;
    for (const std::string& t : TextOuts(dc)) joined += t.substr(t.find(',', t.find(',') + 1) + 1) + "|";
    EXPECT_EQ(joined, "5 |\xC2\xB5|m|\xC2\xB2|, 20|\xC2\xB0|C, |\xC3\x85| x a\\b|");
}

TEST_F(SpecialText, DollarWhereTheFontHasNoGlyph) {
    QString family;
    for (const QString& f : QFontDatabase::families()) {
        QFont q(f);
        if (QFontInfo(q).family() == f && !QFontMetrics(q).inFontUcs4(0x3A9) && QFontMetrics(q).inFontUcs4('k')) {
            family = f;
            break;
        }
    }
    if (family.isEmpty()) GTEST_SKIP() << "no installed font lacks the ohm sign";
    CFont plain;
    MakeFont(plain, -14, family.toStdString());
    dc.SelectObject(&plain);
    CRect r(0, 0, 200, 40);
    TBSpecialDrawText(&dc, "1 \\Ohm\\", &r, DT_TB_NOTATION, 0);
    ASSERT_EQ(TextOuts(dc).size(), 2u);
    EXPECT_EQ(TextOuts(dc)[1].substr(TextOuts(dc)[1].rfind(',') + 1), "$");
}

TEST_F(SpecialText, AlignmentWordBreakAndCalculatedRectangle) {
    const long line = dc.GetTextExtent("Ag").cy;
    CRect r(0, 0, 200, 100);
    TBSpecialDrawText(&dc, "right", &r, DT_TB_NOTATION | DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, 0);
    TBSpecialDrawText(&dc, "mid", &r, DT_TB_NOTATION | DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0);
    const std::vector<std::string> placed = {
        std::to_string(200 - Width("right")) + "," + std::to_string(100 - line) + ",right",
        std::to_string((200 - Width("mid")) / 2) + "," + std::to_string((100 - line) / 2) + ",mid"};
    EXPECT_EQ(TextOuts(dc), placed);

    // Broken at the last blank that fits, on two lines; the height of both is returned.
    dc.ClearRecords();
    const long narrow = Width("alpha beta") + 2;
    CRect box(0, 0, narrow, 100);
    EXPECT_EQ(TBSpecialDrawText(&dc, "alpha beta gamma", &box, DT_TB_NOTATION | DT_WORDBREAK, 0), 2 * line);
    const std::vector<std::string> broken = {"0,0,alpha beta", "0," + std::to_string(line) + ",gamma"};
    EXPECT_EQ(TextOuts(dc), broken);

    // Calculating draws nothing: one line returns its height, several their width.
    dc.ClearRecords();
    CRect calc(5, 5, 6, 6);
    EXPECT_EQ(TBSpecialDrawText(&dc, "ab\\Ohm\\", &calc, DT_TB_NOTATION | DT_CALCRECT, 0), line);
    EXPECT_EQ(calc, CRect(5, 5, 5 + Width("ab") + Width("\xCE\xA9"), 5 + line));
    CRect calc2(0, 0, 1, 1);
    EXPECT_EQ(TBSpecialDrawText(&dc, "a\r\nlonger", &calc2, DT_TB_NOTATION | DT_CALCRECT, 0), Width("longer"));
    EXPECT_EQ(calc2, CRect(0, 0, Width("longer"), 2 * line));
    EXPECT_TRUE(TextOuts(dc).empty());
}

TEST_F(SpecialText, EndEllipsisShortensTheLineUntilItFits) {
    // The shortened line just fits; the whole one is wider.
    CRect r(0, 0, Width("ABCDEFG..."), 40);
    ASSERT_GT(Width("ABCDEFGHIJ"), r.Width());
    TBSpecialDrawText(&dc, "ABCDEFGHIJ", &r, DT_TB_NOTATION | DT_END_ELLIPSIS, 0);
    ASSERT_EQ(TextOuts(dc).size(), 1u);
    EXPECT_EQ(TextOuts(dc)[0], "0,0,ABCDEFG...");
    dc.ClearRecords();
    // Narrower: repeated steps take one more character each time.
    CRect small(0, 0, Width("ABC..."), 40);
    TBSpecialDrawText(&dc, "ABCDEFGHIJ", &small, DT_TB_NOTATION | DT_END_ELLIPSIS, 0);
    EXPECT_EQ(TextOuts(dc)[0], "0,0,ABC...");
    dc.ClearRecords();
    // Nothing left to shorten ends the loop.
    CRect none(0, 0, 1, 40);
    TBSpecialDrawText(&dc, "ABCDEFGHIJ", &none, DT_TB_NOTATION | DT_END_ELLIPSIS, 0);
    EXPECT_EQ(TextOuts(dc)[0], "0,0,...");
}

TEST_F(SpecialText, PlainTextInTextModeIsTheContextsDrawText) {
    CRect r(0, 0, 100, 30);
    TBSpecialDrawText(&dc, "plain", &r, DT_CENTER, 0);
    ASSERT_EQ(dc.GetRecords().size(), 1u);
    EXPECT_EQ(dc.GetRecords()[0].op, CDrawRecord::DrawText);
}

TEST_F(SpecialText, MappedContextsAreLaidOutInLogicalUnitsWithYUp) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(1000, 1000);
    dc.SetViewportExt(200, -200);
    dc.SetViewportOrg(0, 200);
    CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
    CBrush brush(RGB(0, 255, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    dc.SelectObject(&brush);
    dc.SetTextAlign(TA_BASELINE | TA_CENTER);
    // 100 logical units are 20 pixels.
    CFont big;
    MakeFont(big, -100);
    dc.SelectObject(&big);
    dc.ClearRecords();
    const long line = dc.GetTextExtent("Ag").cy;
    CRect r(100, 900, 900, 100);  // top at the larger y
    EXPECT_EQ(TBSpecialDrawText(&dc, "one\ntwo", &r, 0, 0), 2 * line);
    const std::vector<std::string> lines = {"100,900,one", "100," + std::to_string(900 - line) + ",two"};
    EXPECT_EQ(TextOuts(dc), lines);
    // Pen, brush, font and alignment are the caller's again.
    EXPECT_EQ(dc.GetCurrentPen(), &pen);
    EXPECT_EQ(dc.GetCurrentBrush(), &brush);
    EXPECT_EQ(dc.GetCurrentFont(), &big);
    EXPECT_EQ(dc.GetTextAlign(), TA_BASELINE | TA_CENTER);
    // The text is in the image, inside the rectangle (device 20..180 both ways).
    const QImage& image = dc.GetImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ++dark;
                EXPECT_TRUE(x >= 20 && x <= 180 && y >= 20 && y <= 180) << x << "," << y;
            }
    EXPECT_GT(dark, 10);
    dc.SelectObject(oldPen);
}

}  // namespace

// ---------------------------------------------------------------- plots

namespace {

/// Every point of every Polyline record, and how many records there were.
std::vector<POINT> PolylinePoints(const CRecordingDC& dc, int* records = nullptr) {
    std::vector<POINT> points;
    int n = 0;
    for (const CDrawRecord& r : dc.GetRecords()) {
        if (r.op != CDrawRecord::Polyline) continue;
        ++n;
        for (std::size_t i = 0; i + 1 < r.args.size(); i += 2) points.push_back(POINT{r.args[i], r.args[i + 1]});
    }
    if (records) *records = n;
    return points;
}

bool HasDrawText(const CRecordingDC& dc, const char* text) {
    for (const CDrawRecord& r : dc.GetRecords())
        if ((r.op == CDrawRecord::DrawText || r.op == CDrawRecord::TextOut) && r.text == text) return true;
    return false;
}

}  // namespace

TEST(Plot, LongChannelsAreDecimatedPerColumnAndKeepTheirPeaks) {
    constexpr int n = 200000;
    std::vector<double> t(n), v(n);
    for (int i = 0; i < n; ++i) {
        t[i] = i * 5e-12;  // 0 .. 1 us
        v[i] = (i % 2 ? 1.0 : -1.0) * 1e-3;
    }
    v[123457] = 5e-3;  // one sample high above the rest
    TBPlotData data;
    data.x = {"time", "s", t.data(), n};
    data.curves.push_back({"i", "\\mu\\A", v.data(), n});
    CRecordingDC dc(600, 400);
    TBDrawPlot(&dc, CRect(0, 0, 600, 400), data);
    int records = 0;
    const std::vector<POINT> points = PolylinePoints(dc, &records);
    // Four points per pixel column at most, and the spike reaches the highest point.
    ASSERT_EQ(records, 1);
    EXPECT_LE(points.size(), 4u * 600);
    long top = 1 << 20, spikeX = 0;
    for (const POINT& p : points)
        if (p.y < top) top = p.y, spikeX = p.x;
    long plainTop = 1 << 20;
    for (const POINT& p : points)
        if (p.x != spikeX) plainTop = std::min(plainTop, p.y);
    EXPECT_LT(top + 100, plainTop);
    // Engineering-number ticks and the unit drawn in the notation.
    EXPECT_TRUE(HasDrawText(dc, "400n"));
    EXPECT_TRUE(HasDrawText(dc, "-1m") || HasDrawText(dc, "-2m"));
    EXPECT_TRUE(HasDrawText(dc, "\xC2\xB5"));
}

TEST(Plot, UnitsInAnySpellingAreDrawnWithTheirSymbols) {
    std::vector<double> v = {0, 1, 2};
    TBPlotData data;
    data.curves.push_back({"a", "degC", v.data(), 3});
    data.curves.push_back({"b", "\xC2\xB0" "C", v.data(), 3});
    CRecordingDC dc(300, 200);
    TBDrawPlot(&dc, CRect(0, 0, 300, 200), data);
    EXPECT_TRUE(HasDrawText(dc, "a ["));
    EXPECT_TRUE(HasDrawText(dc, "\xC2\xB0"));  // the degree sign drawn as a symbol
    EXPECT_FALSE(HasDrawText(dc, "a [degC]"));
    // Both curves are in one unit, so the vertical axis is labelled with it.
    EXPECT_TRUE(HasDrawText(dc, "["));
}

TEST(Plot, GapsBreakTheLineAndCurvesLeavingTheFrameAreClipped) {
    std::vector<double> v = {0, 1, 2, std::nan(""), 4, 5, HUGE_VAL, 1e300, 7};
    TBPlotData data;
    data.curves.push_back({"y", "", v.data(), static_cast<int>(v.size())});
    CRecordingDC dc(300, 200);
    TBDrawPlot(&dc, CRect(0, 0, 300, 200), data);
    int records = 0;
    for (const POINT& p : PolylinePoints(dc, &records))
        EXPECT_TRUE(p.x >= 0 && p.x <= 300 && p.y >= 0 && p.y <= 200) << p.x << "," << p.y;
    EXPECT_EQ(records, 3);  // 0..2, 4..5, 1e300..7 cut at the frame
    EXPECT_TRUE(HasDrawText(dc, "index"));
}

TEST(Plot, RendersPngAndSvgFilesOrFailsWithoutLeavingOne) {
    const QString dir = QDir::tempPath() + "/tb_plot_test";
    QDir().mkpath(dir);
    std::vector<double> v = {3, 1, 4, 1, 5, 9, 2, 6};
    TBPlotData data;
    data.curves.push_back({"pi", "V", v.data(), 8});
    CString error;
    const std::string png = (dir + "/p.png").toStdString(), svg = (dir + "/p.svg").toStdString();
    ASSERT_TRUE(TBRenderPlot(data, 320, 200, png.c_str(), &error)) << error.GetString();
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(320, 200));
    ASSERT_TRUE(TBRenderPlot(data, 320, 200, svg.c_str(), &error)) << error.GetString();
    QFile file(QString::fromStdString(svg));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<svg"));
    EXPECT_FALSE(TBRenderPlot(data, 5, 200, png.c_str(), &error));
    EXPECT_NE(error.Find("size"), -1);
    const std::string missing = (dir + "/no/such/dir/p.png").toStdString();
    EXPECT_FALSE(TBRenderPlot(data, 320, 200, missing.c_str(), &error));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(missing) + ".partial"));
    QDir(dir).removeRecursively();
}

TEST(Plot, AVisibleRangeAndAxesPerUnitPlaceEachCurveOnItsOwnScale) {
    constexpr int n = 1000;
    std::vector<double> t(n), volts(n), milliamps(n);
    for (int i = 0; i < n; ++i) {
        t[i] = i * 1e-3;
        volts[i] = 230 * std::sin(i * 0.05);
        milliamps[i] = 2 * std::sin(i * 0.05);
    }
    TBPlotData data;
    data.x = {"t", "s", t.data(), n};
    data.curves.push_back({"u", "V", volts.data(), n});
    data.curves.push_back({"i", "mA", milliamps.data(), n});
    data.axisPerUnit = TRUE;
    data.xLow = 0.25;
    data.xHigh = 0.5;
    CRecordingDC dc(600, 400);
    TBPlotLayout layout;
    TBDrawPlot(&dc, CRect(0, 0, 600, 400), data, &layout);
    ASSERT_EQ(layout.axes.size(), 2u);
    EXPECT_EQ(layout.curveAxis, (std::vector<int>{0, 1}));
    // Each axis spans its own curve: the milliamperes are not a flat line at zero volts.
    EXPECT_GT(layout.axes[0].high, 230);
    EXPECT_LT(layout.axes[1].high, 3);
    EXPECT_GT(layout.axes[1].high, 2);
    EXPECT_EQ(layout.xLow, 0.25);
    EXPECT_EQ(layout.xHigh, 0.5);
    EXPECT_TRUE(HasDrawText(dc, "300m"));  // a tick inside the visible range
    EXPECT_FALSE(HasDrawText(dc, "600m"));  // none beyond it
    // Both curves fill the frame's height, each on its scale.
    int records = 0;
    const std::vector<POINT> points = PolylinePoints(dc, &records);
    EXPECT_EQ(records, 2);
    for (const POINT& p : points) EXPECT_TRUE(p.x >= layout.frame.left && p.x <= layout.frame.right) << p.x;
    // One value axis again: the milliamperes are squeezed onto the volts' scale.
    data.axisPerUnit = FALSE;
    TBDrawPlot(&dc, CRect(0, 0, 600, 400), data, &layout);
    EXPECT_EQ(layout.axes.size(), 1u);
}
