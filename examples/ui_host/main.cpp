// A host of the window library: the "Table Properties" dialog (template 4306) made
// from the library's resources, filled by the host, driven by real key events, and
// its notifications received through a message map.
#include <toolbox/toolbox-ui.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT IDC_TABLE_NAME = 4020;

class CTablesDialog : public CDialog {
public:
    int selectionChanges = 0;
    int okClicks = 0;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* tables = static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME));
        tables->AddString("Measurements");
        tables->AddString("Limits");
        tables->SetCurSel(0);
        return TRUE;
    }
    void OnTableChanged() {
        CString name;
        GetDlgItemText(IDC_TABLE_NAME, name);
        std::printf("CBN_SELCHANGE from %u: \"%s\"\n", IDC_TABLE_NAME, name.GetString());
        ++selectionChanges;
    }
    void OnOK() override {
        std::printf("BN_CLICKED from IDOK\n");
        ++okClicks;
        // Modeless here: the host decides when the window goes.
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTablesDialog, CDialog)
ON_CBN_SELCHANGE(IDC_TABLE_NAME, OnTableChanged)
END_MESSAGE_MAP()

void PressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    int status = 1;
    {
        CTablesDialog dialog;
        if (dialog.Create(4306) && dialog.GetSafeHwnd()) {
            dialog.GetWidget()->show();
            QWidget* tables = dialog.GetDlgItem(IDC_TABLE_NAME)->GetWidget();
            PressKey(tables, Qt::Key_Down);  // the user picks the second table
            dialog.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
            status = dialog.selectionChanges == 1 && dialog.okClicks == 1 ? 0 : 1;
        }
    }
    TBStopWindowLayer();
    std::printf(status == 0 ? "notifications received\n" : "notifications missing\n");
    return status;
}
