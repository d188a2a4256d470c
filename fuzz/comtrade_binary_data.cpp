// COMTRADE binary data reader (BINARY, BINARY32, FLOAT32): arbitrary bytes as the .dat
// of a small configuration whose counts, sample type and time base come from the first
// input bytes; part of the input may become the continuation file .d00.
#include "comtrade_fuzz_util.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const std::string base = comtrade_fuzz::ScratchBase("fuzz_comtrade_binary");
    const int mode = 1 + data[3] % 3;
    const std::string cfg =
        comtrade_fuzz::Configuration(data[0] % 6, data[1] % 40, data[2] % 64, mode, (data[3] >> 2) & 1);
    const size_t split = size > 5 ? 5 + data[4] % (size - 5) : 5;
    if (!comtrade_fuzz::WriteFile(base + ".cfg", cfg.data(), cfg.size()) ||
        !comtrade_fuzz::WriteFile(base + ".dat", data + 5, split - 5) ||
        !comtrade_fuzz::WriteFile(base + ".d00", data + split, size - split))
        return 0;
    CReadAndWriteFileFunction engine;
    if (engine.ReadInfoFile((base + ".cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2) == 0) return 0;
    comtrade_fuzz::ReadWithStorage(engine);
    return 0;
}
