// Processes through /proc and pidfds: the start time is checked after the
// pidfd is open, so the signal reaches the process checked or none.
#pragma once

#include "platform/process_control.h"

namespace ostra {

class LinuxProcessControl : public ProcessControl {
public:
    std::optional<ProcessFacts> facts(int pid) override;
    SignalOutcome signal(const ProcessRef& process, ProcessSignal sig) override;
    int ownPid() override;
    unsigned ownUid() override;

    // The fields of one /proc/PID/stat line; nothing when it is malformed.
    static std::optional<ProcessFacts> parseStat(const QByteArray& stat);
};

}  // namespace ostra
