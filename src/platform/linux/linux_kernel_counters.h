// The kernel's counters from /proc/vmstat (a kept descriptor, read whole
// from its start at each call).
#pragma once

#include "platform/kernel_counters.h"

#include <cstddef>

namespace ostra {

class LinuxKernelCounters : public KernelCounters {
public:
    explicit LinuxKernelCounters(const char* path = "/proc/vmstat");
    ~LinuxKernelCounters() override;
    LinuxKernelCounters(const LinuxKernelCounters&) = delete;
    LinuxKernelCounters& operator=(const LinuxKernelCounters&) = delete;

    std::optional<std::uint64_t> oomKills() override;

    // The value of the line "oom_kill N" of a vmstat text.
    static std::optional<std::uint64_t> oomKillsIn(const char* text, std::size_t size);

private:
    int fd_ = -1;
};

}  // namespace ostra
