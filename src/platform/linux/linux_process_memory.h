// Per-process memory on Linux, from /proc: the control-group lines, the
// start time (stat), the executable (and an interpreter's arguments) and the
// `Pss` + `SwapPss` of smaps_rollup of each process.
#pragma once

#include "platform/process_memory.h"

#include <QString>

namespace ostra {

class LinuxProcessMemory : public ProcessMemory {
public:
    // Longest cgroup text and interpreter's arguments kept.
    static constexpr qint64 kMaxCgroupBytes = 16 * 1024;
    static constexpr qint64 kMaxCommandLineBytes = 32 * 1024;
    // A scan's threads (at most one per core), the processes each takes at
    // a time, and their nice value.
    static constexpr int kMaxWorkers = 4;
    static constexpr std::size_t kBatch = 16;
    static constexpr int kWorkerNice = 10;

    // `procRoot` is for the tests' fixture trees.
    explicit LinuxProcessMemory(QString procRoot = QStringLiteral("/proc"));

    ProcessScan scan() override;

private:
    QString proc_;
};

}  // namespace ostra
