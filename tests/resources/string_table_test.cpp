#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

class TestModule : public CResourceModule {
public:
    std::map<UINT, CString> texts;
    bool FindString(UINT id, CString& text) const override {
        auto it = texts.find(id);
        if (it == texts.end()) return false;
        text = it->second;
        return true;
    }
};

}  // namespace

TEST(StringTable, BuiltinTextsByIdAndUnknownIdsEmpty) {
    EXPECT_EQ(TBLoadString(55), "File >>%s<<: It couldn't be read from channel %i !");
    EXPECT_EQ(TBLoadString(100), "Microsoft Excel (*.xls)|*.xls|");
    EXPECT_EQ(TBLoadString(5532), "Cannot find \"%s\"");
    EXPECT_EQ(TBFormatMessage(TBMsg::CrashReportProblem, {"VELTRANIX"}).Left(61),
              "<p><b>VELTRANIX has encountered a problem and needs to close.");
    EXPECT_TRUE(TBLoadString(99999).IsEmpty());
}

TEST(StringTable, ResourceModuleOverridesAndFallsBack) {
    TestModule german;
    german.texts[55] = "Datei >>%s<<: Kanal %i konnte nicht gelesen werden!";
    TBSetResourceModule(&german);
    EXPECT_EQ(TBFormatMessage(55, {"a.csv", 3}), "Datei >>a.csv<<: Kanal 3 konnte nicht gelesen werden!");
    EXPECT_EQ(TBLoadString(5532), "Cannot find \"%s\"");  // missing in the module
    TBSetResourceModule(nullptr);
    EXPECT_EQ(&TBGetResourceModule(), &TBBuiltinResources());
}

TEST(StringTable, FormattingNeverTreatsTextAsFormat) {
    EXPECT_EQ(TBFormatMessage(55, {"100%s%n%i.csv", 2}),
              "File >>100%s%n%i.csv<<: It couldn't be read from channel 2 !");
    EXPECT_EQ(TBFormatText("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(TBFormatText("100%% of %d, %5i|%x", {7, 3, 255}), "100% of 7, 3|ff");
    EXPECT_EQ(TBFormatText("%i", {"text"}), "text");
    EXPECT_EQ(TBFormatText("trailing %", {1}), "trailing %");
    EXPECT_EQ(TBFormatText("%q stays", {1}), "%q stays");
}

// The built-in table is searched by binary search: its ids must ascend without repeats,
// and every entry must be found by its id.
TEST(StringTable, BuiltinTableIsSortedAndEveryEntryLoads) {
    std::ifstream in(std::string(TOOLBOX_SOURCE_DIR) + "/resources/string_table_en.inc");
    ASSERT_TRUE(in.good());
    std::string line;
    long previous = -1;
    int entries = 0;
    while (std::getline(in, line)) {
        if (line.rfind("TB_STRING(", 0) != 0) continue;
        long id = std::strtol(line.c_str() + 10, nullptr, 10);
        EXPECT_GT(id, previous) << line;
        previous = id;
        EXPECT_FALSE(TBLoadString(static_cast<UINT>(id)).IsEmpty()) << line;
        ++entries;
    }
    EXPECT_GT(entries, 100);
}

// Every name of message_ids.h is an id of the built-in table, and the text its comment
// quotes ("..." marking what is left out, line breaks and runs of blanks shown as one
// blank) is that entry's text: a mistyped or swapped id fails here.
TEST(StringTable, EveryMessageIdNameIsInTheBuiltinTable) {
    std::ifstream in(std::string(TOOLBOX_SOURCE_DIR) + "/include/toolbox/resources/message_ids.h");
    ASSERT_TRUE(in.good());
    const std::regex entry(R"re(^constexpr UINT (\w+) = (\d+); +// "(.*)"$)re");
    std::set<std::string> names;
    std::set<UINT> ids;
    std::string line;
    int entries = 0;
    while (std::getline(in, line)) {
        if (line.rfind("constexpr", 0) != 0) continue;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, entry)) << "unexpected form: " << line;
        const UINT id = static_cast<UINT>(std::stoul(m[2]));
        EXPECT_TRUE(names.insert(m[1]).second) << "name twice: " << line;
        EXPECT_TRUE(ids.insert(id).second) << "id twice: " << line;
        CString text;
        if (!TBBuiltinResources().FindString(id, text)) {
            ADD_FAILURE() << "not in the table: " << line;
            continue;
        }
        std::string english;
        for (char c : std::string(text.GetString())) {
            if (c == '\n') c = ' ';
            if (c == ' ' && !english.empty() && english.back() == ' ') continue;
            english += c;
        }
        // The quoted pieces between "..." appear in order, the first one at the start.
        const std::string quoted = m[3];
        size_t at = 0, from = 0;
        for (bool first = true;; first = false) {
            const size_t dots = quoted.find("...", from);
            std::string piece = quoted.substr(from, dots == std::string::npos ? std::string::npos : dots - from);
            while (!piece.empty() && piece.front() == ' ') piece.erase(0, 1);
            while (!piece.empty() && piece.back() == ' ') piece.pop_back();
            const size_t found = english.find(piece, at);
            EXPECT_TRUE(found != std::string::npos && (!first || found == 0))
                << "comment does not quote the text: " << line << "\n  text: " << english;
            if (found == std::string::npos || dots == std::string::npos) break;
            at = found + piece.size();
            from = dots + 3;
        }
        ++entries;
    }
    EXPECT_GT(entries, 90);
    // The header compiles into the ids it names.
    static_assert(TBMsg::CannotOpenFile == 14 && TBMsg::NoFileName == 4 && TBMsg::FilterExcel == 100);
    EXPECT_EQ(TBLoadString(TBMsg::ChannelNotRead), TBLoadString(55));
    EXPECT_TRUE(ids.count(TBMsg::HelpFileNotFound) && names.count("HelpFileNotFound"));
}
