// The colouring editor with a syntax description file: the host writes (or ships) a
// description, the editor loads it and colours the text as it is set and typed.
#include <toolbox/toolbox-ui.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Comment lines start with "*" and show green (0x008000 = 32768); the keywords ".tran"
// and ".end" show blue (0xFF0000 in 0x00BBGGRR = 16711680). The format is in the
// manual page toolbox-config(5).
const char kDescription[] =
    "[General]\n"
    "CaseSensitivity=0\n"
    "[Ranges]\n"
    "NumberOfRangeGroups=1\n"
    "RangeGroup0=Comments\n"
    "[Comments]\n"
    "Color=32768\n"
    "NumberOfDscr=1\n"
    "Open0=^\\*\n"
    "Close0=$\n"
    "[Tokens]\n"
    "NumberOfTokenGroups=1\n"
    "TokenGroup0=Commands\n"
    "[Commands]\n"
    "Color=16711680\n"
    "StdStartSep=^\n"
    "StdStopSep=[ \\t]|$\n"
    "NumberOfDscr=1\n"
    "TokenDscr0=\\.(tran|end)\n";

/// The colour of column of line, or -1 when the column is not coloured.
long ColourAt(CTBColorRichEdit& editor, int line, int column) {
    const CTBColorRichEditLine* object = editor.GetLineObject(line);
    if (!object) return -1;
    for (const sColorDscrColorRichEdit& span : object->GetColorDscr())
        if (column >= span.first && column <= span.last) return static_cast<long>(span.color);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    int status = 1;
    char path[] = "/tmp/guide_coloredit_XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0 && write(fd, kDescription, sizeof kDescription - 1) == static_cast<ssize_t>(sizeof kDescription - 1)) {
        CWnd window;
        CTBColorRichEdit editor;
        if (window.CreateEx(0, nullptr, "Netlist", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 200), nullptr, 0) &&
            editor.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE, CRect(0, 0, 380, 180), &window, 1)) {
            window.GetWidget()->show();
            // The file becomes the editor's own description (freed with the editor).
            // LoadSyntaxDescription("SPICE") would take the description that
            // vexaedit.cfg beside the library names for SPICE netlists.
            editor.LoadSyntaxDescriptionFile(path);
            editor.SetWindowText("* RC step\r\nR1 in out 1k\r\n.tran 1u 1m\r\n.end\r\n");
            const long comment = ColourAt(editor, 0, 2), plain = ColourAt(editor, 1, 0),
                       command = ColourAt(editor, 2, 1);
            std::printf("line 1: %ld, line 2: %ld, line 3: %ld\n", comment, plain, command);
            status = comment == 32768 && plain == -1 && command == 16711680 ? 0 : 1;
            editor.DestroyWindow();
            window.DestroyWindow();
        }
    }
    if (fd >= 0) {
        close(fd);
        unlink(path);
    }
    TBStopWindowLayer();
    return status;
}
