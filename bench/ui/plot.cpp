// tbx plot's drawing: a channel of 1,000,000 noisy values drawn into a 1920 x 1080
// picture (per-column decimation, clipping, axes, legend), and the whole PNG file.
#include <toolbox/ui/plot.h>

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct Channel {
    std::vector<double> t, v;
    TBPlotData data;
    Channel() : t(1000000), v(1000000) {
        unsigned noise = 1;
        for (std::size_t i = 0; i < t.size(); ++i) {
            noise = noise * 1103515245u + 12345u;
            t[i] = i * 1e-6;
            v[i] = 100 * std::sin(t[i] * 20) + ((noise >> 16) % 1000) / 100.0 + (i == 523456 ? 400 : 0);
        }
        data.x = {"time", "s", t.data(), static_cast<int>(t.size())};
        data.curves.push_back({"current", "\\mu\\A", v.data(), static_cast<int>(v.size())});
        data.title = "one million points";
    }
};

void BM_DrawPlot(benchmark::State& state) {
    static Channel channel;
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        CDC dc;
        dc.AttachDevice(&image);
        TBDrawPlot(&dc, CRect(0, 0, 1920, 1080), channel.data);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000000);
}

void BM_RenderPlotPng(benchmark::State& state) {
    static Channel channel;
    const QByteArray path = (QDir::tempPath() + "/bench_plot.png").toUtf8();
    for (auto _ : state) benchmark::DoNotOptimize(TBRenderPlot(channel.data, 1920, 1080, path.constData(), nullptr));
    QFile::remove(QString::fromUtf8(path));
}

}  // namespace

BENCHMARK(BM_DrawPlot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPlotPng)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
