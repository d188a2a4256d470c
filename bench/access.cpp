// Access databases: a table of 100,000 records by 8 doubles written by the Jet 4 writer
// and read back through the exchange engine (ReadInfoFile + ReadDataFile into double
// storage, the read step of tbx convert), beside one fread of the same file, the
// table layer's record-by-record reading and mdbtools' mdb-export when installed.
// bench/access_vs_mdb_reader.sh runs tbx convert beside the JavaScript reader
// mdb-reader on the file this program writes.
//
//   bench_access [--file PATH] [benchmark flags]   timings
//   bench_access --write-file PATH                   writes the table and stops
#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/read_and_write_files.h>
#include "exchange/tables/jet/jet4_writer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;
constexpr int kFields = 8;
std::string g_file;

// A time axis and seven channels of random values from 1e-3 to 1e3, so that their
// text has the usual 15 to 17 digits.
double ValueOf(int record, int field) {
    static const std::vector<double> table = [] {
        std::vector<double> values(std::size_t(kRecords) * kFields);
        std::mt19937_64 random(29);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (int r = 0; r < kRecords; ++r) {
            values[std::size_t(r) * kFields] = r * 1e-5;
            for (int f = 1; f < kFields; ++f) values[std::size_t(r) * kFields + f] = unit(random) * std::pow(10.0, f - 4);
        }
        return values;
    }();
    return table[std::size_t(record) * kFields + field];
}

bool WriteTable(const std::string& path) {
    CJet4Writer w;
    std::vector<CJet4Field> fields;
    for (int f = 0; f < kFields; ++f) fields.push_back({"Ch" + std::to_string(f + 1), CJet4Field::Double, 20});
    if (!w.Open(path, "Data", fields)) return false;
    for (int r = 0; r < kRecords; ++r) {
        for (int f = 0; f < kFields; ++f) w.SetDouble(f, ValueOf(r, f));
        if (!w.AddRecord()) return false;
    }
    return w.Close();
}

// The file the read benchmarks share: --file, or one written once for this run.
const std::string& SharedFile() {
    static const std::string path = [] {
        if (!g_file.empty()) return g_file;
        std::string written = "/tmp/bench_access_" + std::to_string(getpid()) + ".mdb";
        if (!WriteTable(written)) std::fprintf(stderr, "bench_access: cannot write %s\n", written.c_str());
        std::atexit([] { std::remove(("/tmp/bench_access_" + std::to_string(getpid()) + ".mdb").c_str()); });
        return written;
    }();
    return path;
}

void Write(benchmark::State& state) {
    const std::string path = "/tmp/bench_access_write_" + std::to_string(getpid()) + ".mdb";
    for (auto _ : state)
        if (!WriteTable(path)) state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}

// One fread of the whole file into a buffer of its size, as the floor of any reader.
void FreadWholeFile(benchmark::State& state) {
    const std::string& path = SharedFile();
    for (auto _ : state) {
        FILE* in = std::fopen(path.c_str(), "rb");
        if (!in) return state.SkipWithError("cannot open the file");
        std::fseek(in, 0, SEEK_END);
        const long size = std::ftell(in);
        std::fseek(in, 0, SEEK_SET);
        std::unique_ptr<char[]> bytes(new char[static_cast<std::size_t>(size)]);
        const std::size_t got = std::fread(bytes.get(), 1, static_cast<std::size_t>(size), in);
        std::fclose(in);
        benchmark::DoNotOptimize(bytes[got / 2]);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// The read step of tbx convert: ReadInfoFile, double storage as a host allocates it,
// ReadDataFile; with infoTimed false only ReadDataFile is timed. Checks the values
// against those written.
void ReadIntoStorage(benchmark::State& state, bool infoTimed) {
    const std::string& path = SharedFile();
    for (auto _ : state) {
        if (!infoTimed) state.PauseTiming();
        CReadAndWriteFiles files;
        if (!files.ReadInfoFile(path.c_str(), "Data", 10, nullptr, nullptr, 0, 0, 2) ||
            files.GetNrItems() != kRecords || files.GetNrChannels() != kFields)
            return state.SkipWithError("ReadInfoFile failed");
        std::vector<std::unique_ptr<double[]>> storage;
        for (int c = 0; c < kFields; ++c) {
            storage.emplace_back(new double[kRecords]);
            files.GetChannel(c)->SetDoublePtr(storage.back().get());
        }
        if (!infoTimed) state.ResumeTiming();
        if (!files.ReadDataFile()) return state.SkipWithError("ReadDataFile failed");
        if (!infoTimed) state.PauseTiming();
        for (int c = 0; c < kFields; ++c) *files.GetChannel(c) = CExImPortChannel();
        if (storage[3][kRecords - 1] != ValueOf(kRecords - 1, 3)) return state.SkipWithError("wrong values read");
        storage.clear();
        if (!infoTimed) state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void ReadStep(benchmark::State& state) { ReadIntoStorage(state, true); }
void ReadDataFileAlone(benchmark::State& state) { ReadIntoStorage(state, false); }

void ReadThroughRecordset(benchmark::State& state) {
    const std::string& path = SharedFile();
    for (auto _ : state) {
        CDaoDatabase db;
        db.Open(path.c_str(), FALSE, TRUE, "");
        CDaoTableDef def(&db);
        def.Open("Data");
        CDaoRecordset rs(&db);
        rs.Open(&def, dbOpenTable, 0);
        double sum = 0;
        for (; !rs.IsEOF(); rs.MoveNext())
            for (int f = 0; f < kFields; ++f) sum += rs.GetFieldValue(f).dblVal;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void MdbExportPeer(benchmark::State& state) {
    if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) return state.SkipWithError("mdb-export not installed");
    const std::string command = "mdb-export '" + SharedFile() + "' Data >/dev/null";
    for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
    state.SetItemsProcessed(state.iterations() * kRecords);
}

}  // namespace

BENCHMARK(Write)->Unit(benchmark::kMillisecond);
BENCHMARK(FreadWholeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadStep)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadDataFileAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadThroughRecordset)->Unit(benchmark::kMillisecond);
BENCHMARK(MdbExportPeer)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--write-file") == 0) return WriteTable(argv[i + 1]) ? 0 : 1;
        if (i + 1 < argc && std::strcmp(argv[i], "--file") == 0) {
            g_file = argv[++i];
            continue;
        }
        rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
