// The library's art and texts: pin icons and button bitmaps render at the asked size,
// unknown names fail, and every dialog and menu text has its German translation,
// which dialogs and menus then show.
#include "ui_test_support.h"

#include <toolbox/resources/language_file.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/ui/property_sheet.h>
#include <toolbox/ui/ui_resources.h>

#include <QImage>

namespace {

/// Opaque pixels of an image (the art is drawn on a transparent or grey ground).
int Opaque(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) == 255;
    return count;
}

TEST(UiArt, PinIconsAndButtonBitmapsRenderByIdAndName) {
    for (UINT id : {4490u, 4491u}) {
        HICON icon = TBLoadIcon(id, 32);
        ASSERT_NE(icon, nullptr) << id;
        EXPECT_EQ(TBGetIconImage(icon)->size(), QSize(32, 32));
        EXPECT_GT(Opaque(*TBGetIconImage(icon)), 30) << id;
        EXPECT_LT(Opaque(*TBGetIconImage(icon)), 32 * 32) << id;  // see-through around the pin
        DestroyIcon(icon);
    }
    EXPECT_EQ(TBLoadIcon(4492), nullptr);
    EXPECT_EQ(TBLoadIcon(4490, 0), nullptr);

    const std::vector<CString> glyphs = TBGetBitmapGlyphs();
    ASSERT_EQ(glyphs.size(), 8u);
    for (size_t g = 0; g < glyphs.size(); ++g) {
        QImage states[4];
        for (int s = 0; s < 4; ++s) {
            const UINT id = IDB_TB_BUTTON_FIRST + static_cast<UINT>(g * 4 + s);
            EXPECT_EQ(TBBitmapName(id), glyphs[g] + CString("UDFX"[s]));
            CBitmap bitmap;
            ASSERT_TRUE(TBLoadBitmap(bitmap, id)) << id;
            states[s] = *bitmap.GetImage();
        }
        // Each state looks different from the up state.
        for (int s = 1; s < 4; ++s) EXPECT_NE(states[s], states[0]) << glyphs[g].GetString() << s;
    }
    CBitmap bitmap;
    EXPECT_TRUE(TBLoadBitmap(bitmap, "deleteallx"));
    EXPECT_FALSE(TBLoadBitmap(bitmap, "DELETEALLQ"));
    EXPECT_FALSE(TBLoadBitmap(bitmap, "NOSUCHU"));
    EXPECT_FALSE(TBLoadBitmap(bitmap, "U"));
    EXPECT_FALSE(TBLoadBitmap(bitmap, static_cast<UINT>(IDB_TB_BUTTON_FIRST + 32)));
    EXPECT_EQ(TBBitmapName(IDB_TB_BUTTON_FIRST - 1), CString());
}

/// The names of a template's texts, as dialogs look them up.
std::vector<std::pair<CString, CString>> TemplateTexts(const CDialogTemplate& tmpl) {
    std::vector<std::pair<CString, CString>> texts;
    CString key;
    key.Format("dialog.%u.caption", tmpl.id);
    texts.emplace_back(key, tmpl.caption);
    int statics = 0;
    for (const CDialogItemTemplate& item : tmpl.items) {
        if (item.id == 0xFFFF)
            key.Format("dialog.%u.static%d", tmpl.id, statics++);
        else
            key.Format("dialog.%u.%u", tmpl.id, item.id);
        // Bitmap buttons keep their captions: they name the bitmaps.
        if (item.text && *item.text && (item.style & 0xF) != BS_OWNERDRAW) texts.emplace_back(key, item.text);
    }
    return texts;
}

class GermanTexts : public ::testing::Test {
protected:
    void SetUp() override {
        CString error;
        german = CLanguageFile::Load(TOOLBOX_SOURCE_DIR "/resources/lang/toolbox-core.de.lang", error);
        ASSERT_TRUE(german) << error.GetString();
    }
    void TearDown() override { TBSetResourceModule(nullptr); }
    std::unique_ptr<CLanguageFile> german;
};

TEST_F(GermanTexts, CoverEveryDialogAndMenuText) {
    for (UINT id : {4302u, 4303u, 4305u, 4306u, 4307u, 4308u}) EXPECT_NE(TBFindDialogTemplate(id), nullptr) << id;
    int checked = 0;
    for (UINT id : TBGetDialogTemplateIds()) {
        for (const auto& text : TemplateTexts(*TBFindDialogTemplate(id))) {
            CString translated;
            EXPECT_TRUE(german->FindText(text.first, translated)) << text.first.GetString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
    std::function<void(const std::vector<CMenuItemTemplate>&, const CString&)> walk =
        [&](const std::vector<CMenuItemTemplate>& items, const CString& prefix) {
            for (size_t i = 0; i < items.size(); ++i) {
                CString key;
                key.Format("%s.%d", prefix.GetString(), static_cast<int>(i));
                CString translated;
                if (items[i].text) {
                    EXPECT_TRUE(german->FindText(key, translated)) << key.GetString();
                }
                if (items[i].popup) walk(*items[i].popup, key);
            }
        };
    walk(*TBFindMenuTemplate(4404), "menu.4404");
}

TEST_F(GermanTexts, DialogsMenusAndSheetsShowTheLanguageFilesTexts) {
    TBSetResourceModule(german.get());
    CDialog dialog(4307);
    ASSERT_TRUE(dialog.CreateIndirect(*TBFindDialogTemplate(4307), nullptr));
    EXPECT_EQ(dialog.GetWindowText(), CString("Export"));
    EXPECT_EQ(dialog.GetDlgItem(IDCANCEL)->GetWindowText(), CString("&Abbrechen"));
    EXPECT_EQ(dialog.GetDlgItem(4030)->GetWindowText(), CString("Semikolon"));
    CDialog recorder(4308);
    ASSERT_TRUE(recorder.CreateIndirect(*TBFindDialogTemplate(4308), nullptr));
    EXPECT_EQ(recorder.GetDlgItem(4082)->GetWindowText(), CString("DELETEALL"));

    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(4404));
    CString text;
    menu.GetSubMenu(2)->GetMenuString(2, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString("&Ausschneiden"));
    menu.GetSubMenu(2)->GetSubMenu(9)->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString("Erste"));

    uitest::SettingsFolder settings;
    CTBPropertyPage page(4309);
    EXPECT_EQ(page.GetTitle(), CString("&Optionen"));
    CTBPropertySheet sheet("Blatt");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create(nullptr, FALSE));
    EXPECT_EQ(sheet.GetDlgItem(IDCANCEL)->GetWindowText(), CString("Abbrechen"));

    TBSetResourceModule(nullptr);
    CDialog english(4307);
    ASSERT_TRUE(english.CreateIndirect(*TBFindDialogTemplate(4307), nullptr));
    EXPECT_EQ(english.GetDlgItem(IDCANCEL)->GetWindowText(), CString("&Cancel"));
}

}  // namespace
