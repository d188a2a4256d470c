// Delimited text reader: scan plus value read of arbitrary bytes, with the separator,
// decimal symbol, start line and merge flag taken from the first input bytes, and the
// four kinds of channel storage in turn. Raw blocks are sized exactly to NrItems, so
// AddressSanitizer catches any write past them.
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
    std::remove((g_base + ".csv").c_str());
    std::remove((g_base + ".txt").c_str());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const char* const kSeparators[] = {";", ",", "\t", " ", ";\t", "", "|.", "e"};
    static const char* const kDecimals[] = {".", ",", "", "::"};
    const char* separator = kSeparators[data[0] % 8];
    const char* decimal = kDecimals[data[1] % 4];
    const int startLine = data[2] % 4;
    const int merge = (data[3] >> 4) & 1;
    const int csv = (data[3] >> 5) & 1;
    data += 4;
    size -= 4;

    // Memory-backed /dev/shm keeps the file round trip of every run cheap.
    if (g_base.empty()) {
        g_base = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz_exchange_csv_" +
                 std::to_string(getpid());
        std::atexit(RemoveScratchFiles);
    }
    const std::string path = g_base + (csv ? ".csv" : ".txt");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }

    CReadAndWriteFileFunction engine;
    engine.FileKind = csv ? 5 : 4;
    if (!engine.ReadInfoCSVFile(path.c_str(), separator, decimal, startLine, merge)) return 0;
    const int channels = engine.GetNrChannels();
    const int items = engine.GetNrItems();
    if (channels > 4096) return 0;  // a channel object per field; keep runs small

    std::vector<std::vector<double>> blocks(static_cast<size_t>(channels));
    std::vector<CArray<double, double>> doubles(static_cast<size_t>(channels));
    std::vector<CStringArray> strings(static_cast<size_t>(channels));
    std::vector<CArray<COleVariant, COleVariant>> variants(static_cast<size_t>(channels));
    std::vector<double*> raw(static_cast<size_t>(channels), nullptr);
    for (int i = 0; i < channels; ++i) {
        CExImPortChannel* channel = engine.GetChannel(i);
        if (!channel) continue;
        switch (i % 5) {
            case 0:
                raw[static_cast<size_t>(i)] = new double[static_cast<size_t>(items > 0 ? items : 1)];
                channel->SetDoublePtr(raw[static_cast<size_t>(i)]);
                break;
            case 1: channel->SetDoubleArray(&doubles[static_cast<size_t>(i)]); break;
            case 2: channel->SetStringArray(&strings[static_cast<size_t>(i)]); break;
            case 3: channel->SetVariantArray(&variants[static_cast<size_t>(i)]); break;
            default: break;  // no storage: the reader must stop cleanly
        }
    }
    engine.ReadDataCSVFile();
    for (int i = 0; i < channels; ++i) delete[] raw[static_cast<size_t>(i)];
    return 0;
}
