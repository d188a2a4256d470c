// Shared by the SPICE and recorder fuzz targets: writes the input to a scratch file
// with the given extension, reads it through the dispatch and attaches every kind of
// storage in turn (raw blocks sized exactly to NrItems, so AddressSanitizer catches a
// write past them) before the data step.
#pragma once

#include <toolbox/exchange/engine.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz_exchange {

inline std::string& ScratchPath() {
    static std::string path;
    return path;
}

inline void RemoveScratch() { std::remove(ScratchPath().c_str()); }

inline void ReadThroughEngine(const uint8_t* data, size_t size, const char* name, const char* extension) {
    if (ScratchPath().empty()) {
        ScratchPath() = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/" + name + "_" +
                        std::to_string(getpid()) + extension;
        std::atexit(RemoveScratch);
    }
    const std::string& path = ScratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CReadAndWriteFileFunction engine;
    if (!engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2)) return;
    const int channels = engine.GetNrChannels();
    const int items = engine.GetNrItems();
    // Every item needs at least one byte of the file: more means unbounded allocation.
    if (items < 0 || static_cast<size_t>(items) > size + 1) std::abort();
    if (channels > 4096) return;  // a channel object per header token; keep runs small
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
    engine.ReadDataFile();
    for (int i = 0; i < channels; ++i) {
        if (CExImPortChannel* channel = engine.GetChannel(i)) {
            if (items > 0 && static_cast<int>(doubles[static_cast<size_t>(i)].GetSize()) > items) std::abort();
            (void)channel;
        }
        delete[] raw[static_cast<size_t>(i)];
    }
}

}  // namespace fuzz_exchange
