// Where the memory load comes from.
#pragma once

#include <cstdint>
#include <optional>

namespace ostra {

class LoadSource {
public:
    virtual ~LoadSource() = default;
    // The share of memory in use, 0..100, read afresh at every call;
    // nothing when it cannot be read.
    virtual std::optional<int> memoryLoad() = 0;
    // The machine's memory in bytes; 0 when it cannot be read.
    virtual std::int64_t totalMemoryBytes() = 0;
};

}  // namespace ostra
