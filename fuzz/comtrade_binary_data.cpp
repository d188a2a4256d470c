// COMTRADE binary data reader (BINARY, BINARY32, FLOAT32): arbitrary bytes as the .dat
// of a small configuration whose counts, sample type and time base come from the first
// input bytes; part of the input may become the continuation file .d00.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const int mode = 1 + data[3] % 3;
    const std::string cfg =
        exchange_fuzz::ComtradeConfiguration(data[0] % 6, data[1] % 40, data[2] % 64, mode, (data[3] >> 2) & 1);
    const size_t split = size > 5 ? 5 + data[4] % (size - 5) : 5;
    const std::string cfgPath = exchange_fuzz::ScratchFile("comtrade_binary", ".cfg");
    if (!exchange_fuzz::WriteFile(cfgPath, cfg.data(), cfg.size()) ||
        !exchange_fuzz::WriteFile(exchange_fuzz::ScratchFile("comtrade_binary", ".dat"), data + 5, split - 5) ||
        !exchange_fuzz::WriteFile(exchange_fuzz::ScratchFile("comtrade_binary", ".d00"), data + split, size - split))
        return 0;
    exchange_fuzz::ReadFile(cfgPath, exchange_fuzz::ComtradeLimits());
    return 0;
}
