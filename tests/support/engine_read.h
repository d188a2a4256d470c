// Reading a whole file through the exchange engine as a host does: the information
// step, one double array per channel, the data step.
#pragma once

#include <toolbox/exchange/engine.h>

#include <memory>
#include <string>
#include <vector>

namespace tbtest {

/// A channel the data step finds without storage (emptySlot false) or with its slot
/// emptied (true); channel -1 leaves none out.
struct ChannelGap {
    int channel = -1;
    bool emptySlot = false;
};

struct ChannelRead {
    /// Reads path; separator and decimal as ReadInfoFile takes them (null: the
    /// engine's choice), fileKind 2 reads the whole file; gap leaves one channel out.
    explicit ChannelRead(const std::string& path, const char* separator = nullptr, const char* decimal = nullptr,
                         int fileKind = 2, ChannelGap gap = {});

    CReadAndWriteFileFunction engine;
    std::vector<std::unique_ptr<CArray<double, double>>> values;
    int info = -1;  ///< ReadInfoFile's result
    int data = -1;  ///< ReadDataFile's result (-1 when the information step failed)

    int Channels() const { return static_cast<int>(values.size()); }
    std::string Name(int channel) const;
    std::string Unit(int channel) const;
    /// Every channel's name, unit; the values read into one channel.
    std::vector<std::string> Names() const;
    std::vector<std::string> Units() const;
    std::vector<double> Column(int channel) const;
    double At(int channel, int row) const { return (*values[channel])[row]; }
    int Size(int channel) const { return values[channel]->GetSize(); }
    std::string Error() const { return engine.GetLastError().GetString(); }
    std::string Warnings() const { return engine.GetLastWarn().GetString(); }
};

}  // namespace tbtest
