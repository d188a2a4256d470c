// The library registry: Windows-style names, reference counts, path tricks.
#include <toolbox/services/library_registry.h>

#include <toolbox/os/dynamic_library.h>
#include <toolbox/os/module_path.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <vector>

namespace {

std::vector<std::string> Candidates(const char* name, const char* beside) {
    std::vector<std::string> out;
    CStringArray list = TBLibraryCandidates(name, beside);
    for (int i = 0; i < list.GetSize(); ++i) out.push_back(list[i].GetString());
    return out;
}

}  // namespace

TEST(LibraryNames, DllNamesBecomeSharedObjectsBesideTheLibraryThenOnTheSearchPath) {
    EXPECT_EQ(
        Candidates("Quendral.dll", "/opt/tb/lib"),
        (std::vector<std::string>{"/opt/tb/lib/libQuendral.so", "/opt/tb/lib/libquendral.so",
                                  "/opt/tb/lib/Quendral.dll", "libQuendral.so", "libquendral.so", "Quendral.dll"}));
    EXPECT_EQ(Candidates("vexa.DLL", "/l"),
              (std::vector<std::string>{"/l/libvexa.so", "/l/vexa.DLL", "libvexa.so", "vexa.DLL"}));
    EXPECT_EQ(Candidates("libm.so.6", ""), (std::vector<std::string>{"libm.so.6"}));
    EXPECT_EQ(Candidates("/abs/dir/Lurvenc.dll", "/ignored"),
              (std::vector<std::string>{"/abs/dir/libLurvenc.so", "/abs/dir/liblurvenc.so", "/abs/dir/Lurvenc.dll"}));
    EXPECT_EQ(Candidates("plugins/X.dll", "/l"),
              (std::vector<std::string>{"/l/plugins/libX.so", "/l/plugins/libx.so", "/l/plugins/X.dll"}));
}

TEST(LibraryNames, PathTricksAreRefused) {
    for (const char* bad :
         {"", "../evil.dll", "a/../../evil.dll", "./x.dll", "a//b.dll", "dir/", "..", ".", "/abs/", "/abs/.."}) {
        EXPECT_TRUE(Candidates(bad, "/l").empty()) << bad;
        EXPECT_EQ(TBLoadLibrary(bad), nullptr) << bad;
        EXPECT_EQ(TBAdvancedLoadLibrary(bad), nullptr) << bad;
    }
    EXPECT_TRUE(Candidates(nullptr, "/l").empty());
    EXPECT_EQ(TBLoadLibrary(nullptr), nullptr);
    EXPECT_EQ(TBOpenLibrary("../x.dll", "/l"), nullptr);
    EXPECT_FALSE(TBLastLibraryError().IsEmpty());
}

TEST(LibraryRegistry, LoadsByWindowsNameAndCountsReferences) {
    HMODULE first = TBLoadLibrary("TbProbe.dll");
    ASSERT_NE(first, nullptr) << TBLastLibraryError();
    auto answer = reinterpret_cast<int (*)()>(TBGetProcAddress(first, "ProbeAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(TBGetProcAddress(first, "NoSuchSymbol"), nullptr);

    // The same name in another case is the same key.
    EXPECT_EQ(TBLoadLibrary("TBPROBE.DLL"), first);
    EXPECT_EQ(TBGetLibraryCount(first), 2);
    // Another name of the same file is counted on the same handle.
    CString full = TBGetLibraryDirectory() + "/libTbProbe.so";
    EXPECT_EQ(TBAdvancedLoadLibrary(full), first);
    EXPECT_EQ(TBAdvancedLoadLibrary("libTbProbe.so"), first);
    EXPECT_EQ(TBGetLibraryCount(first), 4);

    EXPECT_EQ(TBFreeLibrary(first), 1);
    EXPECT_EQ(TBFreeLibrary(first), 1);
    EXPECT_EQ(TBFreeLibrary(first), 1);
    EXPECT_EQ(TBGetLibraryCount(first), 1);
    EXPECT_EQ(TBFreeLibrary(first), 1);
    EXPECT_EQ(TBGetLibraryCount(first), 0);
    EXPECT_EQ(TBFreeLibrary(first), 0);  // no longer held
    EXPECT_EQ(TBFreeLibrary(nullptr), 0);

    // Once freed, the name loads afresh.
    HMODULE again = TBLoadLibrary("TbProbe.dll");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(TBGetLibraryCount(again), 1);
    EXPECT_EQ(TBFreeLibrary(again), 1);
}

TEST(LibraryRegistry, LowerCasedNameAndSystemSearchPath) {
    HMODULE lower = TBLoadLibrary("TbProbeLower.dll");
    ASSERT_NE(lower, nullptr) << TBLastLibraryError();
    HMODULE math = TBLoadLibrary("libm.so.6");  // found on the normal search path
    ASSERT_NE(math, nullptr);
    EXPECT_NE(TBGetProcAddress(math, "cos"), nullptr);
    EXPECT_EQ(TBLoadLibrary("NoSuchLibrary.dll"), nullptr);
    TBFreeAllLibraries();
    EXPECT_EQ(TBGetLibraryCount(lower), 0);
    EXPECT_EQ(TBGetLibraryCount(math), 0);
    EXPECT_EQ(TBFreeLibrary(lower), 0);
}

TEST(ModulePaths, LibraryAndProgramAreFound) {
    // The shared library finds itself, not the program that loaded it. (This test
    // program carries the library's code itself, so it asks the shared one.)
    std::string shared = std::string(TBDirectoryOfPath(TBGetProgramFileName()).GetString()) + "/libtoolbox-core.so";
    void* handle = dlopen(shared.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto libraryFileName = reinterpret_cast<CString (*)()>(dlsym(handle, "_Z20TBGetLibraryFileNamev"));
    ASSERT_NE(libraryFileName, nullptr);
    CString library = libraryFileName();
    EXPECT_NE(library.Find("libtoolbox-core.so"), -1) << library.GetString();
    EXPECT_EQ(library[0], '/');
    dlclose(handle);
    EXPECT_NE(TBGetProgramFileName().Find("test_services"), -1);
    EXPECT_EQ(TBDirectoryOfPath("/a/b/c.so"), "/a/b");
    EXPECT_EQ(TBDirectoryOfPath("/c.so"), "/");
    EXPECT_EQ(TBDirectoryOfPath("c.so"), "");
}
