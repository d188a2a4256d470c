// Choosing readers and writers by extension and format code.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/exchange_dialogs.h>
#include "tests/support/files.h"
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tbtest;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { TBOverrideUserNumberSymbols(";", ","); }
    void TearDown() override { TBOverrideUserNumberSymbols(nullptr, nullptr); }
    ScratchDir dir;
};

// One channel of two values, ready to write.
void PrepareOneChannel(CReadAndWriteFileFunction& engine, double* values) {
    engine.SetNrChannels(1);
    engine.SetNrItems(2);
    engine.InsertChannel(0, values, "U", "V");
}

void Detach(CReadAndWriteFileFunction& engine) {
    for (int i = 0; i < engine.GetNrChannels(); ++i)
        if (engine.GetChannel(i)) *engine.GetChannel(i) = CExImPortChannel();
}

}  // namespace

TEST_F(Dispatch, ReadByExtensionIgnoresCaseAndReportsMissingFormatsCleanly) {
    struct Case {
        const char* name;
        int fileKind;
        const char* format;
    } cases[] = {
        {"a.MDX", 1, "couldn't be opened"}, {"a.mdk", 0, "couldn't be opened"},
        {"a.Mda", 0, "couldn't be opened"}, {"a.out", 6, "SPICE"},
        {"a.dat", 8, "Recorder"},
    };
    for (const Case& c : cases) {
        CReadAndWriteFileFunction engine;
        EXPECT_EQ(engine.ReadInfoFile(dir.File(c.name).c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0) << c.name;
        EXPECT_EQ(engine.FileKind, c.fileKind) << c.name;
        EXPECT_EQ(engine.GetLastErrorNumber(), 3) << c.name;
        // A format built in fails on the missing file, one left out names itself.
        EXPECT_TRUE(engine.GetLastError().Find(c.format) != -1 ||
                    engine.GetLastError().Find("couldn't be opened") != -1)
            << engine.GetLastError().GetString();
        // The second step goes to the same family and fails the same clean way.
        EXPECT_EQ(engine.ReadDataFile(), 0);
    }
    // Workbooks are read: a missing one is a database that cannot be opened.
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(dir.File("a.xls").c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(engine.FileKind, 2);
    EXPECT_EQ(engine.GetLastErrorNumber(), 6);
    EXPECT_NE(engine.GetLastError().Find("Error if opening the database"), -1) << engine.GetLastError().GetString();
}

TEST_F(Dispatch, DatFileKindChoosesHowADatFileIsReadWithDialogs) {
    const std::string dat = dir.File("scope.dat");
    WriteFile(dat, "1;2\r\n3;4\r\n");
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(dat.c_str(), "", -1, nullptr, nullptr, 1, 0, 0), 0);
    EXPECT_EQ(engine.FileKind, -1);
    EXPECT_EQ(engine.GetLastErrorNumber(), -1);  // nothing read, nothing recorded

    // As text with dialogs: the headless hub cancels the Import dialog.
    EXPECT_EQ(engine.ReadInfoFile(dat.c_str(), "", -1, nullptr, nullptr, 1, 0, 1), 0);
    EXPECT_EQ(engine.FileKind, 4);
    EXPECT_EQ(engine.GetLastErrorNumber(), 7);

    // As recorder files: a header that is not numeric makes the file delimited text.
    EXPECT_EQ(engine.ReadInfoFile(dat.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(engine.FileKind, 4);
    EXPECT_EQ(engine.ReadInfoFile(dat.c_str(), "", -1, nullptr, nullptr, 1, 0, 5), 0);
    EXPECT_EQ(engine.FileKind, 4);
    EXPECT_EQ(engine.GetDecimal(), ",");
}

TEST_F(Dispatch, UnknownOrMissingExtensionsAreReadAsTextWithTheGivenSymbols) {
    for (const char* name : {"values.prn", "values", "dir.v2/values"}) {
        std::string path = dir.File(name);
        if (std::string(name).find('/') != std::string::npos) mkdir(dir.File("dir.v2").c_str(), 0755);
        WriteFile(path, "1|2,5\n3|4\n");
        CReadAndWriteFileFunction engine;
        ASSERT_EQ(engine.ReadInfoFile(path.c_str(), "", -1, "|", ",", 0, 0, 2), 1) << name;
        EXPECT_EQ(engine.FileKind, 4);
        EXPECT_EQ(engine.GetLoadVersion(), 4);
        EXPECT_EQ(engine.GetSaveVersion(), -1);
        EXPECT_EQ(engine.GetNrChannels(), 2);
        EXPECT_EQ(engine.GetNrItems(), 2);
    }
}

TEST_F(Dispatch, WriteByFormatCodeAppendsTheExtensionAndKeepsTheGivenName) {
    double values[2] = {1.5, 2};
    CReadAndWriteFileFunction engine;
    PrepareOneChannel(engine, values);
    const std::string out = dir.File("out");
    EXPECT_EQ(engine.WriteFile(out.c_str(), "", 12, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(out + ".csv"));
    EXPECT_FALSE(Exists(out));
    EXPECT_EQ(engine.GetFileName(), out.c_str());
    EXPECT_EQ(engine.GetSaveVersion(), 12);
    EXPECT_EQ(engine.GetLoadVersion(), 5);
    EXPECT_EQ(ReadFile(out + ".csv"), "\"U(V)\"\r\n1,5\r\n2");

    // An unknown extension gives way to the format code's.
    EXPECT_EQ(engine.WriteFile(dir.File("a.xyz").c_str(), "", 11, "\t", ".", 0, 0), 1);
    EXPECT_EQ(ReadFile(dir.File("a.txt")), "\"U(V)\"\r\n1.5\r\n2");
    EXPECT_EQ(engine.GetSaveVersion(), 11);
    EXPECT_EQ(engine.GetLoadVersion(), 4);

    // Without a known format code the name is written as given, as text.
    EXPECT_EQ(engine.WriteFile(dir.File("b.prn").c_str(), "", -1, " ", ".", 0, 0), 1);
    EXPECT_TRUE(Exists(dir.File("b.prn")));
    EXPECT_EQ(engine.GetLoadVersion(), -1);
    EXPECT_EQ(engine.FileKind, 4);

    // Characteristic, Excel, Access and COMTRADE writers are reached with their codes.
    EXPECT_EQ(engine.WriteFile(dir.File("c.xyz").c_str(), "", 5, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(engine.GetSaveVersion(), 5);
    EXPECT_EQ(engine.GetLoadVersion(), 1);
    EXPECT_EQ(engine.FileKind, 0);
    EXPECT_EQ(ReadFile(dir.File("c.mda")).size(), 16u);  // 8-byte pair: two doubles
    EXPECT_EQ(engine.WriteFile(dir.File("d.xls").c_str(), "Sheet1$", 3, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(dir.File("d.xls")));
    EXPECT_STREQ(engine.GetTableName(), "Sheet1");
    EXPECT_EQ(engine.GetSaveVersion(), 7);
    EXPECT_EQ(engine.GetLoadVersion(), 3);
    EXPECT_EQ(engine.WriteFile(dir.File("e.mdb").c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(engine.GetSaveVersion(), 10);
    EXPECT_EQ(engine.GetLoadVersion(), 2);
    EXPECT_EQ(engine.WriteFile(dir.File("f.hdr").c_str(), "", 14, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(dir.File("f.cfg")));
    EXPECT_EQ(engine.GetSaveVersion(), 14);
    EXPECT_EQ(engine.GetLoadVersion(), 7);
    EXPECT_EQ(engine.WriteFile(dir.File("g.mdx").c_str(), "", 9, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(engine.GetSaveVersion(), 0);
    EXPECT_EQ(engine.WriteFile(dir.File("g.mdk").c_str(), "", 2, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(engine.GetSaveVersion(), 2);
    EXPECT_EQ(engine.GetLoadVersion(), 0);
    EXPECT_EQ(engine.FileKind, 0);  // the writer takes the arrangement from the name: a pair
    EXPECT_TRUE(Exists(dir.File("g.mda")));
    Detach(engine);
}

namespace {
// Answers the Export dialog with a choice, or cancels it.
class ExportAnswer : public CDialogHub {
public:
    int separatorIndex = CExportSeparatorRules::SepTab;
    int decimalIndex = CExportSeparatorRules::DecComma;
    bool cancel = false;
    int asked = 0;
    int DoModal(CModalRequest& request) override {
        ++asked;
        auto* dialog = dynamic_cast<CExportSeparatorRules*>(&request);
        if (!dialog || cancel) return IDCANCEL;
        EXPECT_EQ(dialog->GetTemplateId(), 4307u);
        dialog->SeparatorIndex = separatorIndex;
        dialog->DecimalIndex = decimalIndex;
        return dialog->OnOK() ? IDOK : IDCANCEL;
    }
};
}  // namespace

TEST_F(Dispatch, TextWithoutSymbolsAsksTheExportDialogOrUsesTheLocale) {
    double values[2] = {1.5, 2};
    CReadAndWriteFileFunction engine;
    PrepareOneChannel(engine, values);
    const std::string txt = dir.File("t.txt");

    // Headless: the dialog is cancelled, nothing is written.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 7);
    EXPECT_FALSE(Exists(txt));

    ExportAnswer answer;
    TBSetDialogHub(&answer);
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, ".", 1, 0), 1);
    EXPECT_EQ(ReadFile(txt), "\"U(V)\"\r\n1,5\r\n2");
    EXPECT_EQ(answer.asked, 1);
    // Both symbols given: no dialog.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, ";", ".", 1, 0), 1);
    EXPECT_EQ(answer.asked, 1);
    TBSetDialogHub(nullptr);

    // No dialog allowed: the user's locale symbols.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(ReadFile(txt), "\"U(V)\"\r\n1,5\r\n2");
    EXPECT_EQ(engine.GetSeperator(), ";");
    Detach(engine);
}

TEST_F(Dispatch, CharacteristicSeparatorComesFromTheExportDialogInCharacteristicMode) {
    double values[2] = {1.5, 2};
    CReadAndWriteFileFunction engine;
    PrepareOneChannel(engine, values);
    ExportAnswer answer;
    answer.cancel = true;
    TBSetDialogHub(&answer);
    EXPECT_EQ(engine.WriteFile(dir.File("k.mdx").c_str(), "", 0, nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 7);
    EXPECT_EQ(answer.asked, 1);
    // Binary characteristic formats need no separator and no dialog.
    EXPECT_EQ(engine.WriteFile(dir.File("k.mdx").c_str(), "", 1, nullptr, nullptr, 1, 0), 1);
    EXPECT_EQ(answer.asked, 1);
    TBSetDialogHub(nullptr);
    Detach(engine);
}
