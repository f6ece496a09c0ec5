#include "platform/linux/linux_kernel_counters.h"

#include <cstring>

namespace ostra {

std::optional<std::uint64_t> LinuxKernelCounters::oomKillsIn(const char* text, std::size_t size) {
    static constexpr char kKey[] = "oom_kill ";
    constexpr std::size_t n = sizeof kKey - 1;
    const char* p = text;
    const char* end = text + size;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!eol) eol = end;
        if (static_cast<std::size_t>(eol - p) > n && std::memcmp(p, kKey, n) == 0) {
            std::uint64_t v = 0;
            const char* q = p + n;
            if (q == eol || *q < '0' || *q > '9') return std::nullopt;
            while (q < eol && *q >= '0' && *q <= '9') v = v * 10 + static_cast<std::uint64_t>(*q++ - '0');
            return v;
        }
        p = eol + 1;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> LinuxKernelCounters::oomKills() {
    // The whole file: about 5 KiB with some 170 counters.
    char buf[16384];
    const long got = file_.read(buf, sizeof buf);
    if (got <= 0) return std::nullopt;
    return oomKillsIn(buf, static_cast<std::size_t>(got));
}

}  // namespace ostra
