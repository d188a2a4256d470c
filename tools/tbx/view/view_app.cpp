// tbx view: starts the window layer and the crash reporter, opens the files and runs
// the window, or draws it into a PNG.
#include "view_app.h"

#include "view_frame.h"

#include <toolbox/crash/crash_report.h>
#include <toolbox/ui/window_layer.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

namespace {

int Screenshot(CViewFrame& frame, const ViewOptions& o, QElapsedTimer& clock) {
    QWidget* window = frame.GetWidget();
    window->show();
    QCoreApplication::processEvents();
    const QPixmap picture = window->grab();
    if (o.timing) std::fprintf(stderr, "tbx view: first picture after %lld ms\n", static_cast<long long>(clock.elapsed()));
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
