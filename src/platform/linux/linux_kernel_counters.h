// The kernel's counters from /proc/vmstat (a kept descriptor, read whole
// from its start at each call).
#pragma once

#include "platform/kernel_counters.h"
#include "platform/proc_file.h"

#include <cstddef>

namespace ostra {

class LinuxKernelCounters : public KernelCounters {
public:
    explicit LinuxKernelCounters(const char* path = "/proc/vmstat") : file_(path) {}

    std::optional<std::uint64_t> oomKills() override;

    // The value of the line "oom_kill N" of a vmstat text.
    static std::optional<std::uint64_t> oomKillsIn(const char* text, std::size_t size);

private:
    ProcFile file_;
};

}  // namespace ostra
