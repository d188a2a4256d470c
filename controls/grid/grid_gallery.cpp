// The gallery pages of the editable grid: one row per cell type under a header with
// unit captions, then the grid with an edit open and with a drop-down list dropped.

#include "controls/window/gallery_pages.h"
#include "controls/grid/edit_types.h"

#include <toolbox/ui/edit_list_ctrl.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {

/// A cell's sample text and list entries; the types not named here show "text".
struct Sample {
    TB_EnumEditTypes type;
    const char* text;
    const char* entries;
};

const Sample kSamples[] = {
    {TB_EDIT_NONE, "fixed", nullptr},
    {TB_EDIT_TEXT, "R1", nullptr},
    {TB_EDIT_DROPLIST, "Log", "Linear,Log,Off"},
    {TB_EDIT_DROPCOMBO, "free text", "a,b,c"},
    {TB_EDIT_BROWSE, "/tmp/data.csv", "PATH"},
    {TB_EDIT_INDEX, "pin[3]", nullptr},
    {TB_EDIT_AUTONUMBER, "n[6]", nullptr},
    {TB_EDIT_CHECK, "1", nullptr},
    {TB_EDIT_CHECK_INACTIVE, "1", nullptr},
    {TB_EDIT_REAL, "4.7k", nullptr},
    {TB_EDIT_INTEGER, "-12", nullptr},
    {TB_EDIT_COLOR, "16744448", nullptr},
    {TB_EDIT_BUTTON, "Apply", nullptr},
    {TB_EDIT_BROWSE_READONLY, "/home", "DIR"},
    {TB_EDIT_UNIT, "k\\Ohm\\", "Resistance"},
    {TB_EDIT_QUANTITY, "Temperature", nullptr},
    {TB_EDIT_UNIT_TEXT, "20 \\degree\\C", nullptr},
    {TB_EDIT_IMAGE_CENTER, "0", nullptr},
    {TB_EDIT_IMAGE_LEFT, "1", nullptr},
    {TB_EDIT_RADIO, "1", nullptr},
    {TB_EDIT_RADIO_INACTIVE, "0", nullptr},
};

Sample SampleOf(TB_EnumEditTypes type) {
    for (const Sample& s : kSamples)
        if (s.type == type) return s;
    return {type, "text", nullptr};
}

/// Two 16 x 16 images: a resistor-like bar and a round node.
void MakeImages(CImageList& images) {
    images.Create(16, 16);
    for (int i = 0; i < 2; ++i) {
        CBitmap bitmap;
        bitmap.CreateBitmap(16, 16);
        QImage& image = *bitmap.GetImage();
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1.5));
        if (i == 0) {
            painter.setBrush(QColor(230, 180, 60));
            painter.drawRect(QRectF(3.5, 5.5, 9, 5));
            painter.drawLine(QPointF(0, 8), QPointF(3.5, 8));
            painter.drawLine(QPointF(12.5, 8), QPointF(16, 8));
        } else {
            painter.setBrush(QColor(40, 110, 200));
            painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        }
        painter.end();
        images.Add(&bitmap);
    }
}

void FillGrid(CTBEditListCtrl& grid, CImageList& images) {
    grid.InsertEditColumn(0, "No.", LVCFMT_LEFT, 40);
    grid.InsertEditColumn(1, "Type", LVCFMT_LEFT, 150);
    grid.InsertEditColumn(2, "Cell", LVCFMT_LEFT, 170);
    grid.InsertEditColumn(3, "R [k\\Ohm\\]", LVCFMT_RIGHT, 80);
    grid.InsertEditColumn(4, "C [\\mu\\F]", LVCFMT_RIGHT, 70);
    grid.InitializeCtrl(1, 1);
    // One row per edit type, in the order of the type table.
    for (int row = 0; row < TBEditTypeCount(); ++row) {
        const TBEditTypeInfo& info = TBEditTypeOf(static_cast<TB_EnumEditTypes>(row));
        const Sample s = SampleOf(info.type);
        grid.InsertEditItem(row, "", TB_EDIT_AUTONUMBER);
        CString name;
        name.Format("%d %s", static_cast<int>(info.type), info.name);
        grid.SetEditItemText(row, 1, name, TB_EDIT_NONE);
        void* additional = info.value == TBCellValue::Image ? static_cast<void*>(&images) : nullptr;
        grid.SetEditItemText(row, 2, s.text, s.type, s.entries, additional);
        CString r, c;
        r.Format("%.1f", 0.1 * (row + 1) * 4.7);
        c.Format("%d", (row + 1) * 10);
        grid.SetEditItemText(row, 3, r, TB_EDIT_REAL);
        grid.SetEditItemText(row, 4, c, TB_EDIT_INTEGER);
    }
}

}  // namespace

int TBRenderGridGallery(const QString& folder) {
    CWnd panel;
    if (!tb_gallery::CreatePanel(panel, "Editable grid", 560, 520)) return 0;
    CFont font;
    font.CreatePointFont(90, "DejaVu Sans");
    panel.SetFont(&font);
    tb_gallery::AddCaption(panel, "CTBEditListCtrl: every cell type, unit header, fixed cells in the face colour", 10, 6,
                           540);
    CImageList images;
    MakeImages(images);
    CTBEditListCtrl grid;
    grid.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, CRect(10, 26, 550, 510), &panel, 100);
    FillGrid(grid, images);
    QApplication::processEvents();
    int written = tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/grid_cell_types.png")) ? 1 : 0;

    // An edit open over a real-number cell, with a typed value.
    if (grid.DoEdit(CPoint(3, 2)) && grid.GetEditControl()) {
        grid.GetEditControl()->SetWindowText("2.2 meg");
        QApplication::processEvents();
        if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/grid_edit_open.png"))) ++written;
        grid.CloseEdit(FALSE);
    }
    // The drop-down list of a type-2 cell dropped.
    if (grid.DoEdit(CPoint(2, 2))) {
        if (auto* combo = dynamic_cast<CComboBox*>(grid.GetEditControl())) combo->ShowDropDown(TRUE);
        QApplication::processEvents();
        if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/grid_combo_dropped.png")))
            ++written;
        grid.CloseEdit(FALSE);
    }
    grid.DestroyWindow();
    panel.DestroyWindow();
    return written;
}

namespace {
const CGalleryPages kPages("grid", TBRenderGridGallery);
}  // namespace
