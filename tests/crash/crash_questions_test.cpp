// The crash reporter's questions reach the dialog hub: a registered hub is asked and
// its answers decide what becomes of the report; without one nobody is asked.
#include "test_support.h"
#include "tests/support/dialog_hub.h"
#include "tests/support/env.h"
#include <toolbox/crash/crash_dialogs.h>
#include <toolbox/crash/crash_report.h>
#include <toolbox/mail/mail.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

using namespace crashtest;
using tbtest::ScopedEnv;

namespace {

/// A hub that records every question and answers from its fields; the crash dialog
/// is confirmed with a sender and a description unless modalAnswer says otherwise.
class RecordingHub : public tbtest::FakeDialogHub {
public:
    int modalAnswer = IDOK;
    std::vector<UINT> templates;
    std::vector<std::string> listedFiles;  // "path=description" of the crash dialog
    std::vector<std::string> progress;

    int DoModal(CModalRequest& request) override {
        templates.push_back(request.GetTemplateId());
        if (auto* crash = dynamic_cast<CCrashReportRequest*>(&request)) {
            POSITION pos = crash->GetReportFiles().GetStartPosition();
            while (pos) {
                CString path, description;
                crash->GetReportFiles().GetNextAssoc(pos, path, description);
                listedFiles.push_back(path.str() + "=" + description.str());
            }
            crash->SenderAddress = "me@example.com";
            crash->Description = "clicked Run";
        }
        return modalAnswer;
    }
    void ShowProgress(int position, int count, const CString& name) override {
        progress.push_back(std::to_string(position) + "/" + std::to_string(count) + " " + name.str());
    }
};

class CrashDialogs : public ::testing::Test {
protected:
    /// Runs the reporter in this process for a crash of m_dir/app with one extra file.
    int RunReporter(const std::string& to) {
        WriteFile(m_dir + "/notes.txt", "what happened");
        std::vector<std::string> args = {"toolbox-crash-reporter"};
        std::istringstream fixed(
            "--pid 4242 --signal 11 --code 0xC0000005 --address 0x1000 --operation 0 --dump-written 0");
        for (std::string word; fixed >> word;) args.push_back(word);
        args.insert(args.end(), {"--exe", m_dir + "/app", "--xml", m_dir + "/app.xml", "--temp", m_dir, "--to", to,
                                 "--file", m_dir + "/notes.txt", "Notes"});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        ScopedEnv state("XDG_STATE_HOME", m_dir + "/state");
        return TBRunCrashReporter(static_cast<int>(argv.size()), argv.data());
    }
    std::vector<std::string> KeptReports() const { return ListDir(m_dir + "/state/veltranix/crash-reports"); }

    tbtest::ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
};

}  // namespace

TEST_F(CrashDialogs, RegisteredHubIsAskedAndItsSaveTargetGetsTheReport) {
    RecordingHub hub;
    hub.fileName = (m_dir + "/saved.zip").c_str();
    // No recipient: confirming goes straight to the Save As question.
    EXPECT_EQ(RunReporter(""), 0);

    ASSERT_EQ(hub.templates.size(), 1u);
    EXPECT_EQ(hub.templates[0], IDD_CRASH_REPORT);
    std::vector<std::string> expectedFiles = {m_dir + "/app.xml=Crash Log", m_dir + "/notes.txt=Notes"};
    std::sort(hub.listedFiles.begin(), hub.listedFiles.end());
    EXPECT_EQ(hub.listedFiles, expectedFiles);

    ASSERT_EQ(hub.fileRequests.size(), 1u);
    const CFileDialogRequest& save = hub.fileRequests[0];
    EXPECT_FALSE(save.forReading);
    EXPECT_EQ(save.defaultExtension, "zip");
    EXPECT_EQ(save.filter, "Zip Files (*.zip)|*.zip||");
    EXPECT_EQ(save.flags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);

    ASSERT_TRUE(Exists(m_dir + "/saved.zip"));
    const tbtest::RunResult unzip = tbtest::Shell("unzip -Z1 '" + m_dir + "/saved.zip'");
    const std::string& listing = unzip.output;
    EXPECT_EQ(unzip.status, 0) << listing;
    EXPECT_NE(listing.find("app.xml"), std::string::npos) << listing;
    EXPECT_NE(listing.find("notes.txt"), std::string::npos) << listing;
    EXPECT_TRUE(KeptReports().empty()) << "a saved report is not kept as well";
    EXPECT_TRUE(hub.messageTexts.empty());
    EXPECT_FALSE(Exists(m_dir + "/app.xml")) << "the temporary report is deleted";
}

