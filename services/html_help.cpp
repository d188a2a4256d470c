// Help files opened with the desktop's opener.
#include <toolbox/services/system_helpers.h>

#include <toolbox/os/dialog_hub.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <cerrno>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

CString HelpFilePart(const char* file) {
    CString path(file);
    int topic = path.Find("::");
    if (topic >= 0) path = path.Left(topic);
    int window = path.Find('>');
    if (window >= 0) path = path.Left(window);
    return path;
}

bool StartOpener(const CString& path) {
    // The shell starts the opener in the background and returns at once, so no child
    // is left to reap; 127 tells that no opener exists.
    const char* script =
        "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
        "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &\n";
    char* argv[] = {const_cast<char*>("sh"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(script),
                    const_cast<char*>("sh"),
                    const_cast<char*>(path.GetString()),
                    nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

HWND OpenHelp(const CString& path, UINT /*command*/, DWORD /*data*/) {
    // The desktop's opener shows the file as a whole; topics and contents are its affair.
    static char token;
    return StartOpener(path) ? reinterpret_cast<HWND>(&token) : nullptr;
}

}  // namespace

HWND TBHtmlHelp(HWND window, const char* file, UINT command, DWORD data) {
    (void)window;
    if (!file) return nullptr;
    CString path = HelpFilePart(file);
    struct stat s;
    if (path.IsEmpty() || ::stat(path, &s) != 0) {
        TBGetDialogHub().MessageBox(TBFormatMessage(TBMsg::HelpFileNotFound, {CString(file)}), CString(),
                                    MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }
    HWND result = OpenHelp(path, command, data);
    if (!result && command != HH_DISPLAY_TOC) result = OpenHelp(path, HH_DISPLAY_TOC, 0);
    return result;
}
