// tbx view [FILE...]: the waveform and table viewer (tools/tbx/view).
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if TOOLBOX_HAS_UI
#include "view/view_app.h"
#endif

namespace {

const char kViewUsage[] =
    "usage: tbx view [FILE...] [--screenshot OUT.png [--size WxH]] [--channels LIST] [--timing]\n"
    "Opens data files (any format tbx info reads), SPICE netlists and listings in a window:\n"
    "the channels in a list, the ticked ones plotted over each file's first channel.\n"
    "--screenshot OUT.png  draws the window into OUT.png and exits (works without a display)\n"
    "--size WxH            window size in pixels (default: the last placement, 1100x700\n"
    "                      for screenshots)\n"
    "--channels LIST       channels to plot, by name or number from 1, separated by commas\n"
    "                      (default: the three after each file's first)\n"
    "--timing              prints how long reading and the first picture took\n";

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "tbx view: %s\n", why);
    std::fputs(kViewUsage, stderr);
    return 2;
}

}  // namespace

int RunViewCommand(const Arguments& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kViewUsage, stdout);
        return 0;
    }
#if TOOLBOX_HAS_UI
    ViewOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "--screenshot" || a == "--size" || a == "--channels";
        if (takesValue && i + 1 >= args.size()) return Usage((a + " needs a value").c_str());
        if (a == "--screenshot") {
            o.screenshot = args[++i].c_str();
        } else if (a == "--size") {
            if (!ParsePictureSize(args[++i], 200, 150, 8000, o.width, o.height)) return Usage("--size takes WxH, from 200x150 to 8000x8000");
        } else if (a == "--channels") {
            const std::string& list = args[++i];
            std::size_t start = 0;
            while (start <= list.size()) {
                const std::size_t comma = list.find(',', start);
                o.channels.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start).c_str());
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--timing") {
            o.timing = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else {
            o.files.push_back(a.c_str());
        }
    }
    if (!o.screenshot.IsEmpty() && o.files.empty()) return Usage("--screenshot needs a file to show");
    return RunViewer(o);
#else
    std::fprintf(stderr, "tbx view: this tbx was built without the window library\n");
    return 1;
#endif
}
