// The kernel's memory pressure: how much of the last ten seconds some
// programs spent stalled waiting for memory.
#pragma once

#include <optional>

namespace ostra {

class PressureSource {
public:
    virtual ~PressureSource() = default;
    // "some avg10" in hundredths of a percent (0..10000), read afresh at
    // every call; nothing where the kernel keeps no such figure.
    virtual std::optional<int> memorySomeAvg10() = 0;
};

}  // namespace ostra
