// Drawing symbols: loading the symbol text, the element lines and their statuses, and
// drawing into a recording context (mapping, levels, pins, freed objects).
#include "ui_test_support.h"

#include <memory>
#include <string>

namespace {

int Load(CTBDrawSymbol& symbol, const char* text) {
    CString s(text);
    return symbol.LoadSymbols(s);
}

/// The status of one element line loaded into a fresh element of type T.
template <class T>
WORD Status(const char* line, std::unique_ptr<T>* keep = nullptr) {
    auto element = std::make_unique<T>();
    const WORD status = element->Load(nullptr, CString(line));
    if (keep) *keep = std::move(element);
    return status;
}

std::string Texts(const CRecordingDC& dc) {
    std::string s;
    for (const CDrawRecord& r : dc.GetRecords())
        if (r.op == CDrawRecord::TextOut) s += std::string(r.text.GetString()) + ";";
    return s;
}

}  // namespace

TEST(DrawSymbol, LoadsTheHeaderAndOneElementPerLine) {
    CTBDrawSymbol symbol;
    ASSERT_EQ(Load(symbol, "S 20,10 x 3\r\nL 0,0 20,0 20,10"), 1);
    EXPECT_EQ(symbol.GetSymbolSize(), CSize(20, 10));
    EXPECT_EQ(symbol.GetCurMask(), 3);
    EXPECT_EQ(symbol.GetItemRect(), CRect(0, 10, 20, 0));
    ASSERT_EQ(symbol.GetCount(), 1);
    auto* poly = dynamic_cast<CTBDrawSymbolPoly*>(symbol.GetAt(0));
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->m_points.size(), 3u);

    EXPECT_EQ(Load(symbol, "X 20,10 x\r\nL 0,0 1,1"), 0);
    EXPECT_EQ(symbol.GetCount(), 0);
    EXPECT_EQ(Load(symbol, "S 20,10"), 40963);
    EXPECT_EQ(Load(symbol, "S 20 x 1"), 40963);
    EXPECT_EQ(Load(symbol, "s 4,4 x 259\nl 0,0 1,1"), 1);  // either case, LF alone, mask cut to 8 bits
    EXPECT_EQ(symbol.GetCurMask(), 3);
    // Comment lines are skipped; an empty line ends the symbol; a bad line stops
    // loading with what came before kept.
    EXPECT_EQ(Load(symbol, "S 9,9 x\r\nC anything\r\nu\r\nL 0,0 1,1\r\n\r\nW 1,1"), 1);
    EXPECT_EQ(symbol.GetCount(), 1);
    EXPECT_EQ(Load(symbol, "S 9,9 x\r\nL 0,0 1,1\r\nW 1,1\r\nL 2,2 3,3"), 0);
    EXPECT_EQ(symbol.GetCount(), 1);
    EXPECT_EQ(Load(symbol, "S 9,9 x\r\n1 0,0"), 0);
    EXPECT_EQ(Load(symbol, "S 9,9 x\r\nT 1,1 \"open"), 0);
}