TEST_F(CrashDialogs, DeclinedOrUnsavedReports) {
    RecordingHub declining;
    declining.modalAnswer = IDCANCEL;
    EXPECT_EQ(RunReporter("support@example.com"), 0);
    EXPECT_EQ(declining.templates.size(), 1u);
    EXPECT_TRUE(declining.fileRequests.empty()) << "Don't Send asks nothing more";
    EXPECT_TRUE(KeptReports().empty()) << "a declined report is not kept";

    // Send with no recipient and Save As cancelled: the report is kept and the hub says where.
    RecordingHub cancelling;
    EXPECT_EQ(RunReporter(""), 0);
    EXPECT_EQ(cancelling.fileRequests.size(), 1u);
    std::vector<std::string> kept = KeptReports();
    ASSERT_EQ(kept.size(), 1u);
    ASSERT_EQ(cancelling.messageTexts.size(), 1u);
    EXPECT_EQ(cancelling.messageTexts[0],
              "Crash report kept in " + m_dir + "/state/veltranix/crash-reports/" + kept[0]);
}

TEST_F(CrashDialogs, HeadlessHubAsksNobodyUnlessTheEnvironmentAnswers) {
    CMapStringToString files;
    files.SetAt("/tmp/x.dmp", "Crash Dump");
    CString sender = "unchanged", description = "unchanged";
    {
        ScopedEnv answer("TOOLBOX_CRASH_REPORT_ANSWER", "");
        EXPECT_EQ(TBAskToSendCrashReport(files, sender, description), TBCrashAnswer::NobodyToAsk);
        EXPECT_EQ(sender, "unchanged");
    }
    {
        ScopedEnv answer("TOOLBOX_CRASH_REPORT_ANSWER", "discard");
        EXPECT_EQ(TBAskToSendCrashReport(files, sender, description), TBCrashAnswer::DontSend);
    }
    {
        ScopedEnv answer("TOOLBOX_CRASH_REPORT_ANSWER", "send");
        ScopedEnv from("TOOLBOX_CRASH_REPORT_SENDER", "user@example.com");
        ScopedEnv body("TOOLBOX_CRASH_REPORT_DESCRIPTION", "saving a file");
        EXPECT_EQ(TBAskToSendCrashReport(files, sender, description), TBCrashAnswer::Send);
        EXPECT_EQ(sender, "user@example.com");
        EXPECT_EQ(description, "saving a file");
    }
    EXPECT_TRUE(TBAskCrashArchiveTarget().IsEmpty()) << "headless Save As is cancelled";

    // Other modal requests keep the hub's headless answer.
    struct OtherRequest : CModalRequest {
        UINT GetTemplateId() const override { return 1; }
    } other;
    EXPECT_EQ(TBGetDialogHub().DoModal(other), IDCANCEL);
}

TEST_F(CrashDialogs, PackingProgressAndMailMessagesGoThroughTheHub) {
    RecordingHub hub;
    std::string a = m_dir + "/a.txt", b = m_dir + "/b.txt";
    WriteFile(a, "alpha");
    WriteFile(b, "beta");
    CStringArray files, to;
    files.Add(a.c_str());
    files.Add(b.c_str());
    to.Add("x@example.com");
    int sent;
    {
        ScopedEnv temp("TEMP", m_dir);
        ScopedEnv path("PATH", "/nonexistent");
        sent = TBSendMailWithFiles("packed", 1, &files, "s", nullptr, &to, nullptr, nullptr);
    }
    EXPECT_EQ(sent, 0);
    // Files are packed last to first; the window shows each while it is packed and
    // goes when both are in.
    std::vector<std::string> expected = {"0/2 " + b, "1/2 " + a, "2/2 "};
    EXPECT_EQ(hub.progress, expected);
    ASSERT_EQ(hub.messageTexts.size(), 1u);
    EXPECT_NE(hub.messageTexts[0].find("xdg-email"), std::string::npos) << hub.messageTexts[0];
    EXPECT_FALSE(Exists(m_dir + "/packed.zip")) << "an archive no mail program took is removed";
}
