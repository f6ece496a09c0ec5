// Cost of the RES list history:
//  - a monitor tick at a load that changes every tick, with the history on
//    (a list that starts at 100 entries and from there fills and thins as in
//    a long run: 50 to 101 entries) and with it off; at the end the ratio of
//    the two is printed (goal: at most 1.5);
//  - reading and writing a "res.list" of 100,000 lines, in memory (parse,
//    serialize) and through the Linux files role on a real file.
#include "monitor/res_list.h"
#include "platform/linux/linux_files.h"
#include "unit/fakes.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace {

constexpr int kBigList = 100000;

QStringList entries(int n) {
    QStringList out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("%1% [%2] DATETIME:%3:%4:%5")
                   .arg(i % 101)
                   .arg(i)
                   .arg(i / 3600 % 100, 2, 10, QLatin1Char('0'))
                   .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'));
    return out;
}

// Ticks that each see a new load (47, 48, 47, ...), so that every tick
// takes the history step when the history is on.
void tickChanging(benchmark::State& state, bool historyOn) {
    ostra::test::Rig rig(QStringLiteral("/nonexistent"));
    rig.settings.historyOn = false;
    rig.platform.loads = {47};
    rig.ctl->formShow();
    rig.monitor.tick();
    rig.settings.historyOn = historyOn;
    // A list of 100 entries, as the history holds after a while.
    for (int i = 0; i < 100; ++i) rig.history.append(QStringLiteral("47%"), QStringLiteral("00:00:00"));
    int load = 47;
    int minCount = rig.history.count(), maxCount = minCount;
    for (auto _ : state) {
        load = load == 47 ? 48 : 47;
        rig.platform.loads = {load};
        rig.monitor.tick();
        const int n = rig.history.count();
        minCount = n < minCount ? n : minCount;
        maxCount = n > maxCount ? n : maxCount;
    }
    state.counters["list_min"] = minCount;
    state.counters["list_max"] = maxCount;
    if (rig.fig().nowLoad != load || rig.warning.modalCount != 0)
        state.SkipWithError("the tick did not run as expected");
    if (historyOn && state.iterations() > 60 && (minCount > 51 || maxCount != 101))
        state.SkipWithError("the history did not fill and thin");
    if (!historyOn && rig.history.count() != 100) state.SkipWithError("the history changed while off");
}

void BM_TickChangingHistoryOff(benchmark::State& state) { tickChanging(state, false); }
BENCHMARK(BM_TickChangingHistoryOff);

void BM_TickChangingHistoryOn(benchmark::State& state) { tickChanging(state, true); }
BENCHMARK(BM_TickChangingHistoryOn);

// "res.list" of 100,000 lines in memory.
void BM_ResListParse100k(benchmark::State& state) {
    const QByteArray bytes = ostra::ResList::serialize(entries(kBigList));
    for (auto _ : state) {
        QStringList list = ostra::ResList::parse(bytes);
        if (list.size() != kBigList) state.SkipWithError("wrong number of entries");
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ResListParse100k)->Unit(benchmark::kMillisecond);

void BM_ResListSerialize100k(benchmark::State& state) {
    const QStringList list = entries(kBigList);
    qint64 size = 0;
    for (auto _ : state) {
        QByteArray bytes = ostra::ResList::serialize(list);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_ResListSerialize100k)->Unit(benchmark::kMillisecond);

// The same through the files role: the load at start and the save at close.
void BM_ResListLoad100k(benchmark::State& state) {
    QTemporaryDir dir;
    ostra::LinuxFiles files;
    const QString path = dir.filePath(QStringLiteral("res.list"));
    if (!files.replaceFile(path, ostra::ResList::serialize(entries(kBigList)))) {
        state.SkipWithError("cannot write the file");
        return;
    }
    for (auto _ : state) {
        ostra::ResList list;
        if (!list.load(files, path) || list.count() != kBigList) {
            state.SkipWithError("the list did not load whole");
            break;
        }
    }
}
BENCHMARK(BM_ResListLoad100k)->Unit(benchmark::kMillisecond);

void BM_ResListSave100k(benchmark::State& state) {
    QTemporaryDir dir;
    ostra::LinuxFiles files;
    const QString path = dir.filePath(QStringLiteral("res.list"));
    ostra::ResList list;
    if (!files.replaceFile(path, ostra::ResList::serialize(entries(kBigList))) || !list.load(files, path)) {
        state.SkipWithError("cannot prepare the list");
        return;
    }
    for (auto _ : state) {
        if (!list.save(files, path)) {
            state.SkipWithError("the save failed");
            break;
        }
    }
}
BENCHMARK(BM_ResListSave100k)->Unit(benchmark::kMillisecond);

// Console output as usual, then the ratio of the two tick benchmarks.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the medians count, else the one run.
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (!median && r.run_type != Run::RT_Iteration) continue;
            const std::string name = r.run_name.function_name;
            if (!median && medians_.count(name)) continue;
            if (median) medians_.insert(name);
            times_[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto off = times_.find("BM_TickChangingHistoryOff");
        const auto on = times_.find("BM_TickChangingHistoryOn");
        if (off != times_.end() && on != times_.end() && off->second.first > 0 && off->second.second > 0)
            std::printf("Tick with the history on / off: %.2fx real time, %.2fx CPU time (goal: at most 1.5x)\n",
                        on->second.first / off->second.first, on->second.second / off->second.second);
    }

private:
    std::map<std::string, std::pair<double, double>> times_;  // real, CPU
    std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
