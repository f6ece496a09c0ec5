// Cost of one snapshot of what grew: a walk of /proc reading the cgroup,
// stat (start time, and the command name where there is no executable),
// executable and smaps_rollup of every process, grouped into
// applications named by the desktop entries (their index checked for
// changes at each scan), with 1,000 real processes of our own besides the machine's:
// /bin/sleep (a small program, as most processes of a desktop are), or
// forked copies of this program (each with a Qt program's address space
// and page tables of its own: the per-process cost of larger programs).
// The time is the wall time of a scan; us_per_process divides it by the
// processes read, cpu_ms_per_scan adds up the CPU of all its threads.
#include "grow/grow_watch.h"
#include "platform/linux/linux_desktop_entries.h"
#include "platform/linux/linux_process_memory.h"

#include <QCoreApplication>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kProcesses = 1000;

// CPU time of every thread of this process so far, user and system.
double processCpuMs() {
    rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

void BM_Snapshot(benchmark::State& state) {
    const bool copies = state.range(0) == 1;
    state.SetLabel(copies ? "forked copies of a Qt program" : "sleep");
    std::vector<pid_t> children;
    children.reserve(kProcesses);
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0 && !copies) {
            ::execl("/bin/sleep", "sleep", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid == 0) {
            // A little memory of its own, then wait to be ended.
            static char page[64 * 1024];
            for (size_t k = 0; k < sizeof page; k += 4096) page[k] = char(k);
            for (;;) ::pause();
        }
        if (pid < 0) break;
        children.push_back(pid);
    }
    if (int(children.size()) < kProcesses) state.SkipWithError("could not start 1,000 processes");
    ::usleep(300 * 1000);  // every child past its exec
    ostra::LinuxProcessMemory memory;
    ostra::LinuxDesktopEntries entries;
    ostra::grow::AppIndex index(entries);
    int processes = 0;
    const double cpuBefore = processCpuMs();
    for (auto _ : state) {
        const ostra::grow::Snapshot s = ostra::grow::GrowWatch::collect(memory, index);
        processes = 0;
        for (const ostra::grow::AppMemory& a : s.apps) processes += a.processes;
        benchmark::DoNotOptimize(s);
    }
    // The scan's workers included (the timer above sees this thread only).
    state.counters["cpu_ms_per_scan"] = (processCpuMs() - cpuBefore) / double(state.iterations());
    state.counters["processes_read"] = processes;
    state.counters["us_per_process"] =
        benchmark::Counter(double(processes) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    for (pid_t pid : children) ::kill(pid, SIGKILL);
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
}
BENCHMARK(BM_Snapshot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt<QCoreApplication>(argc, argv); }
