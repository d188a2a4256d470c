// tbx num: engineering number formatting and parsing from the shell.
#include <toolbox/services/numbers.h>
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

const char kUsage[] =
    "usage: tbx num format [--digits N] [--spaced] [--separator S] [VALUE...]\n"
    "       tbx num parse [--separator S] [TEXT...]\n"
    "Without values, whitespace-separated values are read from standard input.\n"
    "format prints each value with its engineering prefix (digits -1: 15 significant\n"
    "digits, else decimals); parse prints each text's value with 17 significant digits.\n";

struct NumOptions {
    short digits = -1;
    int spaced = 0;
    CString separator;
    Arguments values;
};

bool ParseOptions(const Arguments& args, size_t first, NumOptions& options) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--spaced") {
            options.spaced = 1;
        } else if ((a == "--digits" || a == "--separator") && i + 1 < args.size()) {
            if (a == "--digits") {
                char* end = nullptr;
                long d = std::strtol(args[++i].c_str(), &end, 10);
                if (*end || d < -1 || d > 1000) {
                    std::fprintf(stderr, "tbx num: --digits takes a number from -1 to 1000\n");
                    return false;
                }
                options.digits = static_cast<short>(d);
            } else {
                options.separator = args[++i].c_str();
            }
        } else if (a == "--") {
            options.values.insert(options.values.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "tbx num: unknown option %s\n", a.c_str());
            return false;
        } else {
            options.values.push_back(a);
        }
    }
    return true;
}

template <class Each>
void ForEachValue(const NumOptions& options, Each each) {
    if (!options.values.empty()) {
        for (const std::string& v : options.values) each(v);
        return;
    }
    std::string token;
    while (std::cin >> token) each(token);
}

}  // namespace

int RunNumCommand(const Arguments& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    NumOptions options;
    if (!ParseOptions(args, 1, options)) return 2;
    if (args[0] == "format") {
        bool allNumbers = true;
        ForEachValue(options, [&](const std::string& v) {
            char* end = nullptr;
            double value = std::strtod(v.c_str(), &end);
            if (end == v.c_str() || *end) {
                std::fprintf(stderr, "tbx num: \"%s\" is not a number\n", v.c_str());
                allNumbers = false;
                return;
            }
            CString text = TBExtended_ftoa(value, options.digits, options.spaced, options.separator);
            std::printf("%s\n", text.GetString());
        });
        return allNumbers ? 0 : 1;
    }
    if (args[0] == "parse") {
        ForEachValue(options, [&](const std::string& v) {
            std::printf("%.17g\n", TBExtended_atof(CString(v), options.separator));
        });
        return 0;
    }
    std::fprintf(stderr, "tbx num: unknown operation \"%s\"\n%s", args[0].c_str(), kUsage);
    return 2;
}
