// Where the memory load comes from.
#pragma once

#include <optional>

namespace ostra {

class LoadSource {
public:
    virtual ~LoadSource() = default;
    // The share of memory in use, 0..100, read afresh at every call;
    // nothing when it cannot be read.
    virtual std::optional<int> memoryLoad() = 0;
};

}  // namespace ostra
