// Custom densities: loading a 1,000-point table (whose grid becomes about 100 million
// points) and drawing values from it; uniform values for comparison. The peak resident
// memory of the process is reported with the load.
#include <toolbox/services/random_values.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

/// A 1,000-point density (a bell over 0 .. 999, abscissae one apart) in a temporary file.
const std::string& DensityFile() {
    static const std::string name = [] {
        // A .csv file is read in the user's numeric locale: pin it to C ("," and ".").
        setenv("LC_ALL", "C", 1);
        std::string path = "/tmp/bench_random_values_" + std::to_string(getpid()) + ".csv";
        FILE* f = std::fopen(path.c_str(), "w");
        std::fprintf(f, "\"x\",\"density\"\n");
        for (int k = 0; k < 1000; ++k) std::fprintf(f, "%d,%.9g\n", k, std::exp(-0.5 * std::pow((k - 500) / 120.0, 2)));
        std::fclose(f);
        return path;
    }();
    return name;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void LoadCustomPDF(benchmark::State& state) {
    CTBRnd rnd;
    for (auto _ : state) benchmark::DoNotOptimize(rnd.LoadCustomPDF(DensityFile().c_str()));
    state.counters["peak_MB"] = PeakMegabytes();
}

void GetCustomRNDValue(benchmark::State& state) {
    CTBRnd rnd;
    rnd.LoadCustomPDF(DensityFile().c_str());
    double value = 0;
    for (auto _ : state) {
        rnd.GetCustomRNDValue(DensityFile().c_str(), value);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void GetUniformRndValue(benchmark::State& state) {
    CTBRnd rnd;
    for (auto _ : state) benchmark::DoNotOptimize(rnd.GetUniformRndValue(-1.0, 1.0));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(LoadCustomPDF)->Unit(benchmark::kMillisecond);
BENCHMARK(GetCustomRNDValue);
BENCHMARK(GetUniformRndValue);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(DensityFile().c_str());
    return 0;
}
