// COMTRADE text data reader: arbitrary bytes as the .dat of a small configuration whose
// channel counts, sample count and time base come from the first input bytes.
#include "comtrade_fuzz_util.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const std::string base = comtrade_fuzz::ScratchBase("fuzz_comtrade_ascii");
    const std::string cfg = comtrade_fuzz::Configuration(data[0] % 6, data[1] % 20, data[2] % 64, 0, data[3] & 1);
    if (!comtrade_fuzz::WriteFile(base + ".cfg", cfg.data(), cfg.size()) ||
        !comtrade_fuzz::WriteFile(base + ".dat", data + 4, size - 4))
        return 0;
    std::remove((base + ".d00").c_str());
    CReadAndWriteFileFunction engine;
    if (engine.ReadInfoFile((base + ".cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2) == 0) return 0;
    comtrade_fuzz::ReadWithStorage(engine);
    return 0;
}
