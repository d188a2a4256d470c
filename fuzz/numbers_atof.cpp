// TBExtended_atof over arbitrary bytes, with and without a decimal separator taken
// from the input itself; it must return without touching memory outside the text.
#include <toolbox/services/numbers.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CString text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    volatile double plain = TBExtended_atof(text, CString());
    CString separator = size > 0 ? CString(static_cast<char>(data[0])) : CString(",");
    volatile double separated = TBExtended_atof(text, separator);
    CString roundTrip =
        TBExtended_ftoa(plain, size > 1 ? static_cast<short>(data[1] % 40) - 1 : -1, size & 1, separator);
    (void)separated;
    (void)roundTrip;
    return 0;
}
