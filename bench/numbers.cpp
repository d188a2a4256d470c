// Engineering numbers against the plain route: TBExtended_ftoa(x, -1, 0, "") beside
// snprintf("%.15g"), TBExtended_atof beside strtod, over 10 million varied doubles
// (every prefix range, subnormal, huge, negative). Run: build/bench/bench_numbers
#include <toolbox/services/numbers.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
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

// Engineering texts as the library writes them: TBExtended_ftoa of 2,000,000 values
// spread over 1e-20..1e20 (nearly all carry a prefix letter or an exponent), read by
// TBExtended_atof beside the plain route (strpbrk for the prefix letter, atof of the
// text before it, times the letter's multiplier).
const std::vector<CString>& EngineeringTexts() {
    static const std::vector<CString> texts = [] {
        std::vector<CString> t;
        t.reserve(2'000'000);
        std::mt19937_64 rng(5);
        std::uniform_real_distribution<double> exponent(-20.0, 20.0);
        for (size_t i = 0; i < 2'000'000; ++i)
            t.push_back(TBExtended_ftoa((i & 1 ? -1 : 1) * std::pow(10.0, exponent(rng)), -1, 0, CString()));
        return t;
    }();
    return texts;
}

double PlainPrefixRoute(const char* text) {
    const char* letter = std::strpbrk(text, "fpnumkgtFPNUMKGT");
    if (!letter) return std::atof(text);
    char number[64];
    const size_t length = std::min<size_t>(static_cast<size_t>(letter - text), sizeof number - 1);
    std::memcpy(number, text, length);
    number[length] = '\0';
    double multiplier = 1.0;
    switch (*letter) {
        case 'f':
        case 'F': multiplier = 1e-15; break;
        case 'p':
        case 'P': multiplier = 1e-12; break;
        case 'n':
        case 'N': multiplier = 1e-9; break;
        case 'u':
        case 'U': multiplier = 1e-6; break;
        case 'm':
        case 'M': multiplier = strncasecmp(letter, "meg", 3) == 0 ? 1e6 : 1e-3; break;
        case 'k':
        case 'K': multiplier = 1e3; break;
        case 'g':
        case 'G': multiplier = 1e9; break;
        case 't':
        case 'T': multiplier = 1e12; break;
    }
    return std::atof(number) * multiplier;
}

void BM_PrefixedPlainRoute(benchmark::State& state) {
    const auto& texts = EngineeringTexts();
    for (auto _ : state)
        for (const CString& text : texts) {
            double x = PlainPrefixRoute(text.GetString());
            benchmark::DoNotOptimize(x);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_PrefixedPlainRoute)->Unit(benchmark::kMillisecond);

void BM_PrefixedExtendedAtof(benchmark::State& state) {
    const auto& texts = EngineeringTexts();
    const CString none;
    for (auto _ : state)
        for (const CString& text : texts) {
            double x = TBExtended_atof(text, none);
            benchmark::DoNotOptimize(x);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_PrefixedExtendedAtof)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
