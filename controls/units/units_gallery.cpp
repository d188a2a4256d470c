// The gallery pages of the unit-aware controls and the material combos, with a
// sample dialog whose value goes through DDX_TBDouble.

#include "controls/window/gallery_pages.h"

#include <toolbox/ui/dc.h>
#include <toolbox/ui/menu.h>
#include <toolbox/ui/unit_controls.h>

#include <QApplication>
#include <QMenu>
#include <QKeyEvent>
#include <QWidget>

#include <memory>

namespace {

using tb_gallery::AddCaption;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL;

constexpr UINT IDC_VALUE = 10, IDC_UNIT = 11, IDC_LABEL = 12, IDC_CHECK = 13;

/// A resistor dialog as a host writes one: placeholders of its template become unit
/// controls, the value is exchanged as an engineering number.
class CResistorSampleDlg : public CDialog {
public:
    double m_value = 4700;
    CTBUnitEdit m_valueEdit;
    CTBUnitComboBox m_unit;
    CTBUnitStatic m_label;
    CTBUnitCheckBox m_check;

    static const CDialogTemplate& Template() {
        static const CDialogTemplate tmpl{
            1, "Resistor", WS_POPUP | WS_CAPTION, 180, 70, "MS Shell Dlg", 8,
            {{"STATIC", IDC_LABEL, "Resistance in k\\Ohm\\", WS_CHILD | WS_VISIBLE, 7, 9, 80, 10},
             {"EDIT", IDC_VALUE, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 90, 7, 40, 12},
             {"COMBOBOX", IDC_UNIT, "k\\Ohm\\", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 134, 7, 38, 60},
             {"BUTTON", IDC_CHECK, "Area in m\\2super\\", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 7, 26, 120, 12},
             {"BUTTON", IDOK, "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 68, 50, 50, 14},
             {"BUTTON", IDCANCEL, "Cancel", WS_CHILD | WS_VISIBLE, 122, 50, 50, 14}}};
        return tmpl;
    }
    void DoDataExchange(CDataExchange* dx) override { DDX_TBDouble(dx, IDC_VALUE, m_value); }
    BOOL OnInitDialog() override {
        m_valueEdit.SubclassDlgItem(IDC_VALUE, this);
        m_unit.SubclassDlgItem(IDC_UNIT, this);
        m_label.SubclassDlgItem(IDC_LABEL, this);
        m_check.SubclassDlgItem(IDC_CHECK, this);
        m_valueEdit.CreateDialogControl("Resistance");
        m_unit.CreateDialogControl("Resistance");
        m_label.CreateDialogControl();
        m_check.CreateDialogControl();
        m_check.SetCheck(BST_CHECKED);
        m_unit.SelectString(-1, "k\\Ohm\\");
        return CDialog::OnInitDialog();
    }
};

int RenderUnitControls(const QString& folder) {
    CWnd panel;
    if (!tb_gallery::CreatePanel(panel, "Unit controls", 560, 250)) return 0;
    CFont font;
    font.CreatePointFont(90, "DejaVu Sans");
    panel.SetFont(&font);
    AddCaption(panel, "CTBUnitStatic: enabled, then disabled", 10, 8, 300);
    const char* samples[] = {"4.7 k\\Ohm\\", "100 \\mu\\F", "2.5 m\\2super\\", "20 \\degree\\C"};
    std::vector<std::unique_ptr<CTBUnitStatic>> statics;
    for (int i = 0; i < 8; ++i) {
        statics.push_back(std::make_unique<CTBUnitStatic>());
        const int x = 10 + (i % 4) * 95, y = 26 + (i / 4) * 22;
        statics.back()->Create(samples[i % 4], kChild, CRect(x, y, x + 90, y + 20), &panel, static_cast<UINT>(50 + i));
        if (i >= 4) statics.back()->EnableWindow(FALSE);
    }
    AddCaption(panel, "CTBUnitCheckBox", 400, 8);
    CTBUnitCheckBox check, checkOff;
    check.Create("m\\2super\\", kChild | BS_AUTOCHECKBOX, CRect(400, 26, 550, 46), &panel, 60);
    check.SetCheck(BST_CHECKED);
    checkOff.Create("\\degree\\C", kChild | BS_AUTOCHECKBOX | WS_DISABLED, CRect(400, 48, 550, 68), &panel, 61);
    AddCaption(panel, "CTBUnitEdit", 10, 78);
    CTBUnitEdit edit, editOff;
    edit.Create("", "Resistance", kChild | WS_BORDER, CRect(10, 96, 130, 120), &panel, 62);
    edit.SetWindowText("4.7");
    editOff.Create("", "Resistance", kChild | WS_BORDER | WS_DISABLED, CRect(140, 96, 260, 120), &panel, 63);
    editOff.SetWindowText("disabled");
    AddCaption(panel, "CTBUnitComboBox", 280, 78);
    CTBUnitComboBox unit, unitOff;
    unit.Create("k\\Ohm\\", "Resistance", kList, CRect(280, 96, 400, 120), &panel, 64);
    unitOff.Create("", "NoSuchQuantity", kList, CRect(410, 96, 540, 120), &panel, 65);
    AddCaption(panel, "CTBPhysQuantComboBox", 10, 130);
    CTBPhysQuantComboBox quantity;
    quantity.Create("Temperature", nullptr, kList, CRect(10, 148, 200, 172), &panel, 66);
    AddCaption(panel, "Conductor and insulator materials", 210, 130, 300);
    CTBConductorMaterialComboBox conductor;
    CTBInsulatorMaterialComboBox insulator;
    conductor.Create("Copper", nullptr, kList, CRect(210, 148, 370, 172), &panel, 67);
    insulator.Create("PTFE", nullptr, kList, CRect(380, 148, 540, 172), &panel, 68);
    AddCaption(panel, "Area, temperature and capacitance units", 10, 182, 300);
    CTBUnitComboBox area, temperature, capacitance;
    area.Create("m^2", "Area", kList, CRect(10, 200, 130, 224), &panel, 69);
    temperature.Create("\\deg\\C", "Temperature", kList, CRect(140, 200, 260, 224), &panel, 70);
    capacitance.Create("uF", "Capacitance", kList, CRect(270, 200, 390, 224), &panel, 71);
    edit.SetFocus();
    int written = tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/unit_controls.png")) ? 1 : 0;

    // The unit combo dropped.
    unit.SetFocus();
    unit.ShowDropDown(TRUE);
    QCoreApplication::processEvents();
    if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/unit_combo_dropped.png"))) ++written;
    unit.ShowDropDown(FALSE);

    // The unit edit's context menu with its "Transform" submenu open.
    CMenu menu;
    if (CMenu* popup = edit.PrepareContextMenu(menu)) {
        std::unique_ptr<QMenu> shown(popup->BuildQMenu(panel.GetWidget()));
        shown->popup(edit.GetWidget()->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::processEvents();
        for (QAction* a : shown->actions())
            if (a->menu()) {
                shown->setActiveAction(a);
                QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
                QApplication::sendEvent(shown.get(), &right);
            }
        QCoreApplication::processEvents();
        if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/unit_edit_menu.png"))) ++written;
        shown->close();
    }
    panel.DestroyWindow();
    return written;
}

int RenderSampleDialog(const QString& folder) {
    CResistorSampleDlg dialog;
    if (!dialog.CreateIndirect(CResistorSampleDlg::Template(), nullptr)) return 0;
    const bool saved = tb_gallery::SaveWithPopups(dialog.GetWidget(), folder + QStringLiteral("/dialog_unit_sample.png"));
    dialog.DestroyWindow();
    return saved ? 1 : 0;
}

}  // namespace

int TBRenderUnitGallery(const QString& folder) { return RenderUnitControls(folder) + RenderSampleDialog(folder); }

namespace {
const CGalleryPages kPages("units", TBRenderUnitGallery);
}  // namespace
