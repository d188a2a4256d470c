// Helpers of the SPICE tests: running the installed ngspice and reading a file
// through the engine into double arrays.
#pragma once

#include <toolbox/exchange/engine.h>
#include "exchange_test_util.h"

#include <memory>
#include <string>
#include <vector>

inline bool NgspiceAvailable() { return std::system("command -v ngspice >/dev/null 2>&1") == 0; }

/// Runs ngspice in batch mode in dir; options such as "-o out.log" or "-r out.raw".
inline bool RunNgspice(const std::string& dir, const std::string& netlist, const std::string& options,
                       const std::string& environment = "") {
    const std::string command =
        "cd '" + dir + "' && " + environment + " timeout 60 ngspice -b " + options + " " + netlist + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

/// A whole read (information and data step) with one double array per channel.
struct ReadChannels {
    CReadAndWriteFileFunction engine;
    std::vector<std::unique_ptr<CArray<double, double>>> values;
    int info = -1;
    int data = -1;

    explicit ReadChannels(const std::string& path) {
        info = engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2);
        if (info == 0) return;
        for (int i = 0; i < engine.GetNrChannels(); ++i) {
            values.push_back(std::make_unique<CArray<double, double>>());
            if (CExImPortChannel* ch = engine.GetChannel(i)) ch->SetDoubleArray(values.back().get());
        }
        data = engine.ReadDataFile();
    }
    std::string Name(int i) const { return std::string(engine.GetChannel(i)->GetChannelName()); }
    std::string Unit(int i) const { return std::string(engine.GetChannel(i)->GetUnitName()); }
    double At(int channel, int row) const { return (*values[channel])[row]; }
    int Size(int channel) const { return values[channel]->GetSize(); }
};
