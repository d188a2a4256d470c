// Drawing as a host does: a schematic symbol from its text, a value with unit notation,
// and a plot of channels rendered into a PNG file. A recording context keeps every call
// made, so the example can show (and check) what was drawn.
#include <toolbox/toolbox-ui.h>

#include <QApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    bool ok = true;
    {
        CRecordingDC dc(240, 120);

        // A resistor 40 by 20 symbol units: two leads, a box, its pins and its name.
        CString text =
            "S 40,20 x 1\r\n"
            "L 0,10 10,10\r\n"
            "D 10,5 30,15\r\n"
            "L 30,10 40,10\r\n"
            "P 0,10 -5,10 1 \"a\" 0\r\n"
            "P 40,10 45,10 1 \"b\" 0\r\n"
            "T 20,16 \"R1\"\r\n";
        CTBDrawSymbol symbol;
        ok = ok && symbol.LoadSymbols(text) == 1;
        CRect target(10, 10, 130, 70);  // scaled into this rectangle, y pointing up
        symbol.Draw(&dc, &target);
        std::printf("symbol: %d elements, %zu drawing calls\n", symbol.GetCount(), dc.GetRecords().size());
        ok = ok && symbol.GetCount() == 6 && CString(dc.GetRecordsText(true)).Find("\"R1\"") >= 0;

        // Unit notation: "\Ohm\" is drawn as the ohm sign of the current font.
        CRect label(140, 40, 235, 60);
        ok = ok && TBSpecialDrawText(&dc, "4.7 k\\Ohm\\", &label, DT_LEFT | DT_SINGLELINE, 1) > 0;
        std::printf("as text: %s\n", TBNotationToUnicode("4.7 k\\Ohm\\").GetString());
        ok = ok && TBNotationToUnicode("k\\Ohm\\") == "k\xCE\xA9";
    }
    {
        // One period of a sine over time, drawn as tbx plot draws a data file.
        std::vector<double> time(101), volts(101);
        for (int i = 0; i <= 100; ++i) {
            time[i] = i * 1e-5;
            volts[i] = 5.0 * std::sin(2 * M_PI * i / 100.0);
        }
        TBPlotData plot;
        plot.title = "RC step";
        plot.x = TBPlotChannel{"Time", "s", time.data(), static_cast<int>(time.size())};
        plot.curves.push_back(TBPlotChannel{"v(out)", "V", volts.data(), static_cast<int>(volts.size())});
        const char* path = "guide_window_drawing.png";
        CString error;
        const BOOL rendered = TBRenderPlot(plot, 640, 360, path, &error);
        std::printf("plot: %s\n", rendered ? path : error.GetString());
        std::FILE* png = std::fopen(path, "rb");
        unsigned char signature[8] = {};
        ok = ok && rendered && png && std::fread(signature, 1, 8, png) == 8 && signature[1] == 'P' && signature[2] == 'N';
        if (png) std::fclose(png);
        std::remove(path);
    }
    TBStopWindowLayer();
    return ok ? 0 : 1;
}
