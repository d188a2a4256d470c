// Command families of the tbx program. Each takes the arguments after its own name
// and returns the process exit status (0 success, 1 failure, 2 usage error).
#pragma once

#include <toolbox/types/collections.h>

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int RunNumCommand(const Arguments& args);
int RunXXCommand(const Arguments& args);
int RunProfileCommand(const Arguments& args);
int RunLangCommand(const Arguments& args);
int RunCalcCommand(const Arguments& args);
int RunInfoCommand(const Arguments& args);
int RunConvertCommand(const Arguments& args);
int RunUnitsCommand(const Arguments& args);
int RunMaterialsCommand(const Arguments& args);
int RunGalleryCommand(const Arguments& args);
int RunImageCommand(const Arguments& args);
int RunZipCommand(const Arguments& args);
int RunMailCommand(const Arguments& args);
int RunPlotCommand(const Arguments& args);
int RunViewCommand(const Arguments& args);

/// Reads a picture size "WxH" (or "WXH"); false unless both are whole numbers from
/// the least to the most given.
bool ParsePictureSize(const std::string& text, int leastWidth, int leastHeight, int most, int& width, int& height);

/// The channels of a data file read through the exchange engine, with their values.
struct LoadedChannel {
    std::string name;
    std::string unit;
    CArray<double, double> values;  // grown by the reader to the values the file holds
};
/// Reads every channel of path as tbx info and tbx convert do; false after printing
/// the error (prefixed "tbx command:") to standard error.
bool LoadChannels(const std::string& path, const char* command, std::vector<LoadedChannel>& channels);
