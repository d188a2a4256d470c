// Gallery page of the calculator: a formula with the host's variables, the whole
// catalogue and a search in the variable list.
#include "controls/window/gallery_pages.h"
#include <toolbox/ui/formula_dialog.h>

#include <QApplication>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace {

void GalleryFormula(CString& formula) { formula = "Vout := Vin * R2 / (R1 + R2)"; }

void GalleryVariables(CMapStringToString& variables) {
    variables.SetAt("Vin", "Input voltage");
    variables.SetAt("R1", "Upper resistor");
    variables.SetAt("R2", "Lower resistor");
    variables.SetAt("Vout", "Output voltage");
    variables.SetAt("t", "");
}

}  // namespace

int TBRenderFormulaGallery(const QString& folder) {
    CTBDlgCalculation dialog;
    dialog.InitDialog(2 | 4, GalleryVariables, GalleryFormula, nullptr);
    if (!dialog.Create(IDD_TB_CALCULATION, nullptr)) return 0;
    QWidget* window = dialog.GetWidget();
    window->show();
    window->activateWindow();
    // The caret after "Vin" stays visible while the search field has the focus.
    dialog.GetDlgItem(4009)->SendMessage(EM_SETSEL, 11, 11);
    dialog.GetDlgItem(4010)->SetFocus();
    dialog.SetDlgItemText(4010, "Out");
    QCoreApplication::processEvents();
    const bool saved = window->grab().save(folder + QStringLiteral("/formula_calculator.png"), "PNG");
    dialog.DestroyWindow();
    return saved ? 1 : 0;
}

namespace {
const CGalleryPages kPages("formula", TBRenderFormulaGallery);
}  // namespace
