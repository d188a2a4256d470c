// A crash reporter for the window tests: the real reporter run with its windows
// (TBRunCrashReporterWithWindows), and a user who answers the crash report dialog as
// $CRASH_DRIVER_ACTION says: "send" types $CRASH_DRIVER_SENDER and the lines of
// $CRASH_DRIVER_TEXT and presses "Send Error Report"; "dontsend" first looks at the
// report's details, then presses "Don't Send". What the user saw goes to
// $CRASH_DRIVER_LOG, one fact a line; any other window is noted as unexpected and closed.
#include <toolbox/toolbox-ui.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class User {
public:
    User() : m_log(Env("CRASH_DRIVER_LOG"), std::ios::app), m_action(Env("CRASH_DRIVER_ACTION")) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start(20);
    }

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        CWnd* wnd = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(modal));
        if (auto* report = dynamic_cast<CrashReportDialog*>(wnd))
            Answer(*report);
        else if (auto* details = dynamic_cast<CrashReportDetailsDialog*>(wnd))
            Inspect(*details);
        else {
            m_log << "unexpected: " << modal->windowTitle().toStdString();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) m_log << " " << box->text().toStdString();
            m_log << "\n" << std::flush;
            modal->close();
        }
    }

    void Answer(CrashReportDialog& report) {
        if (m_answered) return;
        m_log << "title: " << report.GetWindowText().str() << "\n";
        auto* problem = qobject_cast<QLabel*>(report.GetDlgItem(4050)->GetWidget());
        m_log << "problem: " << (problem ? problem->text().toStdString() : "?") << "\n" << std::flush;
        if (m_action == "dontsend" && !m_sawDetails) {
            // The details dialog's loop must not run inside this timer's call, which
            // would hold the timer until it ends.
            m_sawDetails = true;
            QWidget* link = report.GetDlgItem(4055)->GetWidget();
            QTimer::singleShot(0, link, [link] { QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2)); });
            return;
        }
        m_answered = true;
        if (m_action == "send") {
            QTest::keyClicks(report.GetDlgItem(4052)->GetWidget(), QString::fromStdString(Env("CRASH_DRIVER_SENDER")));
            QWidget* description = report.GetDlgItem(4053)->GetWidget();
            const QStringList lines = QString::fromStdString(Env("CRASH_DRIVER_TEXT")).split(QLatin1Char('\n'));
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0) QTest::keyClick(description, Qt::Key_Return);
                QTest::keyClicks(description, lines[i]);
            }
            QTest::mouseClick(report.GetDlgItem(IDOK)->GetWidget(), Qt::LeftButton);
        } else {
            QTest::mouseClick(report.GetDlgItem(IDCANCEL)->GetWidget(), Qt::LeftButton);
        }
    }

    void Inspect(CrashReportDetailsDialog& details) {
        if (auto* files = qobject_cast<QTreeWidget*>(details.GetDlgItem(4060)->GetWidget()))
            for (int i = 0; i < files->topLevelItemCount(); ++i)
                m_log << "file: " << files->topLevelItem(i)->text(0).toStdString() << " | "
                      << files->topLevelItem(i)->text(1).toStdString() << "\n";
        m_log << std::flush;
        QTest::mouseClick(details.GetDlgItem(IDOK)->GetWidget(), Qt::LeftButton);
    }

    std::ofstream m_log;
    std::string m_action;
    QTimer m_timer;
    bool m_answered = false, m_sawDetails = false;
};

}  // namespace

int main(int argc, char** argv) {
    // Qt sees no option of the reporter's command line.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    User user;
    return TBRunCrashReporterWithWindows(argc, argv);
}
