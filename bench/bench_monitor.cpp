// Cost of the monitor's sampling: one memory-load reading through the Linux
// platform next to the cheapest reading of /proc/meminfo we know of, and one
// tick of the monitor at an unchanged load (no gauge re-fill).
#include "app/figure_texts.h"
#include "loadhistory/load_recorder.h"
#include "app/load_history_wiring.h"
#include "monitor/start_point.h"
#include "platform/pressure.h"
#include "platform/linux/linux_load_source.h"
#include "platform/linux/linux_pressure_source.h"
#include "unit/fakes.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

void BM_ReadLoad(benchmark::State& state) {
    ostra::LinuxLoadSource source;
    for (auto _ : state) benchmark::DoNotOptimize(source.memoryLoad());
}
BENCHMARK(BM_ReadLoad);

// The floor: a kept descriptor, pread into a stack buffer, and a scan for
// the two fields only.
unsigned long long fieldValue(const char* buf, const char* end, const char* name, std::size_t n) {
    const char* p = buf;
    while (p < end) {
        if (static_cast<std::size_t>(end - p) > n && std::memcmp(p, name, n) == 0)
            return std::strtoull(p + n, nullptr, 10);
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!nl) break;
        p = static_cast<const char*>(nl) + 1;
    }
    return 0;
}

void BM_PreadBaseline(benchmark::State& state) {
    int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        state.SkipWithError("cannot open /proc/meminfo");
        return;
    }
    for (auto _ : state) {
        char buf[4096];
        ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        if (n <= 0) {
            state.SkipWithError("read failed");
            break;
        }
        buf[n] = '\0';
        const char* end = buf + n;
        unsigned long long total = fieldValue(buf, end, "MemTotal:", 9);
        unsigned long long avail = fieldValue(buf, end, "MemAvailable:", 13);
        int load = total ? static_cast<int>((200 * (total - avail) + total) / (2 * total)) : -1;
        benchmark::DoNotOptimize(load);
    }
    ::close(fd);
}
BENCHMARK(BM_PreadBaseline);

// The main window's logic on the fake platform, as the program builds it.
void BM_TickNoRefill(benchmark::State& state) {
    ostra::test::Rig rig(QStringLiteral("/nonexistent"));
    rig.platform.loads = {47};
    rig.ctl->formShow();
    rig.monitor.tick();  // the figures settle; from here on nothing changes
    for (auto _ : state) rig.monitor.tick();
    if (ostra::figureTexts(rig.fig()).used != QStringLiteral("47%") || rig.warning.modalCount != 0)
        state.SkipWithError("the tick did not run as expected");
}
BENCHMARK(BM_TickNoRefill);

// The tick as the clock moves on a second per tick (the stopwatch text
// changes at each), without (0) and with (1) the load history recording:
// the pressure from the kernel through the real source, read as often as
// the recorder reads it, and a sample a second into the ring, which fills,
// wraps and stays full as in a long run (and is handed to the file's
// writer once in 600 ticks). The difference of the two is what
// the recording costs a tick.
void BM_TickClockMoving(benchmark::State& state) {
    ostra::test::Rig rig(QStringLiteral("/nonexistent"));
    rig.platform.loads = {47};
    ostra::LinuxPressureSource pressure;
    ostra::loadhistory::LoadRecorder rec({pressure, rig.platform, rig.platform, rig.platform.fakeDialogs,
                                          QStringLiteral("/nonexistent/load-history.txt")});
    const bool recording = state.range(0) != 0;
    if (recording)
        QObject::connect(&rig.monitor, &ostra::Monitor::sampled, &rec, &ostra::loadhistory::LoadRecorder::record);
    rig.ctl->formShow();
    rig.monitor.tick();
    for (auto _ : state) {
        ++rig.platform.epoch;
        rig.monitor.tick();
    }
    if (ostra::figureTexts(rig.fig()).used != QStringLiteral("47%"))
        state.SkipWithError("the tick did not run as expected");
    if (!recording) return;
    const std::optional<ostra::loadhistory::Sample> last = rec.ring().at(rig.platform.epoch);
    if (!last || last->load != 47)
        state.SkipWithError("the tick did not record as expected");
    else if (!pressure.memorySomeAvg10() || last->pressure < 0)
        state.SkipWithError("no pressure from /proc/pressure/memory: the kernel's cost is not in this figure");
    state.counters["ring_bytes"] = static_cast<double>(rec.ring().bytes());
}
BENCHMARK(BM_TickClockMoving)->ArgName("load_history")->Arg(0)->Arg(1);

