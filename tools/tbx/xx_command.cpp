// tbx xx: XXencode a file into the codec's continuous text form, or decode such text.
// OUT is written under the library's output rule (<toolbox/os/output_file.h>): a file is
// staged and renamed into place only when everything succeeded, so a failure never
// leaves a half-written OUT behind; a link's file is replaced, a pipe or device written.
#include <toolbox/os/output_file.h>
#include <toolbox/services/xxcode.h>
#include "commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: tbx xx encode IN OUT\n"
    "       tbx xx decode IN OUT\n"
    "encode writes the bytes of IN as XXencode text (lines of 45 bytes without line\n"
    "breaks, ended by \"+\"); decode turns such text back into bytes. IN or OUT \"-\"\n"
    "means standard input or output.\n";

struct InputFile {
    FILE* file = nullptr;
    bool owned = false;
    ~InputFile() {
        if (owned && file) std::fclose(file);
    }
};

bool OpenInput(const std::string& name, InputFile& input) {
    if (name == "-") {
        input.file = stdin;
        return true;
    }
    input.file = std::fopen(name.c_str(), "rb");
    input.owned = input.file != nullptr;
    if (!input.file) std::fprintf(stderr, "tbx xx: cannot open %s: %s\n", name.c_str(), std::strerror(errno));
    return input.file != nullptr;
}

int Convert(bool encode, FILE* in, FILE* out) {
    CTBXXCode codec;
    return encode ? codec.xxe_EncodeFileToFile(in, out) : codec.xxe_DecodeFileToFile(in, out);
}

int RunToStdout(bool encode, FILE* in, const std::string& inName) {
    int converted = Convert(encode, in, stdout);
    int error = errno;
    if (!converted && std::ferror(in)) {
        std::fprintf(stderr, "tbx xx: cannot read %s: %s\n", inName.c_str(), std::strerror(error));
        return 1;
    }
    if (!converted || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "tbx xx: cannot write to standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

int RunToFile(bool encode, FILE* in, const std::string& inName, const std::string& outName) {
    TBOutputFile output;
    if (!output.Open(outName.c_str())) {
        std::fprintf(stderr, "tbx xx: cannot write %s: %s\n", outName.c_str(), std::strerror(errno));
        return 1;
    }
    // The codec writes through a stream; it gets its own descriptor so that closing the
    // stream leaves the output's descriptor for Commit.
    int fd = dup(output.Descriptor());
    FILE* out = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (!out) {
        if (fd >= 0) close(fd);
        std::fprintf(stderr, "tbx xx: cannot write %s: %s\n", outName.c_str(), std::strerror(errno));
        return 1;
    }
    int converted = Convert(encode, in, out);
    int error = errno;
    bool readFailed = !converted && std::ferror(in);
    bool done = converted != 0;
    if (std::fclose(out) != 0 && done) {
        done = false;
        error = errno;
    }
    if (done && !output.Commit()) {
        done = false;
        error = errno;
    }
    if (!done) {
        const std::string& name = readFailed ? inName : outName;
        std::fprintf(stderr, "tbx xx: cannot %s %s: %s\n", readFailed ? "read" : "write", name.c_str(),
                     std::strerror(error));
        return 1;
    }
    return 0;
}

}  // namespace

int RunXXCommand(const Arguments& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if ((args[0] != "encode" && args[0] != "decode") || args.size() != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    bool encode = args[0] == "encode";
    InputFile input;
    if (!OpenInput(args[1], input)) return 1;
    const std::string& inName = args[1] == "-" ? "standard input" : args[1];
    return args[2] == "-" ? RunToStdout(encode, input.file, inName) : RunToFile(encode, input.file, inName, args[2]);
}
