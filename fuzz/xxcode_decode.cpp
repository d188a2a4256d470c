// The XXencode decoders over arbitrary text: the memory form must stay inside its
// strlen / 4 * 3 buffer and agree byte for byte with the file and string forms.
#include <toolbox/services/xxcode.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
std::string Drain(FILE* f) {
    std::rewind(f);
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    return bytes;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    CTBXXCode codec;
    long length = 0;
    unsigned char* bytes = nullptr;
    if (!codec.xxe_Decode(text.c_str(), length, bytes)) std::abort();
    size_t textLength = std::strlen(text.c_str());
    if (length < 0 || static_cast<size_t>(length) > textLength / 4 * 3) std::abort();
    std::string memory(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    delete[] bytes;

    FILE* out = std::tmpfile();
    FILE* in = std::tmpfile();
    if (!out || !in) return 0;
    codec.xxe_DecodeCStringToFile(text.c_str(), out);
    if (Drain(out) != memory) std::abort();
    // The file form reads past zero bytes; on text up to the first zero it must agree.
    std::fwrite(text.data(), 1, textLength, in);
    std::rewind(in);
    std::fclose(out);
    out = std::tmpfile();
    codec.xxe_DecodeFileToFile(in, out);
    if (Drain(out) != memory) std::abort();
    std::fclose(in);
    std::fclose(out);
    return 0;
}
