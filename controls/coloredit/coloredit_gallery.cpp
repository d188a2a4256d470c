// The colouring editor in the gallery: a SPICE netlist and a formula block, each
// coloured by the description the editor configuration names for it.

#include "controls/window/gallery_pages.h"

#include <toolbox/ui/color_rich_edit.h>

#include <QCoreApplication>
#include <QString>
#include <QWidget>

namespace {

constexpr const char* kNetlist =
    "* Buck converter with an ideal switch\n"
    ".param fsw=100k duty={0.4}\n"
    ".model SW1 SW(Ron=10m Roff=1Meg Vt=0.5)\n"
    "V1 in 0 DC 24\n"
    "Vg ctl 0 PULSE(0 1 0 10n 10n {duty/fsw} {1/fsw})\n"
    "S1 in sw ctl 0 SW1 ; main switch\n"
    "D1 0 sw Dmod\n"
    "L1 sw out 47u IC=0\n"
    "C1 out 0 100u\n"
    "Xload out 0 dynload\n"
    "+ rmin=1.2 rmax=4.7\n"
    ".model Dmod D(Is=1e-14 Rs=0.01)\n"
    ".tran 10n 2m uic\n"
    ".control\n"
    "run\n"
    "plot v(out)\n"
    ".endc\n"
    ".end";

constexpr const char* kFormula =
    "IF (U > 230*1.1) {\n"
    "\tlimit := 1\n"
    "\tP := sqrt(squ(U)/R) * max(2.2k, 4.7Meg) + MATH_PI\n"
    "} ELSE IF (NOT ok AND x<>y) {\n"
    "\tlimit := 0; phase := deg(atan2(im(z), re(z)))\n"
    "}";

bool Render(const QString& path, const char* syntax, const char* text, int width, int height) {
    CWnd host;
    host.CreateEx(0, nullptr, syntax, WS_OVERLAPPEDWINDOW, CRect(0, 0, width, height), nullptr, 0);
    host.GetWidget()->setAutoFillBackground(true);
    CTBColorRichEdit edit;
    edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL, CRect(6, 6, width - 6, height - 6), &host,
                100);
    if (!edit.LoadSyntaxDescription(syntax)) return false;
    edit.SetWindowText(text);
    edit.SetSel(0, 0);
    edit.SetFocus();
    host.GetWidget()->show();
    QCoreApplication::processEvents();
    return host.GetWidget()->grab().save(path, "PNG");
}

}  // namespace

int TBRenderColorRichEditGallery(const QString& folder) {
    int written = 0;
    if (Render(folder + QStringLiteral("/color_rich_edit_spice.png"), "SPICE", kNetlist, 460, 330)) ++written;
    if (Render(folder + QStringLiteral("/color_rich_edit_formula.png"), "Formula", kFormula, 460, 130)) ++written;
    return written;
}

namespace {
const CGalleryPages kPages("coloredit", TBRenderColorRichEditGallery);
}  // namespace
