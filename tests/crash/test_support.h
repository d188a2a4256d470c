// Helpers of the crash tests: child processes with their own environment and SMTP
// servers on loopback (python3-aiosmtpd, or a scripted fake).
#pragma once

#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace crashtest {

using tbtest::Exists;
using tbtest::ListDir;
using tbtest::ReadFile;
using tbtest::WriteFile;

struct ChildResult {
    int status = -1;  // raw wait status
    std::string out;  // standard output and standard error together
    bool timedOut = false;
    pid_t pid = 0;  // the child's process id
};

/// Runs argv with extra environment entries ("NAME=value"; "NAME=" unsets), output
/// captured, killed after timeoutSeconds.
inline ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                            int timeoutSeconds = 60) {
    ChildResult r;
    std::string outPath = "/tmp/toolbox-crash-out-" + std::to_string(getpid()) + ".txt";
    pid_t pid = fork();
    r.pid = pid;
    if (pid == 0) {
        int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        for (const std::string& e : env) {
            std::size_t eq = e.find('=');
            std::string name = e.substr(0, eq), value = e.substr(eq + 1);
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        pid_t w = waitpid(pid, &r.status, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &r.status, 0);
            r.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.out = ReadFile(outPath);
    unlink(outPath.c_str());
    return r;
}

inline sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

/// Binds fd to a port on loopback that the system chooses, and returns the port.
inline int BindToAnyPort(int fd) {
    sockaddr_in a = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

/// A port nobody listens on (now).
inline int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int port = BindToAnyPort(fd);
    close(fd);
    return port;
}

inline bool CanConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

/// A loopback SMTP server (python3 with aiosmtpd) writing every message into a maildir.
/// Without a script it is aiosmtpd's own server; a script gets args, where "{port}"
/// stands for the server's port.
class SmtpServer {
public:
    static bool Available() { return std::system("/usr/bin/python3 -c 'import aiosmtpd' >/dev/null 2>&1") == 0; }
    explicit SmtpServer(const std::string& mailDir, std::vector<std::string> args = {}) : m_dir(mailDir) {
        m_port = FreePort();
        if (args.empty())
            args = {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:{port}", "-c", "aiosmtpd.handlers.Mailbox", mailDir};
        for (std::string& a : args)
            if (a.find("{port}") != std::string::npos) a.replace(a.find("{port}"), 6, std::to_string(m_port));
        args.insert(args.begin(), "python3");
        m_pid = fork();
        if (m_pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(&a[0]);
            argv.push_back(nullptr);
            execv("/usr/bin/python3", argv.data());
            _exit(127);
        }
        for (int i = 0; i < 200 && !CanConnect(m_port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~SmtpServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    int Port() const { return m_port; }
    bool Running() const { return CanConnect(m_port); }
    /// The messages received so far.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const std::string& name : ListDir(m_dir + "/new")) out.push_back(ReadFile(m_dir + "/new/" + name));
        return out;
    }

private:
    std::string m_dir;
    int m_port = 0;
    pid_t m_pid = -1;
};

/// The attachment of a mail message as the mail's own MIME parser (python3) decodes it.
inline std::string AttachmentOf(const std::string& message, const std::string& scratchDir) {
    WriteFile(scratchDir + "/message.eml", message);
    WriteFile(scratchDir + "/attachment.py",
              "import email,sys\nm=email.message_from_file(open(sys.argv[1]))\n"
              "parts=[p for p in m.walk() if p.get_filename()]\n"
              "assert m.is_multipart() and len(parts)==1\n"
              "open(sys.argv[2],'wb').write(parts[0].get_payload(decode=True))\n");
    const tbtest::RunResult run = tbtest::Shell("/usr/bin/python3 '" + scratchDir + "/attachment.py' '" + scratchDir +
                                                "/message.eml' '" + scratchDir + "/attachment.bin'");
    EXPECT_EQ(run.status, 0) << run.output;
    return ReadFile(scratchDir + "/attachment.bin");
}

/// A scripted server on loopback that records what it receives: it closes at once,
/// never answers, or greets and then refuses every command.
class FakeServer {
public:
    enum Mode { CloseAtOnce, NeverAnswer, RefuseEverything };
    explicit FakeServer(Mode mode) : m_mode(mode) {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        m_port = BindToAnyPort(m_listen);
        listen(m_listen, 4);
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeServer() {
        Stop();
        close(m_listen);
    }
    int Port() const { return m_port; }
    /// Stops serving and returns everything the client sent.
    std::string Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        return m_received;
    }

private:
    void Serve() {
        pollfd p{m_listen, POLLIN, 0};
        while (!m_stop && poll(&p, 1, 50) == 0) {}
        if (m_stop) return;
        int fd = accept(m_listen, nullptr, nullptr);
        if (fd < 0) return;
        if (m_mode == CloseAtOnce) {
            close(fd);
            return;
        }
        if (m_mode == RefuseEverything) send(fd, "220 ready\r\n", 11, MSG_NOSIGNAL);
        char buffer[4096];
        pollfd q{fd, POLLIN, 0};
        while (!m_stop) {
            if (poll(&q, 1, 50) <= 0) continue;
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            m_received.append(buffer, static_cast<std::size_t>(n));
            if (m_mode == RefuseEverything) send(fd, "550 refused\r\n", 13, MSG_NOSIGNAL);
        }
        close(fd);
    }
    Mode m_mode;
    int m_listen = -1;
    int m_port = 0;
    volatile bool m_stop = false;
    std::string m_received;
    std::thread m_thread;
};

}  // namespace crashtest
