// tbx plot FILE -o OUT.png: the channels of any data file drawn as a line plot.
#include "commands.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if TOOLBOX_HAS_UI
#include <toolbox/ui/plot.h>
#include <toolbox/ui/window_layer.h>
#endif

namespace {

const char kPlotUsage[] =
    "usage: tbx plot FILE -o OUT.png|OUT.svg [--channels LIST] [--x CHANNEL] [--size WxH]\n"
    "Draws channels of a data file (any format tbx info reads) as lines over the x\n"
    "channel, with axes, grid, engineering-number ticks and a legend.\n"
    "--channels LIST  channels to draw, by name or else by number (from 1), separated\n"
    "                 by commas\n"
    "                 (default: every channel but the x channel)\n"
    "--x CHANNEL      the x axis channel by name or number, or \"index\" for the sample\n"
    "                 number (default: channel 1 when the file has more than one)\n"
    "--size WxH       picture size in pixels (default 1280x720)\n"
    "OUT ending in .svg is written as SVG, anything else as PNG.\n";

struct PlotOptions {
    std::string file, output, channels, x;
    int width = 1280, height = 720;
};

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "tbx plot: %s\n", why);
    std::fputs(kPlotUsage, stderr);
    return 2;
}

int ParseOptions(const Arguments& args, PlotOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "-o" || a == "--channels" || a == "--x" || a == "--size";
        if (takesValue && i + 1 >= args.size()) return Usage((a + " needs a value").c_str());
        if (a == "-o")
            o.output = args[++i];
        else if (a == "--channels")
            o.channels = args[++i];
        else if (a == "--x")
            o.x = args[++i];
        else if (a == "--size") {
            if (!ParsePictureSize(args[++i], 16, 16, 20000, o.width, o.height)) return Usage("--size takes WxH, each from 16 to 20000");
        } else if (a.size() > 1 && a[0] == '-')
            return Usage(("unknown option " + a).c_str());
        else if (o.file.empty())
            o.file = a;
        else
            return Usage("one data file only");
    }
    if (o.file.empty() || o.output.empty()) return Usage(nullptr);
    return 0;
}

#if TOOLBOX_HAS_UI
/// The channel a --channels or --x item names: a channel name, else a number from 1
/// (SPICE nodes are often named by numbers); -1 if none.
int FindChannel(const std::vector<LoadedChannel>& channels, const std::string& item) {
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (channels[i].name == item) return static_cast<int>(i);
    char* end = nullptr;
    const long number = std::strtol(item.c_str(), &end, 10);
    if (!item.empty() && end && !*end && number >= 1 && number <= static_cast<long>(channels.size()))
        return static_cast<int>(number - 1);
    return -1;
}

/// The curves to draw; false after printing which item names no channel.
bool ChooseCurves(const std::vector<LoadedChannel>& channels, const std::string& list, int xChannel,
                  std::vector<int>& curves) {
    if (list.empty()) {
        for (int i = 0; i < static_cast<int>(channels.size()); ++i)
            if (i != xChannel) curves.push_back(i);
        return true;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const int index = FindChannel(channels, item);
        if (index < 0) {
            std::fprintf(stderr, "tbx plot: no channel \"%s\" (the file has %zu)\n", item.c_str(), channels.size());
            return false;
        }
        curves.push_back(index);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}
#endif

}  // namespace

int RunPlotCommand(const Arguments& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kPlotUsage, stdout);
        return 0;
    }
    PlotOptions o;
    if (int status = ParseOptions(args, o)) return status;
#if TOOLBOX_HAS_UI
    std::vector<LoadedChannel> channels;
    if (!LoadChannels(o.file, "plot", channels)) return 1;
    if (channels.empty()) {
        std::fprintf(stderr, "tbx plot: %s holds no channels\n", o.file.c_str());
        return 1;
    }
    int xChannel = channels.size() > 1 ? 0 : -1;
    if (o.x == "index")
        xChannel = -1;
    else if (!o.x.empty() && (xChannel = FindChannel(channels, o.x)) < 0) {
        std::fprintf(stderr, "tbx plot: no channel \"%s\" for the x axis\n", o.x.c_str());
        return 1;
    }
    std::vector<int> curves;
    if (!ChooseCurves(channels, o.channels, xChannel, curves)) return 1;
    if (curves.empty()) {
        std::fprintf(stderr, "tbx plot: no channel to draw besides the x axis\n");
        return 1;
    }
    auto describe = [](const LoadedChannel& c) {
        TBPlotChannel p;
        p.name = c.name.c_str();
        p.unit = c.unit.c_str();
        p.values = c.values.GetData();
        p.count = c.values.GetSize();
        return p;
    };
    TBPlotData data;
    if (xChannel >= 0) data.x = describe(channels[xChannel]);
    for (int index : curves) data.curves.push_back(describe(channels[index]));
    const std::size_t slash = o.file.find_last_of('/');
    data.title = o.file.substr(slash == std::string::npos ? 0 : slash + 1).c_str();

    if (!TBStartWindowLayer()) {
        std::fprintf(stderr, "tbx plot: the window library could not start\n");
        return 1;
    }
    CString error;
    const BOOL done = TBRenderPlot(data, o.width, o.height, o.output.c_str(), &error);
    TBStopWindowLayer();
    if (!done) {
        std::fprintf(stderr, "tbx plot: %s\n", error.GetString());
        return 1;
    }
    return 0;
#else
    std::fprintf(stderr, "tbx plot: this tbx was built without the window library\n");
    return 1;
#endif
}

bool ParsePictureSize(const std::string& text, int leastWidth, int leastHeight, int most, int& width, int& height) {
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end || w < leastWidth || h < leastHeight || w > most || h > most) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}
