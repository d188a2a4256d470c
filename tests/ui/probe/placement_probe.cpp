// A program that shows a remembering dialog: "store X Y W H" places it and closes it
// (its placement goes to the per-user settings store), "show" opens it again. Both
// print the dialog's window rectangle as "X Y W H".
#include <toolbox/toolbox-ui.h>
#include <toolbox/ui/tb_dialog.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc < 2 || !TBStartWindowLayer()) return 2;
    static const CDialogTemplate tmpl = {0,  "Probe", WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_SETFONT,
                                         120, 80,      "MS Shell Dlg", 8,
                                         {{"BUTTON", IDOK, "OK", WS_VISIBLE, 63, 59, 50, 14}}};
    CTBDialog dialog("PlacementProbe");
    dialog.SetControlInfo(IDOK, 10);
    if (!dialog.CreateIndirect(tmpl, nullptr)) return 3;
    dialog.GetWidget()->show();
    QCoreApplication::processEvents();
    if (std::strcmp(argv[1], "store") == 0 && argc == 6)
        dialog.MoveWindow(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    QCoreApplication::processEvents();
    CRect r;
    dialog.GetWindowRect(&r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.Width(), r.Height());
    dialog.DestroyWindow();
    TBStopWindowLayer();
    return 0;
}
