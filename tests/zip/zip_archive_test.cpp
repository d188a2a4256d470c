// The zip layer: archives that unzip accepts, names chosen by the caller, files that
// cannot be read or vanish, archives that cannot be created or are given up, long lists.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/zip/zip_archive.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace tbtest;

namespace {

class ZipArchiveTest : public ::testing::Test {
protected:
    ScratchDir m_scratch;
    std::string m_dir = m_scratch.Path();
};

class Cancelling : public CZipActionCallback {
public:
    bool Callback(double) override { return false; }
};

// Lowers the soft limit of open descriptors for a scope.
class ScopedDescriptorLimit {
public:
    explicit ScopedDescriptorLimit(rlim_t limit) {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lower = m_saved;
        lower.rlim_cur = limit;
        m_set = setrlimit(RLIMIT_NOFILE, &lower) == 0;
    }
    ~ScopedDescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    bool IsSet() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
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

TEST_F(ZipArchiveTest, UnreadableFilesFoldersAndFilesGoneBeforeClose) {
    std::string archive = m_dir + "/out.zip";
    std::string kept = m_dir + "/kept.txt", vanishing = m_dir + "/vanishing.txt";
    WriteFile(kept, "kept");
    WriteFile(vanishing, "gone before Close");
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str()));
    EXPECT_FALSE(zip.AddNewFile((m_dir + "/missing.txt").c_str(), "missing.txt"));
    EXPECT_NE(zip.GetLastError().Find("missing.txt"), -1);
    EXPECT_FALSE(zip.AddNewFile(vanishing.c_str(), ""));
    // A folder is refused when added instead of sinking the archive at Close.
    EXPECT_FALSE(zip.AddNewFile(m_dir.c_str(), "folder"));
    EXPECT_NE(zip.GetLastError().Find("not a regular file"), -1) << zip.GetLastError().GetString();
    EXPECT_TRUE(zip.AddNewFile(kept.c_str(), "kept.txt"));
    ASSERT_TRUE(zip.Close()) << zip.GetLastError();
    EXPECT_EQ(Shell("unzip -p '" + archive + "' kept.txt").output, "kept");

    // Files are read at Close: one gone by then fails it, and the archive stays as it was.
    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpen));
    EXPECT_TRUE(zip.AddNewFile(vanishing.c_str(), "vanishing.txt"));
    std::remove(vanishing.c_str());
    EXPECT_FALSE(zip.Close());
    EXPECT_EQ(Shell("unzip -Z1 '" + archive + "'").output, "kept.txt\n");
}

TEST_F(ZipArchiveTest, NothingIsWrittenUnlessCloseSucceeds) {
    const std::string fresh = m_dir + "/fresh.zip", a = m_dir + "/a.txt";
    WriteFile(a, "a");
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(fresh.c_str()));
    ASSERT_TRUE(zip.AddNewFile(a.c_str(), "a.txt"));
    Cancelling cancel;
    zip.SetCallback(&cancel);
    EXPECT_FALSE(zip.Close());
    EXPECT_FALSE(Exists(fresh));
    zip.SetCallback(nullptr);

    ASSERT_TRUE(zip.Open(fresh.c_str()));
    ASSERT_TRUE(zip.AddNewFile(a.c_str(), "a.txt"));
    zip.Discard();
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_FALSE(Exists(fresh));

    ASSERT_TRUE(zip.Open(fresh.c_str()));
    ASSERT_TRUE(zip.AddNewFile(a.c_str(), "a.txt"));
    ASSERT_TRUE(zip.Close());
    const std::string before = ReadFile(fresh);
    ASSERT_TRUE(zip.Open(fresh.c_str(), CZipArchive::zipOpen));
    ASSERT_TRUE(zip.AddNewFile(CZipMemFile("b", 1), "b.txt"));
    ASSERT_TRUE(zip.RemoveFile(0));
    zip.Discard();
    EXPECT_EQ(ReadFile(fresh), before);
    EXPECT_EQ(ListDir(m_dir).size(), 2u);  // a.txt and fresh.zip, no temporary file
}

TEST_F(ZipArchiveTest, ALongListOfFilesHoldsNoDescriptorPerEntry) {
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) WriteFile(m_dir + "/f" + std::to_string(i), std::to_string(i));
    const std::string archive = m_dir + "/many.zip";
    CZipArchive zip;
    {
        ScopedDescriptorLimit limit(ListDir("/proc/self/fd").size() + 64);
        ASSERT_TRUE(limit.IsSet());
        ASSERT_TRUE(zip.Open(archive.c_str()));
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "f" + std::to_string(i);
            ASSERT_TRUE(zip.AddNewFile((m_dir + "/" + name).c_str(), name.c_str())) << zip.GetLastError();
        }
        ASSERT_TRUE(zip.Close()) << zip.GetLastError();
    }
    EXPECT_EQ(Shell("unzip -p '" + archive + "' f123").output, "123");
    EXPECT_EQ(Shell("unzip -Z1 '" + archive + "' | wc -l").output, std::to_string(kFiles) + "\n");
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
