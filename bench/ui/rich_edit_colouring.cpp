// Colouring a long text in the rich edit as the colouring editor does it after loading a
// file: every line gets a few coloured ranges. Prints the time for loading, colouring all
// lines, recolouring one line after an edit, and the line-index look-ups.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_ui_rich_edit [lines]
// On a shared, heavily loaded two-core machine 10,000 lines (30,000 ranges) took about
// 0.16 s between WM_SETREDRAW FALSE and TRUE, and about 1.7 s range by range.
#include <toolbox/toolbox-ui.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string NetlistLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "R" + std::to_string(i) + " n" + std::to_string(i) + " n" + std::to_string(i + 1) +
                " 4.7k ; load resistor\n";
    return text;
}

/// Colours a line as a netlist highlighter would: name, value, comment.
void ColourLine(CRichEditCtrl& edit, int start, const std::string& line) {
    const int nameEnd = static_cast<int>(line.find(' '));
    const int comment = static_cast<int>(line.find(';'));
    const int valueStart = static_cast<int>(line.rfind(' ', comment - 2)) + 1;
    edit.SetRangeFormat(start, start + nameEnd, RGB(0, 0, 160), TRUE);
    edit.SetRangeFormat(start + valueStart, start + comment - 1, RGB(160, 0, 0));
    edit.SetRangeFormat(start + comment, start + static_cast<int>(line.size()), RGB(0, 128, 0));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    {
        CWnd frame;
        frame.CreateEx(0, nullptr, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 800, 600), nullptr, 0);
        CRichEditCtrl edit;
        edit.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(0, 0, 780, 580), &frame, 1);
        const std::string text = NetlistLines(lines);

        auto start = std::chrono::steady_clock::now();
        edit.SetWindowText(text.c_str());
        QApplication::processEvents();
        std::printf("load %d lines: %.1f ms\n", lines, MillisecondsSince(start));

        start = std::chrono::steady_clock::now();
        edit.SendMessage(WM_SETREDRAW, FALSE);
        int position = 0;
        for (std::size_t begin = 0; begin < text.size();) {
            const std::size_t end = text.find('\n', begin);
            const std::string line = text.substr(begin, end - begin);
            ColourLine(edit, position, line);
            position += static_cast<int>(line.size()) + 1;
            begin = end + 1;
        }
        edit.SendMessage(WM_SETREDRAW, TRUE);
        QApplication::processEvents();
        std::printf("colour %d lines (3 ranges each): %.1f ms\n", lines, MillisecondsSince(start));

        start = std::chrono::steady_clock::now();
        const int middle = edit.LineIndex(lines / 2);
        edit.SetSel(middle, middle);
        edit.ReplaceSel("X");
        ColourLine(edit, middle, "XR0 n0 n1 4.7k ; load resistor");
        QApplication::processEvents();
        std::printf("edit and recolour one line in the middle: %.2f ms\n", MillisecondsSince(start));

        start = std::chrono::steady_clock::now();
        long sum = 0;
        for (int i = 0; i < 1000; ++i) sum += edit.LineFromChar(edit.LineIndex((i * 7919) % lines));
        std::printf("1000 line index and line-from-char pairs: %.2f ms (%ld)\n", MillisecondsSince(start), sum);
    }
    TBStopWindowLayer();
    return 0;
}
