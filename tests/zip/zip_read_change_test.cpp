// Archives read, changed and extracted: what Python's zipfile and unzip make of ours and
// we of theirs, safe extraction, the extraction limit, progress and cancelling.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/zip/zip_archive.h>

#include <string>
#include <unistd.h>

using namespace tbtest;

namespace {

// Writes an archive with Python: names and data as given, ZIP_DEFLATED unless stored;
// "link:NAME" makes a symbolic-link entry pointing at /etc.
const char kPythonWriter[] =
    "import sys, zipfile\n"
    "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
    "    z.comment = b'made by python'\n"
    "    for entry in sys.argv[2:]:\n"
    "        name, data = entry.split('=', 1)\n"
    "        if name.startswith('link:'):\n"
    "            info = zipfile.ZipInfo(name[5:]); info.create_system = 3\n"
    "            info.external_attr = 0o120777 << 16; z.writestr(info, '/etc')\n"
    "        elif name.startswith('zeros:'):\n"
    "            z.writestr(name[6:], bytes(int(data)))\n"
    "        else:\n"
    "            z.writestr(name, data, zipfile.ZIP_STORED if name.endswith('.st') else zipfile.ZIP_DEFLATED)\n";

// Prints each entry as NAME|COMMENT|DATA and then the archive comment.
const char kPythonReader[] =
    "import sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1])\n"
    "assert z.testzip() is None\n"
    "for i in z.infolist(): print(i.filename + '|' + i.comment.decode() + '|' + z.read(i).decode())\n"
    "print(z.comment.decode())\n";

class ZipReadChangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_scratch / "writer.py", kPythonWriter);
        WriteFile(m_scratch / "reader.py", kPythonReader);
    }
    RunResult PythonWrite(const std::string& archive, const std::string& entries) {
        return Shell("/usr/bin/python3 " + m_scratch / "writer.py" + " " + archive + " " + entries);
    }
    std::string PythonRead(const std::string& archive) {
        RunResult r = Shell("/usr/bin/python3 " + m_scratch / "reader.py" + " " + archive);
        return r.status == 0 ? r.output : "failed: " + r.output;
    }
    std::string Extracted(CZipArchive& zip, const char* name) {
        CZipMemFile out;
        if (!zip.ExtractFile(zip.FindFile(name), out)) return "failed: " + std::string(zip.GetLastError());
        return std::string(out.Bytes().begin(), out.Bytes().end());
    }
    ScratchDir m_scratch;
};

class CountingCallback : public CZipActionCallback {
public:
    explicit CountingCallback(int allowed) : m_allowed(allowed) {}
    bool Callback(double) override { return ++m_calls <= m_allowed; }
    int m_calls = 0;
    int m_allowed;
};

}  // namespace

TEST_F(ZipReadChangeTest, WrittenMemoryEntriesAndCommentsReadInPythonAndBackHere) {
    const std::string archive = m_scratch / "ours.zip";
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str()));
    const std::string text(5000, 'q');
    EXPECT_TRUE(zip.AddNewFile(CZipMemFile(text.data(), text.size()), "dir/q.txt"));
    EXPECT_TRUE(zip.AddNewFile(CZipMemFile("Grüße", 7), "grüße.txt", 0));
    EXPECT_TRUE(zip.SetFileComment(1, "entry note"));
    EXPECT_TRUE(zip.SetGlobalComment("archive note"));
    ASSERT_TRUE(zip.Close()) << zip.GetLastError();
    EXPECT_EQ(Shell("unzip -tq " + archive).status, 0);
    EXPECT_EQ(PythonRead(archive), "dir/q.txt||" + text + "\ngrüße.txt|entry note|Grüße\narchive note\n");

    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpenReadOnly));
    EXPECT_EQ(zip.GetCount(), 2);
    CZipFileHeader info;
    ASSERT_TRUE(zip.GetFileInfo(info, 1));
    EXPECT_EQ(std::string(info.GetFileName()), "grüße.txt");
    EXPECT_EQ(std::string(info.GetComment()), "entry note");
    EXPECT_EQ(info.m_uUncomprSize, 7u);
    EXPECT_EQ(info.m_uMethod, 0);
    EXPECT_GT(info.GetTime(), 0);
    EXPECT_EQ(Extracted(zip, "dir/q.txt"), text);
    EXPECT_EQ(std::string(zip.GetGlobalComment()), "archive note");
    EXPECT_FALSE(zip.AddNewFile(CZipMemFile("x", 1), "x"));
    EXPECT_EQ(zip.FindFile("DIR/Q.TXT"), ZIP_FILE_INDEX_NOT_FOUND);
    EXPECT_EQ(zip.FindFile("DIR/Q.TXT", false), 0u);
}

