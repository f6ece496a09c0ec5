// Cost of one memory sample of a started program's process group: a walk of
// /proc, as the software test does once a second.
#include "platform/linux/linux_processes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

namespace {

void BM_GroupUsage(benchmark::State& state) {
    QTemporaryDir dir;
    const QString entry = dir.filePath(QStringLiteral("sleeper.desktop"));
    QFile f(entry);
    if (!f.open(QIODevice::WriteOnly)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    f.write("[Desktop Entry]\nType=Application\nName=Sleeper\nExec=sleep 600\n");
    f.close();
    ostra::LinuxProcesses procs;
    const ostra::ProcessHandle h = procs.start(entry);
    if (!h) {
        state.SkipWithError("sleep did not start");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(procs.usage(h));
    state.counters["processes_on_machine"] = static_cast<double>(
        QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[1-9]*")}, QDir::Dirs).size());
    procs.terminate(h);
}
BENCHMARK(BM_GroupUsage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt<QCoreApplication>(argc, argv); }
