// Pen and brush pickers: the selectors' geometry, hot, pressed and current items on a
// real command bar and its popup, the owner-drawn combos' mapping of values to entries
// and their placeholders, and CTBPen's wide dashed pens and metafile rule.
#include "ui_test_support.h"

#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/style_pickers.h>

namespace {

using uitest::Centre;

/// A site that records, with each command, the pressed item of the selector then.
class CPickerSite : public uitest::CLogWindow {
public:
    CTBControlStyleSelector* watched = nullptr;
    std::vector<int> pressedDuringCommand;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && watched) pressedDuringCommand.push_back(watched->GetPressedItem());
        return CLogWindow::WindowProc(message, wParam, lParam);
    }
};

class StylePickers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(site.CreateTop(500, 400));
        bars = std::make_unique<CTBCommandBars>(&site);
        bar = bars->Add("Drawing");
        ASSERT_NE(bar, nullptr);
        site.only = {WM_COMMAND};
    }
    void Click(CTBCommandBar* on, QPoint at) {
        QTest::mouseClick(on->GetWidget(), Qt::LeftButton, Qt::NoModifier, at);
        uitest::RunEvents();
    }
    CPickerSite site;
    std::unique_ptr<CTBCommandBars> bars;
    CTBCommandBar* bar = nullptr;
};

/// The number of frame drawings in a selector's picture: every call that is not part
/// of a sample (pens, brushes, lines and rectangles of the samples).
int FrameCalls(CTBControlStyleSelector& selector) {
    CRecordingDC dc(80, 200);
    selector.Draw(&dc);
    int frames = 0;
    for (const CDrawRecord& r : dc.GetRecords())
        if (r.op == CDrawRecord::FillSolidRect || r.op == CDrawRecord::FillRect || r.op == CDrawRecord::Draw3dRect ||
            r.op == CDrawRecord::FrameRect || r.op == CDrawRecord::DrawFrameControl)
            ++frames;
    return frames;
}

}  // namespace

TEST_F(StylePickers, SelectorsAre54WideAnd4Plus18PerItemHigh) {
    auto* style = static_cast<CTBControlStyleSelector*>(bar->AddControl(std::make_unique<CTBControlPenStyleSelector>(301)));
    auto* width = static_cast<CTBControlStyleSelector*>(bar->AddControl(std::make_unique<CTBControlPenWidthSelector>(302)));
    auto* brush = static_cast<CTBControlStyleSelector*>(bar->AddControl(std::make_unique<CTBControlBrushStyleSelector>(303)));
    EXPECT_EQ(style->GetSize(nullptr), CSize(54, 94));
    EXPECT_EQ(width->GetSize(nullptr), CSize(54, 184));
    EXPECT_EQ(brush->GetSize(nullptr), CSize(54, 148));
    EXPECT_EQ(width->GetRect().Size(), CSize(54, 184));
    EXPECT_EQ(brush->GetValues(), std::vector<long>({1, 0, 0x30002, 0x40002, 0x50002, 0x20002, 2, 0x10002}));
    const CRect r = width->GetRect();
    EXPECT_EQ(width->GetItemRect(3), CRect(r.left + 2, r.top + 56, r.left + 52, r.top + 74));
    EXPECT_EQ(width->HitTestItem(CPoint(r.left + 10, r.top + 57)), 3);
    EXPECT_EQ(width->HitTestItem(CPoint(r.left + 1, r.top + 57)), -1);     // the margin
    EXPECT_EQ(width->HitTestItem(CPoint(r.left + 10, r.bottom + 3)), -1);  // outside
    EXPECT_EQ(width->GetCurrentValue(), -1);
}

