// Clipping speed of TBCalcClippedPointArray on 10,000,000 points of a noisy sine: a
// plot mostly inside its area, and one that leaves and re-enters it all the time.
#include <toolbox/ui/drawing.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr UINT kPoints = 10000000;

std::vector<POINT> Wave(double amplitude) {
    std::vector<POINT> points(kPoints);
    for (UINT i = 0; i < kPoints; ++i)
        points[i] = POINT{static_cast<long>(i / 5000),
                          static_cast<long>(amplitude * std::sin(i * 0.001) + 37.0 * std::sin(i * 0.37))};
    return points;
}

void Clip(benchmark::State& state, double amplitude, int polygon) {
    std::vector<POINT> points = Wave(amplitude);
    std::unique_ptr<POINT[]> out(new POINT[2 * static_cast<std::size_t>(kPoints)]);
    const CRect clip(0, 1000, 2000, -1000);
    CUIntArray runs;
    for (auto _ : state) {
        POINT* result = out.get();
        benchmark::DoNotOptimize(TBCalcClippedPointArray(points.data(), kPoints, &result, runs, polygon, clip, 0));
        benchmark::DoNotOptimize(runs.GetSize());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kPoints);
    state.counters["runs"] = runs.GetSize();
}

void BM_PolylineInside(benchmark::State& s) { Clip(s, 900.0, 0); }
void BM_PolylineCrossing(benchmark::State& s) { Clip(s, 1100.0, 0); }
void BM_PolygonCrossing(benchmark::State& s) { Clip(s, 1100.0, 1); }

}  // namespace

BENCHMARK(BM_PolylineInside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolylineCrossing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonCrossing)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
