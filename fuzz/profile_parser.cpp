// The profile parser over arbitrary bytes: merging must not touch memory outside the
// text, and the written form must be stable: text written from a parsed file parses
// back to the same written text.
#include "services/profile_cache.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CPrivateFileCache first, second;
    first.MergeText("f", text);
    CString written = first.FormatFile("f");
    second.MergeText("f", written.view());
    if (second.FormatFile("f") != written) std::abort();
    (void)first.GetStringValue("", "", "", "f", 1);
    return 0;
}
