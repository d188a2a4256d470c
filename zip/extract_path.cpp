// Safe extraction paths for the zip layer.
#include "zip/extract_path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbzip {

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool MakeFoldersBelow(const std::string& root, const std::string& relative, std::string& error) {
    std::string path = root;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        path += "/" + part;
        if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "Cannot create the folder \"" + path + "\": " + std::strerror(errno);
            return false;
        }
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            error = "\"" + path + "\" is a link or not a folder";
            return false;
        }
    }
    return true;
}

int CreateFileBelow(const std::string& root, const std::string& relative, std::string& error) {
    const std::string path = root + "/" + relative;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) error = "Cannot create \"" + path + "\": " + std::strerror(errno);
    return fd;
}

}  // namespace tbzip
