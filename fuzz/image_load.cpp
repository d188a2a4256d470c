// Image loading through the detection path: the first input byte picks the format the
// bytes are made to look like (so every decoder is reached even from an empty corpus),
// the rest is the file. A loaded image must be consistent and encode again.
#include <toolbox/image/ximage.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
const char* const kMagic[] = {"", "BM", "GIF89a", "\xFF\xD8\xFF", "\x89PNG\r\n\x1a\n", "II*\0", "MM\0*"};
const size_t kMagicLength[] = {0, 2, 6, 3, 8, 4, 4};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const size_t choice = data[0] % 7;
    std::vector<BYTE> file(kMagic[choice], kMagic[choice] + kMagicLength[choice]);
    // Inputs that already carry their magic are taken as they are.
    if (size > kMagicLength[choice] && !std::memcmp(data + 1, kMagic[choice], kMagicLength[choice])) file.clear();
    file.insert(file.end(), data + 1, data + size);
    CxImage image;
    if (!image.Decode(file.data(), static_cast<DWORD>(file.size()))) {
        if (image.IsValid() || image.GetLastError().IsEmpty()) std::abort();
        return 0;
    }
    if (image.GetWidth() == 0 || image.GetHeight() == 0 || (image.GetBpp() != 8 && image.GetBpp() != 24)) std::abort();
    if (static_cast<uint64_t>(image.GetWidth()) * image.GetHeight() > CxImage::kMaxPixels) std::abort();
    if (image.GetWidth() * image.GetHeight() <= 4096) {
        std::vector<BYTE> again;
        if (!image.Encode(again, CXIMAGE_FORMAT_PNG)) std::abort();
    }
    return 0;
}
