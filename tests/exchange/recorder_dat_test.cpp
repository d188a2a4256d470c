// Recorder .dat files: one file, the text fallback, absurd sample counts, and several
// files brought to a common time base through the dialog rules and the dialog hub.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/recorder_files.h>
#include "tests/support/dialog_hub.h"
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include <toolbox/os/dialog_hub.h>

#include <gtest/gtest.h>

#include <sstream>

using namespace tbtest;

namespace {

std::string Recorder(int samples, const std::string& spacing, int lines, double step) {
    std::ostringstream out;
    out << samples << "\r\n" << spacing << "\r\n0\r\n0\r\n";
    for (int i = 0; i < lines; ++i) out << i * step << "\r\n";
    return out.str();
}

TEST(RecorderDat, OneFileGivesTimeAndSamples) {
    ScratchDir dir;
    WriteFile(dir.File("scope1.dat"), Recorder(1000, "2e-6", 1000, 0.5));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("scope1.dat").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    EXPECT_EQ(engine.GetNrItems(), 1000);
    ASSERT_EQ(engine.GetNrChannels(), 2);
    EXPECT_EQ(std::string(engine.GetChannel(0)->GetChannelName()), "Time");
    EXPECT_EQ(std::string(engine.GetChannel(0)->GetUnitName()), "s");
    EXPECT_EQ(std::string(engine.GetChannel(1)->GetChannelName()), "scope1");
    CArray<double, double> time;
    CStringArray samples;
    engine.GetChannel(0)->SetDoubleArray(&time);
    engine.GetChannel(1)->SetStringArray(&samples);
    ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError();
    ASSERT_EQ(time.GetSize(), 1000);
    EXPECT_DOUBLE_EQ(time[2], 4e-6);
    EXPECT_EQ(std::string(samples[0]), "0");  // line 5 is the first sample
    EXPECT_EQ(std::string(samples[3]), "1.5");
    EXPECT_EQ(engine.GetLoadVersion(), 8);

    // Channel numbers in messages are 1-based: the samples are channel 2.
    ChannelRead missing(dir.File("scope1.dat"), nullptr, nullptr, 2, {1, true});
    EXPECT_EQ(missing.data, 2);
    EXPECT_NE(missing.Warnings().find("channel 2 !"), std::string::npos) << missing.Warnings();
}

TEST(RecorderDat, WordInHeaderMeansDelimitedTextAndAbsurdCountsAreRejected) {
    ScratchDir dir;
    WriteFile(dir.File("t.dat"), "Samples\n1\n2\n");
    ChannelRead text(dir.File("t.dat"));
    ASSERT_EQ(text.info, 1);
    EXPECT_EQ(text.engine.FileKind, TB_KIND_TEXT);
    EXPECT_FALSE(TBIsRecorderNumericLine("1.0x"));
    EXPECT_TRUE(TBIsRecorderNumericLine("-1,5E+3\r\n"));
    for (const char* count : {"2000000000", "-5"}) {
        WriteFile(dir.File("big.dat"), std::string(count) + "\n1e-3\n0\n0\n1\n2\n");
        ChannelRead big(dir.File("big.dat"));
        EXPECT_EQ(big.info, 0) << count;
        EXPECT_EQ(big.engine.GetLastErrorNumber(), 3);
        EXPECT_NE(big.Error().find("is not valid"), std::string::npos);
    }
}

TEST(RecorderDat, FewerLinesThanSamplesLeaveTheBlockUntouched) {
    ScratchDir dir;
    WriteFile(dir.File("short.dat"), Recorder(5, "1", 3, 1.0));
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(dir.File("short.dat").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1);
    std::vector<double> time(5, -1), values(5, -1);
    engine.GetChannel(0)->SetDoublePtr(time.data());
    engine.GetChannel(1)->SetDoublePtr(values.data());
    ASSERT_EQ(engine.ReadDataFile(), 1);
    EXPECT_DOUBLE_EQ(values[2], 2);
    EXPECT_DOUBLE_EQ(values[3], -1);
}

TEST(RecorderRules, ChannelLimitAndCommonTimeBase) {
    ScratchDir dir;
    WriteFile(dir.File("a.dat"), Recorder(1000, "1e-3", 1000, 1.0));
    WriteFile(dir.File("b.dat"), Recorder(500, "2e-3", 500, 1.0));
    WriteFile(dir.File("c.dat"), Recorder(10, "1e-3", 10, 1.0));
    WriteFile(dir.File("text.dat"), "hello\n");
    CRecorderFilesRules rules(dir.File("a.dat").c_str(), 3);
    rules.Initialize();
    ASSERT_EQ(rules.GetFileCount(), 1);
    EXPECT_EQ(std::string(rules.GetChannelName(0)), "a");
    EXPECT_EQ(rules.GetCommonPoints(), 1000);
    EXPECT_FALSE(rules.AddFile(dir.File("text.dat").c_str()));
    ASSERT_TRUE(rules.AddFile(dir.File("b.dat").c_str()));
    // Durations 0.999 s and 0.998 s: the second file sets the time base.
    EXPECT_EQ(rules.GetCommonPoints(), 500);
    EXPECT_DOUBLE_EQ(rules.GetCommonSpacing(), 2e-3);
    EXPECT_FALSE(rules.CanAddFile());  // limit 3: time and two files
    EXPECT_FALSE(rules.AddFile(dir.File("c.dat").c_str()));
    // DELETE only with a selected row, and the row is gone with its file.
    EXPECT_FALSE(rules.CanDeleteFile());
    EXPECT_FALSE(rules.DeleteSelectedFile());
    rules.SelectFile(2);
    EXPECT_FALSE(rules.CanDeleteFile());
    rules.SelectFile(1);
    EXPECT_TRUE(rules.DeleteSelectedFile());
    EXPECT_FALSE(rules.CanDeleteFile());
    EXPECT_EQ(rules.GetFileCount(), 1);
    EXPECT_FALSE(rules.DeleteFile(5));
    EXPECT_EQ(rules.GetCommonPoints(), 1000);
    rules.DeleteAllFiles();
    EXPECT_EQ(rules.GetFileCount(), 0);
    EXPECT_EQ(rules.GetCommonPoints(), 0);
    EXPECT_EQ(rules.GetTemplateId(), 4308u);
}

// Answers the file dialog with one path and the recorder dialog by adding it.
struct RecorderAnswer : tbtest::FakeDialogHub {
    explicit RecorderAnswer(const std::string& second) {
        fileName = second.c_str();
        answerModal = [](CModalRequest& request) {
            auto* rules = dynamic_cast<CRecorderFilesRules*>(&request);
            if (!rules || !rules->AskAndAddFile()) return IDCANCEL;
            rules->SetChannelUnit(0, "V");
            rules->SetChannelName(1, "probe");
            rules->SetChannelUnit(1, "A");
            return IDOK;
        };
    }
};

TEST(RecorderDat, SeveralFilesInterpolatedOntoTheShortestRecording) {
    ScratchDir dir;
    WriteFile(dir.File("a.dat"), Recorder(1000, "1e-3", 1000, 1.0));  // value = index
    WriteFile(dir.File("b.dat"), Recorder(500, "2e-3", 300, 10.0));   // shorter than its header says
    CReadAndWriteFileFunction engine;
    RecorderAnswer answer(dir.File("b.dat"));
    ASSERT_EQ(engine.ReadInfoFile(dir.File("a.dat").c_str(), "", -1, nullptr, nullptr, 1, 0, 3), 1)
        << engine.GetLastError();
    ASSERT_EQ(answer.fileRequests.size(), 1u);
    EXPECT_EQ(std::string(answer.fileRequests[0].filter), "TEK Oscilloscope(*.dat)|*.dat;*.dat|");
    ASSERT_EQ(engine.GetNrChannels(), 3);
    EXPECT_EQ(engine.GetNrItems(), 500);
    EXPECT_EQ(std::string(engine.GetChannel(1)->GetUnitName()), "V");
    EXPECT_EQ(std::string(engine.GetChannel(2)->GetChannelName()), "probe");
    CArray<double, double> time, a, b;
    engine.GetChannel(0)->SetDoubleArray(&time);
    engine.GetChannel(1)->SetDoubleArray(&a);
    engine.GetChannel(2)->SetDoubleArray(&b);
    ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError();
    ASSERT_EQ(a.GetSize(), 500);
    EXPECT_DOUBLE_EQ(time[10], 0.02);
    EXPECT_NEAR(a[10], 20.0, 1e-9);  // a's sample at 20 ms
    EXPECT_DOUBLE_EQ(b[10], 100.0);
    EXPECT_DOUBLE_EQ(b[299], 2990.0);
    EXPECT_DOUBLE_EQ(b[300], 0.0);  // beyond the end of b
}

TEST(RecorderDat, CancelledDialogEmptiedDialogAndInterpolationArguments) {
    ScratchDir dir;
    WriteFile(dir.File("a.dat"), Recorder(10, "1e-3", 10, 1.0));
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(dir.File("a.dat").c_str(), "", -1, nullptr, nullptr, 1, 0, 3), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), TB_EXCHANGE_CANCELLED);
    {
        tbtest::FakeDialogHub emptied;
        emptied.answerModal = [](CModalRequest& request) {
            dynamic_cast<CRecorderFilesRules&>(request).DeleteAllFiles();
            return IDOK;
        };
        ASSERT_EQ(engine.ReadInfoFile(dir.File("a.dat").c_str(), "", -1, nullptr, nullptr, 1, 0, 3), 1);
        EXPECT_EQ(engine.GetNrChannels(), 1);
        EXPECT_EQ(engine.GetNrItems(), 0);
        EXPECT_EQ(std::string(engine.GetChannel(0)->GetChannelName()), "Time");
    }
    CArray<double, double> samples;
    CExImPortChannel channel;
    EXPECT_EQ(engine.InterpolateRockwellData(nullptr, &samples, 1.0), 0);
    EXPECT_EQ(engine.InterpolateRockwellData(&channel, nullptr, 1.0), 0);
    engine.NrItems = 2;
    EXPECT_EQ(engine.InterpolateRockwellData(&channel, &samples, 1.0), 0);  // no storage
    EXPECT_EQ(engine.GetLastErrorNumber(), 4);
}

}  // namespace
