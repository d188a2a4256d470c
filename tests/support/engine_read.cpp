#include "tests/support/engine_read.h"

namespace tbtest {

ChannelRead::ChannelRead(const std::string& path, const char* separator, const char* decimal, int fileKind,
                         ChannelGap gap) {
    info = engine.ReadInfoFile(path.c_str(), "", -1, separator, decimal, 0, 0, fileKind);
    if (info == 0) return;
    for (int i = 0; i < engine.GetNrChannels(); ++i) {
        values.push_back(std::make_unique<CArray<double, double>>());
        if (i == gap.channel) {
            if (gap.emptySlot) engine.ReplaceChannelSlot(i, nullptr);
        } else if (CExImPortChannel* channel = engine.GetChannel(i)) {
            channel->SetDoubleArray(values.back().get());
        }
    }
    data = engine.ReadDataFile();
}

std::string ChannelRead::Name(int channel) const { return engine.GetChannel(channel)->GetChannelName().GetString(); }

std::string ChannelRead::Unit(int channel) const { return engine.GetChannel(channel)->GetUnitName().GetString(); }

std::vector<std::string> ChannelRead::Names() const {
    std::vector<std::string> names;
    for (int c = 0; c < Channels(); ++c) names.push_back(Name(c));
    return names;
}

std::vector<std::string> ChannelRead::Units() const {
    std::vector<std::string> units;
    for (int c = 0; c < Channels(); ++c) units.push_back(Unit(c));
    return units;
}

std::vector<double> ChannelRead::Column(int channel) const {
    std::vector<double> column;
    for (int row = 0; row < Size(channel); ++row) column.push_back(At(channel, row));
    return column;
}

}  // namespace tbtest
