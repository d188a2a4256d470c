// TBConvertUnits between two units of one quantity that are both not the base unit,
// over 1,000,000 varied value texts per iteration: degrees Fahrenheit to degrees
// Celsius (offset formulas), kilohm to megohm, and, for comparison, the same
// conversions with every value reduced by the formula plug-ins. Run from the build
// tree (the default catalogue is read from template/ beside the library):
// build/bench/bench_units
#include <toolbox/units/unit_manager.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kValueCount = 1'000'000;

const std::vector<std::string>& Values() {
    static const std::vector<std::string> values = [] {
        std::vector<std::string> v(kValueCount);
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> value(-500.0, 5000.0);
        char text[32];
        for (std::string& s : v) {
            std::snprintf(text, sizeof(text), "%.6g", value(rng));
            s = text;
        }
        return v;
    }();
    return values;
}

void Convert(benchmark::State& state, const char* quantity, const char* from, const char* to) {
    const std::vector<std::string>& values = Values();
    CString out;
    if (!TBConvertUnits(quantity, from, "1", to, out)) {
        state.SkipWithError("the default catalogue or the formula plug-ins are missing");
        return;
    }
    for (auto _ : state) {
        for (const std::string& v : values) {
            TBConvertUnits(quantity, from, v.c_str(), to, out);
            benchmark::DoNotOptimize(out.GetString());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * values.size()));
}

void BM_FahrenheitToCelsius(benchmark::State& state) { Convert(state, "Temperature", "\\deg\\F", "\\deg\\C"); }
void BM_KiloohmToMegaohm(benchmark::State& state) { Convert(state, "Resistance", "k\\Ohm\\", "M\\Ohm\\"); }

// The plug-in route, on 10,000 values: what every conversion would cost without the
// compiled unit pairs.
void BM_FahrenheitToCelsiusThroughPlugIns(benchmark::State& state) {
    CUnitManager manager;
    manager.ReadUnitCfg(nullptr);
    manager.SetConversionCache(0);
    const std::vector<std::string>& values = Values();
    CString out;
    for (auto _ : state) {
        for (size_t i = 0; i < 10000; ++i) {
            manager.Convert("Temperature", "\\deg\\F", values[i].c_str(), "\\deg\\C", out);
            benchmark::DoNotOptimize(out.GetString());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 10000));
}

BENCHMARK(BM_FahrenheitToCelsius)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KiloohmToMegaohm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FahrenheitToCelsiusThroughPlugIns)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
