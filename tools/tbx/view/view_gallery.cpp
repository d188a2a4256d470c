// Gallery pages of the viewer: the window with a real record, and with a netlist
// beside the values it produced.
#include "view_app.h"
#include "view_frame.h"

#include <toolbox/ui/window_layer.h>

#include <QCoreApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

namespace {

/// Draws the viewer with files open and channels ticked into folder/name; 1 when written.
int Page(const CString& folder, const char* name, const std::vector<CString>& files,
         const std::vector<CString>& channels, double cursorAt) {
    CViewFrame frame;
    if (!frame.Create(CSize(1100, 640))) return 0;
    for (const CString& file : files)
        if (!frame.OpenFile(file, false)) {
            std::fprintf(stderr, "tbx gallery: the viewer page %s needs %s\n", name, file.GetString());
            return 0;
        }
    CString error;
    if (!channels.empty() && !frame.PlotChannels(channels, error)) return 0;
    QWidget* window = frame.GetWidget();
    window->show();
    QCoreApplication::processEvents();
    window->grab();  // lays the plot out, so the cursor has a frame to stand in
    frame.GetPlot().ShowCursorAt(cursorAt);
    QCoreApplication::processEvents();
    return window->grab().save(QString::fromUtf8((folder + "/" + name).GetString()), "PNG") ? 1 : 0;
}

}  // namespace

int RenderViewerGallery(const char* folder) {
    if (!folder || !TBStartWindowLayer()) return 0;
    const CString examples = TOOLBOX_VIEW_EXAMPLES;
    int written = Page(folder, "view_record.png", {examples + "/fault_record.cfg"},
                       {"Va(P)", "Vb(P)", "Vc(P)", "Ia(P)"}, 0.45);
    written += Page(folder, "view_netlist.png", {examples + "/rc_filter.cir", examples + "/rc_step.csv"},
                    {"Vin", "Vout", "I"}, 0.3);
    TBStopWindowLayer();
    return written;
}
