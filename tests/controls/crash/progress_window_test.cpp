// The "Add to archive" window of TBSendMailWithFiles: shown through the dialog hub
// while the files are packed, with the bar and the name of the file being packed.
#include "ui_test_support.h"

#include <toolbox/mail/mail.h>

#include <QLabel>
#include <QProgressBar>

namespace {

/// The window layer's hub, noting what the progress window shows after each step.
class WatchingHub : public CQtDialogHub {
public:
    std::vector<std::string> seen;
    void ShowProgress(int position, int count, const CString& name) override {
        CQtDialogHub::ShowProgress(position, count, name);
        QWidget* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QLatin1String("Add to archive")) window = w;
        if (!window) {
            seen.push_back("closed");
            return;
        }
        auto* bar = window->findChild<QProgressBar*>();
        auto* label = window->findChild<QLabel*>();
        seen.push_back(std::to_string(bar ? bar->value() : -1) + "/" + std::to_string(bar ? bar->maximum() : -1) + " " +
                       (label ? label->text().toStdString() : std::string("?")));
    }
};

}  // namespace

TEST(MailProgressWindow, ShowsEachFileWhilePackingAndGoesAfterTheLast) {
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString();
    const std::string a = dir + "/a.txt", b = dir + "/b.txt", c = dir + "/c.txt";
    for (const std::string& f : {a, b, c}) uitest::WriteFile(f, "data of " + f);
    // The desktop's mail program is a script that accepts everything.
    uitest::WriteFile(dir + "/xdg-email", "#!/bin/sh\nexit 0\n", 0755);
    tbtest::ScopedEnv path("PATH", dir + ":/usr/bin:/bin");
    tbtest::ScopedEnv temp("TEMP", dir);

    CDialogHub* layerHub = &TBGetDialogHub();
    WatchingHub hub;
    TBSetDialogHub(&hub);
    CStringArray files, to;
    for (const std::string& f : {a, b, c}) files.Add(f.c_str());
    to.Add("x@example.com");
    const int sent = TBSendMailWithFiles("bundle", 1, &files, "Files", nullptr, &to, nullptr, nullptr);
    TBSetDialogHub(layerHub);

    EXPECT_EQ(sent, 1);
    // Last file first; the bar counts the files already in the archive.
    EXPECT_EQ(hub.seen, (std::vector<std::string>{"0/3 " + c, "1/3 " + b, "2/3 " + a, "closed"}));

    // Without progress asked for, no window appears.
    hub.seen.clear();
    TBSetDialogHub(&hub);
    CStringArray quiet;
    quiet.Add(a.c_str());
    EXPECT_EQ(TBSendMailWithFiles("quiet", 0, &quiet, "Files", nullptr, &to, nullptr, nullptr), 1);
    TBSetDialogHub(layerHub);
    EXPECT_TRUE(hub.seen.empty());
}
