// System helpers: indexed names, fields and tokens, directory removal, the classes key
// tree with document types, fonts in the per-user settings, and help.
#include <toolbox/services/system_helpers.h>

#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/key_tree.h>
#include <toolbox/os/module_path.h>
#include <toolbox/os/settings_store.h>
#include <toolbox/resources/host_resources.h>
#include <toolbox/resources/string_table.h>
#include "tests/support/dialog_hub.h"
#include "tests/support/env.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

using namespace tbtest;

namespace {

/// A resource module with the document strings the registration tests need.
class DocumentStrings : public CResourceModule {
public:
    bool FindString(UINT id, CString& text) const override {
        auto it = m_texts.find(id);
        if (it == m_texts.end()) return false;
        text = it->second;
        return true;
    }
    std::map<UINT, CString> m_texts;
};

CString Value(const char* key, const char* name = nullptr) {
    HKEY opened = nullptr;
    if (TBRegOpenKey(HKEY_CLASSES_ROOT, key, &opened) != 0) return "<no key>";
    CString text = "<no value>";
    TBRegQueryValue(opened, name, text);
    TBRegCloseKey(opened);
    return text;
}

}  // namespace

TEST(IndexedNames, IndexAndBase) {
    EXPECT_EQ(TBGetIndexOfName("x[3]"), 3);
    EXPECT_EQ(TBGetIndexOfName("x[3"), 3);
    EXPECT_EQ(TBGetIndexOfName("12"), 12);
    EXPECT_EQ(TBGetIndexOfName("abc"), 0);
    EXPECT_EQ(TBGetIndexOfName("a[2][5]"), 2);
    EXPECT_EQ(TBGetIndexOfName("a[99999999999]"), 2147483647);
    EXPECT_EQ(TBGetIndexStrOfName("a[2][5]"), "2");
    EXPECT_EQ(TBGetIndexStrOfName("a[ 7"), " 7");
    EXPECT_EQ(TBGetIndexStrOfName("plain"), "plain");
    EXPECT_EQ(TBGetBaseOfName("a[2][5]"), "a");
    EXPECT_EQ(TBGetBaseOfName("plain"), "plain");
    EXPECT_EQ(TBGetBaseOfName("[1]"), "");
}

TEST(DelimitedText, ExtractString) {
    const struct {
        const char* text;
        int index;
        const char* expected;
    } cases[] = {{"a;b;c", 1, "b"}, {"a;b;c", 3, ""}, {"a;b;c", 2, "c"},
                 {"whole", 0, "whole"}, {";;x", 1, ""}, {nullptr, 0, ""}};
    CString out = "stale";  // each case overwrites what the one before left
    for (const auto& c : cases) {
        TBExtractString(out, c.text, c.index, ';');
        EXPECT_EQ(out, c.expected) << (c.text ? c.text : "null") << " [" << c.index << "]";
    }
}

TEST(DelimitedText, StringIndexCountsDelimitersBeforeTheToken) {
    EXPECT_EQ(TBGetStringIndex("a,b,c", "b", ","), 1);
    EXPECT_EQ(TBGetStringIndex("a,,b", "b", ","), 2);
    EXPECT_EQ(TBGetStringIndex("ab,b", "b", ","), 1);
    EXPECT_EQ(TBGetStringIndex("b,,,x", "b", ","), 0);
    EXPECT_EQ(TBGetStringIndex("ab,bc", "b", ","), -1);
    EXPECT_EQ(TBGetStringIndex("x; y;z", "z", "; "), 3);
    EXPECT_EQ(TBGetStringIndex("", "b", ","), -1);
}

