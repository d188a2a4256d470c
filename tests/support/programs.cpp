#include "tests/support/programs.h"
#include "tests/support/files.h"

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>

namespace tbtest {
namespace {

RunResult Collect(const std::string& command) {
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

RunResult Shell(const std::string& command) { return Collect("{ " + command + "\n} 2>&1"); }

RunResult ShellApart(const std::string& command) {
    ScratchDir dir;
    const std::string errors = dir / "stderr";
    RunResult result = Collect("{ " + command + "\n} 2>'" + errors + "'");
    result.errors = ReadFile(errors);
    return result;
}

RunResult RunTbx(const std::string& arguments, const std::string& environment) {
    // The test's own language settings must not choose tbx's language.
    return Shell("env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " + environment + " '" + TOOLBOX_TBX + "' " +
                 arguments);
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace tbtest