TEST_F(StylePickers, MouseMakesItemsHotAndAClickMakesOneCurrentAndExecutes) {
    auto* selector =
        static_cast<CTBControlBrushStyleSelector*>(bar->AddControl(std::make_unique<CTBControlBrushStyleSelector>(310)));
    site.watched = selector;
    const int plain = FrameCalls(*selector);
    const QPoint item3 = Centre(selector->GetItemRect(3));
    QTest::mouseMove(bar->GetWidget(), item3);
    uitest::RunEvents();
    EXPECT_EQ(selector->GetHotItem(), 3);
    EXPECT_GT(FrameCalls(*selector), plain);  // the hot item has a frame
    Click(bar, item3);
    EXPECT_EQ(site.CommandCodes(310), std::vector<UINT>{0});
    EXPECT_EQ(site.pressedDuringCommand, std::vector<int>{3});  // pressed while executing...
    EXPECT_EQ(selector->GetPressedItem(), -1);                  // ...and cleared afterwards
    EXPECT_EQ(selector->GetBrushStyle(), 2u);
    EXPECT_EQ(selector->GetBrushHatch(), 4);
    // Leaving the bar clears the hot item; the current one keeps its frame.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar->GetWidget(), &leave);
    uitest::RunEvents();
    EXPECT_EQ(selector->GetHotItem(), -1);
    EXPECT_GT(FrameCalls(*selector), plain);
    selector->SetCurrentValue(-1);
    EXPECT_EQ(FrameCalls(*selector), plain);
    selector->SetBrushStyle(2, 4);
    EXPECT_EQ(selector->GetCurrentValue(), 0x40002);
    // Tooltip slots: the item's rectangle, no text unless one is set.
    CRect area;
    EXPECT_EQ(selector->GetTooltipAt(CPoint(item3.x(), item3.y()), &area), "");
    EXPECT_EQ(area, selector->GetItemRect(3));
    selector->SetItemTooltip(3, "Cross");
    EXPECT_EQ(selector->GetTooltipAt(CPoint(item3.x(), item3.y()), &area), "Cross");
    // A click beside the items does nothing.
    Click(bar, QPoint(static_cast<int>(selector->GetRect().left), item3.y()));
    EXPECT_EQ(site.CommandCodes(310).size(), 1u);
}

TEST_F(StylePickers, PopupStyleDropsItsSelectorAndClosesOnAChoice) {
    auto* popup = static_cast<CTBControlPopupStyle*>(bar->AddControl(std::make_unique<CTBControlPopupStyle>(320, "Line")));
    auto* selector = static_cast<CTBControlPenStyleSelector*>(
        popup->SetSelector(std::make_unique<CTBControlPenStyleSelector>(321)));
    ASSERT_EQ(popup->GetSelector(), selector);
    Click(bar, Centre(popup->GetRect()));
    ASSERT_TRUE(popup->GetPopuped());
    Click(popup->GetCommandBar(), Centre(selector->GetItemRect(1)));
    EXPECT_EQ(site.CommandCodes(321), std::vector<UINT>{0});
    EXPECT_FALSE(popup->GetPopuped());
    EXPECT_EQ(selector->GetPenStyle(), PS_DASH);
    auto copy = popup->Clone();
    auto* copied = static_cast<CTBControlPopupStyle*>(copy.get())->GetSelector();
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, selector);
    EXPECT_EQ(static_cast<CTBControlPenStyleSelector*>(copied)->GetPenStyle(), PS_DASH);
    EXPECT_EQ(copied->GetID(), 321u);
}

// ------------------------------------------------------------------ combos