TEST_F(ZipReadChangeTest, PythonArchivesAreReadChangedAndStayValid) {
    const std::string archive = m_scratch / "theirs.zip";
    ASSERT_EQ(PythonWrite(archive, "a.txt=alpha b.st=beta c.txt=gamma").status, 0);
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpen)) << zip.GetLastError();
    EXPECT_EQ(Extracted(zip, "b.st"), "beta");
    EXPECT_EQ(std::string(zip.GetGlobalComment()), "made by python");
    EXPECT_TRUE(zip.RemoveFile(zip.FindFile("a.txt")));
    EXPECT_TRUE(zip.RenameFile(zip.FindFile("c.txt"), "renamed.txt"));
    EXPECT_FALSE(zip.RenameFile(zip.FindFile("b.st"), "renamed.txt"));
    EXPECT_TRUE(zip.AddNewFile(CZipMemFile("delta", 5), "d.txt"));
    CountingCallback progress(1000);
    zip.SetCallback(&progress);
    ASSERT_TRUE(zip.Close()) << zip.GetLastError();
    EXPECT_GT(progress.m_calls, 0);
    EXPECT_EQ(Shell("unzip -tq " + archive).status, 0);
    EXPECT_EQ(PythonRead(archive), "b.st||beta\nrenamed.txt||gamma\nd.txt||delta\nmade by python\n");

    // A cancelled write leaves the archive as it was.
    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpen));
    zip.RemoveFile(0);
    CountingCallback cancel(0);
    zip.SetCallback(&cancel);
    EXPECT_FALSE(zip.Close());
    EXPECT_EQ(PythonRead(archive), "b.st||beta\nrenamed.txt||gamma\nd.txt||delta\nmade by python\n");

    CZipArchive broken;
    WriteFile(m_scratch / "junk.zip", "PK\3\4 not really");
    EXPECT_FALSE(broken.Open((m_scratch / "junk.zip").c_str(), CZipArchive::zipOpenReadOnly));
    EXPECT_NE(broken.GetLastError().Find("Cannot open"), -1);
}

TEST_F(ZipReadChangeTest, ExtractionStaysInsideItsFolder) {
    const std::string archive = m_scratch / "evil.zip";
    ASSERT_EQ(PythonWrite(archive, "good/ok.txt=fine ../up.txt=x /abs.txt=x 'a\\..\\..\\win.txt=x' link:ln=x").status,
              0);
    const std::string target = m_scratch / "out";
    ASSERT_EQ(Shell("mkdir " + target).status, 0);
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpenReadOnly));
    int extracted = 0;
    for (int i = 0; i < zip.GetCount(); ++i)
        if (zip.ExtractFile(i, target.c_str()))
            ++extracted;
        else
            EXPECT_NE(zip.GetLastError().Find("Refused"), -1) << zip.GetLastError().GetString();
    EXPECT_EQ(extracted, 1);
    EXPECT_EQ(ReadFile(target + "/good/ok.txt"), "fine");
    EXPECT_FALSE(Exists(m_scratch / "up.txt"));
    EXPECT_FALSE(Exists("/abs.txt"));
    EXPECT_FALSE(Exists(target + "/ln"));

    // A link already in the target folder is not written through.
    ASSERT_EQ(symlink(m_scratch.Path().c_str(), (target + "/good2").c_str()), 0);
    EXPECT_FALSE(zip.ExtractFile(zip.FindFile("good/ok.txt"), target.c_str(), true, "good2/ok.txt"));
    EXPECT_FALSE(Exists(m_scratch / "ok.txt"));
    ASSERT_EQ(symlink((m_scratch / "victim").c_str(), (target + "/ok.txt").c_str()), 0);
    EXPECT_FALSE(zip.ExtractFile(zip.FindFile("good/ok.txt"), target.c_str(), false));
    EXPECT_FALSE(Exists(m_scratch / "victim"));
}

TEST_F(ZipReadChangeTest, AZipBombStopsAtTheExtractionLimit) {
    const std::string archive = m_scratch / "bomb.zip";
    ASSERT_EQ(PythonWrite(archive, "zeros:big=20000000").status, 0);
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(archive.c_str(), CZipArchive::zipOpenReadOnly));
    zip.SetMaxExtractSize(1 << 20);
    CZipMemFile out;
    EXPECT_FALSE(zip.ExtractFile(0, out));
    EXPECT_NE(zip.GetLastError().Find("extraction limit"), -1);
    EXPECT_EQ(out.GetLength(), 0u);
    EXPECT_FALSE(zip.ExtractFile(0, m_scratch.Path().c_str()));
    EXPECT_FALSE(Exists(m_scratch / "big"));
    zip.SetMaxExtractSize(CZipArchive::kDefaultMaxExtractSize);
    EXPECT_TRUE(zip.ExtractFile(0, out));
    EXPECT_EQ(out.GetLength(), 20000000u);
}

