// COMTRADE records through the exchange engine: a binary record of a time and 32 analog
// channels by 1,000,000 samples read with ReadInfoFile + ReadDataFile into raw blocks
// and into fresh CArray objects attached with SetDoubleArray (as most hosts read),
// beside one fread of the whole .dat into memory and the writing of the output blocks
// alone (the floors a reader can reach);
// and a record of 32 channels (time plus 31 analog) written as binary data.
//
//   bench_exchange_comtrade [--dir PATH] [benchmark flags]
//   bench_exchange_comtrade --peak-memory [--dir PATH]   peak memory of one read into arrays
#include <toolbox/exchange/read_and_write_files.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int kSamples = 1000000;
constexpr int kAnalog = 32;
constexpr int kDigital = 0;
constexpr int kRecordBytes = 8 + 2 * kAnalog + 2 * ((kDigital + 15) / 16);
std::string g_dir = "/tmp";

std::string RecordBase() { return g_dir + "/toolbox_bench_comtrade"; }

// Writes the record by hand so the read benchmark does not depend on the writer.
void MakeRecord() {
    static bool made = false;
    if (made) return;
    made = true;
    std::string cfg = "bench,rig,1999\r\n" + std::to_string(kAnalog + kDigital) + "," + std::to_string(kAnalog) + "A," +
                      std::to_string(kDigital) + "D\r\n";
    for (int i = 0; i < kAnalog; ++i)
        cfg += std::to_string(i + 1) + ",U" + std::to_string(i) + ",,,kV,0.001,0.5,0,-32767,32767,1,1,P\r\n";
    for (int i = 0; i < kDigital; ++i) cfg += std::to_string(i + 1) + ",D" + std::to_string(i) + ",,,0\r\n";
    cfg += "50\r\n1\r\n10000," + std::to_string(kSamples) +
           "\r\n01/01/2026,00:00:00.000000\r\n01/01/2026,00:00:00.000000\r\nBINARY\r\n1\r\n";
    FILE* f = std::fopen((RecordBase() + ".cfg").c_str(), "wb");
    std::fwrite(cfg.data(), 1, cfg.size(), f);
    std::fclose(f);
    f = std::fopen((RecordBase() + ".dat").c_str(), "wb");
    std::mt19937 random(7);
    std::vector<unsigned char> record(8 + 2 * kAnalog + 2 * ((kDigital + 15) / 16));
    for (int k = 0; k < kSamples; ++k) {
        const std::uint32_t head[2] = {static_cast<std::uint32_t>(k + 1), static_cast<std::uint32_t>(k * 100)};
        std::memcpy(record.data(), head, 8);
        for (size_t i = 8; i < record.size(); ++i) record[i] = static_cast<unsigned char>(random());
        std::fwrite(record.data(), 1, record.size(), f);
    }
    std::fclose(f);
}

