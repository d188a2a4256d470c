// The private profile cache: reading rules, merging with the disk, the table order of
// written files, crash-safe rewriting and hostile files.
#include <toolbox/os/profile_cache.h>
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>
#include <sys/resource.h>
#include <vector>

using namespace tbtest;

namespace {

/// Moves the modification time of path by seconds (a change another program made).
void Touch(const std::string& path, int seconds) {
    struct stat s;
    ASSERT_EQ(::stat(path.c_str(), &s), 0);
    struct timespec times[2] = {s.st_atim, s.st_mtim};
    times[1].tv_sec += seconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class ProfileCache : public ::testing::Test {
protected:
    void TearDown() override { CloseAllPrivateFiles(0); }
    std::string Ini(const std::string& name = "test.ini") { return dir / name; }
    CString Get(const std::string& file, const char* section, const char* key, int cachedOnly = 0) {
        return GetPrivateStringValue(section, key, "<none>", file.c_str(), cachedOnly);
    }
    ScratchDir dir;
};

}  // namespace

TEST_F(ProfileCache, ReadsSectionsEntriesAndIgnoresOtherLines) {
    WriteFile(Ini(),
              "top = level\r\n  [[a]]  \r\nk = v = w\r\n; note = kept as a key\r\nno equals sign here\r\n"
              "[b\r\ndup=1\r\ndup=2\r\n\r\n[ spaced ]\r\nx=\r\n");
    EXPECT_EQ(Get(Ini(), "", "top"), "level");
    EXPECT_EQ(Get(Ini(), "a", "k"), "v = w");
    EXPECT_EQ(Get(Ini(), "a", "; note"), "kept as a key");
    EXPECT_EQ(Get(Ini(), "a", "dup"), "2");  // "[b" is no section line
    EXPECT_EQ(Get(Ini(), "b", "dup"), "<none>");
    EXPECT_EQ(Get(Ini(), " spaced ", "x"), "");
    EXPECT_EQ(Get(Ini(), "A", "k"), "<none>");  // names are case-sensitive
    EXPECT_EQ(Get(Ini(), "a", "K"), "<none>");
    EXPECT_EQ(Get(Ini("missing.ini"), "a", "k"), "<none>");
    // The same file by another spelling is another cache entry: a write to one is not seen.
    WritePrivateStringValue("a", "k", "changed", Ini().c_str());
    EXPECT_EQ(Get(dir.Path() + "/./test.ini", "a", "k"), "v = w");
}

TEST_F(ProfileCache, IntegerValuesFollowAtoi) {
    WritePrivateStringValue("s", "mixed", "12abc", Ini().c_str());
    WritePrivateStringValue("s", "text", "abc", Ini().c_str());
    WritePrivateStringValue("s", "negative", "  -42", Ini().c_str());
    WritePrivateStringValue("s", "huge", "99999999999999999999", Ini().c_str());
    EXPECT_EQ(GetPrivateIntValue("s", "mixed", 7, Ini().c_str()), 12);
    EXPECT_EQ(GetPrivateIntValue("s", "text", 7, Ini().c_str()), 0);
    EXPECT_EQ(GetPrivateIntValue("s", "negative", 7, Ini().c_str()), -42);
    EXPECT_EQ(GetPrivateIntValue("s", "huge", 7, Ini().c_str()), 2147483647);
    EXPECT_EQ(GetPrivateIntValue("s", "absent", -7, Ini().c_str()), -7);
    EXPECT_EQ(WritePrivateIntValue("s", "n", -123, Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "n"), "-123");
}

TEST_F(ProfileCache, DiskChangesAreSeenUnlessCachedOnlyOrModified) {
    WriteFile(Ini(), "[s]\r\na=1\r\nb=1\r\ngone=here\r\n");
    EXPECT_EQ(Get(Ini(), "s", "a"), "1");
    WritePrivateStringValue("s", "b", "mine", Ini().c_str());
    WriteFile(Ini(), "[s]\r\na=2\r\nb=2\r\n");
    Touch(Ini(), 5);
    EXPECT_EQ(Get(Ini(), "s", "a", 1), "1");  // cached-only does not look at the disk
    EXPECT_EQ(Get(Ini(), "s", "a"), "2");
    EXPECT_EQ(Get(Ini(), "s", "b"), "mine");     // the modified entry wins
    EXPECT_EQ(Get(Ini(), "s", "gone"), "here");  // deleted on disk, still cached
}

TEST_F(ProfileCache, ReloadReadsChangedFiles) {
    EXPECT_EQ(ReloadPrivateFile(Ini().c_str()), 0);
    WriteFile(Ini(), "[s]\na=1\n");
    EXPECT_EQ(ReloadPrivateFile(Ini().c_str()), 1);
    WriteFile(Ini(), "[s]\na=2\n");
    Touch(Ini(), 5);
    EXPECT_EQ(ReloadPrivateFile(Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "a", 1), "2");
    ::unlink(Ini().c_str());
    EXPECT_EQ(ReloadPrivateFile(Ini().c_str()), 0);
    EXPECT_EQ(Get(Ini(), "s", "a"), "2");  // a vanished file keeps its cached values
}

TEST_F(ProfileCache, SectionsAreCopiedAndReplaced) {
    WriteFile(Ini(), "[s]\r\nondisk=1\r\nboth=disk\r\n");
    CMapStringToString section;
    section["stale"] = "x";
    GetPrivateSection("s", section, Ini().c_str());
    EXPECT_EQ(section.GetCount(), 2);
    EXPECT_EQ(section.GetHashTableSize(), 100u);
    CString value;
    EXPECT_TRUE(section.Lookup("both", value));
    EXPECT_EQ(value, "disk");
    GetPrivateSection("nosuch", section, Ini().c_str());
    EXPECT_TRUE(section.IsEmpty());

    CMapStringToString replacement;
    replacement["both"] = "cache";
    replacement["new"] = "2";
    EXPECT_EQ(WritePrivateSection("s", replacement, Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "ondisk", 1), "<none>");
    // The flush merges the disk first, so the removed key comes back from it.
    EXPECT_EQ(FlushPrivateFile(Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "ondisk", 1), "1");
    EXPECT_EQ(Get(Ini(), "s", "both", 1), "cache");
    std::string text = ReadFile(Ini());
    EXPECT_NE(text.find("both=cache\r\n"), std::string::npos);
    EXPECT_NE(text.find("ondisk=1\r\n"), std::string::npos);
}

TEST_F(ProfileCache, WrittenFilesFollowTableOrder) {
    // 100 buckets: "" and "d" (hash 100) share bucket 0, the newer first; "b" is 98 and
    // "ab" 3299. Neither the insertion order nor 17 buckets give this order.
    const std::vector<std::string> inserted = {"b", "ab", "d", ""}, written = {"", "d", "b", "ab"};
    for (const std::string& s : inserted)
        for (const std::string& k : inserted)
            WritePrivateStringValue(s.c_str(), k.c_str(), (s + k).c_str(), Ini().c_str());
    ASSERT_EQ(FlushPrivateFile(Ini().c_str()), 1);
    std::string expected;
    for (const std::string& s : written) {
        expected += "[" + s + "]\r\n";
        for (const std::string& k : written) expected += k + "=" + s + k + "\r\n";
        expected += "\r\n";
    }
    EXPECT_EQ(ReadFile(Ini()), expected);
}

TEST_F(ProfileCache, EntriesBeforeAnySectionWriteBackUnderEmptyBrackets) {
    WriteFile(Ini(), "a=1\nb=2\n[empty]\n");
    ASSERT_EQ(FlushPrivateFile(Ini().c_str()), 1);
    // "a" hashes to 97 and "b" to 98; "" to 0 and "empty" behind it.
    EXPECT_EQ(ReadFile(Ini()), "[]\r\na=1\r\nb=2\r\n\r\n[empty]\r\n\r\n");
    CloseAllPrivateFiles(0);
    EXPECT_EQ(Get(Ini(), "", "b"), "2");
}

TEST_F(ProfileCache, CloseWithAndWithoutSave) {
    // An unknown missing file flushes and closes without being created.
    EXPECT_EQ(FlushPrivateFile(Ini().c_str()), 1);
    EXPECT_EQ(ClosePrivateFile(1, Ini().c_str()), 1);
    EXPECT_FALSE(Exists(Ini()));
    // A written value reads back before any flush.
    EXPECT_EQ(WritePrivateStringValue("s", "k", "saved", Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "k"), "saved");
    EXPECT_FALSE(Exists(Ini()));
    EXPECT_EQ(ClosePrivateFile(1, Ini().c_str()), 1);
    EXPECT_EQ(ReadFile(Ini()), "[s]\r\nk=saved\r\n\r\n");
    WritePrivateStringValue("s", "k", "dropped", Ini().c_str());
    EXPECT_EQ(ClosePrivateFile(0, Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "k"), "saved");

    WritePrivateStringValue("s", "x", "1", Ini("a.ini").c_str());
    WritePrivateStringValue("s", "y", "2", Ini("b.ini").c_str());
    EXPECT_EQ(CloseAllPrivateFiles(1), 1);
    EXPECT_EQ(ReadFile(Ini("a.ini")), "[s]\r\nx=1\r\n\r\n");
    EXPECT_EQ(ReadFile(Ini("b.ini")), "[s]\r\ny=2\r\n\r\n");
}

TEST_F(ProfileCache, FailedSaveKeepsTheCacheAndReportsIt) {
    std::string unreachable = dir / "no/such/dir/x.ini";
    WritePrivateStringValue("s", "k", "v", unreachable.c_str());
    EXPECT_EQ(FlushPrivateFile(unreachable.c_str()), 0);
    EXPECT_EQ(ClosePrivateFile(1, unreachable.c_str()), 0);
    EXPECT_EQ(Get(unreachable, "s", "k", 1), "v");
    EXPECT_EQ(CloseAllPrivateFiles(1), 0);
    EXPECT_EQ(ClosePrivateFile(0, unreachable.c_str()), 1);
    EXPECT_EQ(Get(unreachable, "s", "k", 1), "<none>");
}

TEST_F(ProfileCache, InterruptedRewriteLeavesTheOldFile) {
    const std::string old = "[s]\r\nk=old\r\n\r\n";
    WriteFile(Ini(), old);
    WritePrivateStringValue("s", "big", std::string(200000, 'x').c_str(), Ini().c_str());
    // A file-size limit makes the write fail part way, as a full disk would.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = FlushPrivateFile(Ini().c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(Ini()), old);
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"test.ini"});  // no temporary left
    EXPECT_EQ(FlushPrivateFile(Ini().c_str()), 1);
    EXPECT_EQ(Get(Ini(), "s", "k", 1), "old");
    EXPECT_EQ(ReadFile(Ini()).size(), 200000u + 20u);
}

