// The mail password lives in a per-user file readable only by its owner, never in
// "Register.cfg", which sits beside the program and is shared by every user.
#include <toolbox/mail/mail.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool CheckOwnerOnly(int fd, const char* path, CString& error) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = CString(path) + ": not a regular file";
        return false;
    }
    if (st.st_uid != geteuid()) {
        error = CString(path) + ": belongs to another user";
        return false;
    }
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        error = CString(path) + ": readable by others; allow only its owner (chmod 600)";
        return false;
    }
    return true;
}

}  // namespace

bool TBReadMailPasswordFile(const char* path, CString& password, CString& error) {
    int fd = path && *path ? open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW) : -1;
    if (fd < 0) {
        error = CString(path ? path : "") + ": " + std::strerror(errno);
        return false;
    }
    bool ok = CheckOwnerOnly(fd, path, error);
    std::string text;
    char buffer[256];
    ssize_t n;
    while (ok && text.size() < 4096 && (n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    if (!ok) return false;
    text = text.substr(0, text.find_first_of("\r\n"));
    password = text.c_str();
    return true;
}

CString TBMailPasswordFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return CString(config) + "/veltranix/mail-password";
    const char* home = std::getenv("HOME");
    return CString(home ? home : "") + "/.config/veltranix/mail-password";
}
