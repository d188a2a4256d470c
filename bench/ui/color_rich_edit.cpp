// The colouring editor on a 100,000-line SPICE netlist with the shipped description:
// setting the text (the model built and coloured, the blocks painted), a keystroke in
// the middle, and typing a "{" that opens an expression range.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_ui_color_rich_edit [lines]
#include <toolbox/toolbox-ui.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
/// Processor time of this process: on a shared machine the fairer figure.
double CpuMilliseconds() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

std::string Netlist(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 5) {
            case 0: text += "R" + n + " n" + n + " n" + n + "x 4.7k ; load resistor\n"; break;
            case 1: text += "C" + n + " n" + n + " 0 100n IC=0\n"; break;
            case 2: text += "V" + n + " in" + n + " 0 PULSE(0 5 0 10n 10n {0.5/fsw} {1/fsw})\n"; break;
            case 3: text += "* stage " + n + "\n"; break;
            default: text += ".model D" + n + " D(Is=1e-14 Rs=0.01)\n"; break;
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    {
        CWnd frame;
        frame.CreateEx(0, nullptr, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 800, 600), nullptr, 0);
        CTBColorRichEdit edit;
        edit.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(0, 0, 780, 580), &frame, 1);
        if (!edit.LoadSyntaxDescription("SPICE")) {
            std::fprintf(stderr, "no SPICE description beside the library\n");
            return 1;
        }
        const std::string text = Netlist(lines);
        QApplication::processEvents();

        auto start = std::chrono::steady_clock::now();
        double cpu = CpuMilliseconds();
        edit.SetWindowText(text.c_str());
        QApplication::processEvents();
        std::printf("load and colour %d lines: %.1f ms (processor %.1f ms)\n", lines, MillisecondsSince(start),
                    CpuMilliseconds() - cpu);

        const int middle = edit.LineIndex(lines / 2) + 2;
        for (const char* what : {"keystroke in the middle", "second keystroke"}) {
            edit.SetSel(middle, middle);
            start = std::chrono::steady_clock::now();
            cpu = CpuMilliseconds();
            edit.SendMessage(WM_CHAR, '7', 0);
            const double typed = MillisecondsSince(start);
            QApplication::processEvents();
            std::printf("%s: %.2f ms with re-colouring, %.2f ms with painting too (processor %.2f ms)\n", what,
                        typed, MillisecondsSince(start), CpuMilliseconds() - cpu);
        }
        edit.SetSel(middle, middle);
        start = std::chrono::steady_clock::now();
        edit.SendMessage(WM_CHAR, '{', 0);
        QApplication::processEvents();
        std::printf("typing \"{\" (a range open to the next \"}\"): %.2f ms\n", MillisecondsSince(start));
        start = std::chrono::steady_clock::now();
        edit.Undo();
        QApplication::processEvents();
        std::printf("undoing it: %.2f ms\n", MillisecondsSince(start));
    }
    TBStopWindowLayer();
    return 0;
}