TEST_F(ProfileCache, RewriteKeepsModeAndSymbolicLinks) {
    WriteFile(Ini("real.ini"), "[s]\nk=1\n");
    ASSERT_EQ(::chmod(Ini("real.ini").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.ini", Ini("link.ini").c_str()), 0);
    WritePrivateStringValue("s", "k", "2", Ini("link.ini").c_str());
    ASSERT_EQ(FlushPrivateFile(Ini("link.ini").c_str()), 1);
    struct stat s;
    ASSERT_EQ(::lstat(Ini("link.ini").c_str(), &s), 0);
    EXPECT_TRUE(S_ISLNK(s.st_mode));
    ASSERT_EQ(::stat(Ini("real.ini").c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadFile(Ini("real.ini")), "[s]\r\nk=2\r\n\r\n");
}

TEST_F(ProfileCache, RefusesWritesThatWouldNotReadBack) {
    EXPECT_EQ(WritePrivateStringValue("s", "k", "a\r\n[evil]\r\nx=1", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("s\n", "k", "v", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("s", "k=j", "v", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("[s", "k", "v", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("s]", "k", "v", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("s", "[k", "v]", Ini().c_str()), 0);
    EXPECT_EQ(WritePrivateStringValue("s", nullptr, "v", Ini().c_str()), 0);
    CMapStringToString bad;
    bad["ok"] = "1";
    bad["not"] = "line\nbreak";
    EXPECT_EQ(WritePrivateSection("s", bad, Ini().c_str()), 0);
    EXPECT_FALSE(FlushPrivateFile(Ini().c_str()) == 1 && Exists(Ini()));
    EXPECT_EQ(WritePrivateStringValue("s", "[k", "v", Ini().c_str()), 1);
    EXPECT_EQ(GetPrivateStringValue(nullptr, "k", "d", Ini().c_str()), "d");
    EXPECT_EQ(GetPrivateStringValue("s", "k", nullptr, nullptr), "");
}

TEST_F(ProfileCache, HostileFiles) {
    // Zero bytes end a line, garbage without "=" is ignored, CR-only line ends count.
    const char bytes[] = "[bin]\n\x01\x02\xff\xfe\n k\0hidden=1 \nv=ok\0tail\r[cr]\ra=1\rb=2";
    std::string garbage(bytes, sizeof bytes - 1);
    WriteFile(Ini(), garbage);
    EXPECT_EQ(Get(Ini(), "bin", "v"), "ok");
    EXPECT_EQ(Get(Ini(), "bin", "k"), "<none>");
    EXPECT_EQ(Get(Ini(), "cr", "a"), "1");
    EXPECT_EQ(Get(Ini(), "cr", "b"), "2");  // last line without a line end

    std::string longValue(3 << 20, 'v');
    WriteFile(Ini("long.ini"), "[s]\nlong=" + longValue);
    EXPECT_EQ(Get(Ini("long.ini"), "s", "long").GetLength(), 3 << 20);

    // A cached file that turns into a directory keeps its values and is not replaced.
    WriteFile(Ini("dir.ini"), "[s]\nk=1\n");
    EXPECT_EQ(Get(Ini("dir.ini"), "s", "k"), "1");
    ::unlink(Ini("dir.ini").c_str());
    ASSERT_EQ(::mkdir(Ini("dir.ini").c_str(), 0700), 0);
    Touch(Ini("dir.ini"), 5);
    EXPECT_EQ(Get(Ini("dir.ini"), "s", "k"), "1");
    EXPECT_EQ(FlushPrivateFile(Ini("dir.ini").c_str()), 0);
    EXPECT_EQ(Get(Ini("other"), "s", "k"), "<none>");
    EXPECT_EQ(Get(dir.Path(), "s", "k"), "<none>");  // a directory is no profile file
}

TEST(ProfileCacheText, RewritingReversesNamesThatShareABucketAndIsStableOtherwise) {
    // "" and "d" hash to 0 and 100: both land in bucket 0, the newer one first.
    CPrivateFileCache first, second;
    first.MergeText("f", "[s]\n=empty\nd=dee\n");
    EXPECT_EQ(first.FormatFile("f"), "[s]\r\nd=dee\r\n=empty\r\n\r\n");
    second.MergeText("f", first.FormatFile("f").view());
    EXPECT_EQ(second.FormatFile("f"), "[s]\r\n=empty\r\nd=dee\r\n\r\n");

    // Without shared buckets the formatting is stable after one round trip.
    CPrivateFileCache third, fourth;
    third.MergeText("f", "x=1\n[[b]]\nk = v\n[a]\n=empty key\n[b]\nk2=2\n");
    CString text = third.FormatFile("f");
    fourth.MergeText("f", text.view());
    EXPECT_EQ(fourth.FormatFile("f"), text);
    EXPECT_EQ(fourth.GetStringValue("", "x", "", "f", 1), "1");
    EXPECT_EQ(fourth.GetStringValue("a", "", "?", "f", 1), "empty key");
    EXPECT_TRUE(fourth.IsCached("f"));
    EXPECT_FALSE(fourth.IsCached("g"));
    EXPECT_EQ(fourth.FormatFile("g"), "");
}
