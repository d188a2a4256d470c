// The profile parser over arbitrary bytes: merging must not touch memory outside the
// text, and what is written must read back to the same sections, keys and values.
// (The order may differ: entries that share a bucket come back newest first, so each
// rewrite reverses them.)
#include <toolbox/os/profile_cache.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using Content = std::map<std::string, std::map<std::string, std::string>>;

// The written form is simple: "[name]" lines, "key=value" lines, empty lines, CR LF.
Content ReadWritten(const std::string& text) {
    Content content;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) std::abort();  // every line ends in CR LF
        std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            section = line.substr(1, line.size() - 2);
            content[section];
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) std::abort();
        content[section][line.substr(0, equals)] = line.substr(equals + 1);
    }
    return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CPrivateFileCache first, second;
    first.MergeText("f", text);
    CString written = first.FormatFile("f");
    second.MergeText("f", written.view());
    CString rewritten = second.FormatFile("f");
    if (written.GetLength() != rewritten.GetLength()) std::abort();
    if (ReadWritten(written.str()) != ReadWritten(rewritten.str())) std::abort();
    (void)first.GetStringValue("", "", "", "f", 1);
    return 0;
}