TEST_F(StylePickers, CombosMapValuesToTheirEntries) {
    CTBLineStyleComboBox style;
    CTBLineWidthComboBox width;
    CTBBrushStyleComboBox brush;
    ASSERT_TRUE(style.Create(WS_CHILD | WS_VISIBLE, CRect(10, 60, 110, 200), &site, 401));
    ASSERT_TRUE(width.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, CRect(120, 60, 220, 200), &site, 402));
    ASSERT_TRUE(brush.Create(WS_CHILD | WS_VISIBLE, CRect(230, 60, 330, 200), &site, 403));
    EXPECT_EQ(style.GetCount(), 5);
    EXPECT_EQ(width.GetCount(), 7);
    EXPECT_EQ(brush.GetCount(), 7);
    const DWORD needed = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    EXPECT_EQ(width.GetStyle() & needed, needed);  // a drop-down list whatever was asked
    style.SetCurSelLineStyle(PS_DASH);
    EXPECT_EQ(style.GetCurSel(), 2);
    EXPECT_EQ(style.GetCurSelLineStyle(), PS_DASH);
    style.SetCurSelLineStyle(PS_DOT);
    EXPECT_EQ(style.GetCurSel(), 1);
    style.SetCurSelLineStyle(17);
    EXPECT_EQ(style.GetCurSel(), 0);
    width.SetCurSelLineWidth(3);
    EXPECT_EQ(width.GetCurSel(), 2);
    EXPECT_EQ(width.GetCurSelLineWidth(), 3);
    brush.SetCurSelBrushStyle(LOGBRUSH{BS_HATCHED, RGB(1, 2, 3), HS_CROSS});
    EXPECT_EQ(brush.GetCurSel(), 5);
    LOGBRUSH got = brush.GetCurSelBrushStyle();
    EXPECT_EQ(got.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(got.lbHatch, static_cast<std::uintptr_t>(HS_CROSS));
    EXPECT_EQ(got.lbColor, 0u);
    brush.SetCurSelBrushStyle(LOGBRUSH{BS_SOLID, 0, 0});
    got = brush.GetCurSelBrushStyle();
    EXPECT_EQ(brush.GetCurSel(), 0);
    EXPECT_EQ(got.lbStyle, static_cast<UINT>(BS_SOLID));

    // Entries draw their samples: the width combo's fourth entry a 4-pixel line.
    CRecordingDC dc(100, 20);
    DRAWITEMSTRUCT item;
    item.hDC = dc.GetSafeHdc();
    item.itemID = 3;
    item.itemState = ODS_SELECTED;
    item.rcItem = CRect(0, 0, 100, 20);
    width.DrawItem(item);
    bool fourWide = false, highlighted = false;
    for (const CDrawRecord& r : dc.GetRecords()) {
        if (r.op == CDrawRecord::SelectPen && r.args.at(1) == 4) fourWide = true;
        if (r.op == CDrawRecord::FillSolidRect && static_cast<COLORREF>(r.args.back()) == GetSysColor(COLOR_HIGHLIGHT))
            highlighted = true;
    }
    EXPECT_TRUE(fourWide);
    EXPECT_TRUE(highlighted);
}

TEST_F(StylePickers, ComboReplacesItsTemplatePlaceholder) {
    CDialog dialog;
    const CDialogTemplate tmpl{1, "Line", WS_POPUP | WS_CAPTION, 160, 80, "MS Shell Dlg", 8,
                               {{"STATIC", 500, "Style", WS_CHILD | WS_VISIBLE, 5, 7, 30, 8},
                                {"COMBOBOX", 501, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 40, 5, 80, 60},
                                {"BUTTON", IDOK, "OK", WS_CHILD | WS_VISIBLE, 40, 60, 50, 14}}};
    ASSERT_TRUE(dialog.CreateIndirect(tmpl, nullptr));
    const CRect before = uitest::WindowRect(*dialog.GetDlgItem(501));
    CTBLineStyleComboBox combo;
    ASSERT_TRUE(combo.SubclassDlgItem(501, &dialog));
    ASSERT_TRUE(combo.CreateDialogControl());
    EXPECT_EQ(dialog.GetDlgItem(501), &combo);
    const CRect after = uitest::WindowRect(combo);
    EXPECT_EQ(after.TopLeft(), before.TopLeft());
    EXPECT_EQ(after.Width(), before.Width());
    EXPECT_EQ(combo.GetCount(), 5);
    EXPECT_TRUE(combo.GetStyle() & CBS_OWNERDRAWFIXED);
    EXPECT_EQ(combo.GetNextWindow(GW_HWNDPREV), dialog.GetDlgItem(500));
    dialog.DestroyWindow();
}

// ------------------------------------------------------------------ CTBPen

namespace {
/// How many pixels along a 3-pixel line through y = 10 are ink and how many gaps.
std::pair<int, int> InkAndGaps(CPen& pen) {
    CRecordingDC dc(200, 20);
    CRect all(0, 0, 200, 20);
    dc.FillSolidRect(&all, RGB(255, 255, 255));
    CPen* old = dc.SelectObject(&pen);
    dc.MoveTo(10, 10);
    dc.LineTo(190, 10);
    dc.SelectObject(old);
    int ink = 0, gaps = 0;
    for (int x = 20; x < 180; ++x) (QColor(dc.GetImage().pixel(x, 10)).red() < 128 ? ink : gaps)++;
    return {ink, gaps};
}
}  // namespace

