// The private profile cache over a file of 100,000 entries in 1,000 sections: loading
// it (first read of a file not yet cached), and reading every key from the cache with
// cached-only = 1 and with the freshness check (cached-only = 0, one stat per read).
// The file goes to $TMPDIR (or /tmp) as toolbox-bench-profile.ini, where the peer
// script bench/profile_peer.py reads the same file with Python's configparser.
// Run: build/bench/bench_profile_cache, or bench/profile_peer.py for both.
#include <toolbox/os/profile_cache.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSections = 1000;
constexpr int kKeysPerSection = 100;

std::string SectionName(int s) { return "Section" + std::to_string(s); }
std::string KeyName(int k) { return "Key" + std::to_string(k); }

const std::string& ProfileFile() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string file = std::string(tmp && *tmp ? tmp : "/tmp") + "/toolbox-bench-profile.ini";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out) return file;
        for (int s = 0; s < kSections; ++s) {
            std::fprintf(out, "[%s]\r\n", SectionName(s).c_str());
            for (int k = 0; k < kKeysPerSection; ++k)
                std::fprintf(out, "%s = value %d of section %d, 1.25e-3\r\n", KeyName(k).c_str(), k, s);
            std::fputs("\r\n", out);
        }
        std::fclose(out);
        return file;
    }();
    return path;
}

struct Names {
    std::vector<std::string> sections, keys;
    Names() {
        for (int s = 0; s < kSections; ++s) sections.push_back(SectionName(s));
        for (int k = 0; k < kKeysPerSection; ++k) keys.push_back(KeyName(k));
    }
};

void BM_LoadFile(benchmark::State& state) {
    const char* file = ProfileFile().c_str();
    for (auto _ : state) {
        ClosePrivateFile(0, file);
        CString value = GetPrivateStringValue("Section0", "Key0", "", file, 0);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * kSections * kKeysPerSection);
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

void ReadAll(benchmark::State& state, int cachedOnly) {
    const char* file = ProfileFile().c_str();
    static const Names names;
    GetPrivateStringValue("Section0", "Key0", "", file, 0);
    size_t found = 0;
    for (auto _ : state) {
        for (const std::string& s : names.sections)
            for (const std::string& k : names.keys)
                found += GetPrivateStringValue(s.c_str(), k.c_str(), "", file, cachedOnly).GetLength() > 0;
    }
    if (found != state.iterations() * size_t(kSections) * kKeysPerSection) state.SkipWithError("a key was missing");
    state.SetItemsProcessed(state.iterations() * kSections * kKeysPerSection);
}

void BM_ReadEveryKeyCachedOnly(benchmark::State& state) { ReadAll(state, 1); }
void BM_ReadEveryKeyWithFreshnessCheck(benchmark::State& state) { ReadAll(state, 0); }
BENCHMARK(BM_ReadEveryKeyCachedOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEveryKeyWithFreshnessCheck)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
