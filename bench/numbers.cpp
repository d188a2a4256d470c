// Engineering numbers against the plain route: TBExtended_ftoa(x, -1, 0, "") beside
// snprintf("%.15g"), TBExtended_atof beside strtod, over 10 million varied doubles
// (every prefix range, subnormal, huge, negative). Run: build/bench/bench_numbers
#include <toolbox/services/numbers.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kValueCount = 10'000'000;

const std::vector<double>& Values() {
    static const std::vector<double> values = [] {
        std::vector<double> v(kValueCount);
        std::mt19937_64 rng(42);
        std::uniform_int_distribution<int> exponent(-20, 20);
        std::uniform_real_distribution<double> mantissa(1.0, 10.0);
        std::uniform_int_distribution<std::uint64_t> bits;
        for (size_t i = 0; i < v.size(); ++i) {
            double x;
            if (i % 10 == 9) {  // one in ten: any bit pattern (subnormal, huge)
                std::uint64_t b = bits(rng);
                std::memcpy(&x, &b, sizeof x);
                if (!std::isfinite(x)) x = 1.0;
            } else if (i % 10 == 8) {  // short decimals as measured data has them
                x = std::round(mantissa(rng) * 1000) / 1000 * std::pow(10.0, exponent(rng));
            } else {
                x = mantissa(rng) * std::pow(10.0, exponent(rng));
            }
            v[i] = (i & 1) ? -x : x;
        }
        return v;
    }();
    return values;
}

// The texts both parsers read: what the plain route writes ("%.15g"), held as the
// host holds them.
const std::vector<CString>& Texts() {
    static const std::vector<CString> texts = [] {
        std::vector<CString> t;
        t.reserve(kValueCount);
        char buffer[32];
        for (double x : Values()) {
            std::snprintf(buffer, sizeof buffer, "%.15g", x);
            t.emplace_back(buffer);
        }
        return t;
    }();
    return texts;
}

void BM_Snprintf15g(benchmark::State& state) {
    const auto& values = Values();
    size_t i = 0;
    char buffer[32];
    for (auto _ : state) {
        int n = std::snprintf(buffer, sizeof buffer, "%.15g", values[i]);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
        if (++i == values.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Snprintf15g);

void BM_ExtendedFtoa(benchmark::State& state) {
    const auto& values = Values();
    const CString none;
    size_t i = 0;
    for (auto _ : state) {
        CString text = TBExtended_ftoa(values[i], -1, 0, none);
        benchmark::DoNotOptimize(text);
        if (++i == values.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExtendedFtoa);

void BM_Strtod(benchmark::State& state) {
    const auto& texts = Texts();
    size_t i = 0;
    for (auto _ : state) {
        double x = std::strtod(texts[i].GetString(), nullptr);
        benchmark::DoNotOptimize(x);
        if (++i == texts.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Strtod);

void BM_ExtendedAtof(benchmark::State& state) {
    const auto& texts = Texts();
    const CString none;
    size_t i = 0;
    for (auto _ : state) {
        double x = TBExtended_atof(texts[i], none);
        benchmark::DoNotOptimize(x);
        if (++i == texts.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExtendedAtof);

// Whole routes: format then parse back, as a text file writer and reader do.
void BM_PlainRoute(benchmark::State& state) {
    const auto& values = Values();
    size_t i = 0;
    char buffer[32];
    for (auto _ : state) {
        std::snprintf(buffer, sizeof buffer, "%.15g", values[i]);
        double x = std::strtod(buffer, nullptr);
        benchmark::DoNotOptimize(x);
        if (++i == values.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainRoute);

void BM_ExtendedRoute(benchmark::State& state) {
    const auto& values = Values();
    const CString none;
    size_t i = 0;
    for (auto _ : state) {
        double x = TBExtended_atof(TBExtended_ftoa(values[i], -1, 0, none), none);
        benchmark::DoNotOptimize(x);
        if (++i == values.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExtendedRoute);

}  // namespace

BENCHMARK_MAIN();
