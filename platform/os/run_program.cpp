// Helper programs through posix_spawn.
#include "platform/os/run_program.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

CString TBFindProgram(const char* name) {
    if (!name || !*name) return CString();
    CString n(name);
    if (n.Find('/') >= 0) return access(name, X_OK) == 0 ? n : CString();
    const char* path = std::getenv("PATH");
    CString dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    int start = 0;
    while (start <= dirs.GetLength()) {
        int colon = dirs.Find(':', start);
        if (colon < 0) colon = dirs.GetLength();
        CString dir = dirs.Mid(start, colon - start);
        if (dir.IsEmpty()) dir = ".";
        CString candidate = dir + "/" + n;
        if (access(candidate, X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return CString();
}

int TBRunProgram(const std::vector<std::string>& argv, const std::string& input) {
    if (argv.empty()) return -1;
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    if (rc != 0) {
        close(pipeFds[1]);
        return -1;
    }
    // The child may stop reading early; a broken pipe must not end this process.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    std::size_t done = 0;
    while (done < input.size()) {
        ssize_t n = write(pipeFds[1], input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    close(pipeFds[1]);
    // Drop a SIGPIPE raised by the writes before unblocking.
    struct timespec zero = {0, 0};
    while (sigtimedwait(&block, nullptr, &zero) > 0) {}
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