TEST(DrawSymbol, ElementLinesAndTheirStatuses) {
    std::unique_ptr<CTBDrawSymbolPoly> poly;
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("D 0,0 10,10", &poly), TBSYM_OK);
    ASSERT_EQ(poly->m_points.size(), 5u);
    EXPECT_EQ(poly->m_points[4].x, 0);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("K 0,0 10,10", &poly), TBSYM_OK);
    EXPECT_EQ(poly->m_points.size(), 4u);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("G 1,1 x 2,2 3,3", &poly), TBSYM_OK);  // no comma: not a point
    EXPECT_EQ(poly->m_points.size(), 3u);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("X 1,1"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("L 1,a"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("L 99999999999,1"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolPoly>("D 0,0"), TBSYM_MISSING_FIELD);
    EXPECT_EQ(Status<CTBDrawSymbolArc>("A 0,0,10,10 0,5 10,5"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolArc>("A 0,0,10 0,5 10,5"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolArc>("I 0,0,10,10 0,5"), TBSYM_MISSING_FIELD);
    std::unique_ptr<CTBDrawSymbolAction> action;
    EXPECT_EQ(Status<CTBDrawSymbolAction>("E 10,10 0,0 70000 300 \"go to\"", &action), TBSYM_OK);
    EXPECT_EQ(action->m_area, CRect(0, 0, 10, 10));
    EXPECT_EQ(action->m_number, 70000u);
    EXPECT_EQ(action->m_flag, 300 % 256);
    EXPECT_EQ(action->m_text, "go to");
    std::unique_ptr<CTBDrawSymbolFont> font;
    EXPECT_EQ(
        Status<CTBDrawSymbolFont>("F -12 0 0 0 700 1 0 0 0 0 0 0 0 \"A face name longer than thirty-one\"", &font),
        TBSYM_OK);
    EXPECT_EQ(font->m_font.lfHeight, -12);
    EXPECT_EQ(font->m_font.lfWeight, 700);
    EXPECT_EQ(std::string(font->m_font.lfFaceName).size(), 31u);
    EXPECT_EQ(Status<CTBDrawSymbolFont>("F"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolFont>("F -12 0 0"), TBSYM_MISSING_FIELD);
    EXPECT_EQ(Status<CTBDrawSymbolPen>("N 0 2 255"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolPen>("N 9 2 255"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolBrush>("B 2 255 5"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolBrush>("B 2 255 9"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolColor>("R 1 255"), TBSYM_MISSING_FIELD);
    EXPECT_EQ(Status<CTBDrawSymbolTextRef>("Q 1,1"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolTextRef>("H 1,1"), TBSYM_MISSING_FIELD);
    EXPECT_EQ(Status<CTBDrawSymbolLevel>("M -1 1"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolBitmap>("Z 1 0,0 4,4"), TBSYM_OK);
    EXPECT_EQ(Status<CTBDrawSymbolBitmap>("Z 2 0,0 4,4"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolText>("T 1,1 unquoted"), TBSYM_BAD_VALUE);
    EXPECT_EQ(Status<CTBDrawSymbolPin>("P 0,0 10,0 1 \"a\""), TBSYM_MISSING_FIELD);
}

TEST(DrawSymbol, PinArrowheadsPointAwayFromTheInnerEnd) {
    struct Case {
        const char* line;
        POINT back1, back2;
    } cases[] = {
        {"P 0,0 10,0 1 \"a\" 1", {5, 5}, {5, -5}},    // x2 > x1
        {"P 10,0 0,0 1 \"a\" 1", {5, 5}, {5, -5}},    // x2 < x1
        {"P 0,0 0,10 1 \"a\" 1", {5, 5}, {-5, 5}},    // up
        {"P 0,10 0,0 1 \"a\" 1", {5, 5}, {-5, 5}},    // down
        {"P 3,3 3,3 1 \"a\" 1", {-2, 8}, {-2, -2}},   // one point: as x2 > x1
        {"P 0,0 10,30 1 \"a\" 1", {5, 35}, {5, 25}},  // slanted: by x only
    };
    for (const Case& c : cases) {
        std::unique_ptr<CTBDrawSymbolPin> pin;
        ASSERT_EQ(Status<CTBDrawSymbolPin>(c.line, &pin), TBSYM_OK) << c.line;
        EXPECT_EQ(CPoint(pin->m_arrow[0].x, pin->m_arrow[0].y), pin->m_to) << c.line;
        EXPECT_EQ(CPoint(pin->m_arrow[1].x, pin->m_arrow[1].y), CPoint(c.back1.x, c.back1.y)) << c.line;
        EXPECT_EQ(CPoint(pin->m_arrow[2].x, pin->m_arrow[2].y), CPoint(c.back2.x, c.back2.y)) << c.line;
    }
    std::unique_ptr<CTBDrawSymbolPin> pin;
    ASSERT_EQ(Status<CTBDrawSymbolPin>("P 0,0 10,0 0 \"hidden\" 1", &pin), TBSYM_OK);
    EXPECT_FALSE(pin->m_visible);
    pin->Offset(1, 2);
    EXPECT_EQ(pin->m_arrow[1].x, 6);
    EXPECT_EQ(pin->m_arrow[1].y, 7);
}

TEST(DrawSymbol, LevelsShowWhatTheMaskAllows) {
    CTBDrawSymbol symbol;
    ASSERT_EQ(Load(symbol,
                   "S 40,20 x 1\r\nM 2 1\r\nT 10,10 \"second\"\r\nM 1\r\nT 10,10 \"first\"\r\n"
                   "M 0\r\nT 10,10 \"always\""),
              1);
    CRecordingDC dc(200, 100);
    CRect frame(0, 0, 200, 100);
    symbol.Draw(&dc, &frame);
    EXPECT_EQ(Texts(dc), "first;always;");
    dc.ClearRecords();
    symbol.SetCurMask(2);
    symbol.Draw(&dc, nullptr);  // the last frame again
    EXPECT_EQ(Texts(dc), "second;always;");
}

TEST(DrawSymbol, DrawsScaledCentredYUpAndFreesWhatItMade) {
    CTBDrawSymbol symbol;
    ASSERT_EQ(Load(symbol,
                   "S 20,10 x\r\nR 1 255 255\r\nK 0,0 20,10\r\nN 0 3 16711680\r\nP 0,5 -5,5 1 \"a\" 1\r\n"
                   "F -8 0 0 0 400 0 0 0 0 0 0 0 0 \"DejaVu Sans\"\r\nT 10,2 \"x\""),
              1);
    CRecordingDC dc(300, 100);
    CPen* pen = dc.GetCurrentPen();
    CBrush* brush = dc.GetCurrentBrush();
    CFont* font = dc.GetCurrentFont();
    CRect frame(0, 0, 300, 100);
    symbol.Draw(&dc, &frame);
    EXPECT_EQ(symbol.GetFrameRect(), frame);
    EXPECT_EQ(symbol.GetItemRect(), CRect(0, 0, 20, -10));
    // 30 by 20 units (5 of margin all round) into 300 by 100: 5 pixels a unit, 150
    // pixels wide, centred; the symbol's origin 5 units in from the bottom left.
    const CString calls = dc.GetRecordsText();
    EXPECT_NE(calls.Find("SetMapMode(7)"), -1);
    EXPECT_NE(calls.Find("SetWindowExt(30,20)"), -1);
    EXPECT_NE(calls.Find("SetWindowOrg(-5,-5)"), -1);
    EXPECT_NE(calls.Find("SetViewportOrg(75,100)"), -1) << calls.GetString();
    EXPECT_NE(calls.Find("SetTextAlign(30)"), -1);
    const QImage& image = dc.GetImage();
    EXPECT_EQ(image.pixel(120, 40), qRgb(255, 0, 0));     // inside the filled rectangle
    EXPECT_EQ(image.pixel(80, 20), qRgb(255, 255, 255));  // the margin
    EXPECT_EQ(image.pixel(92, 36), qRgb(0, 0, 255));      // the blue pin's arrowhead
    EXPECT_EQ(image.pixel(60, 50), qRgb(255, 255, 255));  // beyond the frame's picture
    // Everything made while drawing is gone and the context is as before.
    EXPECT_EQ(CTBDrawSymbol::GetCreatedObjectCount(), 0);
    EXPECT_EQ(dc.GetCurrentPen(), pen);
    EXPECT_EQ(dc.GetCurrentBrush(), brush);
    EXPECT_EQ(dc.GetCurrentFont(), font);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
}

TEST(DrawSymbol, InflatingMovesElementsAndListEditing) {
    CTBDrawSymbol symbol;
    ASSERT_EQ(Load(symbol, "S 20,10 x\r\nL 0,0 20,10\r\nA 0,0,10,10 0,5 10,5\r\nT 1,2 \"t\""), 1);
    symbol.InflateSymArea(CRect(2, 3, 4, 5));
    EXPECT_EQ(symbol.GetItemRect(), CRect(-2, 13, 24, -5));
    EXPECT_EQ(symbol.GetSymbolSize(), CSize(26, 18));
    auto* poly = dynamic_cast<CTBDrawSymbolPoly*>(symbol.GetAt(0));
    EXPECT_EQ(poly->m_points[1].x, 22);
    EXPECT_EQ(poly->m_points[1].y, 15);
    auto* arc = dynamic_cast<CTBDrawSymbolArc*>(symbol.GetAt(1));
    EXPECT_EQ(arc->m_box, CRect(2, 5, 12, 15));
    EXPECT_EQ(arc->m_end, CPoint(12, 10));
    EXPECT_EQ(dynamic_cast<CTBDrawSymbolText*>(symbol.GetAt(2))->m_at, CPoint(3, 7));
    symbol.InflateSymArea(CRect(0, 1, 1, 0));  // right and top only: nothing moves
    EXPECT_EQ(poly->m_points[1].x, 22);

    auto* level = new CTBDrawSymbolLevel;
    EXPECT_EQ(symbol.AddSymbol(level, 1), 1);
    EXPECT_EQ(symbol.GetAt(0), level);
    symbol.RemoveSymbol(level, 0);
    EXPECT_EQ(symbol.GetCount(), 3);
    delete level;
    CString text("kept");
    symbol.ExportSymbolText(text);
    EXPECT_EQ(text, "kept");
    std::unique_ptr<CTBDrawSymbol> made(CTBDrawSymbol::CreateObject(CRect(1, 2, 3, 4)));
    EXPECT_EQ(made->GetFrameRect(), CRect(1, 2, 3, 4));
}
