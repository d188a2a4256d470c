// tbx xx encode|decode end to end: round trip, exit status, no half-written output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int RunTbxStatus(const std::string& arguments) {
    int status = std::system((std::string(TOOLBOX_TBX) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Scratch {
    std::string dir;
    Scratch() {
        char name[] = "/tmp/tbx_xx_testXXXXXX";
        dir = mkdtemp(name);
    }
    ~Scratch() { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string operator()(const std::string& name) const { return dir + "/" + name; }
};

}  // namespace

TEST(TbxXX, EncodesAndDecodesFiles) {
    Scratch path;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7 + i / 13);
    std::ofstream(path("in.bin"), std::ios::binary) << bytes;
    ASSERT_EQ(RunTbxStatus("xx encode " + path("in.bin") + " " + path("in.xx")), 0);
    std::string text = ReadAll(path("in.xx"));
    EXPECT_EQ(text.substr(0, 1), "h");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    ASSERT_EQ(RunTbxStatus("xx decode " + path("in.xx") + " " + path("out.bin")), 0);
    EXPECT_EQ(ReadAll(path("out.bin")), bytes);

    std::ofstream(path("abc"), std::ios::binary) << "abc";
    ASSERT_EQ(RunTbxStatus("xx encode - " + path("abc.xx") + " < " + path("abc")), 0);
    EXPECT_EQ(ReadAll(path("abc.xx")), "1MK7X");
    struct stat info {};
    ASSERT_EQ(stat(path("abc.xx").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0044, 0u) << "output keeps the usual permissions";
}

TEST(TbxXX, FailuresLeaveNoOutput) {
    Scratch path;
    EXPECT_EQ(RunTbxStatus("xx encode " + path("missing") + " " + path("out.xx")), 1);
    EXPECT_NE(access(path("out.xx").c_str(), F_OK), 0);
    EXPECT_EQ(RunTbxStatus("xx encode " + path("missing") + " " + path("no/such/dir/out.xx")), 1);
    // Writing to a full device fails and leaves nothing.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(RunTbxStatus("xx encode /etc/hostname - > /dev/full"), 1);
    }
    EXPECT_EQ(RunTbxStatus("xx"), 2);
    EXPECT_EQ(RunTbxStatus("xx encode onlyone"), 2);
    EXPECT_EQ(RunTbxStatus("xx shuffle a b"), 2);
    EXPECT_EQ(RunTbxStatus("xx --help"), 0);
    // A directory opens but cannot be read: the message names the input.
    std::string message;
    FILE* pipe =
        popen((std::string(TOOLBOX_TBX) + " xx encode " + path.dir + " " + path("d.xx") + " 2>&1").c_str(), "r");
    ASSERT_TRUE(pipe != nullptr);
    char buffer[512];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) message.append(buffer, n);
    EXPECT_NE(pclose(pipe), 0);
    EXPECT_NE(message.find("cannot read " + path.dir), std::string::npos) << message;
    EXPECT_NE(access(path("d.xx").c_str(), F_OK), 0);
    std::ofstream(path("in.bin")) << "x";
    EXPECT_EQ(RunTbxStatus("xx encode " + path("in.bin") + " " + path("no/such/dir/out.xx")), 1);
}