// What the recording adds to a tick, alone: the monitor's signal delivered
// to the recorder, the pressure from the kernel once in two seconds, the
// sample into the full ring, and once in 600 ticks the copy of the ring
// handed to the worker that writes the file. The difference above carries the noise of the
// whole tick; this is the same path without it.
void BM_RecordingPerTick(benchmark::State& state) {
    ostra::test::Rig rig(QStringLiteral("/nonexistent"));
    ostra::LinuxPressureSource pressure;
    ostra::loadhistory::LoadRecorder rec({pressure, rig.platform, rig.platform, rig.platform.fakeDialogs,
                                          QStringLiteral("/nonexistent/load-history.txt")});
    QObject::connect(&rig.monitor, &ostra::Monitor::sampled, &rec, &ostra::loadhistory::LoadRecorder::record);
    for (int i = 0; i < ostra::loadhistory::LoadRing::kCapacity; ++i) {
        ++rig.platform.epoch;
        emit rig.monitor.sampled(47);
    }
    for (auto _ : state) {
        ++rig.platform.epoch;
        emit rig.monitor.sampled(47);
    }
    const std::optional<ostra::loadhistory::Sample> last = rec.ring().at(rig.platform.epoch);
    if (!last || last->load != 47 || last->pressure < 0)
        state.SkipWithError("no sample with the kernel's pressure was recorded");
}
BENCHMARK(BM_RecordingPerTick);


// One second at rest as the program spends it on its wake-up, with the
// real memory load and pressure and the load history recording: the main
// window shown (1: the monitor's whole tick, which hands its load to the
// history) or hidden (0: the tick idle, the history reading the load
// itself). The rest timer's poll, which every second has, in both.
struct RealLoadPlatform : ostra::FakePlatform {
    std::optional<int> memoryLoad() override { return real.memoryLoad(); }
    ostra::LinuxLoadSource real;
};

void BM_SecondAtRest(benchmark::State& state) {
    ostra::test::BasicRig<RealLoadPlatform> rig(QStringLiteral("/nonexistent"));
    ostra::LinuxPressureSource pressure;
    ostra::loadhistory::LoadRecorder rec({pressure, rig.platform, rig.platform, rig.platform.fakeDialogs,
                                          QStringLiteral("/nonexistent/load-history.txt"), &rig.platform});
    ostra::StartPoint startPoint(rig.monitor, rig.history, rig.restTimer, rig.restAlarm);
    ostra::connectLoadRecorder(rec, rig.monitor, startPoint, rig.warningState);
    rig.options.useLoadLimit = rig.options.useRiseLimit = false;
    rig.ctl->formShow();
    rig.monitor.tick();
    rig.state.mainShown = state.range(0) != 0;
    for (auto _ : state) {
        rig.platform.advanceSeconds(1);
        rig.monitor.tick();
        rig.restTimer.poll();
    }
    if (!rec.ring().at(rig.platform.epoch)) state.SkipWithError("the second was not recorded");
    if (!rig.restTimer.running()) state.SkipWithError("the rest timer stopped");
}
BENCHMARK(BM_SecondAtRest)->ArgName("shown")->Arg(0)->Arg(1);

// One reading of /proc/pressure/memory through the kept descriptor.
void BM_ReadPressure(benchmark::State& state) {
    ostra::pressure::Reader reader;
    if (reader.read() < 0) {
        state.SkipWithError("no /proc/pressure/memory");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(reader.read());
}
BENCHMARK(BM_ReadPressure);

}  // namespace

BENCHMARK_MAIN();
