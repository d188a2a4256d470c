// tbx image convert and tbx zip list, add and extract from the shell.
#include <gtest/gtest.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <toolbox/image/ximage.h>

using namespace tbtest;

TEST(TbxImageZip, ConvertsPicturesAndPacksListsAndExtractsArchives) {
    ScratchDir scratch;
    CxImage image;
    ASSERT_TRUE(image.Create(5, 4, 24));
    image.SetPixelColor(1, 2, RGB(200, 10, 30));
    ASSERT_TRUE(image.Save((scratch / "in.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    RunResult r = RunTbx("image convert " + scratch / "in.bmp" + " " + scratch / "out.png");
    ASSERT_EQ(r.status, 0) << r.output;
    CxImage back((scratch / "out.png").c_str(), CXIMAGE_FORMAT_UNKNOWN);
    EXPECT_EQ(back.GetType(), static_cast<DWORD>(CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(back.GetPixelColor(1, 2).rgbRed, 200);
    EXPECT_EQ(RunTbx("image convert " + scratch / "in.bmp" + " " + scratch / "out.xyz").status, 2);
    EXPECT_EQ(RunTbx("image convert " + scratch / "missing.bmp" + " " + scratch / "o.png").status, 1);

    WriteFile(scratch / "a.txt", "alpha");
    const std::string archive = scratch / "t.zip";
    r = Shell("cd " + scratch.Path() + " && " + std::string(TOOLBOX_TBX) + " zip add t.zip a.txt");
    ASSERT_EQ(r.status, 0) << r.output;
    r = RunTbx("zip list " + archive);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("a.txt"), std::string::npos) << r.output;
    ASSERT_EQ(Shell("mkdir " + scratch / "x").status, 0);
    r = RunTbx("zip extract " + archive + " " + scratch / "x");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(scratch / "x/a.txt"), "alpha");
    EXPECT_EQ(RunTbx("zip list " + scratch / "a.txt").status, 1);
}

TEST(TbxImageZip, AddPacksAllFilesOrChangesNothing) {
    ScratchDir scratch;
    WriteFile(scratch / "a.txt", "alpha");
    WriteFile(scratch / "b.txt", "beta");
    const std::string add = "cd " + scratch.Path() + " && " + std::string(TOOLBOX_TBX) + " zip add t.zip ";
    RunResult r = Shell(add + "a.txt missing.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("missing.txt"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(scratch / "t.zip"));

    ASSERT_EQ(Shell(add + "a.txt").status, 0);
    const std::string before = ReadFile(scratch / "t.zip");
    r = Shell(add + "b.txt .");  // a folder is refused: b.txt does not go in alone
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a regular file"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(scratch / "t.zip"), before);
}
