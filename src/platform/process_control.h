// Signals to the processes of the user's applications, each checked
// against the process chosen: a process is known by its PID together with
// its start time, so that a PID the kernel has handed to another program
// since is never touched.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace ostra {

// One process as it was chosen: its PID and its start time (clock ticks
// after boot, as the kernel gives it).
struct ProcessRef {
    int pid = 0;
    std::uint64_t startTime = 0;
    bool operator==(const ProcessRef&) const = default;
};

// What the kernel says of a process now.
struct ProcessFacts {
    int pid = 0;
    int parent = 0;
    int session = 0;   // its session's ID (the PID of the session leader)
    unsigned uid = 0;  // its real user
    std::uint64_t startTime = 0;
    char state = '?';       // 'R', 'S', 'T' (stopped), 'Z' (ended, not reaped)...
    QByteArray executable;  // base name of its executable, else its command name
};

enum class ProcessSignal { Stop, Continue, Terminate, Kill };

enum class SignalOutcome {
    Sent,    // the process chosen got the signal
    Gone,    // it ended, or its PID now belongs to another process: nothing was sent
    Denied,  // it may not be signalled (another user's)
};

class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Nothing when no process has that PID.
    virtual std::optional<ProcessFacts> facts(int pid) = 0;
    // Sends the signal to the process only when the process behind the PID
    // still has the start time it was chosen with; the check and the
    // signal cannot be split by the PID's reuse.
    virtual SignalOutcome signal(const ProcessRef& process, ProcessSignal sig) = 0;
    // This program's own process and user.
    virtual int ownPid() = 0;
    virtual unsigned ownUid() = 0;
};

// The process is still the one chosen and has not ended.
inline bool stillRunning(ProcessControl& control, const ProcessRef& p) {
    const std::optional<ProcessFacts> f = control.facts(p.pid);
    return f && f->startTime == p.startTime && f->state != 'Z' && f->state != 'X';
}

}  // namespace ostra
