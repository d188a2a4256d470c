// BIFF record streams of every version: record lengths, sheet offsets, shared string
// tables with CONTINUE records, cell positions and string lengths come from the input.
#include "exchange/tables/xls/xls_biff.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    tb_xls::Workbook book;
    CDaoStatus status;
    tb_xls::ParseBiffStream(data, size, "Sheet", book, status);
    return 0;
}
