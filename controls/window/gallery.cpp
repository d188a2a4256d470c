// The gallery: the window layer's own pages (standard controls, drawing, dialog
// templates, menus, rich edit, find and replace), then every page the control families
// registered, rendered into PNG files so that their look can be checked without a display.
#include <toolbox/ui/window_layer.h>

#include <toolbox/ui/controls.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/menu.h>

#include "controls/window/gallery_pages.h"
#include "controls/window/native_window.h"

#include <QApplication>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <set>
#include <vector>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QWidget>

namespace {

bool SaveWidget(QWidget* widget, const QString& path) {
    widget->show();
    QCoreApplication::processEvents();
    return widget->grab().save(path, "PNG");
}

/// A window that draws a sample of everything a device context offers.
class CDrawingSample : public CWnd {
public:
    static void Draw(CDC& dc) {
        CRect all(0, 0, 640, 400);
        dc.FillSolidRect(&all, RGB(255, 255, 255));
        CFont title;
        LOGFONT lf;
        lf.lfHeight = -13;
        lf.lfWeight = 700;
        std::strcpy(lf.lfFaceName, "DejaVu Sans");
        title.CreateFontIndirect(&lf);
        CFont* oldFont = dc.SelectObject(&title);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(10, 8, "Pens");
        dc.TextOut(170, 8, "Hatched brushes");
        dc.TextOut(10, 200, "Shapes");
        dc.TextOut(330, 200, "Text alignment and mapping");
        dc.SelectObject(oldFont);

        const UINT styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
        for (int i = 0; i < 5; ++i) {
            CPen pen(styles[i], 1, RGB(0, 0, 160));
            CPen* old = dc.SelectObject(&pen);
            dc.MoveTo(10, 36 + i * 14);
            dc.LineTo(150, 36 + i * 14);
            dc.SelectObject(old);
        }
        for (int w = 1; w <= 4; ++w) {
            LOGBRUSH lb{BS_SOLID, RGB(160, 0, 0), 0};
            CPen pen;
            pen.CreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, w * 2, &lb);
            CPen* old = dc.SelectObject(&pen);
            dc.MoveTo(10, 110 + w * 16);
            dc.LineTo(150, 110 + w * 16);
            dc.SelectObject(old);
        }
        for (int h = HS_HORIZONTAL; h <= HS_DIAGCROSS; ++h) {
            CBrush brush(h, RGB(0, 100, 0));
            CBrush* old = dc.SelectObject(&brush);
            const int x = 170 + (h % 3) * 75, y = 30 + (h / 3) * 80;
            dc.SetBkColor(RGB(235, 245, 235));
            dc.SetBkMode(OPAQUE);
            dc.Rectangle(x, y, x + 65, y + 65);
            dc.SelectObject(old);
        }
        dc.SetBkMode(TRANSPARENT);

