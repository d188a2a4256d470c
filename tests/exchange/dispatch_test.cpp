// Choosing readers and writers by extension and format code.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/text_dialog_rules.h>
#include "exchange/format_table.h"
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/dialog_hub.h"
#include "tests/support/files.h"
#include <toolbox/os/locale_info.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace tbtest;

namespace {

using Dispatch = ExchangeTest;

void Detach(CReadAndWriteFileFunction& engine) {
    for (int i = 0; i < engine.GetNrChannels(); ++i)
        if (engine.GetChannel(i)) *engine.GetChannel(i) = CExImPortChannel();
}

// An engine holding one channel U in V of the values 1.5 and 2 (further slots empty),
// detached from them when it goes.
struct WriterOfU {
    explicit WriterOfU(int slots = 1) { SetChannels(engine, 2, {{values, "U", "V"}}, slots); }
    ~WriterOfU() { Detach(engine); }
    double values[2] = {1.5, 2};
    CReadAndWriteFileFunction engine;
};

// Answers the Export dialog with tab and decimal comma, or cancels it.
class ExportAnswer : public FakeDialogHub {
public:
    explicit ExportAnswer(bool cancel = false) {
        answerModal = [cancel](CModalRequest& request) {
            auto* dialog = dynamic_cast<CExportSeparatorRules*>(&request);
            if (!dialog || cancel) return IDCANCEL;
            EXPECT_EQ(dialog->GetTemplateId(), 4307u);
            dialog->SeparatorIndex = CExportSeparatorRules::SepTab;
            dialog->DecimalIndex = CExportSeparatorRules::DecComma;
            return dialog->OnOK() ? IDOK : IDCANCEL;
        };
    }
};

}  // namespace

