// Shared pieces of the COMTRADE fuzz targets: scratch files in memory-backed /dev/shm
// and channel storage of all four kinds, raw blocks sized exactly to NrItems so that
// AddressSanitizer catches any write past them.
#pragma once

#include <toolbox/exchange/engine.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace comtrade_fuzz {

inline std::string& Base() {
    static std::string base;
    return base;
}

inline void RemoveScratchFiles() {
    for (const char* ext : {".cfg", ".dat", ".hdr", ".d00", ".cff"}) std::remove((Base() + ext).c_str());
}

inline std::string ScratchBase(const char* name) {
    if (Base().empty()) {
        Base() = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/" + name + "_" +
                 std::to_string(getpid());
        std::atexit(RemoveScratchFiles);
    }
    return Base();
}

inline bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

/// Attaches storage to every channel, reads the data and frees the raw blocks.
inline void ReadWithStorage(CReadAndWriteFileFunction& engine) {
    const int channels = engine.GetNrChannels();
    const int items = engine.GetNrItems();
    if (channels > 2048 || items > 100000) return;  // keep runs small
    std::vector<CArray<double, double>> doubles(static_cast<size_t>(channels));
    std::vector<CStringArray> strings(static_cast<size_t>(channels));
    std::vector<CArray<COleVariant, COleVariant>> variants(static_cast<size_t>(channels));
    std::vector<double*> raw(static_cast<size_t>(channels), nullptr);
    for (int i = 0; i < channels; ++i) {
        CExImPortChannel* channel = engine.GetChannel(i);
        if (!channel) continue;
        switch (i % 4) {
            case 0:
                raw[static_cast<size_t>(i)] = new double[static_cast<size_t>(items > 0 ? items : 1)];
                channel->SetDoublePtr(raw[static_cast<size_t>(i)]);
                break;
            case 1: channel->SetDoubleArray(&doubles[static_cast<size_t>(i)]); break;
            case 2: channel->SetStringArray(&strings[static_cast<size_t>(i)]); break;
            default: channel->SetVariantArray(&variants[static_cast<size_t>(i)]); break;
        }
    }
    engine.ReadDataFile();
    for (int i = 0; i < channels; ++i) {
        if (CExImPortChannel* channel = engine.GetChannel(i)) *channel = CExImPortChannel();
        delete[] raw[static_cast<size_t>(i)];
    }
}

/// A configuration of analog and digital channels with small counts and the data
/// type chosen by mode (ASCII, BINARY, BINARY32, FLOAT32), rates on or off.
inline std::string Configuration(int analog, int digital, int items, int mode, bool rates) {
    static const char* const types[] = {"ASCII", "BINARY", "BINARY32", "FLOAT32"};
    std::string text = "st,dev,2013\r\n" + std::to_string(analog + digital) + "," + std::to_string(analog) + "A," +
                       std::to_string(digital) + "D\r\n";
    for (int i = 0; i < analog; ++i)
        text += std::to_string(i + 1) + ",A" + std::to_string(i) + ",,,kV,0.5,1,0,-32767,32767," +
                (i % 2 ? "2,1,S" : "1,1,P") + "\r\n";
    for (int i = 0; i < digital; ++i) text += std::to_string(i + 1) + ",D" + std::to_string(i) + ",,,0\r\n";
    text += "50\r\n1\r\n" + std::string(rates ? "1000," : "0,") + std::to_string(items) + "\r\nx\r\nx\r\n" +
            types[mode] + "\r\n1\r\n";
    return text;
}

}  // namespace comtrade_fuzz
