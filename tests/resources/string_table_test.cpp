#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
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
