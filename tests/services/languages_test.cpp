// Languages: identifiers and names through the locale library, the fallback order of
// language-dependent strings, language files and the start-up language choice.
#include <toolbox/services/languages.h>

#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/module_path.h>
#include <toolbox/resources/language_file.h>
#include <toolbox/services/startup.h>
#include "tests/support/dialog_hub.h"
#include "tests/support/env.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <vector>

using namespace tbtest;

namespace {

// Placeholders of a message text in order: %s %d %i %ld %u %x and %1 %2.
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder("%(l?[sdiux]|[0-9])");
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it)
        found.push_back(it->str());
    return found;
}

/// The entry TBGetLangDependentString picks for language: "<id> <text>".
std::string Chosen(const CLangStringMap& map, unsigned short language) {
    CString text = "stale";
    const int id = TBGetLangDependentString(map, language, text);
    return std::to_string(id) + " " + text.str();
}

std::string SourceFile(const std::string& relative) { return std::string(TOOLBOX_SOURCE_DIR) + "/" + relative; }

}  // namespace

TEST(LanguageIds, NamesAndListsComeFromTheLocaleLibrary) {
    EXPECT_EQ(TBLangIDToLocale(1031), "de_DE");
    EXPECT_EQ(TBLangIDToLocale(3079), "de_AT");
    EXPECT_EQ(TBLocaleToLangID("de-AT"), 3079);
    EXPECT_EQ(TBLocaleToLangID("en_US"), 1033);
    EXPECT_EQ(TBLocaleToLangID("xx_YY"), 0);
    EXPECT_FALSE(LangID2LangName(1033).IsEmpty());
    CString name = "unchanged";
    EXPECT_EQ(ExtLangID2LangName(0x1234, name), 0);  // no locale has this identifier
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(ExtLangID2LangName(0, name), 0);
    EXPECT_EQ(LangID2LangName(0xFC07), "");
    EXPECT_EQ(ExtLangID2LangName(1031, name), 1);
    EXPECT_EQ(name, LangID2LangName(1031));

    CArray<unsigned short, unsigned short> supported, installed;
    supported.Add(7777);  // the lists append
    EXPECT_NE(GetSupportedLanguages(supported), 0);
    EXPECT_NE(GetInstalledLanguages(installed), 0);
    EXPECT_EQ(supported[0], 7777);
    std::set<unsigned short> all(supported.GetData() + 1, supported.GetData() + supported.GetSize());
    EXPECT_EQ(all.size(), static_cast<size_t>(supported.GetSize() - 1));
    for (unsigned short id : {1031, 1033, 3079, 1036, 2057}) EXPECT_EQ(all.count(id), 1u) << id;
    std::set<unsigned short> seen;
    for (int i = 0; i < installed.GetSize(); ++i) {
        EXPECT_TRUE(seen.insert(installed[i]).second) << "listed twice: " << installed[i];
        EXPECT_NE(installed[i], 0);
    }
    EXPECT_EQ(seen.count(1033), 1u);
}

TEST(LangDependentString, FallbackOrderThenFirstEnglishEntryInTableOrderThenFirstEntry) {
    CLangStringMap map;
    map[1031] = "A";
    map[1033] = "B";
    EXPECT_EQ(Chosen(map, 1031), "1031 A");
    EXPECT_EQ(Chosen(map, 3079), "1031 A");  // German (Austria) -> German
    EXPECT_EQ(Chosen(map, 1036), "1033 B");

    // Then the first English entry in table order, then the first entry.
    CLangStringMap british;  // 17 buckets: 2057 in bucket 9, 1033 in bucket 13
    british[1033] = "";
    british[2057] = "British";
    british[1031] = "Deutsch";
    EXPECT_EQ(Chosen(british, 1036), "2057 British");

    // The walk stops at the first English entry even when it is empty.
    CLangStringMap emptyEnglish;
    emptyEnglish[2057] = "";
    emptyEnglish[1033] = "American";
    emptyEnglish[1031] = "";
    EXPECT_EQ(Chosen(emptyEnglish, 1036), "1033 American");  // step 3 already finds 1033
    emptyEnglish[1033] = "";
    EXPECT_EQ(Chosen(emptyEnglish, 1036), "2057 ");  // first entry, empty

    CLangStringMap onlyGerman;
    onlyGerman[1031] = "";
    EXPECT_EQ(Chosen(onlyGerman, 1033), "1031 ");
    EXPECT_EQ(Chosen(CLangStringMap(), 1033), "0 ");
}

