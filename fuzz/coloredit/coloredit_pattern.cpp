// The colouring editor's pattern engine over arbitrary bytes: the first byte picks the
// case rule and the pattern's length, the pattern follows, the rest is the subject.
// Compiling must not crash; a compiled pattern must find matches inside the subject,
// and a search and an anchored match at the found start must agree. Nested closures
// stay within the engine's state table (pattern.h), so no input runs for long.
#include "controls/coloredit/model/pattern.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool caseSensitive = data[0] & 1;
    const std::size_t patternLength = std::min<std::size_t>(size - 1, data[0] >> 1);
    const std::string_view pattern(reinterpret_cast<const char*>(data + 1), patternLength);
    const std::string_view subject(reinterpret_cast<const char*>(data + 1 + patternLength),
                                   size - 1 - patternLength);
    tb_coloredit::CPattern p;
    if (!p.Compile(pattern, caseSensitive)) {
        if (p.LastError().empty()) std::abort();
        return 0;
    }
    for (std::size_t from = 0; from <= subject.size() + 1; from += 1 + subject.size() / 4) {
        int offset = -1, length = -1;
        if (!p.Search(subject, from, offset, length)) continue;
        const std::size_t start = from + static_cast<std::size_t>(offset);
        if (offset < 0 || length < 0 || start + static_cast<std::size_t>(length) > subject.size()) std::abort();
        int anchored = -1;
        if (!p.MatchAt(subject, start, anchored) || anchored != length) std::abort();
    }
    return 0;
}
