// The kernel's event counters.
#pragma once

#include <cstdint>
#include <optional>

namespace ostra {

class KernelCounters {
public:
    virtual ~KernelCounters() = default;
    // How many processes the kernel's out-of-memory killer has ended since
    // boot; nothing where the kernel does not say.
    virtual std::optional<std::uint64_t> oomKills() = 0;
};

}  // namespace ostra