void BM_FreadDat(benchmark::State& state) {
    MakeRecord();
    std::vector<char> buffer(static_cast<size_t>(kSamples) * (8 + 2 * kAnalog + 2 * ((kDigital + 15) / 16)));
    for (auto _ : state) {
        FILE* f = std::fopen((RecordBase() + ".dat").c_str(), "rb");
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

// What bounds the reader: writing its output alone, 33 blocks of a million doubles
// (3.7 times the bytes of the data file), with the stores the reader uses for blocks
// that large (non-temporal ones).
void BM_WriteOutputOnly(benchmark::State& state) {
    const int channels = 1 + kAnalog + kDigital;
    std::vector<std::vector<double>> blocks(channels, std::vector<double>(kSamples));
    for (auto _ : state) {
        for (auto& block : blocks) {
            double* out = block.data();
            for (int k = 0; k < kSamples; ++k) {
#if defined(__x86_64__)
                long long bits;
                const double value = k * 0.5;
                std::memcpy(&bits, &value, sizeof bits);
                _mm_stream_si64(reinterpret_cast<long long*>(out + k), bits);
#else
                out[k] = k * 0.5;
#endif
            }
        }
#if defined(__x86_64__)
        _mm_sfence();
#endif
        benchmark::DoNotOptimize(blocks[1][kSamples - 1]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSamples * kRecordBytes);
}

void BM_ReadBinaryRecord(benchmark::State& state) {
    MakeRecord();
    const int channels = 1 + kAnalog + kDigital;
    std::vector<std::vector<double>> blocks(channels, std::vector<double>(kSamples));
    for (auto _ : state) {
        CReadAndWriteFiles files;
        if (files.ReadInfoFile((RecordBase() + ".cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2) != 1) {
            state.SkipWithError("ReadInfoFile failed");
            return;
        }
        // Raw blocks belong to the benchmark: the fresh channels hold none to free.
        for (int c = 0; c < channels; ++c) files.GetChannel(c)->SetDoublePtr(blocks[c].data());
        const int result = files.ReadDataFile();
        for (int c = 0; c < channels; ++c) *files.GetChannel(c) = CExImPortChannel();
        if (result != 1) {
            state.SkipWithError("ReadDataFile failed");
            return;
        }
        benchmark::DoNotOptimize(blocks[1][kSamples - 1]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSamples * kRecordBytes);
}

// The same read into fresh arrays, made before ReadInfoFile and freed after the read
// (the freeing not timed): the arrays are sized and grown by the reader.
void BM_ReadBinaryRecordIntoArrays(benchmark::State& state) {
    MakeRecord();
    const int channels = 1 + kAnalog + kDigital;
    for (auto _ : state) {
        std::vector<std::unique_ptr<CArray<double, double>>> arrays;
        for (int c = 0; c < channels; ++c) arrays.emplace_back(new CArray<double, double>);
        CReadAndWriteFiles files;
        if (files.ReadInfoFile((RecordBase() + ".cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2) != 1) {
            state.SkipWithError("ReadInfoFile failed");
            return;
        }
        for (int c = 0; c < channels; ++c) files.GetChannel(c)->SetDoubleArray(arrays[c].get());
        const int result = files.ReadDataFile();
        if (result != 1 || arrays[1]->GetSize() != kSamples) {
            state.SkipWithError("ReadDataFile failed");
            return;
        }
        benchmark::DoNotOptimize(arrays[1]->GetData()[kSamples - 1]);
        state.PauseTiming();
        arrays.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSamples * kRecordBytes);
}

void BM_WriteBinaryRecord(benchmark::State& state) {
    const int channels = 32;
    std::vector<std::vector<double>> columns(channels, std::vector<double>(kSamples));
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> unit(-400.0, 400.0);
    for (int k = 0; k < kSamples; ++k) columns[0][k] = k * 1e-4;
    for (int c = 1; c < channels; ++c)
        for (int k = 0; k < kSamples; ++k) columns[c][k] = unit(random);
    for (auto _ : state) {
        CReadAndWriteFiles files;
        files.SetNrChannels(channels);
        files.SetNrItems(kSamples);
        for (int c = 0; c < channels; ++c)
            files.InsertChannel(c, columns[c].data(), c ? ("U" + std::to_string(c)).c_str() : "t", c ? "V" : "s");
        const int result = files.WriteFile((RecordBase() + "_out.cfg").c_str(), "", 14, nullptr, nullptr, 0, 0);
        for (int c = 0; c < channels; ++c) *files.GetChannel(c) = CExImPortChannel();
        if (result != 1) {
            state.SkipWithError("WriteFile failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSamples * (8 + 2 * (channels - 1)));
}

// Wall-clock time: large reads decode while a second thread reads ahead, and the
// time a host waits is what counts, not the CPU time of one thread.
BENCHMARK(BM_FreadDat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteOutputOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBinaryRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBinaryRecordIntoArrays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteBinaryRecord)->Unit(benchmark::kMillisecond);

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, std::strlen(key), key) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// Peak resident memory added by one read into fresh arrays, next to the bytes of the
// values they hold.
int MeasurePeakMemory() {
    MakeRecord();
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    const long before = StatusKiB("VmRSS:");
    const int channels = 1 + kAnalog + kDigital;
    std::vector<std::unique_ptr<CArray<double, double>>> arrays;
    CReadAndWriteFiles files;
    if (files.ReadInfoFile((RecordBase() + ".cfg").c_str(), "", -1, nullptr, nullptr, 0, 0, 2) != 1) return 1;
    for (int c = 0; c < channels; ++c) {
        arrays.emplace_back(new CArray<double, double>);
        files.GetChannel(c)->SetDoubleArray(arrays.back().get());
    }
    if (files.ReadDataFile() != 1) return 1;
    const long peak = StatusKiB("VmHWM:");
    const double storageMiB = double(kSamples) * channels * sizeof(double) / (1024.0 * 1024.0);
    const double grownMiB = (peak - before) / 1024.0;
    std::printf("{\"storage_mib\": %.1f, \"read_peak_growth_mib\": %.1f, \"ratio\": %.3f}\n", storageMiB, grownMiB,
                grownMiB / storageMiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool peakMemory = false;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--dir") == 0) g_dir = argv[i + 1];
        if (std::strcmp(argv[i], "--peak-memory") == 0) peakMemory = true;
    }
    if (peakMemory) {
        const int status = MeasurePeakMemory();
        for (const char* ext : {".cfg", ".dat"}) std::remove((RecordBase() + ext).c_str());
        return status;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const char* ext : {".cfg", ".dat", "_out.cfg", "_out.dat"}) std::remove((RecordBase() + ext).c_str());
    return 0;
}
