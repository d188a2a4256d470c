// A resizing dialog: a library template whose controls keep to the edges they are
// anchored to when the user resizes the window, and whose size and position come back
// the next time it opens.
#include <toolbox/services/system_helpers.h>
#include <toolbox/toolbox-ui.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT IDD_TABLES = 4306;  // the library's "Table Properties" template
constexpr UINT IDC_TABLE_NAME = 4020;

class CTablesDialog : public CTBDialog {
public:
    CTablesDialog() : CTBDialog(IDD_TABLES) {
        SetControlInfo(IDC_TABLE_NAME, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP);  // stretches
        SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);                        // keeps to the corner
        SetControlInfo(IDCANCEL, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    }
    /// A control's rectangle in the dialog's client coordinates.
    CRect ControlRect(UINT id) {
        CRect r;
        GetDlgItem(static_cast<int>(id))->GetWindowRect(&r);
        ScreenToClient(&r);
        return r;
    }
};

/// Lets Qt deliver the size change to the dialog.
void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The placement is kept in the per-user settings store ($XDG_CONFIG_HOME/veltranix);
    // the example keeps it in a folder of its own.
    char settings[] = "/tmp/guide_dialog_XXXXXX";
    if (!mkdtemp(settings)) return 1;
    setenv("XDG_CONFIG_HOME", settings, 1);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    bool ok = true;
    CRect grown;
    {
        CTablesDialog dialog;
        ok = dialog.Create(IDD_TABLES) && dialog.GetSafeHwnd();
        if (ok) {
            dialog.GetWidget()->show();
            Settle();
            const CRect name = dialog.ControlRect(IDC_TABLE_NAME), button = dialog.ControlRect(IDOK);
            CRect window;
            dialog.GetWindowRect(&window);
            // The user drags the corner 120 pixels right and 60 down.
            dialog.MoveWindow(window.left, window.top, window.Width() + 120, window.Height() + 60);
            Settle();
            const CRect name2 = dialog.ControlRect(IDC_TABLE_NAME), button2 = dialog.ControlRect(IDOK);
            std::printf("name field: %ld wide, now %ld; OK at (%ld, %ld), now (%ld, %ld)\n", name.Width(),
                        name2.Width(), button.left, button.top, button2.left, button2.top);
            ok = name2.Width() == name.Width() + 120 && name2.top == name.top && button2.left == button.left + 120 &&
                 button2.top == button.top + 60;
            dialog.GetWindowRect(&grown);
            dialog.DestroyWindow();  // the placement is stored now
        }
    }
    if (ok) {
        CTablesDialog again;  // opens where and how large the user left it
        ok = again.Create(IDD_TABLES) && again.GetSafeHwnd();
        if (ok) {
            Settle();
            CRect window;
            again.GetWindowRect(&window);
            std::printf("reopened at %ld x %ld (left %ld x %ld)\n", window.Width(), window.Height(), grown.Width(),
                        grown.Height());
            ok = window.Width() == grown.Width() && window.Height() == grown.Height();
            again.DestroyWindow();
        }
    }
    TBStopWindowLayer();
    TBRemoveDirectory(settings);
    return ok ? 0 : 1;
}
