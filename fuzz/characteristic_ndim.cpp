// N-dimensional characteristic table reader on arbitrary bytes: a table header
// ("typ:=t") is put in front of the input so that both passes of the table reader run
// on it.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string table = "typ:=t\n";
    table.append(reinterpret_cast<const char*>(data), size);
    exchange_fuzz::ReadInputAs(reinterpret_cast<const uint8_t*>(table.data()), table.size(), "characteristic_ndim",
                               ".mdx");
    return 0;
}
