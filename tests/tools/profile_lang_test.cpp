// tbx profile and tbx lang end to end, including the language chosen at start-up.
#include <toolbox/os/module_path.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Result {
    std::string output;
    int status;
};

Result RunTbxWith(const std::string& environment, const std::string& arguments) {
    std::string command = "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " + environment + " " +
                          std::string(TOOLBOX_TBX) + " " + arguments + " 2>&1";
    Result result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

TEST(TbxLang, StartUpLoadsTheGermanFileBesideTheLibrary) {
    Result r = RunTbxWith("LANGUAGE=de", "lang string 4");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Kein Dateiname.\n");
    r = RunTbxWith("LANG=de_AT.UTF-8", "lang");
    EXPECT_NE(r.output.find("toolbox-core.de.lang"), std::string::npos) << r.output;
    r = RunTbxWith("LANG=C", "lang string 4");
    EXPECT_EQ(r.output, "No file name.\n");
    r = RunTbxWith("LANG=C", "lang");
    EXPECT_EQ(r.output, "built-in (English)\n");
    r = RunTbxWith("LANG=C", "lang string 999999");
    EXPECT_EQ(r.status, 1);
    r = RunTbxWith("LANG=C", "lang name 3079");
    EXPECT_EQ(r.output, "German (Austria)\n");
    r = RunTbxWith("LANG=C", "lang name 4660");
    EXPECT_EQ(r.status, 1);
    r = RunTbxWith("LANG=C", "lang list");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("1031\tde_DE\tGerman (Germany)\n"), std::string::npos);
}

TEST(TbxLang, BrokenLanguageFileAtStartUpIsReportedAndEnglishStays) {
    // A copy of the library in a directory of its own, beside a truncated German file.
    char dir[] = "/tmp/tbxlang.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    // This test program carries the library's code itself and sits beside the shared library.
    std::string library = std::string(TBDirectoryOfPath(TBGetLibraryFileName()).GetString()) + "/libtoolbox-core.so.0";
    std::string copy = std::string(dir) + "/libtoolbox-core.so.0";
    {
        std::ifstream in(library, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    }
    std::string broken = std::string(dir) + "/toolbox-core.de.lang";
    std::ofstream(broken) << "[language]\nname = de\n[strings]\n4 = \"Kein Datei";
    Result r = RunTbxWith("LD_LIBRARY_PATH=" + std::string(dir) + " LANGUAGE=de", "lang string 4");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Cannot load language-resources from " + broken + " !\nNo file name.\n");
    std::remove(broken.c_str());
    std::remove(copy.c_str());
    rmdir(dir);
}

TEST(TbxProfile, GetSetSectionAndNormalize) {
    char dir[] = "/tmp/tbxprofile.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string file = std::string(dir) + "/settings.ini";
    std::ofstream(file) << "[Units]\nb=2\na = 1\n";
    Result r = RunTbxWith("", "profile get " + file + " Units a");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "1\n");
    r = RunTbxWith("", "profile get " + file + " Units zz");
    EXPECT_EQ(r.status, 1);
    r = RunTbxWith("", "profile get " + file + " Units zz fallback");
    EXPECT_EQ(r.output, "fallback\n");
    r = RunTbxWith("", "profile set " + file + " Units c 3");
    EXPECT_EQ(r.status, 0);
    r = RunTbxWith("", "profile section " + file + " Units");
    EXPECT_EQ(r.output, "a=1\nb=2\nc=3\n");
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[Units]\r\na=1\r\nb=2\r\nc=3\r\n\r\n");
    r = RunTbxWith("", "profile get " + std::string(dir) + "/missing.ini Units a");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot read"), std::string::npos);
    r = RunTbxWith("", "profile set " + file + " Units k=j v");
    EXPECT_EQ(r.status, 1);
    r = RunTbxWith("", "profile frobnicate");
    EXPECT_EQ(r.status, 2);
    std::remove(file.c_str());
    rmdir(dir);
}
