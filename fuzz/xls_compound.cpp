// Compound files (OLE2) around workbook streams: the sector chains, the directory and
// the stream sizes come from the input; the workbook stream found is parsed too.
#include "exchange/tables/xls/xls_biff.h"

#include <cstddef>
#include <cstdint>

// libgsf leaks a directory entry of about a hundred bytes when it rejects a malformed
// compound directory; that is the library's, not ours, and stays bounded per file.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\nleak:libgsf-1.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string stream;
    bool biff5 = false;
    CDaoStatus status;
    if (!tb_xls::ReadCompoundStream(data, size, stream, biff5, status)) return 0;
    tb_xls::Workbook book;
    tb_xls::ParseBiffStream(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), "Sheet", book,
                            status);
    return 0;
}
