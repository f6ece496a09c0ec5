// The load history's costs with a full day: drawing the plot of 24 hours
// (decimation to pixel columns and painting, into an image as the window's
// backing store would), the decimation alone, and reading and writing the
// day's file.
#include "loadhistory/decimate.h"
#include "loadhistory/history_file.h"
#include "loadhistory/load_history_plot.h"
#include "loadhistory/load_ring.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

namespace {

using namespace ostra::loadhistory;

constexpr std::int64_t T0 = 1'800'000'000;

// A day with movement in every column: the load walks, the pressure
// follows, a warning now and then.
const LoadRing& fullDay() {
    static LoadRing ring = [] {
        LoadRing r;
        int load = 50;
        unsigned seed = 23;
        for (int i = 0; i < LoadRing::kCapacity; ++i) {
            seed = seed * 1103515245u + 12345u;
            load = std::clamp(load + static_cast<int>((seed >> 16) % 5) - 2, 0, 100);
            r.record(T0 + i, Sample{load, load * 40, (i / 3600) % 5 == 0 ? unsigned(WarningOn) : 0u});
        }
        return r;
    }();
    return ring;
}

void BM_DrawDay(benchmark::State& state) {
    LoadHistoryPlot plot(fullDay());
    plot.resize(static_cast<int>(state.range(0)), 260);
    plot.setSpan(T0, T0 + LoadRing::kCapacity - 1);
    plot.setLimit(80);
    QImage img(plot.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        plot.render(&img);
        benchmark::DoNotOptimize(img.constBits());
    }
    if (img.pixelColor(plot.plotArea().center().x(), plot.yOf(80)) == QColor())
        state.SkipWithError("nothing drawn");
}
BENCHMARK(BM_DrawDay)->Arg(720)->Arg(1900)->Unit(benchmark::kMillisecond);

void BM_DecimateDay(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(decimate(fullDay(), T0, T0 + LoadRing::kCapacity - 1, 680));
}
BENCHMARK(BM_DecimateDay)->Unit(benchmark::kMicrosecond);

void BM_ParseDay(benchmark::State& state) {
    const QByteArray text = serialize(fullDay());
    for (auto _ : state) {
        LoadRing r;
        benchmark::DoNotOptimize(parse(text, T0 + LoadRing::kCapacity - 1, r));
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseDay)->Unit(benchmark::kMillisecond);

void BM_SerializeDay(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(serialize(fullDay()));
}
BENCHMARK(BM_SerializeDay)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt(argc, argv); }
