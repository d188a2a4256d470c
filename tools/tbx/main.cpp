// tbx: the toolbox library from the shell.
#include "commands.h"

#include <toolbox/version.h>

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* summary;
};

const Command kCommands[] = {
    {"num", RunNumCommand, "num format|parse ...   engineering numbers (tbx num --help)"},
    {"xx", RunXXCommand, "xx encode|decode IN OUT   XXencode text (tbx xx --help)"},
    {"profile", RunProfileCommand, "profile get|set|section|normalize ...   INI files (tbx profile --help)"},
    {"lang", RunLangCommand, "lang [string|name|list] ...   languages (tbx lang --help)"},
    {"calc", RunCalcCommand, "calc FORMULA...         simplify formulas (tbx calc --help)"},
    {"info", RunInfoCommand, "info FILE              channels, units and items of a data file"},
    {"convert", RunConvertCommand, "convert IN OUT [...]   converts a data file (tbx convert --help)"},
    {"units", RunUnitsCommand, "units list|convert ...   quantities and unit conversion (tbx units --help)"},
    {"materials", RunMaterialsCommand, "materials [NAME]        the materials catalogue (tbx materials --help)"},
    {"gallery", RunGalleryCommand, "gallery -o DIR          every control and dialog drawn into PNG files"},
    {"plot", RunPlotCommand, "plot FILE -o OUT.png|OUT.svg [...]   channels drawn as a line plot (tbx plot --help)"},
    {"view", RunViewCommand, "view [FILE...] [...]    waveform and table viewer (tbx view --help)"},
    {"image", RunImageCommand, "image convert IN OUT   converts a BMP, GIF, JPEG, PNG or TIFF picture"},
    {"zip", RunZipCommand, "zip list|add|extract ...   zip archives (tbx zip --help)"},
    {"mail", RunMailCommand, "mail --to ADDRESS FILE...   sends files over SMTP (tbx mail --help)"},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: tbx COMMAND [ARGS...] | tbx --version\n\ncommands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.summary);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        // The headers tbx was built with and the library it runs with may differ.
        std::printf("tbx %s (library %s)\n", TB_VERSION_TEXT, TBGetVersionText());
        return 0;
    }
    for (const Command& c : kCommands) {
        if (!std::strcmp(argv[1], c.name)) return c.run(Arguments(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "tbx: unknown command \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
