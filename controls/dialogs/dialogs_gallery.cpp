// Gallery pages of the dialog family: a resizable dialog at three sizes, a wizard
// with Finish hidden and shown, the customisation options in a sheet, a dialog with
// command bars and an open popup, a frame with panes, and the library's art.
#include "controls/window/gallery_pages.h"
#include <toolbox/ui/control_bar_dialog.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/form_view.h>
#include <toolbox/ui/frame_wnd.h>
#include <toolbox/ui/ui_resources.h>

#include "controls/window/native_window.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

constexpr UINT IDC_NAME = 100, IDC_COMMENT = 101, IDC_GRID = 102, IDC_HELP_BUTTON = 103, IDC_NAME_LABEL = 104,
               IDC_COMMENT_LABEL = 105, IDC_UNIT = 106, IDC_UNIT_LABEL = 107;

const CDialogTemplate& ChannelTemplate() {
    static const CDialogTemplate tmpl = {
        0,
        "Channel Properties",
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT,
        220,
        130,
        "MS Shell Dlg",
        8,
        {{"STATIC", IDC_NAME_LABEL, "&Name:", WS_VISIBLE, 7, 9, 40, 8},
         {"EDIT", IDC_NAME, "Voltage U1", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 50, 7, 163, 12},
         {"STATIC", IDC_UNIT_LABEL, "&Unit:", WS_VISIBLE, 7, 25, 40, 8},
         {"COMBOBOX", IDC_UNIT, "", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 50, 23, 60, 60},
         {"STATIC", IDC_COMMENT_LABEL, "&Comment:", WS_VISIBLE, 7, 41, 60, 8},
         {"EDIT", IDC_COMMENT, "Measured at the converter's DC link.",
          WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN, 7, 51, 206, 50},
         {"BUTTON", IDC_GRID, "Show &grid", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 120, 25, 60, 10},
         {"BUTTON", IDC_HELP_BUTTON, "&Help", WS_VISIBLE | WS_TABSTOP, 7, 109, 50, 14},
         {"BUTTON", IDOK, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 109, 109, 50, 14},
         {"BUTTON", IDCANCEL, "Cancel", WS_VISIBLE | WS_TABSTOP, 163, 109, 50, 14}}};
    return tmpl;
}

/// A dialog whose anchors show every kind of behaviour.
class CChannelDialog : public CTBControlBarDialog {
public:
    CChannelDialog() : CTBControlBarDialog("GalleryChannel") {
        SetRememberSize(FALSE);
        SetControlInfo(IDC_NAME_LABEL, TB_ANCHOR_LEFT | TB_ANCHOR_TOP);
        SetControlInfo(IDC_NAME, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP);
        SetControlInfo(IDC_UNIT_LABEL, TB_ANCHOR_LEFT | TB_ANCHOR_TOP);
        SetControlInfo(IDC_UNIT, TB_ANCHOR_LEFT | TB_ANCHOR_TOP);
        SetControlInfo(IDC_GRID, TB_ANCHOR_CENTER_X | TB_ANCHOR_TOP);
        SetControlInfo(IDC_COMMENT_LABEL, TB_ANCHOR_LEFT | TB_ANCHOR_TOP);
        SetControlInfo(IDC_COMMENT, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP | TB_ANCHOR_BOTTOM);
        SetControlInfo(IDC_HELP_BUTTON, TB_ANCHOR_LEFT | TB_ANCHOR_BOTTOM);
        SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
        SetControlInfo(IDCANCEL, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    }
};

bool Save(QWidget* widget, const QString& path) {
    widget->show();
    QCoreApplication::processEvents();
    return widget->grab().save(path, "PNG");
}

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

int RenderResizableDialog(const QString& folder) {
    CChannelDialog dialog;
    if (!dialog.CreateIndirect(ChannelTemplate(), nullptr)) return 0;
    if (CWnd* unit = dialog.GetDlgItem(IDC_UNIT)) {
        for (const char* u : {"V", "kV", "mV"}) unit->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u));
        unit->SendMessage(CB_SETCURSEL, 0);
    }
    QWidget* w = dialog.GetWidget();
    w->show();
    Settle();
    const QSize first = w->size();
    const QSize sizes[] = {first, first + QSize(120, 50), first + QSize(300, 150)};
    int written = 0;
    for (int i = 0; i < 3; ++i) {
        w->resize(sizes[i]);
        Settle();
        if (Save(w, folder + QStringLiteral("/dialog_resizable_%1.png").arg(i + 1))) ++written;
    }
    return written;
}

const CDialogTemplate& WizardPageTemplate() {
    static const CDialogTemplate tmpl = {
        0,
        "Export",
        WS_CHILD | DS_SETFONT,
        200,
        90,
        "MS Shell Dlg",
        8,
        {{"STATIC", 0xFFFF, "Choose the channels to write and the file they go to.", WS_VISIBLE, 7, 7, 186, 16},
         {"LISTBOX", 200, "", WS_VISIBLE | WS_BORDER | WS_VSCROLL, 7, 26, 186, 40},
         {"STATIC", 0xFFFF, "&File:", WS_VISIBLE, 7, 74, 24, 8},
         {"EDIT", 201, "result.csv", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 34, 72, 159, 12}}};
    return tmpl;
}

