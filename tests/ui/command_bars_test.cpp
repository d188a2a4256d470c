// Command bars: controls laid out on toolbars and popups, clicks that reach the site
// as commands, custom controls on a popup, command enabling and the options.
#include "ui_test_support.h"

#include <toolbox/ui/command_bars.h>

namespace {

using uitest::CLogWindow;

/// A custom control with two items side by side: remembers which one was clicked.
class CTwoItems : public CTBBarControl {
public:
    explicit CTwoItems(UINT id) : CTBBarControl(id, "two") {}
    int clicked = -1;
    int hot = -1;
    CSize GetSize(CDC*) override { return CSize(60, 20); }
    void Draw(CDC* dc) override { DrawButtonFrame(dc, GetRect(), FrameState()); }
    int ItemAt(CPoint p) const { return p.x < GetRect().left + 30 ? 0 : 1; }
    void OnMouseMove(CPoint p) override { hot = ItemAt(p); }
    void OnMouseLeave() override { hot = -1; }
    void OnClick(CPoint p) override {
        clicked = ItemAt(p);
        Execute();
    }
    CString GetTooltipAt(CPoint p, CRect* rect) const override {
        *rect = GetRect();
        return ItemAt(p) ? "right" : "left";
    }
    std::unique_ptr<CTBBarControl> Clone() const override {
        auto copy = std::make_unique<CTwoItems>(GetID());
        CopyTo(*copy);
        return copy;
    }
};

/// A site that answers command enabling for 101 (disabled) and 102 (checked).
class CSite : public CLogWindow {
public:
    void OnUpdate101(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnUpdate102(CCmdUI* ui) { ui->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSite, CLogWindow)
ON_UPDATE_COMMAND_UI(101, OnUpdate101)
ON_UPDATE_COMMAND_UI(102, OnUpdate102)
END_MESSAGE_MAP()

using uitest::Centre;

void Click(CTBCommandBar* bar, QPoint at) {
    QTest::mouseClick(bar->GetWidget(), Qt::LeftButton, Qt::NoModifier, at);
    uitest::RunEvents();
}

class CommandBars : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(site.CreateTop(500, 300));
        bars = std::make_unique<CTBCommandBars>(&site);
        bar = bars->Add("Standard");
        ASSERT_NE(bar, nullptr);
        site.only = {WM_COMMAND};
    }
    CSite site;
    std::unique_ptr<CTBCommandBars> bars;
    CTBCommandBar* bar = nullptr;
};

TEST_F(CommandBars, ButtonsSitInARowAndClicksReachTheSiteAsCommands) {
    CTBBarButton* open = bar->AddButton(100, "&Open", "Open a file");
    CTBBarButton* save = bar->AddButton(101, "Save");
    bar->SetBeginGroup(1);
    EXPECT_EQ(open->GetRect().top, save->GetRect().top);
    // The separator keeps the second button clear of the first.
    EXPECT_GT(save->GetRect().left, open->GetRect().right);
    EXPECT_EQ(bar->HitTest(CPoint(Centre(save->GetRect()).x(), Centre(save->GetRect()).y())), save);

    Click(bar, Centre(open->GetRect()));
    EXPECT_EQ(site.CommandCodes(100), std::vector<UINT>{0});
    EXPECT_EQ(bars->GetUsageCount(100), 1);

    // A press that ends outside the control is no click; a disabled control never executes.
    QTest::mousePress(bar->GetWidget(), Qt::LeftButton, Qt::NoModifier, Centre(open->GetRect()));
    QTest::mouseRelease(bar->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(490, 5));
    save->SetEnabled(FALSE);
    Click(bar, Centre(save->GetRect()));
    EXPECT_EQ(site.CommandCodes(100).size(), 1u);
    EXPECT_TRUE(site.CommandCodes(101).empty());
    bars->ResetUsageData();
    EXPECT_EQ(bars->GetUsageCount(100), 0);

    CRect area;
    EXPECT_EQ(bar->GetControl(0)->GetTooltipAt(CPoint(), &area), CString("Open a file"));
    EXPECT_EQ(bar->GetControl(1)->GetTooltipAt(CPoint(), &area), CString("Save"));
    save->SetShortcut("Ctrl+S");
    bars->GetCommandBarsOptions()->bToolBarAccelTips = TRUE;
    EXPECT_EQ(save->GetTooltipAt(CPoint(), &area), CString("Save (Ctrl+S)"));
}

TEST_F(CommandBars, CustomControlOnAPopupGetsTheClickPointAndClosesThePopup) {
    CTBBarPopup* popup = bar->AddPopup(200, "Style");
    auto* items = static_cast<CTwoItems*>(popup->GetCommandBar()->AddControl(std::make_unique<CTwoItems>(201)));
    Click(bar, Centre(popup->GetRect()));
    ASSERT_TRUE(popup->GetPopuped());
    CTBCommandBar* dropped = popup->GetCommandBar();
    // The popup opens under the button.
    CRect button = popup->GetRect(), shown;
    bar->ClientToScreen(&button);
    dropped->GetWindowRect(&shown);
    EXPECT_EQ(shown.top, button.bottom);
    EXPECT_EQ(shown.left, button.left);

    const CRect r = items->GetRect();
    QTest::mouseMove(dropped->GetWidget(), QPoint(static_cast<int>(r.right) - 5, static_cast<int>(r.top) + 5));
    uitest::RunEvents();
    EXPECT_EQ(items->hot, 1);
    EXPECT_TRUE(items->IsHot());
    CRect tipArea;
    EXPECT_EQ(items->GetTooltipAt(CPoint(r.right - 5, r.top + 5), &tipArea), CString("right"));

    Click(dropped, QPoint(static_cast<int>(r.right) - 5, static_cast<int>(r.top) + 5));
    EXPECT_EQ(items->clicked, 1);
    EXPECT_EQ(site.CommandCodes(201), std::vector<UINT>{0});
    EXPECT_FALSE(popup->GetPopuped());

    // The bars' Escape hook closes an open popup and takes the key.
    Click(bar, Centre(popup->GetRect()));
    ASSERT_TRUE(bars->IsPopupOpen());
    MSG escape{};
    escape.message = WM_KEYDOWN;
    escape.wParam = VK_ESCAPE;
    EXPECT_TRUE(bars->PreTranslateMessage(&escape));
    EXPECT_FALSE(bars->IsPopupOpen());
    EXPECT_FALSE(bars->PreTranslateMessage(&escape));

    // A clone carries the popup's controls and their state.
    items->SetChecked(TRUE);
    auto copy = popup->Clone();
    auto* copied = static_cast<CTBBarPopup*>(copy.get());
    ASSERT_EQ(copied->GetCommandBar()->GetControlCount(), 1);
    EXPECT_EQ(copied->GetCommandBar()->GetControl(0)->GetID(), 201u);
    EXPECT_TRUE(copied->GetCommandBar()->GetControl(0)->GetChecked());
    EXPECT_NE(dynamic_cast<CTwoItems*>(copied->GetCommandBar()->GetControl(0)), nullptr);
}

TEST_F(CommandBars, CommandEnablingAndMenusReachTheControls) {
    bar->AddButton(101, "Cut");
    bar->AddButton(102, "Bold");
    bar->AddButton(103, "Other");
    bars->UpdateCommandUI(&site);
    EXPECT_FALSE(bars->FindControl(101)->GetEnabled());
    EXPECT_TRUE(bars->FindControl(102)->GetChecked());
    EXPECT_TRUE(bars->FindControl(103)->GetEnabled());

    // Menu 4404 becomes a menu bar of three popups; separators start groups.
    CTBCommandBar* menu = bars->SetMenu(4404);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetControlCount(), 3);
    auto* rich = dynamic_cast<CTBBarPopup*>(menu->GetControl(0));
    ASSERT_NE(rich, nullptr);
    EXPECT_EQ(rich->GetCommandBar()->GetControlCount(), 6);
    EXPECT_EQ(bars->FindControl(0xE12A)->GetCaption(), CString("Select &All"));
    EXPECT_EQ(bars->CTBCommandBars::GetCount(), 2);
    EXPECT_EQ(bars->LayoutBars(0, 500), static_cast<int>(bar->CalcSize().cy + menu->CalcSize().cy));

    // Large icons make icon buttons larger.
    CBitmap bitmap;
    bitmap.CreateBitmap(16, 16);
    HICON icon = TBBitmapToIcon(nullptr, &bitmap, 0xFFFFFFFF);
    bar->GetControl(0)->SetIcon(icon);
    const CSize withIcon = bar->CalcSize();
    bars->GetCommandBarsOptions()->bLargeIcons = TRUE;
    bars->RedrawCommandBars();
    EXPECT_GT(bar->CalcSize().cy, withIcon.cy);
    bar->GetControl(0)->SetIcon(nullptr);
    DestroyIcon(icon);
}

}  // namespace
