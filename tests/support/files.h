// Scratch directories and whole-file access shared by every test program.
#pragma once

#include <string>
#include <vector>

namespace tbtest {

/// A fresh directory below $TMPDIR (or /tmp), removed with everything in it (read-only
/// entries too) when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::string operator/(const std::string& name) const { return File(name); }

private:
    std::string m_path;
};

/// A file in a scratch directory that the whole test program shares, removed at exit.
std::string TempPath(const std::string& name);

/// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
/// Replaces the file's content with bytes.
void WriteFile(const std::string& path, const std::string& bytes);
/// Whether anything (a dangling link too) is at path.
bool Exists(const std::string& path);
/// The names in dir without "." and "..", in no particular order.
std::vector<std::string> ListDir(const std::string& dir);

}  // namespace tbtest