int RenderWizard(const QString& folder) {
    int written = 0;
    for (int finish = 0; finish < 2; ++finish) {
        CTBPropertyPage first(&WizardPageTemplate(), "WizardPage1"), second(&WizardPageTemplate(), "WizardPage2");
        CTBPropertySheet wizard("Export Wizard");
        wizard.SetRememberSize(FALSE);
        wizard.SetRememberActiveTab(FALSE);
        wizard.SetWizardMode();
        wizard.AddPage(&first);
        wizard.AddPage(&second);
        if (!wizard.Create(nullptr, FALSE)) continue;
        if (CWnd* list = first.GetDlgItem(200))
            for (const char* c : {"Time", "Voltage U1", "Current I1"})
                list->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c));
        wizard.SetWizardButtons(finish ? (PSWIZB_BACK | PSWIZB_FINISH) : (PSWIZB_BACK | PSWIZB_NEXT));
        const QString name = finish ? QStringLiteral("/sheet_wizard_finish.png") : QStringLiteral("/sheet_wizard.png");
        if (Save(wizard.GetWidget(), folder + name)) ++written;
        wizard.DestroyWindow();
    }
    return written;
}

int RenderCustomizeSheet(const QString& folder) {
    CWnd site;
    site.CreateEx(0, nullptr, "site", WS_OVERLAPPEDWINDOW, CRect(0, 0, 10, 10), nullptr, 0);
    CTBCommandBars bars(&site);
    bars.GetCommandBarsOptions()->bAlwaysShowFullMenus = FALSE;
    CTBCustomizeOptionsPage page(&bars);
    CTBPropertySheet sheet("Customize");
    sheet.SetRememberSize(FALSE);
    sheet.SetRememberActiveTab(FALSE);
    sheet.AddPage(&page);
    if (!sheet.Create(nullptr, FALSE)) return 0;
    return Save(sheet.GetWidget(), folder + QStringLiteral("/sheet_customize_options.png")) ? 1 : 0;
}

/// The dialog with a toolbar whose style popup is open: the dialog and the popup.
int RenderCommandBars(const QString& folder) {
    CChannelDialog dialog;
    if (!dialog.CreateIndirect(ChannelTemplate(), nullptr)) return 0;
    CTBCommandBar* bar = dialog.GetCommandBars()->Add("Standard");
    HICON pinned = TBLoadIcon(4490, 16);
    bar->AddButton(1, "&New", "New channel");
    bar->AddButton(2, "&Open");
    bar->AddButton(3, "&Save")->SetChecked(TRUE);
    bar->SetBeginGroup(3);
    bar->AddButton(4, "Pin")->SetIcon(pinned);
    CTBBarPopup* style = bar->AddPopup(5, "Style");
    style->GetCommandBar()->AddButton(6, "Solid");
    style->GetCommandBar()->AddButton(7, "Dashed")->SetChecked(TRUE);
    style->GetCommandBar()->AddButton(8, "Dotted")->SetEnabled(FALSE);
    style->GetCommandBar()->SetBeginGroup(2);
    dialog.RecalcBarLayout();
    Settle();
    int written = Save(dialog.GetWidget(), folder + QStringLiteral("/dialog_command_bars.png")) ? 1 : 0;
    style->SetPopuped(TRUE);
    Settle();
    if (CTBCommandBar* popup = style->GetCommandBar())
        if (popup->GetWidget() && popup->GetWidget()->grab().save(folder + QStringLiteral("/command_bar_popup.png")))
            ++written;
    style->SetPopuped(FALSE);
    dialog.DestroyWindow();
    DestroyIcon(pinned);
    return written;
}

/// A frame with a menu bar, a docked pane, a form view and its message line.
int RenderFrame(const QString& folder) {
    CTBFrameWnd frame;
    if (!frame.LoadFrame(0)) return 0;
    frame.SetWindowText("Waveform Viewer");
    frame.GetCommandBars()->SetMenu(4404);
    CTBFormView view(&WizardPageTemplate(), "GalleryView");
    view.Create(&frame, CRect(0, 0, 300, 200));
    frame.SetActiveView(&view);
    frame.GetDockingPaneManager()->CreatePane(1, "Channels", nullptr, TBDockSide::Left, 120);
    frame.SetMessageText("Ready");
    frame.GetWidget()->resize(560, 300);
    Settle();
    return Save(frame.GetWidget(), folder + QStringLiteral("/frame_with_panes.png")) ? 1 : 0;
}

/// The pin icons at two sizes and every bitmap-button bitmap in its four states.
int RenderArt(const QString& folder) {
    const std::vector<CString> glyphs = TBGetBitmapGlyphs();
    QImage sheet(40 + 4 * 30, 80 + static_cast<int>(glyphs.size()) * 30, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int x = 8;
    for (UINT id : {4490u, 4491u})
        for (int size : {16, 32}) {
            HICON icon = TBLoadIcon(id, size);
            if (const QImage* image = TBGetIconImage(icon)) p.drawImage(x, 8, *image);
            DestroyIcon(icon);
            x += size + 8;
        }
    for (size_t g = 0; g < glyphs.size(); ++g)
        for (int s = 0; s < 4; ++s) {
            CBitmap bitmap;
            if (TBLoadBitmap(bitmap, IDB_TB_BUTTON_FIRST + static_cast<UINT>(g * 4 + s)))
                p.drawImage(8 + s * 30, 56 + static_cast<int>(g) * 30, *bitmap.GetImage());
        }
    p.end();
    return sheet.save(folder + QStringLiteral("/art_icons_and_bitmaps.png"), "PNG") ? 1 : 0;
}

}  // namespace

/// Renders the dialog family's gallery pages into folder; the number of files written.
int TBRenderDialogGallery(const QString& folder) {
    return RenderResizableDialog(folder) + RenderWizard(folder) + RenderCustomizeSheet(folder) +
           RenderCommandBars(folder) + RenderFrame(folder) + RenderArt(folder);
}

namespace {
const CGalleryPages kPages("dialogs", TBRenderDialogGallery);
}  // namespace
