#include "tests/support/full_disk.h"
#include "tests/support/files.h"

#include <toolbox/os/file_io.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tbtest {

namespace {

constexpr long kRoom = 1 << 20;

// A directory on a tmpfs of kRoom bytes while the object lives; Mounted() is false where
// the system refuses the mount (no privilege, no tmpfs).
class SmallFileSystem {
public:
    SmallFileSystem() : m_path(m_scratch.File("disk")) {
        ::mkdir(m_path.c_str(), 0755);
        m_mounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
    }
    const std::string& Path() const { return m_path; }
    bool Mounted() const { return m_mounted; }

private:
    ScratchDir m_scratch;
    std::string m_path;
    bool m_mounted = false;
};

// Runs write in a child process whose files cannot grow past kRoom bytes; the write then
// fails with EFBIG, as the signal the limit raises is ignored.
WriteOutcome WriteWithFileSizeLimit(const RecordWriter& write, const std::string& dir) {
    int channel[2];
    if (::pipe(channel) != 0) return {-1, "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{kRoom, kRoom};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const WriteOutcome outcome = write(dir, true);
        const std::string message = std::to_string(outcome.result) + "\n" + outcome.error;
        const ssize_t sent = ::write(channel[1], message.data(), message.size());
        ::_exit(sent == static_cast<ssize_t>(message.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string message;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0) message.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {-1, "the writing process did not end normally"};
    const size_t line = message.find('\n');
    if (line == std::string::npos) return {-1, "no outcome"};
    return {std::stoi(message.substr(0, line)), message.substr(line + 1)};
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void ExpectFailedWriteKeepsFiles(const std::vector<std::string>& names, const RecordWriter& write) {
    SmallFileSystem disk;
    const std::string& dir = disk.Path();
    const WriteOutcome small = write(dir, false);
    ASSERT_GE(small.result, 1) << small.error;
    std::vector<std::string> old;
    for (const std::string& name : names) {
        old.push_back(ReadFile(dir + "/" + name));
        ASSERT_FALSE(old.back().empty()) << name << " was not written";
    }
    int expected = ENOSPC;
    WriteOutcome large;
    if (disk.Mounted()) {
        large = write(dir, true);
    } else {
        std::printf("[  NOTE    ] no tmpfs can be mounted here: files are limited by RLIMIT_FSIZE instead\n");
        expected = EFBIG;
        large = WriteWithFileSizeLimit(write, dir);
    }
    EXPECT_EQ(large.result, 0) << large.error;
    const std::string cause = TBSystemErrorText(expected).GetString();
    EXPECT_NE(large.error.find(cause), std::string::npos) << "error \"" << large.error << "\" lacks \"" << cause << '"';
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(ReadFile(dir + "/" + names[i]) == old[i]) << names[i] << " changed";
    EXPECT_EQ(Sorted(ListDir(dir)), Sorted(names)) << "a staged file was left behind";
}

}  // namespace tbtest
