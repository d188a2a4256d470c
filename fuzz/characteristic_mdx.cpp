// Characteristic reader (.mdx and .mdk/.mda pairs; text, 4-byte and 8-byte binary data)
// on arbitrary bytes. The first byte chooses the arrangement: one .mdx file holding
// the input, or a pair whose header is the input up to a split point and whose data
// is the rest. Channels get the four kinds of storage in turn; raw blocks are sized
// exactly to NrItems, so AddressSanitizer catches any write past them.
#include <toolbox/exchange/engine.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
std::string g_base;
void RemoveScratchFiles() {
    for (const char* ext : {".mdx", ".mdk", ".mda"}) std::remove((g_base + ext).c_str());
}
bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool pair = data[0] & 1;
    const size_t split = data[1] % (size - 1);
    data += 2;
    size -= 2;
    if (g_base.empty()) {
        g_base = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_characteristic_" +
                 std::to_string(getpid());
        std::atexit(RemoveScratchFiles);
    }
    std::string path;
    if (pair) {
        if (!WriteFile(g_base + ".mdk", data, split) || !WriteFile(g_base + ".mda", data + split, size - split))
            return 0;
        path = g_base + ".mda";
    } else {
        path = g_base + ".mdx";
        if (!WriteFile(path, data, size)) return 0;
    }

    CReadAndWriteFileFunction engine;
    if (!engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2)) return 0;
    const int channels = engine.GetNrChannels();
    const int items = engine.GetNrItems();
    const bool smallBlocks = items >= 0 && items <= (1 << 16);
    std::vector<CArray<double, double>> doubles(static_cast<size_t>(channels));
    std::vector<CStringArray> strings(static_cast<size_t>(channels));
    std::vector<CArray<COleVariant, COleVariant>> variants(static_cast<size_t>(channels));
    std::vector<double*> raw(static_cast<size_t>(channels), nullptr);
    for (int i = 0; i < channels; ++i) {
        CExImPortChannel* channel = engine.GetChannel(i);
        if (!channel) continue;
        switch (i % 5) {
            case 0:
                if (smallBlocks) {
                    raw[static_cast<size_t>(i)] = new double[static_cast<size_t>(items > 0 ? items : 1)];
                    channel->SetDoublePtr(raw[static_cast<size_t>(i)]);
                } else {
                    channel->SetDoubleArray(&doubles[static_cast<size_t>(i)]);
                }
                break;
            case 1: channel->SetDoubleArray(&doubles[static_cast<size_t>(i)]); break;
            case 2: channel->SetStringArray(&strings[static_cast<size_t>(i)]); break;
            case 3: channel->SetVariantArray(&variants[static_cast<size_t>(i)]); break;
            default: break;  // no storage: the reader must stop cleanly
        }
    }
    engine.ReadDataFile();
    for (int i = 0; i < channels; ++i) delete[] raw[static_cast<size_t>(i)];
    return 0;
}
