// Gallery page of the crash windows: the report dialog and its details for a report
// of a memory dump, the XML crash log and a host's log file; and the "Add to archive"
// window of TBSendMailWithFiles while it packs.
#include "controls/window/gallery_pages.h"
#include <toolbox/ui/crash_report_dialogs.h>
#include <toolbox/ui/window_layer.h>

#include "controls/window/native_window.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// A dump's header (signature, version, stream count) followed by stream data.
QByteArray SampleDump() {
    QByteArray dump("MDMP\x93\xa7\x00\x00\x04\x00\x00\x00\x20\x00\x00\x00", 16);
    for (int i = 0; i < 2048; ++i) dump.append(static_cast<char>((i * 37 + i / 7) & 0xFF));
    return dump;
}

const char kSampleLog[] =
    "<?xml version=\"1.0\"?>\n<Exception>\n  <Application Path=\"/opt/veltranix/bin\" ProductVersion=\"7.0.2\"/>\n"
    "  <ExceptionRecord ModuleName=\"/opt/veltranix/bin/veltranix\" ExceptionCode=\"0xc0000005\" "
    "ExceptionDescription=\"EXCEPTION_ACCESS_VIOLATION\" ExceptionAddress=\"0x55d0c2a41b7e\" "
    "ExceptionOperation=\"write inaccessible data\"/>\n</Exception>\n";

bool Save(QWidget* window, const QString& path) {
    window->show();
    QCoreApplication::processEvents();
    return window->grab().save(path, "PNG");
}

}  // namespace

int TBRenderCrashGallery(const QString& folder) {
    QTemporaryDir dir;
    if (!dir.isValid()) return 0;
    const QString dump = dir.filePath(QStringLiteral("veltranix.dmp")), log = dir.filePath(QStringLiteral("veltranix.xml")),
                  session = dir.filePath(QStringLiteral("session.log"));
    if (!WriteFile(dump, SampleDump()) || !WriteFile(log, kSampleLog) ||
        !WriteFile(session, "12:01:07 simulation started: buck_converter.vsch\n12:01:09 step 1e-07 s\n"))
        return 0;
    CMapStringToString files;
    files.SetAt(TBC(dump), "Crash Dump");
    files.SetAt(TBC(log), "Crash Log");
    files.SetAt(TBC(session), "Session log");
    const CString program = "/opt/veltranix/bin/veltranix";

    int written = 0;
    CrashReportDialog report(files, program);
    if (report.Create(IDD_CRASH_REPORT, nullptr)) {
        report.SetDlgItemText(4052, "j.doe@example.com");
        report.SetDlgItemText(4053, "I started the transient analysis of the buck converter.");
        if (Save(report.GetWidget(), folder + QStringLiteral("/crash_report.png"))) ++written;
        report.DestroyWindow();
    }
    CrashReportDetailsDialog details(files, program);
    if (details.Create(IDD_CRASH_REPORT_DETAILS, nullptr)) {
        if (Save(details.GetWidget(), folder + QStringLiteral("/crash_report_details.png"))) ++written;
        details.DestroyWindow();
    }

    // The packing window as the hub shows it at the second of three files.
    TBGetDialogHub().ShowProgress(1, 3, TBC(log));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String("Add to archive") &&
            w->grab().save(folder + QStringLiteral("/mail_progress.png"), "PNG"))
            ++written;
    TBGetDialogHub().ShowProgress(3, 3, CString());
    return written;
}

namespace {
const CGalleryPages kPages("crash", TBRenderCrashGallery);
}  // namespace
