// The memory of every process of the machine, as far as this user may read
// it, and the names the desktop gives applications. Both are called from a
// worker thread: implementations keep no state that a call changes.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace ostra {

struct ProcessRecord {
    int pid = 0;
    QByteArray cgroup;      // the process's control-group lines, as the kernel gives them
    QByteArray executable;  // base name of its executable; empty when it cannot be read
    QByteArray command;     // its short command name, read only when the executable cannot be
    std::int64_t bytes = 0; // proportional share of its memory, resident and swapped out
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
    // The raw `Name` of the desktop entry `id`.desktop in the desktop's data
    // folders (the first one found); empty when there is none.
    virtual QByteArray applicationName(const QString& id) = 0;
};

}  // namespace ostra