        CBrush yellow(RGB(250, 220, 90));
        CBrush* oldBrush = dc.SelectObject(&yellow);
        dc.Ellipse(10, 225, 80, 285);
        dc.Pie(90, 225, 160, 295, 160, 260, 125, 225);
        dc.RoundRect(170, 225, 250, 285, 16, 16);
        const POINT star[] = {{290, 222}, {302, 256}, {270, 236}, {310, 236}, {278, 256}};
        dc.SetPolyFillMode(WINDING);
        dc.Polygon(star, 5);
        dc.SelectObject(oldBrush);
        dc.Arc(10, 300, 80, 370, 80, 335, 10, 335);
        dc.Chord(90, 300, 160, 370, 160, 335, 90, 335);
        CRect focus(170, 305, 250, 335);
        dc.DrawFocusRect(&focus);
        CRect check(170, 345, 186, 361), radio(195, 345, 211, 361), push(220, 342, 300, 366);
        dc.DrawFrameControl(&check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
        dc.DrawFrameControl(&radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
        dc.DrawFrameControl(&push, DFC_BUTTON, DFCS_BUTTONPUSH);
        CRect threeD(260, 305, 310, 335);
        dc.Draw3dRect(&threeD, RGB(255, 255, 255), RGB(128, 128, 128));

        CPen guide(PS_DOT, 1, RGB(180, 180, 180));
        CPen* oldPen = dc.SelectObject(&guide);
        dc.MoveTo(330, 240);
        dc.LineTo(630, 240);
        dc.MoveTo(480, 220);
        dc.LineTo(480, 260);
        dc.SelectObject(oldPen);
        dc.SetTextColor(RGB(0, 0, 128));
        dc.SetTextAlign(TA_CENTER | TA_BASELINE);
        dc.TextOut(480, 240, "centre on the baseline");
        dc.SetTextAlign(TA_LEFT | TA_TOP);
        CRect box(330, 270, 630, 300);
        dc.FrameRect(&box, &yellow);
        dc.DrawText("A long line of text shortened with an end ellipsis to fit", &box,
                    DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        // A small plot in an isotropic mapping: y grows upwards.
        const int saved = dc.SaveDC();
        dc.SetMapMode(MM_ISOTROPIC);
        dc.SetWindowExt(100, 100);
        dc.SetViewportExt(90, -90);
        dc.SetViewportOrg(350, 390);
        CPen axis(PS_SOLID, 0, RGB(0, 0, 0));
        dc.SelectObject(&axis);
        dc.MoveTo(0, 0);
        dc.LineTo(100, 0);
        dc.MoveTo(0, 0);
        dc.LineTo(0, 90);
        CPen curve(PS_SOLID, 2, RGB(200, 0, 0));
        dc.SelectObject(&curve);
        POINT points[20];
        for (int i = 0; i < 20; ++i) points[i] = {i * 5, static_cast<long>(80 * (1 - std::exp(-i / 5.0)))};
        dc.Polyline(points, 20);
        dc.RestoreDC(saved);
        dc.SetTextColor(0);
        dc.TextOut(460, 330, "RC step, isotropic mapping");
    }
};

/// One window holding every standard control, as a dialog would.
int RenderControls(const QString& folder) {
    CWnd host;
    host.CreateEx(0, nullptr, "Standard controls", WS_OVERLAPPEDWINDOW, CRect(0, 0, 560, 330), nullptr, 0);
    QWidget* window = host.GetWidget();
    window->setAutoFillBackground(true);
    window->setWindowTitle(QStringLiteral("Standard controls"));
    CStatic label;
    label.Create("&Name:", WS_CHILD | WS_VISIBLE, CRect(12, 14, 80, 32), &host, 100);
    CEdit edit;
    edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, CRect(84, 10, 260, 34), &host, 101);
    edit.SetWindowText("Resistor R1");
    CEdit multi;
    multi.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | WS_VSCROLL, CRect(12, 42, 260, 110), &host, 102);
    multi.SetWindowText("Multi-line edit\nsecond line\nthird line");
    CButton group, check, radio1, radio2, push, def;
    group.Create("Options", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, CRect(12, 116, 260, 210), &host, 103);
    check.Create("Show &grid", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, CRect(24, 136, 250, 156), &host,
                 104);
    check.SetCheck(BST_CHECKED);
    radio1.Create("&Linear", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP, CRect(24, 158, 250, 178), &host,
                  105);
    radio2.Create("L&ogarithmic", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, CRect(24, 180, 250, 200), &host, 106);
    radio1.SetCheck(BST_CHECKED);
    CComboBox combo, editCombo;
    combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, CRect(12, 220, 130, 320), &host, 107);
    for (const char* unit : {"Ohm", "kOhm", "MegOhm"}) combo.AddString(unit);
    combo.SetCurSel(1);
    editCombo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_TABSTOP, CRect(140, 220, 260, 320), &host, 108);
    editCombo.AddString("10 ms");
    editCombo.SetWindowText("1 us");
    CListBox list;
    list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_NOTIFY, CRect(280, 10, 400, 110), &host, 109);
    for (const char* q : {"Voltage", "Current", "Power", "Charge", "Flux"}) list.AddString(q);
    list.SetCurSel(1);
    CListCtrl table;
    table.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, CRect(280, 120, 548, 250), &host, 110);
    table.InsertColumn(0, "Channel", LVCFMT_LEFT, 90);
    table.InsertColumn(1, "Unit", LVCFMT_LEFT, 60);
    table.InsertColumn(2, "Points", LVCFMT_RIGHT, 70);
    const char* rows[][3] = {{"V(out)", "V", "1001"}, {"I(R1)", "A", "1001"}, {"P(R1)", "W", "1001"}};
    for (int r = 0; r < 3; ++r) {
        table.InsertItem(r, rows[r][0]);
        table.SetItemText(r, 1, rows[r][1]);
        table.SetItemText(r, 2, rows[r][2]);
    }
    table.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    table.GetHeaderCtrl()->SetSortArrow(0, TRUE);
    CButton disabled;
    push.Create("&Apply", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(280, 270, 360, 298), &host, 111);
    def.Create("OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, CRect(370, 270, 450, 298), &host, IDOK);
    disabled.Create("Disabled", WS_CHILD | WS_VISIBLE | WS_DISABLED, CRect(460, 270, 548, 298), &host, 112);
    return SaveWidget(window, folder + QStringLiteral("/controls.png")) ? 1 : 0;
}

int RenderDrawing(const QString& folder) {
    QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        CDC dc;
        dc.AttachDevice(&image);
        CDrawingSample::Draw(dc);
    }
    return image.save(folder + QStringLiteral("/drawing.png"), "PNG") ? 1 : 0;
}

void AddStrings(CWnd* list, std::initializer_list<const char*> strings) {
    if (!list) return;
    for (const char* text : strings) list->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    list->SendMessage(LB_SETCURSEL, 0);
}

void FillCalculator(CDialog& dialog) {
    dialog.SetDlgItemText(4009, "Vout := Vin * R2 / (R1 + R2)");
    AddStrings(dialog.GetDlgItem(4013), {"Trigonometrics", "Exponential", "Complex", "Logical", "Constants"});
    AddStrings(dialog.GetDlgItem(4014), {"sin", "cos", "tan", "asin", "acos", "atan"});
    AddStrings(dialog.GetDlgItem(4012), {"R1", "R2", "Vin", "Vout"});
}


