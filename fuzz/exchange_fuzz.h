// Shared by the exchange fuzz targets: the input written to scratch files in
// memory-backed /dev/shm, read through the engine with every kind of channel storage
// in turn. Raw blocks are sized exactly to NrItems, so AddressSanitizer catches any
// write past them; some channels get no storage, where the reader must stop cleanly.
#pragma once

#include <toolbox/exchange/engine.h>
#include "fuzz_files.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace exchange_fuzz {

using fuzz_input::ScratchFile;
using fuzz_input::WriteFile;

/// How much a run may read, and which checks end it with a crash report.
struct Limits {
    int maxChannels = 4096;           ///< a channel object per header token: larger files skip the data step
    int maxItems = INT_MAX;           ///< larger files skip the data step
    bool everyChannelStored = false;  ///< no channel is left without storage
    /// Every item needs at least one byte of input and no array grows past NrItems:
    /// anything else is unbounded allocation.
    bool itemsBoundedByInput = false;
};

/// Storage of every kind attached to the engine's channels in turn, detached and freed
/// when the object goes.
class ChannelStorage {
public:
    ChannelStorage(CReadAndWriteFileFunction& engine, bool everyChannelStored)
        : m_engine(engine), m_items(engine.GetNrItems()), m_doubles(Count()), m_strings(Count()), m_variants(Count()) {
        // Raw blocks for small item counts only: a huge NrItems must not allocate up front.
        const bool smallBlocks = m_items >= 0 && m_items <= (1 << 16);
        for (int i = 0; i < engine.GetNrChannels(); ++i) {
            CExImPortChannel* channel = engine.GetChannel(i);
            if (!channel) continue;
            switch (i % (everyChannelStored ? 4 : 5)) {
                case 0:
                    if (smallBlocks) {
                        m_raw.push_back(std::make_unique<double[]>(static_cast<size_t>(m_items > 0 ? m_items : 1)));
                        channel->SetDoublePtr(m_raw.back().get());
                        break;
                    }
                    [[fallthrough]];
                case 1: channel->SetDoubleArray(&m_doubles[static_cast<size_t>(i)]); break;
                case 2: channel->SetStringArray(&m_strings[static_cast<size_t>(i)]); break;
                case 3: channel->SetVariantArray(&m_variants[static_cast<size_t>(i)]); break;
                default: break;
            }
        }
    }
    ~ChannelStorage() {
        for (int i = 0; i < m_engine.GetNrChannels(); ++i)
            if (CExImPortChannel* channel = m_engine.GetChannel(i)) *channel = CExImPortChannel();
    }
    ChannelStorage(const ChannelStorage&) = delete;
    ChannelStorage& operator=(const ChannelStorage&) = delete;

    bool ArrayGrewPastItems() const {
        for (const CArray<double, double>& array : m_doubles)
            if (m_items > 0 && array.GetSize() > m_items) return true;
        return false;
    }

private:
    size_t Count() const { return static_cast<size_t>(m_engine.GetNrChannels()); }

    CReadAndWriteFileFunction& m_engine;
    int m_items;
    std::vector<std::unique_ptr<double[]>> m_raw;
    std::vector<CArray<double, double>> m_doubles;
    std::vector<CStringArray> m_strings;
    std::vector<CArray<COleVariant, COleVariant>> m_variants;
};

/// The data step of an engine whose information step succeeded: storage attached,
/// dataStep run (ReadDataFile, or a format's own step), storage released.
inline void ReadData(CReadAndWriteFileFunction& engine, const Limits& limits = {}, size_t inputSize = 0,
                     int (CReadAndWriteFileFunction::*dataStep)() = &CReadAndWriteFileFunction::ReadDataFile) {
    const int items = engine.GetNrItems();
    if (limits.itemsBoundedByInput && (items < 0 || static_cast<size_t>(items) > inputSize + 1)) std::abort();
    if (engine.GetNrChannels() > limits.maxChannels || items > limits.maxItems) return;
    ChannelStorage storage(engine, limits.everyChannelStored);
    (engine.*dataStep)();
    if (limits.itemsBoundedByInput && storage.ArrayGrewPastItems()) std::abort();
}

/// Both steps on path, the format chosen by the engine's dispatch.
inline void ReadFile(const std::string& path, const Limits& limits = {}, size_t inputSize = 0) {
    CReadAndWriteFileFunction engine;
    if (engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2)) ReadData(engine, limits, inputSize);
}

/// The input as a file with extension, read through the dispatch.
inline void ReadInputAs(const uint8_t* data, size_t size, const char* target, const char* extension,
                        const Limits& limits = {}) {
    const std::string path = ScratchFile(target, extension);
    if (WriteFile(path, data, size)) ReadFile(path, limits, size);
}

/// A COMTRADE configuration of analog and digital channels with small counts and the
/// data type chosen by mode (ASCII, BINARY, BINARY32, FLOAT32), rates on or off.
inline std::string ComtradeConfiguration(int analog, int digital, int items, int mode, bool rates) {
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

/// COMTRADE runs stay small: every channel stored, few channels and samples.
inline Limits ComtradeLimits() {
    Limits limits;
    limits.maxChannels = 2048;
    limits.maxItems = 100000;
    limits.everyChannelStored = true;
    return limits;
}

}  // namespace exchange_fuzz
