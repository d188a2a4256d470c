// Simplifies unit-conversion formulas through the three formula plug-ins, the way the
// unit conversion calls them: create the helper, translate, simplify, destroy.
//   build/bench/bench_formula
#include <toolbox/formula/formula_api.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Plugins {
    PFN_CreateCFormelHelper create = nullptr;
    PFN_DestroyCFormelHelper destroy = nullptr;
    PFN_Fml2Upn translate = nullptr;
    PFN_UpnToSimplifyString simplify = nullptr;

    // The plug-ins lie beside libtoolbox-core.so, one directory above this program.
    bool Load() {
        char exe[4096];
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0) return false;
        exe[n] = '\0';
        std::string dir(exe);
        dir = dir.substr(0, dir.rfind('/'));
        dir = dir.substr(0, dir.rfind('/'));
        void* q = dlopen((dir + "/libquendral.so").c_str(), RTLD_NOW);
        void* l = dlopen((dir + "/liblurvenc.so").c_str(), RTLD_NOW);
        void* v = dlopen((dir + "/libvexa2000.so").c_str(), RTLD_NOW);
        if (!q || !l || !v) return false;
        create = reinterpret_cast<PFN_CreateCFormelHelper>(dlsym(v, "CreateCFormelHelper"));
        destroy = reinterpret_cast<PFN_DestroyCFormelHelper>(dlsym(v, "DestroyCFormelHelper"));
        translate = reinterpret_cast<PFN_Fml2Upn>(dlsym(l, "Fml2Upn"));
        simplify = reinterpret_cast<PFN_UpnToSimplifyString>(dlsym(q, "UpnToSimplifyString"));
        return create && destroy && translate && simplify;
    }
};

std::vector<std::string> ConversionFormulas(size_t count) {
    std::vector<std::string> formulas;
    formulas.reserve(count);
    uint64_t seed = 88172645463325252ull;
    char buffer[64];
    for (size_t i = 0; i < count; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        const double value = static_cast<double>(seed % 2000000) / 100.0 - 10000.0;
        std::snprintf(buffer, sizeof buffer, "(((%.15g)/1000)*9/5+32)", value);
        formulas.emplace_back(buffer);
    }
    return formulas;
}

void BM_SimplifyConversionFormulas(benchmark::State& state) {
    Plugins plugins;
    if (!plugins.Load()) {
        state.SkipWithError("the formula plug-ins cannot be loaded");
        return;
    }
    const std::vector<std::string> formulas = ConversionFormulas(1000000);
    std::vector<char> buffer;
    size_t failures = 0;
    for (auto _ : state) {
        for (const std::string& f : formulas) {
            CFormelHelper* helper = nullptr;
            plugins.create(&helper);
            buffer.assign(f.begin(), f.end());
            buffer.push_back('\0');
            CString text(f);
            if (plugins.translate(buffer.data(), helper, 0) != 0 || plugins.simplify(&text, helper) != 0) ++failures;
            benchmark::DoNotOptimize(text);
            plugins.destroy(&helper);
        }
    }
    if (failures) state.SkipWithError("a formula failed");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * formulas.size()));
}
BENCHMARK(BM_SimplifyConversionFormulas)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same with one helper for all formulas, as a caller that keeps it would do.
void BM_SimplifyWithOneHelper(benchmark::State& state) {
    Plugins plugins;
    if (!plugins.Load()) {
        state.SkipWithError("the formula plug-ins cannot be loaded");
        return;
    }
    const std::vector<std::string> formulas = ConversionFormulas(1000000);
    CFormelHelper* helper = nullptr;
    plugins.create(&helper);
    std::vector<char> buffer;
    for (auto _ : state) {
        for (const std::string& f : formulas) {
            buffer.assign(f.begin(), f.end());
            buffer.push_back('\0');
            CString text(f);
            plugins.translate(buffer.data(), helper, 0);
            plugins.simplify(&text, helper);
            benchmark::DoNotOptimize(text);
        }
    }
    plugins.destroy(&helper);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * formulas.size()));
}
BENCHMARK(BM_SimplifyWithOneHelper)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
