// tbx view: starts the window layer and the crash reporter, opens the files and runs
// the window, or draws it into a PNG.
#include "view_app.h"

#include "view_frame.h"

#include <toolbox/crash/crash_report.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/window_layer.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

/// How long one redraw of the plot takes after a zoom: the middle of five.
void ReportRedrawTime(CViewPlot& plot) {
    CRect client;
    plot.GetClientRect(&client);
    QImage image(static_cast<int>(client.Width()), static_cast<int>(client.Height()), QImage::Format_RGB32);
    std::vector<double> wall, cpu;
    for (int i = 0; i < 5; ++i) {
        plot.ZoomAt(client.CenterPoint(), true);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = ThreadCpuMs();
        CDC dc;
        dc.AttachDevice(&image);
        plot.Draw(dc, client);
        dc.DetachDevice();
        wall.push_back(clock.nsecsElapsed() / 1e6);
        cpu.push_back(ThreadCpuMs() - cpuBefore);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    // On a busy machine the wall time waits for the processor too: both are told.
    std::fprintf(stderr, "tbx view: one redraw after a zoom takes %.1f ms (%.1f ms of processor time)\n", wall[2],
                 cpu[2]);
    plot.ShowAll();
}

int Screenshot(CViewFrame& frame, const ViewOptions& o, QElapsedTimer& clock) {
    QWidget* window = frame.GetWidget();
    // The picture is the window's inside at the size asked for, without frame.
    window->resize(o.width > 0 ? o.width : 1100, o.height > 0 ? o.height : 700);
    window->show();
    QCoreApplication::processEvents();
    const QPixmap picture = window->grab();
    if (o.timing)
        std::fprintf(stderr, "tbx view: first picture after %lld ms (%.0f ms of processor time)\n",
                     static_cast<long long>(clock.elapsed()), ProcessCpuMs());
    if (o.timing) ReportRedrawTime(frame.GetPlot());
    if (!picture.save(QString::fromUtf8(o.screenshot.GetString()), "PNG")) {
        std::fprintf(stderr, "tbx view: cannot write %s\n", o.screenshot.GetString());
        return 1;
    }
    return 0;
}

int Run(const ViewOptions& o) {
    QElapsedTimer clock;
    clock.start();
    const bool interactive = o.screenshot.IsEmpty();
    CViewFrame frame;
    const CSize size = o.width > 0 ? CSize(o.width, o.height) : interactive ? CSize(0, 0) : CSize(1100, 700);
    if (!frame.Create(size)) {
        std::fprintf(stderr, "tbx view: the window could not be made\n");
        return 1;
    }
    for (const CString& file : o.files) {
        if (!frame.OpenFile(file, interactive) && !interactive) {
            std::fprintf(stderr, "tbx view: cannot open %s\n", file.GetString());
            return 1;
        }
    }
    if (o.timing) std::fprintf(stderr, "tbx view: files read after %lld ms\n", static_cast<long long>(clock.elapsed()));
    CString error;
    if (!o.channels.empty() && !frame.PlotChannels(o.channels, error)) {
        std::fprintf(stderr, "tbx view: %s\n", error.GetString());
        return 1;
    }
    if (o.channels.empty()) frame.PlotFirstChannels(3);
    if (!interactive) return Screenshot(frame, o, clock);
    frame.GetWidget()->show();
    frame.RunModalLoop();
    return 0;
}

}  // namespace

int RunViewer(const ViewOptions& options) {
    if (!TBStartWindowLayer()) {
        std::fprintf(stderr, "tbx view: the window library could not start\n");
        return 1;
    }
    // A crash leaves a report the user can look at and send.
    void* crashReport = InstallCrashReport(nullptr, nullptr, nullptr);
    const int status = Run(options);
    UninstallCrashReport(crashReport);
    TBStopWindowLayer();
    return status;
}
