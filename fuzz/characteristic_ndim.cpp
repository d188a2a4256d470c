// N-dimensional characteristic table reader on arbitrary bytes: a table header
// ("typ:=t") is put in front of the input so that both passes of the table reader run
// on it. Channels get raw blocks (sized exactly to NrItems, so AddressSanitizer
// catches any write past them), double arrays, variant arrays or no storage in turn.
#include <toolbox/exchange/engine.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
std::string g_path;
void RemoveScratchFile() { std::remove(g_path.c_str()); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_path.empty()) {
        g_path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_characteristic_ndim_" +
                 std::to_string(getpid()) + ".mdx";
        std::atexit(RemoveScratchFile);
    }
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (!f) return 0;
    std::fputs("typ:=t\n", f);
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CReadAndWriteFileFunction engine;
    if (!engine.ReadInfoFile(g_path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2)) return 0;
    const int channels = engine.GetNrChannels();
    const int items = engine.GetNrItems();
    const bool smallBlocks = items >= 0 && items <= (1 << 16);
    std::vector<CArray<double, double>> doubles(static_cast<size_t>(channels));
    std::vector<CArray<COleVariant, COleVariant>> variants(static_cast<size_t>(channels));
    std::vector<double*> raw(static_cast<size_t>(channels), nullptr);
    for (int i = 0; i < channels; ++i) {
        CExImPortChannel* channel = engine.GetChannel(i);
        if (!channel) continue;
        switch (i % 4) {
            case 0:
                if (smallBlocks) {
                    raw[static_cast<size_t>(i)] = new double[static_cast<size_t>(items > 0 ? items : 1)];
                    channel->SetDoublePtr(raw[static_cast<size_t>(i)]);
                    break;
                }
                [[fallthrough]];
            case 1: channel->SetDoubleArray(&doubles[static_cast<size_t>(i)]); break;
            case 2: channel->SetVariantArray(&variants[static_cast<size_t>(i)]); break;
            default: break;  // no storage: warning 219
        }
    }
    engine.ReadDataFile();
    for (int i = 0; i < channels; ++i) delete[] raw[static_cast<size_t>(i)];
    return 0;
}
