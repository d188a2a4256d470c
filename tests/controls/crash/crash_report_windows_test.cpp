// The crash report dialog and its details, driven as a user drives them: the program's
// name and icon from its desktop entry, what the user types returned through the
// dialog hub, the file list, the hex view and opening a file with the desktop.
#include "ui_test_support.h"

#include <toolbox/ui/crash_report_dialogs.h>

#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QUrl>

namespace {

/// Receives what the dialogs hand to the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList paths;
public slots:
    void Open(const QUrl& url) { paths << url.toLocalFile(); }
};

class CrashDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        uitest::WriteFile(Path("app.dmp"), std::string("MDMP\x93\xa7\0\0", 8) + std::string(40, 'x'));
        uitest::WriteFile(Path("notes.txt"), std::string("AB\0\xff", 4));
        m_files.SetAt(Path("app.dmp").c_str(), "Crash Dump");
        m_files.SetAt(Path("notes.txt").c_str(), "Host notes");
    }
    std::string Path(const std::string& name) const { return m_dir.path().toStdString() + "/" + name; }
    static QLabel* Label(CWnd& dialog, UINT id) { return qobject_cast<QLabel*>(dialog.GetDlgItem(id)->GetWidget()); }

    QTemporaryDir m_dir;
    CMapStringToString m_files;
};

}  // namespace

TEST_F(CrashDialogs, ReportDialogShowsTheProgramAndReturnsWhatTheUserTyped) {
    // The desktop entry names the program (with characters that rich text must escape)
    // and gives its icon.
    mkdir(Path("applications").c_str(), 0755);
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(QColor(200, 20, 20));
    ASSERT_TRUE(icon.save(QString::fromStdString(Path("sim.png"))));
    uitest::WriteFile(Path("applications/sim.desktop"), "[Desktop Entry]\nName=R&D <Sim>\nIcon=" + Path("sim.png") +
                                                             "\nExec=/opt/rd/bin/sim --project %f\n");
    tbtest::ScopedEnv data("XDG_DATA_HOME", m_dir.path().toStdString());
    tbtest::ScopedEnv dirs("XDG_DATA_DIRS", m_dir.path().toStdString());

    std::string title, problem;
    QColor iconColor;
    uitest::WhenModalOpens([&](QWidget* modal) {
        auto* dialog = dynamic_cast<CrashReportDialog*>(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(modal)));
        ASSERT_NE(dialog, nullptr);
        title = modal->windowTitle().toStdString();
        problem = Label(*dialog, 4050)->text().toStdString();
        const QImage shown = Label(*dialog, 4058)->pixmap().toImage();
        iconColor = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        QTest::keyClicks(dialog->GetDlgItem(4052)->GetWidget(), "me@example.org");
        QWidget* description = dialog->GetDlgItem(4053)->GetWidget();
        QTest::keyClicks(description, "Ran the sweep.");
        QTest::keyClick(description, Qt::Key_Return);
        QTest::keyClicks(description, "Then it closed.");
        QTest::mouseClick(dialog->GetDlgItem(IDOK)->GetWidget(), Qt::LeftButton);
    });
    CString sender, description;
    EXPECT_EQ(TBAskToSendCrashReport(m_files, sender, description, "/opt/rd/bin/sim"), TBCrashAnswer::Send);
    EXPECT_EQ(title, "R&D <Sim>");
    EXPECT_NE(problem.find("R&amp;D &lt;Sim&gt; has encountered a problem and needs to close."), std::string::npos)
        << problem;
    EXPECT_EQ(iconColor, QColor(200, 20, 20));
    EXPECT_EQ(std::string(sender), "me@example.org");
    EXPECT_EQ(std::string(description), "Ran the sweep.\nThen it closed.");

    // Without a desktop entry the title is the program's name; Don't Send declines.
    uitest::WhenModalOpens([&](QWidget* modal) {
        title = modal->windowTitle().toStdString();
        auto* dialog = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(modal));
        QTest::keyClicks(dialog->GetDlgItem(4052)->GetWidget(), "ignored@example.org");
        QTest::mouseClick(dialog->GetDlgItem(IDCANCEL)->GetWidget(), Qt::LeftButton);
    });
    sender = description = "";
    EXPECT_EQ(TBAskToSendCrashReport(m_files, sender, description, "/opt/other/app.beta"), TBCrashAnswer::DontSend);
    EXPECT_EQ(title, "app");
    EXPECT_TRUE(sender.IsEmpty());
}

TEST_F(CrashDialogs, DetailsListTheFilesShowTheSelectedBytesAndOpenWithTheDesktop) {
    CrashReportDetailsDialog details(m_files, "/opt/rd/bin/sim");
    ASSERT_TRUE(details.Create(IDD_CRASH_REPORT_DETAILS, nullptr));
    ASSERT_TRUE(uitest::ShowAndWait(details));
    auto* list = qobject_cast<QTreeWidget*>(details.GetDlgItem(4060)->GetWidget());
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(3).toStdString(), "Size");
    auto row = [&](const std::string& name) {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0).toStdString() == name) return list->topLevelItem(i);
        return static_cast<QTreeWidgetItem*>(nullptr);
    };
    QTreeWidgetItem* dump = row("app.dmp");
    QTreeWidgetItem* notes = row("notes.txt");
    ASSERT_TRUE(dump && notes);
    EXPECT_EQ(dump->text(1).toStdString(), "Crash Dump");
    EXPECT_EQ(dump->text(2).toStdString(), "Memory dump") << "known by its signature, not its extension";
    EXPECT_EQ(dump->text(3).toStdString(), "48 bytes");
    EXPECT_FALSE(notes->text(2).isEmpty()) << "the desktop's name of the type";

    auto* bytes = qobject_cast<QPlainTextEdit*>(details.GetDlgItem(4063)->GetWidget());
    // The first row is shown at once.
    const std::string first = list->topLevelItem(0)->text(0).toStdString();
    EXPECT_EQ(Label(details, 4061)->text().toStdString(), Path(first));

    const QPoint at = list->visualItemRect(notes).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    uitest::RunEvents();
    EXPECT_EQ(Label(details, 4061)->text().toStdString(), Path("notes.txt"));
    EXPECT_EQ(Label(details, 4062)->text().toStdString(), "Host notes");
    EXPECT_EQ(bytes->toPlainText().toStdString(), "00000000  41 42 00 FF " + std::string(12 * 3, ' ') + " AB..\n");

    OpenedUrls opened;
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    uitest::RunEvents();
    EXPECT_EQ(opened.paths, QStringList{QString::fromStdString(Path("notes.txt"))});
    details.DestroyWindow();
}

TEST_F(CrashDialogs, HexViewStopsAtItsLimitAndSaysWhatIsLeft) {
    uitest::WriteFile(Path("long.bin"), std::string(40, 'z'));
    const std::string view = TBHexView(Path("long.bin").c_str(), 16).str();
    EXPECT_EQ(view, "00000000  " + std::string("7A ") + "7A 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A 7A  zzzzzzzzzzzzzzzz\n"
                    "... 24 more bytes");
    EXPECT_EQ(TBHexView(Path("missing").c_str()).str(), "");
}

#include "crash_report_windows_test.moc"
