#include "platform/linux/linux_kernel_counters.h"

namespace ostra {

std::optional<std::uint64_t> LinuxKernelCounters::oomKillsIn(const char* text, std::size_t size) {
    const std::optional<std::string_view> value = lineAfter({text, size}, "oom_kill ");
    if (!value || value->front() < '0' || value->front() > '9') return std::nullopt;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i)
        v = v * 10 + static_cast<std::uint64_t>((*value)[i] - '0');
    return v;
}

std::optional<std::uint64_t> LinuxKernelCounters::oomKills() {
    // The whole file: about 5 KiB with some 170 counters.
    char buf[16384];
    const long got = file_.read(buf, sizeof buf);
    if (got <= 0) return std::nullopt;
    return oomKillsIn(buf, static_cast<std::size_t>(got));
}

}  // namespace ostra
