// The out-of-memory watch's cost at rest: one reading of the kernel's kill
// count from /proc/vmstat (made every 2 s), the same against the memory
// pressure reading it rides along with, and the watch's whole tick as the
// monitor calls it each second (the counter read on every second tick).
// Acting on a process: one checked signal (pidfd, start time, signal).
#include "act/oom_watch.h"
#include "fakes/fake_platform.h"
#include "platform/linux/linux_kernel_counters.h"
#include "platform/linux/linux_process_control.h"
#include "platform/pressure.h"

#include <QCoreApplication>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace ostra;

void BM_ReadOomKills(benchmark::State& state) {
    LinuxKernelCounters counters;
    if (!counters.oomKills()) state.SkipWithError("no oom_kill in /proc/vmstat");
    for (auto _ : state) benchmark::DoNotOptimize(counters.oomKills());
}
BENCHMARK(BM_ReadOomKills)->Unit(benchmark::kMicrosecond);

void BM_ReadPressure(benchmark::State& state) {
    pressure::Reader reader;
    for (auto _ : state) benchmark::DoNotOptimize(reader.read());
}
BENCHMARK(BM_ReadPressure)->Unit(benchmark::kMicrosecond);

// The watch at rest, one tick per simulated second.
void BM_OomWatchTickAtRest(benchmark::State& state) {
    LinuxKernelCounters counters;
    FakeNotifier notifier;
    FakeClock clock;
    FakeUserUnits units;
    int scans = 0;
    act::OomWatch watch({counters, notifier, clock, units, [&](std::function<void(grow::Snapshot)>) { ++scans; }});
    for (auto _ : state) {
        clock.epoch += 1;
        watch.tick(40, 95, false);
    }
    if (scans != 0) state.SkipWithError("scanned at rest");
}
BENCHMARK(BM_OomWatchTickAtRest)->Unit(benchmark::kMicrosecond);

void BM_CheckedSignal(benchmark::State& state) {
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;) ::pause();
    }
    LinuxProcessControl control;
    const ProcessRef ref{child, control.facts(child).value_or(ProcessFacts{}).startTime};
    for (auto _ : state) benchmark::DoNotOptimize(control.signal(ref, ProcessSignal::Continue));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}
BENCHMARK(BM_CheckedSignal)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt<QCoreApplication>(argc, argv); }
