// Programs that this program starts and ends itself (the software test).
#pragma once

#include <QString>

#include <cstdint>

namespace ostra {

// Handle of a program started by Processes::start(); 0 means none.
using ProcessHandle = std::int64_t;

// Memory of the processes of a started program's group.
struct ProcessUsage {
    std::int64_t peakBytes = 0;     // kernel high-water marks (VmHWM) of its processes
    std::int64_t currentBytes = 0;  // resident now (VmRSS)
    int processes = 0;              // processes seen in the group now
    bool exited = false;            // it ended by itself: nothing of it is followed any more
};

class Processes {
public:
    virtual ~Processes() = default;
    // Starts a program with no arguments in a new process group, with this
    // program's environment and current folder. 0 when it cannot start.
    virtual ProcessHandle start(const QString& path) = 0;
    // Ends the program and every process of its group at once, even one
    // that ignores polite requests. False when it had already ended (no
    // signal then reaches any other process) or the handle is unknown.
    // Never waits for the processes on the caller's thread.
    virtual bool terminate(ProcessHandle handle) = 0;
    // Samples the memory of the program's process group (call it at least
    // once a second while the program runs); the peak covers everything
    // sampled since start().
    virtual ProcessUsage usage(ProcessHandle handle) = 0;
};

}  // namespace ostra