/// Each dialog template filled with nothing, but those a family draws itself.
int RenderDialogs(const QString& folder, const std::vector<TBGalleryPageSet>& families) {
    std::set<UINT> drawnByFamily;
    for (const TBGalleryPageSet& family : families)
        drawnByFamily.insert(family.ownTemplates.begin(), family.ownTemplates.end());
    int written = 0;
    for (UINT id : TBGetDialogTemplateIds()) {
        if (drawnByFamily.count(id)) continue;
        const CDialogTemplate* tmpl = TBFindDialogTemplate(id);
        CDialog dialog;
        if (!dialog.CreateIndirect(*tmpl, nullptr)) continue;
        if (CWnd* progress = dialog.GetDlgItem(4000)) {
            progress->SendMessage(WM_USER + 1, 0, MAKELPARAM(0, 10));
            progress->SendMessage(WM_USER + 2, 4);
            dialog.SetDlgItemText(4001, "report.xml");
        }
        if (id == 4304) FillCalculator(dialog);
        if (SaveWidget(dialog.GetWidget(), folder + QStringLiteral("/dialog_%1.png").arg(id))) ++written;
    }
    return written;
}

/// A netlist in the rich edit, coloured as the colouring editor does it, with a
/// selection and a found word.
int RenderRichEdit(const QString& folder) {
    CWnd host;
    host.CreateEx(0, nullptr, "Rich edit", WS_OVERLAPPEDWINDOW, CRect(0, 0, 420, 170), nullptr, 0);
    host.GetWidget()->setAutoFillBackground(true);
    CRichEditCtrl edit;
    edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL, CRect(8, 8, 412, 162), &host, 100);
    edit.SetWindowText(
        "* RC low pass\nR1 in out 4.7k ; series resistor\nC1 out 0 100n ; load capacitor\n"
        ".tran 1u 5m\n.end");
    struct Range {
        int start, end;
        COLORREF color;
        BOOL bold;
    };
    const Range ranges[] = {
        {0, 13, RGB(0, 128, 0), FALSE},  {14, 16, RGB(0, 0, 160), TRUE},   {24, 28, RGB(160, 0, 0), FALSE},
        {29, 46, RGB(0, 128, 0), FALSE}, {47, 49, RGB(0, 0, 160), TRUE},   {56, 60, RGB(160, 0, 0), FALSE},
        {61, 77, RGB(0, 128, 0), FALSE}, {78, 83, RGB(128, 0, 128), TRUE}, {90, 94, RGB(128, 0, 128), TRUE}};
    for (const Range& r : ranges) edit.SetRangeFormat(r.start, r.end, r.color, r.bold);
    FINDTEXTEX find;
    find.chrg = {0, -1};
    find.lpstrText = "out";
    if (edit.FindText(FR_DOWN | FR_WHOLEWORD, find) >= 0) edit.SetSel(find.chrgText.cpMin, find.chrgText.cpMax);
    edit.SetFocus();
    return SaveWidget(host.GetWidget(), folder + QStringLiteral("/rich_edit.png")) ? 1 : 0;
}

/// The find and the replace dialog (they delete themselves when their window goes).
int RenderFindReplace(const QString& folder) {
    int written = 0;
    for (BOOL findOnly : {TRUE, FALSE}) {
        auto* dialog = new CFindReplaceDialog;
        if (!dialog->Create(findOnly, "R1", findOnly ? nullptr : "R2", FR_DOWN | FR_MATCHCASE, nullptr)) continue;
        const QString name = findOnly ? QStringLiteral("/dialog_find.png") : QStringLiteral("/dialog_replace.png");
        if (SaveWidget(dialog->GetWidget(), folder + name)) ++written;
        dialog->DestroyWindow();
    }
    return written;
}

int RenderMenus(const QString& folder) {
    CMenu menu;
    if (!menu.LoadMenu(4404)) return 0;
    int written = 0;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        CMenu* popup = menu.GetSubMenu(i);
        CString name;
        menu.GetMenuString(static_cast<UINT>(i), name, MF_BYPOSITION);
        if (!popup) continue;
        std::unique_ptr<QMenu> qmenu(popup->BuildQMenu(nullptr));
        qmenu->adjustSize();
        if (SaveWidget(qmenu.get(), folder + QStringLiteral("/menu_4404_%1.png").arg(TBQ(name)))) ++written;
        qmenu->hide();
    }
    return written;
}

}  // namespace

int TBRenderGallery(const char* folder) {
    if (!folder || !TBStartWindowLayer()) return -1;
    const QString dir = QString::fromUtf8(folder);
    if (!QDir().mkpath(dir)) {
        TBStopWindowLayer();
        return -1;
    }
    const std::vector<TBGalleryPageSet> families = TBGalleryPageSets();
    int written = RenderControls(dir) + RenderDrawing(dir) + RenderDialogs(dir, families) + RenderMenus(dir) +
                  RenderRichEdit(dir) + RenderFindReplace(dir);
    for (const TBGalleryPageSet& family : families) written += family.render(dir);
    TBStopWindowLayer();
    return written;
}