TEST(TBPen, WideDottedPenKeepsItsDotsAndIsPlainForMetafiles) {
    CTBPen dotted(PS_DOT, 3, RGB(0, 0, 0));
    LOGPEN log;
    dotted.GetLogPen(&log);
    EXPECT_EQ(log.lopnStyle, PS_DOT | PS_GEOMETRIC);
    EXPECT_EQ(log.lopnWidth.x, 3);
    const auto dots = InkAndGaps(dotted);
    EXPECT_GT(dots.first, 20);
    EXPECT_GT(dots.second, 20);
    // A plain pen of the same style and width draws solid, as the system's does.
    CPen plain(PS_DOT, 3, RGB(0, 0, 0));
    EXPECT_EQ(InkAndGaps(plain).second, 0);

    CMetaFileDC metafile;
    metafile.Create();
    CTBPen forMetafile(PS_DOT, 3, RGB(0, 0, 0), &metafile);
    forMetafile.GetLogPen(&log);
    EXPECT_EQ(log.lopnStyle, PS_DOT);
    EXPECT_EQ(log.lopnWidth.x, 3);
    LOGPEN one;
    one.lopnStyle = PS_DASH;
    one.lopnWidth.x = 1;
    CTBPen indirect;
    EXPECT_TRUE(indirect.CreatePenIndirect(&one, &metafile));
    EXPECT_EQ(one.lopnWidth.x, 0);  // the caller's structure changed
    // Solid or hairline pens stay plain on the screen.
    CTBPen solid(PS_SOLID, 5, RGB(0, 0, 0)), hairline(PS_DOT, 0, RGB(0, 0, 0));
    solid.GetLogPen(&log);
    EXPECT_EQ(log.lopnStyle, PS_SOLID);
    hairline.GetLogPen(&log);
    EXPECT_EQ(log.lopnStyle, PS_DOT);
    // Through a brush: geometric with the brush's colour; no brush, no pen.
    const LOGBRUSH red{BS_SOLID, RGB(200, 0, 0), 0};
    CTBPen brushed(PS_DASHDOT, 4, &red);
    brushed.GetLogPen(&log);
    EXPECT_EQ(log.lopnColor, RGB(200, 0, 0));
    EXPECT_TRUE(log.lopnStyle & PS_GEOMETRIC);
    CTBPen none;
    EXPECT_FALSE(none.CreatePen(PS_DASH, 2, static_cast<const LOGBRUSH*>(nullptr)));
    EXPECT_THROW(CTBPen(PS_DASH, 2, static_cast<const LOGBRUSH*>(nullptr)), CResourceException);
}

TEST_F(StylePickers, ColorPopupReportsTheChoiceThenItsClosing) {
    site.only = {TBWM_COLORPOPUP_SELENDOK, TBWM_COLORPOPUP_CLOSEUP};
    site.log.clear();
    CTBColorPopup popup;
    ASSERT_TRUE(popup.Create(CPoint(100, 100), CTBColorPopup::GetColor(3), &site, 77));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup.GetWidget()));
    const QPoint cell9(3 + 1 * CTBColorPopup::kCell + 9, 3 + 1 * CTBColorPopup::kCell + 9);
    EXPECT_EQ(popup.HitTest(CPoint(cell9.x(), cell9.y())), 9);
    EXPECT_EQ(popup.HitTest(CPoint(1, 1)), -1);  // the margin
    QTest::mouseMove(popup.GetWidget(), cell9);
    uitest::RunEvents();
    EXPECT_EQ(popup.GetHotIndex(), 9);
    QTest::mouseClick(popup.GetWidget(), Qt::LeftButton, Qt::NoModifier, cell9);
    uitest::RunEvents();
    ASSERT_EQ(site.log.size(), 2u);
    EXPECT_EQ(site.log[0].message, TBWM_COLORPOPUP_SELENDOK);
    EXPECT_EQ(static_cast<COLORREF>(site.log[0].wParam), CTBColorPopup::GetColor(9));
    EXPECT_EQ(site.log[0].lParam, 77);
    EXPECT_EQ(site.log[1].message, TBWM_COLORPOPUP_CLOSEUP);
    EXPECT_FALSE(popup.IsWindowVisible());
    // Escape closes without a choice; the owner hears of it once.
    site.log.clear();
    CTBColorPopup second;
    ASSERT_TRUE(second.Create(CPoint(100, 100), RGB(1, 2, 3), &site));
    QTest::keyClick(second.GetWidget(), Qt::Key_Escape);
    uitest::RunEvents();
    second.Close();
    ASSERT_EQ(site.log.size(), 1u);
    EXPECT_EQ(site.log[0].message, TBWM_COLORPOPUP_CLOSEUP);
}
