// The memory of every process of the machine, as far as this user may read
// it. Called from a worker thread: implementations keep no state that a
// call changes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace ostra {

struct ProcessRecord {
    int pid = 0;
    QByteArray cgroup;       // the process's control-group lines, as the kernel gives them
    QByteArray executable;   // base name of its executable; empty when it cannot be read or
                             // is an in-memory file (memfd)
    QByteArray command;      // its short command name, read only when there is no executable
    std::int64_t bytes = 0;  // proportional share of its memory, resident and swapped out
    QByteArray commandLine;  // its arguments, each ended by a NUL; read only for an interpreter
    // When it started (clock ticks after boot, as the kernel gives it), read
    // with its memory: it tells this process from a later one given the same
    // PID. 0 when it could not be read.
    std::uint64_t startTime = 0;
};

struct ProcessScan {
    std::vector<ProcessRecord> processes;
    int unreadable = 0;  // processes whose memory could not be read (other users', hidden)
};

class ProcessMemory {
public:
    virtual ~ProcessMemory() = default;
    // Every process with memory of its own that could be read; processes
    // that end meanwhile are left out, those that cannot be read counted.
    virtual ProcessScan scan() = 0;
};

// Whether the executable `base` (a base name) is an interpreter whose
// processes are told apart by the script or jar they run: python*, perl*,
// ruby*, node, nodejs, java, sh, dash, bash.
bool isInterpreter(const QByteArray& base);

}  // namespace ostra
