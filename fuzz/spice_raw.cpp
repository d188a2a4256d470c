// Fuzz target: arbitrary bytes read as a .raw file through the engine's dispatch.
#include "spice_recorder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_exchange::ReadThroughEngine(data, size, "fuzz_spice_raw", ".raw");
    return 0;
}
