// Arbitrary bytes read as a .out file through the engine's dispatch.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    exchange_fuzz::Limits limits;
    limits.itemsBoundedByInput = true;
    exchange_fuzz::ReadInputAs(data, size, "spice_listing", ".out", limits);
    return 0;
}
