// Excel 97 workbooks through the table layer: 8 number fields by 65,000 records
// written (CDaoDatabase/CDaoTableDef/CDaoRecordset down to the compound file) and read
// back. Run: build/bench/bench_xls; bench/xls_vs_libreoffice.sh converts the same data
// with LibreOffice beside it.
#include <toolbox/exchange/dao.h>

#include <benchmark/benchmark.h>

#include <vector>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr int kFields = 8;
constexpr int kRecords = 65000;

std::string BenchPath() { return "/tmp/tb_bench_xls_" + std::to_string(getpid()) + ".xls"; }

double Value(int field, int record) { return std::sin(0.001 * record * (field + 1)) * 1000.0 + field; }

bool WriteWorkbook(const std::string& path) {
    std::remove(path.c_str());
    CDaoDatabase db;
    if (!db.Open(path.c_str(), FALSE, FALSE, "Excel 8.0;")) return false;
    CDaoTableDef def(&db);
    def.Create("Data");
    for (int f = 0; f < kFields; ++f)
        def.CreateField(("Ch" + std::to_string(f + 1) + "(V)").c_str(), dbDouble, 20, 0x22);
    if (!def.Append()) return false;
    CDaoRecordset rs(&db);
    if (!rs.Open(&def)) return false;
    for (int r = 0; r < kRecords; ++r) {
        rs.AddNew();
        for (int f = 0; f < kFields; ++f) rs.SetFieldValue(f, COleVariant(Value(f, r)));
        rs.Update();
    }
    return db.Close() == 1;
}

void BM_WriteBiff8(benchmark::State& state) {
    std::string path = BenchPath();
    for (auto _ : state)
        if (!WriteWorkbook(path)) state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations() * kFields * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteBiff8)->Unit(benchmark::kMillisecond);

void BM_ReadBiff8(benchmark::State& state) {
    std::string path = BenchPath();
    if (!WriteWorkbook(path)) {
        state.SkipWithError("write failed");
        return;
    }
    double sum = 0;
    for (auto _ : state) {
        CDaoDatabase db;
        db.Open(path.c_str(), FALSE, TRUE, "Excel 8.0;");
        CDaoTableDef def(&db);
        def.Open("Data");
        CDaoRecordset rs(&db);
        if (!rs.Open(&def) || rs.GetRecordCount() != kRecords) state.SkipWithError("read failed");
        for (; !rs.IsEOF(); rs.MoveNext())
            for (int f = 0; f < kFields; ++f) sum += rs.GetFieldValue(f).dblVal;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kFields * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadBiff8)->Unit(benchmark::kMillisecond);

// The yardstick of the read: the workbook's bytes with one fread into memory.
void BM_FreadWorkbook(benchmark::State& state) {
    std::string path = BenchPath();
    if (!WriteWorkbook(path)) {
        state.SkipWithError("write failed");
        return;
    }
    std::vector<char> buffer(64 << 20);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        const size_t got = f ? std::fread(buffer.data(), 1, buffer.size(), f) : 0;
        if (f) std::fclose(f);
        benchmark::DoNotOptimize(got);
    }
    state.SetItemsProcessed(state.iterations() * kFields * kRecords);
    std::remove(path.c_str());
}
BENCHMARK(BM_FreadWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