TEST(LangDependentString, SetReplacesTheChosenEntry) {
    CLangStringMap map;
    map[1033] = "English";
    EXPECT_EQ(TBSetLangDependentString(map, 1036, "Français"), 1033);
    EXPECT_EQ(map.GetCount(), 1);
    CString text;
    map.Lookup(1033, text);
    EXPECT_EQ(text, "Français");
    map[1031] = "";
    EXPECT_EQ(TBSetLangDependentString(map, 3079, "Österreich"), 1033);  // 1031 is empty
    map[1031] = "Deutsch";
    EXPECT_EQ(TBSetLangDependentString(map, 3079, "Österreich"), 1031);
    CLangStringMap empty;
    EXPECT_EQ(TBSetLangDependentString(empty, 1033, "x"), 0);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(LanguageFiles, ParsesStringsTextsAndEscapes) {
    CString error;
    auto file = CLanguageFile::Parse(
        "# c\n[language]\nname = de\nid = 1031\n[strings]\n"
        "4 = \"Kein \\\"Datei\\\"name.\\n\\tTab\\\\\"\n  7=\"x\"  \n"
        "[texts]\na.b = \"Text\"\n[future]\nanything = goes\n[end]\n",
        error);
    ASSERT_TRUE(file) << error.GetString();
    CString text;
    EXPECT_TRUE(file->FindString(4, text));
    EXPECT_EQ(text, "Kein \"Datei\"name.\n\tTab\\");
    EXPECT_TRUE(file->FindString(7, text));
    EXPECT_FALSE(file->FindString(5, text));
    EXPECT_TRUE(file->FindText("a.b", text));
    EXPECT_EQ(text, "Text");
    EXPECT_EQ(file->GetName(), "de");
    EXPECT_EQ(file->GetLanguageId(), 1031);
}

TEST(LanguageFiles, RejectsTruncatedAndMalformedFiles) {
    const char* head = "[language]\nname = de\n[strings]\n";
    for (const char* body :
         {"4 = \"ok\"\n",           // no [end]: truncated
          "4 = \"cut in the midd",  // truncated inside a text
          "4 = \"unclosed\n[end]\n", "x = \"id\"\n[end]\n", "4 = unquoted\n[end]\n", "4 = \"a\"\n4 = \"b\"\n[end]\n",
          "99999999999 = \"big\"\n[end]\n", "4 = \"bad \\q escape\"\n[end]\n", "4 = \"ends in \\\"\n[end]\n",
          "4 = \"inner \" quote\"\n[end]\n", "[broken\n[end]\n", "4 \"no equals\"\n[end]\n",
          "4 = \"ok\"\n[end]\n5 = \"after end\"\n"}) {
        CString error;
        EXPECT_FALSE(CLanguageFile::Parse(std::string(head) + body, error)) << body;
        EXPECT_FALSE(error.IsEmpty()) << body;
    }
    CString error;
    EXPECT_FALSE(CLanguageFile::Parse("[strings]\n4 = \"x\"\n[end]\n", error));  // no language name
    const char zero[] = "[language]\nname = de\n[strings]\n4 = \"a\0b\"\n[end]\n";
    EXPECT_FALSE(CLanguageFile::Parse(std::string(zero, sizeof zero - 1), error));
    EXPECT_EQ(error, "line 4: zero byte");
    EXPECT_FALSE(CLanguageFile::Parse("", error));
}

TEST(LanguageFiles, ShippedGermanFileCoversEveryTextWithTheSamePlaceholders) {
    CString error;
    auto german = CLanguageFile::Load(SourceFile("resources/lang/toolbox-core.de.lang").c_str(), error);
    ASSERT_TRUE(german) << error.GetString();
    EXPECT_EQ(german->GetLanguageId(), 1031);
    int english = 0;
    for (UINT id = 0; id < 70000; ++id) {
        CString source;
        if (!TBBuiltinResources().FindString(id, source)) continue;
        ++english;
        CString translated;
        ASSERT_TRUE(german->FindString(id, translated)) << "missing id " << id;
        EXPECT_EQ(Placeholders(translated.str()), Placeholders(source.str())) << "id " << id;
    }
    EXPECT_EQ(german->GetStringCount(), english);
}

TEST(StartUp, LanguageChoiceFollowsTheEnvironment) {
    ScratchDir dir;
    std::string module = dir / "libtoolbox-core.so";
    WriteFile(dir / "toolbox-core.de.lang", "x");
    WriteFile(dir / "toolbox-core.fr_CA.lang", "x");
    CString shortName, file;
    // The language variables as given, the others unset.
    auto choose = [&](std::map<std::string, std::string> env) {
        std::vector<std::unique_ptr<ScopedEnv>> scoped;
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            scoped.push_back(std::make_unique<ScopedEnv>(name, env.count(name) ? env[name].c_str() : nullptr));
        return GetVeltranixLanguage(CString(module), shortName, file);
    };
    EXPECT_EQ(choose({{"LANG", "de_AT.UTF-8"}}), 1);
    EXPECT_EQ(shortName, "de");
    EXPECT_EQ(file, CString(dir / "toolbox-core.de.lang"));
    EXPECT_EQ(choose({{"LANGUAGE", "fr_CA:de"}, {"LANG", "en_US.UTF-8"}}), 1);
    EXPECT_EQ(shortName, "fr_CA");
    EXPECT_EQ(choose({{"LANGUAGE", "it:de"}}), 1);  // first preference with a file
    EXPECT_EQ(shortName, "de");
    EXPECT_EQ(choose({{"LANGUAGE", "en:de"}}), 0);  // English is built in
    EXPECT_EQ(shortName, "");
    EXPECT_FALSE(Exists(file.GetString()));
    EXPECT_EQ(choose({{"LC_ALL", "de_DE@euro"}, {"LANG", "C"}}), 1);
    EXPECT_EQ(choose({{"LC_MESSAGES", "de_CH"}}), 1);
    EXPECT_EQ(choose({{"LANG", "C"}}), 0);
    EXPECT_EQ(choose({}), 0);
    EXPECT_EQ(choose({{"LANGUAGE", "../../etc/passwd"}}), 0);
    EXPECT_EQ(choose({{"LANGUAGE", "fr"}}), 0);
}

TEST(StartUp, LanguageResourcesLoadOrReportTheBrokenFile) {
    ScratchDir dir;
    EXPECT_EQ(TBLoadLanguageResources((dir / "absent.lang").c_str()), 0);
    EXPECT_EQ(TBGetLanguageResourcesFile(), "");

    WriteFile(dir / "good.lang", "[language]\nname = xx\n[strings]\n4 = \"Four\"\n[end]\n");
    EXPECT_EQ(TBLoadLanguageResources((dir / "good.lang").c_str()), 1);
    EXPECT_EQ(TBLoadString(4), "Four");
    EXPECT_EQ(TBLoadString(2), "Not enough memory.");  // missing ids stay English
    EXPECT_EQ(TBGetLanguageResourcesFile(), CString(dir / "good.lang"));

    WriteFile(dir / "bad%s.lang", "[language]\nname = xx\n[strings]\n4 = \"trunc");
    testing::internal::CaptureStderr();
    EXPECT_EQ(TBLoadLanguageResources((dir / "bad%s.lang").c_str()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot load language-resources from " + (dir / "bad%s.lang") + " !\n");
    EXPECT_EQ(TBLoadString(4), "Four");  // the loaded file stays in use

    // With a window layer registered the message goes to its message box instead.
    {
        tbtest::FakeDialogHub hub;
        testing::internal::CaptureStderr();
        EXPECT_EQ(TBLoadLanguageResources((dir / "bad%s.lang").c_str()), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(hub.messageTexts,
                  std::vector<std::string>{"Cannot load language-resources from " + (dir / "bad%s.lang") + " !"});
        EXPECT_EQ(hub.messageTypes, std::vector<UINT>{MB_OK | MB_ICONERROR});
    }

    TBFreeLanguageResources();
    EXPECT_EQ(TBLoadString(4), "No file name.");
    testing::internal::CaptureStderr();
    EXPECT_EQ(TBLoadLanguageResources(dir.Path().c_str()), -1);  // a directory is no language file
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(TBLoadString(4), "No file name.");
}
