// COMTRADE text data reader: arbitrary bytes as the .dat of a small configuration whose
// channel counts, sample count and time base come from the first input bytes.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const std::string cfg =
        exchange_fuzz::ComtradeConfiguration(data[0] % 6, data[1] % 20, data[2] % 64, 0, data[3] & 1);
    const std::string cfgPath = exchange_fuzz::ScratchFile("comtrade_ascii", ".cfg");
    if (!exchange_fuzz::WriteFile(cfgPath, cfg.data(), cfg.size()) ||
        !exchange_fuzz::WriteFile(exchange_fuzz::ScratchFile("comtrade_ascii", ".dat"), data + 4, size - 4))
        return 0;
    exchange_fuzz::ReadFile(cfgPath, exchange_fuzz::ComtradeLimits());
    return 0;
}
