// COMTRADE configuration parser: arbitrary bytes as .cfg (and as .cff), beside a small
// data file; the samples are read when the counts stay small.
#include "comtrade_fuzz_util.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string base = comtrade_fuzz::ScratchBase("fuzz_comtrade_cfg");
    if (!comtrade_fuzz::WriteFile(base + ".cfg", data, size) || !comtrade_fuzz::WriteFile(base + ".cff", data, size))
        return 0;
    static const char sample[] = "1,0,1,2,3,4\r\n2,10,5,6,7,8\r\n";
    comtrade_fuzz::WriteFile(base + ".dat", sample, sizeof sample - 1);
    for (const char* ext : {".cfg", ".cff"}) {
        CReadAndWriteFileFunction engine;
        if (engine.ReadInfoFile((base + ext).c_str(), "", -1, nullptr, nullptr, 0, 0, 2) == 0) continue;
        comtrade_fuzz::ReadWithStorage(engine);
    }
    return 0;
}