TEST(RemoveDirectory, RemovesTreesAndLinksButNeverFollowsThem) {
    ScratchDir dir;
    std::string outside = dir / "outside";
    std::string tree = dir / "tree";
    ASSERT_EQ(::mkdir(outside.c_str(), 0700), 0);
    WriteFile(outside + "/keep.txt", "precious");
    ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((tree + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((tree + "/sub/deeper").c_str(), 0700), 0);
    WriteFile(tree + "/a.txt", "a");
    WriteFile(tree + "/sub/deeper/b.txt", "b");
    ASSERT_EQ(::symlink(outside.c_str(), (tree + "/sub/link").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/keep.txt").c_str(), (tree + "/filelink").c_str()), 0);
    EXPECT_NE(TBRemoveDirectory(tree.c_str()), 0);
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ(ReadFile(outside + "/keep.txt"), "precious");

    // A link given as the path is removed as a link.
    ASSERT_EQ(::symlink(outside.c_str(), (dir / "dirlink").c_str()), 0);
    EXPECT_NE(TBRemoveDirectory((dir / "dirlink").c_str()), 0);
    EXPECT_FALSE(Exists(dir / "dirlink"));
    EXPECT_TRUE(Exists(outside + "/keep.txt"));

    EXPECT_EQ(TBRemoveDirectory((dir / "missing").c_str()), 0);
    EXPECT_EQ(TBRemoveDirectory((outside + "/keep.txt").c_str()), 0);  // not a directory
    EXPECT_EQ(TBRemoveDirectory(nullptr), 0);

    // A read-only file stops it.
    ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
    WriteFile(tree + "/locked.txt", "x");
    ASSERT_EQ(::chmod((tree + "/locked.txt").c_str(), 0444), 0);
    EXPECT_EQ(TBRemoveDirectory(tree.c_str()), 0);
    EXPECT_TRUE(Exists(tree + "/locked.txt"));
}

class KeyTree : public ::testing::Test {
protected:
    ScratchDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir.Path()};
};

TEST_F(KeyTree, KeysAndValuesLiveBelowTheDataDirectory) {
    EXPECT_EQ(TBKeyTreeRoot(), CString(dir.Path() + "/veltranix/classes"));
    EXPECT_EQ(TBSetRegKey("Doc.File", "Document file"), 1);
    EXPECT_EQ(TBSetRegKey("Doc.File\\shell\\open", "multi\nline \\ = text", "Name=With\\Odd"), 1);
    EXPECT_EQ(Value("Doc.File"), "Document file");
    EXPECT_EQ(Value("Doc.File\\shell\\open", "Name=With\\Odd"), "multi\nline \\ = text");
    EXPECT_EQ(Value("Doc.File\\shell\\open"), "<no value>");
    EXPECT_EQ(TBSetRegKey("Doc.File", "Replaced"), 1);
    EXPECT_EQ(Value("Doc.File"), "Replaced");

    // Names that would leave the tree stay inside it.
    EXPECT_EQ(TBSetRegKey("..\\..\\escape", "x"), 1);
    EXPECT_TRUE(Exists(dir.Path() + "/veltranix/classes/%2E%2E/%2E%2E/escape"));
    EXPECT_EQ(TBSetRegKey("a/b%c", "y"), 1);
    EXPECT_EQ(Value("a/b%c"), "y");
    EXPECT_TRUE(Exists(dir.Path() + "/veltranix/classes/a%2Fb%25c"));
    EXPECT_EQ(TBSetRegKey("bad\\\\empty", "z"), 0);
    EXPECT_EQ(TBSetRegKey("", "z"), 0);
}

TEST_F(KeyTree, WritableProbeNeverDeletesExistingKeys) {
    HKEY key = nullptr;
    ASSERT_EQ(TBRegCreateKey(HKEY_CLASSES_ROOT, "Probe", &key), 0);
    EXPECT_EQ(IsRegKeyWritable(key), 1);
    DWORD longest = 99;
    EXPECT_EQ(TBRegQueryMaxSubKeyLength(key, longest), 0);
    EXPECT_EQ(longest, 0u);  // the probe was deleted again

    // A subkey already bearing the probe's name ("a" repeated longest + 1 times) stays.
    HKEY sub = nullptr;
    ASSERT_EQ(TBRegCreateKey(key, "bbbb", &sub), 0);
    TBRegCloseKey(sub);
    ASSERT_EQ(TBRegCreateKey(key, "aaaaa", &sub), 0);
    ASSERT_EQ(TBRegSetValue(sub, nullptr, "mine"), 0);
    TBRegCloseKey(sub);
    EXPECT_EQ(IsRegKeyWritable(key), 1);
    EXPECT_EQ(TBRegQueryMaxSubKeyLength(key, longest), 0);
    EXPECT_EQ(longest, 5u);
    EXPECT_EQ(Value("Probe\\aaaaa"), "mine");
    EXPECT_EQ(TBRegDeleteKey(HKEY_CLASSES_ROOT, "Probe"), ENOTEMPTY);
    EXPECT_EQ(TBRegDeleteKey(key, "aaaaa"), 0);
    EXPECT_EQ(Value("Probe\\aaaaa"), "<no key>");
    TBRegCloseKey(key);
    EXPECT_EQ(IsRegKeyWritable(nullptr), 0);
}

TEST_F(KeyTree, RegisterFileTypesWritesShellCommandsAndRespectsOtherOwners) {
    DocumentStrings strings;
    strings.m_texts[900] =
        "Schematic\nSchematic\nSchematic\nSchematic files (*.vsc)\n.vsc\nVeltranix.Schematic\nVeltranix schematic";
    strings.m_texts[901] = "\nWave\nWave\nWaves (*.vwf)\n.vwf\nVeltranix.Wave";
    strings.m_texts[902] = "NoType\n\n\n\n.none\n";
    TBSetResourceModule(&strings);
    const CString client = TBGetProgramFileName();

    TBRegisterFileTypes(900, 1, 3);
    EXPECT_EQ(Value("Veltranix.Schematic"), "Veltranix schematic");
    EXPECT_EQ(Value("Veltranix.Schematic\\DefaultIcon"), client + ",0");
    EXPECT_EQ(Value("Veltranix.Schematic\\shell\\open\\command"), client + " \"%1\"");
    EXPECT_EQ(Value("Veltranix.Schematic\\shell\\print\\command"), client + " /p \"%1\"");
    EXPECT_EQ(Value("Veltranix.Schematic\\shell\\printto\\command"), client + " /pt \"%1\" \"%2\" \"%3\" \"%4\"");
    EXPECT_EQ(Value(".vsc"), "Veltranix.Schematic");
    EXPECT_EQ(Value(".vsc\\ShellNew", "NullFile"), "");

    // Without a window title the program takes documents through DDE; no print keys
    // without with-print; the type name defaults to the type id.
    TBRegisterFileTypes(901, 0, 0);
    EXPECT_EQ(Value("Veltranix.Wave"), "Veltranix.Wave");
    EXPECT_EQ(Value("Veltranix.Wave\\shell\\open\\ddeexec"), "[open(\"%1\")]");
    EXPECT_EQ(Value("Veltranix.Wave\\shell\\open\\command"), client + " /dde");
    EXPECT_EQ(Value("Veltranix.Wave\\shell\\print\\command"), "<no key>");

    // An extension owned by another type is left alone.
    EXPECT_EQ(TBSetRegKey(".vsc", "Other.Program"), 1);
    strings.m_texts[903] = "S2\n\n\n\n.vsc\nVeltranix.Schematic2";
    TBRegisterFileTypes(903, 0, 0);
    EXPECT_EQ(Value(".vsc"), "Other.Program");
    EXPECT_EQ(Value("Veltranix.Schematic2\\shell\\open\\command"), client + " \"%1\"");

    TBRegisterFileTypes(902, 1, 0);  // no file type id: nothing at all
    EXPECT_EQ(Value(".none"), "<no key>");

    // A host with strings of its own is read from them alone; its icon 3 is honoured.
    TBSetHostString(900, "Circuit\n\n\n\n.vci\nHost.Circuit\nHost circuit");
    TBSetHostIcon(3, "/usr/share/icons/circuit.png");
    TBRegisterFileTypes(900, 0, 3);
    EXPECT_EQ(Value("Host.Circuit"), "Host circuit");
    EXPECT_EQ(Value("Host.Circuit\\DefaultIcon"), client + ",3");
    EXPECT_EQ(Value(".vci"), "Host.Circuit");
    strings.m_texts[904] = "Lib\n\n\n\n.vlo\nLibrary.Only";
    TBRegisterFileTypes(904, 0, 0);  // in the library's table only
    EXPECT_EQ(Value("Library.Only"), "<no key>");
    TBClearHostResources();
    TBSetResourceModule(nullptr);
}

TEST(SettingsStore, FontsRoundTripThroughTheUserSettings) {
    ScratchDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(TBSettingsFileName(), CString(dir.Path() + "/veltranix/test_services.ini"));

    LOGFONT font;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    font.lfHeight = -13;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfCharSet = 238;
    font.lfPitchAndFamily = 34;
    TBSaveIniFont(&font, "Fonts", "Editor");
    EXPECT_EQ(TBGetProfileString("Fonts", "Editor", ""), "DejaVu Sans,-13,0,0,0,700,1,0,0,238,0,0,0,34");
    EXPECT_NE(ReadFile(dir / "veltranix/test_services.ini").find("Editor=DejaVu Sans,-13"), std::string::npos);

    LOGFONT loaded;
    EXPECT_EQ(TBLoadIniFont(&loaded, "Fonts", "Editor"), 1);
    EXPECT_STREQ(loaded.lfFaceName, "DejaVu Sans");
    EXPECT_EQ(loaded.lfHeight, -13);
    EXPECT_EQ(loaded.lfWeight, 700);
    EXPECT_EQ(loaded.lfCharSet, 238);
    EXPECT_EQ(loaded.lfPitchAndFamily, 34);

    LOGFONT untouched;
    untouched.lfHeight = 5;
    EXPECT_EQ(TBLoadIniFont(&untouched, "Fonts", "Missing"), 0);
    EXPECT_EQ(TBWriteProfileString("Fonts", "Short", "Arial,1,2,3,4,5,6,7,8,9,10,11,12"), 1);
    EXPECT_EQ(TBLoadIniFont(&untouched, "Fonts", "Short"), 1);  // thirteen fields
    EXPECT_EQ(untouched.lfHeight, 5);
    // Empty fields are skipped by the splitting; long face names are cut.
    EXPECT_EQ(
        TBWriteProfileString("Fonts", "Gaps", std::string(40, 'F').append(",,1,2,3,4,5,6,7,8,9,10,11,12,13").c_str()),
        1);
    EXPECT_EQ(TBLoadIniFont(&untouched, "Fonts", "Gaps"), 1);
    EXPECT_EQ(std::string(untouched.lfFaceName), std::string(31, 'F'));
    EXPECT_EQ(untouched.lfHeight, 1);
    EXPECT_EQ(untouched.lfPitchAndFamily, 13);

    EXPECT_EQ(TBWriteProfileInt("Window", "Width", 640), 1);
    EXPECT_EQ(TBGetProfileInt("Window", "Width", 0), 640);
    EXPECT_EQ(TBGetProfileInt("Window", "Height", 480), 480);
}

TEST(HtmlHelp, MissingFileShowsTheMessageAndOpenerGetsTheFile) {
    ScratchDir dir;
    const std::string message = "Cannot find the " + (dir / "gone.chm") +
                                " file. Check to see that the file exists on your VELTRANIX(R) Help directory.";
    testing::internal::CaptureStderr();
    EXPECT_EQ(TBHtmlHelp(nullptr, (dir / "gone.chm").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message + "\n");

    // A registered window layer shows it in an information message box.
    {
        tbtest::FakeDialogHub hub;
        testing::internal::CaptureStderr();
        EXPECT_EQ(TBHtmlHelp(nullptr, (dir / "gone.chm").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(hub.messageTexts, std::vector<std::string>{message});
        EXPECT_EQ(hub.messageTypes, std::vector<UINT>{MB_OK | MB_ICONINFORMATION});
    }

    // A stand-in for the desktop's opener records what it was asked to open.
    std::string bin = dir / "bin";
    ASSERT_EQ(::mkdir(bin.c_str(), 0700), 0);
    std::string record = dir / "opened.txt";
    WriteFile(bin + "/xdg-open",
              "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + ".part' && mv '" + record + ".part' '" + record + "'\n");
    ASSERT_EQ(::chmod((bin + "/xdg-open").c_str(), 0755), 0);
    WriteFile(dir / "help.chm", "help");
    {
        ScopedEnv path("PATH", bin + ":/usr/bin:/bin");
        EXPECT_NE(TBHtmlHelp(nullptr, (dir / "help.chm::/topic.htm").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    }
    for (int i = 0; i < 100 && !Exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadFile(record), dir / "help.chm");
    {
        ScopedEnv path("PATH", dir / "empty");
        EXPECT_EQ(TBHtmlHelp(nullptr, (dir / "help.chm").c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    }
}