TEST_F(ZipReadChangeTest, AFailedExtractionLeavesTheFileThatWasThere) {
    const std::string target = m_scratch / "out";
    ASSERT_EQ(Shell("mkdir " + target).status, 0);
    WriteFile(target + "/data.txt", "old data");
    CZipArchive zip;
    ASSERT_TRUE(zip.Open((std::string(TOOLBOX_TEST_DATA) + "/zip/bad-crc.zip").c_str(), CZipArchive::zipOpenReadOnly));
    EXPECT_FALSE(zip.ExtractFile(0, target.c_str()));
    EXPECT_NE(zip.GetLastError().Find("CRC"), -1) << zip.GetLastError().GetString();
    EXPECT_EQ(ReadFile(target + "/data.txt"), "old data");

    const std::string bomb = m_scratch / "bomb.zip";
    ASSERT_EQ(PythonWrite(bomb, "zeros:big=3000000").status, 0);
    WriteFile(target + "/big", "old big");
    ASSERT_TRUE(zip.Open(bomb.c_str(), CZipArchive::zipOpenReadOnly));
    zip.SetMaxExtractSize(1 << 20);
    EXPECT_FALSE(zip.ExtractFile(0, target.c_str()));
    EXPECT_EQ(ReadFile(target + "/big"), "old big");
    zip.SetMaxExtractSize(CZipArchive::kDefaultMaxExtractSize);
    CountingCallback cancel(0);
    zip.SetCallback(&cancel);
    EXPECT_FALSE(zip.ExtractFile(0, target.c_str()));
    EXPECT_NE(zip.GetLastError().Find("cancelled"), -1);
    EXPECT_EQ(ReadFile(target + "/big"), "old big");
    EXPECT_EQ(ListDir(target).size(), 2u);  // no temporary file left behind

    zip.SetCallback(nullptr);
    ASSERT_TRUE(zip.ExtractFile(0, target.c_str())) << zip.GetLastError();
    EXPECT_EQ(ReadFile(target + "/big"), std::string(3000000, '\0'));
    EXPECT_EQ(ListDir(target).size(), 2u);
}

TEST_F(ZipReadChangeTest, EntriesSharingDataAreRefusedAndTheLimitCountsAllEntries) {
    // Three names for one compressed block: each entry alone is small, together they
    // are the shape of an archive that writes gigabytes from a few hundred kilobytes.
    const std::string shared = std::string(TOOLBOX_TEST_DATA) + "/zip/overlapping.zip";
    const std::string target = m_scratch / "out";
    ASSERT_EQ(Shell("mkdir " + target).status, 0);
    CZipArchive zip;
    ASSERT_TRUE(zip.Open(shared.c_str(), CZipArchive::zipOpenReadOnly));
    ASSERT_EQ(zip.GetCount(), 3);
    for (ZIP_INDEX_TYPE i = 0; i < 3; ++i) {
        CZipMemFile out;
        EXPECT_FALSE(zip.ExtractFile(i, out)) << i;
        EXPECT_NE(zip.GetLastError().Find("overlaps another entry"), -1) << zip.GetLastError().GetString();
        EXPECT_FALSE(zip.ExtractFile(i, target.c_str()));
    }
    const std::string bytes = ReadFile(shared);
    ASSERT_TRUE(zip.Open(CZipMemFile(bytes.data(), bytes.size())));
    CZipMemFile out;
    EXPECT_FALSE(zip.ExtractFile(1, out));
    const RunResult extract = RunTbx("zip extract " + shared + " " + target);
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.output.find("overlaps another entry"), std::string::npos) << extract.output;
    EXPECT_TRUE(ListDir(target).empty());

    // Entries that each stay under the limit stop when together they pass it.
    const std::string three = m_scratch / "three.zip";
    ASSERT_EQ(PythonWrite(three, "zeros:a=1000000 zeros:b=1000000 zeros:c=1000000").status, 0);
    ASSERT_TRUE(zip.Open(three.c_str(), CZipArchive::zipOpenReadOnly));
    zip.SetMaxExtractSize(2500000);
    EXPECT_TRUE(zip.ExtractFile(0, out)) << zip.GetLastError();
    EXPECT_TRUE(zip.ExtractFile(1, target.c_str())) << zip.GetLastError();
    EXPECT_FALSE(zip.ExtractFile(2, out));
    EXPECT_NE(zip.GetLastError().Find("all entries extracted together"), -1) << zip.GetLastError().GetString();
    EXPECT_FALSE(zip.ExtractFile(2, target.c_str()));
    EXPECT_FALSE(Exists(target + "/c"));
    zip.SetMaxExtractSize(2500000);  // counts again from here
    EXPECT_TRUE(zip.ExtractFile(2, out));
}
