// The zip layer: archives that unzip accepts, names chosen by the caller, files that
// cannot be read or vanish, archives that cannot be created.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/zip/zip_archive.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace tbtest;

namespace {

class ZipArchiveTest : public ::testing::Test {
protected:
    ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
};

}  // namespace

TEST_F(ZipArchiveTest, FilesGoInUnderTheirNewNamesAndUnzipReadsThemBack) {
    std::string text(200000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
    WriteFile(m_dir + "/big.txt", text);
    WriteFile(m_dir + "/small.bin", std::string("\0\1\2\3", 4));
    std::string archive = m_dir + "/out.zip";
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str()));
    EXPECT_TRUE(zip.AddNewFile((m_dir + "/big.txt").c_str(), "report.txt"));
    EXPECT_TRUE(zip.AddNewFile((m_dir + "/small.bin").c_str(), "stored.bin", 0));
    EXPECT_EQ(zip.GetCount(), 2);
    ASSERT_TRUE(zip.Close());
    EXPECT_FALSE(zip.IsOpen());

    const RunResult test = Shell("unzip -t '" + archive + "'");
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_EQ(Shell("unzip -p '" + archive + "' report.txt").output, text);
    const std::string listing = Shell("unzip -v '" + archive + "'").output;
    EXPECT_NE(listing.find("Defl"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Stored"), std::string::npos) << listing;
}

TEST_F(ZipArchiveTest, UnreadableOrVanishingFiles) {
    std::string archive = m_dir + "/out.zip";
    std::string vanishing = m_dir + "/vanishing.txt";
    WriteFile(vanishing, "still packed");
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str()));
    EXPECT_FALSE(zip.AddNewFile((m_dir + "/missing.txt").c_str(), "missing.txt"));
    EXPECT_NE(zip.GetLastError().Find("missing.txt"), -1);
    EXPECT_FALSE(zip.AddNewFile(vanishing.c_str(), ""));
    EXPECT_TRUE(zip.AddNewFile(vanishing.c_str(), "vanishing.txt"));
    std::remove(vanishing.c_str());  // deleted after it was added: its data is already held
    EXPECT_EQ(zip.GetCount(), 1);
    ASSERT_TRUE(zip.Close());
    EXPECT_EQ(Shell("unzip -p '" + archive + "' vanishing.txt").output, "still packed");
}

TEST_F(ZipArchiveTest, ArchivesThatCannotBeCreatedAndEmptyArchives) {
    CZipArchive zip;
    EXPECT_FALSE(zip.Open((m_dir + "/no/such/dir/out.zip").c_str()));
    EXPECT_NE(zip.GetLastError().Find("Cannot create"), -1);
    EXPECT_FALSE(zip.AddNewFile("/etc/hostname", "x"));
    EXPECT_FALSE(zip.Close());

    std::string empty = m_dir + "/empty.zip";
    ASSERT_TRUE(zip.Open(empty.c_str()));
    ASSERT_TRUE(zip.Close());
    const RunResult check = Shell(
        "/usr/bin/python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
        "assert z.testzip() is None and z.namelist()==[]\" '" +
        empty + "'");
    EXPECT_EQ(check.status, 0) << check.output;

    // Opening an existing file as a new archive replaces it.
    WriteFile(empty, "not a zip at all");
    WriteFile(m_dir + "/a.txt", "a");
    ASSERT_TRUE(zip.Open(empty.c_str()));
    ASSERT_TRUE(zip.AddNewFile((m_dir + "/a.txt").c_str(), "a.txt"));
    ASSERT_TRUE(zip.Close());
    EXPECT_EQ(Shell("unzip -p '" + empty + "' a.txt").output, "a");
}
