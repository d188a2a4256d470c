// The rules of the Import and Export dialogs, and the engine asking through the hub.
#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/exchange/read_and_write_files.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/dialog_hub.h"
#include "tests/support/files.h"
#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tbtest;

namespace {

using ImportDialog = ExchangeTest;

}  // namespace

TEST(ImportRules, LoadsSeparatorsAndDecimalAndBuildsTheChosenStrings) {
    CTextImportRules dialog("x.csv");
    EXPECT_EQ(dialog.BuildSeparatorString(), ";");  // Semicolon starts ticked
    EXPECT_EQ(dialog.BuildDecimalString(), ".");
    dialog.LoadSeparators("\t;|, ");
    EXPECT_TRUE(dialog.Tab && dialog.Semicolon && dialog.Comma && dialog.Space && dialog.Other);
    EXPECT_TRUE(dialog.OtherSeparators.IsEmpty());  // the Other edit stays empty
    EXPECT_TRUE(dialog.IsOtherSeparatorEditEnabled());
    dialog.OtherSeparators = "|";
    EXPECT_EQ(dialog.BuildSeparatorString(), ",; \t|");
    dialog.LoadDecimal(",");
    EXPECT_EQ(dialog.DecimalIndex, CTextImportRules::DecimalComma);
    EXPECT_FALSE(dialog.IsOtherDecimalEditEnabled());
    dialog.LoadDecimal("'");
    EXPECT_EQ(dialog.DecimalIndex, CTextImportRules::DecimalOther);
    EXPECT_TRUE(dialog.IsOtherDecimalEditEnabled());
    dialog.OtherDecimal = "'";
    dialog.StartLine = 3;
    dialog.MergeSeparators = true;
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.GetChosenSeparator(), ",; \t|");
    EXPECT_EQ(dialog.GetChosenDecimal(), "'");
    EXPECT_EQ(dialog.GetChosenStartLine(), 3);
    EXPECT_EQ(dialog.GetChosenMergeFlag(), 1);

    dialog.LoadSeparators("");
    EXPECT_FALSE(dialog.OnOK());  // no separator: the dialog stays open
    dialog.Other = true;
    EXPECT_TRUE(dialog.OnOK());  // the Other edit kept its text "|"
    EXPECT_EQ(dialog.GetChosenSeparator(), "|");
    dialog.OtherSeparators.Empty();
    EXPECT_FALSE(dialog.OnOK());  // Other ticked with an empty edit
}

TEST_F(ImportDialog, TextCheckLooksAtTheFirst1024Bytes) {
    WriteFile(dir.File("ok.txt"), "1;2\r\n\t3;4\n");
    EXPECT_TRUE(CTextImportRules(dir.File("ok.txt").c_str()).CheckFileIsText());
    WriteFile(dir.File("empty.txt"), "");
    EXPECT_FALSE(CTextImportRules(dir.File("empty.txt").c_str()).CheckFileIsText());
    EXPECT_FALSE(CTextImportRules(dir.File("none.txt").c_str()).CheckFileIsText());
    WriteFile(dir.File("bin.txt"), std::string(1023, 'a') + '\x01');
    EXPECT_FALSE(CTextImportRules(dir.File("bin.txt").c_str()).CheckFileIsText());
    WriteFile(dir.File("late.txt"), std::string(1024, 'a') + '\x01');
    EXPECT_TRUE(CTextImportRules(dir.File("late.txt").c_str()).CheckFileIsText());
}

TEST_F(ImportDialog, OriginalTextShowsNumberedLinesAroundTheStartLine) {
    std::string text;
    for (int i = 1; i <= 80; ++i) text += "line" + std::to_string(i) + "\r\n";
    WriteFile(dir.File("p.txt"), text);
    CTextImportRules dialog(dir.File("p.txt").c_str());
    CString preview;
    ASSERT_TRUE(dialog.BuildOriginalText(preview));
    EXPECT_EQ(preview.Left(15), "     1:\tline1\r\n");
    EXPECT_NE(preview.Find("    50:\tline50\r\n"), -1);
    EXPECT_EQ(preview.Find("line51"), -1);
    dialog.StartLine = 40;
    ASSERT_TRUE(dialog.BuildOriginalText(preview));
    EXPECT_EQ(preview.Left(16), "    20:\tline20\r\n");
    EXPECT_EQ(preview.Right(16), "    70:\tline70\r\n");
    EXPECT_FALSE(CTextImportRules(dir.File("none.txt").c_str()).BuildOriginalText(preview));
}

