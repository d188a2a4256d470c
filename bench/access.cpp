// Access databases: writing 100,000 records of 8 doubles with the Jet 4 writer, and
// reading them back through the table layer (structural checks, then libmdb), beside
// mdbtools' own mdb-export over the same file when it is installed.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/jet/jet4_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;
constexpr int kFields = 8;

std::string Path() { return "/tmp/bench_access_" + std::to_string(getpid()) + ".mdb"; }

void WriteFile(const std::string& path) {
    CJet4Writer w;
    std::vector<CJet4Field> fields;
    for (int f = 0; f < kFields; ++f) fields.push_back({"Ch" + std::to_string(f + 1), CJet4Field::Double, 20});
    w.Open(path, "Data", fields);
    for (int r = 0; r < kRecords; ++r) {
        for (int f = 0; f < kFields; ++f) w.SetDouble(f, r * 0.001 + f);
        w.AddRecord();
    }
    w.Close();
}

void Write(benchmark::State& state) {
    const std::string path = Path();
    for (auto _ : state) WriteFile(path);
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}

void ReadThroughTableLayer(benchmark::State& state) {
    const std::string path = Path();
    WriteFile(path);
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
    std::remove(path.c_str());
}

void MdbExportPeer(benchmark::State& state) {
    if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) {
        state.SkipWithError("mdb-export not installed");
        return;
    }
    const std::string path = Path();
    WriteFile(path);
    const std::string command = "mdb-export '" + path + "' Data >/dev/null";
    for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
    state.SetItemsProcessed(state.iterations() * kRecords);
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(Write)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadThroughTableLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(MdbExportPeer)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
