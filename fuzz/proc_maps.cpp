// Memory map texts and the modules found in them.
#include "crash/proc_maps.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    TBMapping maps[64];
    int n = TBParseMaps(text, size, maps, 64);
    for (int i = 0; i < n; ++i)
        if (maps[i].pathOffset + maps[i].pathLength > size || maps[i].end < maps[i].start) __builtin_trap();
    TBModuleRange modules[16];
    int m = TBModulesFromMappings(text, maps, n, modules, 16);
    for (int i = 0; i < m; ++i)
        if (modules[i].pathOffset + modules[i].pathLength > size || modules[i].end < modules[i].base) __builtin_trap();
    return 0;
}
