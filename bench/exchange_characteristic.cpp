// Characteristic files through the exchange engine: 20 channels by 1,000,000 items of
// double storage as an 8-byte binary .mdx file and as a text .mdx file, written with
// WriteFile and read with ReadInfoFile + ReadDataFile. BM_FreadBinary reads the same
// binary file with one fread into memory: the yardstick of the binary reader, for raw
// blocks and for the fresh arrays most hosts attach (BM_ReadBinary8IntoArrays).
// BM_ReadDelimitedText reads the same table as delimited text (";" and "."): the
// yardstick of the text reader, value for value.
//
//   bench_exchange_characteristic [benchmark flags]
#include <toolbox/exchange/read_and_write_files.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 1000000;
constexpr int kChannels = 20;
const std::string kBinaryFile = "/tmp/toolbox_bench_characteristic_8.mdx";
const std::string kTextFile = "/tmp/toolbox_bench_characteristic_a.mdx";
const std::string kDelimitedFile = "/tmp/toolbox_bench_characteristic.txt";

struct Table {
    std::vector<std::vector<double>> columns;
    Table() : columns(kChannels, std::vector<double>(kRows)) {
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (int c = 0; c < kChannels; ++c) {
            const double scale = std::pow(10.0, c % 8 - 3);
            for (int r = 0; r < kRows; ++r) columns[c][r] = unit(random) * scale;
        }
        for (int r = 0; r < kRows; ++r) columns[0][r] = r * 1e-6;
    }
};

const Table& SharedTable() {
    static Table table;
    return table;
}

// Delimited text is written and read with ";" and "."; the characteristic files ignore them.
int WriteTable(const std::string& path, int formatCode) {
    const Table& table = SharedTable();
    CReadAndWriteFiles files;
    files.SetNrChannels(kChannels);
    files.SetNrItems(kRows);
    for (int c = 0; c < kChannels; ++c) {
        CString name;
        name.Format("ch%d", c);
        files.InsertChannel(c, const_cast<double*>(table.columns[c].data()), name, "V");
    }
    const int result = files.WriteFile(path.c_str(), "", formatCode, ";", ".", 0, 0);
    for (int c = 0; c < kChannels; ++c) *files.GetChannel(c) = CExImPortChannel();
    return result;
}

double ReadTable(const std::string& path, std::vector<std::unique_ptr<double[]>>& storage) {
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2)) return -1;
    // The host's blocks are allocated once and reused, as the fread yardstick reuses
    // its buffer: fresh pages would time the kernel's page faults, not the reader.
    if (storage.size() != static_cast<size_t>(files.GetNrChannels())) {
        storage.clear();
        for (int c = 0; c < files.GetNrChannels(); ++c) {
            storage.emplace_back(new double[files.GetNrItems()]);
            std::fill_n(storage.back().get(), files.GetNrItems(), 0.0);
        }
    }
    for (int c = 0; c < files.GetNrChannels(); ++c) files.GetChannel(c)->SetDoublePtr(storage[c].get());
    if (!files.ReadDataFile()) return -1;
    for (int c = 0; c < files.GetNrChannels(); ++c) *files.GetChannel(c) = CExImPortChannel();
    double sum = 0;
    for (int r = 0; r < kRows; ++r) sum += storage[1][r];
    return sum;
}

// The read most hosts make: fresh arrays attached with SetDoubleArray, sized by the
// reader (freeing them is not timed).
void ReadIntoArrays(benchmark::State& state, const std::string& path, int formatCode) {
    if (WriteTable(path, formatCode) == 0) state.SkipWithError("write failed");
    for (auto _ : state) {
        std::vector<std::unique_ptr<CArray<double, double>>> arrays;
        CReadAndWriteFiles files;
        if (!files.ReadInfoFile(path.c_str(), "", -1, ";", ".", 0, 0, 2)) state.SkipWithError("read failed");
        for (int c = 0; c < files.GetNrChannels(); ++c) {
            arrays.emplace_back(new CArray<double, double>);
            files.GetChannel(c)->SetDoubleArray(arrays.back().get());
        }
        if (files.ReadDataFile() != 1 || arrays[1]->GetSize() != kRows) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(arrays[1]->GetData()[kRows - 1]);
        state.PauseTiming();
        arrays.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

void Write(benchmark::State& state, const std::string& path, int formatCode) {
    SharedTable();
    for (auto _ : state)
        if (WriteTable(path, formatCode) == 0) state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

void Read(benchmark::State& state, const std::string& path, int formatCode) {
    if (WriteTable(path, formatCode) == 0) state.SkipWithError("write failed");
    std::vector<std::unique_ptr<double[]>> storage;
    for (auto _ : state) {
        const double sum = ReadTable(path, storage);
        if (sum == -1) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

void BM_WriteBinary8(benchmark::State& state) { Write(state, kBinaryFile, 2); }
void BM_ReadBinary8(benchmark::State& state) { Read(state, kBinaryFile, 2); }
void BM_ReadBinary8IntoArrays(benchmark::State& state) { ReadIntoArrays(state, kBinaryFile, 2); }
void BM_WriteText(benchmark::State& state) { Write(state, kTextFile, 0); }
void BM_ReadText(benchmark::State& state) { Read(state, kTextFile, 0); }
void BM_ReadDelimitedText(benchmark::State& state) { Read(state, kDelimitedFile, 11); }

// The whole binary file read with one fread into memory (the allocation not timed).
void BM_FreadBinary(benchmark::State& state) {
    if (WriteTable(kBinaryFile, 2) == 0) state.SkipWithError("write failed");
    std::FILE* probe = std::fopen(kBinaryFile.c_str(), "rb");
    std::fseek(probe, 0, SEEK_END);
    const long size = std::ftell(probe);
    std::fclose(probe);
    std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(size)]);
    for (auto _ : state) {
        std::FILE* f = std::fopen(kBinaryFile.c_str(), "rb");
        const size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), f);
        std::fclose(f);
        if (got != static_cast<size_t>(size)) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetItemsProcessed(state.iterations() * kRows * kChannels);
}

// Wall-clock time: large binary reads decode while a second thread reads ahead, and
// the time a host waits is what counts, not the CPU time of one thread.
BENCHMARK(BM_FreadBinary)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadBinary8)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadBinary8IntoArrays)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_WriteBinary8)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadDelimitedText)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
