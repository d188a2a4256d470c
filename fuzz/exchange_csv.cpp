// Delimited text reader: scan plus value read of arbitrary bytes, with the separator,
// decimal symbol, start line and merge flag taken from the first input bytes.
#include "exchange_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const char* const kSeparators[] = {";", ",", "\t", " ", ";\t", "", "|.", "e"};
    static const char* const kDecimals[] = {".", ",", "", "::"};
    const char* separator = kSeparators[data[0] % 8];
    const char* decimal = kDecimals[data[1] % 4];
    const int startLine = data[2] % 4;
    const int merge = (data[3] >> 4) & 1;
    const int csv = (data[3] >> 5) & 1;
    const std::string path = exchange_fuzz::ScratchFile("exchange_csv", csv ? ".csv" : ".txt");
    if (!exchange_fuzz::WriteFile(path, data + 4, size - 4)) return 0;

    CReadAndWriteFileFunction engine;
    engine.FileKind = csv ? 5 : 4;
    if (engine.ReadInfoCSVFile(path.c_str(), separator, decimal, startLine, merge))
        exchange_fuzz::ReadData(engine, {}, size, &CReadAndWriteFileFunction::ReadDataCSVFile);
    return 0;
}
