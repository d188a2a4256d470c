// COMTRADE configuration parser: arbitrary bytes as .cfg (and as .cff), beside a small
// data file; the samples are read when the counts stay small.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char sample[] = "1,0,1,2,3,4\r\n2,10,5,6,7,8\r\n";
    exchange_fuzz::WriteFile(exchange_fuzz::ScratchFile("comtrade_cfg", ".dat"), sample, sizeof sample - 1);
    for (const char* extension : {".cfg", ".cff"}) {
        const std::string path = exchange_fuzz::ScratchFile("comtrade_cfg", extension);
        if (exchange_fuzz::WriteFile(path, data, size)) exchange_fuzz::ReadFile(path, exchange_fuzz::ComtradeLimits());
    }
    return 0;
}
