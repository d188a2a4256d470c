// The colouring editor's model on a 100,000-line SPICE netlist coloured by the shipped
// description: loading and colouring everything, one keystroke in the middle with
// re-colouring until the range state is stable again, and the pattern engine alone.
//   build/bench/bench_coloredit
#include "controls/coloredit/model/line_list.h"
#include "controls/coloredit/model/pattern.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kSpice = std::string(TOOLBOX_SOURCE_DIR) + "/controls/coloredit/data/toolbox-syntax/spice.syn";

std::string Netlist(int lines) {
    static const char* const kLines[] = {
        "R{} n{} n{}x 4.7k ; load resistor",
        "C{} n{} 0 100n IC=0",
        "Vs{} in{} 0 PULSE(0 5 0 10n 10n {{0.5/fsw}} {{1/fsw}})",
        "* stage {} of the ladder",
        ".model D{} D(Is=1e-14 Rs=0.01)",
        "X{} a{} b{} filter",
        "+ rmin=1.2 rmax=4.7",
    };
    std::string text;
    for (int i = 0; i < lines; ++i) {
        std::string line = kLines[i % 7];
        const std::string n = std::to_string(i);
        for (std::size_t at; (at = line.find("{}")) != std::string::npos;) line.replace(at, 2, n);
        for (std::size_t at; (at = line.find("{{")) != std::string::npos;) line.replace(at, 2, "{");
        for (std::size_t at; (at = line.find("}}")) != std::string::npos;) line.replace(at, 2, "}");
        text += line;
        text += '\n';
    }
    return text;
}

CTBSyntaxDscrColorRichEdit& Spice() {
    static CTBSyntaxDscrColorRichEdit description;
    if (description.GetTokenCount() == 0) TBLoadSyntaxDescrforColorRichEdit(kSpice.c_str(), &description);
    return description;
}

void LoadAndColour(benchmark::State& state) {
    const std::string text = Netlist(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tb_coloredit::CLineList lines;
        lines.SetText(text);
        lines.Colour(0, lines.GetCount() - 1, false, &Spice());
        benchmark::DoNotOptimize(lines.Line(lines.GetCount() / 2).GetColorDscr().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(LoadAndColour)->Arg(100000)->Unit(benchmark::kMillisecond);

/// Types and deletes a character in the middle, re-colouring as the editor does.
void KeystrokeInTheMiddle(benchmark::State& state) {
    tb_coloredit::CLineList lines;
    lines.SetText(Netlist(100000));
    lines.Colour(0, lines.GetCount() - 1, false, &Spice());
    const tb_coloredit::CTextPlace at{50000, 3};
    for (auto _ : state) {
        lines.Replace(at, at, "7");
        lines.Colour(at.line, at.line, true, &Spice());
        lines.Replace(at, {at.line, at.offset + 1}, "");
        benchmark::DoNotOptimize(lines.Colour(at.line, at.line, true, &Spice()));
    }
}
BENCHMARK(KeystrokeInTheMiddle)->Unit(benchmark::kMicrosecond);

/// Opening a comment range on a line whose close comes much later re-colours every
/// line up to the close.
void OpeningARangeRecoloursToItsClose(benchmark::State& state) {
    tb_coloredit::CLineList lines;
    lines.SetText(Netlist(100000));
    lines.Colour(0, lines.GetCount() - 1, false, &Spice());
    const tb_coloredit::CTextPlace at{50000, 0};
    for (auto _ : state) {
        lines.Replace(at, at, "{");  // an expression range that the next "}" closes
        lines.Colour(at.line, at.line, true, &Spice());
        lines.Replace(at, {at.line, 1}, "");
        benchmark::DoNotOptimize(lines.Colour(at.line, at.line, true, &Spice()));
    }
}
BENCHMARK(OpeningARangeRecoloursToItsClose)->Unit(benchmark::kMicrosecond);

void PatternSearch(benchmark::State& state) {
    tb_coloredit::CPattern number;
    number.Compile("[-+]?[0-9]+\\.?[0-9]*([eE][-+]?[0-9]+)?[a-zA-Z]*");
    const std::string line = "Vs12 in12 0 PULSE(0 5 0 10n 10n {0.5/fsw} {1/fsw}) ; source of stage twelve";
    for (auto _ : state) {
        int offset = 0, length = 0;
        std::size_t from = 0;
        int found = 0;
        while (from < line.size() && number.Search(line, from, offset, length)) {
            from += static_cast<std::size_t>(offset + std::max(length, 1));
            ++found;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(PatternSearch);

}  // namespace

BENCHMARK_MAIN();
