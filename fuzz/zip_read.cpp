// Reading an archive's directory and entries from arbitrary bytes: every entry's
// information is read and every entry extracted to memory under a small limit, which
// the extractions together may not pass (entries that share data are refused).
#include <toolbox/zip/zip_archive.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CZipArchive zip;
    if (!zip.Open(CZipMemFile(data, size))) return 0;
    constexpr ZIP_SIZE_TYPE kLimit = 1 << 20;
    zip.SetMaxExtractSize(kLimit);
    zip.GetGlobalComment();
    const int count = zip.GetCount() < 64 ? zip.GetCount() : 64;
    ZIP_SIZE_TYPE total = 0;
    for (int i = 0; i < count; ++i) {
        CZipFileHeader info;
        zip.GetFileInfo(info, static_cast<ZIP_INDEX_TYPE>(i));
        CZipMemFile out;
        if (zip.ExtractFile(static_cast<ZIP_INDEX_TYPE>(i), out)) total += out.GetLength();
        if (total > kLimit) std::abort();
    }
    return 0;
}
