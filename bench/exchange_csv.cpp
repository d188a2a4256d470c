// Delimited text through the exchange engine: 1,000,000 rows by 8 channels of double
// storage, written with WriteFile and read with ReadInfoFile + ReadDataFile.
// bench/exchange_csv_compare.py runs this program beside pandas on the same file.
//
//   bench_exchange_csv [--file PATH] [benchmark flags]   timings
//   bench_exchange_csv --peak-memory [--file PATH]        peak memory of one read
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/os/locale_info.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 1000000;
constexpr int kChannels = 8;
std::string g_file = "/tmp/toolbox_bench_exchange.csv";

struct Table {
    std::vector<std::vector<double>> columns;
    Table() : columns(kChannels, std::vector<double>(kRows)) {
        std::mt19937_64 random(42);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (int c = 0; c < kChannels; ++c) {
            const double scale = std::pow(10.0, c - 3);  // 1e-3 ... 1e4
            for (int r = 0; r < kRows; ++r) columns[c][r] = unit(random) * scale;
        }
        for (int r = 0; r < kRows; ++r) columns[0][r] = r * 1e-6;  // a time axis
    }
};

const Table& SharedTable() {
    static Table table;
    return table;
}

int WriteTable(const std::string& path) {
    const Table& table = SharedTable();
    CReadAndWriteFiles files;
    files.SetNrChannels(kChannels);
    files.SetNrItems(kRows);
    for (int c = 0; c < kChannels; ++c) {
        CString name;
        name.Format("ch%d", c);
        files.InsertChannel(c, const_cast<double*>(table.columns[c].data()), name, c == 0 ? "s" : "V");
    }
    int result = files.WriteFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0);
    // The blocks are the table's: detach them before the engine goes.
    for (int c = 0; c < kChannels; ++c) *files.GetChannel(c) = CExImPortChannel();
    return result;
}

// One read into double blocks; returns the sum of the first channel as a check.
// The host's storage is allocated as a host does it, without filling it first.
double ReadTable(const std::string& path, std::vector<std::unique_ptr<double[]>>& storage) {
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2)) return -1;
    storage.clear();
    for (int c = 0; c < files.GetNrChannels(); ++c) {
        storage.emplace_back(new double[files.GetNrItems()]);
        files.GetChannel(c)->SetDoublePtr(storage.back().get());
    }
    if (!files.ReadDataFile()) return -1;
    for (int c = 0; c < files.GetNrChannels(); ++c) *files.GetChannel(c) = CExImPortChannel();
    double sum = 0;
    for (int r = 0; r < kRows; ++r) sum += storage[0][r];
    return sum;
}

void BM_WriteCsv(benchmark::State& state) {
    SharedTable();
    for (auto _ : state) {
        if (WriteTable(g_file) == 0) state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

void BM_ReadCsv(benchmark::State& state) {
    if (WriteTable(g_file) == 0) state.SkipWithError("write failed");
    std::vector<std::unique_ptr<double[]>> storage;
    for (auto _ : state) {
        double sum = ReadTable(g_file, storage);
        if (sum < 0) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

// The bare limits the engine is measured against: every field of the file (already in
// memory) parsed with std::from_chars into a column, and every value printed with
// std::to_chars ("%.15g" digits) into one buffer, neither reading nor writing the file.
void BM_ParseFieldsOnly(benchmark::State& state) {
    if (WriteTable(g_file) == 0) state.SkipWithError("write failed");
    std::ifstream in(g_file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> values(static_cast<size_t>(kRows) * kChannels);
    for (auto _ : state) {
        const char* p = text.data() + text.find('\n') + 1;  // past the title line
        const char* end = text.data() + text.size();
        size_t n = 0;
        while (p < end && n < values.size()) {
            const auto result = std::from_chars(p, end, values[n++]);
            p = result.ptr + 1;
            
        }
        benchmark::DoNotOptimize(values.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

void BM_PrintFieldsOnly(benchmark::State& state) {
    const Table& table = SharedTable();
    std::string out;
    for (auto _ : state) {
        out.clear();
        char buffer[32];
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kChannels; ++c) {
                const auto result =
                    std::to_chars(buffer, buffer + sizeof buffer, table.columns[c][r], std::chars_format::general, 15);
                out.append(buffer, result.ptr);
                out += c + 1 < kChannels ? ',' : '\n';
            }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ParseFieldsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PrintFieldsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, std::strlen(key), key) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// Peak resident memory added by one read, next to the bytes of channel storage.
int MeasurePeakMemory() {
    {
        // The file is written by a separate engine; its table is freed before measuring.
        if (WriteTable(g_file) == 0) return 1;
    }
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    const long before = StatusKiB("VmRSS:");
    std::vector<std::unique_ptr<double[]>> storage;
    if (ReadTable(g_file, storage) < 0) return 1;
    const long peak = StatusKiB("VmHWM:");
    const double storageMiB = kRows * double(kChannels) * sizeof(double) / (1024.0 * 1024.0);
    const double grownMiB = (peak - before) / 1024.0;
    std::printf("{\"storage_mib\": %.1f, \"read_peak_growth_mib\": %.1f, \"ratio\": %.3f}\n", storageMiB, grownMiB,
                grownMiB / storageMiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    TBOverrideUserNumberSymbols(",", ".");
    bool peakMemory = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--peak-memory"))
            peakMemory = true;
        else if (!std::strcmp(argv[i], "--file") && i + 1 < argc)
            g_file = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    if (peakMemory) return MeasurePeakMemory();
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
