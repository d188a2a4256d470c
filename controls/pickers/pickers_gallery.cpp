// The gallery pages of the pen and brush pickers: the selectors dropped from their
// popup buttons, the style combos closed, disabled and dropped, and CTBPen's lines.

#include "controls/window/gallery_pages.h"

#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/style_pickers.h>

#include <QApplication>
#include <QWidget>

namespace {

using tb_gallery::AddCaption;

int RenderSelectors(const QString& folder) {
    int written = 0;
    const char* names[] = {"pen_style", "pen_width", "brush_style"};
    for (int kind = 0; kind < 3; ++kind) {
        CWnd site;
        if (!tb_gallery::CreatePanel(site, "Drawing", 260, 60)) continue;
        CTBCommandBars bars(&site);
        CTBCommandBar* bar = bars.Add("Drawing");
        if (!bar) continue;
        bar->AddButton(1, "Select");
        auto* popup = static_cast<CTBControlPopupStyle*>(
            bar->AddControl(std::make_unique<CTBControlPopupStyle>(10 + kind, names[kind])));
        CTBControlStyleSelector* selector = nullptr;
        if (kind == 0) {
            auto s = std::make_unique<CTBControlPenStyleSelector>(20);
            s->SetPenStyle(PS_DOT);
            selector = popup->SetSelector(std::move(s));
        } else if (kind == 1) {
            auto s = std::make_unique<CTBControlPenWidthSelector>(21);
            s->SetPenWidth(3);
            selector = popup->SetSelector(std::move(s));
        } else {
            auto s = std::make_unique<CTBControlBrushStyleSelector>(22);
            s->SetBrushStyle(BS_HATCHED, HS_CROSS);
            selector = popup->SetSelector(std::move(s));
        }
        popup->SetPopuped(TRUE);
        QCoreApplication::processEvents();
        // The mouse over the second item: its hot frame beside the current one.
        selector->OnMouseMove(selector->GetItemRect(1).CenterPoint());
        QCoreApplication::processEvents();
        if (tb_gallery::SaveWithPopups(site.GetWidget(), folder + QStringLiteral("/selector_%1.png").arg(QString::fromLatin1(names[kind]))))
            ++written;
        popup->SetPopuped(FALSE);
        site.DestroyWindow();
    }
    return written;
}

int RenderCombos(const QString& folder) {
    CWnd panel;
    if (!tb_gallery::CreatePanel(panel, "Style combos", 420, 110)) return 0;
    CFont font;
    font.CreatePointFont(90, "DejaVu Sans");
    panel.SetFont(&font);
    AddCaption(panel, "Line width, line style, brush style; then disabled", 10, 8, 400);
    CTBLineWidthComboBox width, widthOff;
    CTBLineStyleComboBox style, styleOff;
    CTBBrushStyleComboBox brush, brushOff;
    const DWORD kChild = WS_CHILD | WS_VISIBLE;
    width.Create(kChild, CRect(10, 30, 130, 200), &panel, 1);
    style.Create(kChild, CRect(140, 30, 260, 200), &panel, 2);
    brush.Create(kChild, CRect(270, 30, 390, 200), &panel, 3);
    widthOff.Create(kChild | WS_DISABLED, CRect(10, 64, 130, 200), &panel, 4);
    styleOff.Create(kChild | WS_DISABLED, CRect(140, 64, 260, 200), &panel, 5);
    brushOff.Create(kChild | WS_DISABLED, CRect(270, 64, 390, 200), &panel, 6);
    width.SetCurSelLineWidth(3);
    style.SetCurSelLineStyle(PS_DASHDOT);
    brush.SetCurSelBrushStyle(LOGBRUSH{BS_HATCHED, 0, HS_DIAGCROSS});
    widthOff.SetCurSelLineWidth(5);
    styleOff.SetCurSelLineStyle(PS_DOT);
    brushOff.SetCurSelBrushStyle(LOGBRUSH{BS_SOLID, 0, 0});
    int written = tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/style_combos.png")) ? 1 : 0;
    for (CTBStyleComboBox* combo : {static_cast<CTBStyleComboBox*>(&width), static_cast<CTBStyleComboBox*>(&style),
                                    static_cast<CTBStyleComboBox*>(&brush)}) {
        combo->ShowDropDown(TRUE);
        QCoreApplication::processEvents();
        const int id = combo->GetDlgCtrlID();
        if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/style_combo_%1_dropped.png").arg(id)))
            ++written;
        combo->ShowDropDown(FALSE);
    }
    panel.DestroyWindow();
    return written;
}

/// Wide dashed lines drawn with CTBPen into an image.
int RenderPens(const QString& folder) {
    CRecordingDC dc(420, 110);
    CRect all(0, 0, 420, 110);
    dc.FillSolidRect(&all, RGB(255, 255, 255));
    const int styles[] = {PS_DOT, PS_DASH, PS_DASHDOT};
    const int widths[] = {1, 3, 5};
    const COLORREF colours[] = {RGB(0, 0, 140), RGB(160, 0, 0), RGB(0, 110, 0)};
    dc.SetBkMode(TRANSPARENT);
    for (int w = 0; w < 3; ++w) {
        CString label;
        label.Format("width %d", widths[w]);
        dc.TextOut(10 + w * 135, 0, label);
    }
    for (int s = 0; s < 3; ++s)
        for (int w = 0; w < 3; ++w) {
            CTBPen pen(styles[s], widths[w], colours[s], &dc);
            CPen* old = dc.SelectObject(&pen);
            const int x = 10 + w * 135, y = 30 + s * 28;
            dc.MoveTo(x, y);
            dc.LineTo(x + 120, y);
            dc.SelectObject(old);
        }
    return dc.GetImage().save(folder + QStringLiteral("/tbpen_lines.png"), "PNG") ? 1 : 0;
}

/// The colour popup open below a button, the current colour framed.
int RenderColorPopup(const QString& folder) {
    CWnd panel;
    if (!tb_gallery::CreatePanel(panel, "Colour", 200, 160)) return 0;
    CButton button;
    button.Create("Colour...", WS_CHILD | WS_VISIBLE, CRect(10, 10, 100, 34), &panel, 1);
    CRect below;
    button.GetWindowRect(&below);
    CTBColorPopup popup;
    int written = 0;
    if (popup.Create(CPoint(below.left, below.bottom), CTBColorPopup::GetColor(13), &panel)) {
        QCoreApplication::processEvents();
        if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/color_popup.png"))) ++written;
        popup.Close();
    }
    panel.DestroyWindow();
    return written;
}

}  // namespace

int TBRenderPickerGallery(const QString& folder) {
    return RenderSelectors(folder) + RenderCombos(folder) + RenderPens(folder) + RenderColorPopup(folder);
}

namespace {
const CGalleryPages kPages("pickers", TBRenderPickerGallery);
}  // namespace
