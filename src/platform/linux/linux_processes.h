// Programs started and ended by this program on Linux: each one in a process
// group of its own, watched through a pidfd.
#pragma once

#include "platform/processes.h"

#include <QString>

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

class QSocketNotifier;

namespace ostra {

// start() spawns the program (posix_spawn, no arguments, argv[0] = the path,
// this program's environment and current folder, no descriptor beyond 0-2
// inherited, default signal handling) as the leader of a new process group.
// A ".desktop" entry (recognised by the suffix of the file it resolves to)
// is started as its Exec line says, without a shell: field codes are dropped
// and the program is looked up on PATH.
//
// The leader is a child of ours and stays unreaped while it runs, so its
// pid, which is also the group id, cannot be reused meanwhile: signals to
// the group never reach an unrelated process. The leader is reaped from the
// event loop as soon as its pidfd turns readable (it ended by itself, or
// after terminate()); once reaped, nothing more is signalled for it, and
// terminate() reports failure. Nothing here waits for a process.
//
// usage() walks /proc for the processes whose group is the program's group:
// - currentBytes: the sum of their VmRSS now;
// - peakBytes: the sum, over every process ever seen in the group (a pid
//   with its start time), of the largest VmHWM sampled for it;
// - processes: how many live processes the group has now.
// Both figures are resident memory and include the shared pages (libraries,
// shared mappings) that each process maps, so pages shared between two
// processes of the group count twice. Descendants that left the group
// (setsid, setpgid) are not counted, nor are processes that lived between
// two samples only. Once terminate() has been called the figures of the last
// sample, taken just before the kill, stay as they are. One call costs one
// read of /proc/PID/stat per process of the machine plus /proc/PID/status
// for the group's members.
//
// Needs a QCoreApplication (the reaping runs from its event loop).
class LinuxProcesses : public Processes {
public:
    LinuxProcesses();
    // Reaps what has ended (waiting a moment for processes killed by
    // terminate() whose exit was not yet seen); programs never ended are
    // left running.
    ~LinuxProcesses() override;

    LinuxProcesses(const LinuxProcesses&) = delete;
    LinuxProcesses& operator=(const LinuxProcesses&) = delete;

    ProcessHandle start(const QString& path) override;
    bool terminate(ProcessHandle handle) override;
    ProcessUsage usage(ProcessHandle handle) override;

    // The pid (and group id) of a started program; 0 for an unknown handle.
    pid_t processId(ProcessHandle handle) const;

private:
    struct Program {
        pid_t pid = 0;
        int pidfd = -1;      // -1 once the leader is reaped
        bool ended = false;  // terminate() was called
        std::unique_ptr<QSocketNotifier> reaper;
        // Largest VmHWM (bytes) per process seen, keyed by pid and start time.
        std::map<std::pair<pid_t, unsigned long long>, std::int64_t> peaks;
        ProcessUsage last;
    };

    void sample(Program& p);
    void watchExit(ProcessHandle handle, Program& p);
    static bool reap(Program& p);
    // The leader ended without terminate(): reaped, or lost to another reaper.
    static void endedByItself(Program& p);

    std::map<ProcessHandle, std::unique_ptr<Program>> programs_;
    ProcessHandle next_ = 1;
};

}  // namespace ostra
