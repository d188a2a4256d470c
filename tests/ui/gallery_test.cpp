// The gallery writes one image per window family, each showing something.
#include "ui_test_support.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

namespace {
/// The number of distinct colours in image (a blank or failed render has one or two).
int ColourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}
}  // namespace

TEST(Gallery, WritesEveryDialogMenuAndSampleAsAPictureWithContent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int written = TBRenderGallery(dir.path().toUtf8().constData());
    const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    EXPECT_EQ(written, files.size());
    // The controls, the drawing sample, the rich edit, the find and the replace dialog,
    // each dialog template, each popup of menu 4404 and the dialog family's pages.
    const QStringList dialogPages = {
        "dialog_resizable_1.png",   "dialog_resizable_2.png",  "dialog_resizable_3.png", "sheet_wizard.png",
        "sheet_wizard_finish.png",  "sheet_customize_options.png", "dialog_command_bars.png",
        "command_bar_popup.png",    "frame_with_panes.png",    "art_icons_and_bitmaps.png"};
    for (const QString& page : dialogPages) EXPECT_TRUE(files.contains(page)) << page.toStdString();
    // The other control families: the calculator, the two crash report dialogs, the
    // packing window, special text, symbols, a plot, sheet previews and the colouring
    // editor's two samples.
    for (const char* page : {"formula_calculator.png", "crash_report.png", "crash_report_details.png", "mail_progress.png",
                             "plot.png", "color_rich_edit_spice.png", "editors.png", "editors_combo_dropped.png",
                             "dialog_browse_dir.png", "unit_controls.png", "unit_combo_dropped.png", "unit_edit_menu.png",
                             "dialog_unit_sample.png", "selector_pen_style.png", "selector_pen_width.png",
                             "selector_brush_style.png", "style_combos.png", "style_combo_1_dropped.png",
                             "tbpen_lines.png", "color_popup.png", "grid_cell_types.png", "grid_edit_open.png",
                             "grid_combo_dropped.png"})
        EXPECT_TRUE(files.contains(QLatin1String(page))) << page;
    EXPECT_GE(written, 5 + static_cast<int>(TBGetDialogTemplateIds().size()) + 3 + dialogPages.size() + 4 + 4 + 2 + 14 + 3);
    for (UINT id : TBGetDialogTemplateIds()) EXPECT_TRUE(files.contains(QStringLiteral("dialog_%1.png").arg(id))) << id;
    for (const QString& file : files) {
        const QImage image(dir.filePath(file));
        ASSERT_FALSE(image.isNull()) << file.toStdString();
        EXPECT_GT(image.width(), 60) << file.toStdString();
        EXPECT_GT(ColourCount(image), 8) << file.toStdString();
    }
    // The window layer is still up for the other tests.
    EXPECT_TRUE(TBIsWindowLayerStarted());
    EXPECT_EQ(TBRenderGallery(nullptr), -1);
}
