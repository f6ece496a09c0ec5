// The memory load and the machine's memory from /proc/meminfo.
#pragma once

#include "platform/load_source.h"
#include "platform/meminfo.h"

namespace ostra {

class LinuxLoadSource : public LoadSource {
public:
    std::optional<int> memoryLoad() override {
        const int v = meminfo_.read();
        if (v < 0) return std::nullopt;
        return v;
    }
    std::int64_t totalMemoryBytes() override { return meminfo_.totalBytes(); }

private:
    meminfo::Reader meminfo_;
};

}  // namespace ostra
