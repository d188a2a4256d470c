// The output rule of every writer: a link's file is replaced and the link stays, a FIFO
// is written directly, a directory and a read-only file are refused. No test writes to
// a device node.
#include "tests/support/files.h"

#include <toolbox/os/output_file.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using tbtest::ReadFile;
using tbtest::WriteFile;

namespace {

std::string LinkText(const std::string& link) {
    char buffer[4096];
    ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

bool IsLink(const std::string& path) {
    struct stat s;
    return ::lstat(path.c_str(), &s) == 0 && S_ISLNK(s.st_mode);
}

TEST(OutputFile, LinksAreFollowedAndStay) {
    tbtest::ScratchDir dir;
    WriteFile(dir / "real.txt", "old");
    ::chmod((dir / "real.txt").c_str(), 0640);
    ASSERT_EQ(::symlink("real.txt", (dir / "link.txt").c_str()), 0);
    ASSERT_TRUE(TBReplaceFileContents((dir / "link.txt").c_str(), "new"));
    EXPECT_TRUE(IsLink(dir / "link.txt"));
    EXPECT_EQ(ReadFile(dir / "real.txt"), "new");
    struct stat s;
    ASSERT_EQ(::stat((dir / "real.txt").c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0640u);

    // A link to a missing file (relative, through a second link): the file is created
    // where the chain ends.
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("sub/second", (dir / "first").c_str()), 0);
    ASSERT_EQ(::symlink("made.txt", (dir / "sub/second").c_str()), 0);
    ASSERT_TRUE(TBReplaceFileContents((dir / "first").c_str(), "created"));
    EXPECT_TRUE(IsLink(dir / "first"));
    EXPECT_EQ(LinkText(dir / "sub/second"), "made.txt");
    EXPECT_EQ(ReadFile(dir / "sub/made.txt"), "created");
    EXPECT_EQ(tbtest::ListDir(dir / "sub").size(), 2u);  // no temporary file left
}

TEST(OutputFile, FifoReaderReceivesEverythingAndFifoStays) {
    tbtest::ScratchDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(dir / "source", std::string(300000, 'x') + "end");  // more than a pipe holds
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    const bool written = TBReplaceFileFrom((dir / "source").c_str(), fifo.c_str());
    reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(received, ReadFile(dir / "source"));
    struct stat s;
    ASSERT_EQ(::lstat(fifo.c_str(), &s), 0);
    EXPECT_TRUE(S_ISFIFO(s.st_mode));
    EXPECT_EQ(tbtest::ListDir(dir.Path()).size(), 2u);
}

TEST(OutputFile, DirectoryAndReadOnlyTargetsAreRefused) {
    tbtest::ScratchDir dir;
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
    errno = 0;
    EXPECT_FALSE(TBReplaceFileContents((dir / "folder").c_str(), "x"));
    EXPECT_EQ(errno, EISDIR);
    ASSERT_EQ(::symlink("folder", (dir / "to-folder").c_str()), 0);
    EXPECT_FALSE(TBReplaceFileContents((dir / "to-folder").c_str(), "x"));
    EXPECT_TRUE(IsLink(dir / "to-folder"));

    const std::string readOnly = dir / "read-only.txt";
    WriteFile(readOnly, "kept");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const bool written = TBReplaceFileContents(readOnly.c_str(), "changed");
    if (::geteuid() != 0) {
        EXPECT_FALSE(written);
        EXPECT_EQ(ReadFile(readOnly), "kept");
    } else {  // the superuser may write any file, as the shell's redirection would
        EXPECT_TRUE(written);
        EXPECT_EQ(ReadFile(readOnly), "changed");
    }
    struct stat s;
    ASSERT_EQ(::stat(readOnly.c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0444u);
    EXPECT_EQ(tbtest::ListDir(dir.Path()).size(), 3u);
}

}  // namespace

TEST(OutputFile, FilesOfOneRecordArePublishedTogetherOrNotAtAll) {
    tbtest::ScratchDir dir;
    WriteFile(dir / "r.cfg", "old cfg");
    WriteFile(dir / "r.dat", "old dat");
    {
        // The data file is replaced by someone else before the record is published: the
        // configuration must not be published alone.
        TBOutputFile cfg, dat;
        ASSERT_TRUE(cfg.Open((dir / "r.cfg").c_str()) && cfg.Write("new cfg"));
        ASSERT_TRUE(dat.Open((dir / "r.dat").c_str()) && dat.Write("new dat"));
        WriteFile(dir / "other", "theirs");
        ASSERT_EQ(::rename((dir / "other").c_str(), (dir / "r.dat").c_str()), 0);
        TBOutputFile* outputs[] = {&cfg, &dat};
        EXPECT_FALSE(TBCommitOutputs(outputs, 2));
        EXPECT_EQ(errno, EBUSY);
    }
    EXPECT_EQ(ReadFile(dir / "r.cfg"), "old cfg");
    EXPECT_EQ(ReadFile(dir / "r.dat"), "theirs");
    EXPECT_EQ(tbtest::ListDir(dir.Path()).size(), 2u);  // nothing staged left

    TBOutputFile cfg, dat;
    ASSERT_TRUE(cfg.Open((dir / "r.cfg").c_str()) && cfg.Write("new cfg"));
    ASSERT_TRUE(dat.Open((dir / "r.dat").c_str()) && dat.Write("new dat"));
    TBOutputFile* outputs[] = {&cfg, &dat};
    EXPECT_TRUE(TBCommitOutputs(outputs, 2));
    EXPECT_EQ(ReadFile(dir / "r.cfg"), "new cfg");
    EXPECT_EQ(ReadFile(dir / "r.dat"), "new dat");
    EXPECT_EQ(tbtest::ListDir(dir.Path()).size(), 2u);
}