TEST_F(ImportDialog, InterpretedTextSplitsWithTheCurrentChoices) {
    WriteFile(dir.File("i.txt"), "\"U(V)\";x\r\n1,5;2k\r\n3\r\n");
    CTextImportRules dialog(dir.File("i.txt").c_str());
    dialog.LoadDecimal(",");
    CStringArray titles;
    std::vector<CStringArray> rows;
    ASSERT_TRUE(dialog.BuildInterpretedText(titles, rows, 10));
    ASSERT_EQ(titles.GetSize(), 2);
    EXPECT_EQ(titles[0], "U(V)");
    EXPECT_EQ(titles[1], "CH 1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "1,5");
    EXPECT_EQ(rows[0][1], "2k");
    EXPECT_EQ(rows[1].GetSize(), 1);
}

TEST(ExportRules, GiveCharactersOrStringsAndDisableOkWithoutAChoice) {
    CExportSeparatorRules characteristic(0);
    EXPECT_FALSE(characteristic.IsDecimalGroupEnabled());
    EXPECT_EQ(characteristic.GetSeparatorChar(), ';');
    characteristic.SeparatorIndex = CExportSeparatorRules::SepTab;
    EXPECT_EQ(characteristic.GetSeparatorChar(), 9);
    characteristic.SeparatorIndex = CExportSeparatorRules::SepSpace;
    EXPECT_EQ(characteristic.GetSeparatorChar(), 32);
    characteristic.DecimalIndex = CExportSeparatorRules::NoDecimal;
    EXPECT_TRUE(characteristic.OnOK());  // the decimal group does not count here

    CExportSeparatorRules text(1);
    EXPECT_TRUE(text.IsDecimalGroupEnabled());
    text.SeparatorIndex = CExportSeparatorRules::SepComma;
    text.DecimalIndex = CExportSeparatorRules::DecComma;
    EXPECT_EQ(text.GetSeparator(), ",");
    EXPECT_EQ(text.GetDecimal(), ",");
    text.DecimalIndex = CExportSeparatorRules::NoDecimal;
    EXPECT_FALSE(text.OnOK());
    text.DecimalIndex = CExportSeparatorRules::DecPoint;
    text.SeparatorIndex = CExportSeparatorRules::NoSeparator;
    EXPECT_FALSE(text.IsOkEnabled());
}

TEST_F(ImportDialog, EngineAsksTheDialogForMissingSymbolsAndHonoursCancel) {
    const std::string csv = dir.File("d.csv");
    WriteFile(csv, "\"a\"|\"b\"\r\nskip\r\n1'5|2\r\n");
    // The hub answers the Import dialog by changing its controls, or cancels it.
    FakeDialogHub hub;
    CString seenSeparators;  // the dialog's separator string as loaded
    int seenDecimal = -1;
    bool cancel = true;
    hub.answerModal = [&](CModalRequest& request) {
        auto* dialog = dynamic_cast<CTextImportRules*>(&request);
        if (!dialog || cancel) return IDCANCEL;
        EXPECT_EQ(dialog->GetTemplateId(), 4305u);
        seenSeparators = dialog->BuildSeparatorString();
        seenDecimal = dialog->DecimalIndex;
        dialog->LoadSeparators("|");
        dialog->OtherSeparators = "|";
        dialog->DecimalIndex = CTextImportRules::DecimalOther;
        dialog->OtherDecimal = "'";
        return IDOK;
    };
    CReadAndWriteFiles files;
    EXPECT_EQ(files.ReadInfoFile(csv.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 7);
    // A .csv file loads the dialog from the user's symbols.
    EXPECT_EQ(seenSeparators, "");
    cancel = false;
    files.ResetAllVars();
    ASSERT_EQ(files.ReadInfoFile(csv.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1);
    EXPECT_EQ(seenSeparators, ";");
    EXPECT_EQ(seenDecimal, CTextImportRules::DecimalComma);
    EXPECT_EQ(files.GetSeperator(), "|");
    EXPECT_EQ(files.GetDecimal(), "'");
    EXPECT_EQ(files.GetNrChannels(), 2);
    EXPECT_EQ(files.GetChannel(1)->GetChannelName(), "b");
    Doubles a, b;
    files.GetChannel(0)->SetDoubleArray(&a);
    files.GetChannel(1)->SetDoubleArray(&b);
    ASSERT_EQ(files.ReadDataFile(), 1);
    ASSERT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a[1], 1.5);
    EXPECT_EQ(b[1], 2);

    // Both symbols given: no dialog even when dialogs are allowed.
    const int asked = hub.modalCount;
    files.ResetAllVars();
    EXPECT_EQ(files.ReadInfoFile(dir.File("d.txt").c_str(), "", -1, ";", ".", 1, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 3);
    EXPECT_EQ(hub.modalCount, asked);

    // A binary file closes the dialog at once as cancelled.
    WriteFile(dir.File("bin.txt"), "\177ELF\2\1");
    files.ResetAllVars();
    EXPECT_EQ(files.ReadInfoFile(dir.File("bin.txt").c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 7);
    EXPECT_EQ(hub.modalCount, asked);
}

TEST_F(ImportDialog, EmptyFileNamesAreAskedForThroughTheHub) {
    FakeDialogHub hub;
    hub.fileName = dir.File("chosen.txt").c_str();
    Doubles v = DoublesOf({2});
    CReadAndWriteFileFunction engine;
    SetChannels(engine, 1, {{&v, "a"}});
    engine.FileKind = 4;
    EXPECT_EQ(engine.WriteCSVFile("", ";", "."), 1);
    ASSERT_EQ(hub.fileRequests.size(), 1u);
    EXPECT_FALSE(hub.fileRequests[0].forReading);
    EXPECT_EQ(hub.fileRequests[0].defaultExtension, "*.txt");
    EXPECT_EQ(hub.fileRequests[0].filter, TBLoadString(TBMsg::FilterText));
    EXPECT_EQ(hub.fileRequests[0].flags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_LONGNAMES);
    EXPECT_EQ(ReadFile(dir.File("chosen.txt")), "\"a\"\r\n2");

    CReadAndWriteFileFunction reader;
    reader.FileKind = 5;
    ASSERT_EQ(reader.ReadInfoCSVFile("", ";", ".", 1, 0), 1);
    ASSERT_EQ(hub.fileRequests.size(), 2u);
    EXPECT_TRUE(hub.fileRequests[1].forReading);
    EXPECT_EQ(hub.fileRequests[1].defaultExtension, "*.csv");
    EXPECT_EQ(reader.GetFileName(), dir.File("chosen.txt").c_str());
    hub.fileName = "";
    CReadAndWriteFileFunction cancelled;
    EXPECT_EQ(cancelled.ReadInfoCSVFile("", ";", ".", 1, 0), 0);
    EXPECT_EQ(cancelled.GetLastError(), TBLoadString(TBMsg::NoFileName));
    EXPECT_EQ(cancelled.ReadInfoAccessFile("", ""), 0);
    ASSERT_EQ(hub.fileRequests.size(), 4u);
    EXPECT_TRUE(hub.fileRequests[3].forReading);
    EXPECT_EQ(hub.fileRequests[3].defaultExtension, "*.mdb");
    EXPECT_EQ(hub.fileRequests[3].filter, TBLoadString(TBMsg::FilterAccess));
    EXPECT_EQ(cancelled.GetLastError(), TBLoadString(TBMsg::NoFileName));
}

TEST(Hubs, HeadlessAnswersAndInProcessClipboard) {
    CTextImportRules dialog("x.txt");
    EXPECT_EQ(TBGetDialogHub().DoModal(dialog), IDCANCEL);
    EXPECT_TRUE(TBGetDialogHub().AskFileName(CFileDialogRequest()).IsEmpty());
    CClipboardHub& clipboard = TBGetClipboardHub();
    EXPECT_TRUE(clipboard.SetText("1;2"));
    EXPECT_TRUE(clipboard.HasText());
    EXPECT_EQ(clipboard.GetText(), "1;2");
    clipboard.Clear();
    EXPECT_FALSE(clipboard.HasText());
}

TEST(LocaleSymbols, ListSeparatorFollowsTheDecimalSymbolOfTheUserLocale) {
    TBOverrideUserNumberSymbols(nullptr, nullptr);
    const char* original = std::getenv("LC_ALL");
    const std::string saved = original ? original : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(TBGetUserDecimalSymbol(), ".");
    EXPECT_EQ(TBGetUserListSeparator(), ",");
    setenv("LC_ALL", "no_such_locale", 1);
    EXPECT_EQ(TBGetUserDecimalSymbol(), ".");
    // A locale with a decimal comma, where the machine has one.
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        setenv("LC_ALL", name, 1);
        if (TBGetUserDecimalSymbol() != ",") continue;
        EXPECT_EQ(TBGetUserListSeparator(), ";");
        break;
    }
    if (original)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    TBOverrideUserNumberSymbols("\t", ",");
    EXPECT_EQ(TBGetUserListSeparator(), "\t");
    EXPECT_EQ(TBGetUserDecimalSymbol(), ",");
    TBOverrideUserNumberSymbols(nullptr, nullptr);
}