// The extensions of a table entry, one by one.
std::vector<std::string> Extensions(const char* names) {
    std::vector<std::string> out;
    std::string all = names;
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find(' ', at);
        if (end == std::string::npos) end = all.size();
        out.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST_F(Dispatch, EveryReadExtensionReachesItsFormatInAnyCase) {
    std::set<std::string> reached;
    for (const tb_exchange::ExchangeFormat& format : tb_exchange::ExchangeFormats()) {
        for (const std::string& ext : Extensions(format.readNames)) {
            for (const std::string& name : {"missing" + ext, "MISSING" + Upper(ext)}) {
                SCOPED_TRACE(std::string(format.name) + ": " + name);
                CReadAndWriteFileFunction engine;
                const std::string path = dir.File(name);
                EXPECT_EQ(engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 0);
                EXPECT_EQ(engine.FileKind, format.fileKind);
                // The format's own complaint about the file, never the engine's "invalid format".
                const bool database = format.fileKind == TB_KIND_XLS || format.fileKind == TB_KIND_MDB;
                EXPECT_EQ(engine.GetLastErrorNumber(), database ? TB_EXCHANGE_DATABASE_ERROR : TB_EXCHANGE_FILE_ERROR);
                // It names the file or its partner (.mdk of an .mda, .dat of a .cfg).
                const std::string stem = path.substr(0, path.size() - ext.size());
                EXPECT_NE(engine.GetLastError().Find(stem.c_str()), -1) << engine.GetLastError().GetString();
                EXPECT_NE(engine.GetLastError(), TBFormatMessage(TBMsg::UnknownFileFormat, {path.c_str()}));
                // The second step goes to the same format and fails the same clean way.
                EXPECT_EQ(engine.ReadDataFile(), 0);
                EXPECT_NE(engine.GetLastError(), TBFormatMessage(TBMsg::UnknownFileFormat, {path.c_str()}));
            }
            reached.insert(ext);
        }
    }
    const std::set<std::string> expected{".mdx", ".mdk", ".mda", ".xls", ".mdb", ".txt",
                                         ".csv", ".cfg", ".cff", ".out", ".raw", ".dat"};
    EXPECT_EQ(reached, expected);
}

// Every format code writes its format, reports the entry's codes and reads back
// through the extension it appended: the reader reports the same family on its own.
TEST_F(Dispatch, EveryFormatCodeWritesItsEntryAndReadsBack) {
    CStringArray filters;
    CReadAndWriteFileFunction().GetFormatFilterWrite(&filters);
    ASSERT_EQ(filters.GetSize(), 15);
    for (int code = 0; code < 15; ++code) {
        const tb_exchange::ExchangeFormat* format = tb_exchange::FindFormatOfCode(code);
        ASSERT_NE(format, nullptr) << code;
        SCOPED_TRACE(format->name);
        EXPECT_EQ(format->formatCode, code);
        // The filter at the code's position offers the extension the code writes.
        EXPECT_NE(filters[code].Find((std::string("*") + format->writeSuffix).c_str()), -1)
            << filters[code].GetString();

        WriterOfU u;
        CReadAndWriteFileFunction& writer = u.engine;
        const std::string base = dir.File("code" + std::to_string(code));
        ASSERT_EQ(writer.WriteFile(base.c_str(), "Data", code, ";", ".", 0, 0), 1) << writer.GetLastError().GetString();
        EXPECT_EQ(writer.GetSaveVersion(), code);
        EXPECT_EQ(writer.GetLoadVersion(), format->familyCode);
        EXPECT_EQ(writer.FileKind, format->fileKind);
        EXPECT_EQ(writer.GetFileName(), base.c_str());

        const std::string written = base + format->writeSuffix;
        CReadAndWriteFileFunction reader;
        const int info = reader.ReadInfoFile(written.c_str(), "Data", -1, ";", ".", 0, 0, 2);
        ASSERT_TRUE(info == 1 || info == 2) << reader.GetLastError().GetString();
        EXPECT_EQ(reader.FileKind, format->fileKind);
        EXPECT_EQ(reader.GetLoadVersion(), format->familyCode);
        EXPECT_EQ(reader.GetSaveVersion(), code == 11 ? -1 : code);  // text records no code
        ASSERT_EQ(reader.GetNrChannels(), 1);
        ASSERT_EQ(reader.GetNrItems(), 2);
        CArray<double, double> back;
        reader.GetChannel(0)->SetDoubleArray(&back);
        EXPECT_EQ(reader.ReadDataFile(), 1) << reader.GetLastError().GetString();
        ASSERT_EQ(back.GetSize(), 2);
        EXPECT_EQ(back[0], 1.5);
        EXPECT_EQ(back[1], 2.0);
        Detach(reader);
    }
}

// Every writer names an empty channel slot by its number from one; the files are still
// written, the tables of workbooks and databases refused.
TEST_F(Dispatch, EveryWriterNamesAnEmptySlotFromOne) {
    for (int code = 0; code < 15; ++code) {
        const tb_exchange::ExchangeFormat* format = tb_exchange::FindFormatOfCode(code);
        ASSERT_NE(format, nullptr) << code;
        SCOPED_TRACE(format->name);
        WriterOfU u(2);
        const std::string path = dir.File("gap" + std::to_string(code)) + format->writeSuffix;
        const bool table = format->fileKind == TB_KIND_XLS || format->fileKind == TB_KIND_MDB;
        EXPECT_EQ(u.engine.WriteFile(path.c_str(), "", code, ";", ".", 0, 0), table ? 0 : 2)
            << u.engine.GetLastError().GetString();
        EXPECT_NE(u.engine.GetLastWarn().Find(TBFormatMessage(TBMsg::ChannelNotWritten, {CString(path.c_str()), 2})), -1)
            << u.engine.GetLastWarn().GetString();
    }
}

// A name with a written extension chooses its entry whatever the case of the
// extension; a code of the same kind of file refines it, any other code does not.
TEST_F(Dispatch, EveryWriteExtensionChoosesItsEntry) {
    std::set<std::string> reached;
    for (const tb_exchange::ExchangeFormat& format : tb_exchange::ExchangeFormats()) {
        for (const std::string& ext : Extensions(format.writeNames)) {
            for (int code : {-1, 12, format.sameFileCodes.last}) {
                const tb_exchange::ExchangeFormat* chosen =
                    format.sameFileCodes.Holds(code) ? tb_exchange::FindFormatOfCode(code) : &format;
                const std::string name = dir.File("byname" + std::to_string(code) + Upper(ext));
                SCOPED_TRACE(name);
                WriterOfU u;
                CReadAndWriteFileFunction& engine = u.engine;
                EXPECT_GE(engine.WriteFile(name.c_str(), "", code, ";", ".", 0, 0), 1)
                    << engine.GetLastError().GetString();
                EXPECT_EQ(engine.GetSaveVersion(), chosen->fileKind == TB_KIND_TEXT ? -1 : chosen->formatCode);
                EXPECT_EQ(engine.GetLoadVersion(), chosen->familyCode);
            }
            reached.insert(ext);
        }
    }
    const std::set<std::string> expected{".mdx", ".mdk", ".mda", ".xls", ".mdb", ".txt",
                                         ".csv", ".cfg", ".hdr", ".inf", ".dat"};
    EXPECT_EQ(reached, expected);
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
    WriterOfU u;
    CReadAndWriteFileFunction& engine = u.engine;
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

    // The codes and versions of every extension and code are checked above; what is
    // left: a sheet name loses its "$", a header name writes the .cfg, and a .mdk name
    // with an .mdx code writes the pair.
    EXPECT_EQ(engine.WriteFile(dir.File("d.xls").c_str(), "Sheet1$", 3, nullptr, nullptr, 0, 0), 1);
    EXPECT_STREQ(engine.GetTableName(), "Sheet1");
    EXPECT_EQ(engine.WriteFile(dir.File("f.hdr").c_str(), "", 14, nullptr, nullptr, 0, 0), 1);
    EXPECT_TRUE(Exists(dir.File("f.cfg")));
    EXPECT_EQ(engine.WriteFile(dir.File("g.mdk").c_str(), "", 2, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(engine.GetSaveVersion(), 2);
    EXPECT_EQ(engine.GetLoadVersion(), 0);
    EXPECT_EQ(engine.FileKind, 0);  // the writer takes the arrangement from the name: a pair
    EXPECT_TRUE(Exists(dir.File("g.mda")));
}


TEST_F(Dispatch, TextWithoutSymbolsAsksTheExportDialogOrUsesTheLocale) {
    WriterOfU u;
    CReadAndWriteFileFunction& engine = u.engine;
    const std::string txt = dir.File("t.txt");

    // Headless: the dialog is cancelled, nothing is written.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 7);
    EXPECT_FALSE(Exists(txt));

    ExportAnswer answer;
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, ".", 1, 0), 1);
    EXPECT_EQ(ReadFile(txt), "\"U(V)\"\r\n1,5\r\n2");
    EXPECT_EQ(answer.modalCount, 1);
    // Both symbols given: no dialog.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, ";", ".", 1, 0), 1);
    // No dialog allowed: the user's locale symbols.
    EXPECT_EQ(engine.WriteFile(txt.c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(answer.modalCount, 1);
    EXPECT_EQ(ReadFile(txt), "\"U(V)\"\r\n1,5\r\n2");
    EXPECT_EQ(engine.GetSeperator(), ";");
}

TEST_F(Dispatch, CharacteristicSeparatorComesFromTheExportDialogInCharacteristicMode) {
    WriterOfU u;
    ExportAnswer answer(true);
    EXPECT_EQ(u.engine.WriteFile(dir.File("k.mdx").c_str(), "", 0, nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(u.engine.GetLastErrorNumber(), 7);
    EXPECT_EQ(answer.modalCount, 1);
    // Binary characteristic formats need no separator and no dialog.
    EXPECT_EQ(u.engine.WriteFile(dir.File("k.mdx").c_str(), "", 1, nullptr, nullptr, 1, 0), 1);
    EXPECT_EQ(answer.modalCount, 1);
}
