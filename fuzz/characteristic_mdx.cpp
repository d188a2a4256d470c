// Characteristic reader (.mdx and .mdk/.mda pairs; text, 4-byte and 8-byte binary data)
// on arbitrary bytes. The first byte chooses the arrangement: one .mdx file holding
// the input, or a pair whose header is the input up to a split point and whose data
// is the rest.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool pair = data[0] & 1;
    const size_t split = data[1] % (size - 1);
    data += 2;
    size -= 2;
    if (!pair) {
        exchange_fuzz::ReadInputAs(data, size, "characteristic", ".mdx");
        return 0;
    }
    const std::string header = exchange_fuzz::ScratchFile("characteristic", ".mdk");
    const std::string values = exchange_fuzz::ScratchFile("characteristic", ".mda");
    if (exchange_fuzz::WriteFile(header, data, split) && exchange_fuzz::WriteFile(values, data + split, size - split))
        exchange_fuzz::ReadFile(values);
    return 0;
}
